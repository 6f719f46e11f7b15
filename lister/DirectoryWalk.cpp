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

DirectoryWalk::DirectoryWalk(FolderSource& source, ListingOutput& output, std::wstring filter, bool recurse)
    : source_(source), output_(output), filter_(std::move(filter)), recurse_(recurse) {}

std::vector<DirectoryWalk::Subfolder> DirectoryWalk::ListFolder(Folder& folder, const Place& place) {
  if (place.prefix.empty()) output_.WriteLine(FolderHeadingLine(place.heading));
  ++totals_.folders;
  FolderRead read = folder.ReadEntries();
  std::vector<Subfolder> subfolders;
  for (const auto& entry : read.entries) {
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
  if (read.failure) output_.WriteLine(FileLine(place.prefix + UnreadFolderName(*read.failure), 0));
  return subfolders;
}

void DirectoryWalk::ReportUnread(const Place& place, std::uint32_t status) {
  if (place.prefix.empty()) output_.WriteLine(FolderHeadingLine(place.heading));
  output_.WriteLine(FileLine(place.prefix + UnreadFolderName(status), 0));
}

bool DirectoryWalk::FirstVisit(const Folder& folder) {
  const auto identity = folder.Identity();
  return !identity || visited_.insert(*identity).second;
}

void DirectoryWalk::Run(const std::string& heading, const std::wstring& path) {
  struct Frame {
    std::unique_ptr<Folder> folder;
    Place place;
    std::vector<Subfolder> subfolders;
    std::size_t next = 0;
  };
  const Place top_place{heading, ""};
  OpenedFolder top = source_.OpenFolder(path);
  if (!top.folder) {
    if (!top.missing) ReportUnread(top_place, top.status);
    return;
  }
  if (!FirstVisit(*top.folder)) return;
  // An explicit stack: a deep tree cannot overflow the program's own stack.
  std::vector<Frame> stack;
  auto subfolders = ListFolder(*top.folder, top_place);
  stack.push_back({std::move(top.folder), top_place, std::move(subfolders)});

  while (!stack.empty()) {
    Frame& frame = stack.back();
    if (frame.next == frame.subfolders.size()) {
      stack.pop_back();
      continue;
    }
    const Subfolder& sub = frame.subfolders[frame.next++];
    Place sub_place = frame.place;
    if (sub_place.prefix.empty() && IsSpelled(sub.shown_name)) {
      sub_place.heading += sub.shown_name + "\\";
    } else {
      sub_place.prefix += sub.shown_name + "\\";
    }
    OpenedFolder opened = frame.folder->OpenSubfolder(sub.name);
    if (!opened.folder) {
      if (!opened.missing) ReportUnread(sub_place, opened.status);
      continue;
    }
    if (!FirstVisit(*opened.folder)) continue;
    auto sub_subfolders = ListFolder(*opened.folder, sub_place);
    stack.push_back({std::move(opened.folder), std::move(sub_place), std::move(sub_subfolders)});
  }
}

}  // namespace quarvel::lister
