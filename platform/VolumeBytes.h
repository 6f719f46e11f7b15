// A raw volume's bytes (\\.\X:), read at any sector-aligned offset, for the
// NTFS reader: the lister's volume view and the registry's hive files alike.
#pragma once

#include <windows.h>

#include <string>

#include "core/ntfs/ByteSource.h"
#include "platform/UniqueHandle.h"

namespace quarvel::win {

class VolumeBytes final : public ntfs::ByteSource {
 public:
  explicit VolumeBytes(UniqueFileHandle volume) : volume_(std::move(volume)) {}

  ntfs::Result<std::size_t> Read(std::uint64_t offset, std::span<std::byte> buffer) override {
    OVERLAPPED at{};
    at.Offset = static_cast<DWORD>(offset);
    at.OffsetHigh = static_cast<DWORD>(offset >> 32);
    DWORD read = 0;
    if (!ReadFile(volume_.get(), buffer.data(), static_cast<DWORD>(buffer.size()), &read, &at)) {
      const DWORD error = GetLastError();
      last_error_ = error;
      if (error == ERROR_HANDLE_EOF) return std::size_t{0};
      return ntfs::Failure{"volume read at " + std::to_string(offset) + ": error " + std::to_string(error)};
    }
    return static_cast<std::size_t>(read);
  }

  // The error of the last read that failed: a volume another program has
  // locked answers ERROR_LOCK_VIOLATION.
  DWORD last_error() const { return last_error_; }
  // For the volume's control codes (its change journal).
  HANDLE handle() const { return volume_.get(); }

 private:
  UniqueFileHandle volume_;
  DWORD last_error_ = 0;
};

}  // namespace quarvel::win
