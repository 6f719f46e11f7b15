// Text between the ANSI code page, in which this program talks to the "A"
// functions, and the wide form the system keeps names in: one place for it.
#pragma once

#include <windows.h>

#include <optional>
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

// The exact spelling of wide text in `code_page` (the ANSI code page unless
// told), or nothing when a character has none: no best-fit substitutes, since a
// "?" in a name would act as a wildcard. UTF-8 and a few other code pages take
// neither flags nor a default character; for them the round trip alone decides.
inline std::optional<std::string> ExactAnsi(const std::wstring& text, UINT code_page = CP_ACP) {
  if (text.empty()) return std::string();
  const UINT page = code_page == CP_ACP ? GetACP() : code_page;
  const bool plain = page == CP_UTF8 || page == CP_UTF7 || page == 42 || (page >= 50220 && page <= 50229) ||
                     page == 52936 || page == 54936 || (page >= 57002 && page <= 57011);
  const DWORD flags = plain ? 0 : WC_NO_BEST_FIT_CHARS;
  BOOL used_default = FALSE;
  BOOL* used = plain ? nullptr : &used_default;
  const int size = WideCharToMultiByte(page, flags, text.data(), static_cast<int>(text.size()), nullptr, 0,
                                       nullptr, used);
  if (size <= 0 || used_default) return std::nullopt;
  std::string spelled(static_cast<std::size_t>(size), '\0');
  WideCharToMultiByte(page, flags, text.data(), static_cast<int>(text.size()), spelled.data(), size, nullptr, used);
  if (used_default) return std::nullopt;
  const int back = MultiByteToWideChar(page, 0, spelled.data(), size, nullptr, 0);
  std::wstring round_trip(static_cast<std::size_t>(back > 0 ? back : 0), L'\0');
  MultiByteToWideChar(page, 0, spelled.data(), size, round_trip.data(), back);
  if (round_trip != text) return std::nullopt;
  return spelled;
}

// The UTF-8 form of ANSI text, as JSON carries it.
inline std::string Utf8FromAnsi(std::string_view ansi) {
  const std::wstring wide = WideFromAnsi(ansi);
  if (wide.empty()) return {};
  const int size = WideCharToMultiByte(CP_UTF8, 0, wide.data(), static_cast<int>(wide.size()), nullptr, 0, nullptr, nullptr);
  std::string utf8(static_cast<std::size_t>(size > 0 ? size : 0), '\0');
  WideCharToMultiByte(CP_UTF8, 0, wide.data(), static_cast<int>(wide.size()), utf8.data(), size, nullptr, nullptr);
  return utf8;
}

// The UTF-8 form of wide text; nothing when it is not valid UTF-16 (a lone
// surrogate), which UTF-8 cannot carry.
inline std::optional<std::string> Utf8FromWide(std::wstring_view wide) {
  if (wide.empty()) return std::string();
  const int size = WideCharToMultiByte(CP_UTF8, WC_ERR_INVALID_CHARS, wide.data(), static_cast<int>(wide.size()),
                                       nullptr, 0, nullptr, nullptr);
  if (size <= 0) return std::nullopt;
  std::string utf8(static_cast<std::size_t>(size), '\0');
  WideCharToMultiByte(CP_UTF8, WC_ERR_INVALID_CHARS, wide.data(), static_cast<int>(wide.size()), utf8.data(), size,
                      nullptr, nullptr);
  return utf8;
}

// The wide form of UTF-8 text (invalid bytes become U+FFFD).
inline std::wstring WideFromUtf8(std::string_view utf8) {
  if (utf8.empty()) return {};
  const int size = MultiByteToWideChar(CP_UTF8, 0, utf8.data(), static_cast<int>(utf8.size()), nullptr, 0);
  std::wstring wide(static_cast<std::size_t>(size > 0 ? size : 0), L'\0');
  MultiByteToWideChar(CP_UTF8, 0, utf8.data(), static_cast<int>(utf8.size()), wide.data(), size);
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
