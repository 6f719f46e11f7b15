// Plain text on the clipboard.
#pragma once

#include <windows.h>

#include <string>

namespace quarvel::win {

// Empties the clipboard, then puts `text` on it as plain text, in the ANSI and
// the Unicode text formats. Throws when the clipboard stays held by another
// program.
void PutClipboardText(HWND owner, const std::string& text);

}  // namespace quarvel::win
