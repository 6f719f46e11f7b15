// The names of the files the program works with, all in the process's current
// folder; each begins with the backslash that joins it to that folder.
#pragma once

namespace quarvel {

inline constexpr const char* kListerFile = "\\locate.com";
inline constexpr const char* kListingFile = "\\dll.txt";
// The compare tests for and deletes the listing under this spelling; Windows
// compares file names without regard to case, so both spellings name one file.
inline constexpr const char* kListingFileAsCompared = "\\DLL.txt";
inline constexpr const char* kLogFile = "\\log.txt";
// What the lister knows of each entry beyond its line (ViewsFileFor(kListingFile)).
inline constexpr const char* kViewsFile = "\\dll-views.txt";
// The lister's answers to the comparison's second look.
inline constexpr const char* kRecheckAnswerFile = "\\rechecked.txt";

// The repair's backups and its backup folder; the "32" pair backs up the key
// that 32-bit programs read (WOW6432Node) when the repair takes that one too.
inline constexpr const char* kRegistryExportFile = "\\windows.reg";
inline constexpr const char* kHiveFile = "\\Windows.hiv";
inline constexpr const char* kRegistryExportFile32 = "\\windows32.reg";
inline constexpr const char* kHiveFile32 = "\\Windows32.hiv";
inline constexpr const char* kBackupFolder = "\\cws";

// A work file's name without its backslash, as a tool started in the current
// folder is given it.
constexpr const char* BareName(const char* work_file) { return work_file + 1; }

}  // namespace quarvel
