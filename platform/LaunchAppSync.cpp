#include "platform/LaunchAppSync.h"

#include <optional>
#include <vector>

#include "platform/InheritedHandles.h"
#include "platform/MessagePump.h"
#include "platform/UniqueHandle.h"

namespace quarvel::win {
namespace {

std::int16_t show_window_state = 0;

}  // namespace

void SetShowWindowState(std::int16_t state) { show_window_state = state; }
std::int16_t ShowWindowState() { return show_window_state; }

Bool16 RunAndWait(const std::string& command_line) { return ToBool16(StartAndWait(command_line).started); }

LaunchOutcome StartAndWait(const std::string& command_line, const std::function<bool()>& should_stop,
                           const HandedOutput& handed) {
  STARTUPINFOEXA startup{};
  startup.StartupInfo.cb = sizeof(startup);
  startup.StartupInfo.dwFlags = STARTF_USESHOWWINDOW;
  startup.StartupInfo.wShowWindow = static_cast<WORD>(show_window_state);

  // CreateProcessA may write into the command line, so it gets its own copy.
  std::vector<char> writable(command_line.begin(), command_line.end());
  writable.push_back('\0');

  // The program inherits the handed files and nothing else: whatever else
  // this process holds open (the held lister among it) stays its own.
  std::vector<HANDLE> inheritable;
  for (const HANDLE handle : {handed.output, handed.error}) {
    if (handle != nullptr) inheritable.push_back(handle);
  }
  std::optional<InheritedHandles> inherited;
  DWORD flags = NORMAL_PRIORITY_CLASS;
  if (!inheritable.empty()) {
    inherited.emplace(std::move(inheritable));
    if (inherited->List() == nullptr) return {false, GetLastError(), false};
    startup.StartupInfo.dwFlags |= STARTF_USESTDHANDLES;
    startup.StartupInfo.hStdOutput = handed.output;
    startup.StartupInfo.hStdError = handed.error;
    startup.lpAttributeList = inherited->List();
    flags |= EXTENDED_STARTUPINFO_PRESENT;
  }
  PROCESS_INFORMATION info{};
  if (!CreateProcessA(nullptr, writable.data(), nullptr, nullptr, inherited.has_value(), flags, nullptr, nullptr,
                      &startup.StartupInfo, &info)) {
    return {false, GetLastError(), false};
  }
  inherited.reset();
  DWORD exit_code = 0;
  const bool ended = WaitForProcess(info, should_stop, &exit_code);
  return {true, 0, !ended, exit_code};
}

bool WaitForProcess(PROCESS_INFORMATION& info, const std::function<bool()>& should_stop, DWORD* exit_code) {
  UniqueKernelHandle process(info.hProcess);
  UniqueKernelHandle thread(info.hThread);
  info.hProcess = nullptr;
  info.hThread = nullptr;

  WaitForInputIdle(process.get(), INFINITE);
  thread.reset();

  // Sleep until the process ends or a message arrives, rather than polling: the
  // window stays as responsive and the lister keeps the processor to itself.
  HANDLE handles[] = {process.get()};
  const auto ended = [&] {
    if (exit_code != nullptr && !GetExitCodeProcess(process.get(), exit_code)) *exit_code = STILL_ACTIVE;
    return true;
  };
  for (;;) {
    if (should_stop && should_stop()) {
      TerminateProcess(process.get(), 1);
      WaitForSingleObject(process.get(), INFINITE);
      return false;
    }
    if (QuitRequested()) {
      WaitForSingleObject(process.get(), INFINITE);
      return ended();
    }
    // MWMO_INPUTAVAILABLE also wakes for messages that were already queued.
    const DWORD woken =
        MsgWaitForMultipleObjectsEx(1, handles, INFINITE, QS_ALLINPUT, MWMO_INPUTAVAILABLE);
    if (woken == WAIT_OBJECT_0) return ended();
    if (woken != WAIT_OBJECT_0 + 1) {
      // The wait itself failed: the program's end is not known.
      if (exit_code != nullptr) *exit_code = STILL_ACTIVE;
      return true;
    }
    PumpPendingMessages();
  }
}

}  // namespace quarvel::win
