#include "core/ListingReader.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <set>
#include <string>
#include <vector>

#include "core/ListingFormat.h"

namespace quarvel {
namespace {

using Lines = std::vector<std::string>;

// A folder tree as the ordinary search would see it.
class ListingReaderTest : public ::testing::Test {
 protected:
  ListingComparison Compare(const Lines& lines) {
    return CompareListingLines(
        lines, [this](const std::string& text) { return folders.count(text) > 0; },
        [this](const std::string& path) {
          searched.push_back(path);
          return visible.count(path) > 0;
        });
  }

  std::set<std::string> folders{R"(C:\W\)", R"(C:\W\SUB\)", R"(C:\W)"};
  std::set<std::string> visible;
  std::vector<std::string> searched;
};

TEST_F(ListingReaderTest, SortsSeenAndUnseenFilesUnderTheirFolder) {
  visible = {R"(C:\W\KERNEL32.DLL)", R"(C:\W\SUB\A.DLL)"};
  const auto result = Compare({R"(C:\W\)", FileLine("KERNEL32.DLL", 1234), FileLine("HIDDEN.DLL", 7),
                               SubfolderLine("SUB"), R"(C:\W\SUB\)", FileLine("A.DLL", 1),
                               FileLine("B.DLL", 22)});
  EXPECT_EQ(result.list2, (Lines{R"(C:\W\)", R"(C:\W\KERNEL32.DLL)", R"(C:\W\SUB\)", R"(C:\W\SUB\A.DLL)"}));
  EXPECT_EQ(result.list1, (Lines{R"(C:\W\HIDDEN.DLL    7)", R"(C:\W\SUB\B.DLL         22)"}));
}

TEST_F(ListingReaderTest, LineKindsAreTestedInOrderAndTheFirstMatchDecides) {
  ListingReader reader([](const std::string&) { return true; }, [](const std::string&) { return true; });
  EXPECT_EQ(reader.ReadLine("X  <Dir> found: Total of file sizes:").kind, ListingLineKind::kSubfolder);
  EXPECT_EQ(reader.ReadLine(" found: Total of file sizes:").kind, ListingLineKind::kCountSummary);
  EXPECT_EQ(reader.ReadLine("Total of file sizes: 5").kind, ListingLineKind::kSizeSummary);
  EXPECT_EQ(reader.ReadLine(R"(C:\W\)").kind, ListingLineKind::kFolderHeading);
  // The marks are exact-case.
  EXPECT_EQ(reader.ReadLine("X  <DIR>").kind, ListingLineKind::kFolderHeading);
}

TEST_F(ListingReaderTest, SubfolderEntriesAreSkipped) {
  const auto result = Compare({R"(C:\W\)", SubfolderLine("SUB")});
  EXPECT_EQ(result.list2, (Lines{R"(C:\W\)"}));
  EXPECT_TRUE(result.list1.empty());
}

TEST_F(ListingReaderTest, SizeSummaryFollowsTheLastCountSummary) {
  auto result = Compare({CountSummaryLine(3, 1), SizeSummaryLine(99)});
  EXPECT_EQ(result.size_summary, "3 file(s) found: 1 folder(s) listed\r\nTotal of file sizes: 99 bytes");
  // A second count summary replaces both lines.
  result = Compare({"  1 found: a", "  Total of file sizes: 9", "  2 found: b"});
  EXPECT_EQ(result.size_summary, "2 found: b");
}

TEST_F(ListingReaderTest, FolderHeadingIsKeptExactlyAsRead) {
  const auto result = Compare({"   C:\\W   ", "ABCDE.DLL  12"});
  EXPECT_EQ(result.list2, (Lines{"   C:\\W   "}));
  EXPECT_EQ(result.list1, (Lines{"   C:\\W   ABCDE.DLL  12"}));
}

TEST_F(ListingReaderTest, FileLinesBeforeAnyHeadingCarryNoFolder) {
  visible = {"SEEN.TXT"};
  const auto result = Compare({"SEEN.TXT  4", "  NOTSEEN.TXT  4"});
  EXPECT_EQ(result.list2, (Lines{"SEEN.TXT"}));
  EXPECT_EQ(result.list1, (Lines{"NOTSEEN.TXT  4"}));
}

TEST_F(ListingReaderTest, ShortNameIsTestedOnlyWithFourCharactersOfCandidate) {
  visible = {R"(C:\W\AB)"};
  // AB, one blank, 12: the first candidate "AB " has three characters.
  auto result = Compare({R"(C:\W\)", "AB 12"});
  EXPECT_EQ(result.list1, (Lines{R"(C:\W\AB 12)"}));
  EXPECT_TRUE(searched.empty());
  // AB, two blanks, 12: "AB  " has four, so AB is searched and found.
  result = Compare({R"(C:\W\)", "AB  12"});
  EXPECT_EQ(result.list2, (Lines{R"(C:\W\)", R"(C:\W\AB)"}));
  EXPECT_TRUE(result.list1.empty());
}

TEST_F(ListingReaderTest, LinesOfTwoToFiveCharactersGoToList1Untested) {
  visible = {R"(C:\W\AB)", R"(C:\W\ABC)"};
  const auto result = Compare({R"(C:\W\)", "AB", "AB 1", "ABC 1", "  AB"});
  EXPECT_EQ(result.list1, (Lines{R"(C:\W\AB)", R"(C:\W\AB 1)", R"(C:\W\ABC 1)", R"(C:\W\AB)"}));
  EXPECT_TRUE(searched.empty());
}

TEST_F(ListingReaderTest, LinesOfNoneOrOneCharacterGoNowhere) {
  const auto result = Compare({R"(C:\W\)", "", "X", " "});
  EXPECT_EQ(result.list2, (Lines{R"(C:\W\)"}));
  EXPECT_TRUE(result.list1.empty());
}

TEST_F(ListingReaderTest, VisiblePrefixNameDoesNotHideAHiddenFile) {
  visible = {R"(C:\W\ABCD)"};
  const auto result = Compare({R"(C:\W\)", FileLine("ABCDEFGH.DLL", 4096)});
  EXPECT_EQ(result.list1, (Lines{R"(C:\W\ABCDEFGH.DLL  4096)"}));
  EXPECT_EQ(result.list2, (Lines{R"(C:\W\)"}));
}

TEST_F(ListingReaderTest, NameIsSearchedOnlyWhereItCanEndAndNeverTwice) {
  visible = {R"(C:\W\ABCDEFGH.DLL)"};
  const auto result = Compare({R"(C:\W\)", FileLine("ABCDEFGH.DLL", 4096)});
  EXPECT_EQ(result.list2.back(), R"(C:\W\ABCDEFGH.DLL)");
  EXPECT_EQ(searched, (Lines{R"(C:\W\ABCDEFGH.DLL)"}));

  // The size column fixes where the name ends: a visible "PROGRAM" does not
  // make the hidden "PROGRAM FILES.DLL" seen. A line without that column keeps
  // every place a name can end.
  searched.clear();
  visible = {R"(C:\W\PROGRAM)"};
  const auto column = Compare({R"(C:\W\)", "PROGRAM FILES.DLL  77"});
  EXPECT_EQ(searched, (Lines{R"(C:\W\PROGRAM FILES.DLL)"}));
  EXPECT_EQ(column.list1, (Lines{R"(C:\W\PROGRAM FILES.DLL  77)"}));
  searched.clear();
  Compare({R"(C:\W\)", "NAME WITH BLANKS.DLL  77 x"});
  EXPECT_EQ(searched, (Lines{R"(C:\W\NAME WITH BLANKS.DLL  77)", R"(C:\W\NAME WITH BLANKS.DLL)",
                             R"(C:\W\NAME WITH)", R"(C:\W\NAME)"}));
}

TEST_F(ListingReaderTest, LongNameWithBlanksIsFoundWhole) {
  visible = {R"(C:\W\My Visible File.dll)"};
  const auto result = Compare({R"(C:\W\)", FileLine("My Visible File.dll", 5)});
  EXPECT_EQ(result.list2.back(), R"(C:\W\My Visible File.dll)");
}

TEST_F(ListingReaderTest, HiddenAndSystemFilesLandInList1WithTheirColumns) {
  const auto result = Compare({R"(C:\W\)", FileLine("HIDDEN.SYS", 100), "  SYSTEM.DLL      5  extra"});
  EXPECT_EQ(result.list1, (Lines{R"(C:\W\HIDDEN.SYS    100)", R"(C:\W\SYSTEM.DLL      5  extra)"}));
}

TEST_F(ListingReaderTest, StrayTextAroundEntriesLosesNothing) {
  visible = {R"(C:\W\A.DLL)"};
  const std::string very_long(100000, 'z');
  const auto result = Compare({R"(C:\W\)", "Volume in drive C has no label", FileLine("A.DLL", 1),
                               very_long, FileLine("B.DLL", 2)});
  EXPECT_EQ(result.list2, (Lines{R"(C:\W\)", R"(C:\W\A.DLL)"}));
  ASSERT_EQ(result.list1.size(), 3u);
  EXPECT_EQ(result.list1[0], R"(C:\W\Volume in drive C has no label)");
  EXPECT_EQ(result.list1[1], R"(C:\W\)" + very_long);
  EXPECT_EQ(result.list1[2], R"(C:\W\)" + FileLine("B.DLL", 2));
}

TEST_F(ListingReaderTest, PathsTooLongForTheSearchAreNeverAsked) {
  ListingReader reader([](const std::string& t) { return t == R"(C:\W\)" || t == R"(C:\W)"; },
                       [this](const std::string& path) {
                         searched.push_back(path);
                         return true;
                       },
                       20);
  reader.ReadLine(R"(C:\W\)");
  const auto result = reader.ReadLine(std::string(40, 'a') + "  " + std::string(100000, 'b'));
  EXPECT_TRUE(searched.empty());
  EXPECT_TRUE(result.list1_item.has_value());
  // A short name on the same reader is still searched.
  EXPECT_TRUE(reader.ReadLine(FileLine("A.DLL", 1)).list2_item.has_value());

  // The limit counts what the given measure counts (UTF-16 units in the window,
  // where a double-byte code page spells one character in two bytes).
  ListingReader by_pairs([](const std::string& t) { return t == R"(C:\W\)"; },
                         [this](const std::string& path) {
                           searched.push_back(path);
                           return true;
                         },
                         20, [](std::string_view path) { return (path.size() + 1) / 2; });
  by_pairs.ReadLine(R"(C:\W\)");
  EXPECT_TRUE(by_pairs.ReadLine(FileLine(std::string(30, 'c'), 1)).list2_item.has_value());
}

TEST_F(ListingReaderTest, ManyBlanksInOneLineCostOneSearchPerName) {
  std::string line;
  for (int i = 0; i < 2000; ++i) line += "w ";
  ListingReader reader([](const std::string&) { return false; },
                       [this](const std::string& path) {
                         searched.push_back(path);
                         return false;
                       },
                       259);
  reader.ReadLine(line);
  // Only candidates short enough for the search, each once.
  EXPECT_LE(searched.size(), 130u);
  EXPECT_EQ(std::set<std::string>(searched.begin(), searched.end()).size(), searched.size());
}

}  // namespace
}  // namespace quarvel

#include <fstream>

#include "core/LineSplitter.h"

namespace quarvel {
namespace {

// Peak resident memory of this process, in kB (Linux).
long PeakMemoryKb() {
  std::ifstream status("/proc/self/status");
  std::string field;
  long value = 0;
  while (status >> field) {
    if (field == "VmHWM:") {
      status >> value;
      return value;
    }
  }
  return 0;
}

TEST(ListingStream, AMillionLinesAreReadWithFlatMemory) {
  ListingReader reader([](const std::string& t) { return !t.empty() && t.back() == '\\'; },
                       [](const std::string& path) { return path.back() == '5'; }, 259);
  LineSplitter splitter;
  std::size_t list1 = 0, list2 = 0;
  const auto read = [&](std::string_view line) {
    const auto result = reader.ReadLine(line);
    list1 += result.list1_item.has_value();
    list2 += result.list2_item.has_value();
  };
  const long before = PeakMemoryKb();
  std::string chunk;
  for (int i = 0; i < 1'000'000; ++i) {
    if (i % 1000 == 0) chunk += "C:\\DIR" + std::to_string(i / 1000) + "\\\r\n";
    chunk += FileLine("F" + std::to_string(i) + ".DLL", 1) + "\r\n";
    chunk += SizeSummaryLine(7) + "\n";  // hostile: a summary after every line
    if (chunk.size() > 64 * 1024) {
      splitter.Feed(chunk, read);
      chunk.clear();
    }
  }
  splitter.Feed(chunk, read);
  splitter.Finish(read);
  EXPECT_EQ(list1 + list2, 1'000'000u + 1000u);
  EXPECT_LT(reader.SizeSummary().size(), 1024u);
  EXPECT_LT(PeakMemoryKb() - before, 16 * 1024);  // nothing kept per line
}

TEST(ListingStream, SummaryKeepsTheCountAndAtMostFifteenSizeLines) {
  ListingReader reader([](const std::string&) { return false; }, [](const std::string&) { return false; });
  reader.ReadLine(CountSummaryLine(1, 1));
  for (int i = 0; i < 40; ++i) reader.ReadLine(SizeSummaryLine(i));
  const std::string summary = reader.SizeSummary();
  EXPECT_EQ(std::count(summary.begin(), summary.end(), '\n'), 15);
  EXPECT_EQ(summary.rfind("1 file(s) found:", 0), 0u);
}

}  // namespace
}  // namespace quarvel
