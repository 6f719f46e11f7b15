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

// The repair's backups and its backup folder.
inline constexpr const char* kRegistryExportFile = "\\windows.reg";
inline constexpr const char* kHiveFile = "\\Windows.hiv";
// Step 1 tests for an older hive under this spelling: the same file.
inline constexpr const char* kHiveFileAsTested = "\\windows.hiv";
inline constexpr const char* kBackupFolder = "\\cws";

// A work file's name without its backslash, as a tool started in the current
// folder is given it.
constexpr const char* BareName(const char* work_file) { return work_file + 1; }

}  // namespace quarvel
