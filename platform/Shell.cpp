#include "platform/Shell.h"

#include <shellapi.h>

namespace quarvel::win {

void ExecuteShellRequest(HWND owner, const ShellRequest& request) {
  ShellExecuteA(owner, request.verb.c_str(), request.file.c_str(),
                request.parameters ? request.parameters->c_str() : nullptr, request.directory.c_str(), request.show);
}

}  // namespace quarvel::win
