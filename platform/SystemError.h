// The system's own description of a Win32 error code.
#pragma once

#include <windows.h>

#include <string>

namespace quarvel::win {

// FormatMessage's text for `code`, without its line end; a plain fallback for a
// code the system cannot describe.
std::string SystemErrorDescription(DWORD code);

}  // namespace quarvel::win
