#include "core/HeadingGuard.h"

#include <gtest/gtest.h>

namespace quarvel {
namespace {

// One row per heading a listing might hold: only the chosen folder and what
// lies below it may be asked about, never a network path, a device path or a
// path that steps out with "..".
TEST(HeadingGuard, OnlyTheChosenFolderAndWhatLiesBelowIt) {
  const HeadingGuard guard({"C:\\Users\\Ann\\Downloads\\", "C:\\Users\\Ann\\DOWNLO~1"});
  const struct {
    const char* text;
    bool may_ask;
  } rows[] = {
      {"C:\\Users\\Ann\\Downloads\\", true},
      {"c:\\users\\ann\\downloads\\sub\\", true},
      {"C:\\Users\\Ann\\DOWNLO~1\\SUB\\", true},
      {"C:\\Users\\Ann\\Downloads", true},
      {"C:\\Users\\Ann\\Downloads2\\", false},
      {"\\\\host\\share\\", false},
      {"\\\\?\\UNC\\host\\share\\", false},
      {"\\\\.\\pipe\\x\\", false},
      {"C:\\WINDOWS\\SYSTEM32\\", false},
      {"C:\\Users\\Ann\\Downloads\\..\\..\\", false},
      {"C:\\Users\\Ann\\Downloads\\.\\", false},
      {"C:\\Users\\Ann\\Downloads/../x\\", false},
      {"", false},
  };
  for (const auto& row : rows) EXPECT_EQ(guard.MayAsk(row.text), row.may_ask) << row.text;

  const HeadingGuard no_roots({});
  EXPECT_TRUE(no_roots.MayAsk("D:\\TREE\\"));
  EXPECT_FALSE(no_roots.MayAsk("\\\\host\\share\\"));
  EXPECT_TRUE(HeadingGuard({"\\\\server\\share\\tree\\"}).MayAsk("\\\\server\\share\\tree\\sub\\"));
}

}  // namespace
}  // namespace quarvel
