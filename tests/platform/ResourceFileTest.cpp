#include <gtest/gtest.h>

#include "tests/support/TempFolder.h"
#include "platform/ResourceFile.h"
#include "platform/modVBFileDisk.h"

namespace quarvel::win {
namespace {

using testing::ReadWholeFile;

std::string BuiltListerPath() { return testing::NextToThisProgram("..\\bin\\locate.exe"); }

class LoadDataIntoFileTest : public ::testing::Test {
 protected:
  testing::TempFolder folder;
};

TEST_F(LoadDataIntoFileTest, WritesTheEmbeddedListerByteForByte) {
  const std::string target = folder / "locate.com";
  EXPECT_TRUE(LoadDataIntoFile(kListerResourceId, target));
  const std::string written = ReadWholeFile(target);
  EXPECT_GT(written.size(), 1000u);
  EXPECT_EQ(written, ReadWholeFile(BuiltListerPath()));
}

TEST_F(LoadDataIntoFileTest, LeavesAVisibleFileOfThatNameUnchanged) {
  const std::string target = folder.MakeFile("locate.com", "someone else's program");
  EXPECT_FALSE(LoadDataIntoFile(kListerResourceId, target));
  EXPECT_EQ(ReadWholeFile(target), "someone else's program");
}

TEST_F(LoadDataIntoFileTest, NeverDestroysAHiddenFileItCannotReplace) {
  const std::string target = folder.MakeFile("locate.com", "hidden", FILE_ATTRIBUTE_HIDDEN);
  LoadDataIntoFile(kListerResourceId, target);
  const std::string now = ReadWholeFile(target);
  EXPECT_TRUE(now == "hidden" || now == ReadWholeFile(BuiltListerPath()));
}

TEST_F(LoadDataIntoFileTest, OnlyTheEmbeddedBytesCountAsTheLister) {
  const std::string target = folder / "locate.com";
  LoadDataIntoFile(kListerResourceId, target);
  EXPECT_TRUE(FileHoldsResource(kListerResourceId, target));
  const std::string planted = folder.MakeFile("planted.com", "MZ a different program");
  EXPECT_FALSE(FileHoldsResource(kListerResourceId, planted));
  EXPECT_FALSE(FileHoldsResource(kListerResourceId, folder / "missing.com"));
  // The same size with one byte changed is another program too.
  std::string changed = ReadWholeFile(target);
  changed[changed.size() / 2] ^= 1;
  EXPECT_FALSE(FileHoldsResource(kListerResourceId, folder.MakeFile("changed.com", changed)));
}

TEST_F(LoadDataIntoFileTest, ReplaceWritesTheListerOverAnotherProgram) {
  const std::string planted = folder.MakeFile("locate.com", "MZ a different program");
  EXPECT_TRUE(ReplaceWithResource(kListerResourceId, planted));
  EXPECT_EQ(ReadWholeFile(planted), ReadWholeFile(BuiltListerPath()));
}

// A hard link planted under the lister's name (or any work file's) is removed,
// never written through: the file it leads to keeps its bytes.
TEST_F(LoadDataIntoFileTest, ReplaceNeverWritesThroughAPlantedHardLink) {
  const std::string victim = folder.MakeFile("victim.dll", "a file the planter cannot write");
  ASSERT_TRUE(CreateHardLinkA((folder / "locate.com").c_str(), victim.c_str(), nullptr));
  EXPECT_TRUE(ReplaceWithResource(kListerResourceId, folder / "locate.com"));
  EXPECT_EQ(ReadWholeFile(victim), "a file the planter cannot write");
  EXPECT_EQ(ReadWholeFile(folder / "locate.com"), ReadWholeFile(BuiltListerPath()));
}

TEST_F(LoadDataIntoFileTest, UnknownResourceWritesNothing) {
  EXPECT_FALSE(LoadDataIntoFile(4242, folder / "x.com"));
  EXPECT_EQ(FileExists(folder / "x.com"), kFalse);
}

}  // namespace
}  // namespace quarvel::win
