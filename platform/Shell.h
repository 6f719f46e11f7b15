// Hands a request to the shell (ShellExecuteA); true when the shell carried it
// out. The result commands do not examine it.
#pragma once

#include <windows.h>

#include "core/ShellRequest.h"

namespace quarvel::win {

bool ExecuteShellRequest(HWND owner, const ShellRequest& request);

}  // namespace quarvel::win
