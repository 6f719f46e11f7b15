#include "core/Verdict.h"
#include "core/hive/CrossView.h"

#include <gtest/gtest.h>

#include <iterator>
#include <set>

namespace quarvel {
namespace {

UnseenFacts Facts(std::uint32_t attributes, Views views) {
  UnseenFacts facts;
  facts.path = "D:\\SCAN\\X.DLL";
  facts.lister = EntryFacts{attributes, views, {}, {}, {}};
  return facts;
}

// Each verdict from its evidence, and the precedence between them: a folder
// that could not be read explains everything in it; a file only the volume
// shows is hidden below every attribute; the system attribute before hidden.
TEST(Judge, EachVerdictFollowsItsEvidence) {
  const Views both{ViewId::kVolume, ViewId::kQuery}, volume_only{ViewId::kVolume}, query_only{ViewId::kQuery};
  EXPECT_EQ(Judge(Facts(0x2, both)).verdict, Verdict::kHiddenByAttribute);
  EXPECT_EQ(Judge(Facts(0x6, query_only)).verdict, Verdict::kSystemFile);
  EXPECT_EQ(Judge(Facts(0x20, query_only)).verdict, Verdict::kKeptFromWin32Search);
  EXPECT_EQ(Judge(Facts(0x2, volume_only)).verdict, Verdict::kSeenOnlyOnVolume);

  UnseenFacts device = Facts(0x20, both);
  device.device_name = true;
  EXPECT_NE(Judge(device).reason.find("device name"), std::string::npos);
  UnseenFacts hooked = Facts(0x20, both);
  EXPECT_NE(Judge(hooked).reason.find("inside this program"), std::string::npos);

  UnseenFacts unread_by_query = Facts(0x20, volume_only);
  unread_by_query.unread_status = 0xC0000022;
  EXPECT_EQ(Judge(unread_by_query).verdict, Verdict::kFolderNotSearched);
  UnseenFacts note;
  note.unread_folder_note = true;
  EXPECT_EQ(Judge(note).verdict, Verdict::kFolderNotSearched);
  UnseenFacts win32_failed = Facts(0x2, both);
  win32_failed.win32_folder_error = 5;
  EXPECT_EQ(Judge(win32_failed).verdict, Verdict::kFolderNotSearched);
  EXPECT_EQ(Judge(UnseenFacts{}).verdict, Verdict::kUnexplained);
}

// The folder's own index checks the MFT: a record that names the folder while
// the index, read whole, does not list it cannot be shown by any directory
// query. Where the index was not read, or lists the file, the verdict is the
// MFT's and the query's alone.
TEST(Judge, TheFoldersIndexTellsAnEditedIndexFromAHookedQuery) {
  const Views volume_only{ViewId::kVolume}, volume_and_index{ViewId::kVolume, ViewId::kIndex};
  struct Row {
    const char* what;
    Views views;
    bool index_read;
    std::optional<std::uint32_t> query_unread;
    Verdict expected;
  };
  const Row rows[] = {
      {"index read, file not in it", volume_only, true, {}, Verdict::kNotInFolderIndex},
      {"index read, query could not read the folder", volume_only, true, 0xC0000022, Verdict::kNotInFolderIndex},
      {"index lists it, the query does not", volume_and_index, true, {}, Verdict::kSeenOnlyOnVolume},
      {"index not read", volume_only, false, {}, Verdict::kSeenOnlyOnVolume},
      {"index lists it, query could not read", volume_and_index, true, 0xC0000022, Verdict::kFolderNotSearched},
  };
  for (const Row& row : rows) {
    UnseenFacts facts = Facts(0x20, row.views);
    if (row.index_read) facts.lister->folder.ids[static_cast<std::size_t>(ViewId::kIndex)] = 5;
    facts.unread_status = row.query_unread;
    EXPECT_EQ(Judge(facts).verdict, row.expected) << row.what;
  }
}

TEST(VerdictCountsText, NamesOnlyWhatOccursAndTheVanished) {
  std::vector<int> counts(kVerdictCount, 0);
  EXPECT_EQ(VerdictCountsText(counts, 0), "Unseen: none");
  counts[static_cast<int>(Verdict::kSystemFile)] = 2;
  counts[static_cast<int>(Verdict::kHiddenByAttribute)] = 3;
  EXPECT_EQ(VerdictCountsText(counts, 1), "Unseen: hidden by attribute 3, system file 2; vanished since the listing 1");
}

// The rows are in the enumeration's order, and a code once given is never
// given twice.
TEST(VerdictRows, OneRowPerVerdictInOrderWithDistinctCodes) {
  const auto& rows = VerdictRows();
  ASSERT_EQ(rows.size(), static_cast<std::size_t>(kVerdictCount));
  std::set<std::string> codes;
  for (std::size_t i = 0; i < rows.size(); ++i) {
    EXPECT_EQ(static_cast<std::size_t>(rows[i].verdict), i);
    EXPECT_TRUE(codes.insert(rows[i].code).second) << rows[i].code;
  }
  EXPECT_EQ(VerdictCode(Verdict::kKeptFromWin32Search), "kept_from_win32");
  EXPECT_EQ(VerdictName(Verdict::kSeenOnlyOnVolume), "seen only on the volume");
}

// What points at a hider (the console companion's exit code 1): only a file
// kept from the search without a named ordinary cause, or seen only on the volume.
TEST(PointsAtHider, OnlyUnexplainedHidingCounts) {
  struct Row {
    Verdict verdict;
    bool device_name, too_long, not_spelled;
    bool expected;
  };
  const Row rows[] = {
      {Verdict::kHiddenByAttribute, false, false, false, false},
      {Verdict::kSystemFile, false, false, false, false},
      {Verdict::kFolderNotSearched, false, false, false, false},
      {Verdict::kUnexplained, false, false, false, false},
      {Verdict::kChangedDuringScan, false, false, false, false},
      {Verdict::kSeenOnlyOnVolume, false, false, false, true},
      {Verdict::kNotInFolderIndex, false, false, false, true},
      {Verdict::kSeenOnlyOnVolume, true, false, false, true},  // the volume view has no device names
      {Verdict::kKeptFromWin32Search, false, false, false, true},
      {Verdict::kKeptFromWin32Search, true, false, false, false},
      {Verdict::kKeptFromWin32Search, false, true, false, false},
      {Verdict::kKeptFromWin32Search, false, false, true, false},
  };
  for (const Row& row : rows) {
    UnseenFacts facts = Facts(0x20, Views{ViewId::kQuery});
    facts.device_name = row.device_name;
    facts.too_long = row.too_long;
    facts.not_spelled = row.not_spelled;
    EXPECT_EQ(PointsAtHider(facts, row.verdict), row.expected)
        << VerdictCode(row.verdict) << " device " << row.device_name << " long " << row.too_long << " unspelled "
        << row.not_spelled;
  }
}

// A difference between a hive file and the registry API points at a hider
// unless it is a change not yet written to the file.
TEST(PointsAtHider, RegistryDifferences) {
  struct Row {
    hive::Verdict verdict;
    std::string_view code;
    bool expected;
  };
  const Row rows[] = {
      {hive::Verdict::kHiddenFromApi, "hidden_from_registry_api", true},
      {hive::Verdict::kEmbeddedNul, "name_with_embedded_nul", true},
      {hive::Verdict::kChangedSinceWritten, "changed_since_hive_written", false},
  };
  for (const Row& row : rows) {
    EXPECT_EQ(hive::VerdictCode(row.verdict), row.code);
    EXPECT_EQ(PointsAtHider(row.verdict), row.expected) << row.code;
  }
}

}  // namespace
}  // namespace quarvel
