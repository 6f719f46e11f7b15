#include "core/DeviceName.h"

#include <array>

namespace quarvel {
namespace {

char Upper(char c) { return c >= 'a' && c <= 'z' ? static_cast<char>(c - 'a' + 'A') : c; }

bool EqualsUpper(std::string_view text, std::string_view upper) {
  if (text.size() != upper.size()) return false;
  for (std::size_t i = 0; i < text.size(); ++i) {
    if (Upper(text[i]) != upper[i]) return false;
  }
  return true;
}

// A port number: a digit, or a superscript one, two or three (code page 1252).
bool IsPortDigit(char c) {
  const auto byte = static_cast<unsigned char>(c);
  return (c >= '0' && c <= '9') || byte == 0xB9 || byte == 0xB2 || byte == 0xB3;
}

}  // namespace

bool MayNameDevice(std::string_view name) {
  const auto last = name.find_last_not_of(". ");
  if (last == std::string_view::npos) return false;
  name = name.substr(0, last + 1);
  // The device is the part before the first dot (or a stream's colon), its
  // trailing blanks ignored.
  std::string_view base = name.substr(0, name.find_first_of(".:"));
  base = base.substr(0, base.find_last_not_of(' ') + 1);
  static constexpr std::array<std::string_view, 7> kDevices = {"CON", "PRN", "AUX", "NUL",
                                                               "CONIN$", "CONOUT$", "CLOCK$"};
  for (const auto device : kDevices) {
    if (EqualsUpper(base, device)) return true;
  }
  return base.size() == 4 && (EqualsUpper(base.substr(0, 3), "COM") || EqualsUpper(base.substr(0, 3), "LPT")) &&
         IsPortDigit(base[3]);
}

}  // namespace quarvel
