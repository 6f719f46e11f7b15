// Libraries that are not among the system's known DLLs, loaded by their full
// path in the system folder: by name alone, Windows would look beside the
// program first, where a planted version.dll next to a downloaded quarvel.exe
// would be loaded instead. Unacceptable for a security tool.
#pragma once

#include <string>

#include "platform/UniqueHandle.h"

namespace quarvel::win {

// Loads `file_name` (e.g. "version.dll") from the system folder; empty when it
// cannot be loaded.
UniqueModule LoadSystemLibrary(const std::string& file_name);

}  // namespace quarvel::win
