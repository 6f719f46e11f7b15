// End-to-end scenarios: the real quarvel.exe under Wine, driven through its
// window, over folders made for each scenario.
#include <gtest/gtest.h>

#include <windows.h>
#include <tlhelp32.h>

#include <algorithm>
#include <memory>
#include <string>
#include <thread>
#include <vector>

#include "app/ControlIds.h"
#include "core/ListerCommandLine.h"
#include "core/ListingFormat.h"
#include "core/Text.h"
#include "platform/AnsiText.h"
#include "platform/CommonFunction.h"
#include "platform/UniqueHandle.h"
#include "tests/support/TempFolder.h"
#include "tests/support/UiDriver.h"

namespace quarvel::testing {
namespace {

using namespace app;
using Items = std::vector<std::string>;

constexpr DWORD kHidden = FILE_ATTRIBUTE_HIDDEN;
constexpr DWORD kSystem = FILE_ATTRIBUTE_SYSTEM;

std::string QuarvelExe() { return NextToThisProgram("..\\bin\\quarvel.exe"); }

Items Sorted(Items items) {
  std::sort(items.begin(), items.end());
  return items;
}

std::string Summary(std::uint64_t files, std::uint64_t folders, std::uint64_t bytes) {
  return std::string(TrimLeadingBlanks(CountSummaryLine(files, folders))) + "\r\n" +
         std::string(TrimLeadingBlanks(SizeSummaryLine(bytes)));
}

bool Exists(const std::string& path) { return GetFileAttributesA(path.c_str()) != INVALID_FILE_ATTRIBUTES; }

class ScanScenario : public ::testing::Test {
 protected:
  void Start() { app = std::make_unique<AppSession>(QuarvelExe(), work.Path()); }

  void Settings(const std::string& path_box, const std::string& filter, bool subfolders) {
    app->Type(kPathTxt, path_box);
    app->Type(kComboExt, filter);
    if (app->Checked(kChkSubDir) != subfolders) app->Click(kChkSubDir);
    ASSERT_TRUE(WaitUntil([&] { return app->Checked(kChkSubDir) == subfolders; }));
  }

  void RunLister() {
    app->Click(kCmdLocate);
    ASSERT_TRUE(WaitUntil([&] { return app->Text(kLblInfo) == "Completed the Scan, Click Compare to Continue"; }));
  }

  void Compare() {
    app->Click(kCmdScan);
    ASSERT_TRUE(WaitUntil([&] { return app->Text(kLblInfo) == "Completed"; }));
  }

  void ExpectButtons(bool locate, bool scan, bool esc, bool log) {
    EXPECT_EQ(app->Enabled(kCmdLocate), locate);
    EXPECT_EQ(app->Enabled(kCmdScan), scan);
    EXPECT_EQ(app->Enabled(kCmdEsc), esc);
    EXPECT_EQ(app->Enabled(kCmdLog), log);
  }

  // A hidden file deleted between "Run" and "Compare".
  static void DeleteListedFile(const std::string& path) {
    SetFileAttributesA(path.c_str(), FILE_ATTRIBUTE_NORMAL);
    ASSERT_TRUE(DeleteFileA(path.c_str()));
  }

  std::string Heading(const std::string& folder) const { return FolderHeadingLine(folder); }
  std::string ShortLeaf(const std::string& path) const {
    const std::string s = win::GetShortName(path);
    return s.substr(s.rfind('\\') + 1);
  }

  TempFolder work;  // the program's current folder
  TempFolder scan;  // the folder scanned
  std::unique_ptr<AppSession> app;
};

TEST_F(ScanScenario, UnseenFilesGoToList1AndSeenOnesToList2WithTheStateTableAtEachStep) {
  const std::string h = Heading(scan.Path());
  scan.MakeFile("VISIBLE.DLL", "12345");
  scan.MakeFile("HIDDEN.DLL", "1", kHidden);
  scan.MakeFile("SYSTEM.DLL", "22", kSystem);
  scan.MakeFile("BOTH.DLL", "333", kHidden | kSystem);
  scan.MakeFile("RDONLY.DLL", "4444", FILE_ATTRIBUTE_READONLY);
  const auto long_visible = scan.MakeFile("Long Visible Name.dll", "666666");
  const auto long_hidden = scan.MakeFile("Long Hidden Name.dll", "7777777", kHidden);
  scan.MakeFile("ABCD", "1");
  scan.MakeFile("ABCDEFGH.DLL", "88888888", kHidden);
  scan.MakeFile("AB", "22");
  scan.MakeFolder("SUB");
  scan.MakeFile("SUB\\INNER.DLL", "1");

  Start();
  EXPECT_EQ(app->Text(kLblInfo), "Step 1, Click [Run Divevi.com] and wait for scan to complete");
  EXPECT_EQ(app->Text(kPathTxt), win::GetSysDir());
  EXPECT_EQ(app->Text(kComboExt), "*.dll");
  EXPECT_FALSE(app->Checked(kChkSubDir));
  ExpectButtons(true, false, false, false);
  EXPECT_TRUE(Exists(work / "locate.com"));

  Settings(scan.Path(), "*.*", false);
  RunLister();
  ExpectButtons(true, true, true, false);
  EXPECT_TRUE(Exists(work / "dll.txt"));
  Compare();
  ExpectButtons(true, false, true, true);

  EXPECT_EQ(Sorted(app->ListItems(kList1)),
            Sorted({h + FileLine("HIDDEN.DLL", 1), h + FileLine("SYSTEM.DLL", 2), h + FileLine("BOTH.DLL", 3),
                    h + FileLine(ShortLeaf(long_hidden), 7), h + FileLine("ABCDEFGH.DLL", 8)}));
  EXPECT_EQ(Sorted(app->ListItems(kList2)),
            Sorted({h, h + "VISIBLE.DLL", h + "RDONLY.DLL", h + ShortLeaf(long_visible), h + "ABCD", h + "AB"}));
  EXPECT_EQ(app->Text(kLblSize), Summary(10, 1, 5 + 1 + 2 + 3 + 4 + 6 + 7 + 1 + 8 + 2));
  EXPECT_EQ(VerdictCountsShown(*app), "Unseen: hidden by attribute 3, system file 2");
  EXPECT_FALSE(Exists(work / "dll.txt"));
  EXPECT_FALSE(Exists(work / "locate.com"));
}

// A file deleted between "Run Divevi.com" and "Compare" (minutes apart,
// perhaps) merely vanished: the lister's second look no longer finds it, so it
// is not reported as unseen, only counted.
// A file deleted before the compare has vanished; one renamed is found again
// by its file id and is kept, as changed during the scan.
TEST_F(ScanScenario, AFileDeletedBeforeTheCompareIsNotReportedButCountedAndARenamedOneIsKept) {
  scan.MakeFile("STAYS.DLL", "1", kHidden);
  const std::string gone = scan.MakeFile("GONE.DLL", "22", kHidden);
  const std::string renamed = scan.MakeFile("RENAMED.DLL", "333", kHidden);
  Start();
  Settings(scan.Path(), "*.dll", false);
  RunLister();
  ASSERT_NO_FATAL_FAILURE(DeleteListedFile(gone));
  ASSERT_TRUE(MoveFileA(renamed.c_str(), (scan / "ELSEWHERE.TXT").c_str()));
  Compare();
  const std::string h = Heading(scan.Path());
  const Items unseen = app->ListItems(kList1);
  EXPECT_EQ(Sorted(unseen), Sorted({h + FileLine("STAYS.DLL", 1), h + FileLine("RENAMED.DLL", 3)}));
  EXPECT_EQ(VerdictCountsShown(*app),
            "Unseen: hidden by attribute 1, changed during the scan 1; vanished since the listing 1");
  // The entry's verdict shows when it is chosen, and its evidence as the tip.
  const auto stays = std::find(unseen.begin(), unseen.end(), h + FileLine("STAYS.DLL", 1));
  ASSERT_NE(stays, unseen.end());
  app->ClickListItem(kList1, static_cast<int>(stays - unseen.begin()));
  EXPECT_TRUE(WaitUntil([&] { return app->Text(kLblInfo).rfind("Not seen: hidden by attribute. ", 0) == 0; }))
      << app->Text(kLblInfo);
  EXPECT_FALSE(Exists(work / "dll-views.txt"));
}

// The second look finds each file again in its folder opened by its real
// path, so hidden files in folders the "A" search cannot name (a name ending in
// a dot, one outside the code page, a path past 259 characters) stay listed,
// while a file deleted meanwhile has merely vanished. Under Wine, which invents
// 8.3 names for all of these, the cases Windows without 8.3 names meets are the
// core's table tests. The work files go once the second look has ended.
TEST_F(ScanScenario, HiddenFilesInFoldersTheSearchCannotNameStayAndOnlyTheDeletedOneVanishes) {
  const std::wstring verbatim = L"\\\\?\\" + win::WideFromAnsi(scan.Path());
  std::wstring deep = verbatim;
  for (int level = 0; deep.size() < 300; ++level) {
    deep += L"\\DEEPFOLDER" + std::to_wstring(level);
    ASSERT_TRUE(CreateDirectoryW(deep.c_str(), nullptr));
  }
  const std::wstring folders[] = {verbatim + L"\\ENDS.", verbatim + L"\\\u0434\u0438\u0440", deep};
  for (const auto& folder : folders) {
    if (folder != deep) {
      ASSERT_TRUE(CreateDirectoryW(folder.c_str(), nullptr));
    }
    win::UniqueFileHandle file(CreateFileW((folder + L"\\HIDDEN.DLL").c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW,
                                           FILE_ATTRIBUTE_HIDDEN, nullptr));
    ASSERT_TRUE(file);
  }
  const std::string gone = scan.MakeFile("GONE.DLL", "22", kHidden);
  Start();
  Settings(scan.Path(), "*.dll", true);
  RunLister();
  ASSERT_NO_FATAL_FAILURE(DeleteListedFile(gone));
  Compare();
  const Items unseen = app->ListItems(kList1);
  EXPECT_EQ(unseen.size(), 3u) << ::testing::PrintToString(unseen);
  EXPECT_NE(app->Text(kLblIsDir).find("; vanished since the listing 1"), std::string::npos) << app->Text(kLblIsDir);
  EXPECT_EQ(app->Text(kLblIsDir).find("changed during the scan"), std::string::npos) << app->Text(kLblIsDir);
  EXPECT_FALSE(Exists(work / "dll.txt"));
  EXPECT_FALSE(Exists(work / "dll-views.txt"));
  EXPECT_FALSE(Exists(work / "locate.com"));
}

// Whoever can write the current folder cannot swap the lister "Compare" starts
// for its second look, nor rewrite the listing that decides the verdicts: both
// are held against writers from "Run" on, so Windows' own CopyFile fails.
TEST_F(ScanScenario, TheListerAndItsListingCannotBeReplacedBetweenRunAndCompare) {
  scan.MakeFile("HIDDEN.DLL", "1", kHidden);
  Start();
  Settings(scan.Path(), "*.dll", false);
  RunLister();
  const std::string fake = NextToThisProgram("fake-lister.exe");
  for (const char* work_file : {"locate.com", "dll.txt", "dll-views.txt"}) {
    EXPECT_FALSE(CopyFileA(fake.c_str(), (work / work_file).c_str(), FALSE)) << work_file;
    EXPECT_FALSE(MoveFileExA((work / work_file).c_str(), (work / "moved-away").c_str(), 0)) << work_file;
  }
  Compare();
  const std::string h = Heading(scan.Path());
  EXPECT_EQ(app->ListItems(kList1), (Items{h + FileLine("HIDDEN.DLL", 1)}));
  EXPECT_EQ(VerdictCountsShown(*app), "Unseen: hidden by attribute 1");
}

// Whoever can write the current folder may plant hard links under the names
// of the work files; the window's files are made anew, never written through.
TEST_F(ScanScenario, WorkFilesPlantedAsHardLinksAreMadeAnewNeverWrittenThrough) {
  scan.MakeFile("HIDDEN.DLL", "1", kHidden);
  const std::string victim = work.MakeFile("victim.sys", "not ours to write");
  for (const char* work_file : {"dll.txt", "dll-views.txt", "log.txt"}) {
    ASSERT_TRUE(CreateHardLinkA((work / work_file).c_str(), victim.c_str(), nullptr)) << work_file;
  }
  Start();
  Settings(scan.Path(), "*.dll", false);
  RunLister();
  Compare();
  EXPECT_EQ(VerdictCountsShown(*app), "Unseen: hidden by attribute 1");
  app->Click(kCmdLog);
  const auto box = WaitForMessageBox("Log of Vaduzev");
  ASSERT_TRUE(box.has_value());
  PressButton(*box, IDNO);
  EXPECT_NE(ReadWholeFile(work / "log.txt").find("HIDDEN.DLL"), std::string::npos);
  EXPECT_EQ(ReadWholeFile(victim), "not ours to write");
}

TEST_F(ScanScenario, SubfoldersAreListedOnlyWhenIncluded) {
  scan.MakeFile("TOP.DLL", "1");
  scan.MakeFolder("SUB");
  scan.MakeFile("SUB\\INNER.DLL", "22");
  scan.MakeFile("SUB\\SECRET.DLL", "333", kHidden);
  const std::string h = Heading(scan.Path());
  const std::string sub = Heading(scan / "SUB");

  Start();
  Settings(scan.Path(), "*.dll", false);
  RunLister();
  Compare();
  EXPECT_EQ(app->ListItems(kList2), (Items{h, h + "TOP.DLL"}));
  EXPECT_TRUE(app->ListItems(kList1).empty());

  Settings(scan.Path(), "*.dll", true);
  RunLister();
  Compare();
  EXPECT_EQ(Sorted(app->ListItems(kList2)), Sorted({h, h + "TOP.DLL", sub, sub + "INNER.DLL"}));
  EXPECT_EQ(app->ListItems(kList1), (Items{sub + FileLine("SECRET.DLL", 3)}));
  EXPECT_EQ(app->Text(kLblSize), Summary(3, 2, 6));
}

TEST_F(ScanScenario, EmptyAndMissingFolders) {
  Start();
  Settings(scan.Path(), "*.*", true);
  RunLister();
  Compare();
  EXPECT_EQ(app->ListItems(kList2), (Items{Heading(scan.Path())}));
  EXPECT_TRUE(app->ListItems(kList1).empty());
  EXPECT_EQ(app->Text(kLblSize), Summary(0, 1, 0));

  Settings(scan / "no such folder", "*.*", true);
  RunLister();
  Compare();
  EXPECT_TRUE(app->ListItems(kList2).empty());
  EXPECT_TRUE(app->ListItems(kList1).empty());
  EXPECT_EQ(app->Text(kLblSize), Summary(0, 0, 0));
}

// A quotation mark would end the lister's quoted pattern early and hand the
// rest to it as arguments: it is refused before any command line is made.
TEST_F(ScanScenario, AQuotationMarkInTheFilterIsRefusedAndNothingIsListed) {
  scan.MakeFile("A.DLL", "1");
  Start();
  const std::string filter = "*.dll\" /NR >C:\\x.txt";
  Settings(scan.Path(), filter, true);
  app->Click(kCmdLocate);
  const auto box = WaitForMessageBox(kAppTitle);
  ASSERT_TRUE(box.has_value());
  EXPECT_EQ(box->text, ListerInputRefusal(scan.Path(), filter).value_or(""));
  PressButton(*box, IDOK);
  EXPECT_TRUE(WaitUntil([&] { return app->Text(kLblInfo) == "Nothing was listed"; }));
  EXPECT_FALSE(Exists(work / "dll.txt"));
  EXPECT_FALSE(app->Enabled(kCmdScan));
}

TEST_F(ScanScenario, PathBoxEndingInABackslashScansTheSameFolder) {
  scan.MakeFile("ONE.DLL", "1");
  scan.MakeFile("TWO.DLL", "22", kHidden);
  Start();
  Settings(scan.Path() + "\\", "*.dll", false);
  RunLister();
  Compare();
  const std::string h = Heading(scan.Path());
  EXPECT_EQ(app->ListItems(kList2), (Items{h, h + "ONE.DLL"}));
  EXPECT_EQ(app->ListItems(kList1), (Items{h + FileLine("TWO.DLL", 2)}));
}

// Files in the root of the current folder's drive, removed again afterwards.
class RootFiles {
 public:
  explicit RootFiles(const std::string& drive) : drive_(drive) {}
  ~RootFiles() {
    for (const auto& path : made_) {
      SetFileAttributesA(path.c_str(), FILE_ATTRIBUTE_NORMAL);
      DeleteFileA(path.c_str());
    }
  }
  void Make(const std::string& name, DWORD attributes) {
    const std::string path = drive_ + "\\" + name;
    win::UniqueFileHandle file(CreateFileA(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, attributes, nullptr));
    made_.push_back(path);
  }

 private:
  std::string drive_;
  std::vector<std::string> made_;
};

TEST_F(ScanScenario, EmptyPathBoxScansTheRootOfTheCurrentDrive) {
  const std::string drive = work.Path().substr(0, 2);
  RootFiles root(drive);
  root.Make("QVROOT1.TST", FILE_ATTRIBUTE_NORMAL);
  root.Make("QVROOT2.TST", kHidden);
  Start();
  Settings("", "QVROOT*.TST", false);
  RunLister();
  Compare();
  const std::string h = drive + "\\";
  EXPECT_EQ(app->ListItems(kList2), (Items{h, h + "QVROOT1.TST"}));
  EXPECT_EQ(app->ListItems(kList1), (Items{h + FileLine("QVROOT2.TST", 0)}));
}

TEST_F(ScanScenario, CurrentFolderWithABlankStartsTheListerByItsQuotedPath) {
  scan.MakeFile("ONE.EXE", "1");
  scan.MakeFile("TWO.EXE", "22", kSystem);
  // A program at the shorter path must never be what runs.
  const std::string spaced = work.MakeFolder("My Work");
  work.MakeFile("My.exe", "not a program");
  app = std::make_unique<AppSession>(QuarvelExe(), spaced);
  app->Type(kPathTxt, scan.Path());
  app->Pick(kComboExt, "*.exe");
  RunLister();
  Compare();
  const std::string h = Heading(scan.Path());
  EXPECT_EQ(app->ListItems(kList2), (Items{h, h + "ONE.EXE"}));
  EXPECT_EQ(app->ListItems(kList1), (Items{h + FileLine("TWO.EXE", 2)}));
}

TEST_F(ScanScenario, ListerAlreadyPresentAtStartUpIsKeptAndStepOneIsOffered) {
  work.MakeFile("locate.com", "not the lister");
  Start();
  EXPECT_EQ(ReadWholeFile(work / "locate.com"), "not the lister");
  EXPECT_TRUE(app->Enabled(kCmdLocate));
}

TEST_F(ScanScenario, PlantedListerIsKeptAtStartUpButReplacedBeforeItCouldRun) {
  scan.MakeFile("REAL.DLL", "1");
  const std::string fake = ReadWholeFile(NextToThisProgram("fake-lister.exe"));
  ASSERT_FALSE(fake.empty());
  work.MakeFile("locate.com", fake);
  Start();
  EXPECT_EQ(ReadWholeFile(work / "locate.com"), fake);
  Settings(scan.Path(), "*.dll", false);
  RunLister();
  EXPECT_EQ(ReadWholeFile(work / "locate.com"), ReadWholeFile(NextToThisProgram("..\\bin\\locate.exe")));
  Compare();
  const std::string h = Heading(scan.Path());
  EXPECT_EQ(app->ListItems(kList2), (Items{h, h + "REAL.DLL"}));
  EXPECT_TRUE(app->ListItems(kList1).empty());
}

TEST_F(ScanScenario, PlantedListerThatCannotBeReplacedIsNeverRun) {
  const std::string fake = ReadWholeFile(NextToThisProgram("fake-lister.exe"));
  work.MakeFile("locate.com", fake);
  Start();
  Settings(scan.Path(), "*.dll", false);
  // Held open by another program without sharing, it can be neither checked nor rewritten.
  win::UniqueFileHandle held(
      CreateFileA((work / "locate.com").c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr));
  ASSERT_TRUE(held);
  app->Click(kCmdLocate);
  const auto box = WaitForMessageBox(kAppTitle);
  ASSERT_TRUE(box.has_value());
  EXPECT_NE(box->text.find("could not be replaced, so it was not run"), std::string::npos) << box->text;
  PressButton(*box, IDOK);
  held.reset();
  EXPECT_FALSE(Exists(work / "dll.txt"));
  EXPECT_EQ(ReadWholeFile(work / "locate.com"), fake);
  EXPECT_FALSE(app->Enabled(kCmdScan));
}

TEST_F(ScanScenario, EscapeDuringALargeCompareLeavesPartialListsAndNoListing) {
  // A large real tree (the whole Linux /usr here), which the compare takes far
  // longer than a click to read. The listing is the lister's own: nobody can
  // swap it for another between "Run" and "Compare".
  Start();
  Settings("Z:\\usr", "*.*", true);
  app->Click(kCmdLocate);
  ASSERT_TRUE(WaitUntil([&] { return app->Text(kLblInfo) == "Completed the Scan, Click Compare to Continue"; }, 300s));
  app->Click(kCmdScan);
  ASSERT_TRUE(WaitUntil([&] { return app->ListCount(kList2) > 100; }));
  app->Click(kCmdEsc);
  ASSERT_TRUE(WaitUntil([&] { return app->Text(kLblInfo) == "Completed"; }, 120s));
  const int listed = app->ListCount(kList1) + app->ListCount(kList2);
  EXPECT_GT(listed, 0);
  // Stopped part way: the listing's closing count was never reached.
  EXPECT_EQ(app->Text(kLblSize).find("file(s) found"), std::string::npos) << app->Text(kLblSize);
  EXPECT_EQ(app->Text(kCmdEsc), "Scan Aborted");
  EXPECT_TRUE(app->Enabled(kCmdLog));
  EXPECT_FALSE(Exists(work / "dll.txt"));
  // The next click on Escape clears the flag again.
  app->Click(kCmdEsc);
  EXPECT_TRUE(WaitUntil([&] { return app->Text(kCmdEsc) == "Escape"; }));
}

TEST_F(ScanScenario, SecondCompareClickDuringACompareStartsNoNestedRun) {
  for (int i = 0; i < 300; ++i) scan.MakeFile("N" + std::to_string(i) + ".DLL", "1");
  Start();
  Settings(scan.Path(), "*.dll", false);
  RunLister();
  app->Click(kCmdScan);
  app->Click(kCmdScan);  // arrives while the first compare yields
  ASSERT_TRUE(WaitUntil([&] { return app->Text(kLblInfo) == "Completed"; }));
  EXPECT_EQ(app->ListCount(kList2), 301);
  EXPECT_EQ(app->ListCount(kList1), 0);
}

TEST_F(ScanScenario, ClosingDuringACompareEndsCleanlyAndRemovesTheLister) {
  for (int i = 0; i < 3000; ++i) scan.MakeFile("C" + std::to_string(i) + ".DLL", "1");
  Start();
  Settings(scan.Path(), "*.dll", false);
  RunLister();
  app->Click(kCmdScan);
  app->Close();
  DWORD exit_code = 1;
  ASSERT_TRUE(app->WaitForExit(30s, &exit_code));
  EXPECT_EQ(exit_code, 0u);
  EXPECT_FALSE(Exists(work / "locate.com"));
}

// Exit while the lister walks a large tree (the whole Linux /usr here): the
// lister is ended, its partial listing and the lister removed, and the program
// ends without waiting for the walk.
TEST_F(ScanScenario, ExitDuringTheListerRunEndsItAndRemovesItsFiles) {
  Start();
  Settings("Z:\\usr", "*.*", true);
  app->Click(kCmdLocate);
  ASSERT_TRUE(WaitUntil([&] { return Exists(work / "dll.txt"); }));
  app->Click(kCmdExit);
  DWORD exit_code = 1;
  ASSERT_TRUE(app->WaitForExit(30s, &exit_code));
  EXPECT_EQ(exit_code, 0u);
  EXPECT_FALSE(Exists(work / "locate.com"));
  EXPECT_FALSE(Exists(work / "dll.txt"));
}

// Started where nothing can be written (a read-only file system here, as a CD
// or a protected folder is), the program says which folder and what to do.
TEST_F(ScanScenario, AFolderThatCannotBeWrittenIsExplainedAtStartUp) {
  char full[MAX_PATH] = {};
  GetFullPathNameA(NextToThisProgram("..\\..\\wine-session\\readonly").c_str(), MAX_PATH, full, nullptr);
  const std::string readonly = full;
  const std::string probe = readonly + "\\probe.tmp";
  HANDLE written = CreateFileA(probe.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW, FILE_FLAG_DELETE_ON_CLOSE, nullptr);
  if (written != INVALID_HANDLE_VALUE) {
    CloseHandle(written);
    GTEST_SKIP() << "no read-only folder: mounting one needs root";
  }
  std::thread start([&] { app = std::make_unique<AppSession>(QuarvelExe(), readonly); });
  const auto box = WaitForMessageBox(kAppTitle);
  ASSERT_TRUE(box.has_value());
  EXPECT_NE(box->text.find("cannot write its work files"), std::string::npos) << box->text;
  EXPECT_NE(box->text.find(readonly), std::string::npos) << box->text;
  PressButton(*box, IDOK);
  start.join();
  EXPECT_FALSE(app->Enabled(kCmdLocate));
  EXPECT_EQ(app->Text(kLblInfo), "The work files cannot be written in this folder");
}

TEST_F(ScanScenario, AFolderTheCodePageCannotSpellIsExplainedAtStartUp) {
  const std::wstring greek = win::WideFromAnsi(work.Path()) + L"\\\u0391\u0392\u0393";
  ASSERT_TRUE(CreateDirectoryW(greek.c_str(), nullptr));
  std::thread start([&] { app = std::make_unique<AppSession>(QuarvelExe(), greek); });
  const auto box = WaitForMessageBox(kAppTitle);
  ASSERT_TRUE(box.has_value());
  EXPECT_NE(box->text.find("cannot be spelled in this system's code page"), std::string::npos) << box->text;
  PressButton(*box, IDOK);
  start.join();
  EXPECT_FALSE(app->Enabled(kCmdLocate));
  app.reset();
  RemoveDirectoryW(greek.c_str());
}

// An application-control policy or an antivirus refuses the lister: the
// window says so with the system's words, and "Compare" stays off.
TEST_F(ScanScenario, AListerThePolicyRefusesIsReportedAndNothingIsCompared) {
  scan.MakeFile("A.DLL");
  Start();
  ASSERT_TRUE(app->InjectLibrary(NextToThisProgram("launch-blocker.dll")));
  Settings(scan.Path(), "*.dll", false);
  app->Click(kCmdLocate);
  const auto box = WaitForMessageBox(kAppTitle);
  ASSERT_TRUE(box.has_value());
  EXPECT_NE(box->text.find("could not be started"), std::string::npos) << box->text;
  EXPECT_NE(box->text.find("(error 1260)"), std::string::npos) << box->text;
  PressButton(*box, IDOK);
  EXPECT_TRUE(WaitUntil([&] { return app->Text(kLblInfo) == "The lister could not be started"; }));
  EXPECT_FALSE(app->Enabled(kCmdScan));
}

TEST_F(ScanScenario, FailureInsideAHandlerIsReportedAndTheWindowStaysUsable) {
  scan.MakeFile("HIDDEN.DLL", "1", kHidden);
  Start();
  Settings(scan.Path(), "*.dll", false);
  RunLister();
  Compare();
  // Held without sharing, the log cannot be written.
  win::UniqueFileHandle lock(CreateFileA((work / "log.txt").c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr));
  ASSERT_TRUE(lock);
  app->Click(kCmdLog);
  const auto box = WaitForMessageBox(kAppTitle);
  ASSERT_TRUE(box.has_value());
  EXPECT_NE(box->text.find("CmdLog_Click failed"), std::string::npos) << box->text;
  EXPECT_NE(box->text.find("log.txt"), std::string::npos) << box->text;
  PressButton(*box, IDOK);
  app->Click(kCmdEsc);
  EXPECT_TRUE(WaitUntil([&] { return app->Text(kCmdEsc) == "Scan Aborted"; }));
}

// A lister that cannot finish its listing (here: its listing file is held by
// another program, as an antivirus might) is reported with the system's words,
// and nothing is compared: a partial listing would read as clean.
// The id of a running locate.com, or 0.
DWORD RunningLister() {
  const win::UniqueKernelHandle snapshot(CreateToolhelp32Snapshot(TH32CS_SNAPPROCESS, 0));
  PROCESSENTRY32 entry{};
  entry.dwSize = sizeof(entry);
  if (!snapshot || !Process32First(snapshot.get(), &entry)) return 0;
  do {
    if (_stricmp(entry.szExeFile, "locate.com") == 0) return entry.th32ProcessID;
  } while (Process32Next(snapshot.get(), &entry));
  return 0;
}

// Waits on a thread of its own for the lister to start, tries to write and to
// delete each of `files` while it runs, then kills it.
class ListerKiller {
 public:
  explicit ListerKiller(std::vector<std::string> files)
      : files_(std::move(files)), thread_([this] { Run(); }) {}
  ~ListerKiller() { Join(); }
  void Join() {
    if (thread_.joinable()) thread_.join();
  }
  bool Killed() const { return killed_; }
  // Every file was there, and could be neither written nor deleted.
  bool FilesHeld() const { return files_held_; }

 private:
  void Run() {
    for (int tries = 0; tries < 20000; ++tries) {
      if (const DWORD id = RunningLister()) {
        files_held_ = true;
        for (const auto& file : files_) {
          const win::UniqueKernelHandle written(CreateFileA(file.c_str(), GENERIC_WRITE,
                                                            FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                                                            nullptr, OPEN_EXISTING, 0, nullptr));
          const bool there = GetFileAttributesA(file.c_str()) != INVALID_FILE_ATTRIBUTES;
          files_held_ = files_held_ && there && !written && !DeleteFileA(file.c_str());
        }
        const win::UniqueKernelHandle process(OpenProcess(PROCESS_TERMINATE, FALSE, id));
        killed_ = process && TerminateProcess(process.get(), 1);
        return;
      }
      Sleep(1);
    }
  }

  std::vector<std::string> files_;
  bool killed_ = false;
  bool files_held_ = false;
  std::thread thread_;
};

// A lister that dies part way is a failure, never an empty result; and while
// it writes, nobody else can write or remove its listing and views file.
TEST_F(ScanScenario, AListerThatDidNotFinishIsAFailureNeverAnEmptyResult) {
  for (int i = 0; i < 300; ++i) scan.MakeFile("PLAIN" + std::to_string(i) + ".DLL", "1", 0);
  scan.MakeFile("HIDDEN.DLL", "1", kHidden);
  Start();
  Settings(scan.Path(), "*.dll", false);
  ListerKiller killer({work / "dll.txt", work / "dll-views.txt"});
  app->Click(kCmdLocate);
  const auto box = WaitForMessageBox(kAppTitle);
  ASSERT_TRUE(box.has_value());
  killer.Join();
  ASSERT_TRUE(killer.Killed());
  EXPECT_TRUE(killer.FilesHeld());
  EXPECT_NE(box->text.find("ended without finishing its listing (exit code 1"), std::string::npos) << box->text;
  PressButton(*box, IDOK);
  EXPECT_EQ(app->Text(kLblInfo), "The lister did not finish");
  EXPECT_FALSE(app->Enabled(kCmdScan));
  EXPECT_TRUE(app->ListItems(kList1).empty());

  // A views file another program holds cannot be made anew: the lister is not run.
  const win::UniqueFileHandle taken(
      CreateFileA((work / "dll-views.txt").c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr));
  ASSERT_TRUE(taken);
  app->Click(kCmdLocate);
  const auto refused = WaitForMessageBox(kAppTitle);
  ASSERT_TRUE(refused.has_value());
  EXPECT_NE(refused->text.find("was not run: its listing file could not be made anew"), std::string::npos)
      << refused->text;
  PressButton(*refused, IDOK);
  EXPECT_EQ(app->Text(kLblInfo), "The lister was not run");
  EXPECT_FALSE(app->Enabled(kCmdScan));
}

// A second look that fails, its lister killed or its answers file taken by
// another program, drops nothing and says so; and while it runs nobody else
// can write or remove its answers.
TEST_F(ScanScenario, ASecondLookThatFailsDropsNothingAndSaysSo) {
  for (int i = 0; i < 300; ++i) scan.MakeFile("PLAIN" + std::to_string(i) + ".DLL", "1", 0);
  scan.MakeFile("STAYS.DLL", "1", kHidden);
  const std::string gone = scan.MakeFile("GONE.DLL", "22", kHidden);
  Start();
  Settings(scan.Path(), "*.dll", false);
  RunLister();
  ASSERT_NO_FATAL_FAILURE(DeleteListedFile(gone));

  ListerKiller killer({work / "rechecked.txt"});
  Compare();
  killer.Join();
  EXPECT_TRUE(killer.Killed());
  EXPECT_TRUE(killer.FilesHeld());
  EXPECT_EQ(app->ListItems(kList1).size(), 2u);
  EXPECT_NE(app->Text(kLblIsDir).find("; second look: failed, because the lister did not finish (exit code 1"),
            std::string::npos)
      << app->Text(kLblIsDir);

  // An answers file another program holds cannot be made anew: the same.
  const win::UniqueFileHandle taken(
      CreateFileA((work / "rechecked.txt").c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr));
  ASSERT_TRUE(taken);
  scan.MakeFile("GONE.DLL", "22", kHidden);
  RunLister();
  ASSERT_NO_FATAL_FAILURE(DeleteListedFile(gone));
  Compare();
  EXPECT_EQ(app->ListItems(kList1).size(), 2u);
  EXPECT_NE(app->Text(kLblIsDir).find("; second look: failed, because its answers file"), std::string::npos)
      << app->Text(kLblIsDir);
}

}  // namespace
}  // namespace quarvel::testing

namespace quarvel::testing {
namespace {

struct ChildList {
  std::vector<int> ids;
  std::vector<std::string> texts;
};

BOOL CALLBACK CollectChild(HWND window, LPARAM lp) {
  auto* children = reinterpret_cast<ChildList*>(lp);
  const int id = GetDlgCtrlID(window);
  if (id >= app::kCmdLog && id <= app::kLblInfo) children->ids.push_back(id);
  return TRUE;
}

TEST(MainWindow, HoldsEveryControlInItsOrderWithItsDesignTimeText) {
  TempFolder work;
  AppSession app(QuarvelExe(), work.Path());
  ChildList children;
  EnumChildWindows(app.Main(), CollectChild, reinterpret_cast<LPARAM>(&children));
  std::vector<int> expected;
  for (int id = app::kCmdLog; id <= app::kLblInfo; ++id) expected.push_back(id);
  EXPECT_EQ(children.ids, expected);
  EXPECT_EQ(app.Text(app::kCmdLog), "Make a Log of what was found");
  EXPECT_EQ(app.Text(app::kCmdExit), "Exit");
  EXPECT_EQ(app.Text(app::kCmdEsc), "Escape");
  EXPECT_EQ(app.Text(app::kFraOptions), "Scan Options");
  EXPECT_EQ(app.Text(app::kChkSubDir), "Include SubDirectories");
  EXPECT_EQ(app.Text(app::kCmdBrowse), "...");
  EXPECT_EQ(app.Text(app::kCmdLocate), "Run Divevi.com");
  EXPECT_EQ(app.Text(app::kCmdScan), "Compare");
  EXPECT_EQ(app.Text(app::kLabel1), "GUI Sort Functions by Brennick Software Solutions");
  // Wine runs as an elevated administrator.
  EXPECT_EQ(app.Text(app::kLblAdmin), "Administrator Account Detected (elevated)");
  char caption[256] = {};
  GetWindowTextA(app.Main(), caption, sizeof(caption));
  EXPECT_STREQ(caption, app::kMainCaption);
}

// The visible tooltip window's text, if one is showing.
std::string ShownTip() {
  std::string shown;
  HWND tip = nullptr;
  while ((tip = FindWindowExA(nullptr, tip, "tooltips_class32", nullptr)) != nullptr) {
    if (!IsWindowVisible(tip)) continue;
    wchar_t text[256] = {};
    SendMessageW(tip, WM_GETTEXT, 256, reinterpret_cast<LPARAM>(text));
    char narrow[256] = {};
    WideCharToMultiByte(CP_ACP, 0, text, -1, narrow, sizeof(narrow), nullptr, nullptr);
    shown = narrow;
  }
  return shown;
}

TEST(MainWindow, FixedTipsShowOverTheBrowseButtonAndTheFilter) {
  TempFolder work;
  AppSession app(QuarvelExe(), work.Path());
  for (const auto& [id, tip] : {std::pair{app::kCmdBrowse, "Browse for Folder"},
                                std::pair{app::kComboExt, "Select or Type your own Filter to Search for"}}) {
    RECT rect;
    GetWindowRect(app.Control(id), &rect);
    SetCursorPos(rect.left + 3, rect.top + 3);
    Sleep(50);
    SetCursorPos(rect.left + 5, rect.top + 5);
    EXPECT_TRUE(WaitUntil([&] { return ShownTip() == tip; }, 10s)) << tip << " / shown: " << ShownTip();
    SetCursorPos(0, 0);
  }
}

}  // namespace
}  // namespace quarvel::testing
