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

}  // namespace
}  // namespace quarvel
