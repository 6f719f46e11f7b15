// Lists one folder, or a folder tree depth-first, as listing lines: each folder's
// heading, then its matching files and subfolders; subfolders follow in the
// order the source gave them. Links are listed but never entered. A folder
// that could not be opened or read to its end gets a line that says so under
// its heading, so it never passes for an empty one.
#pragma once

#include <cstdint>
#include <set>
#include <string>

#include "lister/Folder.h"
#include "lister/ListingOutput.h"

namespace quarvel::lister {

struct WalkTotals {
  std::uint64_t files = 0;
  std::uint64_t folders = 0;
  std::uint64_t bytes = 0;
};

class DirectoryWalk {
 public:
  DirectoryWalk(FolderSource& source, ListingOutput& output, std::wstring filter, bool recurse);

  // `heading` is the folder's full path as the listing shows it (ANSI, ending in
  // "\"); `path` is how to open it.
  void Run(const std::string& heading, const std::wstring& path);
  const WalkTotals& Totals() const { return totals_; }

 private:
  struct Subfolder {
    std::wstring name;       // to open it
    std::string shown_name;  // as the heading shows it
  };
  // Where a folder's lines go: under its heading, or, below a folder whose name
  // the ANSI code page cannot spell (so no heading can name it), under the last
  // heading with the rest of the path in front of each line.
  struct Place {
    std::string heading;
    std::string prefix;
  };
  std::vector<Subfolder> ListFolder(Folder& folder, const Place& place);
  void ReportUnread(const Place& place, std::uint32_t status);
  // False for a folder already listed: a loop that shows no link attribute (a
  // bind mount, say) is still walked only once.
  bool FirstVisit(const Folder& folder);

  FolderSource& source_;
  ListingOutput& output_;
  std::wstring filter_;
  bool recurse_;
  WalkTotals totals_;
  std::set<FolderIdentity> visited_;
};

}  // namespace quarvel::lister
