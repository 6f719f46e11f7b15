#include "core/ntfs/RunList.h"

#include <limits>
#include <string>

namespace quarvel::ntfs {
namespace {

Failure Bad(std::size_t at, const std::string& why) {
  return Failure{"run list: run at byte " + std::to_string(at) + " " + why};
}

// A little-endian field of 1 to 8 bytes; signed fields extend their top bit.
std::uint64_t Field(Bytes bytes, std::size_t at, std::size_t size, bool is_signed) {
  std::uint64_t value = 0;
  for (std::size_t i = 0; i < size; ++i) value |= static_cast<std::uint64_t>(bytes[at + i]) << (8 * i);
  if (is_signed && size < 8 && (value >> (8 * size - 1)) != 0) value |= ~std::uint64_t{0} << (8 * size);
  return value;
}

}  // namespace

Result<std::vector<Run>> DecodeRunList(Bytes bytes, std::uint64_t first_vcn, std::uint64_t cluster_count) {
  std::vector<Run> runs;
  std::uint64_t vcn = first_vcn;
  std::int64_t lcn = 0;  // runs store their start relative to the previous run that has one
  std::size_t at = 0;
  while (at < bytes.size()) {
    const auto header = static_cast<std::uint8_t>(bytes[at]);
    if (header == 0) break;
    const std::size_t length_size = header & 0x0F;
    const std::size_t offset_size = header >> 4;
    if (length_size == 0 || length_size > 8 || offset_size > 8) return Bad(at, "has a bad header byte");
    if (!Fits(bytes, at + 1, length_size + offset_size)) return Bad(at, "runs past the attribute");

    Run run;
    run.vcn = vcn;
    run.length = Field(bytes, at + 1, length_size, false);
    if (run.length == 0 || run.length > std::numeric_limits<std::uint64_t>::max() - vcn)
      return Bad(at, "has a bad length");
    if (offset_size != 0) {
      const auto delta = static_cast<std::int64_t>(Field(bytes, at + 1 + length_size, offset_size, true));
      if ((delta > 0 && lcn > std::numeric_limits<std::int64_t>::max() - delta) || lcn + delta < 0)
        return Bad(at, "starts before the volume");
      lcn += delta;
      const auto start = static_cast<std::uint64_t>(lcn);
      if (start >= cluster_count || run.length > cluster_count - start) return Bad(at, "ends past the volume");
      run.lcn = start;
    }
    runs.push_back(run);
    vcn += run.length;
    at += 1 + length_size + offset_size;
  }
  return runs;
}

}  // namespace quarvel::ntfs
