#include "core/ntfs/RunList.h"

#include <gtest/gtest.h>

#include "tests/support/TestVolume.h"

namespace quarvel::ntfs {
namespace {

using Runs = std::vector<Run>;

std::string Decode(std::vector<std::uint8_t> raw, std::uint64_t clusters = 1000, Runs* runs = nullptr) {
  std::vector<std::byte> bytes;
  for (auto b : raw) bytes.push_back(std::byte{b});
  auto decoded = DecodeRunList(bytes, 0, clusters);
  if (!decoded) return decoded.failure().text;
  if (runs) *runs = *decoded;
  return "ok";
}

TEST(RunList, BackwardOffsetsSparseRunsAndTheRoundTrip) {
  const Runs expected{{0, 16, 500}, {16, 8, std::nullopt}, {24, 300, 100}, {324, 1, 999}};
  const test::ByteVector encoded = test::EncodeRuns(expected);
  auto decoded = DecodeRunList(encoded, 0, 1000);
  ASSERT_TRUE(decoded) << decoded.failure().text;
  EXPECT_EQ(*decoded, expected);
  // A sparse run leaves the offset base where it was: 0x41 ... is 100 back from 500 after the gap.
  Runs runs;
  EXPECT_EQ(Decode({0x21, 0x10, 0xF4, 0x01, 0x01, 0x08, 0x11, 0x01, 0x9C, 0x00}, 1000, &runs), "ok");
  EXPECT_EQ(runs, (Runs{{0, 16, 500}, {16, 8, std::nullopt}, {24, 1, 400}}));
}

TEST(RunList, RejectsRunsOutsideTheVolumeAndBrokenHeaders) {
  EXPECT_EQ(Decode({0x09, 1}), "run list: run at byte 0 has a bad header byte");
  EXPECT_EQ(Decode({0x90, 1}), "run list: run at byte 0 has a bad header byte");
  EXPECT_EQ(Decode({0x21, 0x10, 0xE8}), "run list: run at byte 0 runs past the attribute");
  EXPECT_EQ(Decode({0x11, 0x00, 0x05}), "run list: run at byte 0 has a bad length");
  EXPECT_EQ(Decode({0x11, 0x10, 0xF0}), "run list: run at byte 0 starts before the volume");
  EXPECT_EQ(Decode({0x21, 0x10, 0xE0, 0x03}), "run list: run at byte 0 ends past the volume");
  EXPECT_EQ(Decode({0x18, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0x01, 0x01, 0x01}),
            "run list: run at byte 0 ends past the volume");
  // A huge sparse run, then one more: the VCN would wrap.
  EXPECT_EQ(Decode({0x08, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0x01, 0x01}),
            "run list: run at byte 9 has a bad length");
}

}  // namespace
}  // namespace quarvel::ntfs
