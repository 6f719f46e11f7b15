// The whole volume read from its MFT: every in-use file and folder with its
// names, and each folder's children, without asking the file system driver.
// Folders are found from the parent references in the names, so the index
// answers even when a program hides entries from the directory queries.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "core/ntfs/AttributeValues.h"
#include "core/ntfs/BootSector.h"
#include "core/ntfs/ByteSource.h"
#include "core/ntfs/MftLayout.h"
#include "core/ntfs/MftScan.h"

namespace quarvel::ntfs {

// Where an entry stands in the tree.
enum class Placement : std::uint8_t {
  kLinked,    // a user file or folder reached from the root by its parent references
  kOrphan,    // no chain of live parents leads to the root: a dangling parent, a loop, or no name
  kMetafile,  // records 0 to 15 and everything under $Extend
};

struct FileEntry {
  std::uint64_t record = 0;
  std::uint16_t sequence = 0;
  bool is_directory = false;  // from the record's flags
  std::uint32_t attributes = 0;  // FILE_ATTRIBUTE_* from $STANDARD_INFORMATION
  std::uint64_t size = 0;  // the unnamed data stream's size; 0 for folders
  std::optional<std::uint32_t> reparse_tag;  // set when the file has a $REPARSE_POINT
  std::vector<FileName> names;  // every name, whatever its parent
  Placement placement = Placement::kOrphan;
};

// One name of a file or folder inside a folder, as a directory listing shows it.
struct Child {
  std::uint64_t record = 0;
  std::uint16_t sequence = 0;
  std::u16string name;  // the long name (Win32, POSIX, or Win32-and-DOS)
  NameSpace name_space = NameSpace::kWin32;
  // The separate DOS-namespace name under the same folder. Empty when the long
  // name is itself the 8.3 name (kWin32AndDos) or when there is no short name.
  std::optional<std::u16string> short_name;
  bool is_directory = false;
  std::uint32_t attributes = 0;
  std::uint64_t size = 0;
  std::optional<std::uint32_t> reparse_tag;
};

struct IndexCounts {
  std::uint64_t extensions_merged = 0;     // extension records taken into their base records
  std::uint64_t extensions_unclaimed = 0;  // extension records no base record's attribute list names
  std::uint64_t extensions_missing = 0;    // listed in an attribute list, but absent, reused or not its base's
  std::uint64_t stale_names = 0;     // names whose parent record has since been reused
  std::uint64_t dangling_names = 0;  // names whose parent is not an in-use folder
  std::uint64_t loops = 0;           // parent chains that came back on themselves
  std::uint64_t linked = 0;          // user files and folders under the root
  std::uint64_t orphans = 0;
  std::uint64_t metafiles = 0;
};

class VolumeIndex {
 public:
  // Reads the boot sector and the whole MFT. Fails only when the volume cannot
  // be read at all (not NTFS, no usable $MFT); damaged records are skipped and
  // counted in tally().
  static Result<VolumeIndex> Read(ByteSource& source, const ScanOptions& options = {});

  const BootSector& boot() const { return boot_; }
  const MftLayout& mft() const { return mft_; }
  const MftTally& tally() const { return tally_; }
  const IndexCounts& counts() const { return counts_; }

  // Every in-use base record, in record order.
  const std::vector<FileEntry>& entries() const { return entries_; }
  const FileEntry* Find(std::uint64_t record) const;

  // The folder's linked children, one per long name in it (a file with hard
  // links in several folders shows in each), ordered by record number. Empty
  // for a file, an orphan, a metafile, or a record not in use.
  std::vector<Child> Children(std::uint64_t folder) const;

 private:
  VolumeIndex() = default;
  void MergeExtensions(std::vector<RecordContents>& bases, std::vector<RecordContents>& extensions);
  void Link();
  void CollectChildren();

  struct ChildName {
    std::uint64_t folder = 0;
    std::size_t entry = 0;
    std::size_t name = 0;
    std::optional<std::size_t> short_name;
  };

  BootSector boot_;
  MftLayout mft_;
  MftTally tally_;
  IndexCounts counts_;
  std::vector<FileEntry> entries_;
  // Per name (entry i's names start at name_start_[i]): its live parent's entry.
  std::vector<std::size_t> name_start_;
  std::vector<std::optional<std::size_t>> name_parent_;
  std::vector<std::optional<std::size_t>> primary_;  // per entry: the parent folder it hangs by
  std::vector<ChildName> children_;  // sorted by folder, then record
};

}  // namespace quarvel::ntfs
