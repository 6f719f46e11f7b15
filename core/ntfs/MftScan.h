// Reads the MFT front to back in large sequential reads and hands on what each
// in-use record holds; or reads a few chosen records by number. A record that
// cannot be trusted is skipped, counted and named with its reason; a stretch
// of the MFT that cannot be read is skipped and counted, and the scan goes on.
#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <optional>
#include <span>
#include <string>
#include <vector>

#include "core/ntfs/BootSector.h"
#include "core/ntfs/ByteSource.h"
#include "core/ntfs/FileReference.h"
#include "core/ntfs/MftLayout.h"
#include "core/ntfs/RecordContents.h"

namespace quarvel::ntfs {

struct BadRecord {
  std::uint64_t record = 0;
  std::string reason;  // "MFT record 7: bad fixup"
};

struct MftTally {
  std::uint64_t records = 0;     // slots in the MFT
  std::uint64_t free = 0;        // marked free in $MFT's $BITMAP, so not parsed (most not even read)
  std::uint64_t empty = 0;       // never held a record
  std::uint64_t not_in_use = 0;  // deleted
  std::uint64_t in_use = 0;
  std::uint64_t bad = 0;         // skipped: damaged, or in a stretch that could not be read
  std::uint64_t reread = 0;      // torn when first read (being written, perhaps), so read once more
  std::uint64_t unreadable_stretches = 0;  // runs of records the volume would not give
  std::uint64_t in_use_marked_free = 0;    // in use by their own flag although the bitmap says free: read anyway
  bool bitmap_used = false;      // $MFT's $BITMAP was read and said which records to skip
  std::vector<BadRecord> bad_records;  // the first kKeptBadRecords of them
};

inline constexpr std::size_t kKeptBadRecords = 1000;

struct ScanOptions {
  std::size_t read_size = 4u << 20;  // bytes per read of the MFT, rounded down to whole records
};

// Which records $MFT's $BITMAP marks in use.
struct MftBitmap {
  std::vector<std::uint8_t> bits;  // empty when the bitmap is not known: every record counts as used

  bool Used(std::uint64_t record) const {
    return bits.empty() || record / 8 >= bits.size() || ((bits[record / 8] >> (record % 8)) & 1) != 0;
  }
  std::uint64_t InUseCount(std::uint64_t records) const;
};

// The bitmap of `layout`, or an empty one when it has none or it cannot be read.
MftBitmap ReadMftBitmap(ByteSource& source, const BootSector& boot, const MftLayout& layout);

// `in_use` may move from the record it is given.
void ScanMft(ByteSource& source, const BootSector& boot, const MftLayout& layout, const MftBitmap& bitmap,
             const ScanOptions& options, const std::function<void(RecordContents&)>& in_use, MftTally& tally);

// One record asked for by its reference.
struct RecordLookup {
  enum class State : std::uint8_t {
    kFound,      // in use, with the sequence number asked for
    kReused,     // in use, but with another sequence number: the file asked for is gone
    kNotInUse,   // deleted, or never used
    kDamaged,    // read, but it cannot be trusted (its reason in `reason`)
    kUnreadable, // the volume would not give its bytes, or it lies outside the MFT
  };
  FileReference asked;
  State state = State::kNotInUse;
  std::optional<RecordContents> contents;  // when found: its extension records merged in
  std::string reason;
};

// Reads only the records asked for (and their extension records), each once
// more when it is torn, in record order; the answers come in the order asked.
// Costs about one small read per record, whatever the size of the MFT.
std::vector<RecordLookup> ReadRecords(ByteSource& source, const BootSector& boot, const MftLayout& layout,
                                      std::span<const FileReference> wanted);

}  // namespace quarvel::ntfs
