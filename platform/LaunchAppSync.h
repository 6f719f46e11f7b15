// Starts a command line and waits until the program has ended, while the
// window's messages keep running (module LaunchAppSync).
#pragma once

#include <windows.h>

#include <cstdint>
#include <functional>
#include <string>

#include "core/Bool16.h"

namespace quarvel::win {

// The show-window state given to every started program; callers set it to
// SW_SHOWMINIMIZED (2) before they start one.
void SetShowWindowState(std::int16_t state);
std::int16_t ShowWindowState();

// True when the program was started (and has ended); False at once when it
// could not be started. Runs in the caller's current folder and environment.
Bool16 RunAndWait(const std::string& command_line);

// How a start-and-wait ended.
struct LaunchOutcome {
  bool started = false;
  DWORD error = 0;       // why it could not be started
  bool stopped = false;  // ended early, at the caller's word
  DWORD exit_code = 0;   // the program's, once it has ended of itself
};

// Files handed to a started program as its standard output and standard
// error: the only handles it inherits. Without them it inherits none.
struct HandedOutput {
  HANDLE output = nullptr;
  HANDLE error = nullptr;
};

// As RunAndWait, and says why a program could not be started. `should_stop`,
// asked after each pass of the message loop, can end the program early (the
// window is closing): the program is then terminated and waited for.
LaunchOutcome StartAndWait(const std::string& command_line, const std::function<bool()>& should_stop = {},
                           const HandedOutput& handed = {});

// Waits for the started process to end, dispatching window messages meanwhile,
// then closes both handles of `info`. False when `should_stop` ended it.
// `exit_code`, when given, receives the program's exit code (STILL_ACTIVE when
// the wait itself failed).
bool WaitForProcess(PROCESS_INFORMATION& info, const std::function<bool()>& should_stop = {},
                    DWORD* exit_code = nullptr);

}  // namespace quarvel::win
