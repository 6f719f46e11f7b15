#include "lister/DirectoryWalk.h"

#include <vector>

#include "core/ListingFormat.h"
#include "core/WildcardMatch.h"
#include "lister/AnsiName.h"

namespace quarvel::lister {
namespace {

bool Matches(const DirectoryEntry& entry, const std::wstring& filter) {
  return MatchesFilter(entry.long_name, filter) ||
         (!entry.short_name.empty() && MatchesFilter(entry.short_name, filter));
}

}  // namespace

DirectoryWalk::DirectoryWalk(const NtDirectory& directory, ListingOutput& output,
                             std::wstring filter, bool recurse)
    : directory_(directory), output_(output), filter_(std::move(filter)), recurse_(recurse) {}

std::vector<DirectoryWalk::Subfolder> DirectoryWalk::ListFolder(HANDLE folder, const Place& place) {
  if (place.prefix.empty()) output_.WriteLine(FolderHeadingLine(place.heading));
  ++totals_.folders;
  std::vector<Subfolder> subfolders;
  for (const auto& entry : directory_.ReadEntries(folder)) {
    const std::string shown = place.prefix + ListedName(entry);
    if (entry.IsFolder()) {
      if (Matches(entry, filter_)) output_.WriteLine(SubfolderLine(shown));
      if (recurse_ && !entry.IsLink()) subfolders.push_back({entry.long_name, ListedName(entry)});
      continue;
    }
    if (!Matches(entry, filter_)) continue;
    output_.WriteLine(FileLine(shown, entry.size));
    ++totals_.files;
    totals_.bytes += entry.size;
  }
  return subfolders;
}

bool DirectoryWalk::FirstVisit(HANDLE folder) {
  const auto identity = IdentityOf(folder);
  return !identity || visited_.insert(*identity).second;
}

void DirectoryWalk::Run(const std::string& heading, const std::wstring& path) {
  struct Frame {
    win::UniqueFileHandle handle;
    Place place;
    std::vector<Subfolder> subfolders;
    std::size_t next = 0;
  };
  // An explicit stack: a deep tree cannot overflow the program's own stack.
  std::vector<Frame> stack;
  auto top = directory_.OpenFolder(path);
  if (!top || !FirstVisit(top.get())) return;
  const Place top_place{heading, ""};
  auto subfolders = ListFolder(top.get(), top_place);
  stack.push_back({std::move(top), top_place, std::move(subfolders)});

  while (!stack.empty()) {
    Frame& frame = stack.back();
    if (frame.next == frame.subfolders.size()) {
      stack.pop_back();
      continue;
    }
    const Subfolder& sub = frame.subfolders[frame.next++];
    auto handle = directory_.OpenSubfolder(frame.handle.get(), sub.name);
    if (!handle || !FirstVisit(handle.get())) continue;
    Place sub_place = frame.place;
    if (sub_place.prefix.empty() && IsSpelled(sub.shown_name)) {
      sub_place.heading += sub.shown_name + "\\";
    } else {
      sub_place.prefix += sub.shown_name + "\\";
    }
    auto sub_subfolders = ListFolder(handle.get(), sub_place);
    stack.push_back({std::move(handle), std::move(sub_place), std::move(sub_subfolders)});
  }
}

}  // namespace quarvel::lister
