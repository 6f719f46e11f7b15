// Detects handle leaks. GetProcessHandleCount does not count under Wine, so this
// takes the value of a fresh handle instead: the lowest free slot is handed out
// first, so any handle leaked in between pushes the next one higher.
#pragma once

#include <windows.h>

#include <cstdint>

namespace quarvel::testing {

inline std::uintptr_t HandleWatermark() {
  HANDLE probe = CreateEventA(nullptr, FALSE, FALSE, nullptr);
  const auto value = reinterpret_cast<std::uintptr_t>(probe);
  CloseHandle(probe);
  return value;
}

}  // namespace quarvel::testing
