// Builds the command line that starts the lister over the scan settings.
#pragma once

#include <optional>
#include <string>
#include <string_view>

#include "core/ChangeJournal.h"
#include "core/PlatformId.h"

namespace quarvel {


// The path box's text with a backslash appended unless it already ends in one
// (an empty box gives "\").
std::string ScanFolderFrom(std::string_view path_box_text);

// " /NR " (this folder only) when the check box is unchecked (0), else empty.
std::string ListerOptionText(int include_subdirectories_value);

struct ListerLaunch {
  long platform_id = 0;
  std::string current_folder;        // GetCurDir
  std::string short_current_folder;  // GetShortName(current folder), 9x family only
  std::string windows_folder;        // GetWinDir, 9x family only
  std::string path_box_text;
  std::string filter_text;
  int include_subdirectories_value = 0;
};

// Why the folder box or the filter cannot go on the lister's command line, as
// the message that says so; nothing when both can. A quotation mark would end
// the quoted pattern early and hand the rest to the lister as further
// arguments (another folder, another output file), and no Windows name holds one.
std::optional<std::string> ListerInputRefusal(std::string_view path_box_text, std::string_view filter_text);

// The command line for the NT family (the lister itself, which redirects its own
// output) or for the 9x family (through command.com); nothing for any other
// platform. On NT the lister's path is quoted when the current folder holds a
// blank, so that CreateProcessA cannot take a shorter prefix for the program.
std::optional<std::string> BuildListerCommandLine(const ListerLaunch& launch);

// What the lister makes of the text after its own program name.
struct ListerArguments {
  std::string pattern;      // folder and filter, e.g. C:\WINDOWS\*.dll; with /CHECK the file of paths
  bool recurse = true;      // false with /NR
  bool check = false;       // /CHECK: says which of the paths in a file its views still show
  std::string output_file;  // from ">file"; empty means standard output
  // /USN:<journal id>:<next usn>: with /CHECK, the change journal read from
  // where it stood when the listing began
  std::optional<JournalMark> journal_mark;
  // /SINCE:<FILETIME in hex>: with /CHECK, when the listing began
  std::optional<std::uint64_t> listed_after;
};

// Reads the lister's arguments. Quotes are taken literally (no backslash
// escapes), so a pattern such as "C:\" keeps its closing backslash; a closing
// quote may be followed directly by ">file".
ListerArguments ParseListerArguments(std::string_view arguments);

// The text of a full command line after its first token (the program).
std::string_view SkipProgramToken(std::string_view command_line);

}  // namespace quarvel

namespace quarvel {

struct ListerPattern {
  std::string folder;  // up to and including the last separator; "." when none
  std::string filter;  // "*" when the pattern names no filter
};

// Splits the lister's pattern into the folder to list and the filter.
ListerPattern SplitListerPattern(std::string_view pattern);

}  // namespace quarvel
