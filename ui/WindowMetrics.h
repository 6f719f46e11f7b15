// The screen's DPI and the system's message font, which every window of the
// program sizes itself by and writes with.
#pragma once

#include <windows.h>

#include "ui/GdiOwners.h"

namespace quarvel::ui {

int ScreenDpi();
// A font like the one message boxes use; bold when asked.
UniqueFont MessageFont(bool bold = false);
// `pixels` at 96 DPI, scaled to `dpi`.
inline int Scaled(int pixels, int dpi) { return MulDiv(pixels, dpi, 96); }

}  // namespace quarvel::ui
