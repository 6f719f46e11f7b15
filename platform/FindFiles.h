// The ordinary Win32 directory search as a loop, in one place: what the
// program's views of a folder (FileExists, the long-name walk, the rescan, the
// compare's folder reads) are built on.
#pragma once

#include <windows.h>

#include <optional>
#include <string>
#include <string_view>
#include <type_traits>
#include <utility>

#include "platform/UniqueHandle.h"

namespace quarvel::win {

// What the ordinary search leaves out of what it "sees": hidden and system
// entries, and folders.
inline constexpr DWORD kUnseenAttributes = FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM | FILE_ATTRIBUTE_DIRECTORY;
inline bool IsOrdinary(DWORD attributes) { return (attributes & kUnseenAttributes) == 0; }

// A path the "A" functions can be given: a NUL would cut it short, and the call
// would answer for another name.
inline bool IsCallablePath(std::string_view path) { return path.find('\0') == std::string_view::npos; }

inline bool IsDotEntry(const char* name) {
  return name[0] == '.' && (name[1] == '\0' || (name[1] == '.' && name[2] == '\0'));
}
inline bool IsDotEntry(const wchar_t* name) {
  return name[0] == L'.' && (name[1] == L'\0' || (name[1] == L'.' && name[2] == L'\0'));
}

namespace find_detail {

inline HANDLE First(const std::string& pattern, WIN32_FIND_DATAA& entry) {
  return FindFirstFileA(pattern.c_str(), &entry);
}
inline HANDLE First(const std::wstring& pattern, WIN32_FIND_DATAW& entry) {
  return FindFirstFileW(pattern.c_str(), &entry);
}
inline BOOL Next(HANDLE search, WIN32_FIND_DATAA& entry) { return FindNextFileA(search, &entry); }
inline BOOL Next(HANDLE search, WIN32_FIND_DATAW& entry) { return FindNextFileW(search, &entry); }

template <class Char>
using FindData = std::conditional_t<std::is_same_v<Char, char>, WIN32_FIND_DATAA, WIN32_FIND_DATAW>;

}  // namespace find_detail

// How a search ended: it listed entries, or it could not start, and then
// whether that is an answer (nothing matched, the folder is not there) or a
// failure to look (access denied, a network error, a name the call cannot
// take), which a caller must not report as "nothing found".
struct SearchOutcome {
  bool listed = false;
  DWORD error = ERROR_SUCCESS;  // why it could not start

  bool NothingMatched() const {
    return !listed && (error == ERROR_FILE_NOT_FOUND || error == ERROR_PATH_NOT_FOUND || error == ERROR_NO_MORE_FILES);
  }
  bool Failed() const { return !listed && !NothingMatched(); }
  explicit operator bool() const { return listed; }
};

// Calls `visit(entry)` for every entry the search for `pattern` finds, "." and
// ".." left out, until `visit` returns false. The "A" form for ANSI patterns,
// the "W" form for wide ones.
template <class Char, class Visit>
SearchOutcome ForEachFound(const std::basic_string<Char>& pattern, Visit&& visit) {
  // A NUL would cut the pattern short.
  if (pattern.find(Char{}) != std::basic_string<Char>::npos) return {false, ERROR_INVALID_NAME};
  find_detail::FindData<Char> entry;
  UniqueFindHandle search(find_detail::First(pattern, entry));
  if (!search) return {false, GetLastError()};
  do {
    if (!IsDotEntry(entry.cFileName) && !visit(std::as_const(entry))) break;
  } while (find_detail::Next(search.get(), entry));
  return {true, ERROR_SUCCESS};
}

// What a search for a device name (nul, con.txt) reports: not the file of that
// name, which the search cannot reach, but a stand-in for the device, with no
// size and no times.
inline bool IsDeviceStandIn(const WIN32_FIND_DATAA& entry) {
  const auto zero = [](const FILETIME& time) { return time.dwLowDateTime == 0 && time.dwHighDateTime == 0; };
  return entry.nFileSizeLow == 0 && entry.nFileSizeHigh == 0 && zero(entry.ftCreationTime) &&
         zero(entry.ftLastAccessTime) && zero(entry.ftLastWriteTime);
}

// The first entry the search for `pattern` reports, as it reports it.
inline std::optional<WIN32_FIND_DATAA> FirstFound(const std::string& pattern) {
  if (!IsCallablePath(pattern)) return std::nullopt;
  WIN32_FIND_DATAA entry;
  const UniqueFindHandle search(FindFirstFileA(pattern.c_str(), &entry));
  if (!search) return std::nullopt;
  return entry;
}

}  // namespace quarvel::win
