#include "core/hive/AutostartKeys.h"

#include <gtest/gtest.h>

#include <algorithm>

#include "tests/core/hive/TestHive.h"

namespace quarvel::hive {
namespace {

using test::ByteVector;
using test::Le;
using test::TestHive;

TEST(AutostartKeys, FilePathsDropTheHiveAndMapTheControlSetAndTheWow64View) {
  const auto& keys = AutostartKeys();
  auto find = [&](std::u16string_view api, bool wow64_32) {
    auto it = std::find_if(keys.begin(), keys.end(), [&](const AutostartKey& k) { return k.api_path == api && k.wow64_32 == wow64_32; });
    EXPECT_NE(it, keys.end());
    return it == keys.end() ? std::u16string() : FilePath(*it, u"ControlSet002");
  };
  EXPECT_EQ(find(u"SOFTWARE\\Microsoft\\Windows NT\\CurrentVersion\\Windows", false), u"Microsoft\\Windows NT\\CurrentVersion\\Windows");
  EXPECT_EQ(find(u"SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Run", true), u"WOW6432Node\\Microsoft\\Windows\\CurrentVersion\\Run");
  EXPECT_EQ(find(u"SYSTEM\\CurrentControlSet\\Control\\Session Manager\\AppCertDlls", false),
            u"ControlSet002\\Control\\Session Manager\\AppCertDlls");
  EXPECT_EQ(find(u"SYSTEM\\CurrentControlSet\\Services", false), u"ControlSet002\\Services");
  EXPECT_EQ(std::count_if(keys.begin(), keys.end(), [](const AutostartKey& k) { return k.per_subkey; }), 3);
}

// One row per state of the SYSTEM hive's Select key.
struct SelectRow {
  const char* name;
  bool has_select;
  std::uint32_t type;
  ByteVector data;
  std::optional<std::u16string> expected;
};

class AutostartControlSet : public testing::TestWithParam<SelectRow> {};

TEST_P(AutostartControlSet, ComesFromSelectCurrent) {
  const SelectRow& row = GetParam();
  TestHive builder;
  std::vector<std::uint32_t> children;
  if (row.has_select) {
    const std::uint32_t other = builder.Value(u"Default", 4, Le(1, 4));
    const std::uint32_t current = builder.Value(u"Current", row.type, row.data);
    children.push_back(builder.Key(u"Select", 0, 0xFFFFFFFF, 2, builder.List({other, current})));
  }
  builder.SetRoot(builder.Key(u"SYSTEM", static_cast<std::uint32_t>(children.size()),
                              children.empty() ? 0xFFFFFFFF : builder.Leaf("lf", children)));
  auto hive = Hive::Open(builder.Bytes());
  ASSERT_TRUE(hive.ok());
  auto set = CurrentControlSet(*hive);
  ASSERT_EQ(set.ok(), row.expected.has_value()) << (set ? "" : set.failure().text);
  if (set) {
    EXPECT_EQ(*set, *row.expected);
  }
}

INSTANTIATE_TEST_SUITE_P(Rows, AutostartControlSet,
                         testing::Values(SelectRow{"one", true, 4, Le(1, 4), u"ControlSet001"},
                                         SelectRow{"two", true, 4, Le(2, 4), u"ControlSet002"},
                                         SelectRow{"zeroNamesNone", true, 4, Le(0, 4), std::nullopt},
                                         SelectRow{"notADword", true, 1, Le(1, 4), std::nullopt},
                                         SelectRow{"shortData", true, 4, Le(1, 2), std::nullopt},
                                         SelectRow{"noSelectKey", false, 4, Le(1, 4), std::nullopt}),
                         [](const auto& info) { return std::string(info.param.name); });

}  // namespace
}  // namespace quarvel::hive
