// A reference to an MFT record: its number (48 bits) and the sequence number the
// record had when the reference was written. A reference whose sequence number
// differs from the record's current one points at a record since reused.
#pragma once

#include <cstdint>

namespace quarvel::ntfs {

struct FileReference {
  std::uint64_t record = 0;
  std::uint16_t sequence = 0;

  static FileReference FromRaw(std::uint64_t raw) {
    return {raw & 0xFFFF'FFFF'FFFFu, static_cast<std::uint16_t>(raw >> 48)};
  }
  std::uint64_t Raw() const { return (static_cast<std::uint64_t>(sequence) << 48) | record; }
  bool operator==(const FileReference&) const = default;
};

// Records with fixed roles.
inline constexpr std::uint64_t kMftRecord = 0;
inline constexpr std::uint64_t kRootRecord = 5;
inline constexpr std::uint64_t kExtendRecord = 11;
// Records below this number are the file system's own files.
inline constexpr std::uint64_t kFirstUserRecord = 16;

}  // namespace quarvel::ntfs
