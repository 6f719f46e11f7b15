#include "core/LineSplitter.h"

#include <algorithm>
#include <utility>

#include "core/Text.h"

namespace quarvel {

void LineSplitter::Feed(std::string_view bytes, const LineSink& sink) {
  std::size_t at = 0;
  while (at < bytes.size()) {
    if (after_cr_) {  // the LF of a CR LF pair
      after_cr_ = false;
      if (bytes[at] == '\n') {
        ++at;
        continue;
      }
    }
    const std::size_t end = FindFirstOf(bytes, "\r\n", at);
    if (end == std::string_view::npos) {
      have_pending_ = true;
      const std::size_t room = max_line_ - std::min(max_line_, pending_.size());
      pending_.append(bytes.substr(at, std::min(room, bytes.size() - at)));
      return;
    }
    if (have_pending_) {  // the line began in an earlier block
      const std::size_t room = max_line_ - std::min(max_line_, pending_.size());
      pending_.append(bytes.substr(at, std::min(room, end - at)));
      sink(pending_);
      pending_.clear();
      have_pending_ = false;
    } else {  // a whole line within this block goes out without a copy
      sink(bytes.substr(at, std::min(max_line_, end - at)));
    }
    after_cr_ = bytes[end] == '\r';
    at = end + 1;
  }
}

void LineSplitter::Finish(const LineSink& sink) {
  if (have_pending_) sink(pending_);
  pending_.clear();
  have_pending_ = false;
  after_cr_ = false;
}

PulledLines::PulledLines(ReadBlock read_block, std::size_t max_line)
    : read_block_(std::move(read_block)), splitter_(max_line), block_(64 * 1024) {}

const std::string* PulledLines::Next() {
  while (next_ == count_) {
    if (ended_) return nullptr;
    count_ = next_ = 0;
    const auto keep = [this](std::string_view line) {
      if (count_ == lines_.size()) lines_.emplace_back();
      lines_[count_++].assign(line);
    };
    const std::size_t got = read_block_(block_.data(), block_.size());
    if (got > 0) {
      splitter_.Feed(std::string_view(block_.data(), got), keep);
    } else {
      ended_ = true;
      splitter_.Finish(keep);
    }
  }
  return &lines_[next_++];
}

}  // namespace quarvel
