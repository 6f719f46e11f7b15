// The NTFS boot sector: the volume's geometry and where its MFT starts.
#pragma once

#include <cstdint>

#include "core/ntfs/LittleEndian.h"
#include "core/ntfs/Result.h"

namespace quarvel::ntfs {

inline constexpr std::size_t kBootSectorSize = 512;

struct BootSector {
  std::uint32_t bytes_per_sector = 0;
  std::uint32_t sectors_per_cluster = 0;
  std::uint32_t bytes_per_cluster = 0;
  std::uint64_t total_sectors = 0;
  std::uint64_t mft_cluster = 0;
  std::uint64_t mft_mirror_cluster = 0;
  std::uint32_t mft_record_size = 0;
  std::uint32_t index_record_size = 0;

  std::uint64_t VolumeBytes() const { return total_sectors * bytes_per_sector; }
  std::uint64_t ClusterCount() const { return VolumeBytes() / bytes_per_cluster; }
};

// Reads and checks the first 512 bytes of the volume. The failure text starts
// with "boot sector: ".
Result<BootSector> ParseBootSector(Bytes sector);

}  // namespace quarvel::ntfs
