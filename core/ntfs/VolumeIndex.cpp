#include "core/ntfs/VolumeIndex.h"

#include <algorithm>
#include <array>

namespace quarvel::ntfs {
namespace {

template <class T, class Key>
auto FindByRecord(T& items, std::uint64_t record, Key key) -> decltype(&items[0]) {
  auto at = std::lower_bound(items.begin(), items.end(), record,
                             [&](const auto& item, std::uint64_t r) { return key(item) < r; });
  return at != items.end() && key(*at) == record ? &*at : nullptr;
}

// How a folder's chain of primary parents ends.
enum class Reach : std::uint8_t { kUnknown, kVisiting, kRoot, kNowhere, kMetafiles };

}  // namespace

Result<VolumeIndex> VolumeIndex::Read(ByteSource& source, const ScanOptions& options) {
  std::array<std::byte, kBootSectorSize> sector{};
  if (auto read = ReadFully(source, 0, sector, "boot sector"); !read) return read.failure();
  auto boot = ParseBootSector(sector);
  if (!boot) return boot.failure();
  auto layout = LocateMft(source, *boot);
  if (!layout) return layout.failure();

  VolumeIndex index;
  index.boot_ = *boot;
  index.mft_ = std::move(*layout);
  std::vector<RecordContents> bases;
  std::vector<RecordContents> extensions;
  ScanMft(source, index.boot_, index.mft_, options,
          [&](RecordContents&& record) {
            (record.header.IsExtension() ? extensions : bases).push_back(std::move(record));
          },
          index.tally_);
  index.MergeExtensions(bases, extensions);
  index.Link();
  index.CollectChildren();
  return index;
}

void VolumeIndex::MergeExtensions(std::vector<RecordContents>& bases, std::vector<RecordContents>& extensions) {
  std::vector<bool> claimed(extensions.size(), false);
  entries_.reserve(bases.size());
  for (RecordContents& base : bases) {
    for (const FileReference& wanted : base.extension_records) {
      const RecordContents* extension =
          FindByRecord(extensions, wanted.record, [](const RecordContents& r) { return r.header.number; });
      // An extension record belongs to this file only while both still agree on it.
      if (extension == nullptr || extension->header.sequence != wanted.sequence ||
          extension->header.base != FileReference{base.header.number, base.header.sequence}) {
        ++counts_.extensions_missing;
        continue;
      }
      const auto at = static_cast<std::size_t>(extension - extensions.data());
      if (claimed[at]) continue;
      claimed[at] = true;
      MergeExtension(base, *extension);
      ++counts_.extensions_merged;
    }
    FileEntry entry;
    entry.record = base.header.number;
    entry.sequence = base.header.sequence;
    entry.is_directory = base.header.IsDirectory();
    entry.attributes = base.attributes.value_or(0);
    entry.size = base.data_size.value_or(0);
    entry.reparse_tag = base.reparse_tag;
    entry.names = std::move(base.names);
    entries_.push_back(std::move(entry));
  }
  counts_.extensions_unclaimed = static_cast<std::uint64_t>(std::count(claimed.begin(), claimed.end(), false));
}

const FileEntry* VolumeIndex::Find(std::uint64_t record) const {
  return FindByRecord(entries_, record, [](const FileEntry& e) { return e.record; });
}

void VolumeIndex::Link() {
  const std::size_t count = entries_.size();
  // For every name, the entry of its parent folder when that folder is in use
  // and still the one the name was written under.
  name_start_.assign(count + 1, 0);
  for (std::size_t i = 0; i < count; ++i) name_start_[i + 1] = name_start_[i] + entries_[i].names.size();
  name_parent_.assign(name_start_[count], std::nullopt);
  std::vector<std::optional<std::size_t>> primary(count);
  for (std::size_t i = 0; i < count; ++i) {
    const auto& names = entries_[i].names;
    for (std::size_t k = 0; k < names.size(); ++k) {
      const FileReference parent = names[k].parent;
      const FileEntry* folder = Find(parent.record);
      if (folder == nullptr || !folder->is_directory) {
        ++counts_.dangling_names;
      } else if (folder->sequence != parent.sequence) {
        ++counts_.stale_names;
      } else {
        name_parent_[name_start_[i] + k] = static_cast<std::size_t>(folder - entries_.data());
      }
    }
    // A folder hangs in the tree by its first long name with a live parent (a DOS name only if it has nothing else).
    for (const bool dos : {false, true})
      for (std::size_t k = 0; k < names.size() && !primary[i]; ++k)
        if ((names[k].name_space == NameSpace::kDos) == dos) primary[i] = name_parent_[name_start_[i] + k];
  }

  std::vector<Reach> reach(count, Reach::kUnknown);
  for (std::size_t i = 0; i < count; ++i) {
    if (entries_[i].record == kRootRecord) reach[i] = Reach::kRoot;
    else if (entries_[i].record < kFirstUserRecord) reach[i] = Reach::kMetafiles;
  }
  // Follows primary parents up to a known end, iteratively (a hostile chain may
  // be as long as the MFT), and marks every folder passed on the way.
  std::vector<std::size_t> path;
  const auto walk = [&](std::size_t start) {
    path.clear();
    std::size_t at = start;
    Reach end = Reach::kNowhere;
    for (;;) {
      if (reach[at] == Reach::kVisiting) {
        ++counts_.loops;
        break;
      }
      if (reach[at] != Reach::kUnknown) {
        end = reach[at];
        break;
      }
      reach[at] = Reach::kVisiting;
      path.push_back(at);
      if (!primary[at]) break;
      at = *primary[at];
    }
    for (const std::size_t folder : path) reach[folder] = end;
    return reach[start];
  };

  for (std::size_t i = 0; i < count; ++i) {
    FileEntry& entry = entries_[i];
    Reach end = Reach::kNowhere;
    if (entry.is_directory || entry.record < kFirstUserRecord) {
      end = walk(i);
    } else {
      // A file is in the tree when any of its names is: hard links may sit in several folders.
      for (std::size_t k = 0; k < entry.names.size(); ++k) {
        const auto parent = name_parent_[name_start_[i] + k];
        if (!parent) continue;
        const Reach via = walk(*parent);
        if (via == Reach::kRoot) end = via;
        else if (via == Reach::kMetafiles && end != Reach::kRoot) end = via;
      }
    }
    if (entry.record < kFirstUserRecord || end == Reach::kMetafiles) {
      entry.placement = Placement::kMetafile;
      ++counts_.metafiles;
    } else if (end == Reach::kRoot) {
      entry.placement = Placement::kLinked;
      ++counts_.linked;
    } else {
      entry.placement = Placement::kOrphan;
      ++counts_.orphans;
    }
  }
  primary_ = std::move(primary);
}

void VolumeIndex::CollectChildren() {
  children_.clear();
  const auto in_tree = [&](std::size_t folder) {
    return entries_[folder].record == kRootRecord || entries_[folder].placement == Placement::kLinked;
  };
  for (std::size_t i = 0; i < entries_.size(); ++i) {
    const FileEntry& entry = entries_[i];
    if (entry.placement != Placement::kLinked) continue;
    const std::size_t first_child = children_.size();
    for (const bool dos : {false, true}) {
      for (std::size_t k = 0; k < entry.names.size(); ++k) {
        const auto parent = name_parent_[name_start_[i] + k];
        if (!parent || !in_tree(*parent) || (entry.names[k].name_space == NameSpace::kDos) != dos) continue;
        // A folder is listed only under its primary parent, which keeps the tree a tree.
        if (entry.is_directory && parent != primary_[i]) continue;
        const std::uint64_t folder = entries_[*parent].record;
        if (!dos) {
          children_.push_back({folder, i, k, std::nullopt});
          continue;
        }
        // A DOS name is the short name of the Win32 name beside it in the same folder.
        ChildName* partner = nullptr;
        for (std::size_t c = first_child; c < children_.size(); ++c) {
          ChildName& candidate = children_[c];
          if (candidate.folder != folder || candidate.short_name) continue;
          const bool win32 = entry.names[candidate.name].name_space == NameSpace::kWin32;
          if (partner == nullptr || (win32 && entry.names[partner->name].name_space != NameSpace::kWin32))
            partner = &candidate;
        }
        if (partner != nullptr) partner->short_name = k;
        else children_.push_back({folder, i, k, std::nullopt});
      }
    }
  }
  std::stable_sort(children_.begin(), children_.end(),
                   [](const ChildName& a, const ChildName& b) { return a.folder < b.folder; });
}

std::vector<Child> VolumeIndex::Children(std::uint64_t folder) const {
  const auto [first, last] =
      std::equal_range(children_.begin(), children_.end(), ChildName{folder, 0, 0, std::nullopt},
                       [](const ChildName& a, const ChildName& b) { return a.folder < b.folder; });
  std::vector<Child> children;
  children.reserve(static_cast<std::size_t>(last - first));
  for (auto it = first; it != last; ++it) {
    const FileEntry& entry = entries_[it->entry];
    const FileName& name = entry.names[it->name];
    Child child;
    child.record = entry.record;
    child.sequence = entry.sequence;
    child.name = name.name;
    child.name_space = name.name_space;
    if (it->short_name) child.short_name = entry.names[*it->short_name].name;
    child.is_directory = entry.is_directory;
    child.attributes = entry.attributes;
    child.size = entry.size;
    child.reparse_tag = entry.reparse_tag;
    children.push_back(std::move(child));
  }
  return children;
}

}  // namespace quarvel::ntfs
