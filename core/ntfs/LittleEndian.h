// Little-endian fields of on-disk structures. Every parser checks with Fits
// before it reads; a field outside the buffer reads as zero rather than past it.
#pragma once

#include <cstddef>
#include <cstdint>
#include <span>

namespace quarvel::ntfs {

using Bytes = std::span<const std::byte>;

inline bool Fits(Bytes bytes, std::size_t offset, std::size_t length) {
  return offset <= bytes.size() && length <= bytes.size() - offset;
}

template <class T>
T LoadLe(Bytes bytes, std::size_t offset) {
  if (!Fits(bytes, offset, sizeof(T))) return 0;
  std::uint64_t value = 0;
  for (std::size_t i = 0; i < sizeof(T); ++i)
    value |= static_cast<std::uint64_t>(bytes[offset + i]) << (8 * i);
  return static_cast<T>(value);
}

inline std::uint8_t Le8(Bytes bytes, std::size_t offset) { return LoadLe<std::uint8_t>(bytes, offset); }
inline std::uint16_t Le16(Bytes bytes, std::size_t offset) { return LoadLe<std::uint16_t>(bytes, offset); }
inline std::uint32_t Le32(Bytes bytes, std::size_t offset) { return LoadLe<std::uint32_t>(bytes, offset); }
inline std::uint64_t Le64(Bytes bytes, std::size_t offset) { return LoadLe<std::uint64_t>(bytes, offset); }

}  // namespace quarvel::ntfs
