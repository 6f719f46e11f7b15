#include "platform/modFindFilesAPI.h"

#include <windows.h>

#include <vector>

#include "core/ResultCommands.h"
#include "platform/UniqueHandle.h"

namespace quarvel::win {
namespace {

bool IsDotEntry(const std::string& name) { return name == "." || name == ".."; }

}  // namespace

std::string TrimAtNull(std::string_view text) { return std::string(text.substr(0, text.find('\0'))); }

std::uint64_t FindFilesRecursive(std::string folder, const std::string& pattern, std::int16_t& matches,
                                 std::int16_t& folders) {
  if (folder.empty() || folder.back() != '\\') folder += '\\';
  WIN32_FIND_DATAA entry;

  std::vector<std::string> subfolders;
  {
    UniqueFindHandle search(FindFirstFileA((folder + "*").c_str(), &entry));
    if (search) {
      do {
        const std::string name = TrimAtNull(std::string_view(entry.cFileName, sizeof(entry.cFileName)));
        if (IsDotEntry(name)) continue;
        const DWORD attributes = GetFileAttributesA((folder + name).c_str());
        if (attributes == INVALID_FILE_ATTRIBUTES || (attributes & FILE_ATTRIBUTE_DIRECTORY) == 0) continue;
        AddToCounter(folders, 1);
        if ((attributes & FILE_ATTRIBUTE_REPARSE_POINT) == 0) subfolders.push_back(name);
      } while (FindNextFileA(search.get(), &entry));
    }
  }

  std::uint64_t total = 0;
  {
    UniqueFindHandle search(FindFirstFileA((folder + pattern).c_str(), &entry));
    if (search) {
      do {
        const std::string name = TrimAtNull(std::string_view(entry.cFileName, sizeof(entry.cFileName)));
        if (IsDotEntry(name)) continue;
        total += (static_cast<std::uint64_t>(entry.nFileSizeHigh) << 32) + entry.nFileSizeLow;
        AddToCounter(matches, 1);
      } while (FindNextFileA(search.get(), &entry));
    }
  }

  for (const auto& name : subfolders) total += FindFilesRecursive(folder + name + "\\", pattern, matches, folders);
  return total;
}

}  // namespace quarvel::win
