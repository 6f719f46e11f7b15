// The shell's folder dialog (module modShellFileDisk).
#pragma once

#include <windows.h>

#include <string>

namespace quarvel::win {

// Shows the folder dialog rooted at the desktop, confirming file-system folders
// only. Returns the chosen folder's path as the shell gives it, or `default_path`
// when the dialog is cancelled or the item has no file-system path.
std::string BrowseForFolder(HWND owner, const std::string& title, const std::string& default_path);

}  // namespace quarvel::win
