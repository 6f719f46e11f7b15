// Cuts a byte stream into lines. CR LF, a lone CR and a lone LF each end a line;
// text after the last line end is a line of its own. A line longer than the
// limit keeps its first `max_line` characters and the rest is dropped, so a
// hostile listing cannot grow memory without bound.
#pragma once

#include <cstddef>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

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

// The lines of a byte stream one at a time, cut as LineSplitter cuts them and
// read in blocks only as they are asked for, so a reader can follow a file or
// a pipe no further than it needs.
class PulledLines {
 public:
  // Reads up to `size` bytes into `into`; 0 at the end of the stream.
  using ReadBlock = std::function<std::size_t(char* into, std::size_t size)>;

  explicit PulledLines(ReadBlock read_block, std::size_t max_line = LineSplitter::kDefaultMaxLine);

  // The next line, valid until the next call; nothing at the end.
  const std::string* Next();

 private:
  ReadBlock read_block_;
  LineSplitter splitter_;
  std::vector<char> block_;
  // The lines of the last block; their storage is reused from block to block.
  std::vector<std::string> lines_;
  std::size_t count_ = 0;
  std::size_t next_ = 0;
  bool ended_ = false;
};

}  // namespace quarvel
