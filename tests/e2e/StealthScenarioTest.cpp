// The reason the program exists: files a program inside it hides from the Win32
// search are still found, because the lister reads the NT directory query in a
// process of its own.
#include <gtest/gtest.h>

#include <algorithm>
#include <map>
#include <sstream>
#include <memory>
#include <string>
#include <vector>

#include "tests/support/TempFolder.h"
#include "tests/support/UiDriver.h"
#include "app/CommandList.h"
#include "tests/support/RegistryScene.h"
#include "core/ListingFormat.h"
#include "core/Verdict.h"

#include <nlohmann/json.hpp>

namespace quarvel::testing {
namespace {

using namespace app;
using Items = std::vector<std::string>;

Items Sorted(Items items) {
  std::sort(items.begin(), items.end());
  return items;
}

TEST(StealthScenario, FilesHiddenFromTheSearchInsideTheProgramAreListedAsUnseen) {
  TempFolder work, scan;
  scan.MakeFile("VISIBLE.DLL", "1");
  scan.MakeFile("QVHIDE1.DLL", "4444");  // normal attributes: only the hider hides it
  scan.MakeFolder("SUB");
  scan.MakeFile("SUB\\OTHER.DLL", "22");
  scan.MakeFile("SUB\\QVHIDE2.DLL", "55555");

  AppSession app(NextToThisProgram("..\\bin\\quarvel.exe"), work.Path());
  ASSERT_TRUE(app.InjectLibrary(NextToThisProgram("hider.dll")));
  app.Type(kPathTxt, scan.Path());
  app.Click(kChkSubDir);
  ASSERT_TRUE(WaitUntil([&] { return app.Checked(kChkSubDir); }));
  app.Click(kCmdLocate);
  ASSERT_TRUE(WaitUntil([&] { return app.Enabled(kCmdScan); }));
  app.Click(kCmdScan);
  ASSERT_TRUE(WaitUntil([&] { return app.Text(kLblInfo) == "Completed"; }));

  const std::string top = FolderHeadingLine(scan.Path());
  const std::string sub = FolderHeadingLine(scan / "SUB");
  EXPECT_EQ(Sorted(app.ListItems(kList1)), Sorted({top + FileLine("QVHIDE1.DLL", 4), sub + FileLine("QVHIDE2.DLL", 5)}));
  EXPECT_EQ(Sorted(app.ListItems(kList2)), Sorted({top, top + "VISIBLE.DLL", sub, sub + "OTHER.DLL"}));
  // No attribute explains them: the lister's view shows them, the search here does not.
  EXPECT_EQ(VerdictCountsShown(app), "Unseen: kept from the Win32 search 2");

  // A second look through the same hooked search finds nothing: the entry stays.
  const Items before = app.ListItems(kList1);
  app.ClickListItem(kList1, 0);
  EXPECT_TRUE(WaitUntil([&] { return app.Text(kLblInfo).rfind("Not seen: kept from the Win32 search. ", 0) == 0; }))
      << app.Text(kLblInfo);
  app.Command(kMnuRescan);
  const auto box = WaitForMessageBox(kAppTitle);
  ASSERT_TRUE(box.has_value());
  EXPECT_EQ(box->text, "0 files with a filesize of 0 bytes were found ");
  PressButton(*box, IDOK);
  EXPECT_TRUE(WaitUntil([&] {
    return app.Text(kLblInfo) == "0 file(s) from using Rescan were found and Removed from the List";
  }));
  EXPECT_EQ(app.ListItems(kList1), before);
}

// What real user-mode hiders do: patch NtQueryDirectoryFile inside ntdll of the
// program and of every process it starts (the lister too). Both views of the
// directory query are then blind; on an NTFS volume the lister reads the MFT
// itself, so the marked files still reach List1. Drive D: of the test prefix is
// such a volume (an image the lister reads raw).
class NtdllStealthScenario : public ::testing::Test {
 protected:
  // Scans `folder` with its subfolders in a window that carries the hider `dll`.
  void Scan(const std::string& folder, const char* dll = "ntdll-hider.dll", const char* filter = nullptr) {
    app = std::make_unique<AppSession>(NextToThisProgram("..\\bin\\quarvel.exe"), work.Path());
    ASSERT_TRUE(app->InjectLibrary(NextToThisProgram(dll)));
    app->Type(kPathTxt, folder);
    if (filter != nullptr) app->Type(kComboExt, filter);
    app->Click(kChkSubDir);
    ASSERT_TRUE(WaitUntil([&] { return app->Checked(kChkSubDir); }));
    app->Click(kCmdLocate);
    ASSERT_TRUE(WaitUntil([&] { return app->Enabled(kCmdScan); }));
    app->Click(kCmdScan);
    ASSERT_TRUE(WaitUntil([&] { return app->Text(kLblInfo) == "Completed"; }));
  }

  TempFolder work;
  std::unique_ptr<AppSession> app;
};

TEST_F(NtdllStealthScenario, FilesHiddenInsideNtdllOfEveryProcessAreFoundOnTheVolume) {
  if (GetFileAttributesA("D:\\SCAN") == INVALID_FILE_ATTRIBUTES) GTEST_SKIP() << "no NTFS drive D: (needs root and FUSE)";
  Scan("D:\\SCAN");
  const std::string top = "D:\\SCAN\\";
  const std::string sub = "D:\\SCAN\\SUB\\";
  EXPECT_EQ(Sorted(app->ListItems(kList1)), Sorted({top + FileLine("QVROOT1.DLL", 4), sub + FileLine("QVROOT2.DLL", 5)}));
  EXPECT_EQ(Sorted(app->ListItems(kList2)), Sorted({top, top + "VISIBLE.DLL", sub, sub + "OTHER.DLL"}));
  // The volume's MFT lists them, the hooked directory query does not; the
  // label says the volume was read.
  EXPECT_EQ(app->Text(kLblIsDir), "Unseen: seen only on the volume 2; volume view: used");
}

// The console companion runs the same lister and comparison as the window: on
// the same tree, with the same hider in it, it reports the same entries with
// the same verdicts.
std::map<std::string, std::string> ConsoleVerdicts(const std::string& dll, const std::string& folder,
                                                   const TempFolder& work, std::vector<int>& counts) {
  const std::string report = work / "report.json";
  std::string command = "\"" + NextToThisProgram("run-hooked.exe") + "\" \"" + NextToThisProgram(dll) + "\" \"" +
                        NextToThisProgram("..\\bin\\quarvel-scan.exe") + "\" \"" + folder + "\" /S /JSON \"" + report + "\"";
  STARTUPINFOA startup{};
  startup.cb = sizeof(startup);
  PROCESS_INFORMATION process{};
  EXPECT_TRUE(CreateProcessA(nullptr, command.data(), nullptr, nullptr, FALSE, CREATE_NO_WINDOW, nullptr,
                             work.Path().c_str(), &startup, &process));
  WaitForSingleObject(process.hProcess, 120000);
  DWORD code = 0;
  GetExitCodeProcess(process.hProcess, &code);
  CloseHandle(process.hThread);
  CloseHandle(process.hProcess);
  EXPECT_EQ(code, 1u);
  std::map<std::string, std::string> verdicts;
  std::istringstream lines(ReadWholeFile(report));
  for (std::string line; std::getline(lines, line);) {
    const auto object = nlohmann::json::parse(line);
    if (object["type"] == "unseen") verdicts[object["entry"]] = object["verdict"];
    if (object["type"] == "summary") {
      counts.assign(kVerdictCount, 0);
      for (int i = 0; i < kVerdictCount; ++i) counts[static_cast<std::size_t>(i)] = object["unseen"][VerdictCode(static_cast<Verdict>(i))];
    }
  }
  return verdicts;
}

TEST_F(NtdllStealthScenario, TheConsoleCompanionAgreesWithTheWindowEntryForEntry) {
  if (GetFileAttributesA("D:\\SCAN") == INVALID_FILE_ATTRIBUTES) GTEST_SKIP() << "no NTFS drive D: (needs root and FUSE)";
  struct Case {
    const char* dll;
    std::string folder;
  };
  TempFolder planted;
  planted.MakeFile("VISIBLE.DLL", "1");
  planted.MakeFile("QVHIDE1.DLL", "4444");
  planted.MakeFile("HIDDEN.DLL", "1", FILE_ATTRIBUTE_HIDDEN);
  for (const Case& scan : {Case{"ntdll-hider.dll", "D:\\SCAN"}, Case{"hider.dll", planted.Path()}}) {
    Scan(scan.folder, scan.dll);
    if (HasFatalFailure()) return;
    std::map<std::string, std::string> window;
    const Items items = app->ListItems(kList1);
    for (std::size_t i = 0; i < items.size(); ++i) {
      SendMessageW(app->Control(kLblInfo), WM_SETTEXT, 0, reinterpret_cast<LPARAM>(L""));
      app->ClickListItem(kList1, static_cast<int>(i));
      ASSERT_TRUE(WaitUntil([&] { return app->Text(kLblInfo).rfind("Not seen: ", 0) == 0; }));
      const std::string info = app->Text(kLblInfo);
      window[items[i]] = info.substr(10, info.find(". ") - 10);
    }
    std::vector<int> counts;
    EXPECT_EQ(ConsoleVerdicts(scan.dll, scan.folder, work, counts), window) << scan.folder;
    EXPECT_EQ(VerdictCountsText(counts, 0), VerdictCountsShown(*app)) << scan.folder;
    app.reset();
  }
}

// Where the volume cannot be read raw (drive C: of the prefix has no device
// under Wine; a non-administrator on Windows), the lister has only the
// directory query, and such a hider keeps its files out of both lists.
TEST_F(NtdllStealthScenario, OnAVolumeThatCannotBeReadRawTheHiderWins) {
  TempFolder scan;
  scan.MakeFile("VISIBLE.DLL", "1");
  scan.MakeFile("QVROOT1.DLL", "4444");
  Scan(scan.Path());
  const std::string top = FolderHeadingLine(scan.Path());
  EXPECT_TRUE(app->ListItems(kList1).empty());
  EXPECT_EQ(app->ListItems(kList2), (Items{top, top + "VISIBLE.DLL"}));
}

// Names a hostile volume can hold (CR and LF with a path between them, the
// listing's own marks) forge no line: the lister writes them escaped, so no
// other folder is looked into, and every file is still reported.
TEST_F(NtdllStealthScenario, NamesAHostileVolumeCanHoldForgeNoLine) {
  if (GetFileAttributesA("D:\\HOSTILE") == INVALID_FILE_ATTRIBUTES) GTEST_SKIP() << "no NTFS drive D: (needs root and FUSE)";
  Scan("D:\\HOSTILE", "ntdll-hider.dll", "*");
  for (const auto& item : app->ListItems(kList2)) EXPECT_EQ(item.rfind("D:\\HOSTILE\\", 0), 0u) << item;
  const Items unseen = app->ListItems(kList1);
  for (const auto& item : unseen) EXPECT_EQ(item.rfind("D:\\HOSTILE\\", 0), 0u) << item;
  const auto holds = [&](const std::string& text) {
    return std::any_of(unseen.begin(), unseen.end(), [&](const std::string& item) { return item.find(text) != std::string::npos; });
  };
  EXPECT_TRUE(holds("NOT-ANSI:A.DLLU+000DU+000AC")) << ::testing::PrintToString(unseen);
  EXPECT_TRUE(holds("NOT-ANSI:FOLDER-NOT-READU+003A")) << ::testing::PrintToString(unseen);
  EXPECT_TRUE(holds("HIDDEN.DLL")) << ::testing::PrintToString(unseen);
  EXPECT_EQ(app->Text(kLblIsDir).find("folder could not be searched"), std::string::npos) << app->Text(kLblIsDir);
}

// A program that hides its AppInit_DLLs value from the registry API in every
// process, from the program's first instruction on: the start-up caption names
// the value the SOFTWARE hive file on drive D: holds, with a warning, and the
// repair will not start from the key the API shows.
TEST(RegistryStealthScenario, TheCaptionNamesTheAppInitDllsValueTheApiHidesAndTheRepairRefuses) {
  if (GetFileAttributesA("D:\\CONFIG\\SOFTWARE") == INVALID_FILE_ATTRIBUTES) {
    GTEST_SKIP() << "no SOFTWARE hive file on an NTFS drive D: (needs root, FUSE and hivex)";
  }
  ASSERT_EQ(SetRegistryScene(true), "");
  struct Cleared {
    ~Cleared() { EXPECT_EQ(ClearRegistryScene(), ""); }
  } cleared;
  TempFolder work;
  AppSession app(NextToThisProgram("..\\bin\\quarvel.exe"), work.Path(), NextToThisProgram("ntdll-hider.dll"));
  const std::string caption = app.Text(kLblSize);
  // The API returns no AppInit_DLLs; the hive file does.
  EXPECT_EQ(caption.rfind("AppInit_DLLs value = \r\nLoadAppInit_DLLs = 1, ", 0), 0u) << caption;
  const std::string warning =
      "\r\nWARNING: the hive file holds AppInit_DLLs = C:\\windows\\qvinit.dll, hidden from the registry API";
  EXPECT_TRUE(caption.ends_with(warning)) << caption;

  app.TypeAndReturn(kPathTxt, "!HLX");
  const auto box = WaitForMessageBox(kAppTitle);
  ASSERT_TRUE(box.has_value());
  EXPECT_EQ(box->text.rfind("The repair does not start: the registry hive file holds what the registry API does not "
                            "return:\r\nAppInit_DLLs = C:\\windows\\qvinit.dll (hidden from the registry API)", 0),
            0u)
      << box->text;
  PressButton(*box, IDOK);
}

}  // namespace
}  // namespace quarvel::testing
