// Text between the ANSI code page, in which this program talks to the "A"
// functions, and the wide form the system keeps names in: one place for it.
#pragma once

#include <windows.h>

#include <string>

namespace quarvel::win {

// The wide form of ANSI text, as the "A" functions pass it on.
inline std::wstring WideFromAnsi(const std::string& ansi) {
  if (ansi.empty()) return {};
  const int size = MultiByteToWideChar(CP_ACP, 0, ansi.data(), static_cast<int>(ansi.size()), nullptr, 0);
  std::wstring wide(static_cast<std::size_t>(size), L'\0');
  MultiByteToWideChar(CP_ACP, 0, ansi.data(), static_cast<int>(ansi.size()), wide.data(), size);
  return wide;
}

// The ANSI form of wide text; characters the code page lacks become its default.
inline std::string AnsiFromWide(const std::wstring& wide) {
  if (wide.empty()) return {};
  const int size =
      WideCharToMultiByte(CP_ACP, 0, wide.data(), static_cast<int>(wide.size()), nullptr, 0, nullptr, nullptr);
  std::string ansi(static_cast<std::size_t>(size), '\0');
  WideCharToMultiByte(CP_ACP, 0, wide.data(), static_cast<int>(wide.size()), ansi.data(), size, nullptr, nullptr);
  return ansi;
}

}  // namespace quarvel::win
