#include "core/hive/HiveLog.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "tests/core/hive/TestHive.h"

namespace quarvel::hive {
namespace {

using test::Ascii;
using test::ByteVector;
using test::Concat;
using test::TestHive;

// H0: a root with value "v" = "old value" in its own cell; H1: the same hive
// with "v" = "new value" and a second bin (two pages) holding value "w".
struct Pair {
  ByteVector h0;
  ByteVector h1;
  std::uint32_t data_cell;
};

Pair MakePair() {
  auto build = [](bool later, std::uint32_t& data_cell) {
    TestHive builder;
    const std::uint32_t root = builder.Key(u"ROOT");
    data_cell = builder.Cell(Ascii(later ? "new value" : "old value"));
    const std::uint32_t v = builder.Cell(Concat({Ascii("vk"), test::Le(1, 2), test::Le(9, 4), test::Le(data_cell, 4),
                                                 test::Le(1, 4), test::Le(1, 2), test::Le(0, 2), Ascii("v")}));
    std::vector<std::uint32_t> values{v};
    if (later) values.push_back(builder.Value(u"w", 3, ByteVector(6000, std::byte{7})));
    builder.Put(root, 36, Concat({test::Le(values.size(), 4), test::Le(builder.List(values), 4)}));
    builder.SetRoot(root);
    builder.SetSequence(7, 7);
    return builder.Bytes();
  };
  Pair pair;
  pair.h0 = build(false, pair.data_cell);
  pair.h1 = build(true, pair.data_cell);
  return pair;
}

// The `unit`-byte pages of h1's bins that differ from h0's.
std::vector<std::uint32_t> Differing(const Pair& p, std::uint32_t unit) {
  std::vector<std::uint32_t> pages;
  for (std::uint32_t page = 0; page < p.h1.size() - 4096; page += unit) {
    const auto from = p.h1.begin() + 4096 + page;
    if (4096 + page + unit > p.h0.size() || !std::equal(from, from + unit, p.h0.begin() + 4096 + page)) pages.push_back(page);
  }
  return pages;
}

// The primary as Windows leaves it while a logged write is unfinished.
ByteVector Dirty(ByteVector hive, std::uint32_t primary, std::uint32_t secondary) {
  const ByteVector numbers = Concat({test::Le(primary, 4), test::Le(secondary, 4)});
  std::copy(numbers.begin(), numbers.end(), hive.begin() + 4);
  test::Seal(hive);
  return hive;
}

std::string ValueText(const ByteVector& file) {
  auto hive = Hive::Open(file);
  if (!hive) return "unreadable: " + hive.failure().text;
  auto root = hive->Key(hive->root());
  auto cells = hive->ValueCells(*root);
  std::string text;
  for (std::uint32_t cell : *cells) {
    auto value = hive->Value(cell);
    auto data = hive->Data(*value);
    if (!data) return "unreadable: " + data.failure().text;
    text += std::string(value->name.begin(), value->name.end()) + "=" + std::to_string(data->size()) + ":" +
            std::string(reinterpret_cast<const char*>(data->data()), std::min<std::size_t>(data->size(), 9)) + ";";
  }
  return text;
}

const std::string kOld = "v=9:old value;";
const std::string kNew = "v=9:new value;w=6000:\a\a\a\a\a\a\a\a\a;";

struct LogCase {
  const char* name;
  // Makes the primary and the logs (LOG1, LOG2) from the pair.
  void (*make)(const Pair&, ByteVector& primary, ByteVector& log1, ByteVector& log2);
  const std::string* expected;
  std::uint32_t entries;
};

class HiveLogs : public testing::TestWithParam<LogCase> {};

TEST_P(HiveLogs, ApplyOnlyWhatFollowsThePrimary) {
  const Pair pair = MakePair();
  ByteVector primary, log1, log2;
  GetParam().make(pair, primary, log1, log2);
  const std::vector<LogFile> logs{{".LOG1", log1}, {".LOG2", log2}};
  auto recovered = Recover(primary, logs);
  ASSERT_TRUE(recovered.ok()) << recovered.failure().text;
  EXPECT_EQ(ValueText(recovered->file), *GetParam().expected);
  EXPECT_EQ(recovered->recovery.entries_applied, GetParam().entries);
  if (GetParam().entries > 0) {
    auto base = ReadBaseBlock(recovered->file);
    EXPECT_FALSE(base->Dirty());
    EXPECT_EQ(base->bins_size, pair.h1.size() - 4096);
  }
}

INSTANTIATE_TEST_SUITE_P(
    Cases, HiveLogs,
    testing::Values(
        LogCase{"newFormatFollowingEntries",
                [](const Pair& p, ByteVector& primary, ByteVector& log1, ByteVector&) {
                  primary = Dirty(p.h0, 8, 7);
                  log1 = Concat({test::LogBase(p.h1, kNewLogFile, 8), test::LogEntry(p.h1, {0}, 8), test::LogEntry(p.h1, {4096, 8192}, 9)});
                },
                &kNew, 2},
        LogCase{"newFormatEntriesSplitAcrossBothLogsOutOfFileOrder",
                [](const Pair& p, ByteVector& primary, ByteVector& log1, ByteVector& log2) {
                  primary = Dirty(p.h0, 8, 7);
                  log1 = Concat({test::LogBase(p.h1, kNewLogFile, 9), test::LogEntry(p.h1, {4096, 8192}, 9)});
                  log2 = Concat({test::LogBase(p.h1, kNewLogFile, 8), test::LogEntry(p.h1, {0}, 8)});
                },
                &kNew, 2},
        LogCase{"newFormatStaleEntriesSkipped",
                [](const Pair& p, ByteVector& primary, ByteVector& log1, ByteVector&) {
                  primary = Dirty(p.h0, 8, 7);
                  // Entry 6 (already in the primary) would write garbage if it were applied.
                  ByteVector garbage = p.h1;
                  std::fill(garbage.begin() + 4096, garbage.begin() + 8192, std::byte{0x5A});
                  log1 = Concat({test::LogBase(p.h1, kNewLogFile, 8), test::LogEntry(garbage, {0}, 6),
                                 test::LogEntry(p.h1, Differing(p, 4096), 8)});
                },
                &kNew, 1},
        LogCase{"newFormatEntriesThatDoNotFollowAreNotApplied",
                [](const Pair& p, ByteVector& primary, ByteVector& log1, ByteVector&) {
                  primary = Dirty(p.h0, 8, 7);
                  log1 = Concat({test::LogBase(p.h1, kNewLogFile, 10), test::LogEntry(p.h1, {0, 4096}, 10)});
                },
                &kOld, 0},
        LogCase{"newFormatIgnoredWhenThePrimaryIsClean",
                [](const Pair& p, ByteVector& primary, ByteVector& log1, ByteVector&) {
                  primary = p.h0;
                  log1 = Concat({test::LogBase(p.h1, kNewLogFile, 7), test::LogEntry(p.h1, {0, 4096}, 7)});
                },
                &kOld, 0},
        LogCase{"newFormatStopsAtAnEntryWhoseHashIsWrong",
                [](const Pair& p, ByteVector& primary, ByteVector& log1, ByteVector&) {
                  primary = Dirty(p.h0, 8, 7);
                  ByteVector second = test::LogEntry(p.h1, {0}, 9);
                  second[100] ^= std::byte{1};
                  log1 = Concat({test::LogBase(p.h1, kNewLogFile, 8), test::LogEntry(p.h1, {4096, 8192}, 8), second});
                },
                // Only the second bin arrived: the old value, and the new bin unreferenced.
                &kOld, 1},
        LogCase{"newFormatRestoresADamagedPrimaryBaseBlock",
                [](const Pair& p, ByteVector& primary, ByteVector& log1, ByteVector&) {
                  primary = Dirty(p.h0, 8, 7);
                  primary[200] ^= std::byte{1};
                  log1 = Concat({test::LogBase(Dirty(p.h0, 8, 7), kNewLogFile, 8), test::LogEntry(p.h1, Differing(p, 4096), 8)});
                },
                &kNew, 1},
        LogCase{"oldFormatFollowingLog",
                [](const Pair& p, ByteVector& primary, ByteVector& log1, ByteVector&) {
                  primary = Dirty(p.h0, 8, 7);
                  log1 = test::OldLog(p.h1, Differing(p, 512), 8);
                },
                &kNew, 1},
        LogCase{"oldFormatWithAnEarlierSequenceNumberNotApplied",
                [](const Pair& p, ByteVector& primary, ByteVector& log1, ByteVector&) {
                  primary = Dirty(p.h0, 8, 7);
                  log1 = test::OldLog(p.h1, {0, 4096}, 7);
                },
                &kOld, 0},
        LogCase{"oldFormatCutShortNotApplied",
                [](const Pair& p, ByteVector& primary, ByteVector& log1, ByteVector&) {
                  primary = Dirty(p.h0, 8, 7);
                  log1 = test::OldLog(p.h1, {0, 512, 4096}, 8);
                  log1.resize(log1.size() - 100);
                },
                &kOld, 0}),
    [](const auto& info) { return std::string(info.param.name); });

}  // namespace
}  // namespace quarvel::hive
