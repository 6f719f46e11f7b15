#include "core/LineSplitter.h"

#include <gtest/gtest.h>

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

}  // namespace
}  // namespace quarvel
