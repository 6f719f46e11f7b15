// Lets the window's pending messages run while long work goes on, on the one
// user-interface thread, and handles each message as the main loop does.
#pragma once

#include <windows.h>

namespace quarvel::win {

// The window whose keyboard navigation (Tab, Enter, the arrows) every pump of
// this thread keeps, through IsDialogMessage; nullptr for none. The main window
// names itself here once it exists and lets go when it is destroyed.
void SetDialogWindow(HWND window);

// One message as the main loop and the nested pumps both handle it.
void HandleQueuedMessage(MSG& msg);

// Dispatches every message waiting in this thread's queue. A WM_QUIT taken here is
// remembered rather than lost: from then on QuitRequested() is true and the pump
// does nothing, so the work in progress can wind down and the main loop can end.
void PumpPendingMessages();

bool QuitRequested();
int QuitExitCode();

}  // namespace quarvel::win
