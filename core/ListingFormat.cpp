#include "core/ListingFormat.h"

namespace quarvel {
namespace {

constexpr std::size_t kNameColumn = 14;

void AppendPaddedName(std::string& out, std::string_view name) {
  out.append(name);
  out.append(name.size() + 2 > kNameColumn ? 2 : kNameColumn - name.size(), ' ');
}

}  // namespace

std::string FolderHeadingLine(std::string_view folder) {
  std::string line;
  AssignFolderHeadingLine(line, folder);
  return line;
}

void AssignFolderHeadingLine(std::string& out, std::string_view folder) {
  out.assign(folder);
  if (out.empty() || out.back() != '\\') out += '\\';
}

void AppendFileLine(std::string& out, std::string_view name, std::uint64_t size) {
  AppendPaddedName(out, name);
  char digits[20];
  std::size_t count = 0;
  do {
    digits[count++] = static_cast<char>('0' + size % 10);
    size /= 10;
  } while (size != 0);
  while (count > 0) out += digits[--count];
}

std::string FileLine(std::string_view name, std::uint64_t size) {
  std::string line;
  AppendFileLine(line, name, size);
  return line;
}

void AppendSubfolderLine(std::string& out, std::string_view name) {
  AppendPaddedName(out, name);
  out.append(kSubfolderMark);
}

std::string SubfolderLine(std::string_view name) {
  std::string line;
  AppendSubfolderLine(line, name);
  return line;
}

std::string UnreadFolderName(std::uint32_t status) {
  static constexpr char kDigits[] = "0123456789ABCDEF";
  std::string name(kUnreadFolderMark);
  name += "0x";
  for (int shift = 28; shift >= 0; shift -= 4) name += kDigits[(status >> shift) & 0xF];
  return name;
}

std::string CountSummaryLine(std::uint64_t files, std::uint64_t folders) {
  return "     " + std::to_string(files) + " file(s) " + std::string(kCountSummaryMark) + " " +
         std::to_string(folders) + " folder(s) listed";
}

std::optional<std::string_view> NameBeforeSizeColumn(std::string_view line) {
  const auto digits = line.find_last_not_of("0123456789");
  if (digits == std::string_view::npos || digits + 1 == line.size()) return std::nullopt;
  const auto name_end = line.find_last_not_of(' ', digits);
  if (name_end == std::string_view::npos || digits - name_end < 2) return std::nullopt;
  return line.substr(0, name_end + 1);
}

std::string SizeSummaryLine(std::uint64_t total_bytes) {
  return "     " + std::string(kSizeSummaryMark) + " " + std::to_string(total_bytes) + " bytes";
}

}  // namespace quarvel
