#include "platform/CommonFunction.h"

#include <windows.h>

namespace quarvel::win {
namespace {

// Calls a query that fills a buffer and returns the characters written, or the
// size it needs when the buffer is too small; grows the buffer until it fits so
// a long folder is returned whole rather than cut.
template <class Query>
std::string QueryText(Query query) {
  std::string buffer(MAX_PATH, '\0');
  for (;;) {
    const DWORD n = query(buffer.data(), static_cast<DWORD>(buffer.size()));
    if (n == 0) return {};
    if (n < buffer.size()) {
      buffer.resize(n);
      return buffer;
    }
    buffer.assign(n + 1, '\0');
  }
}

}  // namespace

std::string GetWinDir() {
  return QueryText([](char* b, DWORD size) { return GetWindowsDirectoryA(b, size); });
}

std::string GetSysDir() {
  return QueryText([](char* b, DWORD size) { return GetSystemDirectoryA(b, size); });
}

std::string GetCurDir() {
  return QueryText([](char* b, DWORD size) { return GetCurrentDirectoryA(size, b); });
}

std::string GetShortName(const std::string& path) {
  return QueryText(
      [&path](char* b, DWORD size) { return GetShortPathNameA(path.c_str(), b, size); });
}

std::string GetProgramPath() {
  std::string path(MAX_PATH, '\0');
  for (;;) {
    const DWORD n = GetModuleFileNameA(nullptr, path.data(), static_cast<DWORD>(path.size()));
    if (n == 0) return {};
    if (n < path.size()) return path.substr(0, n);
    path.assign(path.size() * 2, '\0');  // cut short: a longer path
  }
}

}  // namespace quarvel::win
