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
  std::function<bool(UINT flags, DWORD reason)> exit_windows;
};

ShutdownCalls RealShutdownCalls();

// The reason Windows records for the restart: planned, by an application, for
// maintenance.
inline constexpr DWORD kRestartReason =
    SHTDN_REASON_FLAG_PLANNED | SHTDN_REASON_MAJOR_APPLICATION | SHTDN_REASON_MINOR_MAINTENANCE;

// EWX_REBOOT | EWX_FORCE (6) with force, else EWX_REBOOT (2); the privilege is
// enabled first on the NT family only. False when Windows refused the restart.
bool RestartWindows(bool force, const ShutdownCalls& calls = RealShutdownCalls());

// The module's own version query: platform id 2.
bool IsWindowsNT();
// Enables "SeShutdownPrivilege" in this process's token.
void EnableShutdownPrivilege();

}  // namespace quarvel::win
