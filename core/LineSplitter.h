// Cuts a byte stream into lines. CR LF, a lone CR and a lone LF each end a line;
// text after the last line end is a line of its own. A line longer than the
// limit keeps its first `max_line` characters and the rest is dropped, so a
// hostile listing cannot grow memory without bound.
#pragma once

#include <cstddef>
#include <functional>
#include <string>
#include <string_view>

namespace quarvel {

class LineSplitter {
 public:
  using LineSink = std::function<void(std::string_view)>;

  static constexpr std::size_t kDefaultMaxLine = 32767;

  explicit LineSplitter(std::size_t max_line = kDefaultMaxLine) : max_line_(max_line) {}

  // Passes every line completed by `bytes` to `sink`.
  void Feed(std::string_view bytes, const LineSink& sink);
  // Passes the unterminated last line, if any.
  void Finish(const LineSink& sink);

 private:
  std::size_t max_line_;
  std::string pending_;
  bool have_pending_ = false;
  bool after_cr_ = false;
};

}  // namespace quarvel
