#include "platform/modVBFileDisk.h"

#include "platform/ErrorBox.h"
#include "platform/UniqueHandle.h"

namespace quarvel::win {
namespace {

constexpr DWORD kUnseenAttributes =
    FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM | FILE_ATTRIBUTE_DIRECTORY;

bool IsOrdinaryEntry(const WIN32_FIND_DATAA& entry) {
  return (entry.dwFileAttributes & kUnseenAttributes) == 0 && entry.cFileName[0] != '\0';
}

}  // namespace

Bool16 FileExists(const std::string& path) {
  // A NUL would cut the path short and make the search answer for another name.
  if (path.empty() || path.find('\0') != std::string::npos) return kFalse;
  WIN32_FIND_DATAA entry;
  UniqueFindHandle search(FindFirstFileA(path.c_str(), &entry));
  if (!search) return kFalse;
  do {
    if (IsOrdinaryEntry(entry)) return kTrue;
  } while (FindNextFileA(search.get(), &entry));
  return kFalse;
}

Bool16 IsAttrSet(const std::string& path, DWORD mask) {
  const DWORD attributes = GetFileAttributesA(path.c_str());
  if (attributes == INVALID_FILE_ATTRIBUTES) {
    ReportSystemError("IsAttrSet", GetLastError());
    return kFalse;
  }
  return ToBool16((attributes & mask) == mask);
}

std::optional<std::int64_t> FileLength(const std::string& path) {
  WIN32_FILE_ATTRIBUTE_DATA data;
  if (path.find('\0') != std::string::npos || !GetFileAttributesExA(path.c_str(), GetFileExInfoStandard, &data)) {
    return std::nullopt;
  }
  return static_cast<std::int64_t>((static_cast<std::uint64_t>(data.nFileSizeHigh) << 32) | data.nFileSizeLow);
}

}  // namespace quarvel::win
