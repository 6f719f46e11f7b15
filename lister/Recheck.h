// The lister's second look (/CHECK): each file it is asked about found again by
// its identity on the volume and by its long name in its folder, the folder
// opened by its real path (see core/Recheck.h). The requests come from a file,
// or ("-") from standard input while the comparison still writes them.
#pragma once

#include <windows.h>

#include <array>
#include <cstdint>
#include <optional>
#include <string>

#include "core/LineSplitter.h"
#include "lister/DirectoryWalk.h"
#include "platform/UniqueHandle.h"

namespace quarvel::lister {

// The lines of a file or a pipe, as they arrive.
class InputLines {
 public:
  // "-" is standard input; a file that cannot be opened gives no lines.
  explicit InputLines(const std::string& source);
  InputLines(const InputLines&) = delete;
  InputLines& operator=(const InputLines&) = delete;

  // The next line, valid until the next call; nothing at the end.
  const std::string* Next() { return lines_.Next(); }

 private:
  win::UniqueFileHandle file_;
  HANDLE input_ = nullptr;
  PulledLines lines_;
};

class RawNtfsSource;

// What the volume's change journal recorded since the scan began, asked of
// each file the volume view listed.
class JournalView {
 public:
  virtual ~JournalView() = default;
  // When the journal last recorded a change to MFT reference `reference` that
  // can alter how a view lists it (FILETIME); nothing when it recorded none.
  virtual std::optional<std::uint64_t> ChangedAt(std::uint64_t reference) = 0;
};

// Answers `first` and every further line of `lines`, one answer per request,
// to `output`. `raw` is the volume view, when the volume can be read raw; each
// folder is read once through the directory query; `journal`, when the volume
// has one, says which files changed since the scan began; `listed_after` is
// when the listing began (a FILETIME; 0: not known): a file found by its id
// but made since is another file under a reused id.
void Recheck(const RawNtfsSource* raw, FolderSource* query, JournalView* journal, std::uint64_t listed_after,
             const std::string& first, InputLines& lines, ListingOutput& output);

}  // namespace quarvel::lister
