// Where the volume's bytes come from: an image in memory, an image file, or (in
// the lister) a raw volume. Offsets are absolute byte offsets of the volume.
#pragma once

#include <cstddef>
#include <cstdint>
#include <fstream>
#include <span>
#include <string>
#include <vector>

#include "core/ntfs/Result.h"

namespace quarvel::ntfs {

class ByteSource {
 public:
  virtual ~ByteSource() = default;
  // Reads up to buffer.size() bytes at `offset`. The count is smaller only at the
  // end of the source; a failure means the read itself failed.
  virtual Result<std::size_t> Read(std::uint64_t offset, std::span<std::byte> buffer) = 0;
};

// Fills the whole buffer, or fails naming `what` ("MFT record 0").
Status ReadFully(ByteSource& source, std::uint64_t offset, std::span<std::byte> buffer, const std::string& what);

class MemoryByteSource final : public ByteSource {
 public:
  explicit MemoryByteSource(std::vector<std::byte> bytes) : bytes_(std::move(bytes)) {}
  Result<std::size_t> Read(std::uint64_t offset, std::span<std::byte> buffer) override;

 private:
  std::vector<std::byte> bytes_;
};

// Passes on only reads of whole sectors, at sector boundaries, as a raw volume
// (\\.\X:) demands; a read of any other size or place is served from a larger one.
class SectorAlignedSource final : public ByteSource {
 public:
  SectorAlignedSource(ByteSource& volume, std::uint32_t sector_size) : volume_(&volume), sector_(sector_size) {}
  Result<std::size_t> Read(std::uint64_t offset, std::span<std::byte> buffer) override;

 private:
  ByteSource* volume_;
  std::uint32_t sector_;
  std::vector<std::byte> scratch_;
};

// An image file read through the standard library, so that it builds everywhere.
class FileByteSource final : public ByteSource {
 public:
  static Result<FileByteSource> Open(const std::string& path);
  Result<std::size_t> Read(std::uint64_t offset, std::span<std::byte> buffer) override;

 private:
  explicit FileByteSource(std::ifstream file) : file_(std::move(file)) {}
  std::ifstream file_;
};

}  // namespace quarvel::ntfs
