// Hands a request to the shell (ShellExecuteA); its result is not examined.
#pragma once

#include <windows.h>

#include "core/ResultCommands.h"

namespace quarvel::win {

void ExecuteShellRequest(HWND owner, const ShellRequest& request);

}  // namespace quarvel::win
