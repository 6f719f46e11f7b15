#include "core/ntfs/BootSector.h"

#include <gtest/gtest.h>

#include <algorithm>

#include "tests/support/TestVolume.h"

namespace quarvel::ntfs {
namespace {

class BootSectorTest : public ::testing::Test {
 protected:
  test::ByteVector sector = test::TestVolume().bytes();
  Result<BootSector> Parse() { return ParseBootSector(Bytes(sector).first(std::min<std::size_t>(512, sector.size()))); }
  std::string FailureText() {
    auto boot = Parse();
    return boot ? "parsed" : boot.failure().text;
  }
};

TEST_F(BootSectorTest, ReadsGeometryAndNegativeExponents) {
  auto boot = Parse();
  ASSERT_TRUE(boot) << boot.failure().text;
  EXPECT_EQ(boot->bytes_per_sector, 512u);
  EXPECT_EQ(boot->bytes_per_cluster, 1024u);
  EXPECT_EQ(boot->mft_cluster, 16u);
  EXPECT_EQ(boot->mft_record_size, 1024u);  // stored as -10: 2^10 bytes
  EXPECT_EQ(boot->index_record_size, 4096u);

  sector[0x0D] = std::byte{0xF4};  // 2^12 sectors: 2 MiB clusters
  sector[0x40] = std::byte{0x01};  // one cluster per record is past 64 KiB
  EXPECT_EQ(FailureText(), "boot sector: MFT record size is not a power of two from 512 to 65536");
  sector[0x40] = std::byte{0xF6};
  sector[0x28] = std::byte{0};  // 2^20 sectors, so that the volume still reaches the MFT
  sector[0x29] = std::byte{0};
  sector[0x2A] = std::byte{0x10};
  boot = Parse();
  ASSERT_TRUE(boot) << boot.failure().text;
  EXPECT_EQ(boot->sectors_per_cluster, 4096u);
  EXPECT_EQ(boot->bytes_per_cluster, 2u << 20);
}

TEST_F(BootSectorTest, RejectsWhatIsNotASaneNtfsVolume) {
  const struct {
    std::size_t at;
    std::uint8_t value;
    const char* text;
  } cases[] = {
      {0x03, 'F', "boot sector: not NTFS"},
      {0x0B, 0x03, "boot sector: bytes per sector 515 is not a power of two from 256 to 4096"},
      {0x0D, 3, "boot sector: sectors per cluster 3 is not a power of two"},
      {0x0D, 0x81, "boot sector: sectors per cluster 2^127 is too large"},
      {0x40, 0x00, "boot sector: MFT record size is not a power of two from 512 to 65536"},
      {0x40, 0xE0, "boot sector: MFT record size is not a power of two from 512 to 65536"},
      {0x44, 0x03, "boot sector: index record size is not a power of two from 512 to 65536"},
      {0x36, 0x01, "boot sector: the MFT starts at cluster 281474976710672, outside the volume's 96 clusters"},
  };
  const test::ByteVector good = sector;
  for (const auto& c : cases) {
    sector = good;
    sector[c.at] = std::byte{c.value};
    EXPECT_EQ(FailureText(), c.text) << "byte " << c.at;
  }
  sector.resize(100);
  EXPECT_EQ(FailureText(), "boot sector: shorter than 512 bytes");
}

}  // namespace
}  // namespace quarvel::ntfs
