#include <gtest/gtest.h>

#include "tests/support/ErrorBoxRecorder.h"
#include "tests/support/HandleCount.h"
#include "tests/support/TempFolder.h"
#include "platform/CommonFunction.h"
#include "platform/modAPIFilesAndPaths.h"
#include "platform/modVBFileDisk.h"

namespace quarvel::win {
namespace {

using testing::TempFolder;

class FileExistsTest : public ::testing::Test {
 protected:
  TempFolder folder;
};

TEST_F(FileExistsTest, EmptyPathIsFalse) { EXPECT_EQ(FileExists(""), kFalse); }

TEST_F(FileExistsTest, OnlyEntriesThatAreNeitherHiddenSystemNorFoldersCount) {
  EXPECT_EQ(FileExists(folder.MakeFile("plain.dll")), kTrue);
  EXPECT_EQ(FileExists(folder.MakeFile("ro.dll", "x", FILE_ATTRIBUTE_READONLY)), kTrue);
  EXPECT_EQ(FileExists(folder.MakeFile("h.dll", "x", FILE_ATTRIBUTE_HIDDEN)), kFalse);
  EXPECT_EQ(FileExists(folder.MakeFile("s.dll", "x", FILE_ATTRIBUTE_SYSTEM)), kFalse);
  EXPECT_EQ(FileExists(folder.MakeFile("hs.dll", "x", FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM)),
            kFalse);
  EXPECT_EQ(FileExists(folder.MakeFolder("sub.dir")), kFalse);
  EXPECT_EQ(FileExists(folder / "missing.dll"), kFalse);
  EXPECT_EQ(FileExists(folder / "no-folder\\x.dll"), kFalse);
}

TEST_F(FileExistsTest, WildcardsActAsWildcards) {
  folder.MakeFile("a.sys", "x", FILE_ATTRIBUTE_HIDDEN);
  EXPECT_EQ(FileExists(folder / "*.sys"), kFalse);
  folder.MakeFile("b.sys");
  EXPECT_EQ(FileExists(folder / "*.sys"), kTrue);
  EXPECT_EQ(FileExists(folder / "?.sys"), kTrue);
}

TEST_F(FileExistsTest, ShortNameFindsTheFile) {
  const std::string long_path = folder.MakeFile("Long Visible Name.dll");
  const std::string short_path = GetShortName(long_path);
  ASSERT_NE(short_path, "");
  EXPECT_EQ(FileExists(short_path), kTrue);
}

TEST_F(FileExistsTest, EmbeddedNulNamesNoFile) {
  folder.MakeFile("ABCD");
  EXPECT_EQ(FileExists(folder / std::string("ABCD\0EFG.DLL", 12)), kFalse);
}

TEST_F(FileExistsTest, ThousandsOfCallsLeakNoHandle) {
  const std::string present = folder.MakeFile("p.dll");
  FileExists(present);
  const auto before = testing::HandleWatermark();
  // Under Wine only a wildcard search holds a kernel handle until FindClose.
  for (int i = 0; i < 3000; ++i) {
    FileExists(present);
    FileExists(folder / "*.dll");
    FileExists(folder / "absent.dll");
  }
  EXPECT_EQ(testing::HandleWatermark(), before);
}

class IsAttrSetTest : public ::testing::Test {
 protected:
  TempFolder folder;
  testing::ErrorBoxRecorder recorder;
};

TEST_F(IsAttrSetTest, EveryBitOfTheMaskMustBeSet) {
  const std::string path = folder.MakeFile(
      "rhs.dll", "x", FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM);
  EXPECT_EQ(IsAttrSet(path, 0), kTrue);
  EXPECT_EQ(IsAttrSet(path, FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_SYSTEM), kTrue);
  const std::string plain = folder.MakeFile("plain.dll");
  EXPECT_EQ(IsAttrSet(plain, 0), kTrue);
  EXPECT_EQ(IsAttrSet(plain, FILE_ATTRIBUTE_HIDDEN), kFalse);
  EXPECT_EQ(IsAttrSet(folder.Path(), FILE_ATTRIBUTE_DIRECTORY), kTrue);
  EXPECT_TRUE(recorder.boxes.empty());
}

TEST_F(IsAttrSetTest, MissingPathShowsOneBoxPerCallAndIsFalse) {
  EXPECT_EQ(IsAttrSet(folder / "missing.dll", 0), kFalse);
  EXPECT_EQ(IsAttrSet(folder / "missing.dll", 2), kFalse);
  ASSERT_EQ(recorder.boxes.size(), 2u);
  EXPECT_EQ(recorder.boxes[0].first, "IsAttrSet");
  EXPECT_EQ(recorder.boxes[0].second.rfind("Error: 2. ", 0), 0u) << recorder.boxes[0].second;
}

class GetLongFileNameTest : public ::testing::Test {
 protected:
  TempFolder folder;
  testing::ErrorBoxRecorder recorder;
};

TEST_F(GetLongFileNameTest, ShortPathBecomesTheLongNamesTheFileSystemReports) {
  folder.MakeFolder("Long Folder Name");
  const std::string long_path = folder.MakeFile("Long Folder Name\\Long Visible Name.dll", "x",
                                                FILE_ATTRIBUTE_HIDDEN);
  const std::string short_path = GetShortName(long_path);
  ASSERT_NE(short_path, long_path);
  EXPECT_EQ(GetLongFileName(short_path), GetLongFileName(long_path));
  const std::string resolved = GetLongFileName(short_path);
  EXPECT_NE(resolved.find("\\Long Folder Name\\Long Visible Name.dll"), std::string::npos) << resolved;
  EXPECT_EQ(resolved.substr(0, 3), long_path.substr(0, 3));  // the drive stays as given
  EXPECT_TRUE(recorder.boxes.empty());
}

TEST_F(GetLongFileNameTest, UnresolvablePathsGiveEmptyText) {
  EXPECT_EQ(GetLongFileName(folder / "missing.dll"), "");
  EXPECT_EQ(GetLongFileName(folder.Path() + "\\"), "");
  EXPECT_EQ(GetLongFileName("no-such-file-here.dll"), "");
  EXPECT_TRUE(recorder.boxes.empty());
}

TEST_F(GetLongFileNameTest, NameWithoutSeparatorIsResolvedAlone) {
  folder.MakeFile("Relative Name.txt");
  const std::string previous = GetCurDir();
  SetCurrentDirectoryA(folder.Path().c_str());
  const std::string short_name = GetShortName("Relative Name.txt");
  EXPECT_EQ(GetLongFileName(short_name), "Relative Name.txt");
  SetCurrentDirectoryA(previous.c_str());
}

TEST_F(GetLongFileNameTest, WildcardComponentTakesTheFirstMatchingName) {
  folder.MakeFile("only.dll");
  const std::string resolved = GetLongFileName(folder / "*.dll");
  EXPECT_EQ(resolved.substr(resolved.size() - 9), "\\only.dll");
}

TEST_F(GetLongFileNameTest, ThousandsOfCallsLeakNoHandle) {
  const std::string path = folder.MakeFile("Some Long File.txt");
  GetLongFileName(path);
  const auto before = testing::HandleWatermark();
  for (int i = 0; i < 2000; ++i) {
    GetLongFileName(path);
    GetLongFileName(folder / "*.txt");
    GetLongFileName(folder / "missing.txt");
  }
  EXPECT_EQ(testing::HandleWatermark(), before);
}

}  // namespace
}  // namespace quarvel::win

namespace quarvel::win {
namespace {

std::string VersionedProgram(const std::string& name) {
  return testing::NextToThisProgram("versioned\\" + name + ".exe");
}

class GetFileVersionTest : public ::testing::Test {
 protected:
  testing::ErrorBoxRecorder recorder;
};

TEST_F(GetFileVersionTest, AllFourPartsZerosIncluded) {
  EXPECT_EQ(GetFileVersion(VersionedProgram("v1000")), "1.0.0.0");
}

TEST_F(GetFileVersionTest, PartsAreUnsignedAndTheProductVersionIsIgnored) {
  EXPECT_EQ(GetFileVersion(VersionedProgram("vbig")), "65535.32768.7.0");
}

TEST_F(GetFileVersionTest, NoVersionMissingFileAndEmptyPathGiveEmptyTextSilently) {
  EXPECT_EQ(GetFileVersion(VersionedProgram("unversioned")), "");
  EXPECT_EQ(GetFileVersion(VersionedProgram("missing")), "");
  EXPECT_EQ(GetFileVersion(""), "");
  EXPECT_TRUE(recorder.boxes.empty());
}

}  // namespace
}  // namespace quarvel::win
