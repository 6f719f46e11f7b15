// The second look through its seams: a real folder read by the directory
// query, and a change journal (which Wine lacks) that says what changed since
// the scan began.
#include <gtest/gtest.h>

#include <fstream>
#include <map>

#include "core/Recheck.h"
#include "lister/ListingOutput.h"
#include "lister/NtDirectory.h"
#include "lister/Recheck.h"
#include "tests/support/TempFolder.h"

namespace quarvel::lister {
namespace {

class ScriptedJournal final : public JournalView {
 public:
  std::map<std::uint64_t, std::uint64_t> changed;
  int asked = 0;
  std::optional<std::uint64_t> ChangedAt(std::uint64_t reference) override {
    ++asked;
    const auto found = changed.find(reference);
    if (found == changed.end()) return std::nullopt;
    return found->second;
  }
};

constexpr std::uint64_t kLater = 0x7000'0000'0000'0000;  // after any time the folder shows

TEST(Recheck, TheJournalsChangeIsTheAnswersLatestAndOnlyFilesTheVolumeListedAreAsked) {
  testing::TempFolder folder;
  folder.MakeFile("CHANGED.DLL", "1", FILE_ATTRIBUTE_HIDDEN);
  folder.MakeFile("QUIET.DLL", "1", FILE_ATTRIBUTE_HIDDEN);
  folder.MakeFile("QUERYONLY.DLL", "1", FILE_ATTRIBUTE_HIDDEN);
  const auto request = [&](const std::string& name, std::optional<std::uint64_t> volume_id) {
    EntryFacts facts;
    facts.long_name = name;
    facts.folder.true_path = folder.Path() + "\\";
    facts.ids[static_cast<std::size_t>(ViewId::kVolume)] = volume_id;
    if (volume_id) facts.folder.ids[static_cast<std::size_t>(ViewId::kVolume)] = 5;
    return RecheckRequestLine(folder / name, facts);
  };
  const std::string requests = folder.MakeFile(
      "requests.txt", request("QUIET.DLL", 0x0001'0000'0000'0041) + "\r\n" + request("QUERYONLY.DLL", std::nullopt) + "\r\n");

  ScriptedJournal journal;
  journal.changed[0x0001'0000'0000'0040] = kLater;
  journal.changed[0x0002'0000'0000'0041] = kLater;  // the same record, reused by another file
  auto query = NtDirectory::Load();
  ASSERT_TRUE(query);
  {
    InputLines lines(requests);
    ListingOutput output(folder / "answers.txt");
    Recheck(nullptr, &*query, &journal, request("CHANGED.DLL", 0x0001'0000'0000'0040), lines, output);
  }
  RecheckAnswers answers;
  std::ifstream file(folder / "answers.txt");
  for (std::string line; std::getline(file, line);) {
    if (!line.empty() && line.back() == '\r') line.pop_back();
    answers.ReadLine(line);
  }
  const RecheckAnswer* changed = answers.Find(folder / "CHANGED.DLL");
  const RecheckAnswer* quiet = answers.Find(folder / "QUIET.DLL");
  const RecheckAnswer* query_only = answers.Find(folder / "QUERYONLY.DLL");
  ASSERT_TRUE(changed && quiet && query_only);
  EXPECT_EQ(changed->changed_at, kLater);
  EXPECT_EQ(changed->Of(ViewId::kQuery), Look::kThere);
  ASSERT_TRUE(quiet->changed_at);
  EXPECT_LT(*quiet->changed_at, kLater);  // the folder's own time, not the reused record's
  EXPECT_EQ(journal.asked, 2);  // never for a file the volume did not list
}

}  // namespace
}  // namespace quarvel::lister
