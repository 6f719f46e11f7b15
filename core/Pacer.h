// Decides when long work shows its progress and lets the window's messages run:
// at most once per interval, on a clock rather than per item, because a repaint
// or a pass of the message loop costs far more than one item's work.
#pragma once

#include <chrono>
#include <functional>

namespace quarvel {

class Pacer {
 public:
  using Clock = std::function<std::chrono::steady_clock::time_point()>;

  explicit Pacer(std::chrono::milliseconds interval, Clock now = &std::chrono::steady_clock::now)
      : interval_(interval), now_(std::move(now)), next_(now_()) {}

  // True when the interval since the last true answer has passed; the first
  // call is always due.
  bool Due() {
    const auto now = now_();
    if (now < next_) return false;
    next_ = now + interval_;
    return true;
  }

 private:
  std::chrono::milliseconds interval_;
  Clock now_;
  std::chrono::steady_clock::time_point next_;
};

}  // namespace quarvel
