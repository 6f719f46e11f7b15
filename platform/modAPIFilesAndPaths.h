// Long names and file versions through the Win32 API (module
// modAPIFilesAndPaths).
#pragma once

#include <string>

namespace quarvel::win {

// The long form of a path that may hold short (8.3) components, resolved from the
// last component towards the first with the directory search; "" when its last
// component cannot be found. Only "\" separates components. A drive is never
// searched; a component the search cannot find stops the walk and the text left
// of it is kept as it stands.
std::string GetLongFileName(std::string path);

// major.minor.build.revision of the file version in the file's fixed version
// information (the product version is not used); "" without a message for a
// missing file, a file without version information or the empty path.
std::string GetFileVersion(const std::string& path);

}  // namespace quarvel::win
