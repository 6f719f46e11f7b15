#include "core/ScanDecision.h"

#include <gtest/gtest.h>

#include <string>

namespace quarvel {
namespace {

constexpr std::uint32_t kPlain = 0x20, kHidden = 0x22, kSystem = 0x24;
constexpr Look N = Look::kNotAsked, T = Look::kThere, G = Look::kGone, C = Look::kChanged, U = Look::kUnknown;
const Views kVolume{ViewId::kVolume}, kQuery{ViewId::kQuery}, kBoth{ViewId::kVolume, ViewId::kQuery},
    kAllThree{ViewId::kVolume, ViewId::kQuery, ViewId::kIndex};

struct Row {
  const char* what;
  std::uint32_t attributes;  // as the lister listed it
  Views listed_by;
  Look volume, query;  // the second look's
  std::optional<std::uint32_t> attributes_now;
  bool vanished;
  Verdict verdict;  // for a file kept
  std::optional<std::uint64_t> changed_at = std::nullopt;  // the query's change time, against a start of 1000
  bool index_read = false;  // the folder's own index was read, and lists the file only if listed_by says so
};

// One row per case: what the first look listed, what the second look found,
// and what becomes of the file. A file is dropped only when every view that
// listed it positively finds it gone; an accusation stands only when the second
// look confirms it; a change during the scan is never an accusation.
const Row kRows[] = {
    {"deleted: every view finds it gone", kHidden, kBoth, G, G, {}, true, {}},
    {"deleted: the index, never asked again, keeps nothing", kHidden, kAllThree, G, G, {}, true, {}},
    {"deleted, seen by the query alone", kPlain, kQuery, N, G, {}, true, {}},
    {"its folder could not be opened again: kept", kHidden, kQuery, N, U, {}, false, Verdict::kHiddenByAttribute},
    {"the volume could not be asked: kept", kHidden, kBoth, N, G, {}, false, Verdict::kHiddenByAttribute},
    {"gone from the query, still on the volume: kept", kSystem, kBoth, T, G, kSystem, false, Verdict::kSystemFile},
    {"hidden between the lister and the compare", kPlain, kBoth, T, T, kHidden, false, Verdict::kChangedDuringScan},
    {"unhidden meanwhile", kHidden, kQuery, N, T, kPlain, false, Verdict::kChangedDuringScan},
    {"renamed: its record has another name now", kHidden, kVolume, C, G, kHidden, false, Verdict::kChangedDuringScan},
    {"its name now names another file", kPlain, kQuery, N, C, kPlain, false, Verdict::kChangedDuringScan},
    {"made after the query read its folder", kHidden, kVolume, T, T, kHidden, false, Verdict::kChangedDuringScan},
    {"kept from the query, confirmed", kHidden, kVolume, T, G, kHidden, false, Verdict::kSeenOnlyOnVolume},
    {"kept from the query, folder unreadable now", kHidden, kVolume, T, U, kHidden, false, Verdict::kFolderNotSearched},
    {"kept from the query, volume not asked again", kHidden, kVolume, N, G, {}, false, Verdict::kUnexplained},
    {"kept from the Win32 search, unchanged", kPlain, kBoth, T, T, kPlain, false, Verdict::kKeptFromWin32Search},
    // Renamed away and back, or rewritten, while the search looked: an
    // accusation is taken back, a hidden file stays hidden by attribute.
    {"kept from the search, changed after the start", kPlain, kQuery, N, T, kPlain, false,
     Verdict::kChangedDuringScan, 1001},
    {"kept from the search, changed before the start", kPlain, kQuery, N, T, kPlain, false,
     Verdict::kKeptFromWin32Search, 999},
    {"only on the volume, changed after the start", kHidden, kVolume, T, G, kHidden, false,
     Verdict::kChangedDuringScan, 1001},
    {"hidden, changed after the start", kHidden, kQuery, N, T, kHidden, false, Verdict::kHiddenByAttribute, 1001},
    // Missing from its folder's index: confirmed like "seen only on the volume".
    {"not in the index, confirmed", kPlain, kVolume, T, G, kPlain, false, Verdict::kNotInFolderIndex, {}, true},
    {"not in the index, the query lists it now", kPlain, kVolume, T, T, kPlain, false, Verdict::kChangedDuringScan, {}, true},
    {"not in the index, folder unreadable now", kPlain, kVolume, T, U, kPlain, false, Verdict::kFolderNotSearched, {}, true},
    {"not in the index, volume not asked again", kPlain, kVolume, U, G, {}, false, Verdict::kUnexplained, {}, true},
};

TEST(Decide, EveryCaseFromTheEvidenceOfEachView) {
  for (const Row& row : kRows) {
    UnseenFacts facts;
    facts.path = "D:\\SCAN\\X.DLL";
    facts.lister = EntryFacts{row.attributes, row.listed_by, {}, {}, {}};
    if (row.index_read) facts.lister->folder.ids[static_cast<std::size_t>(ViewId::kIndex)] = 5;
    RecheckAnswer answer;
    answer.Set(ViewId::kVolume, row.volume);
    answer.Set(ViewId::kQuery, row.query);
    answer.attributes = row.attributes_now;
    answer.changed_at = row.changed_at;
    const Decision decision = Decide(facts, &answer, 1000);
    EXPECT_EQ(decision.vanished, row.vanished) << row.what;
    if (!row.vanished) {
      EXPECT_EQ(decision.judgement.verdict, row.verdict) << row.what;
    }
  }
}


// Without a second look, or without the lister's facts, nothing is dropped and
// the first look's verdict stands.
TEST(Decide, NothingIsDroppedWithoutASecondLookOrFacts) {
  UnseenFacts facts;
  facts.lister = EntryFacts{kHidden, kVolume, {}, {}, {}};
  EXPECT_FALSE(Decide(facts, nullptr).vanished);
  EXPECT_EQ(Decide(facts, nullptr).judgement.verdict, Verdict::kSeenOnlyOnVolume);
  RecheckAnswer gone;
  gone.Set(ViewId::kVolume, G);
  gone.Set(ViewId::kQuery, G);
  EXPECT_EQ(Decide(UnseenFacts{}, &gone).judgement.verdict, Verdict::kUnexplained);
  EXPECT_FALSE(Decide(UnseenFacts{}, &gone).vanished);
  UnseenFacts note;
  note.unread_folder_note = true;
  EXPECT_FALSE(Decide(note, &gone).vanished);
}

// A second look that failed withdraws nothing: every accusation stands, so a
// hider cannot clear itself by killing it, and says it was not confirmed;
// other verdicts read as before.
TEST(Decide, AFailedSecondLookLeavesAccusationsStandingButUnconfirmed) {
  struct FailedRow {
    std::uint32_t attributes;
    Views listed_by;
    Verdict verdict;
    bool says_unconfirmed;
  };
  const FailedRow rows[] = {
      {kHidden, kVolume, Verdict::kSeenOnlyOnVolume, true},
      {kPlain, kQuery, Verdict::kKeptFromWin32Search, true},
      {kHidden, kQuery, Verdict::kHiddenByAttribute, false},
  };
  for (const FailedRow& row : rows) {
    UnseenFacts facts;
    facts.lister = EntryFacts{row.attributes, row.listed_by, {}, {}, {}};
    const Decision failed = Decide(facts, nullptr, 1000, true);
    EXPECT_FALSE(failed.vanished);
    EXPECT_EQ(failed.judgement.verdict, row.verdict);
    EXPECT_EQ(failed.judgement.reason.find("second look") != std::string::npos, row.says_unconfirmed)
        << failed.judgement.reason;
    EXPECT_EQ(Decide(facts, nullptr, 1000, false).judgement.reason.find("second look"), std::string::npos);
  }
  EXPECT_EQ(SecondLookText({SecondLookState::Kind::kFailed, "the lister ended with exit code 3"}),
            "second look: failed, because the lister ended with exit code 3");
}

// Which times count as a change that can alter how a view lists a file: its
// making, and a change of its metadata after its last write; never a write of
// its data alone, which a hider's own log file would show all the time.
TEST(LastChangeBesidesWrites, MakingAndMetadataCountAWriteAloneNever) {
  struct TimesRow {
    const char* what;
    std::uint64_t created, written, changed;
    std::optional<std::uint64_t> counted;
  };
  const TimesRow rows[] = {
      {"no times at all", 0, 0, 0, std::nullopt},
      {"made and never touched", 500, 500, 500, 500},
      {"written since: the write does not count", 500, 2000, 2000, 500},
      {"renamed or hidden after its last write", 500, 700, 2000, 2000},
      {"made during the scan, then written", 1500, 2000, 2000, 1500},
      {"a view that gives only the change time", 0, 0, 2000, 2000},
  };
  for (const auto& row : rows) {
    EXPECT_EQ(LastChangeBesidesWrites(row.created, row.written, row.changed), row.counted) << row.what;
  }
}

}  // namespace
}  // namespace quarvel
