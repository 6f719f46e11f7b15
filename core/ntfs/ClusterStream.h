// The bytes of a non-resident attribute, read through its runs: a range of the
// attribute becomes as few reads of the volume as its runs allow.
#pragma once

#include <cstdint>
#include <span>
#include <string>
#include <vector>

#include "core/ntfs/ByteSource.h"
#include "core/ntfs/Result.h"
#include "core/ntfs/RunList.h"

namespace quarvel::ntfs {

class ClusterStream {
 public:
  // `runs` may come in any order (extents from several records); they are sorted by VCN.
  ClusterStream(ByteSource& source, std::uint32_t bytes_per_cluster, std::vector<Run> runs);

  // Fills `out` with the attribute's bytes from `offset`; sparse runs read as
  // zeros. Fails, naming `what`, where no run maps a cluster or the volume ends.
  Status Read(std::uint64_t offset, std::span<std::byte> out, const std::string& what);

  // Bytes from the start up to the first cluster no run maps.
  std::uint64_t MappedBytes() const;

  const std::vector<Run>& runs() const { return runs_; }

 private:
  ByteSource* source_;
  std::uint64_t cluster_;
  std::vector<Run> runs_;
};

// The whole of a small non-resident value (an attribute list, a reparse point),
// at most `limit` bytes.
Result<std::vector<std::byte>> ReadValue(ClusterStream& stream, std::uint64_t size, std::uint64_t limit,
                                         const std::string& what);

}  // namespace quarvel::ntfs
