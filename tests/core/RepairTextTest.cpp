#include "core/RepairText.h"

#include <gtest/gtest.h>

namespace quarvel {
namespace {

TEST(RepairMarker, OnlyTheExactTextCounts) {
  EXPECT_TRUE(IsStep1Done("ok"));
  EXPECT_FALSE(IsStep1Done("OK"));
  EXPECT_FALSE(IsStep1Done("Ok"));
  EXPECT_FALSE(IsStep1Done("ok "));
  EXPECT_FALSE(IsStep1Done(" ok"));
  EXPECT_FALSE(IsStep1Done(""));
}

TEST(RepairCommands, ToolsGetTheirOwnPathTheKeyAndFilesQuoted) {
  const RepairKey& key = kNativeRepairKey;
  EXPECT_EQ(RegeditExportCommand(R"(C:\WINDOWS)", R"(C:\My Tools)", key),
            R"("C:\WINDOWS\regedit.exe" /e "C:\My Tools\windows.reg" )"
            R"("HKEY_LOCAL_MACHINE\SOFTWARE\Microsoft\Windows NT\CurrentVersion\Windows")");
  EXPECT_EQ(RegSaveCommand(R"(C:\WINDOWS\system32)", R"(C:\Tools)", key),
            R"("C:\WINDOWS\system32\reg.exe" save )"
            R"("HKEY_LOCAL_MACHINE\SOFTWARE\Microsoft\Windows NT\CurrentVersion\Windows" "C:\Tools\Windows.hiv" /y)");
  EXPECT_EQ(RegRestoreParkedCommand(R"(C:\WINDOWS\system32)", key),
            R"("C:\WINDOWS\system32\reg.exe" restore )"
            R"("HKEY_LOCAL_MACHINE\SOFTWARE\Microsoft\Windows NT\CurrentVersion\Windows!" Windows.hiv)");
  EXPECT_EQ(RegRestoreWindowsCommand(R"(C:\WINDOWS\system32)", R"(C:\Tools)", key),
            R"("C:\WINDOWS\system32\reg.exe" restore )"
            R"("HKEY_LOCAL_MACHINE\SOFTWARE\Microsoft\Windows NT\CurrentVersion\Windows" "C:\Tools\Windows.hiv")");
}

TEST(RepairCommands, The32BitKeyHasItsOwnPathAndBackups) {
  EXPECT_EQ(RegRestoreParkedCommand(R"(C:\W\system32)", kWow64RepairKey),
            R"("C:\W\system32\reg.exe" restore )"
            R"("HKEY_LOCAL_MACHINE\SOFTWARE\WOW6432Node\Microsoft\Windows NT\CurrentVersion\Windows!" Windows32.hiv)");
}

TEST(RepairCommands, IcaclsGrantsTheAdministratorsSidOnTheFileAlone) {
  EXPECT_EQ(IcaclsCommand(R"(C:\WINDOWS\system32)", R"(C:\WINDOWS\system32\abc.dll)"),
            R"("C:\WINDOWS\system32\icacls.exe" "C:\WINDOWS\system32\abc.dll" /grant *S-1-5-32-544:F)");
  EXPECT_EQ(IcaclsCommand(R"(C:\S)", "abc.dll"), R"("C:\S\icacls.exe" "abc.dll" /grant *S-1-5-32-544:F)");
}

TEST(RepairTexts, EveryToolResultButSuccessIsSaid) {
  struct Case {
    ToolRun run;
    const char* text;
  };
  const Case cases[] = {
      {{true, 0, false, 0}, ""},
      {{true, 0, false, 1}, "reg.exe save ended with exit code 1."},
      {{true, 0, true, 1}, "reg.exe save did not end within 120 seconds and was stopped."},
      {{false, 2, false, 0}, "reg.exe save could not be started (error 2)."},
  };
  for (const Case& c : cases) EXPECT_EQ(ToolResultText("reg.exe save", c.run, 120), c.text);
}

TEST(RepairNames, OlderBackupsAreKeptUnderANumberBeforeTheirExtension) {
  EXPECT_EQ(AsideName(R"(C:\Tools\Windows.hiv)", 1), R"(C:\Tools\Windows.1.hiv)");
  EXPECT_EQ(AsideName(R"(C:\My.Tools\windows.reg)", 12), R"(C:\My.Tools\windows.12.reg)");
  EXPECT_EQ(AsideName(R"(C:\My.Tools\noext)", 2), R"(C:\My.Tools\noext.2)");
}

TEST(RepairBoxes, TextsJoinTheirPiecesWithNothingBetween) {
  EXPECT_EQ(RegExeMissingBox(R"(C:\WINDOWS\system32)").text,
            R"(Reg.exe was not detected on your system You need to download and copy it to your )"
            R"(C:\WINDOWS\system32 to continue)");
  EXPECT_EQ(MovingBox("abc.dll", R"(C:\Tools)"), (RepairBox{"", R"(Moving abc.dll to C:\Tools\cws as Backup)"}));
  EXPECT_EQ(AppInitBox(" a.dll ", kNativeRepairKey).text, "Value in AppInit_DLLs is  a.dll ");
  EXPECT_EQ(AppInitBox("a.dll", kWow64RepairKey).text,
            "Value in AppInit_DLLs of 32-bit programs (WOW6432Node) is a.dll");
  EXPECT_EQ(DeleteFileBox().text.find("reboot.\r\nUSE THIS NEXT STEP AT YOUR OWN RISK"), 108u);
  EXPECT_NE(BackupNotWrittenBox(R"(C:\Tools\Windows.hiv)").text.find("nothing was changed"), std::string::npos);
}

}  // namespace
}  // namespace quarvel
