// File existence and attribute tests against the ordinary Win32 view
// (module modVBFileDisk). Paths go to the platform unchanged, so wildcards act
// as wildcards.
#pragma once

#include <windows.h>

#include <string>

#include "core/Bool16.h"

namespace quarvel::win {

// True when a directory search for `path` finds an entry that is neither hidden,
// system nor a folder. Every failure counts as absent; the empty path is False.
Bool16 FileExists(const std::string& path);

// True when every bit of `mask` is set in the path's attributes. When they cannot
// be read, shows the "IsAttrSet" error box and returns False.
Bool16 IsAttrSet(const std::string& path, DWORD mask);

}  // namespace quarvel::win
