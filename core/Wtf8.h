// UTF-16 names as 8-bit text without loss: UTF-8, except that a lone surrogate
// (which NTFS names may hold and UTF-8 cannot) is written as its own three-byte
// sequence (WTF-8), so a name read back is the name the volume holds.
#pragma once

#include <optional>
#include <string>
#include <string_view>

#include "core/Text.h"

namespace quarvel {

// Appends one code point as UTF-8 (a surrogate as its own three bytes).
void AppendUtf8(std::string& out, char32_t code);
inline bool IsHigh(char16_t c) { return c >= 0xD800 && c <= 0xDBFF; }
inline bool IsLow(char16_t c) { return c >= 0xDC00 && c <= 0xDFFF; }

std::string Wtf8FromUtf16(std::u16string_view text);
// Takes UTF-16 in either character type (the volume's names come as char16_t,
// the system's as wchar_t), without a copy of it in the other.
template <class Char>
  requires(sizeof(Char) == 2)
void AppendWtf8(std::string& out, std::basic_string_view<Char> text) {
  for (std::size_t i = 0; i < text.size(); ++i) {
    // A run of ASCII (most names are) goes in at once.
    const std::size_t ascii = AppendNarrowRun(out, text.substr(i), [](Char c) { return c < 0x80; });
    if (ascii != 0) {
      i += ascii - 1;
      continue;
    }
    const auto c = static_cast<char16_t>(text[i]);
    if (IsHigh(c) && i + 1 < text.size() && IsLow(static_cast<char16_t>(text[i + 1]))) {
      AppendUtf8(out, 0x10000 + ((static_cast<char32_t>(c) - 0xD800) << 10) + (static_cast<char16_t>(text[i + 1]) - 0xDC00));
      ++i;
    } else {
      AppendUtf8(out, c);
    }
  }
}
inline void AppendWtf8(std::string& out, std::u16string_view text) { AppendWtf8<char16_t>(out, text); }
// Nothing for bytes that are no WTF-8.
std::optional<std::u16string> Utf16FromWtf8(std::string_view text);
// True when the text holds a lone surrogate, so is no valid UTF-8.
bool HoldsLoneSurrogate(std::u16string_view text);

}  // namespace quarvel
