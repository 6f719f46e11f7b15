#include "core/ListerCommandLine.h"

#include <gtest/gtest.h>

namespace quarvel {
namespace {

ListerLaunch NtLaunch(std::string path_box, std::string filter, int subdirs) {
  ListerLaunch launch;
  launch.platform_id = kPlatformNT;
  launch.current_folder = R"(C:\TOOLS)";
  launch.path_box_text = std::move(path_box);
  launch.filter_text = std::move(filter);
  launch.include_subdirectories_value = subdirs;
  return launch;
}

TEST(ListerCommandLine, NtLineForThisFolderOnly) {
  EXPECT_EQ(BuildListerCommandLine(NtLaunch(R"(C:\WINDOWS\system32)", "*.dll", 0)),
            R"(C:\TOOLS\locate.com "C:\WINDOWS\system32\*.dll" /NR >dll.txt)");
}

TEST(ListerCommandLine, NtLineWithSubfoldersPutsRedirectionRightAfterTheQuote) {
  EXPECT_EQ(BuildListerCommandLine(NtLaunch(R"(C:\WINDOWS\system32)", "*.dll", 1)),
            R"(C:\TOOLS\locate.com "C:\WINDOWS\system32\*.dll">dll.txt)");
  // Any value other than 0 counts as checked.
  EXPECT_EQ(BuildListerCommandLine(NtLaunch(R"(C:\W)", "*.*", 2)),
            R"(C:\TOOLS\locate.com "C:\W\*.*">dll.txt)");
}

TEST(ListerCommandLine, TrailingBackslashIsNotDoubledAndEmptyBoxGivesRoot) {
  EXPECT_EQ(BuildListerCommandLine(NtLaunch(R"(C:\)", "*.exe", 0)),
            R"(C:\TOOLS\locate.com "C:\*.exe" /NR >dll.txt)");
  EXPECT_EQ(BuildListerCommandLine(NtLaunch("", "*.dll", 0)),
            R"(C:\TOOLS\locate.com "\*.dll" /NR >dll.txt)");
  EXPECT_EQ(ScanFolderFrom(""), "\\");
  EXPECT_EQ(ScanFolderFrom(R"(C:\)"), R"(C:\)");
  EXPECT_EQ(ScanFolderFrom(R"(C:\x)"), R"(C:\x\)");
}

TEST(ListerCommandLine, FilterIsPassedAsTyped) {
  EXPECT_EQ(BuildListerCommandLine(NtLaunch(R"(C:\x)", "my file?.d*", 1)),
            R"(C:\TOOLS\locate.com "C:\x\my file?.d*">dll.txt)");
}

TEST(ListerCommandLine, ProgramPathIsQuotedOnlyWhenTheCurrentFolderHoldsABlank) {
  auto launch = NtLaunch(R"(C:\x)", "*.dll", 0);
  launch.current_folder = R"(C:\My Tools)";
  EXPECT_EQ(BuildListerCommandLine(launch),
            R"("C:\My Tools\locate.com" "C:\x\*.dll" /NR >dll.txt)");
}

TEST(ListerCommandLine, NineXLineGoesThroughCommandComWithTheShortCurrentFolder) {
  ListerLaunch launch = NtLaunch(R"(C:\WINDOWS\system32)", "*.dll", 0);
  launch.platform_id = kPlatform9x;
  launch.windows_folder = R"(C:\WINDOWS)";
  launch.short_current_folder = R"(C:\MYTOOL~1)";
  EXPECT_EQ(BuildListerCommandLine(launch),
            R"(C:\WINDOWS\command.com /c C:\MYTOOL~1\locate.com "C:\WINDOWS\system32\*.dll" /NR >dll.txt)");
}

TEST(ListerCommandLine, OtherPlatformsBuildNothing) {
  auto launch = NtLaunch(R"(C:\x)", "*.dll", 0);
  launch.platform_id = 0;
  EXPECT_EQ(BuildListerCommandLine(launch), std::nullopt);
  launch.platform_id = 3;
  EXPECT_EQ(BuildListerCommandLine(launch), std::nullopt);
}

// One row per box and place of the mark; a refused text never reaches the line.
TEST(ListerInputRefusal, AQuotationMarkInEitherBoxIsRefusedWithTheBoxNamed) {
  struct Row {
    const char* path_box;
    const char* filter;
    const char* refused_box;  // nullptr: accepted
  };
  const Row rows[] = {
      {R"(C:\WINDOWS)", "*.dll", nullptr},
      {"", "", nullptr},
      {R"(C:\Program Files\x y)", "a b*.dll", nullptr},
      {R"(C:\a" /NR >C:\x.txt)", "*.dll", "folder box"},
      {R"(C:\WINDOWS\")", "*.dll", "folder box"},
      {"\"", "*.dll", "folder box"},
      {R"(C:\WINDOWS)", R"(*.dll" /NR)", "filter box"},
      {R"(C:\WINDOWS)", "\"", "filter box"},
      {R"(C:\a")", R"(b")", "folder box"},  // the folder box is named first
  };
  for (const Row& row : rows) {
    const auto refusal = ListerInputRefusal(row.path_box, row.filter);
    if (row.refused_box == nullptr) {
      EXPECT_FALSE(refusal.has_value()) << row.path_box << " | " << row.filter;
      continue;
    }
    ASSERT_TRUE(refusal.has_value()) << row.path_box << " | " << row.filter;
    EXPECT_EQ(*refusal, "The " + std::string(row.refused_box) +
                            " holds a quotation mark (\"), which no Windows file or folder name contains. "
                            "Remove it and try again; nothing was listed.");
  }
}

TEST(ListerArguments, ReadsTheNtLineAfterTheProgram) {
  const auto args = ParseListerArguments(
      SkipProgramToken(R"(C:\TOOLS\locate.com "C:\WINDOWS\system32\*.dll" /NR >dll.txt)"));
  EXPECT_EQ(args.pattern, R"(C:\WINDOWS\system32\*.dll)");
  EXPECT_FALSE(args.recurse);
  EXPECT_EQ(args.output_file, "dll.txt");
}

TEST(ListerArguments, ClosingQuoteDirectlyFollowedByRedirection) {
  const auto args = ParseListerArguments(R"( "C:\x y\*.*">dll.txt)");
  EXPECT_EQ(args.pattern, R"(C:\x y\*.*)");
  EXPECT_TRUE(args.recurse);
  EXPECT_EQ(args.output_file, "dll.txt");
}

TEST(ListerArguments, BackslashBeforeTheClosingQuoteIsLiteral) {
  const auto args = ParseListerArguments(R"("C:\" /nr)");
  EXPECT_EQ(args.pattern, R"(C:\)");
  EXPECT_FALSE(args.recurse);
  EXPECT_EQ(args.output_file, "");
}

TEST(ListerArguments, QuotedProgramPathIsSkippedWhole) {
  EXPECT_EQ(SkipProgramToken(R"("C:\My Tools\locate.com" "a\*.dll")"), R"( "a\*.dll")");
  EXPECT_EQ(SkipProgramToken("locate.com"), "");
}

TEST(ListerArguments, RedirectionWithBlankAndUnquotedPattern) {
  const auto args = ParseListerArguments(R"(C:\x\*.dll > out.txt)");
  EXPECT_EQ(args.pattern, R"(C:\x\*.dll)");
  EXPECT_EQ(args.output_file, "out.txt");
}

TEST(ListerPattern, SplitsFolderAndFilter) {
  auto split = SplitListerPattern(R"(C:\WINDOWS\*.dll)");
  EXPECT_EQ(split.folder, R"(C:\WINDOWS\)");
  EXPECT_EQ(split.filter, "*.dll");
  split = SplitListerPattern(R"(\*.dll)");
  EXPECT_EQ(split.folder, "\\");
  split = SplitListerPattern(R"(C:\x\)");
  EXPECT_EQ(split.filter, "*");
  split = SplitListerPattern("*.exe");
  EXPECT_EQ(split.folder, ".");
  EXPECT_EQ(split.filter, "*.exe");
  split = SplitListerPattern("C:*.exe");
  EXPECT_EQ(split.folder, "C:");
  EXPECT_EQ(split.filter, "*.exe");
}

}  // namespace
}  // namespace quarvel
