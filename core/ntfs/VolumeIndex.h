// The whole volume read from its MFT: every in-use file and folder with its
// names, and each folder's children, without asking the file system driver.
// Folders are found from the parent references in the names, so the index
// answers even when a program hides entries from the directory queries.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "core/FunctionRef.h"
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

// A child as ForEachChild hands it on: the names are valid only during the call.
struct ChildView {
  std::uint64_t record = 0;
  std::uint16_t sequence = 0;
  std::u16string_view name;
  NameSpace name_space = NameSpace::kWin32;
  std::optional<std::u16string_view> short_name;
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

// The index is kept compact, since a system drive has millions of records: a
// fixed-size entry per file, a fixed-size name record per name, and the names'
// characters in one pool (one byte a character where every character of the
// name is below U+0100, else UTF-16), addressed by 32-bit offsets. Records are
// taken in as they are scanned; nothing of a record is kept beyond its entry.
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
  std::size_t EntryCount() const { return entries_.size(); }
  FileEntry EntryAt(std::size_t at) const;
  std::optional<FileEntry> Find(std::uint64_t record) const;

  // The folder's linked children, one per long name in it (a file with hard
  // links in several folders shows in each), ordered by record number. Empty
  // for a file, an orphan, a metafile, or a record not in use.
  std::vector<Child> Children(std::uint64_t folder) const;
  // The same children, one call each, without a string allocated per name.
  void ForEachChild(std::uint64_t folder, FunctionRef<void(const ChildView&)> visit) const;

  // The bytes the index holds (its tables' capacities and the name pool).
  std::size_t MemoryBytes() const;

 private:
  // One file: 24 bytes.
  struct Entry {
    std::uint64_t size_and_flags = 0;  // the size in the low 56 bits; kDirectory, kReparse, placement above
    std::uint32_t record = 0;
    std::uint32_t first_name = 0;
    std::uint32_t attributes = 0;
    std::uint16_t sequence = 0;
    std::uint16_t name_count = 0;
  };
  // One name: 12 bytes.
  struct Name {
    std::uint32_t parent_record = 0;
    std::uint16_t parent_sequence = 0;
    std::uint8_t length = 0;  // in characters
    std::uint8_t form = 0;    // the namespace in the low bits, kWide when stored as UTF-16
    std::uint32_t text = 0;   // offset in the pool
  };
  VolumeIndex() = default;
  void Take(const RecordContents& record, Entry& entry, std::uint32_t at);
  void MergeExtensions(std::vector<std::pair<std::uint32_t, RecordContents>>& pending,
                       std::vector<RecordContents>& extensions);
  void Link();
  void CollectChildren(const std::vector<std::uint32_t>& name_parent, const std::vector<std::uint32_t>& primary);
  std::optional<std::uint32_t> EntryOf(std::uint64_t record) const;
  std::u16string NameText(const Name& name) const;
  // The name spelled in `out`.
  std::u16string_view NameInto(const Name& name, std::array<char16_t, 255>& out) const;
  FileEntry Materialize(const Entry& entry) const;
  // The DOS name paired with the entry's name `name` in the folder `folder` as its short name.
  std::optional<std::uint32_t> ShortNameOf(const Entry& entry, const Entry& folder, std::uint32_t name) const;

  // A table that grows a block at a time, so it never holds two copies of itself while growing.
  template <class T>
  class Blocks {
   public:
    static constexpr std::size_t kShift = 16;
    void push_back(const T& value) {
      if (size_ == blocks_.size() << kShift) {
        blocks_.emplace_back();
        blocks_.back().reserve(std::size_t{1} << kShift);
      }
      blocks_.back().push_back(value);
      ++size_;
    }
    T& operator[](std::size_t at) { return blocks_[at >> kShift][at & ((std::size_t{1} << kShift) - 1)]; }
    const T& operator[](std::size_t at) const { return blocks_[at >> kShift][at & ((std::size_t{1} << kShift) - 1)]; }
    std::size_t size() const { return size_; }
    std::size_t Bytes() const { return blocks_.size() * (sizeof(T) << kShift); }

   private:
    std::vector<std::vector<T>> blocks_;
    std::size_t size_ = 0;
  };

  BootSector boot_;
  MftLayout mft_;
  MftTally tally_;
  IndexCounts counts_;
  std::vector<Entry> entries_;
  Blocks<Name> names_;
  std::vector<std::vector<std::byte>> pool_;  // blocks of kPoolBlock bytes; a name never straddles two
  std::vector<std::pair<std::uint32_t, std::uint32_t>> reparse_tags_;  // entry, tag; by entry
  // Children grouped by folder: (entry, name) pairs; folders_ says where each folder's start.
  std::vector<std::pair<std::uint32_t, std::uint32_t>> children_;
  std::vector<std::pair<std::uint32_t, std::uint32_t>> folders_;  // folder entry, first child; by entry
  std::vector<std::uint32_t> folder_records_;  // each of folders_' record number, in the same (rising) order
};

}  // namespace quarvel::ntfs
