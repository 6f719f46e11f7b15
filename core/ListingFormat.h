// The lines the lister writes. The reader tells them apart by the texts "<Dir>",
// "found:" and "Total of file sizes:", none of which a file name can hold, and
// takes any line that names an existing folder as a folder heading.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

namespace quarvel {

inline constexpr std::string_view kSubfolderMark = "<Dir>";
inline constexpr std::string_view kCountSummaryMark = "found:";
inline constexpr std::string_view kSizeSummaryMark = "Total of file sizes:";

// A folder's full path, ending in "\".
std::string FolderHeadingLine(std::string_view folder);
// The name, at least two blanks, then the size: the name search needs the blanks
// to tell where the name ends.
std::string FileLine(std::string_view name, std::uint64_t size);
std::string SubfolderLine(std::string_view name);
std::string CountSummaryLine(std::uint64_t files, std::uint64_t folders);
std::string SizeSummaryLine(std::uint64_t total_bytes);

}  // namespace quarvel
