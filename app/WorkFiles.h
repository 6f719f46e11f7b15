// Paths of the work files: the current folder, asked for anew each time (the
// program never changes it), followed by the file's name.
#pragma once

#include <string>

#include "core/WorkFiles.h"
#include "platform/CommonFunction.h"

namespace quarvel::app {

inline std::string WorkPath(const char* work_file) { return win::GetCurDir() + work_file; }

}  // namespace quarvel::app
