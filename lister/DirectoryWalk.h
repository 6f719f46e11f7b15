// Lists one folder, or a folder tree depth-first, as listing lines: each folder's
// heading, then its matching files and subfolders; subfolders follow in the
// order the file system gave them. Links are listed but never entered, and a
// folder that cannot be opened is left out.
#pragma once

#include <cstdint>
#include <set>
#include <string>

#include "lister/ListingOutput.h"
#include "lister/NtDirectory.h"

namespace quarvel::lister {

struct WalkTotals {
  std::uint64_t files = 0;
  std::uint64_t folders = 0;
  std::uint64_t bytes = 0;
};

class DirectoryWalk {
 public:
  DirectoryWalk(const NtDirectory& directory, ListingOutput& output, std::wstring filter,
                bool recurse);

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
  std::vector<Subfolder> ListFolder(HANDLE folder, const Place& place);
  // False for a folder already listed: a loop that shows no link attribute (a
  // bind mount, say) is still walked only once.
  bool FirstVisit(HANDLE folder);

  const NtDirectory& directory_;
  ListingOutput& output_;
  std::wstring filter_;
  bool recurse_;
  WalkTotals totals_;
  std::set<FolderIdentity> visited_;
};

}  // namespace quarvel::lister
