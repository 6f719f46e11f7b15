#include "core/hive/Hive.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "core/hive/Marvin32.h"
#include "tests/core/hive/TestHive.h"

namespace quarvel::hive {
namespace {

using test::Ascii;
using test::ByteVector;
using test::Le;
using test::TestHive;

ByteVector Pattern(std::size_t size) {
  ByteVector bytes(size);
  for (std::size_t i = 0; i < size; ++i) bytes[i] = static_cast<std::byte>((i * 131 + i / 256) & 0xFF);
  return bytes;
}

Hive OpenOrDie(const ByteVector& file) {
  auto hive = Hive::Open(file);
  EXPECT_TRUE(hive.ok()) << (hive ? "" : hive.failure().text);
  return std::move(*hive);
}

TEST(HiveBaseBlock, ChecksumIsTheXorOfTheFirst508BytesWithZeroAndAllOnesMovedAside) {
  ByteVector block(512);
  EXPECT_EQ(BaseBlockChecksum(block), 1u);
  auto put = [&](std::size_t at, std::uint32_t word) {
    const ByteVector bytes = Le(word, 4);
    std::copy(bytes.begin(), bytes.end(), block.begin() + static_cast<std::ptrdiff_t>(at));
  };
  put(0, 0xFFFFFFFF);
  EXPECT_EQ(BaseBlockChecksum(block), 0xFFFFFFFEu);
  put(0, 0x12345678);
  put(504, 0x0F0F0F0F);
  put(508, 0xDEADBEEF);  // the checksum's own field is not summed
  EXPECT_EQ(BaseBlockChecksum(block), 0x12345678u ^ 0x0F0F0F0Fu);
}

TEST(HiveBaseBlock, DirtyWhenTheChecksumOrTheSequenceNumbersDisagree) {
  TestHive builder;
  builder.SetRoot(builder.Key(u"ROOT"));
  ByteVector file = builder.Bytes();
  auto clean = ReadBaseBlock(file);
  ASSERT_TRUE(clean.ok());
  EXPECT_FALSE(clean->Dirty());
  builder.SetSequence(5, 4);
  EXPECT_TRUE(ReadBaseBlock(builder.Bytes())->Dirty());
  file[100] = std::byte{1};
  EXPECT_FALSE(ReadBaseBlock(file)->checksum_ok);
  file[0] = std::byte{'R'};
  EXPECT_FALSE(ReadBaseBlock(file).ok());
}

TEST(HiveMarvin32, MatchesThePublishedVectors) {
  const std::uint64_t seed = 0x004FB61A001BDBCCull;
  EXPECT_EQ(Marvin32({}, seed), 0x30ED35C100CD3C7Dull);
  EXPECT_EQ(Marvin32(ByteVector{std::byte{0xAF}}, seed), 0x48E73FC77D75DDC1ull);
  EXPECT_EQ(Marvin32(ByteVector{std::byte{0xE7}, std::byte{0x0F}}, seed), 0xB5F6E1FC485DBFF8ull);
  EXPECT_EQ(Marvin32(ByteVector{std::byte{0x37}, std::byte{0xF4}, std::byte{0x95}}, seed), 0xF0B07C789B8CF7E8ull);
}

TEST(HiveNames, AsciiNamesWidenByteByByteAndUtf16NamesKeepEmbeddedNuls) {
  TestHive builder;
  const std::u16string hidden(u"Run\0Hidden", 10);
  const std::uint32_t ascii_value = builder.Value(u"caf\u00e9", 1, Ascii("x"));
  const std::uint32_t wide_value = builder.Value(hidden, 1, Ascii("y"), false);
  const std::uint32_t child = builder.Key(std::u16string(u"K\0ey", 4), 0, 0xFFFFFFFF, 0, 0xFFFFFFFF, false);
  builder.SetRoot(builder.Key(u"ROOT", 1, builder.Leaf("lf", {child}), 2, builder.List({ascii_value, wide_value})));
  Hive hive = OpenOrDie(builder.Bytes());
  auto root = hive.Key(hive.root());
  ASSERT_TRUE(root.ok());
  EXPECT_EQ(root->name, u"ROOT");
  EXPECT_TRUE(root->ascii_name);
  auto values = hive.ValueCells(*root);
  ASSERT_TRUE(values.ok());
  ASSERT_EQ(values->size(), 2u);
  EXPECT_EQ(hive.Value((*values)[0])->name, u"caf\u00e9");
  EXPECT_EQ(hive.Value((*values)[1])->name, hidden);
  EXPECT_FALSE(hive.Value((*values)[1])->ascii_name);
  auto subkeys = hive.SubkeyCells(*root);
  ASSERT_TRUE(subkeys.ok());
  EXPECT_EQ(hive.Key((*subkeys)[0])->name, std::u16string(u"K\0ey", 4));
}

// One row per way a value's data is stored.
struct DataCase {
  const char* name;
  std::size_t size;
  bool big;
  std::size_t segment;
};

class HiveData : public testing::TestWithParam<DataCase> {};

TEST_P(HiveData, ReturnsExactlyTheStoredBytes) {
  const DataCase& row = GetParam();
  const ByteVector data = Pattern(row.size);
  TestHive builder;
  const std::uint32_t cell = row.big ? builder.BigValue(u"v", 3, data, row.segment) : builder.Value(u"v", 3, data);
  builder.SetRoot(builder.Key(u"ROOT", 0, 0xFFFFFFFF, 1, builder.List({cell})));
  Hive hive = OpenOrDie(builder.Bytes());
  auto value = hive.Value(cell);
  ASSERT_TRUE(value.ok());
  EXPECT_EQ(value->data_size, row.size);
  auto read = hive.Data(*value);
  ASSERT_TRUE(read.ok()) << read.failure().text;
  EXPECT_EQ(*read, data);
}

INSTANTIATE_TEST_SUITE_P(Storage, HiveData,
                         testing::Values(DataCase{"empty", 0, false, 0}, DataCase{"inline1", 1, false, 0},
                                         DataCase{"inline3", 3, false, 0}, DataCase{"inline4", 4, false, 0},
                                         DataCase{"cell5", 5, false, 0}, DataCase{"cellAtSegmentSize", 16344, false, 0},
                                         DataCase{"oneCellOver16344", 20000, false, 0},
                                         DataCase{"bigTwoSegments", 16345, true, 16344},
                                         DataCase{"bigSeveralSegments", 100000, true, 16344}),
                         [](const auto& info) { return std::string(info.param.name); });

// One row per damage a value's data may carry; each must fail, never read past the hive.
struct DamageCase {
  const char* name;
  void (*damage)(TestHive&, std::uint32_t value_cell, std::uint32_t data_cell);
};

class HiveDataDamage : public testing::TestWithParam<DamageCase> {};

TEST_P(HiveDataDamage, FailsWithoutReadingOutsideTheHive) {
  TestHive builder;
  const std::uint32_t data_cell = builder.Cell(Pattern(64));
  const std::uint32_t value = builder.Cell(test::Concat({Ascii("vk"), Le(1, 2), Le(64, 4), Le(data_cell, 4), Le(3, 4), Le(1, 2), Le(0, 2), Ascii("v")}));
  GetParam().damage(builder, value, data_cell);
  builder.SetRoot(builder.Key(u"ROOT", 0, 0xFFFFFFFF, 1, builder.List({value})));
  Hive hive = OpenOrDie(builder.Bytes());
  auto read = hive.Value(value);
  if (read.ok()) {
    EXPECT_FALSE(hive.Data(*read).ok());
  }
}

INSTANTIATE_TEST_SUITE_P(
    Damage, HiveDataDamage,
    testing::Values(
        DamageCase{"sizeLargerThanCell", [](TestHive& h, std::uint32_t v, std::uint32_t) { h.Put(v, 4, Le(69, 4)); }},
        DamageCase{"inlineOverFourBytes", [](TestHive& h, std::uint32_t v, std::uint32_t) { h.Put(v, 4, Le(0x80000005u, 4)); }},
        DamageCase{"dataOffsetPastTheBins", [](TestHive& h, std::uint32_t v, std::uint32_t) { h.Put(v, 8, Le(0x7FFFFFF8, 4)); }},
        DamageCase{"dataOffsetInABinHeader", [](TestHive& h, std::uint32_t v, std::uint32_t) { h.Put(v, 8, Le(8, 4)); }},
        DamageCase{"dataOffsetMisaligned", [](TestHive& h, std::uint32_t v, std::uint32_t d) { h.Put(v, 8, Le(d + 4, 4)); }},
        DamageCase{"cellSizeRunsPastItsBin", [](TestHive& h, std::uint32_t, std::uint32_t d) { h.SetCellSize(d, -0x7FFFFFF8); }},
        DamageCase{"cellSizeTooSmall", [](TestHive& h, std::uint32_t, std::uint32_t d) { h.SetCellSize(d, -4); }},
        DamageCase{"nameLongerThanItsCell", [](TestHive& h, std::uint32_t v, std::uint32_t) { h.Put(v, 2, Le(0xFFFF, 2)); }},
        DamageCase{"notAValueKey", [](TestHive& h, std::uint32_t v, std::uint32_t) { h.Put(v, 0, Ascii("nk")); }}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(HiveBigData, RefusesASegmentListedTwiceAndSegmentsThatFallShort) {
  TestHive builder;
  const std::uint32_t segment = builder.Cell(Pattern(16344));
  const std::uint32_t twice = builder.Cell(test::Concat({Ascii("db"), Le(3, 2), Le(builder.List({segment, segment, segment}), 4)}));
  const std::uint32_t short_db = builder.Cell(test::Concat({Ascii("db"), Le(1, 2), Le(builder.List({segment}), 4)}));
  const std::uint32_t a = builder.Cell(test::Concat({Ascii("vk"), Le(1, 2), Le(40000, 4), Le(twice, 4), Le(3, 4), Le(1, 2), Le(0, 2), Ascii("a")}));
  const std::uint32_t b = builder.Cell(test::Concat({Ascii("vk"), Le(1, 2), Le(20000, 4), Le(short_db, 4), Le(3, 4), Le(1, 2), Le(0, 2), Ascii("b")}));
  builder.SetRoot(builder.Key(u"ROOT", 0, 0xFFFFFFFF, 2, builder.List({a, b})));
  Hive hive = OpenOrDie(builder.Bytes());
  EXPECT_FALSE(hive.Data(*hive.Value(a)).ok());
  EXPECT_FALSE(hive.Data(*hive.Value(b)).ok());
}

// One row per subkey list layout.
struct ListCase {
  const char* name;
  std::uint32_t (*list)(TestHive&, const std::vector<std::uint32_t>& keys);
  bool readable;
};

class HiveSubkeyLists : public testing::TestWithParam<ListCase> {};

TEST_P(HiveSubkeyLists, NameTheKeysInListOrderOrFail) {
  TestHive builder;
  std::vector<std::uint32_t> keys;
  for (int i = 0; i < 5; ++i) keys.push_back(builder.Key(u"K" + std::u16string(1, static_cast<char16_t>(u'0' + i))));
  const std::uint32_t list = GetParam().list(builder, keys);
  builder.SetRoot(builder.Key(u"ROOT", 5, list));
  Hive hive = OpenOrDie(builder.Bytes());
  auto cells = hive.SubkeyCells(*hive.Key(hive.root()));
  ASSERT_EQ(cells.ok(), GetParam().readable) << (cells ? "" : cells.failure().text);
  if (cells) {
    EXPECT_EQ(*cells, keys);
  }
}

INSTANTIATE_TEST_SUITE_P(
    Layouts, HiveSubkeyLists,
    testing::Values(
        ListCase{"li", [](TestHive& h, const std::vector<std::uint32_t>& k) { return h.Leaf("li", k); }, true},
        ListCase{"lf", [](TestHive& h, const std::vector<std::uint32_t>& k) { return h.Leaf("lf", k); }, true},
        ListCase{"lh", [](TestHive& h, const std::vector<std::uint32_t>& k) { return h.Leaf("lh", k); }, true},
        ListCase{"riOfLhAndLi",
                 [](TestHive& h, const std::vector<std::uint32_t>& k) {
                   return h.Leaf("ri", {h.Leaf("lh", {k[0], k[1], k[2]}), h.Leaf("li", {k[3], k[4]})});
                 },
                 true},
        ListCase{"riNamingAnRi",
                 [](TestHive& h, const std::vector<std::uint32_t>& k) { return h.Leaf("ri", {h.Leaf("ri", {h.Leaf("lf", k)})}); },
                 false},
        ListCase{"riNamingOneLeafTwice",
                 [](TestHive& h, const std::vector<std::uint32_t>& k) {
                   const std::uint32_t leaf = h.Leaf("lf", k);
                   return h.Leaf("ri", {leaf, leaf});
                 },
                 false},
        ListCase{"countBeyondItsCell",
                 [](TestHive& h, const std::vector<std::uint32_t>& k) {
                   const std::uint32_t leaf = h.Leaf("lf", k);
                   h.Put(leaf, 2, Le(0xFFFF, 2));
                   return leaf;
                 },
                 false},
        ListCase{"unknownSignature",
                 [](TestHive& h, const std::vector<std::uint32_t>& k) {
                   const std::uint32_t leaf = h.Leaf("lf", k);
                   h.Put(leaf, 0, Ascii("zz"));
                   return leaf;
                 },
                 false}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(HiveWalk, VisitsEveryKeyOnceEvenWhenAListNamesAnAncestor) {
  TestHive builder;
  const std::uint32_t grandchild = builder.Key(u"C");
  const std::uint32_t child = builder.Key(u"B", 1, builder.Leaf("lf", {grandchild}));
  const std::uint32_t root = builder.Key(u"A", 1, builder.Leaf("lf", {child}));
  builder.SetRoot(root);
  // The grandchild names the root and itself as subkeys: a cycle.
  builder.Put(grandchild, 20, Le(2, 4));
  builder.Put(grandchild, 28, Le(builder.Leaf("li", {root, grandchild}), 4));
  Hive hive = OpenOrDie(builder.Bytes());
  std::vector<std::u16string> paths;
  auto failures = WalkKeys(hive, [&](const KeyNode&, const std::u16string& path) { paths.push_back(path); });
  EXPECT_EQ(paths, (std::vector<std::u16string>{u"", u"B", u"B\\C"}));
  EXPECT_EQ(failures.size(), 2u);
}

TEST(HiveFind, FollowsAPathWithoutRegardToCase) {
  TestHive builder;
  const std::uint32_t leafkey = builder.Key(u"Run");
  const std::uint32_t middle = builder.Key(u"Caf\u00e9", 1, builder.Leaf("lh", {leafkey}));
  builder.SetRoot(builder.Key(u"ROOT", 1, builder.Leaf("lf", {middle})));
  Hive hive = OpenOrDie(builder.Bytes());
  auto found = hive.Find(u"CAF\u00c9\\rUN");
  ASSERT_TRUE(found.ok());
  ASSERT_TRUE(found->has_value());
  EXPECT_EQ((*found)->cell, leafkey);
  auto missing = hive.Find(u"Caf\u00e9\\RunOnce");
  ASSERT_TRUE(missing.ok());
  EXPECT_FALSE(missing->has_value());
}

TEST(HiveOpen, StopsAtTheFirstBinThatIsNotWhereTheLastEnded) {
  TestHive builder;
  const std::uint32_t first = builder.Key(u"ROOT");
  const std::uint32_t later = builder.Cell(Pattern(5000));  // opens a second bin
  builder.SetRoot(first);
  ByteVector file = builder.Bytes();
  ASSERT_TRUE(Hive::Open(file)->Key(first).ok());
  // The second bin's offset field lies: cells in it are out of reach.
  file[4096 + 4096 + 4] = std::byte{0x10};
  Hive hive = OpenOrDie(file);
  EXPECT_TRUE(hive.Key(first).ok());
  EXPECT_FALSE(hive.Key(later).ok());
  file.resize(4096 + 16);
  EXPECT_FALSE(Hive::Open(file).ok());
}

}  // namespace
}  // namespace quarvel::hive
