#include "core/ntfs/MftRecord.h"

#include <gtest/gtest.h>

#include <cstring>

#include "tests/support/TestVolume.h"

namespace quarvel::ntfs {
namespace {

using test::ByteVector;

class MftRecordTest : public ::testing::Test {
 protected:
  ByteVector record = test::MakeRecord(
      {7, true, true, {}, {test::StandardInformation(0x22), test::FileNameAttribute(test::kRoot, NameSpace::kWin32, u"a")}},
      42);

  // Walks a copy: reading applies the update sequence in place.
  std::string Walk() {
    ByteVector copy = record;
    auto read = ReadMftRecord(copy, 42);
    if (!read) return read.failure().text;
    if (!*read) return "empty";
    std::string types;
    auto walked = ForEachAttribute(**read, [&](const AttributeView& a) { types += std::to_string(a.type) + " "; });
    return walked ? types : types + walked.failure().text;
  }
};

TEST_F(MftRecordTest, AppliesTheUpdateSequenceAndReadsTheHeader) {
  EXPECT_EQ(Walk(), "16 48 ");
  // Until the update sequence is applied, each stride ends in its number.
  EXPECT_EQ(record[510], std::byte{0x0B});
  auto read = ReadMftRecord(record, 42);
  ASSERT_TRUE(read && *read);
  EXPECT_EQ(record[510], std::byte{0});  // restored from the array
  const RecordHeader& header = (*read)->header;
  EXPECT_EQ(header.sequence, 7);
  EXPECT_TRUE(header.InUse());
  EXPECT_TRUE(header.IsDirectory());
  EXPECT_FALSE(header.IsExtension());
}

TEST_F(MftRecordTest, TornOrMarkedRecordsAreRejectedAndEmptySlotsAreNotThere) {
  record[1023] = std::byte{0x55};  // the second stride was written without the first
  EXPECT_EQ(Walk(), "MFT record 42: bad fixup");
  record.assign(1024, std::byte{0});
  EXPECT_EQ(Walk(), "empty");
  std::memcpy(record.data(), "BAAD", 4);
  EXPECT_EQ(Walk(), "MFT record 42: marked bad");
}

TEST_F(MftRecordTest, HostileLengthsStopTheWalkInsideTheRecord) {
  const ByteVector good = record;
  const std::size_t first = 0x38;  // the first attribute
  const struct {
    std::size_t at;
    std::uint32_t value;
    std::string text;
  } cases[] = {
      {first + 4, 0, "MFT record 42: attribute at 56 has a bad length"},
      {first + 4, 0x10000, "MFT record 42: attribute at 56 has a bad length"},
      {first + 0x10, 0x1000, "MFT record 42: attribute at 56 has its value outside it"},
      {first + 0x09, 0xFF, "MFT record 42: attribute at 56 has its name outside it"},
      {0x18, 0x3C, "MFT record 42: attribute at 56 runs past the used size"},
      {0x18, 0x2000, "MFT record 42: used size past the record"},
      {0x14, 0x08, "MFT record 42: first attribute outside the record"},
      {0x06, 9, "MFT record 42: bad fixup array"},
      {0x2C, 41, "MFT record 42: holds record 41"},
  };
  for (const auto& c : cases) {
    record = good;
    for (int i = 0; i < 4 && c.at + i < 510; ++i) record[c.at + i] = std::byte(c.value >> (8 * i));
    EXPECT_EQ(Walk(), c.text) << "byte " << c.at;
  }
  // A non-resident header that does not fit its attribute.
  record = good;
  record[first + 8] = std::byte{1};
  EXPECT_EQ(Walk(), "MFT record 42: attribute at 56 has its run list outside it");
}

}  // namespace
}  // namespace quarvel::ntfs
