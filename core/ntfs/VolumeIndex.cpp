#include "core/ntfs/VolumeIndex.h"

#include <algorithm>
#include <array>
#include <limits>

namespace quarvel::ntfs {
namespace {

constexpr std::uint32_t kNone = std::numeric_limits<std::uint32_t>::max();
constexpr std::size_t kPoolBlock = 1u << 20;
constexpr std::size_t kMostPoolBlocks = (std::size_t{1} << 32) / kPoolBlock;  // offsets are 32-bit

constexpr std::uint64_t kSizeMask = (std::uint64_t{1} << 56) - 1;
constexpr std::uint64_t kDirectoryFlag = std::uint64_t{1} << 56;
constexpr std::uint64_t kReparseFlag = std::uint64_t{1} << 57;
constexpr int kPlacementShift = 58;

constexpr std::uint8_t kWide = 0x80;
constexpr std::uint8_t kSpaceMask = 0x03;

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
  if (layout->record_count > kNone)
    return Failure{"MFT of " + std::to_string(layout->record_count) + " records: more than this reader holds"};

  VolumeIndex index;
  index.boot_ = *boot;
  index.mft_ = std::move(*layout);
  const MftBitmap bitmap = ReadMftBitmap(source, index.boot_, index.mft_);
  const std::uint64_t expected = bitmap.InUseCount(index.mft_.record_count);
  index.entries_.reserve(static_cast<std::size_t>(expected));

  // Base records become entries as they come; the few that have extension
  // records wait, with the extension records, until the scan has ended.
  std::vector<std::pair<std::uint32_t, RecordContents>> pending;
  std::vector<RecordContents> extensions;
  bool pool_full = false;
  ScanMft(source, index.boot_, index.mft_, bitmap, options,
          [&](RecordContents& record) {
            if (record.header.IsExtension()) {
              extensions.push_back(std::move(record));
              return;
            }
            Entry entry;
            entry.record = static_cast<std::uint32_t>(record.header.number);
            entry.sequence = record.header.sequence;
            if (record.header.IsDirectory()) entry.size_and_flags |= kDirectoryFlag;
            if (!record.extension_records.empty()) {
              pending.emplace_back(static_cast<std::uint32_t>(index.entries_.size()), std::move(record));
            } else if (index.pool_.size() < kMostPoolBlocks) {
              index.Take(record, entry, static_cast<std::uint32_t>(index.entries_.size()));
            } else {
              pool_full = true;
            }
            index.entries_.push_back(entry);
          },
          index.tally_);
  index.MergeExtensions(pending, extensions);
  if (pool_full || index.pool_.size() > kMostPoolBlocks) return Failure{"MFT: names larger than 4 GiB"};
  std::sort(index.reparse_tags_.begin(), index.reparse_tags_.end());
  index.Link();
  return index;
}

// Takes a record's facts into its entry and its names into the pool.
void VolumeIndex::Take(const RecordContents& record, Entry& entry, std::uint32_t at) {
  entry.attributes = record.attributes.value_or(0);
  entry.size_and_flags = (entry.size_and_flags & ~kSizeMask) | (record.data_size.value_or(0) & kSizeMask);
  if (record.reparse_tag) {
    entry.size_and_flags |= kReparseFlag;
    reparse_tags_.emplace_back(at, *record.reparse_tag);
  }
  entry.first_name = static_cast<std::uint32_t>(names_.size());
  entry.name_count = static_cast<std::uint16_t>(std::min<std::size_t>(record.names.size(), 0xFFFF));
  for (std::size_t k = 0; k < entry.name_count; ++k) {
    const FileName& name = record.names[k];
    const bool wide = std::any_of(name.name.begin(), name.name.end(), [](char16_t c) { return c > 0xFF; });
    const std::size_t length = std::min<std::size_t>(name.name.size(), 0xFF);
    const std::size_t bytes = wide ? 2 * length : length;
    if (pool_.empty() || pool_.back().size() + bytes > kPoolBlock) {
      pool_.emplace_back();
      pool_.back().reserve(kPoolBlock);
    }
    std::vector<std::byte>& block = pool_.back();
    const std::size_t offset = (pool_.size() - 1) * kPoolBlock + block.size();
    block.resize(block.size() + bytes);
    std::byte* out = block.data() + block.size() - bytes;
    for (std::size_t i = 0; i < length; ++i) {
      const char16_t c = name.name[i];
      *out++ = static_cast<std::byte>(c & 0xFF);
      if (wide) *out++ = static_cast<std::byte>(c >> 8);
    }
    Name stored;
    // A parent beyond 32-bit record numbers cannot be in this index: it stays dangling.
    stored.parent_record = name.parent.record > kNone ? kNone : static_cast<std::uint32_t>(name.parent.record);
    stored.parent_sequence = name.parent.sequence;
    stored.length = static_cast<std::uint8_t>(length);
    stored.form = static_cast<std::uint8_t>(static_cast<std::uint8_t>(name.name_space) | (wide ? kWide : 0));
    stored.text = static_cast<std::uint32_t>(offset);
    names_.push_back(stored);
  }
}

void VolumeIndex::MergeExtensions(std::vector<std::pair<std::uint32_t, RecordContents>>& pending,
                                  std::vector<RecordContents>& extensions) {
  std::vector<bool> claimed(extensions.size(), false);
  for (auto& [at, base] : pending) {
    for (const FileReference& wanted : base.extension_records) {
      const auto found = std::lower_bound(
          extensions.begin(), extensions.end(), wanted.record,
          [](const RecordContents& r, std::uint64_t record) { return r.header.number < record; });
      // An extension record belongs to this file only while both still agree on it.
      if (found == extensions.end() || found->header.number != wanted.record ||
          found->header.sequence != wanted.sequence ||
          found->header.base != FileReference{base.header.number, base.header.sequence}) {
        ++counts_.extensions_missing;
        continue;
      }
      const auto index = static_cast<std::size_t>(found - extensions.begin());
      if (claimed[index]) continue;
      claimed[index] = true;
      MergeExtension(base, *found);
      ++counts_.extensions_merged;
    }
    if (pool_.size() < kMostPoolBlocks) Take(base, entries_[at], at);
    base = RecordContents{};  // freed as soon as it is merged
  }
  counts_.extensions_unclaimed = static_cast<std::uint64_t>(std::count(claimed.begin(), claimed.end(), false));
}

std::optional<std::uint32_t> VolumeIndex::EntryOf(std::uint64_t record) const {
  const auto at = std::lower_bound(entries_.begin(), entries_.end(), record,
                                   [](const Entry& e, std::uint64_t r) { return e.record < r; });
  if (at == entries_.end() || at->record != record) return std::nullopt;
  return static_cast<std::uint32_t>(at - entries_.begin());
}

std::u16string_view VolumeIndex::NameInto(const Name& name, std::array<char16_t, 255>& out) const {
  const std::byte* text = pool_[name.text / kPoolBlock].data() + name.text % kPoolBlock;
  if (name.form & kWide) {
    for (std::size_t i = 0; i < name.length; ++i)
      out[i] = static_cast<char16_t>(std::to_integer<unsigned>(text[2 * i]) |
                                     (std::to_integer<unsigned>(text[2 * i + 1]) << 8));
  } else {
    for (std::size_t i = 0; i < name.length; ++i) out[i] = static_cast<char16_t>(std::to_integer<unsigned>(text[i]));
  }
  return {out.data(), name.length};
}

std::u16string VolumeIndex::NameText(const Name& name) const {
  std::array<char16_t, 255> text;
  return std::u16string(NameInto(name, text));
}

FileEntry VolumeIndex::Materialize(const Entry& entry) const {
  FileEntry out;
  out.record = entry.record;
  out.sequence = entry.sequence;
  out.is_directory = (entry.size_and_flags & kDirectoryFlag) != 0;
  out.attributes = entry.attributes;
  out.size = entry.size_and_flags & kSizeMask;
  if (entry.size_and_flags & kReparseFlag) {
    const auto at = static_cast<std::uint32_t>(&entry - entries_.data());
    const auto tag = std::lower_bound(reparse_tags_.begin(), reparse_tags_.end(), std::pair{at, std::uint32_t{0}});
    if (tag != reparse_tags_.end() && tag->first == at) out.reparse_tag = tag->second;
  }
  for (std::uint32_t k = 0; k < entry.name_count; ++k) {
    const Name& name = names_[entry.first_name + k];
    out.names.push_back({FileReference{name.parent_record, name.parent_sequence},
                         static_cast<NameSpace>(name.form & kSpaceMask), NameText(name)});
  }
  out.placement = static_cast<Placement>((entry.size_and_flags >> kPlacementShift) & 0x3);
  return out;
}

FileEntry VolumeIndex::EntryAt(std::size_t at) const { return Materialize(entries_.at(at)); }

std::optional<FileEntry> VolumeIndex::Find(std::uint64_t record) const {
  const auto at = EntryOf(record);
  if (!at) return std::nullopt;
  return Materialize(entries_[*at]);
}

void VolumeIndex::Link() {
  const std::size_t count = entries_.size();
  // Record number to entry, for the parent lookups only.
  std::vector<std::uint32_t> entry_of(entries_.empty() ? 0 : entries_.back().record + std::size_t{1}, kNone);
  for (std::size_t i = 0; i < count; ++i) entry_of[entries_[i].record] = static_cast<std::uint32_t>(i);
  const auto is_directory = [&](std::size_t i) { return (entries_[i].size_and_flags & kDirectoryFlag) != 0; };
  const auto is_dos = [&](const Name& name) { return static_cast<NameSpace>(name.form & kSpaceMask) == NameSpace::kDos; };

  // For every name, the entry of its parent folder when that folder is in use
  // and still the one the name was written under.
  std::vector<std::uint32_t> name_parent(names_.size(), kNone);
  std::vector<std::uint32_t> primary(count, kNone);
  for (std::size_t i = 0; i < count; ++i) {
    const Entry& entry = entries_[i];
    for (std::uint32_t k = entry.first_name; k < entry.first_name + entry.name_count; ++k) {
      const Name& name = names_[k];
      const std::uint32_t folder = name.parent_record < entry_of.size() ? entry_of[name.parent_record] : kNone;
      if (folder == kNone || !is_directory(folder)) {
        ++counts_.dangling_names;
      } else if (entries_[folder].sequence != name.parent_sequence) {
        ++counts_.stale_names;
      } else {
        name_parent[k] = folder;
      }
    }
    // A folder hangs in the tree by its first long name with a live parent (a DOS name only if it has nothing else).
    for (const bool dos : {false, true})
      for (std::uint32_t k = entry.first_name; k < entry.first_name + entry.name_count && primary[i] == kNone; ++k)
        if (is_dos(names_[k]) == dos) primary[i] = name_parent[k];
  }
  entry_of = {};

  std::vector<Reach> reach(count, Reach::kUnknown);
  for (std::size_t i = 0; i < count; ++i) {
    if (entries_[i].record == kRootRecord) reach[i] = Reach::kRoot;
    else if (entries_[i].record < kFirstUserRecord) reach[i] = Reach::kMetafiles;
  }
  // Follows primary parents up to a known end, iteratively (a hostile chain may
  // be as long as the MFT), and marks every folder passed on the way.
  std::vector<std::uint32_t> path;
  const auto walk = [&](std::uint32_t start) {
    path.clear();
    std::uint32_t at = start;
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
      if (primary[at] == kNone) break;
      at = primary[at];
    }
    for (const std::uint32_t folder : path) reach[folder] = end;
    return reach[start];
  };

  for (std::size_t i = 0; i < count; ++i) {
    Entry& entry = entries_[i];
    Reach end = Reach::kNowhere;
    if (is_directory(i) || entry.record < kFirstUserRecord) {
      end = walk(static_cast<std::uint32_t>(i));
    } else {
      // A file is in the tree when any of its names is: hard links may sit in several folders.
      for (std::uint32_t k = entry.first_name; k < entry.first_name + entry.name_count; ++k) {
        if (name_parent[k] == kNone) continue;
        const Reach via = walk(name_parent[k]);
        if (via == Reach::kRoot) end = via;
        else if (via == Reach::kMetafiles && end != Reach::kRoot) end = via;
      }
    }
    Placement placement = Placement::kOrphan;
    if (entry.record < kFirstUserRecord || end == Reach::kMetafiles) {
      placement = Placement::kMetafile;
      ++counts_.metafiles;
    } else if (end == Reach::kRoot) {
      placement = Placement::kLinked;
      ++counts_.linked;
    } else {
      ++counts_.orphans;
    }
    entry.size_and_flags |= static_cast<std::uint64_t>(placement) << kPlacementShift;
  }
  reach = {};
  CollectChildren(name_parent, primary);
}

void VolumeIndex::CollectChildren(const std::vector<std::uint32_t>& name_parent,
                                  const std::vector<std::uint32_t>& primary) {
  const auto placement = [&](std::size_t i) {
    return static_cast<Placement>((entries_[i].size_and_flags >> kPlacementShift) & 0x3);
  };
  // One bit per entry, read for every name's parent: far fewer cache misses than the entries themselves.
  std::vector<bool> tree(entries_.size());
  for (std::size_t i = 0; i < entries_.size(); ++i)
    tree[i] = entries_[i].record == kRootRecord || placement(i) == Placement::kLinked;
  const auto in_tree = [&](std::uint32_t folder) { return tree[folder]; };
  const auto space = [&](std::uint32_t k) { return static_cast<NameSpace>(names_[k].form & kSpaceMask); };
  // Calls `child(folder, name)` for each of the entry's names that its folder
  // lists: every long name, and a DOS name only where no long name beside it
  // in the same folder takes it as its short name.
  std::vector<std::pair<std::uint32_t, bool>> taken;  // long names so far: folder, has a short name
  std::vector<std::uint32_t> taken_names;
  const auto for_each_child = [&](std::size_t i, const auto& child) {
    const Entry& entry = entries_[i];
    taken.clear();
    taken_names.clear();
    const bool directory = (entry.size_and_flags & kDirectoryFlag) != 0;
    for (const bool dos : {false, true}) {
      for (std::uint32_t k = entry.first_name; k < entry.first_name + entry.name_count; ++k) {
        const std::uint32_t parent = name_parent[k];
        if (parent == kNone || !in_tree(parent) || (space(k) == NameSpace::kDos) != dos) continue;
        // A folder is listed only under its primary parent, which keeps the tree a tree.
        if (directory && parent != primary[i]) continue;
        if (!dos) {
          taken.emplace_back(parent, false);
          taken_names.push_back(k);
          child(parent, k);
          continue;
        }
        std::size_t partner = taken.size();
        for (std::size_t c = 0; c < taken.size(); ++c) {
          if (taken[c].first != parent || taken[c].second) continue;
          const bool win32 = space(taken_names[c]) == NameSpace::kWin32;
          if (partner == taken.size() || (win32 && space(taken_names[partner]) != NameSpace::kWin32)) partner = c;
        }
        if (partner != taken.size()) taken[partner].second = true;
        else child(parent, k);
      }
    }
  };

  // Grouped by folder with a count per folder first, then filled in record order.
  std::vector<std::uint32_t> start(entries_.size() + 1, 0);
  for (std::size_t i = 0; i < entries_.size(); ++i)
    if (tree[i] && entries_[i].record != kRootRecord) for_each_child(i, [&](std::uint32_t folder, std::uint32_t) { ++start[folder + 1]; });
  for (std::size_t f = 0; f < entries_.size(); ++f) {
    if (start[f + 1] != 0) {
      folders_.emplace_back(static_cast<std::uint32_t>(f), start[f]);
      folder_records_.push_back(entries_[f].record);
    }
    start[f + 1] += start[f];
  }
  children_.assign(start.back(), {0, 0});
  for (std::size_t i = 0; i < entries_.size(); ++i)
    if (tree[i] && entries_[i].record != kRootRecord)
      for_each_child(i, [&](std::uint32_t folder, std::uint32_t k) {
        children_[start[folder]++] = {static_cast<std::uint32_t>(i), k};
      });
}

std::optional<std::uint32_t> VolumeIndex::ShortNameOf(const Entry& entry, const Entry& folder, std::uint32_t name) const {
  if (entry.name_count < 2) return std::nullopt;
  // The same pairing as when the children were collected, for this folder
  // alone; on the stack for the usual few names (this runs for every child listed).
  const auto in_folder = [&](const Name& n) {
    return n.parent_record == folder.record && n.parent_sequence == folder.sequence;
  };
  const auto space = [&](std::uint32_t k) { return static_cast<NameSpace>(names_[k].form & kSpaceMask); };
  constexpr std::size_t kFew = 16;
  std::array<std::uint32_t, kFew> few_longs{};
  std::array<std::uint32_t, kFew> few_shorts{};
  std::vector<std::uint32_t> many_longs, many_shorts;
  const bool many = entry.name_count > kFew;
  if (many) {
    many_longs.resize(entry.name_count);
    many_shorts.resize(entry.name_count);
  }
  std::uint32_t* longs = many ? many_longs.data() : few_longs.data();
  std::uint32_t* shorts = many ? many_shorts.data() : few_shorts.data();
  std::size_t count = 0;
  const std::uint32_t end = entry.first_name + entry.name_count;
  for (std::uint32_t k = entry.first_name; k < end; ++k)
    if (space(k) != NameSpace::kDos && in_folder(names_[k])) {
      shorts[count] = kNone;
      longs[count++] = k;
    }
  for (std::uint32_t k = entry.first_name; k < end; ++k) {
    if (space(k) != NameSpace::kDos || !in_folder(names_[k])) continue;
    std::size_t partner = count;
    for (std::size_t c = 0; c < count; ++c) {
      if (shorts[c] != kNone) continue;
      const bool win32 = space(longs[c]) == NameSpace::kWin32;
      if (partner == count || (win32 && space(longs[partner]) != NameSpace::kWin32)) partner = c;
    }
    if (partner != count) shorts[partner] = k;
  }
  for (std::size_t c = 0; c < count; ++c)
    if (longs[c] == name) return shorts[c] == kNone ? std::nullopt : std::optional<std::uint32_t>(shorts[c]);
  return std::nullopt;
}

void VolumeIndex::ForEachChild(std::uint64_t folder, FunctionRef<void(const ChildView&)> visit) const {
  // Found among the folders alone: a search of every entry would miss the
  // cache at each step, for each of a volume's hundreds of thousands of folders.
  const auto found = std::lower_bound(folder_records_.begin(), folder_records_.end(), folder);
  if (found == folder_records_.end() || *found != folder) return;
  const auto group = folders_.begin() + (found - folder_records_.begin());
  const std::size_t first = group->second;
  const std::size_t last = group + 1 == folders_.end() ? children_.size() : (group + 1)->second;
  const Entry& parent = entries_[group->first];
  // A name is at most 255 characters: spelled on the stack, not the heap.
  std::array<char16_t, 255> name_text, short_text;
  // A folder's children lie all over the tables, and a volume lists millions:
  // what a child a few places on needs is fetched while this one is handed on
  // (its entry and name first, the name's text once the name is in).
  // Most folders hold fewer children than that, so the first ones are asked
  // for before the loop: their misses then overlap instead of coming one by one.
  constexpr std::size_t kAhead = 32;
  const auto text_of = [&](std::size_t c) {
    const std::uint32_t text = names_[children_[c].second].text;
    return pool_[text / kPoolBlock].data() + text % kPoolBlock;
  };
  for (std::size_t c = first; c < std::min(last, first + kAhead); ++c) {
    __builtin_prefetch(&entries_[children_[c].first]);
    __builtin_prefetch(&names_[children_[c].second]);
  }
  for (std::size_t c = first; c < std::min(last, first + kAhead / 2); ++c) __builtin_prefetch(text_of(c));
  for (std::size_t c = first; c < last; ++c) {
    if (c + kAhead < last) {
      __builtin_prefetch(&entries_[children_[c + kAhead].first]);
      __builtin_prefetch(&names_[children_[c + kAhead].second]);
    }
    if (c + kAhead / 2 < last) __builtin_prefetch(text_of(c + kAhead / 2));
    const auto [e, k] = children_[c];
    const Entry& entry = entries_[e];
    const Name& name = names_[k];
    ChildView child;
    child.record = entry.record;
    child.sequence = entry.sequence;
    child.name = NameInto(name, name_text);
    child.name_space = static_cast<NameSpace>(name.form & kSpaceMask);
    if (child.name_space != NameSpace::kDos)
      if (const auto short_name = ShortNameOf(entry, parent, k)) {
        child.short_name = NameInto(names_[*short_name], short_text);
      }
    child.is_directory = (entry.size_and_flags & kDirectoryFlag) != 0;
    child.attributes = entry.attributes;
    child.size = entry.size_and_flags & kSizeMask;
    if (entry.size_and_flags & kReparseFlag) {
      const auto tag = std::lower_bound(reparse_tags_.begin(), reparse_tags_.end(), std::pair{e, std::uint32_t{0}});
      if (tag != reparse_tags_.end() && tag->first == e) child.reparse_tag = tag->second;
    }
    visit(child);
  }
}

std::vector<Child> VolumeIndex::Children(std::uint64_t folder) const {
  std::vector<Child> children;
  ForEachChild(folder, [&](const ChildView& view) {
    Child child;
    child.record = view.record;
    child.sequence = view.sequence;
    child.name = view.name;
    child.name_space = view.name_space;
    if (view.short_name) child.short_name = std::u16string(*view.short_name);
    child.is_directory = view.is_directory;
    child.attributes = view.attributes;
    child.size = view.size;
    child.reparse_tag = view.reparse_tag;
    children.push_back(std::move(child));
  });
  return children;
}

std::size_t VolumeIndex::MemoryBytes() const {
  std::size_t bytes = entries_.capacity() * sizeof(Entry) + names_.Bytes() +
                      reparse_tags_.capacity() * sizeof(reparse_tags_[0]) +
                      children_.capacity() * sizeof(children_[0]) + folders_.capacity() * sizeof(folders_[0]) +
                      folder_records_.capacity() * sizeof(folder_records_[0]);
  for (const auto& block : pool_) bytes += block.capacity();
  return bytes;
}

}  // namespace quarvel::ntfs
