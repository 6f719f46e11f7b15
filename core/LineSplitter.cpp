#include "core/LineSplitter.h"

namespace quarvel {

void LineSplitter::Feed(std::string_view bytes, const LineSink& sink) {
  for (const char c : bytes) {
    if (c == '\n' && after_cr_) {  // the LF of a CR LF pair
      after_cr_ = false;
      continue;
    }
    after_cr_ = c == '\r';
    if (c == '\r' || c == '\n') {
      sink(pending_);
      pending_.clear();
      have_pending_ = false;
      continue;
    }
    have_pending_ = true;
    if (pending_.size() < max_line_) pending_ += c;
  }
}

void LineSplitter::Finish(const LineSink& sink) {
  if (have_pending_) sink(pending_);
  pending_.clear();
  have_pending_ = false;
  after_cr_ = false;
}

}  // namespace quarvel
