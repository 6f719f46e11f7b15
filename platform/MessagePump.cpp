#include "platform/MessagePump.h"

#include <windows.h>

namespace quarvel::win {
namespace {

bool quit_requested = false;
int quit_exit_code = 0;

}  // namespace

void PumpPendingMessages() {
  MSG msg;
  while (!quit_requested && PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) {
    if (msg.message == WM_QUIT) {
      quit_requested = true;
      quit_exit_code = static_cast<int>(msg.wParam);
      return;
    }
    TranslateMessage(&msg);
    DispatchMessageA(&msg);
  }
}

bool QuitRequested() { return quit_requested; }
int QuitExitCode() { return quit_exit_code; }

}  // namespace quarvel::win
