// Where the MFT itself lies: the runs of $MFT's unnamed $DATA, gathered from
// record 0 and, when the MFT is fragmented enough to need one, from the
// extension records its attribute list names.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "core/ntfs/BootSector.h"
#include "core/ntfs/ByteSource.h"
#include "core/ntfs/Result.h"
#include "core/ntfs/RunList.h"

namespace quarvel::ntfs {

// Where $MFT's $BITMAP (one bit per record, set for records in use) lies.
struct MftBitmapPlace {
  std::vector<std::byte> resident;  // the bits themselves, when resident
  std::vector<Run> runs;            // else its runs
  std::uint64_t size = 0;           // in bytes
};

struct MftLayout {
  std::vector<Run> runs;  // sorted by VCN, without gaps
  std::uint64_t record_count = 0;
  std::optional<MftBitmapPlace> bitmap;  // from record 0; nothing when it has none that can be read
  // Why record 0 was read from $MFTMirr; empty when the MFT's own copy was good.
  std::optional<std::string> mirror_used;
};

// Reads record 0 at the boot sector's MFT cluster, or its copy in $MFTMirr when
// that one is damaged.
Result<MftLayout> LocateMft(ByteSource& source, const BootSector& boot);

}  // namespace quarvel::ntfs
