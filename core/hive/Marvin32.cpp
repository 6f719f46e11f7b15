#include "core/hive/Marvin32.h"

#include <bit>
#include <cstddef>

namespace quarvel::hive {
namespace {

void Mix(std::uint32_t& lo, std::uint32_t& hi) {
  hi ^= lo;
  lo = std::rotl(lo, 20);
  lo += hi;
  hi = std::rotl(hi, 9);
  hi ^= lo;
  lo = std::rotl(lo, 27);
  lo += hi;
  hi = std::rotl(hi, 19);
}

std::uint32_t Word(std::span<const std::byte> data, std::size_t at, std::size_t count) {
  std::uint32_t word = 0;
  for (std::size_t i = 0; i < count; ++i) word |= static_cast<std::uint32_t>(data[at + i]) << (8 * i);
  return word;
}

}  // namespace

std::uint64_t Marvin32(std::span<const std::byte> data, std::uint64_t seed) {
  auto lo = static_cast<std::uint32_t>(seed);
  auto hi = static_cast<std::uint32_t>(seed >> 32);
  std::size_t at = 0;
  for (; data.size() - at >= 4; at += 4) {
    lo += Word(data, at, 4);
    Mix(lo, hi);
  }
  // The last 0-3 bytes, closed by a 0x80 byte.
  const std::size_t tail = data.size() - at;
  lo += Word(data, at, tail) | (0x80u << (8 * tail));
  Mix(lo, hi);
  Mix(lo, hi);
  return (static_cast<std::uint64_t>(hi) << 32) | lo;
}

}  // namespace quarvel::hive
