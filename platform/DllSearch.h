// Where the program's process looks for DLLs it loads by name: the system
// folder alone, never the folder the program was started in or the current
// folder, which others may be able to write (a Downloads folder, a USB stick).
#pragma once

#include <windows.h>

#include "platform/ProcAddress.h"

namespace quarvel::win {

// Called first thing in each program. Windows 7 without KB2533623 lacks the
// call; there the system's own search order stands.
inline void LoadDllsFromSystemFolderOnly() {
  using SetDefaultDllDirectoriesFunction = BOOL(WINAPI*)(DWORD);
  const auto set_directories =
      ProcAddress<SetDefaultDllDirectoriesFunction>(GetModuleHandleW(L"kernel32.dll"), "SetDefaultDllDirectories");
  if (set_directories != nullptr) set_directories(LOAD_LIBRARY_SEARCH_SYSTEM32);
  SetDllDirectoryW(L"");  // takes the current folder out of the search where the call above is missing
}

}  // namespace quarvel::win
