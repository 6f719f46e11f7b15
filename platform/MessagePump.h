// Lets the window's pending messages run while long work goes on, on the one
// user-interface thread.
#pragma once

namespace quarvel::win {

// Dispatches every message waiting in this thread's queue. A WM_QUIT taken here is
// remembered rather than lost: from then on QuitRequested() is true and the pump
// does nothing, so the work in progress can wind down and the main loop can end.
void PumpPendingMessages();

bool QuitRequested();
int QuitExitCode();

}  // namespace quarvel::win
