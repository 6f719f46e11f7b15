#include "lister/RawNtfsSource.h"

#include <windows.h>

#include <algorithm>
#include <array>
#include <cstring>
#include <optional>
#include <vector>

#include "core/Recheck.h"
#include "lister/UsnJournal.h"
#include "core/ntfs/ByteSource.h"
#include "core/ntfs/FileReference.h"
#include "core/ntfs/FolderIndex.h"
#include "core/ntfs/VolumeIndex.h"
#include "platform/UniqueHandle.h"
#include "platform/VolumeBytes.h"

namespace quarvel::lister {
namespace {

constexpr DWORD kShareAll = FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE;
// A first read of the volume aligned for any sector size up to 4 KiB; the boot
// sector then tells the real one.
constexpr std::size_t kFirstRead = 4096;

using win::VolumeBytes;

std::wstring Wide(const std::u16string& text) { return std::wstring(text.begin(), text.end()); }

bool SameName(const std::wstring& a, const std::wstring& b) {
  return CompareStringOrdinal(a.c_str(), static_cast<int>(a.size()), b.c_str(), static_cast<int>(b.size()), TRUE) ==
         CSTR_EQUAL;
}

// The folder as the system resolves it (junctions and symbolic links on the way
// followed), without a "\\?\" prefix; the path itself when that cannot be asked.
std::wstring FinalPath(const std::wstring& folder) {
  const win::UniqueFileHandle handle(CreateFileW(folder.c_str(), FILE_READ_ATTRIBUTES, kShareAll, nullptr,
                                                 OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr));
  std::wstring path = folder;
  if (handle) {
    std::wstring final_path(32768, L'\0');
    const DWORD length = GetFinalPathNameByHandleW(handle.get(), final_path.data(),
                                                   static_cast<DWORD>(final_path.size()), VOLUME_NAME_DOS);
    if (length > 0 && length < final_path.size()) path = final_path.substr(0, length);
  }
  if (path.rfind(L"\\\\?\\UNC\\", 0) == 0) return L"\\\\" + path.substr(8);
  if (path.rfind(L"\\\\?\\", 0) == 0) return path.substr(4);
  return path;
}

// The device that opens the volume of `root` (a volume's root folder, "D:\\"
// or a folder a volume is mounted on), raw.
std::optional<std::wstring> VolumeDevice(const std::wstring& root) {
  if (root.size() == 3 && root[1] == L':' && root[2] == L'\\') return L"\\\\.\\" + root.substr(0, 2);
  std::array<wchar_t, MAX_PATH> name{};
  if (!GetVolumeNameForVolumeMountPointW(root.c_str(), name.data(), static_cast<DWORD>(name.size()))) {
    return std::nullopt;
  }
  std::wstring device = name.data();
  if (!device.empty() && device.back() == L'\\') device.pop_back();  // the volume, not its root folder
  return device;
}

// The names of the folders on `final_path` below the volume's root (a root of
// `root_size` characters, ending in "\\"), in order.
std::vector<std::wstring> NamesBelowRoot(const std::wstring& final_path, std::size_t root_size) {
  std::vector<std::wstring> names;
  std::size_t at = root_size - 1;
  while (at < final_path.size()) {
    if (final_path[at] == L'\\') {
      ++at;
      continue;
    }
    const std::size_t end = std::min(final_path.find(L'\\', at), final_path.size());
    names.push_back(final_path.substr(at, end - at));
    at = end;
  }
  return names;
}

// The child as an entry, its names copied into `names`.
DirectoryEntry EntryOf(const ntfs::ChildView& child, NamePool& names) {
  DirectoryEntry entry;
  entry.long_name = names.Add(child.name);
  if (child.short_name) entry.short_name = names.Add(*child.short_name);
  entry.attributes = child.attributes;
  if (child.is_directory) entry.attributes |= FILE_ATTRIBUTE_DIRECTORY;
  if (child.reparse_tag) {
    entry.attributes |= FILE_ATTRIBUTE_REPARSE_POINT;
    entry.reparse_tag = *child.reparse_tag;
  }
  entry.size = child.is_directory ? 0 : child.size;
  entry.id = ntfs::FileReference{child.record, child.sequence}.Raw();
  return entry;
}

DirectoryEntry EntryOf(const ntfs::Child& child, NamePool& names) {
  ntfs::ChildView view{child.record, child.sequence, child.name, child.name_space, std::nullopt,
                       child.is_directory, child.attributes, child.size, child.reparse_tag};
  if (child.short_name) view.short_name = *child.short_name;
  return EntryOf(view, names);
}

}  // namespace

struct RawNtfsSource::Volume {
  std::unique_ptr<VolumeBytes> bytes;
  std::unique_ptr<ntfs::SectorAlignedSource> aligned;  // over `bytes`
  ntfs::BootSector boot;
  ntfs::MftLayout mft;
  std::optional<ntfs::VolumeIndex> index;  // the whole MFT, when it was read
  // Or one folder through its own index: its final path and its children.
  std::wstring one_folder_path;
  std::uint64_t one_folder_record = 0;
  std::vector<ntfs::Child> one_folder_children;
  std::wstring root;  // the volume's root folder, ending in "\"
  std::optional<JournalMark> journal_mark;  // where its change journal stood when it was opened
};

namespace {

class RawFolder : public Folder {
 public:
  static constexpr std::size_t kTypicalChildren = 16;

  RawFolder(std::shared_ptr<RawNtfsSource::Volume> volume, std::uint64_t record)
      : volume_(std::move(volume)), record_(record) {}

  void ReadEntries(FolderRead& read) override {
    read.Clear();
    read.entries.reserve(kTypicalChildren);  // not grown one, two, four... in each of many small folders
    volume_->index->ForEachChild(record_, [&](const ntfs::ChildView& child) { read.entries.push_back(EntryOf(child, read.names)); });
  }

  std::optional<FolderIdentity> Identity() const override { return FolderIdentity{0, 0, record_}; }

  OpenedFolder OpenSubfolder(const std::wstring&, std::uint64_t id) override {
    // The id this folder's read gave is the subfolder's file reference: its
    // record is opened as it is, with no search among the children (a folder
    // may hold thousands of subfolders). Every child this view gives has one.
    if (id == 0) return {nullptr, ERROR_PATH_NOT_FOUND, true};
    return {std::make_unique<RawFolder>(volume_, ntfs::FileReference::FromRaw(id).record), 0, false};
  }

 private:
  std::shared_ptr<RawNtfsSource::Volume> volume_;
  std::uint64_t record_;
};

// A folder read through its own index: its entries only (a scan without
// subfolders never opens one).
class IndexedFolder : public Folder {
 public:
  explicit IndexedFolder(std::shared_ptr<RawNtfsSource::Volume> volume) : volume_(std::move(volume)) {}

  void ReadEntries(FolderRead& read) override {
    read.Clear();
    read.entries.reserve(volume_->one_folder_children.size());
    for (const auto& child : volume_->one_folder_children) read.entries.push_back(EntryOf(child, read.names));
  }
  std::optional<FolderIdentity> Identity() const override {
    return FolderIdentity{0, 0, volume_->one_folder_record};
  }
  OpenedFolder OpenSubfolder(const std::wstring&, std::uint64_t) override { return {nullptr, ERROR_NOT_SUPPORTED, false}; }

 private:
  std::shared_ptr<RawNtfsSource::Volume> volume_;
};

// The record of the folder `final_path` (below the volume's root `root`),
// found through the index of each folder on the way, and its children; nothing
// when any index on the way cannot be read whole (the whole MFT is read then).
bool ReadOneFolder(RawNtfsSource::Volume& volume, const std::wstring& final_path) {
  ntfs::FileReference folder{ntfs::kRootRecord, ntfs::kRootRecord};
  for (const std::wstring& name : NamesBelowRoot(final_path, volume.root.size())) {
    const auto index = ntfs::ReadFolderIndex(*volume.aligned, volume.boot, volume.mft, folder);
    if (!index || index->bad_blocks != 0) return false;
    const auto named = std::find_if(index->entries.begin(), index->entries.end(), [&](const ntfs::IndexEntry& entry) {
      return SameName(Wide(entry.name.name), name);
    });
    if (named == index->entries.end()) return false;
    folder = named->file;
  }
  auto children = ntfs::ReadFolderChildren(*volume.aligned, volume.boot, volume.mft, folder);
  // Damage or disagreement between the index and the records: the whole MFT
  // says what the folder holds.
  if (!children || children->bad_blocks != 0 || children->entries_stale != 0 || children->records_disagree != 0) {
    return false;
  }
  volume.one_folder_path = final_path;
  volume.one_folder_record = folder.record;
  volume.one_folder_children = std::move(children->children);
  return true;
}

}  // namespace

RawNtfsSource::Opened RawNtfsSource::ForFolder(const std::wstring& folder, Reading reading) {
  Opened opened;
  const auto not_used = [&](std::string_view reason) {
    opened.state.reason = std::string(reason);
    return std::move(opened);
  };
  const std::wstring path = FinalPath(folder);
  std::array<wchar_t, MAX_PATH> root{};
  // A folder on no local volume (a share, say) has no volume to read raw.
  if (!GetVolumePathNameW(path.c_str(), root.data(), static_cast<DWORD>(root.size()))) return not_used(kNoRawAccess);
  const auto device = VolumeDevice(root.data());
  if (!device) return not_used(kNoRawAccess);
  win::UniqueFileHandle handle(
      CreateFileW(device->c_str(), GENERIC_READ, kShareAll, nullptr, OPEN_EXISTING, 0, nullptr));
  if (!handle) {
    const DWORD error = GetLastError();
    return not_used(error == ERROR_SHARING_VIOLATION || error == ERROR_LOCK_VIOLATION ? kVolumeLocked : kNoRawAccess);
  }

  auto volume = std::make_shared<Volume>();
  volume->bytes = std::make_unique<VolumeBytes>(std::move(handle));
  VolumeBytes& bytes = *volume->bytes;
  std::vector<std::byte> first(kFirstRead);
  const auto read = bytes.Read(0, first);
  if (!read) return not_used(bytes.last_error() == ERROR_LOCK_VIOLATION ? kVolumeLocked : kVolumeFailed);
  if (*read < ntfs::kBootSectorSize) return not_used(kNotNtfs);
  // A volume BitLocker keeps locked shows its own signature instead of NTFS's.
  if (std::memcmp(first.data() + 3, "-FVE-FS-", 8) == 0) return not_used(kVolumeLocked);
  if (std::memcmp(first.data() + 3, "NTFS    ", 8) != 0) return not_used(kNotNtfs);
  const auto boot = ntfs::ParseBootSector(ntfs::Bytes(first.data(), ntfs::kBootSectorSize));
  if (!boot) return not_used(kNotNtfs);
  volume->aligned = std::make_unique<ntfs::SectorAlignedSource>(bytes, boot->bytes_per_sector);
  volume->boot = *boot;
  volume->root = root.data();
  // Before the MFT is read: what the journal records from here on happened
  // during the scan.
  volume->journal_mark = JournalMarkNow(bytes.handle());
  if (reading != Reading::kWholeVolume) {
    auto mft = ntfs::LocateMft(*volume->aligned, *boot);
    if (!mft) return not_used(kVolumeFailed);
    volume->mft = std::move(*mft);
    if (reading == Reading::kOneFolder && !ReadOneFolder(*volume, path)) reading = Reading::kWholeVolume;
  }
  if (reading == Reading::kWholeVolume) {
    auto index = ntfs::VolumeIndex::Read(*volume->aligned);
    if (!index) return not_used(kVolumeFailed);
    opened.state.records_skipped = index->tally().bad;
    opened.state.stretches_unreadable = index->tally().unreadable_stretches;
    volume->mft = index->mft();
    volume->index.emplace(std::move(*index));
  }
  opened.state.used = true;
  opened.source = std::make_unique<RawNtfsSource>(std::move(volume));
  return opened;
}

RawNtfsSource::Found RawNtfsSource::LookUp(std::uint64_t reference, std::uint64_t folder,
                                           const std::wstring& long_name) const {
  // Read from the volume now, not from an index read earlier: what the
  // directory query was just asked is compared with the record as it is.
  const ntfs::FileReference wanted[] = {ntfs::FileReference::FromRaw(reference)};
  const auto looked = ntfs::ReadRecords(*volume_->aligned, volume_->boot, volume_->mft, wanted);
  if (looked.empty()) return {Found::State::kUnknown, 0, std::nullopt};
  using Lookup = ntfs::RecordLookup::State;
  switch (looked.front().state) {
    case Lookup::kReused:
    case Lookup::kNotInUse:
      return {Found::State::kGone, 0, std::nullopt};
    case Lookup::kDamaged:
    case Lookup::kUnreadable:
      return {Found::State::kUnknown, 0, std::nullopt};
    case Lookup::kFound:
      break;
  }
  const ntfs::RecordContents& record = *looked.front().contents;
  std::uint32_t attributes = record.attributes.value_or(0);
  const ntfs::StandardTimes times = record.times.value_or(ntfs::StandardTimes{});
  const auto changed_at = LastChangeBesidesWrites(times.created, times.written, times.changed);
  if (record.header.IsDirectory()) attributes |= FILE_ATTRIBUTE_DIRECTORY;
  if (record.reparse_tag) attributes |= FILE_ATTRIBUTE_REPARSE_POINT;
  for (const auto& name : record.names) {
    if (name.parent.record == folder && name.name_space != ntfs::NameSpace::kDos &&
        std::equal(name.name.begin(), name.name.end(), long_name.begin(), long_name.end())) {
      return {Found::State::kThere, attributes, changed_at};
    }
  }
  return {Found::State::kChanged, attributes, changed_at};
}

const std::optional<JournalMark>& RawNtfsSource::JournalMarkAtOpen() const { return volume_->journal_mark; }

std::unique_ptr<JournalView> RawNtfsSource::JournalSince(const JournalMark& mark) const {
  if (!volume_->journal_mark || volume_->journal_mark->journal_id != mark.journal_id) return nullptr;
  return std::make_unique<UsnJournal>(volume_->bytes->handle(), mark);
}

namespace {

// The folder's file reference, found through the whole MFT's index by its final
// path; an error (and whether the folder is missing) when it is not there.
struct FolderFound {
  ntfs::FileReference folder{ntfs::kRootRecord, ntfs::kRootRecord};
  std::uint32_t error = 0;
  bool missing = false;
};

FolderFound FindFolder(const RawNtfsSource::Volume& volume, const std::wstring& final_path) {
  const std::wstring& root = volume.root;
  // A folder on another volume is not missing: this source cannot say.
  if (final_path.size() + 1 < root.size() ||
      !SameName(final_path.substr(0, root.size() - 1), root.substr(0, root.size() - 1))) {
    return {{}, ERROR_NOT_SAME_DEVICE, false};
  }
  FolderFound found;
  for (const std::wstring& name : NamesBelowRoot(final_path, root.size())) {
    bool named_here = false;
    for (const auto& child : volume.index->Children(found.folder.record)) {
      const bool named = SameName(Wide(child.name), name) || (child.short_name && SameName(Wide(*child.short_name), name));
      // A folder the walk enters (a cloud placeholder, say) is opened too; a link never.
      if (child.is_directory && named && (!child.reparse_tag || EntersReparseFolder(*child.reparse_tag))) {
        found.folder = {child.record, child.sequence};
        named_here = true;
        break;
      }
    }
    if (!named_here) return {{}, ERROR_PATH_NOT_FOUND, true};
  }
  return found;
}

// A folder as its own index on the volume lists it: the long names and the
// file references of its $I30 entries, read when it is opened. A folder whose
// index cannot be read whole does not open, so a folder this view opened is
// one it read to its end.
class IndexFolder : public Folder {
 public:
  static OpenedFolder Open(const std::shared_ptr<RawNtfsSource::Volume>& volume, ntfs::FileReference folder) {
    auto index = ntfs::ReadFolderIndex(*volume->aligned, volume->boot, volume->mft, folder);
    if (!index || index->bad_blocks != 0) return {nullptr, ERROR_FILE_CORRUPT, false};
    return {std::make_unique<IndexFolder>(folder, std::move(index->entries)), 0, false};
  }

  void ReadEntries(FolderRead& read) override {
    read.Clear();
    read.entries.reserve(entries_.size());
    for (const ntfs::IndexEntry& entry : entries_) {
      if (entry.name.name_space == ntfs::NameSpace::kDos) continue;  // the 8.3 name of a file listed by its long one
      DirectoryEntry listed;
      listed.long_name = read.names.Add(std::u16string_view(entry.name.name));
      listed.id = entry.file.Raw();
      read.entries.push_back(listed);
    }
  }

  std::optional<FolderIdentity> Identity() const override { return FolderIdentity{0, 0, folder_.record}; }

  // The walk opens each folder it checks by its path (IndexSource).
  OpenedFolder OpenSubfolder(const std::wstring&, std::uint64_t) override { return {nullptr, ERROR_NOT_SUPPORTED, false}; }

  IndexFolder(ntfs::FileReference folder, std::vector<ntfs::IndexEntry> entries)
      : folder_(folder), entries_(std::move(entries)) {}

 private:
  ntfs::FileReference folder_;
  std::vector<ntfs::IndexEntry> entries_;
};

// The folders of a volume whose whole MFT was read, through their own indexes.
class IndexSource : public FolderSource {
 public:
  explicit IndexSource(std::shared_ptr<RawNtfsSource::Volume> volume) : volume_(std::move(volume)) {}

  OpenedFolder OpenFolder(const std::wstring& path) override {
    const FolderFound found = FindFolder(*volume_, FinalPath(path));
    if (found.error != 0) return {nullptr, found.error, found.missing};
    return IndexFolder::Open(volume_, found.folder);
  }

 private:
  std::shared_ptr<RawNtfsSource::Volume> volume_;
};

}  // namespace

std::unique_ptr<FolderSource> RawNtfsSource::IndexView() const {
  if (!volume_->index) return nullptr;
  return std::make_unique<IndexSource>(volume_);
}

OpenedFolder RawNtfsSource::OpenFolder(const std::wstring& path) {
  const std::wstring final_path = FinalPath(path);
  if (!volume_->index) {
    // Read for one folder, or to find records only.
    if (!volume_->one_folder_path.empty() && SameName(final_path, volume_->one_folder_path)) {
      return {std::make_unique<IndexedFolder>(volume_), 0, false};
    }
    return {nullptr, ERROR_NOT_SUPPORTED, false};
  }
  const FolderFound found = FindFolder(*volume_, final_path);
  if (found.error != 0) return {nullptr, found.error, found.missing};
  return {std::make_unique<RawFolder>(volume_, found.folder.record), 0, false};
}

}  // namespace quarvel::lister
