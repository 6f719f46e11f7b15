#include "platform/Shell.h"

#include <shellapi.h>

namespace quarvel::win {

bool ExecuteShellRequest(HWND owner, const ShellRequest& request) {
  const HINSTANCE result =
      ShellExecuteA(owner, request.verb.c_str(), request.file.c_str(),
                    request.parameters ? request.parameters->c_str() : nullptr, request.directory.c_str(), request.show);
  // Values above 32 mean success; the type is historical.
  return reinterpret_cast<INT_PTR>(result) > 32;
}

}  // namespace quarvel::win
