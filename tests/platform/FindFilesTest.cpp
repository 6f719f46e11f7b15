#include "platform/FindFiles.h"

#include <gtest/gtest.h>

#include <set>

#include "tests/support/TempFolder.h"
#include "platform/AnsiText.h"

namespace quarvel::win {
namespace {

using testing::TempFolder;

// The one loop every view of a folder is built on: both forms list the same
// entries, never "." or "..", stop when asked, and tell a search that could
// not start from one that found nothing to show.
TEST(ForEachFound, ListsEveryEntryButTheDotsInBothFormsAndStopsWhenAsked) {
  TempFolder folder;
  folder.MakeFile("a.dll");
  folder.MakeFile("b.dll", "x", FILE_ATTRIBUTE_HIDDEN);
  folder.MakeFolder("sub");

  std::set<std::string> ansi, wide;
  EXPECT_TRUE(ForEachFound(folder / "*", [&](const WIN32_FIND_DATAA& entry) {
    ansi.insert(entry.cFileName);
    return true;
  }));
  EXPECT_TRUE(ForEachFound(WideFromAnsi(folder / "*"), [&](const WIN32_FIND_DATAW& entry) {
    wide.insert(AnsiFromWide(entry.cFileName));
    return true;
  }));
  EXPECT_EQ(ansi, (std::set<std::string>{"a.dll", "b.dll", "sub"}));
  EXPECT_EQ(wide, ansi);

  int visits = 0;
  ForEachFound(folder / "*", [&](const WIN32_FIND_DATAA&) { return ++visits < 2; });
  EXPECT_EQ(visits, 2);

  const auto missing = ForEachFound(folder / "missing\\*", [](const WIN32_FIND_DATAA&) { return true; });
  EXPECT_FALSE(missing);
  EXPECT_TRUE(missing.NothingMatched());
  const auto no_match = ForEachFound(folder / "none*.exe", [](const WIN32_FIND_DATAA&) { return true; });
  EXPECT_TRUE(no_match.NothingMatched());
  EXPECT_FALSE(no_match.Failed());
  // A NUL would cut the pattern to "<folder>\*"; the search is never started,
  // and that is a failure to look, not an empty folder.
  const auto cut = ForEachFound(folder / std::string("zz\0", 3) + "*", [](const WIN32_FIND_DATAA&) {
    ADD_FAILURE() << "searched a pattern with a NUL";
    return true;
  });
  EXPECT_TRUE(cut.Failed());
  EXPECT_EQ(cut.error, static_cast<DWORD>(ERROR_INVALID_NAME));
  EXPECT_FALSE(FirstFound(folder / std::string("a.dll\0x", 7)).has_value());
}

TEST(IsOrdinary, OnlyReadOnlyAndArchiveLeaveAnEntryOrdinary) {
  EXPECT_TRUE(IsOrdinary(FILE_ATTRIBUTE_NORMAL));
  EXPECT_TRUE(IsOrdinary(FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_ARCHIVE));
  EXPECT_FALSE(IsOrdinary(FILE_ATTRIBUTE_HIDDEN));
  EXPECT_FALSE(IsOrdinary(FILE_ATTRIBUTE_SYSTEM | FILE_ATTRIBUTE_ARCHIVE));
  EXPECT_FALSE(IsOrdinary(FILE_ATTRIBUTE_DIRECTORY));
}

}  // namespace
}  // namespace quarvel::win
