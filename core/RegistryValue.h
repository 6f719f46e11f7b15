// The result of a registry read, and the conversions a registry write needs.
#pragma once

#include <cstdint>
#include <string>
#include <variant>
#include <vector>

namespace quarvel {

using RegistryBytes = std::vector<std::uint8_t>;

// Empty (nothing read), text (REG_SZ), bytes (REG_BINARY) or a 32-bit signed
// integer (REG_DWORD).
using RegistryValue = std::variant<std::monostate, std::string, RegistryBytes, std::int32_t>;

inline constexpr unsigned long kRegSz = 1;
inline constexpr unsigned long kRegBinary = 3;
inline constexpr unsigned long kRegDword = 4;

// How callers use a value: empty is "", an integer its decimal digits, bytes the
// same bytes as single-byte text.
std::string ToText(const RegistryValue& value);

// A value that cannot take the type a write asks for.
struct ConversionError {
  long number;
  std::string description;
};

// Text must hold a whole number in the 32-bit signed range (blanks around it
// allowed).
std::variant<std::int32_t, ConversionError> ToDword(const RegistryValue& value);
// Only a byte sequence converts.
std::variant<RegistryBytes, ConversionError> ToBytes(const RegistryValue& value);

}  // namespace quarvel
