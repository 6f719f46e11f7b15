#include "core/ntfs/ClusterStream.h"

#include <algorithm>
#include <cstring>
#include <limits>

namespace quarvel::ntfs {

ClusterStream::ClusterStream(ByteSource& source, std::uint32_t bytes_per_cluster, std::vector<Run> runs)
    : source_(&source), cluster_(bytes_per_cluster), runs_(std::move(runs)) {
  std::sort(runs_.begin(), runs_.end(), [](const Run& a, const Run& b) { return a.vcn < b.vcn; });
}

std::uint64_t ClusterStream::MappedBytes() const {
  std::uint64_t next = 0;
  for (const Run& run : runs_) {
    if (run.vcn != next) break;
    next = run.vcn + run.length;
  }
  return next > std::numeric_limits<std::uint64_t>::max() / cluster_ ? std::numeric_limits<std::uint64_t>::max()
                                                                    : next * cluster_;
}

Status ClusterStream::Read(std::uint64_t offset, std::span<std::byte> out, const std::string& what) {
  while (!out.empty()) {
    const std::uint64_t vcn = offset / cluster_;
    // The last run that starts at or before this cluster.
    auto run = std::upper_bound(runs_.begin(), runs_.end(), vcn, [](std::uint64_t v, const Run& r) { return v < r.vcn; });
    if (run == runs_.begin() || vcn - std::prev(run)->vcn >= std::prev(run)->length)
      return Failure{what + ": cluster " + std::to_string(vcn) + " is in no run"};
    --run;
    const std::uint64_t into_run = offset - run->vcn * cluster_;
    const std::uint64_t clusters_left = run->length - (vcn - run->vcn);
    const std::uint64_t left_in_run = clusters_left > std::numeric_limits<std::uint64_t>::max() / cluster_
                                          ? std::numeric_limits<std::uint64_t>::max()
                                          : clusters_left * cluster_ - offset % cluster_;
    const auto count = static_cast<std::size_t>(std::min<std::uint64_t>(out.size(), left_in_run));
    if (run->lcn) {
      const std::uint64_t at = *run->lcn * cluster_ + into_run;
      if (auto read = ReadFully(*source_, at, out.first(count), what); !read) return read;
    } else {
      std::memset(out.data(), 0, count);
    }
    out = out.subspan(count);
    offset += count;
  }
  return Ok();
}

Result<std::vector<std::byte>> ReadValue(ClusterStream& stream, std::uint64_t size, std::uint64_t limit,
                                         const std::string& what) {
  if (size > limit) return Failure{what + ": " + std::to_string(size) + " bytes is more than it can hold"};
  std::vector<std::byte> bytes(static_cast<std::size_t>(size));
  if (auto read = stream.Read(0, bytes, what); !read) return read.failure();
  return bytes;
}

}  // namespace quarvel::ntfs
