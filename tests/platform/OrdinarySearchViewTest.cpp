// The folder-at-a-time view must give exactly the results of one search per
// candidate: proven over listings of generated folders, read both ways.
#include <gtest/gtest.h>

#include <shlwapi.h>

#include <algorithm>
#include <string>
#include <vector>

#include "tests/support/TempFolder.h"
#include "core/LineSplitter.h"
#include "core/ListingFormat.h"
#include "core/ListingReader.h"
#include "platform/AnsiText.h"
#include "platform/CommonFunction.h"
#include "platform/LaunchAppSync.h"
#include "platform/OrdinarySearchView.h"
#include "platform/ResourceFile.h"
#include "platform/modVBFileDisk.h"

namespace quarvel::win {
namespace {

using Lines = std::vector<std::string>;
using testing::TempFolder;

constexpr DWORD kHidden = FILE_ATTRIBUTE_HIDDEN;
constexpr DWORD kSystem = FILE_ATTRIBUTE_SYSTEM;
constexpr DWORD kReadOnly = FILE_ATTRIBUTE_READONLY;

bool IsFolder(const std::string& text) { return IsFolderPath(text); }

ListingComparison ComparePerCandidate(const Lines& lines) {
  return CompareListingLines(lines, IsFolder, [](const std::string& path) { return FileExists(path) == kTrue; });
}

ListingComparison CompareWithView(const Lines& lines) {
  OrdinarySearchView view;
  return CompareListingLines(
      lines, [&view](const std::string& text) { return view.NamesFolder(text); },
      [&view](const std::string& path) { return view.Sees(path); });
}

void ExpectSameComparison(const Lines& lines) {
  const auto expected = ComparePerCandidate(lines);
  const auto actual = CompareWithView(lines);
  EXPECT_EQ(actual.list1, expected.list1);
  EXPECT_EQ(actual.list2, expected.list2);
  EXPECT_EQ(actual.size_summary, expected.size_summary);
}

class OrdinarySearchViewTest : public ::testing::Test {
 protected:
  // Every kind of entry the comparison meets, in one folder.
  void Populate(const TempFolder& folder, const std::string& sub) {
    const std::string p = sub.empty() ? "" : sub + "\\";
    if (!sub.empty()) folder.MakeFolder(sub);
    folder.MakeFile(p + "VISIBLE.DLL");
    folder.MakeFile(p + "HIDDEN.DLL", "x", kHidden);
    folder.MakeFile(p + "SYSTEM.DLL", "x", kSystem);
    folder.MakeFile(p + "BOTH.DLL", "x", kHidden | kSystem);
    folder.MakeFile(p + "READONLY.DLL", "x", kReadOnly);
    folder.MakeFile(p + "Long Visible Name.dll");
    folder.MakeFile(p + "Long Hidden Name.dll", "x", kHidden);
    folder.MakeFile(p + "ABCD");
    folder.MakeFile(p + "ABCDEFGH.DLL", "x", kHidden);
    folder.MakeFile(p + "AB");
    folder.MakeFile(p + "lower case.txt");
    folder.MakeFile(p + "NOEXT", "x", kSystem);
    folder.MakeFile(p + "a.b.c.dll");
    folder.MakeFolder(p + "FOLDER.DLL");
  }

  Lines RunLister(const std::string& folder) {
    const std::string previous = GetCurDir();
    SetCurrentDirectoryA(work.Path().c_str());
    LoadDataIntoFile(kListerResourceId, work / "locate.com");
    SetShowWindowState(2);
    RunAndWait(work / "locate.com" + " \"" + folder + "\\*.*\">dll.txt");
    SetCurrentDirectoryA(previous.c_str());
    Lines lines;
    LineSplitter splitter;
    const auto sink = [&lines](std::string_view line) { lines.emplace_back(line); };
    splitter.Feed(testing::ReadWholeFile(work / "dll.txt"), sink);
    splitter.Finish(sink);
    return lines;
  }

  TempFolder work;
  TempFolder scan;
};

TEST_F(OrdinarySearchViewTest, SameResultsAsOneSearchPerCandidateOverARealListing) {
  Populate(scan, "");
  Populate(scan, "SUB");
  Populate(scan, "Sub With Blanks");
  const Lines lines = RunLister(scan.Path());
  ASSERT_GT(lines.size(), 40u);
  const auto result = CompareWithView(lines);
  EXPECT_FALSE(result.list1.empty());
  EXPECT_FALSE(result.list2.empty());
  ExpectSameComparison(lines);
}

TEST_F(OrdinarySearchViewTest, SameResultsForLinesTheListerNeverWrites) {
  Populate(scan, "");
  const std::string heading = FolderHeadingLine(scan.Path());
  const Lines lines = {
      heading,
      "visible.dll  1",          // other case
      "VISIBLE.DLL.  1",         // trailing dot
      "VISIBLE.DLL...  1",
      "*.DLL  1",                // wildcard: any ordinary match
      "H*.DLL  1",               // matches only hidden files
      "V?SIBLE.DLL  1",
      "<.DLL  1",                // DOS wildcard
      "VISIBLE.DLL:stream  1",
      "SUB\\X.DLL  1",           // a separator in the name
      "FOLDER.DLL  1",           // a folder named like a file
      "lower case.txt  9",
      "LOWER CASE.TXT  9",
      "....  1",
      "ABCDEFGH.DLL  1",
      "ABCD  EFGH  1",
      "   READONLY.DLL   7  more columns",
      "no such file at all.dll  3",
      std::string("VISIBLE.DLL\0junk  1", 19),
      std::string(300, 'A') + "  1",
      heading.substr(0, heading.size() - 1),  // heading without its backslash
      "VISIBLE.DLL  1",
  };
  ExpectSameComparison(lines);
}

TEST_F(OrdinarySearchViewTest, BareNamesOfFoldersInTheCurrentFolderAreHeadings) {
  Populate(scan, "SUB");
  scan.MakeFolder("Folder With Blanks");
  scan.MakeFolder("HIDDIR");
  SetFileAttributesA((scan / "HIDDIR").c_str(), FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_DIRECTORY);
  const std::string previous = GetCurDir();
  SetCurrentDirectoryA(scan.Path().c_str());
  const std::string short_blanks = GetShortName("Folder With Blanks");
  ExpectSameComparison({"SUB", "sub.", "SUB  1", "Folder With Blanks", short_blanks, "HIDDIR",
                        "VISIBLE.DLL  1", "SUB\\VISIBLE.DLL  1", "S*", "..", ".", "SUB\\", "C:\\",
                        "NOSUCH  1", "SUB\\FOLDER.DLL"});
  OrdinarySearchView view;
  EXPECT_TRUE(view.NamesFolder("SUB"));
  EXPECT_TRUE(view.NamesFolder("hiddir"));
  EXPECT_FALSE(view.NamesFolder("SUB  1"));
  SetCurrentDirectoryA(previous.c_str());
}

// Headings past the "A" functions' 259 characters are still folders: the deep
// folder's files are never tested against the shallower folder listed before.
TEST_F(OrdinarySearchViewTest, FolderPastTheLongestAPathIsStillAHeading) {
  // Names that fit 8.3 have no short form, so the headings keep their length:
  // the shallow folder's file path is 259 characters, the deepest heading 261.
  std::string shallow = scan.Path();
  while (shallow.size() < 251) {
    const std::size_t remaining = 251 - shallow.size();
    std::size_t take = std::min<std::size_t>(9, remaining);
    if (remaining - take == 1) --take;  // never leave room for a bare backslash
    shallow += "\\" + std::string(take - 1, 'Q');
    CreateDirectoryA(shallow.c_str(), nullptr);
  }
  ASSERT_EQ(shallow.size(), 251u);
  testing::TempFolder::MakeFileAt(shallow + "\\HID.DLL", "1", FILE_ATTRIBUTE_NORMAL);
  const std::string deep = shallow + "\\DEEPFOLD";
  const std::wstring wide_deep = L"\\\\?\\" + std::wstring(deep.begin(), deep.end());
  ASSERT_TRUE(CreateDirectoryW(wide_deep.c_str(), nullptr));
  const std::wstring hidden = wide_deep + L"\\HID.DLL";
  CloseHandle(CreateFileW(hidden.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_HIDDEN, nullptr));

  const Lines lines = RunLister(scan.Path());
  const std::string deep_heading = FolderHeadingLine(deep);
  ASSERT_NE(std::find(lines.begin(), lines.end(), deep_heading), lines.end());
  const auto result = CompareWithView(lines);
  EXPECT_NE(std::find(result.list2.begin(), result.list2.end(), deep_heading), result.list2.end());
  EXPECT_NE(std::find(result.list1.begin(), result.list1.end(), deep_heading + FileLine("HID.DLL", 0)),
            result.list1.end());
  EXPECT_EQ(std::count(result.list2.begin(), result.list2.end(), FolderHeadingLine(shallow) + "HID.DLL"), 1);
  SetFileAttributesW(hidden.c_str(), FILE_ATTRIBUTE_NORMAL);
  DeleteFileW(hidden.c_str());
  RemoveDirectoryW(wide_deep.c_str());
}

// A name the ANSI code page cannot spell, without a short name: "??.TXT" would
// have matched the visible AB.TXT as a wildcard. It is listed with a note the
// search never matches, so it is reported as not seen; a folder of such a name
// gets no heading, and its files carry its noted name in front.
TEST_F(OrdinarySearchViewTest, NamesTheCodePageCannotSpellAreNotSeenAndReadable) {
  scan.MakeFile("AB.TXT", "1");
  const std::wstring root(scan.Path().begin(), scan.Path().end());
  CloseHandle(CreateFileW((root + L"\\\u0391\u0392.TXT").c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                          FILE_ATTRIBUTE_NORMAL, nullptr));
  ASSERT_TRUE(CreateDirectoryW((root + L"\\\u0393\u0394").c_str(), nullptr));
  HANDLE inner = CreateFileW((root + L"\\\u0393\u0394\\IN.TXT").c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                             FILE_ATTRIBUTE_NORMAL, nullptr);
  DWORD written = 0;
  WriteFile(inner, "12", 2, &written, nullptr);
  CloseHandle(inner);
  WIN32_FIND_DATAW entry;
  HANDLE probe = FindFirstFileW((root + L"\\\u0391\u0392.TXT").c_str(), &entry);
  ASSERT_NE(probe, INVALID_HANDLE_VALUE);
  FindClose(probe);
  const Lines lines = RunLister(scan.Path());
  const std::string h = FolderHeadingLine(scan.Path());
  const auto result = CompareWithView(lines);
  ExpectSameComparison(lines);
  if (entry.cAlternateFileName[0] != L'\0') {
    // Wine gives every such name a short form: it is listed, and found, by it.
    char short_name[16] = {};
    WideCharToMultiByte(CP_ACP, 0, entry.cAlternateFileName, -1, short_name, sizeof(short_name), nullptr, nullptr);
    EXPECT_NE(std::find(result.list2.begin(), result.list2.end(), h + short_name), result.list2.end());
    EXPECT_TRUE(result.list1.empty());
    for (const auto& line : lines) EXPECT_EQ(line.find('?'), std::string::npos) << line;
    return;
  }
  EXPECT_EQ(result.list2, (Lines{h, h + "AB.TXT"}));
  EXPECT_EQ(result.list1, (Lines{h + FileLine("NOT-ANSI:U+0391U+0392.TXT", 0),
                                 h + FileLine("NOT-ANSI:U+0393U+0394\\IN.TXT", 2)}));
}

// Names the ordinary search cannot reach although the folder holds them: device
// names (a search for "...\\nul" asks the device) and folders whose names end in
// a dot or a blank (the "A" functions drop the dot). Their files are not seen,
// and the folder tracking stays with the folder the lister named.
TEST_F(OrdinarySearchViewTest, DeviceNamesAndFoldersEndingInADotOrABlankAreNotSeen) {
  const std::wstring root = L"\\\\?\\" + WideFromAnsi(scan.Path());
  const auto make = [](const std::wstring& path, DWORD attributes = FILE_ATTRIBUTE_NORMAL) {
    CloseHandle(CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, attributes, nullptr));
  };
  for (const wchar_t* name : {L"nul", L"con.txt", L"LPT1.DLL", L"AUX.sys", L"COM1", L"Prn.xy"}) make(root + L"\\" + name);
  make(root + L"\\SEEN.DLL");
  scan.MakeFolder("SUB");
  scan.MakeFile("SUB\\INSIDE.DLL");
  for (const wchar_t* folder : {L"\\SUB.", L"\\TRAIL "}) {
    ASSERT_TRUE(CreateDirectoryW((root + folder).c_str(), nullptr));
    make(root + folder + L"\\INSIDE.DLL");
    make(root + folder + L"\\ONLYHERE.DLL");
  }
  const Lines lines = RunLister(scan.Path());
  const std::string h = FolderHeadingLine(scan.Path());
  for (const char* device : {"nul", "con.txt", "LPT1.DLL", "AUX.sys", "COM1", "Prn.xy"}) {
    ASSERT_NE(std::find(lines.begin(), lines.end(), FileLine(device, 0)), lines.end()) << device;
  }
  const auto result = CompareWithView(lines);
  ExpectSameComparison(lines);
  for (const char* device : {"nul", "con.txt", "LPT1.DLL", "AUX.sys", "COM1", "Prn.xy"}) {
    EXPECT_NE(std::find(result.list1.begin(), result.list1.end(), h + FileLine(device, 0)), result.list1.end())
        << device;
  }
  EXPECT_NE(std::find(result.list2.begin(), result.list2.end(), h + "SEEN.DLL"), result.list2.end());
  // Wine names such folders by short forms where it has them; a heading that
  // keeps the dot or blank is still the heading of that folder.
  for (const std::string& heading : {h + "SUB.\\", h + "TRAIL \\"}) {
    if (std::find(lines.begin(), lines.end(), heading) == lines.end()) continue;
    EXPECT_NE(std::find(result.list2.begin(), result.list2.end(), heading), result.list2.end()) << heading;
    EXPECT_NE(std::find(result.list1.begin(), result.list1.end(), heading + FileLine("ONLYHERE.DLL", 0)),
              result.list1.end())
        << heading;
  }
  EXPECT_TRUE(IsFolderPath(h + "SUB.\\"));
  EXPECT_TRUE(IsFolderPath(h + "TRAIL \\"));
  ExpectSameComparison({h + "SUB.\\", FileLine("INSIDE.DLL", 0), FileLine("ONLYHERE.DLL", 0), h + "TRAIL \\",
                        FileLine("INSIDE.DLL", 0)});
}

TEST_F(OrdinarySearchViewTest, ShortNamesWineInventedFindTheirFiles) {
  const std::string long_path = scan.MakeFile("A Long Visible Name.dll");
  const std::string short_path = GetShortName(long_path);
  const std::string short_leaf = short_path.substr(short_path.rfind('\\') + 1);
  OrdinarySearchView view;
  EXPECT_TRUE(view.Sees(scan / short_leaf));
  CharLowerBuffA(const_cast<char*>(short_leaf.data()), static_cast<DWORD>(short_leaf.size()));
  EXPECT_TRUE(view.Sees(scan / short_leaf));
  ExpectSameComparison({FolderHeadingLine(scan.Path()), FileLine(short_leaf, 1)});
}

TEST_F(OrdinarySearchViewTest, FolderIsReadAgainWhenTheListingMovesOn) {
  scan.MakeFolder("ONE");
  scan.MakeFolder("TWO");
  scan.MakeFile("ONE\\ONLY1.DLL");
  scan.MakeFile("TWO\\ONLY2.DLL");
  OrdinarySearchView view;
  EXPECT_TRUE(view.Sees(scan / "ONE\\ONLY1.DLL"));
  EXPECT_FALSE(view.Sees(scan / "ONE\\ONLY2.DLL"));
  EXPECT_TRUE(view.Sees(scan / "TWO\\ONLY2.DLL"));
  EXPECT_TRUE(view.Sees(scan / "ONE\\ONLY1.DLL"));
}

}  // namespace
}  // namespace quarvel::win
