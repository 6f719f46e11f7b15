// Names the Win32 file functions take for devices, not files: a file so named
// can be made (through "\\?\" paths) but the ordinary search cannot reach it.
#pragma once

#include <string_view>

namespace quarvel {

// True when `name` (the last component of a path, ANSI) may name a DOS device:
// CON, PRN, AUX, NUL, COM0-9, LPT0-9 (also with the superscript digits),
// CONIN$, CONOUT$ or CLOCK$, in any case, with or without an extension, with
// trailing dots and blanks. Windows versions differ on some of these forms;
// a caller that routes such names to the real search is right on each.
bool MayNameDevice(std::string_view name);

}  // namespace quarvel
