// A file opened for writing that this call made new. A file already under the
// name is deleted first, never truncated: in a folder another account can
// write, the name may be a hard or symbolic link planted so that an elevated
// program overwrites the file it leads to. Deleting removes only the link.
#pragma once

#include <windows.h>

#include <string>

#include "platform/UniqueHandle.h"

namespace quarvel::win {

// `share` and `access` as CreateFile takes them. An empty handle on failure,
// with GetLastError() telling why (ERROR_FILE_EXISTS: something put the name
// back between the deletion and the creation).
UniqueFileHandle CreateFreshFile(const std::string& path, DWORD share, DWORD access = GENERIC_WRITE);

}  // namespace quarvel::win
