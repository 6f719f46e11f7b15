// Reads every record of the MFT front to back in large sequential reads and
// hands on what each in-use record holds. A record that cannot be trusted is
// skipped, counted and named with its reason.
#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "core/ntfs/BootSector.h"
#include "core/ntfs/ByteSource.h"
#include "core/ntfs/MftLayout.h"
#include "core/ntfs/RecordContents.h"

namespace quarvel::ntfs {

struct BadRecord {
  std::uint64_t record = 0;
  std::string reason;  // "MFT record 7: bad fixup"
};

struct MftTally {
  std::uint64_t records = 0;     // slots in the MFT
  std::uint64_t empty = 0;       // never held a record
  std::uint64_t not_in_use = 0;  // deleted
  std::uint64_t in_use = 0;
  std::uint64_t bad = 0;
  std::vector<BadRecord> bad_records;  // the first kKeptBadRecords of them
};

inline constexpr std::size_t kKeptBadRecords = 1000;

struct ScanOptions {
  std::size_t read_size = 4u << 20;  // bytes per read of the MFT, rounded down to whole records
};

void ScanMft(ByteSource& source, const BootSector& boot, const MftLayout& layout, const ScanOptions& options,
             const std::function<void(RecordContents&&)>& in_use, MftTally& tally);

}  // namespace quarvel::ntfs
