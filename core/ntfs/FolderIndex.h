// One folder read through its own directory index ($I30) instead of the whole
// MFT: the entries of its $INDEX_ROOT and of the in-use blocks of its
// $INDEX_ALLOCATION, then only the records those entries name. A folder of a
// few thousand files costs a few megabytes of reads, whatever the volume's size.
#pragma once

#include <cstdint>
#include <vector>

#include "core/ntfs/AttributeValues.h"
#include "core/ntfs/BootSector.h"
#include "core/ntfs/ByteSource.h"
#include "core/ntfs/MftLayout.h"
#include "core/ntfs/Result.h"
#include "core/ntfs/VolumeIndex.h"

namespace quarvel::ntfs {

// One entry of a directory index: the file it names and the copy of the
// $FILE_NAME it keeps (sizes there may be stale; the file's record has them).
struct IndexEntry {
  FileReference file;
  FileName name;
};

struct FolderIndexRead {
  std::vector<IndexEntry> entries;  // in index order
  std::uint64_t blocks = 0;          // index blocks read
  std::uint64_t bad_blocks = 0;      // torn or not index blocks: skipped
};

// Reads the folder's $I30 index. Fails when the folder's record cannot be
// read, is not an in-use folder with `folder`'s sequence number, or keeps its
// index through an attribute list (then the whole MFT must be read instead).
Result<FolderIndexRead> ReadFolderIndex(ByteSource& source, const BootSector& boot, const MftLayout& layout,
                                        FileReference folder);

struct FolderChildren {
  std::vector<Child> children;       // one per long name in the folder, by record number
  std::uint64_t entries_stale = 0;   // index entries whose record is gone or reused since
  std::uint64_t records_disagree = 0;  // records the index names, none of whose names is in this folder
  std::uint64_t bad_blocks = 0;
};

// The folder's children as the index names them, each from its own record
// (sequence number checked): what Children() of a whole-volume index gives for
// the same folder, while reading only the folder's index and those records.
Result<FolderChildren> ReadFolderChildren(ByteSource& source, const BootSector& boot, const MftLayout& layout,
                                          FileReference folder);

}  // namespace quarvel::ntfs
