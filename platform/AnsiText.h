// Text between the ANSI code page, in which this program talks to the "A"
// functions, and the wide form the system keeps names in: one place for it.
#pragma once

#include <windows.h>

#include <string>
#include <string_view>

namespace quarvel::win {

// The wide form of ANSI text, as the "A" functions pass it on, written into
// `wide` (whose memory a caller in a loop can keep).
inline void WideFromAnsi(std::string_view ansi, std::wstring& wide) {
  wide.clear();
  if (ansi.empty()) return;
  const int size = MultiByteToWideChar(CP_ACP, 0, ansi.data(), static_cast<int>(ansi.size()), nullptr, 0);
  wide.resize(static_cast<std::size_t>(size));
  MultiByteToWideChar(CP_ACP, 0, ansi.data(), static_cast<int>(ansi.size()), wide.data(), size);
}

// The length of ANSI text in UTF-16 units, as the "A" functions count a path
// against their limits (a double-byte code page spells one unit in two bytes).
inline std::size_t Utf16Length(std::string_view ansi) {
  if (ansi.empty()) return 0;
  return static_cast<std::size_t>(
      MultiByteToWideChar(CP_ACP, 0, ansi.data(), static_cast<int>(ansi.size()), nullptr, 0));
}

inline std::wstring WideFromAnsi(std::string_view ansi) {
  std::wstring wide;
  WideFromAnsi(ansi, wide);
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
