#include "core/ntfs/BootSector.h"

#include <bit>
#include <cstring>
#include <limits>
#include <optional>
#include <string>

namespace quarvel::ntfs {
namespace {

constexpr std::uint32_t kLargestCluster = 2u << 20;
constexpr std::uint32_t kSmallestRecord = 512;  // the update sequence works in 512-byte strides
constexpr std::uint32_t kLargestRecord = 64u << 10;

Failure Bad(const std::string& why) { return Failure{"boot sector: " + why}; }

// Record sizes are stored as clusters per record, or, when negative, as the
// base-2 logarithm of the size in bytes (for records smaller than a cluster).
std::optional<std::uint64_t> RecordSize(std::int8_t stored, std::uint32_t bytes_per_cluster) {
  if (stored > 0) return std::uint64_t{static_cast<std::uint8_t>(stored)} * bytes_per_cluster;
  if (stored < 0 && stored > -32) return std::uint64_t{1} << -stored;
  return std::nullopt;
}

bool InRange(std::uint64_t size) {
  return std::has_single_bit(size) && size >= kSmallestRecord && size <= kLargestRecord;
}

}  // namespace

Result<BootSector> ParseBootSector(Bytes sector) {
  if (sector.size() < kBootSectorSize) return Bad("shorter than 512 bytes");
  if (std::memcmp(sector.data() + 3, "NTFS    ", 8) != 0) return Bad("not NTFS");

  BootSector boot;
  boot.bytes_per_sector = Le16(sector, 0x0B);
  if (!std::has_single_bit(boot.bytes_per_sector) || boot.bytes_per_sector < 256 || boot.bytes_per_sector > 4096)
    return Bad("bytes per sector " + std::to_string(boot.bytes_per_sector) + " is not a power of two from 256 to 4096");

  // Above 0x80 the byte is a negative exponent: 2^(256 - value) sectors, for clusters past 64 KiB.
  const std::uint8_t stored_spc = Le8(sector, 0x0D);
  if (stored_spc > 0x80) {
    const int exponent = 256 - stored_spc;
    if (exponent > 21) return Bad("sectors per cluster 2^" + std::to_string(exponent) + " is too large");
    boot.sectors_per_cluster = 1u << exponent;
  } else {
    boot.sectors_per_cluster = stored_spc;
    if (!std::has_single_bit(boot.sectors_per_cluster))
      return Bad("sectors per cluster " + std::to_string(stored_spc) + " is not a power of two");
  }
  const std::uint64_t cluster = std::uint64_t{boot.bytes_per_sector} * boot.sectors_per_cluster;
  if (cluster > kLargestCluster) return Bad("clusters of " + std::to_string(cluster) + " bytes are larger than 2 MiB");
  boot.bytes_per_cluster = static_cast<std::uint32_t>(cluster);

  boot.total_sectors = Le64(sector, 0x28);
  if (boot.total_sectors == 0) return Bad("the volume has no sectors");
  if (boot.total_sectors > std::numeric_limits<std::uint64_t>::max() / boot.bytes_per_sector)
    return Bad("the sector count " + std::to_string(boot.total_sectors) + " is too large");

  const auto record = RecordSize(static_cast<std::int8_t>(Le8(sector, 0x40)), boot.bytes_per_cluster);
  if (!record || !InRange(*record)) return Bad("MFT record size is not a power of two from 512 to 65536");
  boot.mft_record_size = static_cast<std::uint32_t>(*record);
  const auto index = RecordSize(static_cast<std::int8_t>(Le8(sector, 0x44)), boot.bytes_per_cluster);
  if (!index || !InRange(*index)) return Bad("index record size is not a power of two from 512 to 65536");
  boot.index_record_size = static_cast<std::uint32_t>(*index);

  boot.mft_cluster = Le64(sector, 0x30);
  boot.mft_mirror_cluster = Le64(sector, 0x38);
  const std::uint64_t clusters = boot.ClusterCount();
  const std::uint64_t record_clusters = (boot.mft_record_size + cluster - 1) / cluster;
  if (boot.mft_cluster >= clusters || clusters - boot.mft_cluster < record_clusters)
    return Bad("the MFT starts at cluster " + std::to_string(boot.mft_cluster) + ", outside the volume's " +
               std::to_string(clusters) + " clusters");
  return boot;
}

}  // namespace quarvel::ntfs
