#include "platform/FileLines.h"

namespace quarvel::win {

FileLines::FileLines(const std::string& path, std::size_t longest_line)
    : file_(path, std::ios::binary),
      lines_(
          [this](char* into, std::size_t size) {
            if (!file_) return std::size_t{0};
            file_.read(into, static_cast<std::streamsize>(size));
            return static_cast<std::size_t>(file_.gcount());
          },
          longest_line) {}

}  // namespace quarvel::win
