// A test-only hider, never shipped: loaded into a running process, it patches
// that process's imports of the Win32 search functions so that every entry
// whose name starts with "QVHIDE" (any case) is dropped, as a user-mode rootkit
// hides its files. Other processes, and the NT directory query, are untouched.
#include <windows.h>

#include <cstring>

#include "ImportPatch.h"

namespace {

constexpr char kMarkerA[] = "QVHIDE";
constexpr wchar_t kMarkerW[] = L"QVHIDE";

bool MarkedA(const char* name) { return _strnicmp(name, kMarkerA, 6) == 0; }
bool MarkedW(const wchar_t* name) { return _wcsnicmp(name, kMarkerW, 6) == 0; }

HANDLE WINAPI HiddenFindFirstFileA(LPCSTR pattern, LPWIN32_FIND_DATAA data) {
  HANDLE search = FindFirstFileA(pattern, data);
  while (search != INVALID_HANDLE_VALUE && MarkedA(data->cFileName)) {
    if (!FindNextFileA(search, data)) {
      FindClose(search);
      SetLastError(ERROR_FILE_NOT_FOUND);
      return INVALID_HANDLE_VALUE;
    }
  }
  return search;
}

BOOL WINAPI HiddenFindNextFileA(HANDLE search, LPWIN32_FIND_DATAA data) {
  while (FindNextFileA(search, data)) {
    if (!MarkedA(data->cFileName)) return TRUE;
  }
  return FALSE;
}

HANDLE WINAPI HiddenFindFirstFileW(LPCWSTR pattern, LPWIN32_FIND_DATAW data) {
  HANDLE search = FindFirstFileW(pattern, data);
  while (search != INVALID_HANDLE_VALUE && MarkedW(data->cFileName)) {
    if (!FindNextFileW(search, data)) {
      FindClose(search);
      SetLastError(ERROR_FILE_NOT_FOUND);
      return INVALID_HANDLE_VALUE;
    }
  }
  return search;
}

BOOL WINAPI HiddenFindNextFileW(HANDLE search, LPWIN32_FIND_DATAW data) {
  while (FindNextFileW(search, data)) {
    if (!MarkedW(data->cFileName)) return TRUE;
  }
  return FALSE;
}

HANDLE WINAPI HiddenFindFirstFileExA(LPCSTR pattern, FINDEX_INFO_LEVELS level, LPVOID data, FINDEX_SEARCH_OPS op,
                                     LPVOID filter, DWORD flags) {
  HANDLE search = FindFirstFileExA(pattern, level, data, op, filter, flags);
  auto* found = static_cast<LPWIN32_FIND_DATAA>(data);
  while (search != INVALID_HANDLE_VALUE && MarkedA(found->cFileName)) {
    if (!FindNextFileA(search, found)) {
      FindClose(search);
      SetLastError(ERROR_FILE_NOT_FOUND);
      return INVALID_HANDLE_VALUE;
    }
  }
  return search;
}

HANDLE WINAPI HiddenFindFirstFileExW(LPCWSTR pattern, FINDEX_INFO_LEVELS level, LPVOID data, FINDEX_SEARCH_OPS op,
                                     LPVOID filter, DWORD flags) {
  HANDLE search = FindFirstFileExW(pattern, level, data, op, filter, flags);
  auto* found = static_cast<LPWIN32_FIND_DATAW>(data);
  while (search != INVALID_HANDLE_VALUE && MarkedW(found->cFileName)) {
    if (!FindNextFileW(search, found)) {
      FindClose(search);
      SetLastError(ERROR_FILE_NOT_FOUND);
      return INVALID_HANDLE_VALUE;
    }
  }
  return search;
}

// Points every import of the main program that resolves to one of the search
// functions at its hiding version.
void PatchImports() {
  quarvel::testing::PatchMainImports({
      {"FindFirstFileA", reinterpret_cast<void*>(&HiddenFindFirstFileA)},
      {"FindNextFileA", reinterpret_cast<void*>(&HiddenFindNextFileA)},
      {"FindFirstFileW", reinterpret_cast<void*>(&HiddenFindFirstFileW)},
      {"FindNextFileW", reinterpret_cast<void*>(&HiddenFindNextFileW)},
      {"FindFirstFileExA", reinterpret_cast<void*>(&HiddenFindFirstFileExA)},
      {"FindFirstFileExW", reinterpret_cast<void*>(&HiddenFindFirstFileExW)},
  });
}

}  // namespace

BOOL WINAPI DllMain(HINSTANCE, DWORD reason, LPVOID) {
  if (reason == DLL_PROCESS_ATTACH) PatchImports();
  return TRUE;
}
