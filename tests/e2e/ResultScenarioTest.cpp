// End-to-end scenarios for working with the results: details, the viewer, the
// context menu and its commands, the rescan, the log and the folder button.
#include <gtest/gtest.h>

#include <shlobj.h>

#include <memory>
#include <string>
#include <vector>

#include "tests/support/TempFolder.h"
#include "tests/support/UiDriver.h"
#include "app/CommandList.h"
#include "core/ListingFormat.h"
#include "core/ReportText.h"
#include "core/Text.h"
#include "platform/CommonFunction.h"
#include "platform/modAPIFilesAndPaths.h"

namespace quarvel::testing {
namespace {

using namespace app;
using Items = std::vector<std::string>;

std::string QuarvelExe() { return NextToThisProgram("..\\bin\\quarvel.exe"); }

// A finished scan of a folder with seen and unseen files, ready to work with.
class ResultScenario : public ::testing::Test {
 protected:
  void SetUp() override {
    scan.MakeFile("SEEN.DLL", "12345");
    scan.MakeFile("RDONLY.DLL", "1234", FILE_ATTRIBUTE_READONLY);
    scan.MakeFile("HIDDEN.DLL", "1", FILE_ATTRIBUTE_HIDDEN);
    scan.MakeFile("ZSYSTEM.DLL", "22", FILE_ATTRIBUTE_SYSTEM | FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_READONLY);
    app = std::make_unique<AppSession>(QuarvelExe(), work.Path());
    app->Type(kPathTxt, scan.Path());
    app->Click(kCmdLocate);
    ASSERT_TRUE(WaitUntil([&] { return app->Enabled(kCmdScan); }));
    app->Click(kCmdScan);
    ASSERT_TRUE(WaitUntil([&] { return app->Text(kLblInfo) == "Completed"; }));
    heading = FolderHeadingLine(scan.Path());
  }

  int IndexOf(int list, const std::string& item) {
    const Items items = app->ListItems(list);
    for (std::size_t i = 0; i < items.size(); ++i) {
      if (items[i] == item) return static_cast<int>(i);
    }
    return -1;
  }

  void Select(int list, const std::string& item) {
    const int index = IndexOf(list, item);
    ASSERT_GE(index, 0) << item;
    app->ClickListItem(list, index);
  }

  TempFolder work;
  TempFolder scan;
  std::unique_ptr<AppSession> app;
  std::string heading;
};

TEST_F(ResultScenario, ClickOnASeenFileShowsItsDetailsAndCopyPutsThemOnTheClipboard) {
  Select(kList2, heading + "RDONLY.DLL");
  const std::string long_name = win::GetLongFileName(scan / "RDONLY.DLL");
  ASSERT_TRUE(WaitUntil([&] { return app->Text(kLblInfo) == long_name; }));
  app->Command(kMnuCopy);
  const std::string details = DetailsText(long_name, "", 4, "Read Only");
  EXPECT_TRUE(WaitUntil([&] { return ClipboardText() == details; })) << ClipboardText();
}

TEST_F(ResultScenario, FolderHeadingIsExaminedWithoutItsBackslash) {
  Select(kList2, heading);
  const std::string long_name = win::GetLongFileName(scan.Path());
  ASSERT_TRUE(WaitUntil([&] { return app->Text(kLblInfo) == long_name; }));
  app->Command(kMnuCopy);
  EXPECT_TRUE(WaitUntil([&] { return ClipboardText().rfind(long_name + "\r\nFile Version : \r\n", 0) == 0; }));
}

TEST_F(ResultScenario, MouseDownOnList1TakesItsEntryForCopy) {
  const std::string entry = heading + FileLine("HIDDEN.DLL", 1);
  Select(kList1, entry);
  app->Command(kMnuCopy);
  EXPECT_TRUE(WaitUntil([&] { return ClipboardText() == entry; })) << ClipboardText();
}

// Each position of the popup is told by what choosing it does: List1's menu
// holds Copy, Extract Path to Clipboard and Rescan; List2's Copy, Go to
// Directory and Open Windows Find.
TEST_F(ResultScenario, RightClickOnList1OffersCopyExtractPathAndRescan) {
  const std::string entry = heading + FileLine("HIDDEN.DLL", 1);
  const int index = IndexOf(kList1, entry);
  Select(kList1, entry);
  app->ClickListItem(kList1, index, WM_RBUTTONDOWN);
  ASSERT_TRUE(app->ChoosePopupItem(0));
  EXPECT_TRUE(WaitUntil([&] { return ClipboardText() == entry; })) << ClipboardText();

  app->ClickListItem(kList1, index, WM_RBUTTONDOWN);
  ASSERT_TRUE(app->ChoosePopupItem(1));
  const std::string long_path = win::GetLongFileName(scan / "HIDDEN.DLL");
  EXPECT_TRUE(WaitUntil([&] { return ClipboardText() == long_path; })) << ClipboardText();

  app->ClickListItem(kList1, index, WM_RBUTTONDOWN);
  ASSERT_TRUE(app->ChoosePopupItem(2));
  const auto box = WaitForMessageBox(kAppTitle);
  ASSERT_TRUE(box.has_value());
  EXPECT_EQ(box->text, "1 files with a filesize of 1 bytes were found ");
  PressButton(*box, IDOK);
}

TEST_F(ResultScenario, RightClickOnList2OffersCopyGoToDirectoryAndFind) {
  Select(kList2, heading + "SEEN.DLL");
  const int index = IndexOf(kList2, heading + "SEEN.DLL");
  ASSERT_TRUE(WaitUntil([&] { return app->Text(kLblInfo) == win::GetLongFileName(scan / "SEEN.DLL"); }));
  app->ClickListItem(kList2, index, WM_RBUTTONDOWN);
  ASSERT_TRUE(app->ChoosePopupItem(2));
  EXPECT_TRUE(WaitUntil([&] { return ClipboardText() == "SEEN.DLL"; })) << ClipboardText();
  // A right-click after the left one keeps the details for "Copy".
  app->ClickListItem(kList2, index, WM_RBUTTONDOWN);
  ASSERT_TRUE(app->ChoosePopupItem(0));
  EXPECT_TRUE(WaitUntil([&] { return ClipboardText().rfind(win::GetLongFileName(scan / "SEEN.DLL") + "\r\n", 0) == 0; }))
      << ClipboardText();
}

TEST_F(ResultScenario, ExtractPathPutsTheLongPathOfAHiddenFileOnTheClipboard) {
  Select(kList1, heading + FileLine("HIDDEN.DLL", 1));
  app->Command(kMnuExPath);
  const std::string long_path = win::GetLongFileName(scan / "HIDDEN.DLL");
  EXPECT_TRUE(WaitUntil([&] { return ClipboardText() == long_path; })) << ClipboardText();
  EXPECT_EQ(app->Text(kLblInfo), long_path);
}

TEST_F(ResultScenario, OpenWindowsFindPutsTheLongFileNameOnTheClipboard) {
  Select(kList2, heading + "SEEN.DLL");
  app->Command(kMnuFind);
  EXPECT_TRUE(WaitUntil([&] { return ClipboardText() == "SEEN.DLL"; })) << ClipboardText();
}

TEST_F(ResultScenario, DoubleClickShowsTheEntryInTheViewer) {
  const std::string entry = heading + FileLine("HIDDEN.DLL", 1);
  app->DoubleClickListItem(kList1, IndexOf(kList1, entry));
  HWND viewer = nullptr;
  ASSERT_TRUE(WaitUntil([&] { return (viewer = FindWindowA(nullptr, "Edit")) != nullptr && IsWindowVisible(viewer); }));
  HWND text1 = GetDlgItem(viewer, 1);
  char text[512] = {};
  EXPECT_TRUE(WaitUntil([&] {
    SendMessageA(text1, WM_GETTEXT, sizeof(text), reinterpret_cast<LPARAM>(text));
    return std::string(text) == entry;
  }));
  RECT client;
  GetClientRect(viewer, &client);
  EXPECT_EQ(client.right, 628);
  EXPECT_EQ(client.bottom, 20);
  // Closed and shown again, it starts from its design-time text.
  SendMessageA(viewer, WM_CLOSE, 0, 0);
  ASSERT_TRUE(WaitUntil([&] { return FindWindowA(nullptr, "Edit") == nullptr; }));
  SendMessageA(app->Control(kList1), LB_SETCURSEL, static_cast<WPARAM>(-1), 0);
  PostMessageW(app->Main(), WM_COMMAND, MAKEWPARAM(kList1, LBN_DBLCLK), reinterpret_cast<LPARAM>(app->Control(kList1)));
  ASSERT_TRUE(WaitUntil([&] { return (viewer = FindWindowA(nullptr, "Edit")) != nullptr; }));
  EXPECT_TRUE(WaitUntil([&] {
    SendMessageA(GetDlgItem(viewer, 1), WM_GETTEXT, sizeof(text), reinterpret_cast<LPARAM>(text));
    return std::string(text) == "Text1";
  }));
}

// The selection moves to another entry before the rescan ends: the entry it
// looked for is the one removed.
TEST_F(ResultScenario, RescanFindsAHiddenFileOnceAndRemovesItsOwnEntry) {
  const std::string entry = heading + FileLine("HIDDEN.DLL", 1);
  const std::string other = heading + FileLine("ZSYSTEM.DLL", 2);
  Select(kList1, entry);
  app->Command(kMnuRescan);
  const auto box = WaitForMessageBox(kAppTitle);
  ASSERT_TRUE(box.has_value());
  EXPECT_EQ(box->text, "1 files with a filesize of 1 bytes were found ");
  SendMessageA(app->Control(kList1), LB_SETCURSEL, static_cast<WPARAM>(IndexOf(kList1, other)), 0);
  PressButton(*box, IDOK);
  EXPECT_TRUE(WaitUntil([&] { return IndexOf(kList1, entry) < 0; }));
  EXPECT_GE(IndexOf(kList1, other), 0);
  EXPECT_EQ(app->Text(kLblInfo), "1 file(s) from using Rescan were found and Removed from the List");
}

TEST_F(ResultScenario, RescanCountsEveryCopyInSubfolders) {
  scan.MakeFolder("SUB");
  scan.MakeFile("SUB\\HIDDEN.DLL", "1234");
  const std::string entry = heading + FileLine("HIDDEN.DLL", 1);
  Select(kList1, entry);
  app->Command(kMnuRescan);
  const auto box = WaitForMessageBox(kAppTitle);
  ASSERT_TRUE(box.has_value());
  EXPECT_EQ(box->text, "2 files with a filesize of 5 bytes were found ");
  PressButton(*box, IDOK);
  EXPECT_TRUE(WaitUntil([&] { return IndexOf(kList1, entry) < 0; }));
}

TEST_F(ResultScenario, RescanThatFindsNothingLeavesTheListAsItWas) {
  const Items before = app->ListItems(kList1);
  const std::string entry = heading + FileLine("HIDDEN.DLL", 1);
  SetFileAttributesA((scan / "HIDDEN.DLL").c_str(), FILE_ATTRIBUTE_NORMAL);
  DeleteFileA((scan / "HIDDEN.DLL").c_str());
  Select(kList1, entry);
  app->Command(kMnuRescan);
  const auto box = WaitForMessageBox(kAppTitle);
  ASSERT_TRUE(box.has_value());
  EXPECT_EQ(box->text, "0 files with a filesize of 0 bytes were found ");
  PressButton(*box, IDOK);
  EXPECT_TRUE(WaitUntil([&] { return app->Text(kLblInfo) == "0 file(s) from using Rescan were found and Removed from the List"; }));
  EXPECT_EQ(app->ListItems(kList1), before);
}

TEST_F(ResultScenario, RescanWithoutAnEntryReportsNothingFoundAtOnce) {
  SendMessageA(app->Control(kList1), LB_SETCURSEL, static_cast<WPARAM>(-1), 0);
  app->Command(kMnuRescan);
  const auto box = WaitForMessageBox(kAppTitle, 10s);
  ASSERT_TRUE(box.has_value());
  EXPECT_EQ(box->text, "0 files with a filesize of 0 bytes were found ");
  PressButton(*box, IDOK);
}

TEST_F(ResultScenario, ExtractPathOfAVanishedFileLeavesAnEmptyClipboardText) {
  const std::string entry = heading + FileLine("HIDDEN.DLL", 1);
  SetFileAttributesA((scan / "HIDDEN.DLL").c_str(), FILE_ATTRIBUTE_NORMAL);
  DeleteFileA((scan / "HIDDEN.DLL").c_str());
  Select(kList1, entry);
  app->Command(kMnuCopy);  // puts the entry on the clipboard first
  ASSERT_TRUE(WaitUntil([&] { return ClipboardText() == entry; }));
  app->Command(kMnuExPath);
  EXPECT_TRUE(WaitUntil([&] { return ClipboardText().empty(); })) << ClipboardText();
  EXPECT_EQ(app->Text(kLblInfo), "");
}

TEST_F(ResultScenario, List2ClickWithoutASelectionEmptiesWhatCopyCopies) {
  Select(kList2, heading + "SEEN.DLL");
  ASSERT_TRUE(WaitUntil([&] { return !app->Text(kLblInfo).empty() && app->Text(kLblInfo) != "Completed"; }));
  HWND list2 = app->Control(kList2);
  SendMessageA(list2, LB_SETCURSEL, static_cast<WPARAM>(-1), 0);
  PostMessageW(app->Main(), WM_COMMAND, MAKEWPARAM(kList2, LBN_SELCHANGE), reinterpret_cast<LPARAM>(list2));
  app->Command(kMnuCopy);
  EXPECT_TRUE(WaitUntil([&] { return ClipboardText().empty(); })) << ClipboardText();
}

// Where a volume keeps no 8.3 names, the lister writes long names and folder
// headings with blanks. Wine always makes short names for its own query, so
// the volume here is the NTFS image of drive D:, which ntfs-3g writes without
// 8.3 names and the lister reads raw.
TEST(BlankNames, EveryResultCommandTakesTheWholeNameBeforeTheSizeColumn) {
  if (GetFileAttributesA("D:\\BLANKS") == INVALID_FILE_ATTRIBUTES) GTEST_SKIP() << "no NTFS drive D: (needs root and FUSE)";
  TempFolder work;
  const std::string scan = "D:\\BLANKS";
  const auto at = [&](const std::string& name) { return scan + "\\" + name; };
  AppSession app(QuarvelExe(), work.Path());
  app.Type(kPathTxt, scan);
  app.Type(kComboExt, "*");
  app.Click(kChkSubDir);
  ASSERT_TRUE(WaitUntil([&] { return app.Checked(kChkSubDir); }));
  app.Click(kCmdLocate);
  ASSERT_TRUE(WaitUntil([&] { return app.Enabled(kCmdScan); }));
  const std::string h = FolderHeadingLine(scan);
  const std::string hm = FolderHeadingLine(at("My Folder"));
  app.Click(kCmdScan);
  ASSERT_TRUE(WaitUntil([&] { return app.Text(kLblInfo) == "Completed"; }));
  const std::string hidden = hm + FileLine("My Hidden File.dll", 5);
  EXPECT_EQ(app.ListItems(kList1), (Items{h + FileLine("Program Files.dll", 1), hidden}));
  EXPECT_EQ(app.ListItems(kList2), (Items{h, h + "Program", hm, hm + "My Visible File.dll"}));

  app.ClickListItem(kList1, 1);
  app.Command(kMnuCopy);
  EXPECT_TRUE(WaitUntil([&] { return ClipboardText() == hidden; })) << ClipboardText();
  app.Command(kMnuExPath);
  EXPECT_TRUE(WaitUntil([&] { return ClipboardText() == at("My Folder\\My Hidden File.dll"); }))
      << ClipboardText();
  app.ClickListItem(kList2, 3);
  app.Command(kMnuFind);
  EXPECT_TRUE(WaitUntil([&] { return ClipboardText() == "My Visible File.dll"; })) << ClipboardText();
  app.ClickListItem(kList1, 1);
  app.Command(kMnuRescan);
  const auto box = WaitForMessageBox(kAppTitle);
  ASSERT_TRUE(box.has_value());
  EXPECT_EQ(box->text, "1 files with a filesize of 5 bytes were found ");
  PressButton(*box, IDOK);
  EXPECT_TRUE(WaitUntil([&] { return app.ListCount(kList1) == 1; }));
}

TEST_F(ResultScenario, LogIsWrittenByteForByteAndNoLeavesItUnopened) {
  const Items unseen = app->ListItems(kList1);
  app->Click(kCmdLog);
  const auto box = WaitForMessageBox("Log of Vaduzev");
  ASSERT_TRUE(box.has_value());
  EXPECT_EQ(box->text, "View Log file?");
  PressButton(*box, IDNO);
  LogInput expected;
  expected.list1 = unseen;
  expected.size_caption = app->Text(kLblSize);
  expected.nt_family = true;
  expected.is_admin = true;
  expected.version = "1.0.0.0";
  EXPECT_EQ(ReadWholeFile(work / "log.txt"), LogText(expected));
  EXPECT_EQ(SendMessageA(app->Control(kList1), LB_GETCURSEL, 0, 0), static_cast<LRESULT>(unseen.size() - 1));
}

// The log shows the running program's own version, under whatever name it was
// started: a browser names a second download "quarvel (1).exe".
TEST(LogVersion, IsTheRunningProgramsOwnEvenUnderAnotherName) {
  TempFolder work;
  const std::string renamed = work / "quarvel (1).exe";
  ASSERT_TRUE(CopyFileA(QuarvelExe().c_str(), renamed.c_str(), FALSE));
  AppSession app(renamed, work.Path());
  app.Type(kPathTxt, work.Path());
  app.Click(kCmdLocate);
  ASSERT_TRUE(WaitUntil([&] { return app.Enabled(kCmdScan); }));
  app.Click(kCmdScan);
  ASSERT_TRUE(WaitUntil([&] { return app.Text(kLblInfo) == "Completed"; }));
  app.Click(kCmdLog);
  const auto box = WaitForMessageBox("Log of Vaduzev");
  ASSERT_TRUE(box.has_value());
  PressButton(*box, IDNO);
  EXPECT_EQ(ReadWholeFile(work / "log.txt").rfind("*    Quarvel Log version(1.0.0.0)\r\n", 0), 0u);
}

// A rescan walks the whole tree below the entry's folder (the Linux /usr
// here): the window answers throughout and "Escape" ends the walk; the entry
// stays.
TEST(RescanOfALargeTree, AnswersThroughoutAndEscapeStopsIt) {
  // A hidden file of our own in /usr, listed and then deleted: the rescan of
  // its entry walks the whole tree and finds nothing.
  const std::string planted = "Z:\\usr\\QVNOSUCH.DLL";
  TempFolder::MakeFileAt(planted, "1", FILE_ATTRIBUTE_HIDDEN);
  struct Remove {
    std::string path;
    ~Remove() {
      SetFileAttributesA(path.c_str(), FILE_ATTRIBUTE_NORMAL);
      DeleteFileA(path.c_str());
    }
  } remove{planted};
  TempFolder work;
  AppSession app(QuarvelExe(), work.Path());
  app.Type(kPathTxt, "Z:\\usr");
  app.Type(kComboExt, "QVNOSUCH.DLL");
  app.Click(kCmdLocate);
  ASSERT_TRUE(WaitUntil([&] { return app.Enabled(kCmdScan); }));
  const std::string entry = "Z:\\usr\\" + FileLine("QVNOSUCH.DLL", 1);
  app.Click(kCmdScan);
  ASSERT_TRUE(WaitUntil([&] { return app.Text(kLblInfo) == "Completed"; }));
  ASSERT_EQ(app.ListItems(kList1), (Items{entry}));
  // Gone now: the rescan finds nothing and walks all of /usr.
  SetFileAttributesA(planted.c_str(), FILE_ATTRIBUTE_NORMAL);
  ASSERT_TRUE(DeleteFileA(planted.c_str()));
  app.ClickListItem(kList1, 0);
  app.Command(kMnuRescan);
  ASSERT_TRUE(WaitUntil([&] { return app.Text(kLblInfo) == "Searching for QVNOSUCH.DLL"; }));
  app.Click(kCmdEsc);
  EXPECT_TRUE(WaitUntil([&] {
    return app.Text(kLblInfo) == "Rescan stopped: 0 file(s) found so far; the entry stays in the List";
  }));
  EXPECT_EQ(app.ListItems(kList1), (Items{entry}));
  EXPECT_FALSE(FindMessageBox(kAppTitle).has_value());
}

TEST_F(ResultScenario, PathBoxHoverShowsItsFullText) {
  const std::string long_path = scan.Path() + "\\" + std::string(120, 'p');
  app->Type(kPathTxt, long_path);
  app->Hover(kPathTxt);
  EXPECT_TRUE(WaitUntil([&] {
    HWND tip = nullptr;
    while ((tip = FindWindowExA(nullptr, tip, "tooltips_class32", nullptr)) != nullptr) {
      wchar_t text[512] = {};
      SendMessageW(tip, WM_GETTEXT, 512, reinterpret_cast<LPARAM>(text));
      if (IsWindowVisible(tip) && std::wstring(text) == std::wstring(long_path.begin(), long_path.end())) return true;
    }
    return false;
  }, 15s));
  SetCursorPos(0, 0);
}

TEST_F(ResultScenario, EmptyPathBoxShowsNoHoverTip) {
  app->Type(kPathTxt, "");
  app->Hover(kPathTxt);
  Sleep(3000);  // well past the tip's initial delay
  HWND tip = nullptr;
  while ((tip = FindWindowExA(nullptr, tip, "tooltips_class32", nullptr)) != nullptr) {
    EXPECT_FALSE(IsWindowVisible(tip));
  }
  SetCursorPos(0, 0);
}

TEST_F(ResultScenario, FolderButtonTakesTheChosenFolderAndCancelEmptiesTheBox) {
  app->Click(kCmdBrowse);
  HWND dialog = nullptr;
  ASSERT_TRUE(WaitUntil([&] { return (dialog = FindWindowA("#32770", nullptr)) != nullptr && IsWindowVisible(dialog); }));
  PostMessageW(dialog, WM_COMMAND, MAKEWPARAM(IDOK, BN_CLICKED), reinterpret_cast<LPARAM>(GetDlgItem(dialog, IDOK)));
  char desktop[MAX_PATH] = {};
  SHGetSpecialFolderPathA(nullptr, desktop, CSIDL_DESKTOPDIRECTORY, FALSE);
  EXPECT_TRUE(WaitUntil([&] { return app->Text(kPathTxt) == desktop; })) << app->Text(kPathTxt);

  app->Click(kCmdBrowse);
  ASSERT_TRUE(WaitUntil([&] { return (dialog = FindWindowA("#32770", nullptr)) != nullptr && IsWindowVisible(dialog); }));
  PostMessageW(dialog, WM_COMMAND, MAKEWPARAM(IDCANCEL, BN_CLICKED), reinterpret_cast<LPARAM>(GetDlgItem(dialog, IDCANCEL)));
  EXPECT_TRUE(WaitUntil([&] { return app->Text(kPathTxt).empty(); }));
}

}  // namespace
}  // namespace quarvel::testing
