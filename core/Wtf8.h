// UTF-16 names as 8-bit text without loss: UTF-8, except that a lone surrogate
// (which NTFS names may hold and UTF-8 cannot) is written as its own three-byte
// sequence (WTF-8), so a name read back is the name the volume holds.
#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace quarvel {

std::string Wtf8FromUtf16(std::u16string_view text);
void AppendWtf8(std::string& out, std::u16string_view text);
// Nothing for bytes that are no WTF-8.
std::optional<std::u16string> Utf16FromWtf8(std::string_view text);
// True when the text holds a lone surrogate, so is no valid UTF-8.
bool HoldsLoneSurrogate(std::u16string_view text);
// Appends one code point as UTF-8 (a surrogate as its own three bytes).
void AppendUtf8(std::string& out, char32_t code);

}  // namespace quarvel
