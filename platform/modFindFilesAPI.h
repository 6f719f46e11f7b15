// Counts the entries that match a pattern in a folder tree (module
// modFindFilesAPI). The ordinary search reports hidden and system entries too,
// and matches short names as well as long ones.
#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <string_view>

namespace quarvel::win {

// The text before the first NUL, or the whole text.
std::string TrimAtNull(std::string_view text);

// What a walk found: the total size of the matches, and the folders it could
// not search (access denied, a network error), so that "nothing matched" is
// never told when it could not look.
struct FoundFiles {
  std::uint64_t total = 0;
  int unsearched_folders = 0;
  unsigned long first_error = 0;  // the first of those folders' errors
};

// Walks `folder` and its subfolders depth-first, each folder's matches before its
// subfolders, adding to the two counters (never reset here). A missing folder
// adds nothing.
// Links (junctions, symbolic links, reparse folders of unknown kind) are never
// entered, so a loop cannot trap the walk; other reparse folders (cloud
// placeholders) are. Throws std::overflow_error past 32,767 on either counter.
// `should_stop`, asked at each folder and each entry, ends the walk early when
// it answers true; what was found so far is returned.
FoundFiles FindFilesRecursive(std::string folder, const std::string& pattern, std::int16_t& matches,
                              std::int16_t& folders, const std::function<bool()>& should_stop = {});

}  // namespace quarvel::win
