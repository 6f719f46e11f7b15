// The lines the lister writes. The reader tells them apart by the texts "<Dir>",
// "found:" and "Total of file sizes:", none of which a file name can hold, and
// takes any line that names an existing folder as a folder heading.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace quarvel {

inline constexpr std::string_view kSubfolderMark = "<Dir>";
inline constexpr std::string_view kCountSummaryMark = "found:";
inline constexpr std::string_view kSizeSummaryMark = "Total of file sizes:";

// A folder's full path, ending in "\".
std::string FolderHeadingLine(std::string_view folder);
// The same line in `out`, replacing what it held (its buffer kept).
void AssignFolderHeadingLine(std::string& out, std::string_view folder);
// The name, at least two blanks, then the size: the name search needs the blanks
// to tell where the name ends.
std::string FileLine(std::string_view name, std::uint64_t size);
// The same line appended to `out` (no string of its own: the lister writes millions).
void AppendFileLine(std::string& out, std::string_view name, std::uint64_t size);
std::string SubfolderLine(std::string_view name);
void AppendSubfolderLine(std::string& out, std::string_view name);
// The name the lister gives, in a file line of its own, to a folder it could
// not open or read to its end, with the status it got. The colon keeps the
// ordinary search from ever matching it, so the folder is reported as not
// seen, never as an empty one.
inline constexpr std::string_view kUnreadFolderMark = "FOLDER-NOT-READ:";
std::string UnreadFolderName(std::uint32_t status);
std::string CountSummaryLine(std::uint64_t files, std::uint64_t folders);
std::string SizeSummaryLine(std::uint64_t total_bytes);

// Where a line ends in the size column the lister writes after a file's name
// (two or more blanks, then digits), the text before that column: the name,
// blanks inside it included. Nothing for any other line.
std::optional<std::string_view> NameBeforeSizeColumn(std::string_view line);

}  // namespace quarvel
