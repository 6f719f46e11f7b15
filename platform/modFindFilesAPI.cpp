#include "platform/modFindFilesAPI.h"

#include <windows.h>

#include <vector>

#include "core/ReparseTag.h"
#include "core/ResultCommands.h"
#include "platform/FindFiles.h"

namespace quarvel::win {

std::string TrimAtNull(std::string_view text) { return std::string(text.substr(0, text.find('\0'))); }

namespace {

void Walk(std::string folder, const std::string& pattern, std::int16_t& matches, std::int16_t& folders,
          const std::function<bool()>& should_stop, FoundFiles& found) {
  const auto stop = [&should_stop] { return should_stop && should_stop(); };
  if (stop()) return;
  if (folder.empty() || folder.back() != '\\') folder += '\\';

  std::vector<std::string> subfolders;
  const SearchOutcome listed = ForEachFound(folder + "*", [&](const WIN32_FIND_DATAA& entry) {
    if (stop()) return false;
    const std::string name = TrimAtNull(std::string_view(entry.cFileName, sizeof(entry.cFileName)));
    const DWORD attributes = GetFileAttributesA((folder + name).c_str());
    if (attributes == INVALID_FILE_ATTRIBUTES || (attributes & FILE_ATTRIBUTE_DIRECTORY) == 0) return true;
    AddToCounter(folders, 1);
    // A reparse folder is entered unless it names another place (a junction
    // or symbolic link): cloud placeholders hold files of their own.
    const bool reparse = (attributes & FILE_ATTRIBUTE_REPARSE_POINT) != 0;
    const std::uint32_t tag =
        (entry.dwFileAttributes & FILE_ATTRIBUTE_REPARSE_POINT) != 0 ? entry.dwReserved0 : 0;
    if (!reparse || EntersReparseFolder(tag)) subfolders.push_back(name);
    return true;
  });

  const SearchOutcome searched = ForEachFound(folder + pattern, [&](const WIN32_FIND_DATAA& entry) {
    if (stop()) return false;
    found.total += (static_cast<std::uint64_t>(entry.nFileSizeHigh) << 32) + entry.nFileSizeLow;
    AddToCounter(matches, 1);
    return true;
  });
  // A folder whose entries or subfolders could not be read was not searched
  // through, whatever else was found in it.
  if (listed.Failed() || searched.Failed()) {
    if (found.unsearched_folders++ == 0) found.first_error = listed.Failed() ? listed.error : searched.error;
  }

  for (const auto& name : subfolders) {
    if (stop()) break;
    Walk(folder + name + "\\", pattern, matches, folders, should_stop, found);
  }
}

}  // namespace

FoundFiles FindFilesRecursive(std::string folder, const std::string& pattern, std::int16_t& matches,
                              std::int16_t& folders, const std::function<bool()>& should_stop) {
  FoundFiles found;
  Walk(std::move(folder), pattern, matches, folders, should_stop, found);
  return found;
}

}  // namespace quarvel::win
