#include "lister/VisitedFolders.h"

#include <gtest/gtest.h>

#include <cstdint>

namespace quarvel::lister {
namespace {

// A folder is listed once per view that opens it: whichever way the set keeps
// an identity (a bit by record number, or a slot of its hash table), a second
// insert of the same view and identity is refused and any other is not.
TEST(VisitedFolders, EachViewAndIdentityIsFirstOnlyOnce) {
  struct Row {
    const char* what;
    std::size_t view;
    FolderIdentity folder;
  };
  constexpr std::uint64_t kBeyondBits = std::uint64_t{1} << 40;
  const Row rows[] = {
      {"a record number", 0, {0, 0, 5}},
      {"the same number in another view", 1, {0, 0, 5}},
      {"record 0", 0, {0, 0, 0}},
      {"a number past the first word of bits", 0, {0, 0, 1000}},
      {"a number too large for bits", 0, {0, 0, kBeyondBits}},
      {"a volume serial and file index", 1, {0x1234, 0, 5}},
      {"a 128-bit file id", 1, {0x1234, 7, 5}},
  };
  VisitedFolders visited;
  for (const Row& row : rows) EXPECT_TRUE(visited.Insert(row.view, row.folder)) << row.what;
  for (const Row& row : rows) EXPECT_FALSE(visited.Insert(row.view, row.folder)) << row.what << ", again";
}

// Many identities of both kinds: the hash table grows without losing any.
TEST(VisitedFolders, KeepsEveryIdentityAcrossGrowth) {
  VisitedFolders visited;
  for (std::uint64_t i = 0; i < 20'000; ++i) {
    ASSERT_TRUE(visited.Insert(0, {0, 0, i * 3}));
    ASSERT_TRUE(visited.Insert(1, {0xABCD, i, i}));
  }
  for (std::uint64_t i = 0; i < 20'000; ++i) {
    ASSERT_FALSE(visited.Insert(0, {0, 0, i * 3}));
    ASSERT_FALSE(visited.Insert(1, {0xABCD, i, i}));
    ASSERT_TRUE(visited.Insert(0, {0, 0, i * 3 + 1}));
  }
}

}  // namespace
}  // namespace quarvel::lister
