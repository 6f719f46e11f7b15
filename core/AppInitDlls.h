// What the AppInit_DLLs value means to Windows: a list of DLL paths separated
// by blanks or commas (so a path in it holds no blank; Windows expects short
// names there).
#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace quarvel {

// The DLL paths the value names, in its order; empty pieces are dropped.
std::vector<std::string> SplitAppInitDlls(std::string_view value);

}  // namespace quarvel
