// The lister's second look (/CHECK): which of the paths it is given its views
// still show, so the comparison never reports a file that merely vanished
// between the listing and the comparison. The paths come from a file, or ("-")
// from standard input while the comparison still writes them.
#pragma once

#include <windows.h>

#include <array>
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

// Answers `first` and every further line of `lines`, one answer per path, to
// `output`. Each folder is read once, through every view there is.
void Recheck(const std::array<View, 2>& views, const std::string& first, InputLines& lines, ListingOutput& output);

}  // namespace quarvel::lister
