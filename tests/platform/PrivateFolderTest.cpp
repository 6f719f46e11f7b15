#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

#include "platform/PrivateFolder.h"
#include "platform/WorkFolder.h"

namespace quarvel::win {
namespace {

// No two runs share a name, the name cannot be guessed, and the folder goes
// with its files at the end, though it was the current folder. (Its access
// list cannot be checked here: Wine keeps none on its drives' files and reads
// back SYSTEM and the user, unprotected, whatever was set.)
TEST(PrivateFolder, UnderANameNobodyCanGuessAndRemovedWithItsFilesAtTheEnd) {
  std::wstring kept;
  {
    const PrivateFolder folder;
    ASSERT_TRUE(folder.Made()) << folder.Error();
    const PrivateFolder other;
    ASSERT_TRUE(other.Made()) << other.Error();
    EXPECT_NE(folder.Wide(), other.Wide());
    EXPECT_EQ(folder.Wide().rfind(TemporaryFolder() + L"quarvel-scan-", 0), 0u);
    EXPECT_EQ(folder.Wide().size(), TemporaryFolder().size() + 13 + 32);

    ASSERT_TRUE(SetCurrentDirectoryW(folder.Wide().c_str()));
    std::ofstream(std::filesystem::path(folder.Wide() + L"\\dll.txt")) << "listing";
    kept = folder.Wide();
  }
  EXPECT_EQ(GetFileAttributesW(kept.c_str()), INVALID_FILE_ATTRIBUTES);
  EXPECT_NE(CurrentFolderWide(), kept);
}

}  // namespace
}  // namespace quarvel::win
