#include "core/LineSplitter.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

namespace quarvel {
namespace {

std::vector<std::string> Split(const std::vector<std::string>& chunks, std::size_t max_line = 100) {
  std::vector<std::string> lines;
  LineSplitter splitter(max_line);
  const auto sink = [&lines](std::string_view line) { lines.emplace_back(line); };
  for (const auto& chunk : chunks) splitter.Feed(chunk, sink);
  splitter.Finish(sink);
  return lines;
}

using Lines = std::vector<std::string>;

TEST(LineSplitter, EveryLineEndKindEndsALine) {
  EXPECT_EQ(Split({"a\r\nb\rc\nd"}), (Lines{"a", "b", "c", "d"}));
  EXPECT_EQ(Split({"a\r\n\r\nb\r\n"}), (Lines{"a", "", "b"}));
  EXPECT_EQ(Split({"a\n\rb"}), (Lines{"a", "", "b"}));
}

TEST(LineSplitter, CrLfSplitAcrossChunksIsOneLineEnd) {
  EXPECT_EQ(Split({"a\r", "\nb"}), (Lines{"a", "b"}));
}

TEST(LineSplitter, LastLineWithoutEndIsKept) {
  EXPECT_EQ(Split({"one\r\ntwo"}), (Lines{"one", "two"}));
  EXPECT_EQ(Split({""}), Lines{});
}

TEST(LineSplitter, NulBytesStayInTheLine) {
  const std::string text("a\0b\r\n", 5);
  EXPECT_EQ(Split({text}), (Lines{std::string("a\0b", 3)}));
}

TEST(LineSplitter, OverlongLineIsCutAndTheNextLineSurvives) {
  EXPECT_EQ(Split({std::string(50, 'x') + "\r\nnext"}, 10), (Lines{std::string(10, 'x'), "next"}));
}

// Blocks of three bytes, so that lines and a CR LF pair cross block ends; each
// block is read only when a line is asked for that the earlier ones do not hold.
TEST(PulledLines, LinesComeAsAskedForAcrossBlocks) {
  const std::string text = "ab\r\ncdef\r\nghijklmnop";
  std::size_t at = 0;
  PulledLines lines(
      [&](char* into, std::size_t) {
        const std::size_t n = std::min<std::size_t>(3, text.size() - at);
        text.copy(into, n, at);
        at += n;
        return n;
      },
      5);
  const std::string* line = lines.Next();
  ASSERT_NE(line, nullptr);
  EXPECT_EQ(*line, "ab");
  EXPECT_EQ(at, 3u);
  EXPECT_EQ(*lines.Next(), "cdef");
  EXPECT_EQ(*lines.Next(), "ghijk");  // cut at the longest line
  EXPECT_EQ(lines.Next(), nullptr);
  EXPECT_EQ(lines.Next(), nullptr);
}

}  // namespace
}  // namespace quarvel
