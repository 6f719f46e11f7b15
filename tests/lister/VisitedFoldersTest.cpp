#include "lister/VisitedFolders.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <utility>
#include <vector>

namespace quarvel::lister {
namespace {

// A folder is listed once per view that opens it: whichever way the set keeps
// an identity (a bit by record number, or a slot of its hash table), a second
// insert of the same view and identity is refused and any other is not, also
// once the table has grown many times.
TEST(VisitedFolders, EachViewAndIdentityIsFirstOnlyOnce) {
  std::vector<std::pair<std::size_t, FolderIdentity>> rows = {
      {0, {0, 0, 5}},                            // a record number
      {1, {0, 0, 5}},                            // the same number in another view
      {0, {0, 0, 0}},                            // record 0
      {0, {0, 0, 1000}},                         // past the first word of bits
      {0, {0, 0, std::uint64_t{1} << 40}},       // too large for bits
      {1, {0x1234, 0, 5}},                       // a volume serial and file index
      {1, {0x1234, 7, 5}},                       // a 128-bit file id
  };
  for (std::uint64_t i = 0; i < 20'000; ++i) rows.push_back({1, {0xABCD, i, i}});  // the table grows
  VisitedFolders visited;
  for (const auto& [view, folder] : rows) EXPECT_TRUE(visited.Insert(view, folder)) << folder.id_low;
  for (const auto& [view, folder] : rows) EXPECT_FALSE(visited.Insert(view, folder)) << folder.id_low << ", again";
}

}  // namespace
}  // namespace quarvel::lister
