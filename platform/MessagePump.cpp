#include "platform/MessagePump.h"

namespace quarvel::win {
namespace {

// One user-interface thread: its pump state.
HWND dialog_window = nullptr;
bool quit_requested = false;
int quit_exit_code = 0;

}  // namespace

void SetDialogWindow(HWND window) { dialog_window = window; }

void HandleQueuedMessage(MSG& msg) {
  if (dialog_window != nullptr && IsDialogMessageA(dialog_window, &msg)) return;
  TranslateMessage(&msg);
  DispatchMessageA(&msg);
}

void PumpPendingMessages() {
  MSG msg;
  while (!quit_requested && PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) {
    if (msg.message == WM_QUIT) {
      quit_requested = true;
      quit_exit_code = static_cast<int>(msg.wParam);
      return;
    }
    HandleQueuedMessage(msg);
  }
}

bool QuitRequested() { return quit_requested; }
int QuitExitCode() { return quit_exit_code; }

}  // namespace quarvel::win
