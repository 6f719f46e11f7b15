// The console companion's command line, in the usual Windows form:
//
//   quarvel-scan FOLDER [/FILTER pattern] [/S] [/ALL] [/JSON file] [/CSV file] [/PROGRESS]
//   quarvel-scan /REGISTRY [/ALL] [/JSON file]
//   quarvel-scan /?
//   quarvel-scan /VERSION
//
// Text is UTF-8 here: the program takes its command line as UTF-16 and
// converts it whole, so a name outside the ANSI code page arrives intact.
#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace quarvel {

struct ScanRequest {
  std::string folder;     // empty with /REGISTRY
  bool registry = false;  // the autostart keys' hive files against the registry API, not a folder
  std::string filter = "*.*";
  bool subfolders = false;
  bool all = false;       // every unseen file counts for the exit code, not only signs of a hider
  bool progress = false;  // progress on standard error even when it is redirected
  std::string json_file;  // empty: standard output
  std::string csv_file;   // empty: no CSV
};

struct ScanCommand {
  bool help = false;
  bool version = false;
  std::optional<ScanRequest> request;
  std::string error;  // why the arguments were refused; empty when they were not
};

// The arguments after the program's name in a whole command line. A quote
// opens or closes a quoted part and is never part of an argument: no path or
// pattern can hold one, so a backslash before a quote is an ordinary
// backslash ("D:\" /S is D:\ and /S, where the C runtime's rule makes it
// D:" /S). Blanks and tabs separate arguments outside quotes; "" is an empty
// argument.
std::vector<std::string> ScanArguments(std::string_view command_line);

// Reads the arguments after the program's name.
ScanCommand ParseScanCommandLine(const std::vector<std::string>& arguments);

// The text "/?" shows.
std::string ScanHelpText();

// The exit codes: 0 nothing that points at a hider (or, with /ALL, nothing
// unseen: no difference, with /REGISTRY), 1 something that does, 2 an error.
inline constexpr int kScanExitClean = 0;
inline constexpr int kScanExitFound = 1;
inline constexpr int kScanExitError = 2;
int ScanExitCode(std::size_t unseen, std::size_t pointing_at_hider, bool all);

}  // namespace quarvel
