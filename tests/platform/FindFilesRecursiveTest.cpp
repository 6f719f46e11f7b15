#include <gtest/gtest.h>

#include <stdexcept>

#include "tests/support/TempFolder.h"
#include "tests/support/UnixSymlink.h"
#include "platform/modFindFilesAPI.h"

namespace quarvel::win {
namespace {

using testing::TempFolder;

class FindFilesRecursiveTest : public ::testing::Test {
 protected:
  TempFolder tree;
  std::int16_t matches = 0;
  std::int16_t folders = 0;
};

TEST_F(FindFilesRecursiveTest, HiddenAndSystemEntriesCountOnce) {
  tree.MakeFile("HIDDEN.DLL", "1234", FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM);
  EXPECT_EQ(FindFilesRecursive(tree.Path(), "HIDDEN.DLL", matches, folders).total, 4u);
  EXPECT_EQ(matches, 1);
  EXPECT_EQ(folders, 0);
}

TEST_F(FindFilesRecursiveTest, CopiesInSubfoldersAreAllCountedAndTheirSizesAdded) {
  tree.MakeFile("X.DLL", "12");
  tree.MakeFolder("SUB");
  tree.MakeFolder("SUB\\DEEP");
  tree.MakeFile("SUB\\DEEP\\X.DLL", "12345", FILE_ATTRIBUTE_HIDDEN);
  tree.MakeFolder("OTHER");
  EXPECT_EQ(FindFilesRecursive(tree.Path(), "X.DLL", matches, folders).total, 7u);
  EXPECT_EQ(matches, 2);
  EXPECT_EQ(folders, 3);
}

TEST_F(FindFilesRecursiveTest, ShortNameFindsTheLongNamedFile) {
  const std::string long_path = tree.MakeFile("A Long Name.dll", "123");
  char short_path[MAX_PATH];
  GetShortPathNameA(long_path.c_str(), short_path, MAX_PATH);
  const std::string leaf = std::string(short_path).substr(std::string(short_path).rfind('\\') + 1);
  EXPECT_EQ(FindFilesRecursive(tree.Path(), leaf, matches, folders).total, 3u);
  EXPECT_EQ(matches, 1);
}

TEST_F(FindFilesRecursiveTest, NothingFoundIsZeroAndCountersAreNeverReset) {
  matches = 5;
  folders = 7;
  tree.MakeFolder("SUB");
  EXPECT_EQ(FindFilesRecursive(tree.Path(), "MISSING.DLL", matches, folders).total, 0u);
  EXPECT_EQ(matches, 5);
  EXPECT_EQ(folders, 8);
}

TEST_F(FindFilesRecursiveTest, FolderWithOrWithoutItsBackslashIsTheSameFolder) {
  tree.MakeFile("Y.DLL", "1");
  EXPECT_EQ(FindFilesRecursive(tree.Path(), "Y.DLL", matches, folders).total, 1u);
  EXPECT_EQ(FindFilesRecursive(tree.Path() + "\\", "Y.DLL", matches, folders).total, 1u);
  EXPECT_EQ(matches, 2);
}

TEST_F(FindFilesRecursiveTest, MissingFolderOrEmptyPatternAddNothing) {
  const FoundFiles missing = FindFilesRecursive(tree / "nope", "Y.DLL", matches, folders);
  EXPECT_EQ(missing.total, 0u);
  EXPECT_EQ(missing.unsearched_folders, 0);  // not there is an answer, not a failure
  EXPECT_EQ(FindFilesRecursive(tree.Path(), "", matches, folders).total, 0u);
  EXPECT_EQ(matches, 0);
}

TEST_F(FindFilesRecursiveTest, ALinkThatLoopsBackIsCountedButNeverEntered) {
  tree.MakeFolder("SUB");
  tree.MakeFile("SUB\\Z.DLL", "1");
  const testing::UnixSymlink loop("..", tree / "SUB\\LOOP");
  ASSERT_TRUE(loop.Made());
  EXPECT_EQ(FindFilesRecursive(tree.Path(), "Z.DLL", matches, folders).total, 1u);
  EXPECT_EQ(matches, 1);
  EXPECT_EQ(folders, 2);
}

// A search the system refuses is told apart from one that matched nothing:
// each folder it could not search through is counted, with the first error.
TEST_F(FindFilesRecursiveTest, FoldersThatCouldNotBeSearchedAreCountedNotTakenForNoMatch) {
  tree.MakeFolder("SUB");
  tree.MakeFile("SUB\\A.DLL", "1");
  const FoundFiles found = FindFilesRecursive(tree.Path(), std::string("A.DLL\0x", 7), matches, folders);
  EXPECT_EQ(found.total, 0u);
  EXPECT_EQ(found.unsearched_folders, 2);
  EXPECT_EQ(found.first_error, static_cast<unsigned long>(ERROR_INVALID_NAME));
  EXPECT_EQ(FindFilesRecursive(tree.Path(), "NONE.DLL", matches, folders).unsearched_folders, 0);
}

TEST_F(FindFilesRecursiveTest, CounterPast32767Overflows) {
  tree.MakeFile("W.DLL", "1");
  matches = 32767;
  EXPECT_THROW(FindFilesRecursive(tree.Path(), "W.DLL", matches, folders), std::overflow_error);
}

TEST(TrimAtNull, TextBeforeTheFirstNul) {
  EXPECT_EQ(TrimAtNull(std::string("ab\0cd", 5)), "ab");
  EXPECT_EQ(TrimAtNull("abc"), "abc");
}

}  // namespace
}  // namespace quarvel::win
