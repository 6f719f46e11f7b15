#include "platform/ShutDownNT.h"

#include "platform/UniqueHandle.h"

namespace quarvel::win {

ShutdownCalls RealShutdownCalls() {
  return ShutdownCalls{&IsWindowsNT, &EnableShutdownPrivilege,
                       [](UINT flags, DWORD reason) { return ExitWindowsEx(flags, reason) != FALSE; }};
}

bool RestartWindows(bool force, const ShutdownCalls& calls) {
  const UINT flags = force ? EWX_REBOOT | EWX_FORCE : EWX_REBOOT;
  if (calls.is_windows_nt()) calls.enable_shutdown_privilege();
  return calls.exit_windows(flags, kRestartReason);
}

bool IsWindowsNT() {
  OSVERSIONINFOA info{};
  info.dwOSVersionInfoSize = sizeof(info);
  return GetVersionExA(&info) && info.dwPlatformId == VER_PLATFORM_WIN32_NT;
}

void EnableShutdownPrivilege() {
  UniqueKernelHandle token;
  if (!OpenProcessToken(GetCurrentProcess(), TOKEN_ADJUST_PRIVILEGES | TOKEN_QUERY, token.put())) return;
  TOKEN_PRIVILEGES request{};
  request.PrivilegeCount = 1;
  request.Privileges[0].Attributes = SE_PRIVILEGE_ENABLED;
  if (!LookupPrivilegeValueA(nullptr, "SeShutdownPrivilege", &request.Privileges[0].Luid)) return;
  TOKEN_PRIVILEGES previous{};
  DWORD previous_length = 0;
  AdjustTokenPrivileges(token.get(), FALSE, &request, sizeof(previous), &previous, &previous_length);
}

}  // namespace quarvel::win
