#include "core/ListingReader.h"

#include "core/ListingFormat.h"
#include "core/Text.h"

namespace quarvel {
namespace {

constexpr std::size_t kShortestSearchedCandidate = 4;
// The lister writes one size summary after its count; a hostile listing with
// endless summaries must not grow the label's text without bound.
constexpr std::size_t kMostSummaryLines = 16;

}  // namespace

ListingReader::ListingReader(IsFolder is_folder, IsSeen is_seen, std::size_t longest_searchable_path,
                             PathLength path_length)
    : is_folder_(std::move(is_folder)),
      is_seen_(std::move(is_seen)),
      longest_searchable_path_(longest_searchable_path),
      path_length_(std::move(path_length)) {}

ListingLineResult ListingReader::ReadLine(std::string_view line) {
  ListingLineResult result;
  if (Contains(line, kSubfolderMark)) {
    result.kind = ListingLineKind::kSubfolder;
  } else if (Contains(line, kCountSummaryMark)) {
    result.kind = ListingLineKind::kCountSummary;
    size_summary_.assign(TrimLeadingBlanks(line));
    summary_lines_ = 1;
    result.size_summary_changed = true;
  } else if (Contains(line, kSizeSummaryMark)) {
    result.kind = ListingLineKind::kSizeSummary;
    if (++summary_lines_ <= kMostSummaryLines) {
      size_summary_ += "\r\n";
      size_summary_.append(TrimLeadingBlanks(line));
      result.size_summary_changed = true;
    }
  } else if (is_folder_(question_.assign(TrimBlanks(line)))) {
    result.kind = ListingLineKind::kFolderHeading;
    listing_folder_.assign(line);
    result.list2_item = listing_folder_;
  } else {
    result.kind = ListingLineKind::kFile;
    SearchName(line, result);
  }
  return result;
}

// The candidates are ever shorter prefixes of the trimmed line, the first cut to
// the line's length less two; one of three characters or fewer ends the search
// in List1. A candidate is put to the search only where a name can end: where its
// trailing-trimmed text is the whole trimmed line or is followed by a blank in
// it. Without that, a visible ABCD would hide a hidden ABCDEFGH.DLL. Where the
// line ends in the lister's size column, the name is all before it: a shorter
// name ending at a blank inside it (a visible "Program" beside a hidden
// "Program Files.dll") is no candidate. A candidate that trims to the text
// searched last is not searched again.
void ListingReader::SearchName(std::string_view line, ListingLineResult& result) {
  const std::size_t n = line.size();
  if (n < 2) return;
  const std::string_view trimmed = TrimBlanks(line);
  const std::string_view entry = TrimLeadingBlanks(line);
  const auto column_name = NameBeforeSizeColumn(trimmed);
  const std::size_t only_name_length = column_name ? column_name->size() : std::string_view::npos;
  result.size_column = column_name.has_value();

  std::size_t last_searched_length = std::string_view::npos;
  std::size_t blank_run_start = std::string_view::npos;  // cached while k stays in a blank run
  for (std::size_t k = n - 2;; --k) {
    const std::size_t candidate_length = std::min(k, trimmed.size());
    if (candidate_length < kShortestSearchedCandidate) {
      result.list1_item = listing_folder_ + std::string(entry);
      return;
    }
    // Length of the candidate without its trailing blanks.
    std::size_t name_length = candidate_length;
    if (trimmed[candidate_length - 1] == ' ') {
      if (blank_run_start == std::string_view::npos || blank_run_start > candidate_length) {
        blank_run_start = TrimTrailingBlanks(trimmed.substr(0, candidate_length)).size();
      }
      name_length = blank_run_start;
    }
    const bool name_can_end_here = only_name_length != std::string_view::npos
                                       ? name_length == only_name_length
                                       : name_length == trimmed.size() || trimmed[name_length] == ' ';
    if (name_can_end_here && name_length != last_searched_length) {
      last_searched_length = name_length;
      const std::string& path = question_.assign(listing_folder_).append(trimmed.substr(0, name_length));
      if (path_length_(path) <= longest_searchable_path_) {
        result.name_searched = true;
        if (is_seen_(path)) {
          result.list2_item = path;
          return;
        }
      }
    }
    if (k == 0) break;  // unreachable: k < 4 ends the search above
  }
}

ListingComparison CompareListingLines(const std::vector<std::string>& lines,
                                      const ListingReader::IsFolder& is_folder,
                                      const ListingReader::IsSeen& is_seen) {
  ListingReader reader(is_folder, is_seen);
  ListingComparison comparison;
  for (const auto& line : lines) {
    const auto result = reader.ReadLine(line);
    if (result.list1_item) comparison.list1.push_back(*result.list1_item);
    if (result.list2_item) comparison.list2.push_back(*result.list2_item);
  }
  comparison.size_summary = reader.SizeSummary();
  return comparison;
}

}  // namespace quarvel
