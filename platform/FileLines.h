// The lines of a file one at a time, read in blocks as they are asked for and
// cut as LineSplitter cuts them. A file that cannot be opened has no lines.
#pragma once

#include <cstddef>
#include <fstream>
#include <string>

#include "core/LineSplitter.h"

namespace quarvel::win {

class FileLines {
 public:
  explicit FileLines(const std::string& path, std::size_t longest_line = LineSplitter::kDefaultMaxLine);
  FileLines(const FileLines&) = delete;
  FileLines& operator=(const FileLines&) = delete;

  // The next line, valid until the next call; nothing at the end.
  const std::string* Next() { return lines_.Next(); }

 private:
  std::ifstream file_;
  PulledLines lines_;
};

}  // namespace quarvel::win
