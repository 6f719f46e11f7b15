// Lists one folder, or a folder tree depth-first, as listing lines: each folder's
// heading, then its matching files and subfolders; subfolders follow in the
// order the sources gave them. Links are listed but never entered. A folder
// that could not be opened or read to its end gets a line that says so under
// its heading, so it never passes for an empty one.
//
// The walk reads folders on the thread that calls Run and hands them, a batch
// at a time, to a thread of its own that writes their lines: a volume lists
// millions of files, and the two halves then take a core each.
//
// Up to three views read each folder: the volume's own MFT, the NT directory
// query and the folder's own index on the volume, when they can be had. The
// listing holds what the MFT or the query returned (the index only checks
// them); the views file beside it says, per file, its attributes and which
// views returned it.
#pragma once

#include <array>
#include <cstdint>
#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "core/ListingViews.h"
#include "lister/Folder.h"
#include "lister/Handoff.h"
#include "lister/ListingOutput.h"
#include "lister/VisitedFolders.h"

namespace quarvel::lister {

struct WalkTotals {
  std::uint64_t files = 0;
  std::uint64_t folders = 0;
  std::uint64_t bytes = 0;
};

// A source and what it is, for the views file.
struct View {
  FolderSource* source = nullptr;
  ViewId id = ViewId::kQuery;

  ViewId Id() const { return id; }
};

inline constexpr std::size_t kWalkViews = kViewTable.size();

// An entry as one or more views returned it, with each view's id of it.
struct MergedEntry {
  DirectoryEntry entry;
  std::array<bool, kWalkViews> in_view{};
  std::array<std::uint64_t, kWalkViews> ids{};
};

class DirectoryWalk {
 public:
  // `views[0]` is the view the listing follows; the others, where they have a
  // source, the ones it is checked against. `facts`, when given, receives the
  // views file's records.
  DirectoryWalk(std::array<View, kWalkViews> views, ListingOutput& output, ListingOutput* facts, std::wstring filter,
                bool recurse);
  ~DirectoryWalk();

  // `heading` is the folder's full path as the listing shows it (ANSI, ending in
  // "\"); `path` is how to open it.
  void Run(const std::string& heading, const std::wstring& path);
  const WalkTotals& Totals() const { return totals_; }

 private:
  using Folders = std::array<std::unique_ptr<Folder>, kWalkViews>;
  // A folder's subfolders, their names in two buffers rather than two heap
  // strings each: a volume has hundreds of thousands of folders. A list is
  // used again, folder after folder, at its depth of the walk.
  struct Subfolder {
    std::uint32_t name_at = 0, name_size = 0;    // in `names`: to open it
    std::uint32_t shown_at = 0, shown_size = 0;  // in `shown`: as the heading shows it
    std::array<bool, kWalkViews> in_view{};
    std::array<std::uint64_t, kWalkViews> ids{};  // each view's id of it, which it may open it by
  };
  struct Subfolders {
    std::vector<Subfolder> items;
    std::wstring names;
    std::string shown;

    void Clear() {
      items.clear();
      names.clear();
      shown.clear();
    }
    std::wstring_view Name(const Subfolder& sub) const { return std::wstring_view(names).substr(sub.name_at, sub.name_size); }
    std::string_view Shown(const Subfolder& sub) const { return std::string_view(shown).substr(sub.shown_at, sub.shown_size); }
  };
  // Where a folder's lines go: under its heading, or, below a folder whose name
  // the ANSI code page cannot spell (so no heading can name it), under the last
  // heading with the rest of the path in front of each line.
  struct Place {
    std::string heading;
    std::string prefix;
    std::wstring true_path;  // "\\?\" form, ending in "\": how the second look opens it again
  };
  // The reading side: folders read depth-first, handed on in batches.
  void Walk(const std::string& heading, const std::wstring& path);
  // A folder as the reading side hands it to the writing side.
  struct ListedFolder;
  struct Batch;
  struct WriteScratch;
  // The next folder of the batch being filled, for the reading side to fill.
  ListedFolder& NextToList(const Place& place);
  // Hands the batch on once it is full enough; all of it with `all`.
  void HandOn(bool all);
  // Reads and merges the folder, for the writing side to list; its subfolders
  // to enter go into `subfolders`.
  void ReadFolder(Folders& folders, const Place& place, std::array<std::optional<std::uint32_t>, kWalkViews> unread,
                  Subfolders& subfolders);
  void ReportUnread(const Place& place, std::uint32_t status);
  // The writing side: the batches' lines, in the order the folders were read.
  void WriteBatches();
  void WriteFolder(const ListedFolder& folder, WriteScratch& s);
  void WriteFolderRecord(const ListedFolder& folder, WriteScratch& s);
  // False for a folder already listed: a loop that shows no link attribute (a
  // bind mount, say) is still walked only once.
  bool FirstVisit(const Folders& folders);
  // Whether view `view` only checks the others (it lists nothing of its own).
  bool IsChecking(std::size_t view) const;
  void CheckWhereViewsDisagree(Folders& folders, const Place& place, std::vector<MergedEntry>& merged);
  // Whether a view that lists files returned the entry.
  bool ListedByAView(const std::array<bool, kWalkViews>& in_view) const;
  Views ViewsOf(const std::array<bool, kWalkViews>& in_view) const;

  std::array<View, kWalkViews> views_;
  ListingOutput& output_;
  ListingOutput* facts_;
  std::wstring filter_;
  bool recurse_;
  WalkTotals totals_;
  // The folders listed so far, by the view that opened them and their identity.
  VisitedFolders visited_;
  struct Scratch;
  std::unique_ptr<Scratch> scratch_;
  std::unique_ptr<Handoff<Batch>> handoff_;
  Batch* filling_ = nullptr;
};

}  // namespace quarvel::lister
