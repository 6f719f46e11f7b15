#include <gtest/gtest.h>

#include <shlwapi.h>

#include "tests/support/TempFolder.h"
#include "platform/CommonFunction.h"
#include "platform/OS_Detect.h"

namespace quarvel::win {
namespace {

TEST(SystemFolders, WindowsFolderHasNoTrailingBackslash) {
  const std::string windows = GetWinDir();
  ASSERT_FALSE(windows.empty());
  EXPECT_NE(windows.back(), '\\');
  EXPECT_TRUE(PathIsDirectoryA(windows.c_str()));
  EXPECT_TRUE(PathFileExistsA((windows + "\\regedit.exe").c_str()));
}

TEST(SystemFolders, SystemFolderLiesInTheWindowsFolder) {
  const std::string system = GetSysDir();
  EXPECT_TRUE(PathIsDirectoryA(system.c_str()));
  EXPECT_EQ(lstrcmpiA(system.c_str(), (GetWinDir() + "\\system32").c_str()), 0) << system;
}

TEST(SystemFolders, CurrentFolderFollowsTheProcess) {
  testing::TempFolder folder;
  const std::string previous = GetCurDir();
  ASSERT_TRUE(SetCurrentDirectoryA(folder.Path().c_str()));
  EXPECT_EQ(lstrcmpiA(GetCurDir().c_str(), folder.Path().c_str()), 0);
  SetCurrentDirectoryA(previous.c_str());
  EXPECT_EQ(GetCurDir(), previous);
}

TEST(SystemFolders, ShortNameOfALongPathHasNoBlanksAndNamesTheSameFile) {
  testing::TempFolder folder;
  folder.MakeFolder("Folder With Blanks");
  const std::string long_path = folder.MakeFile("Folder With Blanks\\A Long File Name.dll");
  const std::string short_path = GetShortName(long_path);
  EXPECT_EQ(short_path.find(' '), std::string::npos) << short_path;
  EXPECT_TRUE(PathFileExistsA(short_path.c_str()));
}

TEST(SystemFolders, ShortNameOfAMissingPathIsEmpty) {
  EXPECT_EQ(GetShortName("C:\\no\\such\\path.dll"), "");
}

TEST(Platform, WineReportsTheNtFamily) { EXPECT_EQ(GetPlatformId(), 2); }

}  // namespace
}  // namespace quarvel::win
