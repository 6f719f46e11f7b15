#include "core/ntfs/FileData.h"

#include <gtest/gtest.h>

#include "tests/support/TestVolume.h"

namespace quarvel::ntfs {
namespace {

using test::FileNameAttribute;
using test::kRoot;
using test::StandardInformation;
using test::TestVolume;

class FileDataTest : public ::testing::Test {
 protected:
  FileDataTest() {
    const auto config = volume.AddFile(16, kRoot, u"Config", true);
    volume.Put(17, {1, true, false, {},
                    {StandardInformation(0x20), FileNameAttribute(config, NameSpace::kWin32, u"SOFTWARE"),
                     test::NonResident(kData, {{0, 2, 90}, {2, 1, 40}}, 2500)}});
    volume.Put(18, {1, true, false, {},
                    {StandardInformation(0x20), FileNameAttribute(config, NameSpace::kWin32, u"small.LOG1"),
                     test::Resident(kData, test::ByteVector(5, std::byte{0x42}))}});
    for (std::size_t i = 0; i < 3 * 1024; ++i) {
      const std::size_t at = (i < 2048 ? 90 * 1024 : 40 * 1024 - 2048) + i;
      volume.bytes()[at] = static_cast<std::byte>(i * 7 + 1);
    }
  }

  VolumeIndex Index() {
    auto source = volume.Source();
    auto index = VolumeIndex::Read(source);
    EXPECT_TRUE(index) << index.failure().text;
    return std::move(*index);
  }

  TestVolume volume;
};

TEST_F(FileDataTest, ReadsANonResidentStreamAcrossItsRunsToItsSize) {
  const VolumeIndex index = Index();
  const auto record = FindPath(index, u"config\\software");
  ASSERT_EQ(record, std::optional<std::uint64_t>(17));
  auto source = volume.Source();
  auto data = ReadFileData(source, index, *record, 1 << 20);
  ASSERT_TRUE(data) << data.failure().text;
  ASSERT_EQ(data->size(), 2500u);
  for (std::size_t i = 0; i < data->size(); ++i) ASSERT_EQ((*data)[i], static_cast<std::byte>(i * 7 + 1)) << i;
}

TEST_F(FileDataTest, ReadsAResidentStreamAndRefusesWhatIsOverTheLimit) {
  const VolumeIndex index = Index();
  auto source = volume.Source();
  auto small = ReadFileData(source, index, *FindPath(index, u"Config\\SMALL.log1"), 100);
  ASSERT_TRUE(small);
  EXPECT_EQ(*small, test::ByteVector(5, std::byte{0x42}));
  EXPECT_FALSE(ReadFileData(source, index, 17, 2499));
  EXPECT_FALSE(ReadFileData(source, index, 16, 1 << 20));  // a folder has no unnamed data
  EXPECT_FALSE(ReadFileData(source, index, 40, 1 << 20));  // a slot never used
  EXPECT_EQ(FindPath(index, u"Config\\SYSTEM"), std::nullopt);
}

}  // namespace
}  // namespace quarvel::ntfs
