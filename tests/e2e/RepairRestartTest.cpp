// The whole repair across a real restart. Wine ends every process of the
// prefix when the restart is asked for, this driver included, so the scenario
// script runs the two phases as separate programs and checks in between that
// the first one got as far as the restart.
#include <gtest/gtest.h>

#include <string>

#include "../platform/TempFolder.h"
#include "RepairWorld.h"
#include "UiDriver.h"
#include "app/ControlIds.h"

namespace quarvel::testing {
namespace {

using namespace app;
using namespace std::chrono_literals;

// Both phases work in this folder, which outlives the restart.
const std::string kWork = "C:\\quarvel-repair";
const std::string kPlantedDll = SystemFolder() + "\\qvcws.dll";
// Written just before the "Reboot" box is answered; the script looks for it.
const std::string kRestartAsked = kWork + "\\restart-asked";

std::string Quarvel() { return NextToThisProgram("..\\bin\\quarvel.exe"); }


TEST(RepairStep1Restart, BacksUpParksMarksAndRestartsWindows) {
  ResetRepairRegistry();
  WriteKey(kWindowsKeyPath, WindowsKeyNaming(kPlantedDll));
  SetFileAttributesA(kPlantedDll.c_str(), FILE_ATTRIBUTE_NORMAL);
  TempFolder::MakeFileAt(kPlantedDll, "cws", FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM);
  CreateDirectoryA(kWork.c_str(), nullptr);
  DeleteFileA(kRestartAsked.c_str());
  // Backups of an earlier run are replaced, not kept.
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
  for (const char* name : {"windows.reg", "Windows.hiv"}) {
    const std::string backup = ReadWholeFile(kWork + "\\" + name);
    EXPECT_GT(backup.size(), 3u) << name;
  }
  EXPECT_FALSE(ReadKey(kWindowsKeyPath));
  EXPECT_EQ(ReadKey(kParkedKeyPath), WindowsKeyNaming(kPlantedDll));
  EXPECT_EQ(ReadKey(kMarkerKeyPath), Sz({}, "!HLX", "ok"));
  ASSERT_FALSE(::testing::Test::HasFailure());

  TempFolder::MakeFileAt(kRestartAsked, "", FILE_ATTRIBUTE_NORMAL);
  PressButton(*reboot, IDOK);
  // The restart ends this program; living on means it never came.
  Sleep(60000);
  FAIL() << "Windows was not restarted within a minute of the Reboot box";
}

TEST(RepairAfterRestart, Step2PutsTheKeyBackAndMovesTheDllAside) {
  // What step 1 left across the restart.
  const KeyValues former = WindowsKeyNaming(kPlantedDll);
  EXPECT_FALSE(ReadKey(kWindowsKeyPath));
  EXPECT_EQ(ReadKey(kParkedKeyPath), former);
  EXPECT_EQ(ReadKey(kMarkerKeyPath), Sz({}, "!HLX", "ok"));
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
  EXPECT_EQ(AcknowledgeMessageBox(kAppTitle), "Moving qvcws.dll to " + kWork + "\\cws as Backup");
  ASSERT_TRUE(WaitUntil([&] { return !app.Enabled(kCmdScan); }));
  EXPECT_EQ(app.Text(kLblInfo), "Completed");

  KeyValues repaired = former;
  repaired["AppInit_DLLs"] = {REG_SZ, std::string(1, '\0')};
  EXPECT_EQ(ReadKey(kWindowsKeyPath), repaired);
  EXPECT_FALSE(ReadKey(kParkedKeyPath));
  EXPECT_FALSE(ReadKey(kMarkerKeyPath));
  EXPECT_FALSE(Exists(kPlantedDll));
  const std::string moved = kWork + "\\cws\\qvcws.dll";
  ASSERT_TRUE(Exists(moved));
  EXPECT_EQ(Attributes(moved) & (FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM | FILE_ATTRIBUTE_READONLY), 0u);
  EXPECT_EQ(ReadWholeFile(moved), "cws");
}

}  // namespace
}  // namespace quarvel::testing
