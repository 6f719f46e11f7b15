// A file's contents read from the volume itself: the unnamed data stream of one
// MFT record, its extents gathered from the extension records its attribute
// list names. This is how a file another program holds locked (a registry hive)
// is still read.
#pragma once

#include <cstdint>
#include <optional>
#include <string_view>
#include <vector>

#include "core/ntfs/ByteSource.h"
#include "core/ntfs/Result.h"
#include "core/ntfs/VolumeIndex.h"

namespace quarvel::ntfs {

// The whole unnamed $DATA of `record`; fails when it is larger than `limit`,
// compressed or encrypted, or a record or run cannot be read. Bytes past the
// initialized size read as zeros, as the file system returns them.
Result<std::vector<std::byte>> ReadFileData(ByteSource& source, const VolumeIndex& index, std::uint64_t record,
                                            std::uint64_t limit);

// The record of the file at `path` below the root ("Windows\\System32\\config\\SYSTEM"),
// names compared without regard to case (ASCII letters only); nullopt when a part is missing.
std::optional<std::uint64_t> FindPath(const VolumeIndex& index, std::u16string_view path);

}  // namespace quarvel::ntfs
