#include "core/KeyContents.h"

#include <gtest/gtest.h>

namespace quarvel {
namespace {

TEST(KeyContents, TheFingerprintChangesWithAnyNameTypeOrByte) {
  const KeyContents values = {{"AppInit_DLLs", {1, std::string("a.dll\0", 6)}}, {"n", {4, std::string(4, '\0')}}};
  const std::string print = Fingerprint(values);
  EXPECT_EQ(print.rfind("2 values ", 0), 0u);
  EXPECT_EQ(Fingerprint(values), print);
  KeyContents other = values;
  other["n"].type = 3;
  EXPECT_NE(Fingerprint(other), print);
  other = values;
  other["n"].data[3] = 1;
  EXPECT_NE(Fingerprint(other), print);
  // Names and data do not run into each other.
  EXPECT_NE(Fingerprint({{"ab", {1, "c"}}}), Fingerprint({{"a", {1, "bc"}}}));
  EXPECT_TRUE(SameValuesExcept(values, {{"AppInit_DLLs", {1, std::string(1, '\0')}}, {"n", values.at("n")}},
                               "AppInit_DLLs"));
  EXPECT_FALSE(SameValuesExcept(values, {{"n", values.at("n")}, {"x", {1, ""}}}, "AppInit_DLLs"));
}

}  // namespace
}  // namespace quarvel
