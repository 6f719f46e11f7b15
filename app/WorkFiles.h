// The work files, all in the process's current folder, asked for anew each time.
#pragma once

#include <string>

#include "platform/CommonFunction.h"

namespace quarvel::app {

inline constexpr const char* kListerFile = "\\locate.com";
inline constexpr const char* kListingFile = "\\dll.txt";

inline std::string WorkPath(const char* literal) { return win::GetCurDir() + literal; }

}  // namespace quarvel::app
