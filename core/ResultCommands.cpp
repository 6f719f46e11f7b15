#include "core/ResultCommands.h"

#include <limits>
#include <stdexcept>

#include "core/ListingFormat.h"
#include "core/ParsePath.h"
#include "core/WorkFiles.h"

namespace quarvel {

std::string EntryPath(std::string_view entry) {
  if (const auto name = NameBeforeSizeColumn(entry); name && !name->empty() && name->front() != ' ') {
    return std::string(*name);
  }
  return std::string(entry.substr(0, entry.find(' ')));
}

ShellRequest GoToDirectoryRequest(const std::string& list2_text) {
  SetFullPath(list2_text);
  return ShellRequest{"explore", GetFolderPart(), std::nullopt, GetFolderPart(), 1};
}

FindCommand OpenFindCommand(const std::string& long_form) {
  SetFullPath(long_form);
  return FindCommand{GetFileNamePart(), ShellRequest{"Find", GetFolderPart(), GetFileNamePart(), GetFolderPart(), 1}};
}

ShellRequest OpenLogRequest(const std::string& current_folder) {
  return ShellRequest{"open", current_folder + kLogFile, std::nullopt, current_folder, 1};
}

std::optional<int> RescannedEntryAt(int index, std::string_view entry, int count,
                                    const std::function<std::string(int)>& item_at) {
  if (index < 0) return std::nullopt;
  if (index < count && item_at(index) == entry) return index;
  for (int i = 0; i < count; ++i) {
    if (item_at(i) == entry) return i;
  }
  return std::nullopt;
}

void AddToCounter(std::int16_t& counter, int amount) {
  const int sum = counter + amount;
  if (sum > std::numeric_limits<std::int16_t>::max() || sum < std::numeric_limits<std::int16_t>::min()) {
    throw std::overflow_error("Overflow");
  }
  counter = static_cast<std::int16_t>(sum);
}

std::int32_t TotalForDisplay(std::uint64_t total) {
  if (total > static_cast<std::uint64_t>(std::numeric_limits<std::int32_t>::max())) {
    throw std::overflow_error("Overflow");
  }
  return static_cast<std::int32_t>(total);
}

}  // namespace quarvel
