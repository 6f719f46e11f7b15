// The registry repair driven through the window, in the states around the
// restart that a test can set up without restarting: refusals, a failed
// backup, a reg.exe restore that fails or restores nothing in either step, and
// step 2 over the variants of the AppInit_DLLs value.
#include <gtest/gtest.h>

#include <string>

#include "tests/support/TempFolder.h"
#include "tests/support/RepairWorld.h"
#include "tests/support/UiDriver.h"
#include "app/ControlIds.h"
#include "platform/LaunchAppSync.h"

namespace quarvel::testing {
namespace {

using namespace app;
using namespace std::chrono_literals;

constexpr const char* kNormalStatus = "Step 1, Click [Run Divevi.com] and wait for scan to complete";

std::string Quarvel() { return NextToThisProgram("..\\bin\\quarvel.exe"); }

// Types the text one character at a time, as a user does; the last one opens a box.
void TypeSlowly(AppSession& app, const std::string& text) {
  for (std::size_t n = 1; n < text.size(); ++n) app.Type(kPathTxt, text.substr(0, n));
  app.TypeAndReturn(kPathTxt, text);
}

class RepairScenario : public ::testing::Test {
 protected:
  void SetUp() override { ResetRepairRegistry(); }
  void TearDown() override { ResetRepairRegistry(); }
  TempFolder work;
};

TEST_F(RepairScenario, OnlyTheExactCommandAsksAndNoChangesNothing) {
  const KeyValues before = WindowsKeyNaming("C:\\windows\\system32\\qvcws.dll");
  WriteKey(kWindowsKeyPath, before);
  AppSession app(Quarvel(), work.Path());
  for (const char* text : {"!hlx", "!HLX ", " !HLX"}) {
    app.Type(kPathTxt, text);
    EXPECT_FALSE(WaitForMessageBox("Delete File", 1500ms)) << text;
  }
  TypeSlowly(app, "!HLX");
  const auto box = WaitForMessageBox("Delete File");
  ASSERT_TRUE(box);
  EXPECT_EQ(box->text,
            "This will Remove Registry Entries in AppInit_DLLs key, the Hidden cws dll will be visible and unloaded "
            "next reboot.\r\nUSE THIS NEXT STEP AT YOUR OWN RISK");
  PressButton(*box, IDNO);
  ASSERT_TRUE(WaitUntil([&] { return !IsWindow(box->window); }));

  EXPECT_EQ(app.Text(kLblInfo), kNormalStatus);
  EXPECT_EQ(app.Text(kPathTxt), "!HLX");
  EXPECT_EQ(ReadKey(kWindowsKeyPath), before);
  EXPECT_FALSE(ReadKey(kParkedKeyPath));
  EXPECT_FALSE(ReadKey(kMarkerKeyPath));
  EXPECT_FALSE(Exists(work / "windows.reg"));
  EXPECT_FALSE(Exists(work / "Windows.hiv"));
}

TEST_F(RepairScenario, AMarkerOtherThanOkMeansANormalStart) {
  for (const char* marker : {"OK", "ok "}) {
    WriteKey(kMarkerKeyPath, Sz({}, "!HLX", marker));
    AppSession app(Quarvel(), work.Path());
    EXPECT_EQ(app.Text(kCmdScan), "Compare") << marker;
    EXPECT_FALSE(app.Enabled(kCmdScan)) << marker;
    EXPECT_TRUE(app.Enabled(kCmdLocate)) << marker;
    EXPECT_EQ(app.Text(kLblInfo), kNormalStatus) << marker;
  }
}

TEST_F(RepairScenario, StartUpShowsTheAccountsElevationAndWhatDecidesWhetherAppInitDllsLoads) {
  WriteKey(kWindowsKeyPath, WindowsKeyNaming("C:\\windows\\system32\\qvcws.dll"));
  WriteKey(kWow64KeyPath, Sz({}, "AppInit_DLLs", "C:\\windows\\qvcws32.dll"));
  const DWORD on = 1;
  WriteKey(kSecureBootKeyPath, {{"UEFISecureBootEnabled", {REG_DWORD, std::string(reinterpret_cast<const char*>(&on), 4)}}});
  AppSession app(Quarvel(), work.Path());
  EXPECT_EQ(app.Text(kLblAdmin), "Administrator Account Detected (elevated)");  // Wine answers as an elevated administrator
  EXPECT_EQ(app.Text(kLblSize),
            "AppInit_DLLs value = C:\\windows\\system32\\qvcws.dll\r\n"
            "LoadAppInit_DLLs = 305419896, Secure Boot = on\r\n"
            "32-bit programs (WOW6432Node): AppInit_DLLs value = C:\\windows\\qvcws32.dll, "
            "LoadAppInit_DLLs = not set\r\n"
            // This prefix names no hive file in hivelist: the caption says the file view is missing, and why.
            "The hive file could not be read: hivelist names no file for this hive: error 2");
}

TEST_F(RepairScenario, ABackupThatCannotBeWrittenLeavesTheRegistryUntouched) {
  const KeyValues before = WindowsKeyNaming("C:\\windows\\system32\\qvcws.dll");
  WriteKey(kWindowsKeyPath, before);
  StandInMisbehaves fail_save("fail-save");

  AppSession app(Quarvel(), work.Path());
  app.TypeAndReturn(kPathTxt, "!HLX");
  const auto box = WaitForMessageBox("Delete File");
  ASSERT_TRUE(box);
  PressButton(*box, IDYES);
  const std::string text = AcknowledgeMessageBox("Backup Failed");
  EXPECT_NE(text.find(work / "Windows.hiv"), std::string::npos) << text;
  EXPECT_NE(text.find("nothing was changed"), std::string::npos) << text;

  EXPECT_EQ(ReadKey(kWindowsKeyPath), before);
  EXPECT_FALSE(ReadKey(kParkedKeyPath));
  EXPECT_FALSE(ReadKey(kMarkerKeyPath));
  EXPECT_TRUE(Exists(work / "windows.reg"));  // the text export was written before the save
  EXPECT_FALSE(Exists(work / "Windows.hiv"));
}

TEST_F(RepairScenario, AnOldBackupThatCannotBeRenamedAsideStopsWithTheRegistryUntouched) {
  const KeyValues before = WindowsKeyNaming("C:\\windows\\system32\\qvcws.dll");
  WriteKey(kWindowsKeyPath, before);
  // Hidden, and held open by another program that does not share its deletion.
  const std::string old_hive = work.MakeFile("Windows.hiv", "an older backup", FILE_ATTRIBUTE_HIDDEN);
  const HANDLE held = CreateFileA(old_hive.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr);
  ASSERT_NE(held, INVALID_HANDLE_VALUE);
  AppSession app(Quarvel(), work.Path());
  app.TypeAndReturn(kPathTxt, "!HLX");
  const auto box = WaitForMessageBox("Delete File");
  ASSERT_TRUE(box);
  PressButton(*box, IDYES);
  EXPECT_NE(AcknowledgeMessageBox("Backup Failed").find(old_hive + " could not be renamed"), std::string::npos);
  CloseHandle(held);
  EXPECT_EQ(ReadKey(kWindowsKeyPath), before);
  EXPECT_FALSE(ReadKey(kMarkerKeyPath));
  EXPECT_EQ(ReadWholeFile(old_hive), "an older backup");
}

// reg.exe restore into the parked key fails, or reports success and restores
// nothing: the Windows key stays whole and no marker is written; older backups
// are kept under new names.
TEST_F(RepairScenario, Step1KeepsEveryValueWhenTheRestoreFailsOrRestoresNothing) {
  const KeyValues before = WindowsKeyNaming("C:\\windows\\system32\\qvcws.dll");
  for (const char* how : {"fail-restore", "restore-nothing"}) {
    SCOPED_TRACE(how);
    ResetRepairRegistry();
    WriteKey(kWindowsKeyPath, before);
    TempFolder folder;
    folder.MakeFile("windows.reg", "older export");
    folder.MakeFile("Windows.hiv", "older hive", FILE_ATTRIBUTE_HIDDEN);
    StandInMisbehaves restore(how);
    AppSession app(Quarvel(), folder.Path());
    app.TypeAndReturn(kPathTxt, "!HLX");
    const auto box = WaitForMessageBox("Delete File");
    ASSERT_TRUE(box);
    PressButton(*box, IDYES);
    const std::string text = AcknowledgeMessageBox("Repair Stopped");
    EXPECT_NE(text.find("does not hold every value"), std::string::npos) << text;
    EXPECT_NE(text.find("Windows is as it was, and its backups are " + (folder / "windows.reg")), std::string::npos)
        << text;

    EXPECT_EQ(ReadKey(kWindowsKeyPath), before);
    EXPECT_FALSE(ReadKey(kMarkerKeyPath));
    EXPECT_EQ(app.Text(kCmdScan), "Compare");
    EXPECT_EQ(ReadWholeFile(folder / "windows.1.reg"), "older export");
    EXPECT_EQ(ReadWholeFile(folder / "Windows.1.hiv"), "older hive");
    EXPECT_GT(ReadWholeFile(folder / "Windows.hiv").size(), 0u);
    EXPECT_TRUE(Exists(folder / "windows.reg"));
  }
}

TEST_F(RepairScenario, WithoutRegExeOnlyTheTextExportIsWritten) {
  const KeyValues before = WindowsKeyNaming("C:\\windows\\system32\\qvcws.dll");
  WriteKey(kWindowsKeyPath, before);
  RegExeAway away;
  AppSession app(Quarvel(), work.Path());
  app.TypeAndReturn(kPathTxt, "!HLX");
  const auto box = WaitForMessageBox("Delete File");
  ASSERT_TRUE(box);
  PressButton(*box, IDYES);
  EXPECT_EQ(AcknowledgeMessageBox("Reg.exe"), "Reg.exe was not detected on your system You need to download and copy it to your " +
                                        SystemFolder() + " to continue");
  EXPECT_EQ(app.Text(kLblInfo), "Backing up Registry info.....");
  EXPECT_TRUE(Exists(work / "windows.reg"));
  EXPECT_FALSE(Exists(work / "Windows.hiv"));
  EXPECT_EQ(ReadKey(kWindowsKeyPath), before);
  EXPECT_FALSE(ReadKey(kMarkerKeyPath));
}

class RepairStep2Scenario : public RepairScenario {
 protected:
  // Parks a Windows key whose AppInit_DLLs reads `value`, starts the program in
  // `start_folder` (the work folder by default) and presses "Step 2".
  void StartAndPressStep2(const std::string& value, const std::string& start_folder = "") {
    parked = WindowsKeyNaming(value);
    ParkAsStep1Does(work.Path(), parked);
    app.emplace(Quarvel(), start_folder.empty() ? work.Path() : start_folder);
    ASSERT_EQ(app->Text(kCmdScan), "Step 2");
    ASSERT_TRUE(app->Enabled(kCmdScan));
    EXPECT_FALSE(app->Enabled(kCmdLocate));
    EXPECT_EQ(app->Text(kLblInfo), "Click the Step2 Button to continue");
    app->Click(kCmdScan);
  }
  // Parked and marked, step 2 due: nothing of step 1's work is lost.
  void ExpectStillDue() {
    EXPECT_EQ(ReadKey(kParkedKeyPath), parked);
    EXPECT_EQ(TextValue(*ReadKey(kMarkerKeyPath), "!HLX"), "ok");
    EXPECT_TRUE(app->Enabled(kCmdScan));
    EXPECT_EQ(app->Text(kCmdScan), "Step 2");
  }
  // After both boxes: the key is back with AppInit_DLLs emptied, the rest gone.
  void ExpectRepaired() {
    ASSERT_TRUE(WaitUntil([&] { return !app->Enabled(kCmdScan); }));
    EXPECT_EQ(app->Text(kCmdScan), "Step 2");
    KeyValues expected = parked;
    expected["AppInit_DLLs"] = {REG_SZ, std::string(1, '\0')};
    EXPECT_EQ(ReadKey(kWindowsKeyPath), expected);
    EXPECT_FALSE(ReadKey(kParkedKeyPath));
    EXPECT_FALSE(ReadKey(kMarkerKeyPath));
  }
  static bool Hidden(DWORD attributes) {
    return attributes & (FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM | FILE_ATTRIBUTE_READONLY);
  }
  TempFolder elsewhere;
  KeyValues parked;
  std::optional<AppSession> app;
};

TEST_F(RepairStep2Scenario, AValueWithBlanksAroundIsShownAsItIsAndMovedTrimmed) {
  const std::string dll = elsewhere.MakeFile("qvabc.dll", "dll", FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM);
  StartAndPressStep2(" " + dll + " ");
  EXPECT_EQ(AcknowledgeMessageBox("AppInit_DLLs"), "Value in AppInit_DLLs is  " + dll + " ");
  EXPECT_EQ(AcknowledgeMessageBox(app::kAppTitle), "Moving qvabc.dll to " + work.Path() + "\\cws as Backup");
  ExpectRepaired();
  EXPECT_EQ(app->Text(kLblInfo), "Completed");
  EXPECT_FALSE(Exists(dll));
  ASSERT_TRUE(Exists(work / "cws\\qvabc.dll"));
  EXPECT_FALSE(Hidden(Attributes(work / "cws\\qvabc.dll")));
  EXPECT_EQ(ReadWholeFile(work / "cws\\qvabc.dll"), "dll");
  EXPECT_EQ(PendingRenames(), "");
}

TEST_F(RepairStep2Scenario, ANamesakeAlreadyInCwsLeavesTheDllForDeletionAtRestart) {
  const std::string dll = elsewhere.MakeFile("qvabc.dll", "new", FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM);
  work.MakeFolder("cws");
  work.MakeFile("cws\\qvabc.dll", "old");
  StartAndPressStep2(dll);
  AcknowledgeMessageBox("AppInit_DLLs");
  AcknowledgeMessageBox(app::kAppTitle);
  EXPECT_EQ(AcknowledgeMessageBox("Not Moved"), "These DLLs named in AppInit_DLLs are not in " + work.Path() +
                                                    "\\cws:\r\n" + dll +
                                                    ": in use or already in cws; Windows deletes it at its next start");
  ExpectRepaired();
  EXPECT_EQ(ReadWholeFile(work / "cws\\qvabc.dll"), "old");
  ASSERT_TRUE(Exists(dll));
  EXPECT_FALSE(Hidden(Attributes(dll)));
  // Recorded as "\??\<path>" with no new name: deleted when Windows starts.
  char short_path[MAX_PATH] = {};
  GetShortPathNameA(dll.c_str(), short_path, MAX_PATH);
  EXPECT_NE(PendingRenames().find(std::string(short_path) + '\0' + '\0'), std::string::npos) << PendingRenames();
}

TEST_F(RepairStep2Scenario, AValueWithoutADotMovesNothingAndIsDeletedAtRestart) {
  const std::string file = elsewhere.MakeFile("qvnodot", "x", FILE_ATTRIBUTE_NORMAL);
  ASSERT_EQ(file.find('.'), std::string::npos);
  StartAndPressStep2(file);
  AcknowledgeMessageBox("AppInit_DLLs");
  EXPECT_EQ(AcknowledgeMessageBox(app::kAppTitle), "Moving  to " + work.Path() + "\\cws as Backup");
  AcknowledgeMessageBox("Not Moved");
  ExpectRepaired();
  EXPECT_TRUE(Exists(file));
  EXPECT_NE(PendingRenames().find("qvnodot"), std::string::npos) << PendingRenames();
}

TEST_F(RepairStep2Scenario, ADllPathWithoutAFolderIsTakenInTheCurrentFolder) {
  work.MakeFile("qvlocal.dll", "local", FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM);
  StartAndPressStep2("qvlocal.dll");
  EXPECT_EQ(AcknowledgeMessageBox("AppInit_DLLs"), "Value in AppInit_DLLs is qvlocal.dll");
  AcknowledgeMessageBox(app::kAppTitle);
  ExpectRepaired();
  EXPECT_FALSE(Exists(work / "qvlocal.dll"));
  EXPECT_EQ(ReadWholeFile(work / "cws\\qvlocal.dll"), "local");
}

TEST_F(RepairStep2Scenario, EveryDllOfTheListIsMovedAndOneThatIsNotThereIsNamed) {
  const std::string first = elsewhere.MakeFile("qvone.dll", "one", FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM);
  const std::string second = elsewhere.MakeFile("qvtwo.dll", "two", FILE_ATTRIBUTE_NORMAL);
  StartAndPressStep2(first + "," + second + "  " + (elsewhere / "qvgone.dll"));
  AcknowledgeMessageBox("AppInit_DLLs");
  EXPECT_EQ(AcknowledgeMessageBox(app::kAppTitle), "Moving qvone.dll to " + work.Path() + "\\cws as Backup");
  EXPECT_EQ(AcknowledgeMessageBox(app::kAppTitle), "Moving qvtwo.dll to " + work.Path() + "\\cws as Backup");
  EXPECT_NE(AcknowledgeMessageBox("Not Moved").find("\r\n" + (elsewhere / "qvgone.dll") + ": not found"),
            std::string::npos);
  ExpectRepaired();
  EXPECT_EQ(ReadWholeFile(work / "cws\\qvone.dll"), "one");
  EXPECT_EQ(ReadWholeFile(work / "cws\\qvtwo.dll"), "two");
  EXPECT_FALSE(Exists(first));
  EXPECT_FALSE(Exists(second));
}

TEST_F(RepairStep2Scenario, StartedAwayFromTheHiveItPutsTheKeyBackFromTheCheckedCopy) {
  const std::string dll = elsewhere.MakeFile("qvabc.dll", "dll", FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM);
  TempFolder other;
  StartAndPressStep2(dll, other.Path());
  const std::string changed = AcknowledgeMessageBox("Backup Changed");
  EXPECT_NE(changed.find(other / "Windows.hiv"), std::string::npos) << changed;
  EXPECT_NE(changed.find("put back from its parked copy"), std::string::npos) << changed;
  AcknowledgeMessageBox("AppInit_DLLs");
  EXPECT_EQ(AcknowledgeMessageBox(app::kAppTitle), "Moving qvabc.dll to " + other.Path() + "\\cws as Backup");
  ExpectRepaired();
  EXPECT_EQ(ReadWholeFile(other / "cws\\qvabc.dll"), "dll");
}

// Between the steps, someone who can write the folder replaces Windows.hiv
// (through a Windows program, as an attacker would) with a hive of the same
// key naming another DLL. Step 2 does not restore it: the key comes back from
// the parked copy step 1 checked, the other DLL is neither named nor moved,
// and a box says what happened.
TEST_F(RepairStep2Scenario, AHiveReplacedBeforeStep2IsNotRestored) {
  const std::string dll = elsewhere.MakeFile("qvabc.dll", "dll", FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM);
  const std::string evil = elsewhere.MakeFile("qvevil.dll", "evil", FILE_ATTRIBUTE_NORMAL);
  parked = WindowsKeyNaming(dll);
  ParkAsStep1Does(work.Path(), parked);
  const std::string forged = elsewhere / "forged.hiv";
  WriteKey("SOFTWARE\\QuarvelForged", Sz(Sz({}, "AppInit_DLLs", evil), "Other", "x"));
  win::SetShowWindowState(SW_HIDE);
  win::RunAndWait(SystemFolder() + "\\reg.exe save \"HKEY_LOCAL_MACHINE\\SOFTWARE\\QuarvelForged\" \"" + forged + "\"");
  RemoveKey("SOFTWARE\\QuarvelForged");
  ASSERT_TRUE(CopyFileA(forged.c_str(), (work / "Windows.hiv").c_str(), FALSE));

  app.emplace(Quarvel(), work.Path());
  app->Click(kCmdScan);
  const std::string changed = AcknowledgeMessageBox("Backup Changed");
  EXPECT_NE(changed.find((work / "Windows.hiv") + " is not the file Step 1 wrote"), std::string::npos) << changed;
  EXPECT_EQ(AcknowledgeMessageBox("AppInit_DLLs"), "Value in AppInit_DLLs is " + dll);
  AcknowledgeMessageBox(app::kAppTitle);
  ExpectRepaired();
  EXPECT_EQ(ReadWholeFile(work / "cws\\qvabc.dll"), "dll");
  EXPECT_TRUE(Exists(evil));
  EXPECT_FALSE(Exists(work / "cws\\qvevil.dll"));
  EXPECT_EQ(ReadWholeFile(work / "Windows.hiv"), ReadWholeFile(forged));  // left for the administrator to look at
}

// An AppInit_DLLs of type REG_EXPAND_SZ: expanded as Windows would, its DLL
// moved, and the value emptied as a REG_EXPAND_SZ.
TEST_F(RepairStep2Scenario, AnExpandableValueIsExpandedItsDllMovedAndItStaysExpandable) {
  const std::string dll = "C:\\windows\\qvexp.dll";
  SetFileAttributesA(dll.c_str(), FILE_ATTRIBUTE_NORMAL);
  DeleteFileA(dll.c_str());
  TempFolder::MakeFileAt(dll, "exp", FILE_ATTRIBUTE_HIDDEN);
  parked = WindowsKeyNaming("");
  parked["AppInit_DLLs"] = {REG_EXPAND_SZ, std::string("%SystemRoot%\\qvexp.dll") + '\0'};
  ParkAsStep1Does(work.Path(), parked);
  app.emplace(Quarvel(), work.Path());
  app->Click(kCmdScan);
  EXPECT_EQ(AcknowledgeMessageBox("AppInit_DLLs"), "Value in AppInit_DLLs is %SystemRoot%\\qvexp.dll");
  EXPECT_EQ(AcknowledgeMessageBox(app::kAppTitle), "Moving qvexp.dll to " + work.Path() + "\\cws as Backup");
  ASSERT_TRUE(WaitUntil([&] { return !app->Enabled(kCmdScan); }));
  KeyValues expected = parked;
  expected["AppInit_DLLs"] = {REG_EXPAND_SZ, std::string(1, '\0')};
  EXPECT_EQ(ReadKey(kWindowsKeyPath), expected);
  EXPECT_FALSE(ReadKey(kParkedKeyPath));
  EXPECT_FALSE(Exists(dll));
  EXPECT_EQ(ReadWholeFile(work / "cws\\qvexp.dll"), "exp");
}

// reg.exe restore into the Windows key fails, or reports success and restores
// nothing: the parked copy and the marker stay, byte for byte, "Step 2" stays
// offered, and a click once reg.exe works finishes the repair.
TEST_F(RepairStep2Scenario, Step2DeletesNothingWhenTheRestoreFailsOrRestoresNothing) {
  const std::string dll = elsewhere.MakeFile("qvabc.dll", "dll", FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM);
  for (const char* how : {"fail-restore", "restore-nothing"}) {
    SCOPED_TRACE(how);
    {
      StandInMisbehaves restore(how);
      StartAndPressStep2(dll);
      const std::string text = AcknowledgeMessageBox("Repair Stopped");
      EXPECT_NE(text.find("does not hold every value"), std::string::npos) << text;
      EXPECT_NE(text.find("is kept in HKEY_LOCAL_MACHINE\\" + std::string(kParkedKeyPath)), std::string::npos) << text;
      ExpectStillDue();
      EXPECT_EQ(ReadKey(kWindowsKeyPath), KeyValues{});  // created for the restore, left empty
      EXPECT_TRUE(Exists(dll));
    }
    app->Click(kCmdScan);
    AcknowledgeMessageBox("AppInit_DLLs");
    AcknowledgeMessageBox(app::kAppTitle);
    ExpectRepaired();
    EXPECT_EQ(ReadWholeFile(work / "cws\\qvabc.dll"), "dll");
    MoveFileA((work / "cws\\qvabc.dll").c_str(), dll.c_str());
    app.reset();
  }
}

TEST_F(RepairStep2Scenario, WithoutRegExeItChangesNothingAndStaysDue) {
  const std::string dll = elsewhere.MakeFile("qvabc.dll", "dll", FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM);
  parked = WindowsKeyNaming(dll);
  ParkAsStep1Does(work.Path(), parked);
  RegExeAway away;
  AppSession app(Quarvel(), work.Path());
  app.Click(kCmdScan);
  EXPECT_NE(AcknowledgeMessageBox("Reg.exe").find(SystemFolder()), std::string::npos);
  EXPECT_FALSE(ReadKey(kWindowsKeyPath));
  EXPECT_EQ(ReadKey(kParkedKeyPath), parked);
  EXPECT_EQ(TextValue(*ReadKey(kMarkerKeyPath), "!HLX"), "ok");
  EXPECT_TRUE(app.Enabled(kCmdScan));
  EXPECT_TRUE(Exists(dll));
}

TEST_F(RepairStep2Scenario, Step1IsRefusedWhileStep2IsDue) {
  parked = WindowsKeyNaming("C:\\windows\\system32\\qvcws.dll");
  ParkAsStep1Does(work.Path(), parked);
  const std::string hive = ReadWholeFile(work / "Windows.hiv");
  AppSession app(Quarvel(), work.Path());
  app.TypeAndReturn(kPathTxt, "!HLX");
  const std::string text = AcknowledgeMessageBox("Step 2");
  EXPECT_NE(text.find("nothing was changed"), std::string::npos) << text;
  EXPECT_FALSE(FindMessageBox("Delete File"));
  EXPECT_EQ(ReadWholeFile(work / "Windows.hiv"), hive);
  EXPECT_EQ(ReadKey(kParkedKeyPath), parked);
  EXPECT_FALSE(ReadKey(kWindowsKeyPath));
  EXPECT_TRUE(app.Enabled(kCmdScan));
}

}  // namespace
}  // namespace quarvel::testing
