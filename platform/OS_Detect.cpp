#include "platform/OS_Detect.h"

#include <windows.h>

namespace quarvel::win {

long GetPlatformId() {
  OSVERSIONINFOA info{};
  info.dwOSVersionInfoSize = sizeof(info);
  if (!GetVersionExA(&info)) return 0;
  return static_cast<long>(info.dwPlatformId);
}

}  // namespace quarvel::win
