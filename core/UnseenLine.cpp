#include "core/UnseenLine.h"

#include <charconv>

#include "core/DeviceName.h"
#include "core/ListingFormat.h"
#include "core/Text.h"

namespace quarvel {
namespace {

constexpr std::string_view kNotAnsiMark = "NOT-ANSI:";

}  // namespace

UnseenFacts FactsFromLine(std::string_view folder, std::string_view line,
                          const std::function<std::size_t(std::string_view)>& utf16_length,
                          std::size_t longest_searchable) {
  UnseenFacts facts;
  const std::string_view trimmed = TrimBlanks(line);
  const auto column_name = NameBeforeSizeColumn(trimmed);
  const std::string_view name = column_name ? *column_name : trimmed.substr(0, trimmed.find(' '));
  facts.path.assign(folder);
  facts.path.append(name);
  if (column_name) {
    std::uint64_t size = 0;
    const std::string_view digits = TrimLeadingBlanks(trimmed.substr(column_name->size()));
    if (std::from_chars(digits.data(), digits.data() + digits.size(), size).ec == std::errc()) facts.size = size;
  }
  const auto separator = name.find_last_of('\\');
  const std::string_view leaf = separator == std::string_view::npos ? name : name.substr(separator + 1);
  if (leaf.starts_with(kUnreadFolderMark)) {
    facts.unread_folder_note = true;
    // "FOLDER-NOT-READ:0x" and the status in hex; anything else is no status.
    const std::string_view rest = leaf.substr(kUnreadFolderMark.size());
    std::uint32_t status = 0;
    if (rest.size() > 2 && rest.starts_with("0x") &&
        std::from_chars(rest.data() + 2, rest.data() + rest.size(), status, 16).ec == std::errc()) {
      facts.unread_status = status;
    }
  }
  facts.device_name = MayNameDevice(leaf);
  facts.too_long = utf16_length(facts.path) > longest_searchable;
  facts.not_spelled = name.find(kNotAnsiMark) != std::string_view::npos;
  return facts;
}

}  // namespace quarvel
