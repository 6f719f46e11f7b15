// Run lists: where the clusters of a non-resident attribute lie on the volume.
#pragma once

#include <cstdint>
#include <optional>
#include <vector>

#include "core/ntfs/LittleEndian.h"
#include "core/ntfs/Result.h"

namespace quarvel::ntfs {

struct Run {
  std::uint64_t vcn = 0;     // first cluster of the run within the attribute
  std::uint64_t length = 0;  // clusters
  std::optional<std::uint64_t> lcn;  // first cluster on the volume; empty for a sparse run
  bool operator==(const Run&) const = default;
};

// Decodes a run list that starts at `first_vcn`. Every run must lie inside the
// volume's `cluster_count` clusters and no count may overflow. The list ends at
// a zero byte or at the end of `bytes`.
Result<std::vector<Run>> DecodeRunList(Bytes bytes, std::uint64_t first_vcn, std::uint64_t cluster_count);

}  // namespace quarvel::ntfs
