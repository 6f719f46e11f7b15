// The whole repair across a real restart. Wine ends every process of the
// prefix when the restart is asked for, this driver included, so the scenario
// script runs the two phases as separate programs and checks in between that
// the first one got as far as the restart.
#include <gtest/gtest.h>

#include <string>

#include "tests/support/TempFolder.h"
#include "tests/support/RepairWorld.h"
#include "tests/support/UiDriver.h"
#include "app/ControlIds.h"
#include "platform/RegistryCalls.h"

namespace quarvel::testing {
namespace {

using namespace app;
using namespace std::chrono_literals;

// Both phases work in this folder, which outlives the restart.
const std::string kWork = "C:\\quarvel-repair";
const std::string kPlantedDll = SystemFolder() + "\\qvcws.dll";
// Named in the key 32-bit programs read, which the repair takes along.
const std::string kPlantedDll32 = "C:\\windows\\qvcws32.dll";

KeyValues Wow64KeyNaming(const std::string& dll) { return Sz(Sz({}, "Spooler", "yes"), "AppInit_DLLs", dll); }
// Written just before the "Reboot" box is answered; the script looks for it.
const std::string kRestartAsked = kWork + "\\restart-asked";

std::string Quarvel() { return NextToThisProgram("..\\bin\\quarvel.exe"); }


TEST(RepairStep1Restart, BacksUpParksMarksAndRestartsWindows) {
  ResetRepairRegistry();
  WriteKey(kWindowsKeyPath, WindowsKeyNaming(kPlantedDll));
  WriteKey(kWow64KeyPath, Wow64KeyNaming(kPlantedDll32));
  for (const std::string& dll : {kPlantedDll, kPlantedDll32}) {
    SetFileAttributesA(dll.c_str(), FILE_ATTRIBUTE_NORMAL);
    TempFolder::MakeFileAt(dll, "cws", FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM);
  }
  CreateDirectoryA(kWork.c_str(), nullptr);
  DeleteFileA(kRestartAsked.c_str());
  for (const char* name : {"windows.1.reg", "Windows.1.hiv", "windows32.reg", "Windows32.hiv"}) {
    DeleteFileA((kWork + "\\" + name).c_str());
  }
  // Backups of an earlier run are kept under new names, never deleted.
  for (const char* name : {"windows.reg", "Windows.hiv"}) TempFolder::MakeFileAt(kWork + "\\" + name, "old", 0);

  AppSession app(Quarvel(), kWork);
  for (const char* typed : {"!", "!H", "!HL"}) app.Type(kPathTxt, typed);
  app.TypeAndReturn(kPathTxt, "!HLX");
  const auto confirm = WaitForMessageBox("Delete File");
  ASSERT_TRUE(confirm);
  PressButton(*confirm, IDYES);

  const auto reboot = WaitForMessageBox("Reboot", 60s);
  ASSERT_TRUE(reboot);
  EXPECT_EQ(reboot->text,
            "You need to Reboot to complete the Fix, Remember to Run this Program again after Reboot to complete the "
            "Fix");
  EXPECT_EQ(app.Text(kLblInfo), "Completed Writing new Registry info");
  for (const char* name : {"windows.reg", "Windows.hiv", "windows32.reg", "Windows32.hiv"}) {
    const std::string backup = ReadWholeFile(kWork + "\\" + name);
    EXPECT_GT(backup.size(), 3u) << name;
  }
  EXPECT_EQ(ReadWholeFile(kWork + "\\windows.1.reg"), "old");
  EXPECT_EQ(ReadWholeFile(kWork + "\\Windows.1.hiv"), "old");
  EXPECT_FALSE(ReadKey(kWindowsKeyPath));
  EXPECT_FALSE(ReadKey(kWow64KeyPath));
  EXPECT_EQ(ReadKey(kParkedKeyPath), WindowsKeyNaming(kPlantedDll));
  EXPECT_EQ(ReadKey(kWow64ParkedKeyPath), Wow64KeyNaming(kPlantedDll32));
  const auto marker = ReadKey(kMarkerKeyPath);
  ASSERT_TRUE(marker);
  EXPECT_EQ(TextValue(*marker, "!HLX"), "ok");
  // The digests of both hives and parked copies, both keys' access lists and the boot time.
  EXPECT_EQ(marker->size(), 8u);
  // Nobody but Administrators and SYSTEM can change what step 2 will act on.
  for (const char* locked : {kParkedKeyPath, kWow64ParkedKeyPath, kMarkerKeyPath}) {
    const KeyRead read = win::ReadRegistryKey(HKEY_LOCAL_MACHINE, locked);
    ASSERT_TRUE(read.tree) << locked;
    EXPECT_EQ(read.tree->security, "D:P(A;OICI;KA;;;BA)(A;OICI;KA;;;SY)") << locked;
  }
  ASSERT_FALSE(::testing::Test::HasFailure());

  TempFolder::MakeFileAt(kRestartAsked, "", FILE_ATTRIBUTE_NORMAL);
  PressButton(*reboot, IDOK);
  // The restart ends this program; living on means it never came.
  Sleep(60000);
  FAIL() << "Windows was not restarted within a minute of the Reboot box";
}

TEST(RepairAfterRestart, Step2PutsBothKeysBackAndMovesTheirDllsAside) {
  // What step 1 left across the restart.
  const KeyValues former = WindowsKeyNaming(kPlantedDll);
  const KeyValues former32 = Wow64KeyNaming(kPlantedDll32);
  EXPECT_FALSE(ReadKey(kWindowsKeyPath));
  EXPECT_EQ(ReadKey(kParkedKeyPath), former);
  EXPECT_EQ(ReadKey(kWow64ParkedKeyPath), former32);
  EXPECT_EQ(TextValue(*ReadKey(kMarkerKeyPath), "!HLX"), "ok");
  EXPECT_TRUE(Exists(kWork + "\\windows.reg"));
  EXPECT_TRUE(Exists(kWork + "\\Windows.hiv"));
  ASSERT_FALSE(::testing::Test::HasFailure());

  AppSession app(Quarvel(), kWork);
  EXPECT_EQ(app.Text(kCmdScan), "Step 2");
  EXPECT_TRUE(app.Enabled(kCmdScan));
  EXPECT_FALSE(app.Enabled(kCmdLocate));
  EXPECT_EQ(app.Text(kLblInfo), "Click the Step2 Button to continue");
  app.Click(kCmdScan);
  EXPECT_EQ(AcknowledgeMessageBox("AppInit_DLLs"), "Value in AppInit_DLLs is " + kPlantedDll);
  EXPECT_EQ(AcknowledgeMessageBox("AppInit_DLLs"),
            "Value in AppInit_DLLs of 32-bit programs (WOW6432Node) is " + kPlantedDll32);
  EXPECT_EQ(AcknowledgeMessageBox(kAppTitle), "Moving qvcws.dll to " + kWork + "\\cws as Backup");
  EXPECT_EQ(AcknowledgeMessageBox(kAppTitle), "Moving qvcws32.dll to " + kWork + "\\cws as Backup");
  ASSERT_TRUE(WaitUntil([&] { return !app.Enabled(kCmdScan); }));
  EXPECT_EQ(app.Text(kLblInfo), "Completed");

  for (auto [key, values] : {std::pair{kWindowsKeyPath, former}, std::pair{kWow64KeyPath, former32}}) {
    values["AppInit_DLLs"] = {REG_SZ, std::string(1, '\0')};
    EXPECT_EQ(ReadKey(key), values) << key;
  }
  EXPECT_FALSE(ReadKey(kParkedKeyPath));
  EXPECT_FALSE(ReadKey(kWow64ParkedKeyPath));
  EXPECT_FALSE(ReadKey(kMarkerKeyPath));
  for (const std::string& dll : {kPlantedDll, kPlantedDll32}) {
    EXPECT_FALSE(Exists(dll));
    const std::string moved = kWork + "\\cws" + dll.substr(dll.rfind('\\'));
    ASSERT_TRUE(Exists(moved));
    EXPECT_EQ(Attributes(moved) & (FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM | FILE_ATTRIBUTE_READONLY), 0u);
    EXPECT_EQ(ReadWholeFile(moved), "cws");
  }
}

}  // namespace
}  // namespace quarvel::testing
