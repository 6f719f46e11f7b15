#include "core/hive/CrossView.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "tests/core/hive/TestHive.h"

namespace quarvel::hive {

void PrintTo(const Difference& d, std::ostream* out) {
  for (char16_t c : d.name) *out << (c == 0 ? std::string("\\0") : std::string(1, static_cast<char>(c)));
  *out << ": " << VerdictText(d.verdict) << " (views " << d.views << ")";
}

namespace {

using test::Ascii;

const std::u16string kNulName(u"Run\0Hidden", 10);

SeenValue V(std::u16string name, std::uint32_t type = 1, const std::string& data = "c:\\a.dll") {
  return SeenValue{std::move(name), type, Ascii(data)};
}

using Views = std::vector<SeenValue>;
using Expected = std::vector<Difference>;

struct ValueRow {
  const char* name;
  Views file;
  std::optional<Views> win32;
  std::optional<Views> native;
  Expected expected;
  bool complete;
};

class CrossViewValues : public testing::TestWithParam<ValueRow> {};

TEST_P(CrossViewValues, JudgesEachValueOfTheFileAgainstEachApiView) {
  const ValueRow& row = GetParam();
  const Comparison result = CompareValues(ValueViews{row.file, row.win32, row.native});
  EXPECT_EQ(result.differences, row.expected);
  EXPECT_EQ(result.complete, row.complete);
}

constexpr unsigned kBoth = kWin32View | kNativeView;

INSTANTIATE_TEST_SUITE_P(
    Rows, CrossViewValues,
    testing::Values(
        ValueRow{"allAgree", {V(u"A"), V(u""), V(u"B", 4, "\x01\0\0\0")}, Views{V(u""), V(u"A"), V(u"B", 4, "\x01\0\0\0")},
                 Views{V(u"B", 4, "\x01\0\0\0"), V(u"A"), V(u"")}, {}, true},
        ValueRow{"hiddenFromBothByANativeHook", {V(u"A"), V(u"Evil")}, Views{V(u"A")}, Views{V(u"A")},
                 {{u"Evil", Verdict::kHiddenFromApi, kBoth}}, true},
        ValueRow{"hiddenFromWin32Only", {V(u"A"), V(u"Evil")}, Views{V(u"A")}, Views{V(u"A"), V(u"Evil")},
                 {{u"Evil", Verdict::kHiddenFromApi, kWin32View}}, true},
        ValueRow{"embeddedNulCutByWin32", {V(u"A"), V(kNulName)}, Views{V(u"A"), V(u"Run")}, Views{V(u"A"), V(kNulName)},
                 {{kNulName, Verdict::kEmbeddedNul, kWin32View}}, true},
        ValueRow{"embeddedNulAlsoHiddenFromNative", {V(kNulName)}, Views{V(u"Run")}, Views{},
                 {{kNulName, Verdict::kEmbeddedNul, kWin32View}, {kNulName, Verdict::kHiddenFromApi, kNativeView}}, true},
        ValueRow{"embeddedNulBesideARealValueOfTheCutName", {V(kNulName, 1, "evil"), V(u"Run", 1, "good")},
                 Views{V(u"Run", 1, "good"), V(u"Run", 1, "evil")}, Views{V(u"Run", 1, "good"), V(kNulName, 1, "evil")},
                 {{kNulName, Verdict::kEmbeddedNul, kWin32View}}, true},
        ValueRow{"setAfterTheFileWasWritten", {V(u"A")}, Views{V(u"A"), V(u"New")}, Views{V(u"A"), V(u"New")},
                 {{u"New", Verdict::kChangedSinceWritten, kBoth}}, true},
        ValueRow{"dataChanged", {V(u"A", 1, "old")}, Views{V(u"A", 1, "new")}, Views{V(u"A", 1, "new")},
                 {{u"A", Verdict::kChangedSinceWritten, kBoth}}, true},
        ValueRow{"typeChangedSameBytes", {V(u"A", 1, "x")}, Views{V(u"A", 2, "x")}, Views{V(u"A", 1, "x")},
                 {{u"A", Verdict::kChangedSinceWritten, kWin32View}}, true},
        ValueRow{"namesComparedAsStoredNotFoldedForCase", {V(u"Run")}, Views{V(u"run")}, Views{V(u"run")},
                 {{u"Run", Verdict::kHiddenFromApi, kBoth}, {u"run", Verdict::kChangedSinceWritten, kBoth}}, true},
        ValueRow{"nativeViewNotReadIsNotCompleteAndNotJudged", {V(u"A"), V(u"Evil")}, Views{V(u"A"), V(u"Evil")}, std::nullopt,
                 {}, false},
        ValueRow{"noApiViewReadStillNamesAnEmbeddedNul", {V(kNulName)}, std::nullopt, std::nullopt,
                 {{kNulName, Verdict::kEmbeddedNul, 0}}, false},
        ValueRow{"emptyKeyEverywhere", {}, Views{}, Views{}, {}, true}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(CrossViewSubkeys, AHiddenServiceKeyAndAKeyNameWithANul) {
  const std::u16string nul_key(u"svc\0x", 5);
  const Comparison result = CompareSubkeys(NameViews{{u"Dhcp", u"EvilSvc", nul_key},
                                                     std::vector<std::u16string>{u"Dhcp", u"svc"},
                                                     std::vector<std::u16string>{u"Dhcp", nul_key}});
  EXPECT_EQ(result.differences, (Expected{{u"EvilSvc", Verdict::kHiddenFromApi, kBoth}, {nul_key, Verdict::kEmbeddedNul, kWin32View}}));
  EXPECT_TRUE(result.complete);
}

TEST(CrossViewVerdicts, TextsAreTheOnesTheUserSees) {
  EXPECT_EQ(VerdictText(Verdict::kHiddenFromApi), "hidden from the registry API");
  EXPECT_EQ(VerdictText(Verdict::kEmbeddedNul), "name the API cannot return (embedded NUL)");
  EXPECT_EQ(VerdictText(Verdict::kChangedSinceWritten), "changed since the hive was written");
}

TEST(CrossViewFile, ReadsAKeysValuesAndSubkeysFromTheHiveOrSaysItIsNotThere) {
  test::TestHive builder;
  const std::uint32_t value = builder.Value(kNulName, 1, Ascii("c:\\evil.dll"), false);
  const std::uint32_t run = builder.Key(u"Run", 0, 0xFFFFFFFF, 1, builder.List({value}));
  const std::uint32_t services = builder.Key(u"Services", 1, builder.Leaf("lf", {run}));
  builder.SetRoot(builder.Key(u"ROOT", 1, builder.Leaf("lh", {services})));
  auto hive = Hive::Open(builder.Bytes());
  ASSERT_TRUE(hive.ok());
  auto values = FileValues(*hive, u"services\\RUN");
  ASSERT_TRUE(values.ok());
  ASSERT_TRUE(values->has_value());
  ASSERT_EQ((*values)->size(), 1u);
  EXPECT_EQ((**values)[0].name, kNulName);
  EXPECT_EQ((**values)[0].data, Ascii("c:\\evil.dll"));
  auto subkeys = FileSubkeys(*hive, u"Services");
  ASSERT_TRUE(subkeys.ok());
  EXPECT_EQ(**subkeys, std::vector<std::u16string>{u"Run"});
  auto missing = FileValues(*hive, u"Services\\RunOnce");
  ASSERT_TRUE(missing.ok());
  EXPECT_FALSE(missing->has_value());
}

}  // namespace
}  // namespace quarvel::hive
