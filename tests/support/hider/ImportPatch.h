// Test-only: points the main program's imports of kernel32 functions at
// replacements, as a program that intercepts the Win32 interfaces does from
// inside a process it was loaded into.
#pragma once

#include <windows.h>

#include <initializer_list>

namespace quarvel::testing {

struct ImportReplacement {
  const char* name;  // a kernel32 export
  void* replacement;
};

inline void PatchMainImports(std::initializer_list<ImportReplacement> replacements) {
  HMODULE kernel32 = GetModuleHandleA("kernel32.dll");
  auto* base = reinterpret_cast<BYTE*>(GetModuleHandleA(nullptr));
  auto* dos = reinterpret_cast<IMAGE_DOS_HEADER*>(base);
  auto* nt = reinterpret_cast<IMAGE_NT_HEADERS*>(base + dos->e_lfanew);
  const auto& directory = nt->OptionalHeader.DataDirectory[IMAGE_DIRECTORY_ENTRY_IMPORT];
  if (directory.VirtualAddress == 0) return;
  for (auto* import = reinterpret_cast<IMAGE_IMPORT_DESCRIPTOR*>(base + directory.VirtualAddress); import->Name != 0;
       ++import) {
    for (auto* thunk = reinterpret_cast<IMAGE_THUNK_DATA*>(base + import->FirstThunk); thunk->u1.Function != 0;
         ++thunk) {
      for (const auto& replacement : replacements) {
        const auto real = reinterpret_cast<ULONG_PTR>(GetProcAddress(kernel32, replacement.name));
        if (thunk->u1.Function != real) continue;
        DWORD old = 0;
        VirtualProtect(&thunk->u1.Function, sizeof(thunk->u1.Function), PAGE_READWRITE, &old);
        thunk->u1.Function = reinterpret_cast<ULONG_PTR>(replacement.replacement);
        VirtualProtect(&thunk->u1.Function, sizeof(thunk->u1.Function), old, &old);
      }
    }
  }
}

}  // namespace quarvel::testing
