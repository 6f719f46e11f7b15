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

TEST(RepairCommands, ToolsGetTheKeyAndFilesQuoted) {
  EXPECT_EQ(RegeditExportCommand(R"(C:\WINDOWS)", R"(C:\My Tools)"),
            R"(C:\WINDOWS\regedit.exe /e "C:\My Tools\windows.reg" )"
            R"("HKEY_LOCAL_MACHINE\SOFTWARE\Microsoft\Windows NT\CurrentVersion\Windows")");
  EXPECT_EQ(RegSaveCommand(R"(C:\WINDOWS\system32)", R"(C:\Tools)"),
            R"(C:\WINDOWS\system32\reg.exe save )"
            R"("HKEY_LOCAL_MACHINE\SOFTWARE\Microsoft\Windows NT\CurrentVersion\Windows" "C:\Tools\Windows.hiv")");
  EXPECT_EQ(RegRestoreParkedCommand(R"(C:\WINDOWS\system32)"),
            R"(C:\WINDOWS\system32\reg.exe restore )"
            R"("HKEY_LOCAL_MACHINE\SOFTWARE\Microsoft\Windows NT\CurrentVersion\Windows!" Windows.hiv)");
  EXPECT_EQ(RegRestoreWindowsCommand(R"(C:\WINDOWS\system32)", R"(C:\Tools)"),
            R"(C:\WINDOWS\system32\reg.exe restore )"
            R"("HKEY_LOCAL_MACHINE\SOFTWARE\Microsoft\Windows NT\CurrentVersion\Windows" "C:\Tools\Windows.hiv")");
}

TEST(RepairCommands, CaclsQuotesTheDllPathOnlyWhenItHoldsABlank) {
  EXPECT_EQ(CaclsCommand(R"(C:\WINDOWS\system32)", R"(C:\WINDOWS\system32\abc.dll)"),
            R"(C:\WINDOWS\system32\cacls.exe C:\WINDOWS\system32\abc.dll /t /e /g Administrators:f)");
  EXPECT_EQ(CaclsCommand(R"(C:\WINDOWS\system32)", R"(C:\Program Files\x\abc.dll)"),
            R"(C:\WINDOWS\system32\cacls.exe "C:\Program Files\x\abc.dll" /t /e /g Administrators:f)");
  EXPECT_EQ(CaclsCommand(R"(C:\S)", "abc.dll"), R"(C:\S\cacls.exe abc.dll /t /e /g Administrators:f)");
}

TEST(RepairBoxes, TextsJoinTheirPiecesWithNothingBetween) {
  EXPECT_EQ(RegExeMissingBox(R"(C:\WINDOWS\system32)").text,
            R"(Reg.exe was not detected on your system You need to download and copy it to your )"
            R"(C:\WINDOWS\system32 to continue)");
  EXPECT_EQ(MovingBox("abc.dll", R"(C:\Tools)"), (RepairBox{"", R"(Moving abc.dll to C:\Tools\cws as Backup)"}));
  EXPECT_EQ(AppInitBox(" a.dll ").text, "Value in AppInit_DLLs is  a.dll ");
  EXPECT_EQ(DeleteFileBox().text.find("reboot.\r\nUSE THIS NEXT STEP AT YOUR OWN RISK"), 108u);
  EXPECT_NE(HiveNotFoundBox(R"(D:\Elsewhere)").text.find(R"(in D:\Elsewhere,)"), std::string::npos);
  EXPECT_NE(BackupNotWrittenBox(R"(C:\Tools\Windows.hiv)").text.find("nothing was changed"), std::string::npos);
}

}  // namespace
}  // namespace quarvel
