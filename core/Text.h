// Small text helpers shared by the core. "Blank" means the space character only,
// which is what the listing and the path box use.
#pragma once

#include <string>
#include <string_view>

namespace quarvel {

std::string_view TrimLeadingBlanks(std::string_view text);
std::string_view TrimTrailingBlanks(std::string_view text);
std::string_view TrimBlanks(std::string_view text);

bool Contains(std::string_view text, std::string_view part);
bool EndsWith(std::string_view text, char c);

// The place of the first character of `text` at or after `from` that is one of
// `set`, or npos. std::string_view::find_first_of asks memchr about the set once
// per character of the text, which Wine's msvcrt does a byte at a time: on the
// millions of lines of a whole volume that alone cost seconds.
constexpr std::size_t FindFirstOf(std::string_view text, std::string_view set, std::size_t from = 0) {
  for (std::size_t at = from; at < text.size(); ++at) {
    for (const char c : set) {
      if (text[at] == c) return at;
    }
  }
  return std::string_view::npos;
}

// Appends to `out`, one byte each, the characters of `text` from its start for
// as long as `narrow` says they are single-byte ASCII (most names are such a
// run whole), with one resize for the run; how many were appended.
template <class Char, class Narrow>
std::size_t AppendNarrowRun(std::string& out, std::basic_string_view<Char> text, const Narrow& narrow) {
  std::size_t run = 0;
  while (run < text.size() && narrow(text[run])) ++run;
  const std::size_t at = out.size();
  out.resize(at + run);
  for (std::size_t i = 0; i < run; ++i) out[at + i] = static_cast<char>(text[i]);
  return run;
}

}  // namespace quarvel
