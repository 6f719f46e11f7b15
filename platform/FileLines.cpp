#include "platform/FileLines.h"

namespace quarvel::win {

FileLines::FileLines(const std::string& path, std::size_t longest_line)
    : file_(path, std::ios::binary), splitter_(longest_line), block_(64 * 1024) {
  ended_ = !file_;
}

const std::string* FileLines::Next() {
  while (next_ == count_) {
    if (ended_) return nullptr;
    count_ = next_ = 0;
    const auto keep = [this](std::string_view line) {
      if (count_ == lines_.size()) lines_.emplace_back();
      lines_[count_++].assign(line);
    };
    file_.read(block_.data(), static_cast<std::streamsize>(block_.size()));
    const auto got = static_cast<std::size_t>(file_.gcount());
    if (got > 0) splitter_.Feed(std::string_view(block_.data(), got), keep);
    if (!file_) {
      ended_ = true;
      splitter_.Finish(keep);
    }
  }
  return &lines_[next_++];
}

}  // namespace quarvel::win
