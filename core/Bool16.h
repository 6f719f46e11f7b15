// The 16-bit booleans kept in window state and returned by the support
// operations: True is -1 and False is 0.
#pragma once

#include <cstdint>

namespace quarvel {

using Bool16 = std::int16_t;
inline constexpr Bool16 kTrue = -1;
inline constexpr Bool16 kFalse = 0;

constexpr Bool16 ToBool16(bool value) { return value ? kTrue : kFalse; }

}  // namespace quarvel
