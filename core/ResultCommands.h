// What the result commands decide on text alone: the path of an entry, the
// requests they hand to the shell, and the rescan's counting rules.
#pragma once

#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <string_view>

#include "core/ShellRequest.h"

namespace quarvel {

// The path of a List1 entry. Where the entry ends in the lister's size column,
// everything before it: a name may hold blanks where a volume keeps no 8.3
// names. Otherwise the text before the first blank.
std::string EntryPath(std::string_view entry);

// "Go to Directory": explore the folder part of the entry as it stands (short
// names stay short). Splits with the shared path splitter.
ShellRequest GoToDirectoryRequest(const std::string& list2_text);

// "Open Windows Find": the search window on the folder of the entry's long
// form, with its file name as parameters. Splits with the shared splitter.
struct FindCommand {
  std::string clipboard_text;  // the file-name part
  ShellRequest request;
};
FindCommand OpenFindCommand(const std::string& long_form);

// The log's "open" of log.txt in the current folder.
ShellRequest OpenLogRequest(const std::string& current_folder);

// Where the entry a rescan looked for stands in List1 when the rescan ends: at
// `index`, where it stood when the rescan began, while that item still reads
// `entry`, else the first of the `count` items that does; nothing when none
// does or no entry was chosen (`index` below 0). The selection may have moved
// while the walk let the window answer: it never decides what is removed.
std::optional<int> RescannedEntryAt(int index, std::string_view entry, int count,
                                    const std::function<std::string(int)>& item_at);

// The rescan's counters are 16-bit and its total is shown as a 32-bit signed
// number; going past either throws std::overflow_error.
void AddToCounter(std::int16_t& counter, int amount);
std::int32_t TotalForDisplay(std::uint64_t total);

}  // namespace quarvel
