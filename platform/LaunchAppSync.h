// Starts a command line and waits until the program has ended, while the
// window's messages keep running (module LaunchAppSync).
#pragma once

#include <windows.h>

#include <cstdint>
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

// Waits for the started process to end, dispatching window messages meanwhile,
// then closes both handles of `info`.
void WaitForProcess(PROCESS_INFORMATION& info);

}  // namespace quarvel::win
