// A function exported by a loaded module, typed. GetProcAddress hands back a
// generic function pointer; the cast to the real type goes through one place.
#pragma once

#include <windows.h>

namespace quarvel::win {

template <class Function>
Function ProcAddress(HMODULE module, const char* name) {
  return reinterpret_cast<Function>(reinterpret_cast<void*>(GetProcAddress(module, name)));
}

}  // namespace quarvel::win
