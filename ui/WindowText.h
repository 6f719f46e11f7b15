// Text of windows and list boxes through the ANSI functions, in one place.
#pragma once

#include <windows.h>

#include <string>

namespace quarvel::ui {

std::string GetText(HWND window);
void SetText(HWND window, const std::string& text);
// Sets the text and repaints at once, for a status shown while the thread is busy.
void SetTextNow(HWND window, const std::string& text);
void RepaintNow(HWND window);

int ListCount(HWND list);
std::string ListItem(HWND list, int index);
// The selected item's text, "" when none is selected.
std::string ListCurrentText(HWND list);

}  // namespace quarvel::ui
