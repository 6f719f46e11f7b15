#include "core/ntfs/ByteSource.h"

#include <algorithm>
#include <cstring>
#include <limits>

namespace quarvel::ntfs {

Status ReadFully(ByteSource& source, std::uint64_t offset, std::span<std::byte> buffer, const std::string& what) {
  auto read = source.Read(offset, buffer);
  if (!read) return Failure{what + ": " + read.failure().text};
  if (*read != buffer.size())
    return Failure{what + ": the volume ends at byte " + std::to_string(offset + *read) + ", before the " +
                   std::to_string(buffer.size()) + " bytes at " + std::to_string(offset)};
  return Ok();
}

Result<std::size_t> MemoryByteSource::Read(std::uint64_t offset, std::span<std::byte> buffer) {
  if (offset >= bytes_.size()) return std::size_t{0};
  const auto count = static_cast<std::size_t>(std::min<std::uint64_t>(buffer.size(), bytes_.size() - offset));
  std::memcpy(buffer.data(), bytes_.data() + offset, count);
  return count;
}

Result<std::size_t> SectorAlignedSource::Read(std::uint64_t offset, std::span<std::byte> buffer) {
  const std::uint64_t head = offset % sector_;
  if (head == 0 && buffer.size() % sector_ == 0) return volume_->Read(offset, buffer);
  const std::uint64_t span = head + buffer.size();
  scratch_.resize(static_cast<std::size_t>((span + sector_ - 1) / sector_ * sector_));
  auto read = volume_->Read(offset - head, scratch_);
  if (!read) return read;
  if (*read <= head) return std::size_t{0};
  const auto count = static_cast<std::size_t>(std::min<std::uint64_t>(buffer.size(), *read - head));
  std::memcpy(buffer.data(), scratch_.data() + head, count);
  return count;
}

Result<FileByteSource> FileByteSource::Open(const std::string& path) {
  std::ifstream file(path, std::ios::binary);
  if (!file) return Failure{"cannot open " + path};
  return FileByteSource(std::move(file));
}

Result<std::size_t> FileByteSource::Read(std::uint64_t offset, std::span<std::byte> buffer) {
  if (offset > static_cast<std::uint64_t>(std::numeric_limits<std::streamoff>::max()))
    return Failure{"offset " + std::to_string(offset) + " is past what a file can hold"};
  file_.clear();
  file_.seekg(static_cast<std::streamoff>(offset));
  if (!file_) return Failure{"cannot seek to byte " + std::to_string(offset)};
  file_.read(reinterpret_cast<char*>(buffer.data()), static_cast<std::streamsize>(buffer.size()));
  const auto count = static_cast<std::size_t>(file_.gcount());
  // Reaching the end sets failbit along with eofbit; only a failure without the end is an error.
  if (file_.bad() || (file_.fail() && !file_.eof())) return Failure{"read error at byte " + std::to_string(offset)};
  return count;
}

}  // namespace quarvel::ntfs
