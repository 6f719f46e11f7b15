// The scan's economy and its damage: free stretches of the MFT left unread,
// torn records read once more, stretches the volume will not give skipped and
// counted; and chosen records read by reference, without the rest of the MFT.
#include "core/ntfs/MftScan.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <set>

#include "core/ntfs/VolumeIndex.h"
#include "tests/support/TestVolume.h"

namespace quarvel::ntfs {
namespace {

using test::FileNameAttribute;
using test::kRoot;
using test::StandardInformation;
using test::TestVolume;

constexpr std::uint64_t kMftOffset = 16 * 1024;  // TestVolume: 1 KiB clusters, the MFT at cluster 16
std::uint64_t RecordOffset(std::uint64_t record) { return kMftOffset + record * 1024; }

// The volume's bytes, with reads that fail over chosen records, records that
// come torn on their first read (as while the system writes them), and a log
// of which records any read touched.
class ScriptedSource final : public ByteSource {
 public:
  explicit ScriptedSource(const TestVolume& volume) : inner_(volume.Source()) {}

  std::set<std::uint64_t> unreadable;
  std::set<std::uint64_t> torn_once;
  std::set<std::uint64_t> touched;

  Result<std::size_t> Read(std::uint64_t offset, std::span<std::byte> buffer) override {
    const std::uint64_t end = offset + buffer.size();
    for (std::uint64_t record = 0; record < 64; ++record) {
      const bool overlaps = RecordOffset(record) < end && offset < RecordOffset(record) + 1024;
      if (!overlaps) continue;
      touched.insert(record);
      if (unreadable.count(record)) return Failure{"sector not found"};
    }
    auto read = inner_.Read(offset, buffer);
    for (auto it = torn_once.begin(); read && it != torn_once.end();) {
      const std::uint64_t tail = RecordOffset(*it) + 1023;  // the second stride's last byte
      if (tail >= offset && tail < end) {
        buffer[tail - offset] ^= std::byte{0x5A};
        it = torn_once.erase(it);
      } else {
        ++it;
      }
    }
    return read;
  }

 private:
  MemoryByteSource inner_;
};

std::vector<std::u16string> Names(const VolumeIndex& index) {
  std::vector<std::u16string> names;
  for (const Child& child : index.Children(kRootRecord)) names.push_back(child.name);
  std::sort(names.begin(), names.end());
  return names;
}

using NameList = std::vector<std::u16string>;

class MftScanTest : public ::testing::Test {
 protected:
  VolumeIndex Read(ByteSource& source) {
    auto index = VolumeIndex::Read(source);
    EXPECT_TRUE(index) << index.failure().text;
    return std::move(*index);
  }
  // Record 0 with a $BITMAP that marks `used` (and the metafiles 0 to 15) in use.
  void MarkInUse(std::initializer_list<std::uint64_t> used) {
    test::ByteVector bits(8, std::byte{0});
    for (std::uint64_t r = 0; r < 16; ++r) bits[r / 8] |= std::byte(1u << (r % 8));
    for (const std::uint64_t r : used) bits[r / 8] |= std::byte(1u << (r % 8));
    volume.Put(kMftRecord, {1, true, false, {},
                            {StandardInformation(0x6), FileNameAttribute(kRoot, NameSpace::kWin32AndDos, u"$MFT"),
                             test::NonResident(kData, volume.mft_runs(), 64 * 1024), test::Resident(kBitmap, bits)}});
  }
  TestVolume volume;
};

TEST_F(MftScanTest, FreeStretchesByTheBitmapAreNeitherReadNorParsed) {
  volume.AddFile(16, kRoot, u"first");
  volume.AddFile(17, kRoot, u"second");
  volume.AddFile(30, kRoot, u"in use, bit clear");  // inside the stretch read: its own flag wins
  volume.AddFile(33, kRoot, u"last");
  volume.Put(31, {2, false, false, {}, {FileNameAttribute(kRoot, NameSpace::kWin32, u"deleted")}});
  volume.AddFile(50, kRoot, u"beyond the last used record");  // in a free stretch: never read
  MarkInUse({16, 17, 33});
  ScriptedSource source(volume);
  const VolumeIndex index = Read(source);

  EXPECT_EQ(Names(index), (NameList{u"first", u"in use, bit clear", u"last", u"second"}));
  EXPECT_TRUE(index.tally().bitmap_used);
  EXPECT_EQ(index.tally().in_use_marked_free, 1u);
  EXPECT_EQ(index.tally().free, 64u - 16 - 3 - 1);
  EXPECT_EQ(index.tally().not_in_use, 0u);  // record 31 is free by the bitmap: not parsed
  for (std::uint64_t record = 34; record < 64; ++record) EXPECT_EQ(source.touched.count(record), 0u) << record;
}

TEST_F(MftScanTest, WithoutABitmapEveryRecordIsRead) {
  volume.AddFile(16, kRoot, u"a");
  volume.AddFile(50, kRoot, u"b");
  ScriptedSource source(volume);
  const VolumeIndex index = Read(source);
  EXPECT_EQ(Names(index), (NameList{u"a", u"b"}));
  EXPECT_FALSE(index.tally().bitmap_used);
  EXPECT_EQ(index.tally().free, 0u);
}

TEST_F(MftScanTest, ATornRecordIsReadOnceMoreBeforeItIsSkipped) {
  volume.AddFile(16, kRoot, u"being written");
  volume.AddFile(17, kRoot, u"torn for good");
  volume.bytes()[RecordOffset(17) + 1023] ^= std::byte{0x33};
  ScriptedSource source(volume);
  source.torn_once = {16};
  const VolumeIndex index = Read(source);

  EXPECT_EQ(Names(index), (NameList{u"being written"}));
  EXPECT_EQ(index.tally().reread, 2u);
  EXPECT_EQ(index.tally().bad, 1u);
  ASSERT_EQ(index.tally().bad_records.size(), 1u);
  EXPECT_EQ(index.tally().bad_records[0].reason, "MFT record 17: bad fixup");
}

TEST_F(MftScanTest, StretchesThatCannotBeReadAreSkippedCountedAndTheScanGoesOn) {
  for (std::uint64_t record = 16; record < 40; ++record)
    volume.AddFile(record, kRoot, u"f" + std::u16string(1, static_cast<char16_t>(u'A' + record - 16)));
  ScriptedSource source(volume);
  source.unreadable = {20, 21, 22, 30};
  const VolumeIndex index = Read(source);

  EXPECT_EQ(index.Children(kRootRecord).size(), 24u - 4);
  EXPECT_EQ(index.tally().bad, 4u);
  EXPECT_EQ(index.tally().unreadable_stretches, 2u);
  ASSERT_FALSE(index.tally().bad_records.empty());
  EXPECT_EQ(index.tally().bad_records[0].reason, "MFT record 20: could not be read");
  EXPECT_TRUE(index.Find(39));  // read after both stretches
}

// Every record is parsed into the same contents: none may keep a name, a size
// or a tag of the record read before it, nor of one that failed half-way.
TEST_F(MftScanTest, EachRecordHasItsOwnNamesAndFactsThoughTheyAreReadIntoOne) {
  const std::u16string long_name = u"a name too long for any short string";
  volume.Put(16, {1, true, false, {},
                  {StandardInformation(0x20), FileNameAttribute(kRoot, NameSpace::kWin32, long_name),
                   FileNameAttribute(kRoot, NameSpace::kDos, u"ANAMET~1"), test::Resident(kData, test::ByteVector(7))}});
  volume.AddFile(17, kRoot, u"one");
  volume.Put(18, {1, true, false, {},
                  {StandardInformation(0x20), FileNameAttribute(kRoot, NameSpace::kWin32, u"parsed first"),
                   test::Resident(kFileName, test::ByteVector(10))}});  // too short: the record fails
  volume.AddFile(19, kRoot, u"two");
  const auto source = volume.Source();
  auto readable = source;
  const VolumeIndex index = Read(readable);

  const auto names_of = [&](std::uint64_t record) {
    NameList names;
    if (const auto entry = index.Find(record)) {
      for (const FileName& name : entry->names) names.push_back(name.name);
    }
    return names;
  };
  EXPECT_EQ(names_of(16), (NameList{long_name, u"ANAMET~1"}));
  EXPECT_EQ(index.Find(16)->size, 7u);
  EXPECT_EQ(names_of(17), NameList{u"one"});
  EXPECT_EQ(index.Find(17)->size, 0u);
  EXPECT_FALSE(index.Find(18));
  EXPECT_EQ(index.tally().bad, 1u);
  EXPECT_EQ(names_of(19), NameList{u"two"});
}

TEST_F(MftScanTest, ChosenRecordsAreReadByReferenceAlone) {
  volume.AddFile(16, kRoot, u"kept", false, 3);
  volume.AddFile(17, kRoot, u"reused", false, 8);
  volume.Put(18, {2, false, false, {}, {FileNameAttribute(kRoot, NameSpace::kWin32, u"deleted")}});
  volume.Put(19, {4, true, false, {},
                  {StandardInformation(0x2, {1, 2, 3}), test::AttributeList({{kFileName, 0, {40, 2}, true}})}});
  volume.Put(40, {2, true, false, {19, 4}, {FileNameAttribute(kRoot, NameSpace::kWin32, u"spilled")}});
  volume.AddFile(20, kRoot, u"torn once", false, 1);
  volume.AddFile(60, kRoot, u"never asked");
  ScriptedSource source(volume);
  source.torn_once = {20};
  std::array<std::byte, kBootSectorSize> sector{};
  ASSERT_TRUE(ReadFully(source, 0, sector, "boot"));
  const auto boot = ParseBootSector(sector);
  ASSERT_TRUE(boot);
  const auto layout = LocateMft(source, *boot);
  ASSERT_TRUE(layout);
  source.touched.clear();

  const std::vector<FileReference> wanted{{20, 1}, {16, 3}, {17, 7}, {18, 2}, {19, 4}, {900, 1}};
  const auto answers = ReadRecords(source, *boot, *layout, wanted);
  using State = RecordLookup::State;
  ASSERT_EQ(answers.size(), wanted.size());
  EXPECT_EQ(answers[0].state, State::kFound);  // torn on the first read, whole on the second
  EXPECT_EQ(answers[1].state, State::kFound);
  ASSERT_TRUE(answers[1].contents);
  ASSERT_EQ(answers[1].contents->names.size(), 1u);
  EXPECT_EQ(answers[1].contents->names[0].name, u"kept");
  EXPECT_EQ(answers[2].state, State::kReused);
  EXPECT_EQ(answers[3].state, State::kNotInUse);
  EXPECT_EQ(answers[4].state, State::kFound);
  ASSERT_EQ(answers[4].contents->names.size(), 1u);
  EXPECT_EQ(answers[4].contents->names[0].name, u"spilled");
  EXPECT_EQ(answers[4].contents->attributes, 0x2u);
  EXPECT_EQ(answers[4].contents->times, (StandardTimes{1, 2, 3}));
  EXPECT_EQ(answers[5].state, State::kUnreadable);
  EXPECT_EQ(answers[5].reason, "MFT record 900: outside the MFT");
  for (std::size_t i = 0; i < wanted.size(); ++i) EXPECT_EQ(answers[i].asked, wanted[i]);
  EXPECT_EQ(source.touched, (std::set<std::uint64_t>{16, 17, 18, 19, 20, 40}));
}

}  // namespace
}  // namespace quarvel::ntfs
