// The lines of a file one at a time, read in blocks as they are asked for and
// cut as LineSplitter cuts them. A file that cannot be opened has no lines.
#pragma once

#include <cstddef>
#include <fstream>
#include <string>
#include <vector>

#include "core/LineSplitter.h"

namespace quarvel::win {

class FileLines {
 public:
  explicit FileLines(const std::string& path, std::size_t longest_line = LineSplitter::kDefaultMaxLine);

  // The next line, valid until the next call; nothing at the end.
  const std::string* Next();

 private:
  std::ifstream file_;
  LineSplitter splitter_;
  std::vector<char> block_;
  // The lines of the last block; their storage is reused from block to block.
  std::vector<std::string> lines_;
  std::size_t count_ = 0;
  std::size_t next_ = 0;
  bool ended_ = false;
};

}  // namespace quarvel::win
