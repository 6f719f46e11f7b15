#include "core/ParsePath.h"

#include <gtest/gtest.h>

#include <stdexcept>
#include <string>

namespace quarvel {
namespace {

struct SplitCase {
  std::string full, folder, file;
};

TEST(PathSplitter, SplitsEveryExampleIntoFolderAndFileName) {
  const SplitCase cases[] = {
      {R"(C:\WINDOWS\SYSTEM32\KERNEL32.DLL)", R"(C:\WINDOWS\SYSTEM32\)", "KERNEL32.DLL"},
      {"C:/data/a.b", "C:/data/", "a.b"},
      {R"(C:\my.dir\readme)", R"(C:\my.dir\)", "readme"},
      {R"(C:\WINDOWS\SYSTEM32)", R"(C:\WINDOWS\SYSTEM32\)", ""},
      {R"(C:\WINDOWS\)", R"(C:\WINDOWS\)", ""},
      {"C:/data/", "C:/data/", ""},
      {"FOO.TXT", "", "FOO.TXT"},
      {"C:", R"(C:\)", ""},
      {"", R"(\)", ""},
      // Mixed separators split at the rightmost of either kind.
      {R"(C:\a/b.c)", R"(C:\a/)", "b.c"},
      // The extension stays with the name.
      {R"(C:\x\archive.tar.gz)", R"(C:\x\)", "archive.tar.gz"},
      // Short names and letter case are kept as given.
      {R"(C:\PROGRA~1\x.Dll)", R"(C:\PROGRA~1\)", "x.Dll"},
  };
  PathSplitter splitter;
  for (const auto& c : cases) {
    SCOPED_TRACE(c.full);
    splitter.SetFullPath(c.full);
    EXPECT_EQ(splitter.FullPath(), c.full);
    EXPECT_EQ(splitter.FolderPart(), c.folder);
    EXPECT_EQ(splitter.FileNamePart(), c.file);
  }
}

TEST(PathSplitter, ReadsEmptyBeforeTheFirstSplit) {
  PathSplitter splitter;
  EXPECT_EQ(splitter.FullPath(), "");
  EXPECT_EQ(splitter.FolderPart(), "");
  EXPECT_EQ(splitter.FileNamePart(), "");
}

TEST(PathSplitter, EachSplitReplacesTheWholeState) {
  PathSplitter splitter;
  splitter.SetFullPath(R"(C:\a\b.txt)");
  splitter.SetFullPath(R"(D:\folder)");
  EXPECT_EQ(splitter.FolderPart(), R"(D:\folder\)");
  EXPECT_EQ(splitter.FileNamePart(), "");
}

TEST(PathSplitter, OverlongFilePathThrowsWithFullPathReplacedAndPartsEmpty) {
  PathSplitter splitter;
  splitter.SetFullPath(R"(C:\a\b.txt)");
  const std::string overlong = R"(C:\)" + std::string(32767, 'x') + ".dll";
  EXPECT_THROW(splitter.SetFullPath(overlong), std::overflow_error);
  EXPECT_EQ(splitter.FullPath(), overlong);
  EXPECT_EQ(splitter.FolderPart(), "");
  EXPECT_EQ(splitter.FileNamePart(), "");
}

TEST(PathSplitter, LongestFilePathStillSplits) {
  PathSplitter splitter;
  const std::string longest = std::string(32767 - 4, 'x') + ".dll";
  EXPECT_NO_THROW(splitter.SetFullPath(longest));
  EXPECT_EQ(splitter.FileNamePart(), longest);
}

TEST(SharedPathSplitter, PartsStayUntilTheNextSplit) {
  SetFullPath(R"(C:\WINDOWS\HOSTS)");
  EXPECT_EQ(GetFolderPart(), R"(C:\WINDOWS\HOSTS\)");
  EXPECT_EQ(GetFileNamePart(), "");
  SetFullPath(R"(C:\x\abc.dll)");
  EXPECT_EQ(GetFullPath(), R"(C:\x\abc.dll)");
  EXPECT_EQ(GetFileNamePart(), "abc.dll");
  EXPECT_EQ(GetFileNamePart(), "abc.dll");
}

}  // namespace
}  // namespace quarvel
