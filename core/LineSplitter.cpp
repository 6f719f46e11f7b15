#include "core/LineSplitter.h"

#include <algorithm>

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
    const std::size_t end = bytes.find_first_of("\r\n", at);
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

}  // namespace quarvel
