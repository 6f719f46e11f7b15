#include "core/AppInitDlls.h"

#include <gtest/gtest.h>

namespace quarvel {
namespace {

using Dlls = std::vector<std::string>;

TEST(AppInitDllList, BlanksAndCommasSeparateThePaths) {
  EXPECT_EQ(SplitAppInitDlls(R"( C:\PROGRA~1\a.dll,C:\b.dll  c.dll ,, )"),
            (Dlls{R"(C:\PROGRA~1\a.dll)", R"(C:\b.dll)", "c.dll"}));
  EXPECT_EQ(SplitAppInitDlls(" , "), Dlls{});
  EXPECT_EQ(SplitAppInitDlls(""), Dlls{});
}

TEST(AppInitCaption, TheValueWithWhatDecidesWhetherWindowsLoadsIt) {
  AppInitFacts facts;
  EXPECT_EQ(AppInitCaption(facts), "");
  facts.value = R"(C:\x\cws.dll)";
  EXPECT_EQ(AppInitCaption(facts), "AppInit_DLLs value = C:\\x\\cws.dll\r\nLoadAppInit_DLLs = not set, Secure Boot = not reported");
  facts.load = "1";
  facts.secure_boot = "0";
  EXPECT_EQ(AppInitCaption(facts), "AppInit_DLLs value = C:\\x\\cws.dll\r\nLoadAppInit_DLLs = 1, Secure Boot = off");
  facts.secure_boot = "1";
  facts.wow64_value = R"(C:\y.dll)";
  facts.wow64_load = "0";
  EXPECT_EQ(AppInitCaption(facts),
            "AppInit_DLLs value = C:\\x\\cws.dll\r\nLoadAppInit_DLLs = 1, Secure Boot = on\r\n"
            "32-bit programs (WOW6432Node): AppInit_DLLs value = C:\\y.dll, LoadAppInit_DLLs = 0");
  facts.value.clear();  // only the 32-bit programs' value names anything
  EXPECT_EQ(AppInitCaption(facts).rfind("AppInit_DLLs value = \r\n", 0), 0u);
}

}  // namespace
}  // namespace quarvel
