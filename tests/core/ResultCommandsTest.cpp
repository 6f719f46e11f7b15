#include "core/ResultCommands.h"

#include <gtest/gtest.h>

#include <optional>
#include <stdexcept>
#include <string>
#include <vector>

#include "core/ParsePath.h"

namespace quarvel {
namespace {

TEST(EntryPath, AllBeforeTheSizeColumnElseTheTextBeforeTheFirstBlank) {
  EXPECT_EQ(EntryPath(R"(C:\W\HIDDEN.DLL    12)"), R"(C:\W\HIDDEN.DLL)");
  // Where 8.3 names are off, names and folders hold blanks, even two in a row.
  EXPECT_EQ(EntryPath(R"(D:\My Files\My  Hidden File.dll  1234)"), R"(D:\My Files\My  Hidden File.dll)");
  EXPECT_EQ(EntryPath(R"(D:\My Files\2024  5)"), R"(D:\My Files\2024)");
  // No size column: one blank before the digits, other columns after them, or
  // digits alone.
  EXPECT_EQ(EntryPath(R"(D:\My Files\A.DLL 12)"), R"(D:\My)");
  EXPECT_EQ(EntryPath(R"(C:\W\SYSTEM.DLL      5  extra)"), R"(C:\W\SYSTEM.DLL)");
  EXPECT_EQ(EntryPath("  12"), "");
  EXPECT_EQ(EntryPath(R"(C:\W\NOCOLUMNS.DLL)"), R"(C:\W\NOCOLUMNS.DLL)");
  EXPECT_EQ(EntryPath(" starts with a blank"), "");
  EXPECT_EQ(EntryPath(""), "");
}

TEST(GoToDirectory, ExploresTheFolderPartAsItStands) {
  EXPECT_EQ(GoToDirectoryRequest(R"(C:\WINDOWS\)"),
            (ShellRequest{"explore", R"(C:\WINDOWS\)", std::nullopt, R"(C:\WINDOWS\)", 1}));
  EXPECT_EQ(GoToDirectoryRequest(R"(C:\WINDOWS\SYSTEM32\X.DLL)").file, R"(C:\WINDOWS\SYSTEM32\)");
  EXPECT_EQ(GoToDirectoryRequest(R"(D:\My Folder\My File.dll)").file, R"(D:\My Folder\)");
  // A name without a dot counts as a folder.
  EXPECT_EQ(GoToDirectoryRequest(R"(C:\WINDOWS\HOSTS)").file, R"(C:\WINDOWS\HOSTS\)");
  EXPECT_EQ(GoToDirectoryRequest(R"(C:\PROGRA~1\A.DLL)").directory, R"(C:\PROGRA~1\)");
}

TEST(OpenFind, SearchesTheFolderForTheLongFileName) {
  const auto find = OpenFindCommand(R"(C:\Program Files\Long Name.dll)");
  EXPECT_EQ(find.clipboard_text, "Long Name.dll");
  EXPECT_EQ(find.request,
            (ShellRequest{"Find", R"(C:\Program Files\)", std::string("Long Name.dll"), R"(C:\Program Files\)", 1}));
  EXPECT_EQ(GetFileNamePart(), "Long Name.dll");  // the shared splitter keeps the split
}

TEST(OpenFind, UnresolvedFolderHeadingAsksForTheSearchOnABackslash) {
  const auto find = OpenFindCommand("");
  EXPECT_EQ(find.clipboard_text, "");
  EXPECT_EQ(find.request, (ShellRequest{"Find", "\\", std::string(), "\\", 1}));
}

TEST(OpenLog, OpensLogTxtInTheCurrentFolder) {
  EXPECT_EQ(OpenLogRequest(R"(C:\Tools)"), (ShellRequest{"open", R"(C:\Tools\log.txt)", std::nullopt, R"(C:\Tools)", 1}));
}

// The list at the rescan's end, and where its entry stood when it began.
TEST(RescannedEntry, IsTheEntryTheRescanLookedForWhateverIsSelectedAtItsEnd) {
  struct Row {
    std::vector<std::string> items;
    int index;
    const char* entry;
    std::optional<int> at;
  };
  const Row rows[] = {
      {{"A", "B", "C"}, 1, "B", 1},
      {{"A", "B", "C"}, 0, "A", 0},
      {{"A", "B", "C"}, -1, "", std::nullopt},   // nothing was chosen
      {{"B", "A", "C"}, 0, "A", 1},              // moved: found by its text
      {{"A", "C"}, 1, "B", std::nullopt},        // gone
      {{"A", "B"}, 5, "B", 1},                   // past the end: found by its text
      {{"X", "B", "B"}, 2, "B", 2},              // a twin before it is left alone
      {{}, 0, "A", std::nullopt},
  };
  for (const Row& row : rows) {
    const auto item_at = [&row](int i) { return row.items.at(static_cast<std::size_t>(i)); };
    EXPECT_EQ(RescannedEntryAt(row.index, row.entry, static_cast<int>(row.items.size()), item_at), row.at)
        << row.entry << " at " << row.index;
  }
}

TEST(RescanArithmetic, CountersStopAt32767) {
  std::int16_t counter = 32766;
  AddToCounter(counter, 1);
  EXPECT_EQ(counter, 32767);
  EXPECT_THROW(AddToCounter(counter, 1), std::overflow_error);
  EXPECT_EQ(counter, 32767);
}

TEST(RescanArithmetic, TotalsPast2147483647BytesCannotBeShown) {
  EXPECT_EQ(TotalForDisplay(2147483647ULL), 2147483647);
  EXPECT_THROW(TotalForDisplay(2147483648ULL), std::overflow_error);
  EXPECT_THROW(TotalForDisplay(3ULL << 30), std::overflow_error);
}

}  // namespace
}  // namespace quarvel
