// Whether the current folder can hold the program's work files: a folder whose
// name the ANSI code page cannot spell, or one the account cannot write to (a
// CD, a protected or read-only place), would make every work file fail.
#pragma once

#include <windows.h>

#include <optional>
#include <string>

namespace quarvel::win {

// The current folder as the system keeps it.
std::wstring CurrentFolderWide();

// True when the current folder's name spells exactly in the ANSI code page, in
// which every work file's path is handed to the "A" functions.
bool CurrentFolderSpelled();

// The error that creating a file in `folder` meets; nothing when a file can be
// made there (the trial file is gone again at once).
std::optional<DWORD> WriteErrorIn(const std::string& folder);

}  // namespace quarvel::win
