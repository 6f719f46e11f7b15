// Which folders that are reparse points a walk enters. A name surrogate
// (junction, symbolic link) names another place and is never entered, so no
// loop can trap a walk; any other kind (cloud placeholders such as OneDrive's,
// deduplicated or projected folders) holds its own files and is entered.
#pragma once

#include <cstdint>

namespace quarvel {

inline constexpr std::uint32_t kReparseTagMountPoint = 0xA0000003;  // junction
inline constexpr std::uint32_t kReparseTagSymlink = 0xA000000C;
inline constexpr std::uint32_t kReparseTagCloud = 0x9000001A;       // OneDrive and other cloud files

// The name-surrogate bit of a reparse tag.
inline constexpr bool IsNameSurrogate(std::uint32_t tag) { return (tag & 0x20000000u) != 0; }

// A folder with this reparse tag is entered: its tag is known (not 0) and no
// name surrogate.
inline constexpr bool EntersReparseFolder(std::uint32_t tag) { return tag != 0 && !IsNameSurrogate(tag); }

}  // namespace quarvel
