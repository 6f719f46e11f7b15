// File existence and attribute tests against the ordinary Win32 view
// (module modVBFileDisk). Paths go to the platform unchanged, so wildcards act
// as wildcards.
#pragma once

#include <windows.h>

#include <cstdint>
#include <optional>
#include <string>

#include "core/Bool16.h"

namespace quarvel::win {

// True when a directory search for `path` finds an entry that is neither hidden,
// system nor a folder. Every failure counts as absent; the empty path is False.
// A device name (nul, con.txt) is answered for the device, which is no file.
Bool16 FileExists(const std::string& path);

// True when every bit of `mask` is set in the path's attributes. When they cannot
// be read, shows the "IsAttrSet" error box and returns False.
Bool16 IsAttrSet(const std::string& path, DWORD mask);

// The file's length in bytes; nothing when it cannot be read (a missing path).
std::optional<std::int64_t> FileLength(const std::string& path);

}  // namespace quarvel::win
