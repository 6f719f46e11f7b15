// Reads the lister's listing one line at a time and decides where each entry
// goes: List1 (the ordinary search does not see it) or List2 (folder headings and
// files the ordinary search sees). The platform is reached only through the two
// questions it is constructed with, so the same reader serves the window and the
// tests.
#pragma once

#include <cstddef>
#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace quarvel {

enum class ListingLineKind { kSubfolder, kCountSummary, kSizeSummary, kFolderHeading, kFile };

struct ListingLineResult {
  ListingLineKind kind = ListingLineKind::kFile;
  std::optional<std::string> list1_item;
  std::optional<std::string> list2_item;
  bool size_summary_changed = false;
  bool name_searched = false;  // the line was put to the ordinary search at least once
  bool size_column = false;    // a file line that ends in the lister's size column
};

class ListingReader {
 public:
  // Does this text (a line without its outer blanks) name an existing folder?
  using IsFolder = std::function<bool(const std::string&)>;
  // Does the ordinary search (no hidden, system or folder entries) see this path?
  using IsSeen = std::function<bool(const std::string&)>;

  // The length of a path as the "A" functions count it (UTF-16 units, which a
  // double-byte code page spells in more bytes).
  using PathLength = std::function<std::size_t(std::string_view)>;

  // Paths longer than `longest_searchable_path` are never put to `is_seen`: the
  // ordinary search cannot name them, so they count as unseen.
  ListingReader(IsFolder is_folder, IsSeen is_seen,
                std::size_t longest_searchable_path = std::string::npos,
                PathLength path_length = [](std::string_view path) { return path.size(); });

  ListingLineResult ReadLine(std::string_view line);

  // The last folder heading, exactly as read.
  const std::string& ListingFolder() const { return listing_folder_; }
  // The last count summary and the size summaries after it (at most 15),
  // left-trimmed, joined by CR LF.
  const std::string& SizeSummary() const { return size_summary_; }

 private:
  void SearchName(std::string_view line, ListingLineResult& result);

  IsFolder is_folder_;
  IsSeen is_seen_;
  std::size_t longest_searchable_path_;
  PathLength path_length_;
  std::string listing_folder_;
  std::string size_summary_;
  std::size_t summary_lines_ = 1;
  std::string question_;  // the text asked about, kept between lines: asking allocates nothing
};

struct ListingComparison {
  std::vector<std::string> list1;
  std::vector<std::string> list2;
  std::string size_summary;
};

// Reads a whole listing at once.
ListingComparison CompareListingLines(const std::vector<std::string>& lines,
                                      const ListingReader::IsFolder& is_folder,
                                      const ListingReader::IsSeen& is_seen);

}  // namespace quarvel
