#include "core/ntfs/VolumeIndex.h"

#include <gtest/gtest.h>

#include <algorithm>

#include "tests/support/TestVolume.h"

namespace quarvel::ntfs {
namespace {

using test::FileNameAttribute;
using test::kRoot;
using test::RecordPlan;
using test::StandardInformation;
using test::TestVolume;

VolumeIndex Read(const TestVolume& volume, ScanOptions options = {}) {
  auto source = volume.Source();
  auto index = VolumeIndex::Read(source, options);
  EXPECT_TRUE(index) << index.failure().text;
  return std::move(*index);
}

std::vector<std::u16string> Names(const std::vector<Child>& children) {
  std::vector<std::u16string> names;
  for (const Child& child : children) names.push_back(child.name);
  std::sort(names.begin(), names.end());
  return names;
}

using NameList = std::vector<std::u16string>;

class VolumeIndexTest : public ::testing::Test {
 protected:
  TestVolume volume;
};

TEST_F(VolumeIndexTest, ListsFoldersWithNamesSizesAttributesAndReparseTags) {
  const auto docs = volume.AddFile(16, kRoot, u"Docs", true);
  volume.Put(17, {3, true, false, {},
                  {StandardInformation(0x23),
                   FileNameAttribute(docs, NameSpace::kWin32, u"Long name.text"),
                   FileNameAttribute(docs, NameSpace::kDos, u"LONGNA~1.TEX"),
                   FileNameAttribute(kRoot, NameSpace::kPosix, u"hard link"),
                   test::NonResident(kData, {{0, 2, 90}}, 1500)}});
  volume.Put(18, {1, true, true, {},
                  {StandardInformation(0x410), FileNameAttribute(kRoot, NameSpace::kWin32AndDos, u"JUNCTION"),
                   test::ReparsePoint(0xA0000003)}});
  volume.Put(19, {1, true, false, {},
                  {StandardInformation(0x20), FileNameAttribute(kRoot, NameSpace::kWin32, u"small"),
                   test::Resident(kData, test::ByteVector(5))}});
  const VolumeIndex index = Read(volume);

  EXPECT_EQ(Names(index.Children(kRootRecord)), (NameList{u"Docs", u"JUNCTION", u"hard link", u"small"}));
  const auto in_docs = index.Children(16);
  ASSERT_EQ(in_docs.size(), 1u);
  EXPECT_EQ(in_docs[0].name, u"Long name.text");
  EXPECT_EQ(in_docs[0].short_name, u"LONGNA~1.TEX");
  EXPECT_EQ(in_docs[0].attributes, 0x23u);
  EXPECT_EQ(in_docs[0].size, 1500u);  // the data size, not the two clusters allocated
  EXPECT_EQ(in_docs[0].sequence, 3);
  for (const Child& child : index.Children(kRootRecord)) {
    if (child.name == u"JUNCTION") {
      EXPECT_TRUE(child.is_directory);
      EXPECT_EQ(child.reparse_tag, 0xA0000003u);
      EXPECT_EQ(child.short_name, std::nullopt);  // the long name is its own 8.3 name
    }
    if (child.name == u"small") {
      EXPECT_EQ(child.size, 5u);
    }
    if (child.name == u"hard link") {
      EXPECT_EQ(child.name_space, NameSpace::kPosix);
    }
  }
  EXPECT_EQ(index.counts().linked, 4u);
  EXPECT_EQ(index.counts().metafiles, 3u);  // $MFT, the root and $Extend
}

TEST_F(VolumeIndexTest, MetafilesAndExtendContentsAreNotUserFiles) {
  volume.Put(24, {1, true, false, {}, {FileNameAttribute({kExtendRecord, 11}, NameSpace::kWin32AndDos, u"$Quota")}});
  volume.AddFile(25, kRoot, u"user");
  const VolumeIndex index = Read(volume);
  EXPECT_EQ(Names(index.Children(kRootRecord)), (NameList{u"user"}));
  EXPECT_TRUE(index.Children(kExtendRecord).empty());
  EXPECT_EQ(index.Find(24)->placement, Placement::kMetafile);
}

TEST_F(VolumeIndexTest, StaleDanglingAndLoopingParentsLeaveOrphansAndNeverHang) {
  const auto old_folder = volume.AddFile(16, kRoot, u"reused", true, 2);
  volume.AddFile(17, {16, 1}, u"under the folder's earlier life");  // stale: the folder is now sequence 2
  volume.AddFile(18, {40, 1}, u"parent not in use");
  volume.AddFile(19, {21, 1}, u"loop a", true);
  volume.AddFile(20, {19, 1}, u"loop b", true);
  volume.AddFile(21, {20, 1}, u"loop c", true);
  volume.AddFile(22, {20, 1}, u"inside the loop");
  volume.AddFile(23, old_folder, u"fine");
  const VolumeIndex index = Read(volume);

  EXPECT_EQ(Names(index.Children(16)), (NameList{u"fine"}));
  EXPECT_TRUE(index.Children(19).empty());
  EXPECT_EQ(index.counts().stale_names, 1u);
  EXPECT_EQ(index.counts().dangling_names, 1u);
  EXPECT_EQ(index.counts().loops, 1u);
  EXPECT_EQ(index.counts().orphans, 6u);
  for (const std::uint64_t record : {17, 18, 19, 20, 21, 22}) EXPECT_EQ(index.Find(record)->placement, Placement::kOrphan);
}

TEST_F(VolumeIndexTest, DamagedRecordsAreSkippedCountedAndNamed) {
  volume.AddFile(16, kRoot, u"good");
  volume.AddFile(17, kRoot, u"torn");
  volume.bytes()[(16 + 17) * 1024 + 1023] = std::byte{0x77};  // record 17's second stride
  volume.Put(18, {1, false, false, {}, {FileNameAttribute(kRoot, NameSpace::kWin32, u"deleted")}});
  const VolumeIndex index = Read(volume);
  EXPECT_EQ(Names(index.Children(kRootRecord)), (NameList{u"good"}));
  EXPECT_EQ(index.tally().bad, 1u);
  ASSERT_EQ(index.tally().bad_records.size(), 1u);
  EXPECT_EQ(index.tally().bad_records[0].reason, "MFT record 17: bad fixup");
  EXPECT_EQ(index.tally().not_in_use, 1u);
}

TEST_F(VolumeIndexTest, ExtensionRecordsNamedByTheAttributeListAreMerged) {
  volume.Put(16, {4, true, false, {},
                  {StandardInformation(0x2),
                   test::AttributeList({{kStandardInformation, 0, {16, 4}, true},
                                        {kFileName, 0, {30, 9}, true},
                                        {kData, 0, {31, 1}, true}})}});
  volume.Put(30, {9, true, false, {16, 4}, {FileNameAttribute(kRoot, NameSpace::kWin32, u"spilled")}});
  volume.Put(31, {1, true, false, {16, 4}, {test::NonResident(kData, {{0, 1, 80}}, 700)}});
  // Claims the same base, but no attribute list names it: left out.
  volume.Put(32, {1, true, false, {16, 4}, {FileNameAttribute(kRoot, NameSpace::kWin32, u"impostor")}});
  const VolumeIndex index = Read(volume);
  const auto children = index.Children(kRootRecord);
  ASSERT_EQ(children.size(), 1u);
  EXPECT_EQ(children[0].name, u"spilled");
  EXPECT_EQ(children[0].size, 700u);
  EXPECT_EQ(children[0].attributes, 0x2u);
  EXPECT_EQ(index.counts().extensions_merged, 2u);
  EXPECT_EQ(index.counts().extensions_unclaimed, 1u);
}

// The MFT in three runs of 512-byte clusters, one record split between two
// runs, and its last extent described in an extension record through record
// 0's attribute list. Every read size gives the same index.
TEST(VolumeIndexMft, FragmentedMftDescribedThroughAnAttributeList) {
  const std::vector<ntfs::Run> runs{{0, 33, 200}, {33, 31, 120}, {64, 64, 300}};  // record 16 straddles the first two
  TestVolume volume(512, runs, 64);
  volume.Put(kMftRecord, {1, true, false, {},
                          {StandardInformation(0x6),
                           test::AttributeList({{kData, 0, {0, 1}, true}, {kData, 64, {15, 1}, true}}),
                           test::NonResident(kData, {runs[0], runs[1]}, 64 * 1024)}});
  volume.Put(15, {1, true, false, {0, 1}, {test::NonResident(kData, {runs[2]}, 0)}});
  for (std::uint64_t record = 16; record < 64; ++record)
    volume.AddFile(record, kRoot, u"file " + std::u16string(1, static_cast<char16_t>(u'A' + record - 16)));

  for (const std::size_t read_size : {std::size_t{1024}, std::size_t{3072}, std::size_t{4} << 20}) {
    const VolumeIndex index = Read(volume, {read_size});
    EXPECT_EQ(index.mft().record_count, 64u);
    EXPECT_EQ(index.mft().runs.size(), 3u);
    EXPECT_EQ(index.Children(kRootRecord).size(), 48u) << read_size;
    EXPECT_EQ(index.tally().bad, 0u);
  }
}

TEST(VolumeIndexMft, AnUnusableVolumeFailsWithItsReasonUnlessTheMirrorHelps) {
  TestVolume volume;
  volume.bytes()[(16 * 1024) + 1023] = std::byte{1};  // record 0 torn, and its mirror at cluster 2 is empty
  auto source = volume.Source();
  auto index = VolumeIndex::Read(source);
  ASSERT_FALSE(index);
  EXPECT_EQ(index.failure().text, "MFT record 0: bad fixup");

  // A good copy in $MFTMirr (cluster 2) stands in, and the reason is kept.
  const auto mft_record = test::MakeRecord({1, true, false, {}, {test::NonResident(kData, volume.mft_runs(), 64 * 1024)}}, 0);
  std::copy(mft_record.begin(), mft_record.end(), volume.bytes().begin() + 2 * 1024);
  auto mirrored = volume.Source();
  auto from_mirror = VolumeIndex::Read(mirrored);
  ASSERT_TRUE(from_mirror) << from_mirror.failure().text;
  EXPECT_EQ(from_mirror->mft().mirror_used, "MFT record 0: bad fixup; read from $MFTMirr");
  EXPECT_EQ(from_mirror->tally().bad, 1u);  // record 0 itself, read again in the scan

  MemoryByteSource nothing({});
  auto empty = VolumeIndex::Read(nothing);
  ASSERT_FALSE(empty);
  EXPECT_EQ(empty.failure().text, "boot sector: the volume ends at byte 0, before the 512 bytes at 0");
}

}  // namespace
}  // namespace quarvel::ntfs
