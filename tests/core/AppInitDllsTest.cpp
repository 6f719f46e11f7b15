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

// The whole caption, with every fact set, is checked end to end.
TEST(AppInitCaption, FactsThatAreNotThereAreSaidSo) {
  AppInitFacts facts;
  EXPECT_EQ(AppInitCaption(facts), "");
  facts.wow64_value = R"(C:\y.dll)";  // only the 32-bit programs' value names anything
  EXPECT_EQ(AppInitCaption(facts),
            "AppInit_DLLs value = \r\nLoadAppInit_DLLs = not set, Secure Boot = not reported\r\n"
            "32-bit programs (WOW6432Node): AppInit_DLLs value = C:\\y.dll, LoadAppInit_DLLs = not set");
}

}  // namespace
}  // namespace quarvel
