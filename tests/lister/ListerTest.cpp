// Runs the embedded lister, as the window does, over folders made for each test.
#include <gtest/gtest.h>

#include <shlwapi.h>

#include <algorithm>
#include <regex>
#include <string>
#include <vector>

#include "tests/support/TempFolder.h"
#include "tests/support/UnixSymlink.h"
#include "core/LineSplitter.h"
#include "core/ListingFormat.h"
#include "platform/CommonFunction.h"
#include "platform/LaunchAppSync.h"
#include "platform/ResourceFile.h"
#include "platform/UniqueHandle.h"
#include "platform/modVBFileDisk.h"

namespace quarvel::win {
namespace {

using Lines = std::vector<std::string>;
using testing::TempFolder;

Lines SplitLines(const std::string& text) {
  Lines lines;
  LineSplitter splitter;
  const auto sink = [&lines](std::string_view line) { lines.emplace_back(line); };
  splitter.Feed(text, sink);
  splitter.Finish(sink);
  return lines;
}

bool Has(const Lines& lines, const std::string& line) {
  return std::find(lines.begin(), lines.end(), line) != lines.end();
}

std::size_t IndexOf(const Lines& lines, const std::string& line) {
  return static_cast<std::size_t>(std::find(lines.begin(), lines.end(), line) - lines.begin());
}

// The work folder holds locate.com; `scan` is the folder listed.
class ListerTest : public ::testing::Test {
 protected:
  void SetUp() override {
    previous_folder_ = GetCurDir();
    SetCurrentDirectoryA(work.Path().c_str());
    ASSERT_TRUE(LoadDataIntoFile(kListerResourceId, work / "locate.com"));
    SetShowWindowState(2);
  }
  void TearDown() override { SetCurrentDirectoryA(previous_folder_.c_str()); }

  // Runs the lister with the window's NT command line and returns dll.txt.
  Lines RunLister(const std::string& folder, const std::string& filter, bool recurse) {
    const std::string command = work / "locate.com" + " \"" + folder + "\\" + filter + "\"" +
                                (recurse ? "" : " /NR ") + ">dll.txt";
    EXPECT_EQ(RunAndWait(command), kTrue);
    return SplitLines(testing::ReadWholeFile(work / "dll.txt"));
  }

  std::string ShortLeaf(const std::string& path) {
    const std::string s = GetShortName(path);
    return s.substr(s.rfind('\\') + 1);
  }

  TempFolder work;
  TempFolder scan;

 private:
  std::string previous_folder_;
};

TEST_F(ListerTest, ListsHiddenAndSystemFilesThatTheOrdinarySearchMisses) {
  scan.MakeFile("VISIBLE.DLL", "12345");
  const auto hidden = scan.MakeFile("HIDDEN.DLL", "1", FILE_ATTRIBUTE_HIDDEN);
  const auto system = scan.MakeFile("SYSTEM.DLL", "22", FILE_ATTRIBUTE_SYSTEM);
  const auto both = scan.MakeFile("BOTH.DLL", "333", FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM);
  ASSERT_EQ(FileExists(hidden), kFalse);
  ASSERT_EQ(FileExists(system), kFalse);
  ASSERT_EQ(FileExists(both), kFalse);

  const Lines lines = RunLister(scan.Path(), "*.dll", false);
  EXPECT_EQ(lines.front(), FolderHeadingLine(scan.Path()));
  EXPECT_TRUE(Has(lines, FileLine("VISIBLE.DLL", 5)));
  EXPECT_TRUE(Has(lines, FileLine("HIDDEN.DLL", 1)));
  EXPECT_TRUE(Has(lines, FileLine("SYSTEM.DLL", 2)));
  EXPECT_TRUE(Has(lines, FileLine("BOTH.DLL", 3)));
  EXPECT_TRUE(Has(lines, CountSummaryLine(4, 1)));
  EXPECT_TRUE(Has(lines, SizeSummaryLine(11)));
}

TEST_F(ListerTest, WritesOnlyTheLineKindsTheReaderKnows) {
  scan.MakeFile("a.txt");
  scan.MakeFile("A Long Name With Blanks.txt", "xy", FILE_ATTRIBUTE_HIDDEN);
  scan.MakeFolder("sub");
  scan.MakeFile("sub\\b.txt");
  const Lines lines = RunLister(scan.Path(), "*.*", true);
  const std::regex file_line(R"([^ ]+  +\d+)");
  const std::regex dir_line(R"([^ ]+  +<Dir>)");
  for (const auto& line : lines) {
    const bool heading = !line.empty() && line.back() == '\\' && PathIsDirectoryA(line.c_str());
    const bool known = heading || std::regex_match(line, file_line) || std::regex_match(line, dir_line) ||
                       line.find(std::string(kCountSummaryMark)) != std::string::npos ||
                       line.find(std::string(kSizeSummaryMark)) != std::string::npos;
    EXPECT_TRUE(known) << "unexpected line: [" << line << "]";
  }
}

TEST_F(ListerTest, NamesAFileByItsShortNameWhenItHasOne) {
  const auto long_file = scan.MakeFile("Long Visible Name.dll", "abc");
  scan.MakeFile("SHORT.DLL", "a");
  const Lines lines = RunLister(scan.Path(), "*.dll", false);
  EXPECT_TRUE(Has(lines, FileLine(ShortLeaf(long_file), 3)));
  EXPECT_TRUE(Has(lines, FileLine("SHORT.DLL", 1)));
}

TEST_F(ListerTest, ThisFolderOnlyWithNr) {
  scan.MakeFile("top.dll");
  scan.MakeFolder("SUB");
  scan.MakeFile("SUB\\inner.dll");
  const Lines lines = RunLister(scan.Path(), "*.*", false);
  EXPECT_TRUE(Has(lines, SubfolderLine("SUB")));
  EXPECT_FALSE(Has(lines, FileLine("inner.dll", 1)));
  EXPECT_FALSE(Has(lines, FolderHeadingLine(scan / "SUB")));
}

TEST_F(ListerTest, WholeTreeWithEachHeadingBeforeItsFiles) {
  scan.MakeFile("top.dll");
  scan.MakeFolder("SUB");
  scan.MakeFile("SUB\\inner.dll", "1234");
  scan.MakeFolder("SUB\\DEEPER");
  scan.MakeFile("SUB\\DEEPER\\deep.dll", "12", FILE_ATTRIBUTE_HIDDEN);
  const Lines lines = RunLister(scan.Path(), "*.dll", true);
  const auto sub = IndexOf(lines, FolderHeadingLine(scan / "SUB"));
  const auto deeper = IndexOf(lines, FolderHeadingLine(scan / "SUB\\DEEPER"));
  ASSERT_LT(sub, lines.size());
  ASSERT_LT(deeper, lines.size());
  EXPECT_LT(IndexOf(lines, FileLine("top.dll", 1)), sub);
  EXPECT_EQ(IndexOf(lines, FileLine("inner.dll", 4)), sub + 1);
  EXPECT_EQ(IndexOf(lines, FileLine("deep.dll", 2)), deeper + 1);
  EXPECT_TRUE(Has(lines, CountSummaryLine(3, 3)));
}

TEST_F(ListerTest, FolderWithBlanksIsHeadedByItsShortForm) {
  const auto long_folder = scan.MakeFolder("Folder With Blanks");
  scan.MakeFile("Folder With Blanks\\x.dll");
  const Lines lines = RunLister(scan.Path(), "*.dll", true);
  // The parent is headed as given (it has no blank); the subfolder by its 8.3 name.
  EXPECT_TRUE(Has(lines, FolderHeadingLine(scan / ShortLeaf(long_folder))));
  EXPECT_FALSE(Has(lines, FolderHeadingLine(long_folder)));
}

TEST_F(ListerTest, MissingFolderGivesOnlyTheSummaries) {
  const Lines lines = RunLister(scan / "does-not-exist", "*.dll", true);
  EXPECT_EQ(lines, (Lines{CountSummaryLine(0, 0), SizeSummaryLine(0)}));
}

TEST_F(ListerTest, EmptyFolderGivesItsHeadingAndZeroCounts) {
  const Lines lines = RunLister(scan.Path(), "*.dll", true);
  EXPECT_EQ(lines, (Lines{FolderHeadingLine(scan.Path()), CountSummaryLine(0, 1), SizeSummaryLine(0)}));
}

TEST_F(ListerTest, WithoutRedirectionWritesToStandardOutput) {
  scan.MakeFile("out.dll", "123");
  const std::string command = GetSysDir() + "\\cmd.exe /c " + work / "locate.com" + " \"" + scan.Path() +
                              "\\*.dll\" /NR > piped.txt";
  EXPECT_EQ(RunAndWait(command), kTrue);
  const Lines lines = SplitLines(testing::ReadWholeFile(work / "piped.txt"));
  EXPECT_TRUE(Has(lines, FileLine("out.dll", 3)));
}

}  // namespace
}  // namespace quarvel::win

namespace quarvel::win {
namespace {

TEST_F(ListerTest, NeverEntersALinkEvenOneThatLoopsBack) {
  scan.MakeFolder("SUB");
  scan.MakeFile("SUB\\a.dll");
  const testing::UnixSymlink loop("..", scan / "SUB\\LOOP");
  ASSERT_TRUE(loop.Made());
  const Lines lines = RunLister(scan.Path(), "*.*", true);
  EXPECT_TRUE(Has(lines, FolderHeadingLine(scan / "SUB")));
  EXPECT_TRUE(Has(lines, SubfolderLine("LOOP")));
  EXPECT_FALSE(Has(lines, FolderHeadingLine(scan / "SUB\\LOOP")));
  EXPECT_TRUE(Has(lines, CountSummaryLine(1, 2)));
}

// A folder the lister cannot open is no empty folder: its heading carries a
// note with the status, and the run goes on.
TEST_F(ListerTest, FolderItCannotOpenIsReportedAndTheRunGoesOn) {
  scan.MakeFolder("A_LOCKED");
  scan.MakeFile("A_LOCKED\\in.dll");
  scan.MakeFolder("B_OPEN");
  scan.MakeFile("B_OPEN\\out.dll", "12");
  // Held open without sharing, so the lister's own open fails.
  UniqueFileHandle lock(CreateFileA((scan / "A_LOCKED").c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING,
                                    FILE_FLAG_BACKUP_SEMANTICS, nullptr));
  ASSERT_TRUE(lock);
  const Lines lines = RunLister(scan.Path(), "*.dll", true);
  const std::size_t heading = IndexOf(lines, FolderHeadingLine(scan / "A_LOCKED"));
  ASSERT_LT(heading + 1, lines.size());
  EXPECT_EQ(lines[heading + 1].rfind(kUnreadFolderMark, 0), 0u) << lines[heading + 1];
  EXPECT_FALSE(Has(lines, FileLine("in.dll", 1)));
  EXPECT_TRUE(Has(lines, FolderHeadingLine(scan / "B_OPEN")));
  EXPECT_TRUE(Has(lines, FileLine("out.dll", 2)));
  EXPECT_TRUE(Has(lines, CountSummaryLine(1, 2)));
}

// Drive D: of the test prefix is an NTFS image whose MFT the lister reads raw;
// the same tree reached through Z: (the ntfs-3g mount) can only be read through
// the NT directory query. With no hider about, both hold the same entries.
TEST_F(ListerTest, TheRawListingOfAnNtfsVolumeHoldsWhatTheDirectoryQueryLists) {
  char mount[MAX_PATH] = {};
  GetFullPathNameA(testing::NextToThisProgram("..\\..\\wine-session\\ntfs-d").c_str(), MAX_PATH, mount, nullptr);
  if (GetFileAttributesA("D:\\TREE") == INVALID_FILE_ATTRIBUTES) GTEST_SKIP() << "no NTFS drive D: (needs root and FUSE)";
  // Each line under its folder's path below TREE; the two views may order folders differently.
  const auto entries = [](const Lines& lines, const std::string& top) {
    std::vector<std::string> found;
    std::string folder;
    for (const auto& line : lines) {
      if (line.rfind(top, 0) == 0 && line.back() == '\\') {
        folder = line.substr(top.size());
      } else {
        found.push_back(folder + "|" + line);
      }
    }
    std::sort(found.begin(), found.end());
    return found;
  };
  const Lines raw = RunLister("D:\\TREE", "*.*", true);
  const Lines raw_views = SplitLines(testing::ReadWholeFile(work / "dll-views.txt"));
  const Lines queried = RunLister(std::string(mount) + "\\TREE", "*.*", true);
  ASSERT_GT(raw.size(), 300u);
  // The views file says whether the volume view was used, and if not, why (a
  // folder on the Linux side is on no NTFS volume).
  EXPECT_TRUE(Has(raw_views, "V\tused\t0\t0"));
  scan.MakeFile("A.DLL", "1");
  RunLister(scan.Path(), "*.*", false);
  const Lines other_views = SplitLines(testing::ReadWholeFile(work / "dll-views.txt"));
  const auto said = std::find_if(other_views.begin(), other_views.end(),
                                 [](const std::string& line) { return line.rfind("V\t", 0) == 0; });
  ASSERT_NE(said, other_views.end());
  EXPECT_TRUE(std::regex_match(*said, std::regex("V\tnot used\t(no raw access|not NTFS|locked|failed)"))) << *said;
  EXPECT_EQ(entries(raw, "D:\\TREE\\"), entries(queried, FolderHeadingLine(std::string(mount) + "\\TREE")));
  EXPECT_TRUE(Has(raw, "D:\\TREE\\A1\\"));
  EXPECT_TRUE(Has(raw, FileLine("LINK.DAT", 3)));

  // One folder without its subfolders is read through its own index, with the
  // same lines, each file seen by both views.
  const Lines one = RunLister("D:\\TREE\\A1", "*.*", false);
  const Lines one_views = SplitLines(testing::ReadWholeFile(work / "dll-views.txt"));
  const Lines one_queried = RunLister(std::string(mount) + "\\TREE\\A1", "*.*", false);
  ASSERT_GT(one.size(), 3u);
  EXPECT_EQ(entries(one, "D:\\TREE\\A1\\"), entries(one_queried, FolderHeadingLine(std::string(mount) + "\\TREE\\A1")));
  EXPECT_TRUE(Has(one_views, "V\tused\t0\t0"));
  EXPECT_TRUE(std::any_of(one_views.begin(), one_views.end(), [](const std::string& line) {
    return line.rfind("f\t", 0) == 0 && line.find("\tVQ\t") != std::string::npos;
  }));
}

}  // namespace
}  // namespace quarvel::win
