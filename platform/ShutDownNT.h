// Restarts Windows (module ShutDownNT). On the NT family a process may restart
// the machine only after enabling the shutdown privilege in its own token.
#pragma once

#include <windows.h>

#include <functional>

namespace quarvel::win {

// The three platform steps of a restart, replaceable in tests (a real restart
// ends every process of a Wine prefix).
struct ShutdownCalls {
  std::function<bool()> is_windows_nt;
  std::function<void()> enable_shutdown_privilege;
  std::function<void(UINT flags)> exit_windows;
};

ShutdownCalls RealShutdownCalls();

// EWX_REBOOT | EWX_FORCE (6) with force, else EWX_REBOOT (2); the privilege is
// enabled first on the NT family only. Nothing is reported: a refused restart
// simply returns.
void RestartWindows(bool force, const ShutdownCalls& calls = RealShutdownCalls());

// The module's own version query: platform id 2.
bool IsWindowsNT();
// Enables "SeShutdownPrivilege" in this process's token.
void EnableShutdownPrivilege();

}  // namespace quarvel::win
