// System folders and path forms (module CommonFunction). A failed query gives
// the empty text.
#pragma once

#include <string>

namespace quarvel::win {

std::string GetWinDir();  // without a trailing backslash, e.g. C:\windows
std::string GetSysDir();
std::string GetCurDir();
std::string GetShortName(const std::string& path);  // "" when the path does not exist
// The running program's own file, under whatever name it was started.
std::string GetProgramPath();

}  // namespace quarvel::win
