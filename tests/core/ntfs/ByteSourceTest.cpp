#include "core/ntfs/ByteSource.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <utility>

namespace quarvel::ntfs {
namespace {

// A volume that, like \\.\X:, refuses any read that is not of whole sectors.
class StrictVolume final : public ByteSource {
 public:
  explicit StrictVolume(std::vector<std::byte> bytes) : memory_(std::move(bytes)) {}
  Result<std::size_t> Read(std::uint64_t offset, std::span<std::byte> buffer) override {
    if (offset % 512 != 0 || buffer.size() % 512 != 0) return Failure{"unaligned read"};
    return memory_.Read(offset, buffer);
  }

 private:
  MemoryByteSource memory_;
};

TEST(SectorAlignedSource, ServesAnyReadFromWholeSectorsAndStopsAtTheEnd) {
  std::vector<std::byte> bytes(2048);
  for (std::size_t i = 0; i < bytes.size(); ++i) bytes[i] = static_cast<std::byte>(i * 7);
  StrictVolume volume(bytes);
  SectorAlignedSource aligned(volume, 512);
  for (const auto& [offset, size] : {std::pair<std::uint64_t, std::size_t>{0, 512}, {3, 8}, {510, 700}, {1024, 1}}) {
    std::vector<std::byte> out(size);
    auto read = aligned.Read(offset, out);
    ASSERT_TRUE(read) << read.failure().text;
    EXPECT_EQ(*read, size);
    EXPECT_TRUE(std::equal(out.begin(), out.end(), bytes.begin() + static_cast<std::ptrdiff_t>(offset))) << offset;
  }
  std::vector<std::byte> past(100);
  EXPECT_EQ(*aligned.Read(2000, past), 48u);  // short only at the end
  EXPECT_EQ(*aligned.Read(4096, past), 0u);
  EXPECT_FALSE(ReadFully(aligned, 2000, past, "tail"));
}

}  // namespace
}  // namespace quarvel::ntfs
