#include <gtest/gtest.h>

#include "TempFolder.h"
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

TEST_F(LoadDataIntoFileTest, UnknownResourceWritesNothing) {
  EXPECT_FALSE(LoadDataIntoFile(4242, folder / "x.com"));
  EXPECT_EQ(FileExists(folder / "x.com"), kFalse);
}

}  // namespace
}  // namespace quarvel::win
