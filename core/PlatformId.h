// Which Windows family runs the program, as GetPlatformId reports it; features
// that need the NT family test for kPlatformNT.
#pragma once

namespace quarvel {

inline constexpr long kPlatform9x = 1;
inline constexpr long kPlatformNT = 2;

}  // namespace quarvel
