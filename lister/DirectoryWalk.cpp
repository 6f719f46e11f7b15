#include "lister/DirectoryWalk.h"

#include <algorithm>
#include <exception>
#include <functional>
#include <thread>
#include <unordered_map>
#include <vector>

#include "core/ListingFormat.h"
#include "core/Wtf8.h"
#include "core/WildcardMatch.h"
#include "lister/AnsiName.h"

namespace quarvel::lister {

// What listing a folder needs beyond its entries, kept from one folder to the
// next: a volume has hundreds of thousands of folders, and under Wine each
// heap allocation costs more than a line of the listing.
struct MergeScratch {
  struct Ref {
    std::size_t hash;
    std::uint32_t view;
    std::uint32_t at;
  };
  struct Group {
    std::uint32_t view, at;
    std::array<bool, kWalkViews> in_view{};
    std::array<std::uint64_t, kWalkViews> ids{};
  };
  std::vector<Ref> refs;
  std::vector<std::size_t> hashes;
  std::vector<Group> groups;
  std::vector<std::uint32_t> group_of;
};

// The reading side's.
struct DirectoryWalk::Scratch {
  MergeScratch merge;
  std::string shown;
};

// The writing side's.
struct DirectoryWalk::WriteScratch {
  std::string heading, shown, long_name, true_path;
};

struct DirectoryWalk::ListedFolder {
  // False for a folder that could not be opened: only `status` under its heading.
  bool opened = true;
  std::uint32_t status = 0;
  std::string heading, prefix;  // its Place
  std::wstring true_path;
  std::array<FolderRead, kWalkViews> reads;  // whose pools the merged entries' names are views of
  // The folder's entries, each long name once. Where one view alone opened the
  // folder and gave no name twice (as below the top folder of a raw view),
  // `merged` stays empty: that view's read is the merged entries, not copied.
  std::vector<MergedEntry> merged;
  std::size_t one_view = kWalkViews;
  std::array<std::optional<std::uint32_t>, kWalkViews> unread;
  ViewIds ids;  // each view's id of the folder, for its folder record

  // Calls `visit(entry, in_view, ids)` for each merged entry, in order.
  template <class Visit>
  void ForEachMerged(const Visit& visit) const {
    if (one_view == kWalkViews) {
      for (const auto& [entry, in_view, view_ids] : merged) visit(entry, in_view, view_ids);
      return;
    }
    std::array<bool, kWalkViews> in_view{};
    in_view[one_view] = true;
    std::array<std::uint64_t, kWalkViews> view_ids{};
    for (const DirectoryEntry& entry : reads[one_view].entries) {
      view_ids[one_view] = entry.id;  // the second look finds the file by it
      visit(entry, in_view, view_ids);
    }
  }
  std::size_t MergedCount() const { return one_view == kWalkViews ? merged.size() : reads[one_view].entries.size(); }
};

// Folders handed on together: a handoff per folder would make each side wait
// on the other hundreds of thousands of times.
struct DirectoryWalk::Batch {
  static constexpr std::size_t kFolders = 64;
  static constexpr std::size_t kEntries = 4096;
  std::vector<ListedFolder> folders;  // the first `used`; the rest kept for their memory
  std::size_t used = 0;
  std::size_t entries = 0;
};

namespace {

// Enough batches that neither side waits on a folder of many files the other is still on.
constexpr std::size_t kBatches = 4;

bool Matches(const DirectoryEntry& entry, const std::wstring& filter) {
  return MatchesFilter(entry.long_name, filter) ||
         (!entry.short_name.empty() && MatchesFilter(entry.short_name, filter));
}

// Whether no two of the entries have the same long name, by their hashes
// alone (two names whose hashes collide count as the same: the general merge
// then tells them apart).
bool NamesDiffer(const std::vector<DirectoryEntry>& entries, std::vector<std::size_t>& hashes) {
  hashes.clear();
  for (const DirectoryEntry& entry : entries) hashes.push_back(std::hash<std::wstring_view>{}(entry.long_name));
  std::sort(hashes.begin(), hashes.end());
  return std::adjacent_find(hashes.begin(), hashes.end()) == hashes.end();
}

// Every view's entries, each long name once, into `merged`: in the order the
// first view gave them, then what only a later view returned. A name a view
// gives twice counts once (the first). Equal names are found by sorting their
// hashes, without a map node per name: a volume lists millions. The merged
// entries' names are views of the reads' pools.
void MergeViews(const std::array<FolderRead, kWalkViews>& reads, MergeScratch& scratch,
                std::vector<MergedEntry>& merged) {
  auto& refs = scratch.refs;
  refs.clear();
  for (std::uint32_t view = 0; view < reads.size(); ++view) {
    for (std::uint32_t at = 0; at < reads[view].entries.size(); ++at) {
      refs.push_back({std::hash<std::wstring_view>{}(reads[view].entries[at].long_name), view, at});
    }
  }
  std::sort(refs.begin(), refs.end(), [](const MergeScratch::Ref& a, const MergeScratch::Ref& b) {
    return std::tie(a.hash, a.view, a.at) < std::tie(b.hash, b.view, b.at);
  });
  const auto name_of = [&](const MergeScratch::Ref& ref) { return reads[ref.view].entries[ref.at].long_name; };

  // Each name's first ref (the earliest view, then place) stands for it.
  auto& groups = scratch.groups;
  groups.clear();
  auto& group_of = scratch.group_of;
  group_of.resize(refs.size());
  for (std::size_t r = 0; r < refs.size(); ++r) {
    std::optional<std::uint32_t> group;
    // Equal hashes are next to each other and few: compare names among them.
    for (std::size_t e = r; e-- > 0 && refs[e].hash == refs[r].hash;) {
      if (name_of(refs[e]) == name_of(refs[r])) {
        group = group_of[e];
        break;
      }
    }
    if (!group) {
      group = static_cast<std::uint32_t>(groups.size());
      groups.push_back({refs[r].view, refs[r].at, {}, {}});
    }
    group_of[r] = *group;
    MergeScratch::Group& g = groups[*group];
    if (!g.in_view[refs[r].view]) {
      g.in_view[refs[r].view] = true;
      g.ids[refs[r].view] = reads[refs[r].view].entries[refs[r].at].id;  // the second look finds the file by it
    }
  }
  std::sort(groups.begin(), groups.end(), [](const MergeScratch::Group& a, const MergeScratch::Group& b) {
    return std::tie(a.view, a.at) < std::tie(b.view, b.at);
  });
  merged.clear();
  for (const auto& g : groups) merged.push_back({reads[g.view].entries[g.at], g.in_view, g.ids});
}

// Marks which merged entries a checking view's read of the folder names, by
// long name; it adds no entry of its own.
void MarkChecked(std::vector<MergedEntry>& merged, std::size_t view, const std::vector<DirectoryEntry>& checked) {
  std::vector<std::pair<std::size_t, std::uint32_t>> by_hash;  // hash, place in `checked`
  by_hash.reserve(checked.size());
  for (std::uint32_t at = 0; at < checked.size(); ++at) {
    by_hash.emplace_back(std::hash<std::wstring_view>{}(checked[at].long_name), at);
  }
  std::sort(by_hash.begin(), by_hash.end());
  for (MergedEntry& m : merged) {
    const std::size_t hash = std::hash<std::wstring_view>{}(m.entry.long_name);
    for (auto it = std::lower_bound(by_hash.begin(), by_hash.end(), std::make_pair(hash, std::uint32_t{0}));
         it != by_hash.end() && it->first == hash; ++it) {
      if (checked[it->second].long_name == m.entry.long_name) {
        m.in_view[view] = true;
        m.ids[view] = checked[it->second].id;
        break;
      }
    }
  }
}

// The path in the "\\?\" form, which the system takes as it is: no length
// limit, and a name ending in a dot or a blank keeps it.
std::wstring VerbatimPath(const std::wstring& path) {
  std::wstring verbatim;
  if (path.rfind(L"\\\\?\\", 0) == 0) {
    verbatim = path;
  } else if (path.rfind(L"\\\\", 0) == 0) {
    verbatim = L"\\\\?\\UNC\\" + path.substr(2);
  } else {
    verbatim = L"\\\\?\\" + path;
  }
  if (verbatim.empty() || verbatim.back() != L'\\') verbatim += L'\\';
  return verbatim;
}

}  // namespace

DirectoryWalk::DirectoryWalk(std::array<View, kWalkViews> views, ListingOutput& output, ListingOutput* facts,
                             std::wstring filter, bool recurse)
    : views_(views),
      output_(output),
      facts_(facts),
      filter_(std::move(filter)),
      recurse_(recurse),
      scratch_(std::make_unique<Scratch>()) {
  if (facts_ != nullptr) {
    facts_->WriteLine(kViewsHeader);
    Views used;
    for (const View& view : views_) {
      if (view.source != nullptr) used.Add(view.Id());
    }
    facts_->WriteLine(SourcesRecord(used));
  }
}

DirectoryWalk::~DirectoryWalk() = default;

bool DirectoryWalk::ListedByAView(const std::array<bool, kWalkViews>& in_view) const {
  for (std::size_t i = 0; i < views_.size(); ++i) {
    if (in_view[i] && views_[i].source != nullptr && RowOf(views_[i].Id()).lists_files) return true;
  }
  return false;
}

Views DirectoryWalk::ViewsOf(const std::array<bool, kWalkViews>& in_view) const {
  Views views;
  for (std::size_t i = 0; i < views_.size(); ++i) {
    if (in_view[i] && views_[i].source != nullptr) views.Add(views_[i].Id());
  }
  return views;
}

DirectoryWalk::ListedFolder& DirectoryWalk::NextToList(const Place& place) {
  if (filling_ == nullptr) {
    filling_ = &handoff_->Empty();
    filling_->used = 0;
    filling_->entries = 0;
  }
  if (filling_->used == filling_->folders.size()) filling_->folders.emplace_back();
  ListedFolder& listed = filling_->folders[filling_->used++];
  listed.heading.assign(place.heading);
  listed.prefix.assign(place.prefix);
  listed.true_path.assign(place.true_path);
  return listed;
}

void DirectoryWalk::HandOn(bool all) {
  if (filling_ == nullptr) return;
  if (all ? filling_->used == 0 : filling_->used < Batch::kFolders && filling_->entries < Batch::kEntries) return;
  handoff_->Filled(*filling_);
  filling_ = nullptr;
}

void DirectoryWalk::ReadFolder(Folders& folders, const Place& place,
                               std::array<std::optional<std::uint32_t>, kWalkViews> unread, Subfolders& subfolders) {
  subfolders.Clear();
  ListedFolder& listed = NextToList(place);
  listed.opened = true;
  // Read into the reads this slot of the batch had before: their memory is used again.
  std::array<FolderRead, kWalkViews>& reads = listed.reads;
  for (std::size_t i = 0; i < folders.size(); ++i) {
    if (!folders[i]) {
      reads[i].Clear();  // ReadEntries empties the others
      continue;
    }
    folders[i]->ReadEntries(reads[i]);
    if (reads[i].failure) unread[i] = reads[i].failure;
  }
  // One view alone opened the folder: there is nothing to merge, and no other
  // view to disagree with.
  listed.one_view = kWalkViews;
  listed.merged.clear();
  std::size_t open = 0, view = 0;
  for (std::size_t i = 0; i < folders.size(); ++i) {
    if (!folders[i]) continue;
    ++open;
    view = i;
  }
  if (open == 1 && NamesDiffer(reads[view].entries, scratch_->merge.hashes)) listed.one_view = view;
  if (listed.one_view == kWalkViews) {
    MergeViews(reads, scratch_->merge, listed.merged);
    CheckWhereViewsDisagree(folders, place, listed.merged);
  }
  listed.unread = unread;
  listed.ids = ViewIds{};
  for (std::size_t i = 0; i < folders.size(); ++i) {
    if (!folders[i] || views_[i].source == nullptr) continue;
    if (const auto identity = folders[i]->Identity()) listed.ids[static_cast<std::size_t>(views_[i].Id())] = identity->id_low;
  }

  if (recurse_) {
    std::string& shown = scratch_->shown;
    listed.ForEachMerged([&](const DirectoryEntry& entry, const std::array<bool, kWalkViews>& in_view,
                             const std::array<std::uint64_t, kWalkViews>& ids) {
      if (!entry.IsFolder() || entry.IsLink() || !ListedByAView(in_view)) return;
      shown.clear();
      AppendListedName(shown, entry);
      subfolders.items.push_back({static_cast<std::uint32_t>(subfolders.names.size()),
                                  static_cast<std::uint32_t>(entry.long_name.size()),
                                  static_cast<std::uint32_t>(subfolders.shown.size()),
                                  static_cast<std::uint32_t>(shown.size()), in_view, ids});
      subfolders.names += entry.long_name;
      subfolders.shown += shown;
    });
  }
  filling_->entries += listed.MergedCount();
  HandOn(false);
}

void DirectoryWalk::ReportUnread(const Place& place, std::uint32_t status) {
  ListedFolder& listed = NextToList(place);
  listed.opened = false;
  listed.status = status;
  HandOn(false);
}

void DirectoryWalk::WriteBatches() {
  WriteScratch scratch;
  while (Batch* batch = handoff_->Next()) {
    for (std::size_t f = 0; f < batch->used; ++f) WriteFolder(batch->folders[f], scratch);
    handoff_->Taken(*batch);
  }
}

void DirectoryWalk::WriteFolderRecord(const ListedFolder& listed, WriteScratch& s) {
  if (facts_ == nullptr) return;
  s.true_path.clear();
  AppendWtf8(s.true_path, std::wstring_view(listed.true_path));
  facts_->WriteWith([&](std::string& line) { AppendFolderRecord(line, s.heading, listed.prefix, s.true_path, listed.ids); });
}

void DirectoryWalk::WriteFolder(const ListedFolder& listed, WriteScratch& s) {
  if (!listed.opened) {
    if (listed.prefix.empty()) output_.WriteLine(FolderHeadingLine(listed.heading));
    output_.WriteLine(FileLine(listed.prefix + UnreadFolderName(listed.status), 0));
    return;
  }
  AssignFolderHeadingLine(s.heading, listed.heading);
  const std::string& heading = s.heading;
  if (listed.prefix.empty()) output_.WriteLine(heading);
  ++totals_.folders;
  WriteFolderRecord(listed, s);

  std::string& shown = s.shown;
  listed.ForEachMerged([&](const DirectoryEntry& entry, const std::array<bool, kWalkViews>& in_view,
                           const std::array<std::uint64_t, kWalkViews>& ids) {
    if (!ListedByAView(in_view)) return;  // only a view that checks the others has it
    if (entry.IsFolder()) {
      if (Matches(entry, filter_)) {
        shown.assign(listed.prefix);
        AppendListedName(shown, entry);
        output_.WriteWith([&](std::string& line) { AppendSubfolderLine(line, shown); });
      }
      return;
    }
    if (!Matches(entry, filter_)) return;
    shown.assign(listed.prefix);
    AppendListedName(shown, entry);
    output_.WriteWith([&](std::string& line) { AppendFileLine(line, shown, entry.size); });
    if (facts_ != nullptr) {
      ViewIds view_ids;
      for (std::size_t i = 0; i < ids.size(); ++i) {
        if (in_view[i] && ids[i] != 0 && views_[i].source != nullptr) view_ids[static_cast<std::size_t>(views_[i].Id())] = ids[i];
      }
      s.long_name.clear();
      AppendWtf8(s.long_name, entry.long_name);
      facts_->WriteWith([&](std::string& line) {
        AppendFolderFileRecord(line, std::string_view(shown).substr(listed.prefix.size()), entry.attributes,
                               ViewsOf(in_view), view_ids, s.long_name);
      });
    }
    ++totals_.files;
    totals_.bytes += entry.size;
  });
  // What the view the listing follows could not read shows in the listing; what
  // only the other could not, in the views file.
  const auto& unread = listed.unread;
  if (unread[0]) {
    output_.WriteLine(FileLine(listed.prefix + UnreadFolderName(*unread[0]), 0));
  } else if (unread[1] && facts_ != nullptr && listed.prefix.empty()) {
    facts_->WriteLine(UnreadByQueryRecord(heading, *unread[1]));
  }
}

bool DirectoryWalk::IsChecking(std::size_t view) const {
  return views_[view].source != nullptr && !RowOf(views_[view].Id()).lists_files;
}

// A view that only checks the others (the folders' own indexes) costs a read
// of its own per folder: it is asked only where every listing view read the
// folder and they disagree on what it holds. A folder it then reads gets its
// id in the folder record, which says the check was made. (Below a folder the
// query does not show, its entry in the parent's index was checked already.)
void DirectoryWalk::CheckWhereViewsDisagree(Folders& folders, const Place& place, std::vector<MergedEntry>& merged) {
  for (std::size_t i = 0; i < views_.size(); ++i) {
    if (views_[i].source != nullptr && !IsChecking(i) && !folders[i]) return;
  }
  for (std::size_t c = 0; c < views_.size(); ++c) {
    if (!IsChecking(c)) continue;
    const bool disagree = std::any_of(merged.begin(), merged.end(), [&](const MergedEntry& m) {
      for (std::size_t i = 0; i < views_.size(); ++i) {
        if (views_[i].source != nullptr && !IsChecking(i) && !m.in_view[i]) return true;
      }
      return false;
    });
    if (!disagree) continue;
    OpenedFolder opened = views_[c].source->OpenFolder(place.true_path);
    if (!opened.folder) continue;  // not checked: the folder record says so by its missing id
    FolderRead read;
    opened.folder->ReadEntries(read);
    if (read.failure) continue;
    MarkChecked(merged, c, read.entries);
    folders[c] = std::move(opened.folder);
  }
}

bool DirectoryWalk::FirstVisit(const Folders& folders) {
  for (std::size_t i = 0; i < folders.size(); ++i) {
    if (!folders[i]) continue;
    const auto identity = folders[i]->Identity();
    return !identity || visited_.Insert(i, *identity);
  }
  return true;
}

void DirectoryWalk::Run(const std::string& heading, const std::wstring& path) {
  handoff_ = std::make_unique<Handoff<Batch>>(kBatches);
  filling_ = nullptr;
  std::exception_ptr write_failure;
  std::thread writer([&] {
    try {
      WriteBatches();
    } catch (...) {
      write_failure = std::current_exception();
      // The reading side still hands batches on: take them, so that it never waits.
      while (Batch* batch = handoff_->Next()) handoff_->Taken(*batch);
    }
  });
  {
    // Whichever way the walk ends, the writer is told and waited for before
    // the batches it writes from go.
    struct Ending {
      Handoff<Batch>& handoff;
      std::thread& writer;
      ~Ending() {
        handoff.Close();
        writer.join();
      }
    } ending{*handoff_, writer};
    Walk(heading, path);
    HandOn(true);
  }
  if (write_failure) std::rethrow_exception(write_failure);
}

void DirectoryWalk::Walk(const std::string& heading, const std::wstring& path) {
  // A frame holds how long the place's paths were at its folder: the one place
  // is cut back to them before the next subfolder is added, rather than copied
  // for each of a volume's hundreds of thousands of folders. Frames deeper
  // than the walk now stand are kept, their memory used again.
  struct Frame {
    Folders folders;
    std::size_t heading = 0, prefix = 0, true_path = 0;
    Subfolders subfolders;
    std::size_t next = 0;
  };
  Place place{heading, "", VerbatimPath(path)};
  Folders top;
  std::array<std::optional<std::uint32_t>, kWalkViews> unread;
  for (std::size_t i = 0; i < views_.size(); ++i) {
    if (views_[i].source == nullptr || IsChecking(i)) continue;
    OpenedFolder opened = views_[i].source->OpenFolder(path);
    top[i] = std::move(opened.folder);
    if (!top[i] && !opened.missing) unread[i] = opened.status;
  }
  if (!top[0]) {
    if (unread[0]) ReportUnread(place, *unread[0]);
    if (!top[1]) return;
    unread[0].reset();  // the second view lists it
  }
  if (!FirstVisit(top)) return;
  // An explicit stack: a deep tree cannot overflow the program's own stack.
  std::vector<Frame> stack;
  std::size_t depth = 0;
  std::wstring sub_name;  // the subfolder's name as OpenSubfolder takes it, its memory kept
  const auto enter = [&](Folders& folders, std::array<std::optional<std::uint32_t>, kWalkViews> folder_unread) {
    if (depth == stack.size()) stack.emplace_back();
    Frame& frame = stack[depth++];
    ReadFolder(folders, place, folder_unread, frame.subfolders);
    frame.folders = std::move(folders);
    frame.heading = place.heading.size();
    frame.prefix = place.prefix.size();
    frame.true_path = place.true_path.size();
    frame.next = 0;
  };
  enter(top, unread);

  while (depth > 0) {
    Frame& frame = stack[depth - 1];
    if (frame.next == frame.subfolders.items.size()) {
      for (auto& folder : frame.folders) folder.reset();
      --depth;
      continue;
    }
    place.heading.resize(frame.heading);
    place.prefix.resize(frame.prefix);
    place.true_path.resize(frame.true_path);
    const Subfolder& sub = frame.subfolders.items[frame.next++];
    sub_name.assign(frame.subfolders.Name(sub));
    const std::string_view shown_name = frame.subfolders.Shown(sub);
    (place.true_path += sub_name) += L'\\';
    std::string& below = place.prefix.empty() && IsSpelled(shown_name) ? place.heading : place.prefix;
    (below += shown_name) += '\\';
    Folders opened;
    std::array<std::optional<std::uint32_t>, kWalkViews> sub_unread;
    for (std::size_t i = 0; i < opened.size(); ++i) {
      if (!sub.in_view[i] || !frame.folders[i] || IsChecking(i)) continue;
      OpenedFolder attempt = frame.folders[i]->OpenSubfolder(sub_name, sub.ids[i]);
      opened[i] = std::move(attempt.folder);
      if (!opened[i] && !attempt.missing) sub_unread[i] = attempt.status;
    }
    if (!opened[0] && !opened[1]) {
      if (sub_unread[0] || sub_unread[1]) ReportUnread(place, sub_unread[0] ? *sub_unread[0] : *sub_unread[1]);
      continue;
    }
    if (!opened[0]) sub_unread[0].reset();  // the second view lists it
    if (!FirstVisit(opened)) continue;
    enter(opened, sub_unread);  // may grow `stack`: `frame` and `sub` are not used after it
  }
}

}  // namespace quarvel::lister
