#include "core/ListingFormat.h"

namespace quarvel {
namespace {

constexpr std::size_t kNameColumn = 14;

std::string PaddedName(std::string_view name) {
  std::string line(name);
  line.append(name.size() + 2 > kNameColumn ? 2 : kNameColumn - name.size(), ' ');
  return line;
}

}  // namespace

std::string FolderHeadingLine(std::string_view folder) {
  std::string line(folder);
  if (line.empty() || line.back() != '\\') line += '\\';
  return line;
}

std::string FileLine(std::string_view name, std::uint64_t size) {
  return PaddedName(name) + std::to_string(size);
}

std::string SubfolderLine(std::string_view name) {
  return PaddedName(name) + std::string(kSubfolderMark);
}

std::string CountSummaryLine(std::uint64_t files, std::uint64_t folders) {
  return "     " + std::to_string(files) + " file(s) " + std::string(kCountSummaryMark) + " " +
         std::to_string(folders) + " folder(s) listed";
}

std::string SizeSummaryLine(std::uint64_t total_bytes) {
  return "     " + std::string(kSizeSummaryMark) + " " + std::to_string(total_bytes) + " bytes";
}

}  // namespace quarvel
