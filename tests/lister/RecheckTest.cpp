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
#include "platform/UniqueHandle.h"
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

// The file id the directory query gives of `path`.
std::uint64_t FileIdOf(const std::string& path) {
  const win::UniqueFileHandle file(CreateFileA(path.c_str(), FILE_READ_ATTRIBUTES, 7, nullptr, OPEN_EXISTING,
                                               FILE_FLAG_BACKUP_SEMANTICS, nullptr));
  BY_HANDLE_FILE_INFORMATION info{};
  if (!file || !GetFileInformationByHandle(file.get(), &info)) return 0;
  return (std::uint64_t{info.nFileIndexHigh} << 32) | info.nFileIndexLow;
}

constexpr std::uint64_t kLater = 0x7000'0000'0000'0000;  // after any time the folder shows

TEST(Recheck, TheJournalsChangeCountsAndAFileGoneByNameIsFoundByItsId) {
  testing::TempFolder folder;
  folder.MakeFile("CHANGED.DLL", "1", FILE_ATTRIBUTE_HIDDEN);
  folder.MakeFile("QUIET.DLL", "1", FILE_ATTRIBUTE_HIDDEN);
  folder.MakeFile("QUERYONLY.DLL", "1", FILE_ATTRIBUTE_HIDDEN);
  const std::uint64_t renamed_id = FileIdOf(folder.MakeFile("RENAMED.DLL", "1", FILE_ATTRIBUTE_HIDDEN));
  const std::uint64_t deleted_id = FileIdOf(folder.MakeFile("DELETED.DLL", "1", FILE_ATTRIBUTE_HIDDEN));
  ASSERT_NE(renamed_id, 0u);
  // The listing began here; a file made after it that reuses an id (an inode
  // number under Wine, the answers' file say) is not the one listed.
  Sleep(50);
  FILETIME now{};
  GetSystemTimeAsFileTime(&now);
  const std::uint64_t listed_after = (std::uint64_t{now.dwHighDateTime} << 32) | now.dwLowDateTime;
  Sleep(50);
  ASSERT_TRUE(MoveFileA((folder / "RENAMED.DLL").c_str(), (folder / "ELSEWHERE.TXT").c_str()));
  ASSERT_TRUE(SetFileAttributesA((folder / "DELETED.DLL").c_str(), FILE_ATTRIBUTE_NORMAL));
  ASSERT_TRUE(DeleteFileA((folder / "DELETED.DLL").c_str()));
  const auto request = [&](const std::string& name, std::optional<std::uint64_t> volume_id,
                           std::optional<std::uint64_t> query_id = std::nullopt) {
    EntryFacts facts;
    facts.ids[static_cast<std::size_t>(ViewId::kQuery)] = query_id;
    facts.long_name = name;
    facts.folder.true_path = folder.Path() + "\\";
    facts.ids[static_cast<std::size_t>(ViewId::kVolume)] = volume_id;
    if (volume_id) facts.folder.ids[static_cast<std::size_t>(ViewId::kVolume)] = 5;
    return RecheckRequestLine(folder / name, facts);
  };
  const std::string requests = folder.MakeFile(
      "requests.txt", request("QUIET.DLL", 0x0001'0000'0000'0041) + "\r\n" + request("QUERYONLY.DLL", std::nullopt) +
                          "\r\n" + request("RENAMED.DLL", std::nullopt, renamed_id) + "\r\n" +
                          request("DELETED.DLL", std::nullopt, deleted_id) + "\r\n");

  ScriptedJournal journal;
  journal.changed[0x0001'0000'0000'0040] = kLater;
  journal.changed[0x0002'0000'0000'0041] = kLater;  // the same record, reused by another file
  auto query = NtDirectory::Load();
  ASSERT_TRUE(query);
  {
    InputLines lines(requests);
    ListingOutput output(folder / "answers.txt");
    Recheck(nullptr, &*query, &journal, listed_after, request("CHANGED.DLL", 0x0001'0000'0000'0040), lines, output);
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
  // Gone by name but found by its file id: renamed, not gone.
  const RecheckAnswer* renamed = answers.Find(folder / "RENAMED.DLL");
  const RecheckAnswer* deleted = answers.Find(folder / "DELETED.DLL");
  ASSERT_TRUE(renamed && deleted);
  EXPECT_EQ(renamed->Of(ViewId::kQuery), Look::kChanged);
  EXPECT_EQ(deleted->Of(ViewId::kQuery), Look::kGone);
}

}  // namespace
}  // namespace quarvel::lister
