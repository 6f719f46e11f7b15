// The walk over a folder source of our own making: what it enters, what it
// skips, and what it says of a folder it could not read.
#include "lister/DirectoryWalk.h"

#include <gtest/gtest.h>

#include <map>

#include "tests/support/TempFolder.h"
#include "core/LineSplitter.h"
#include "core/ListingFormat.h"
#include "lister/ReadAhead.h"

namespace quarvel::lister {
namespace {

using Lines = std::vector<std::string>;

// A tree in memory: each folder by its path (names joined by "\"), with its
// entries, an identity, and the failures to answer with.
struct FakeFolderSpec {
  std::vector<DirectoryEntry> entries = {};
  std::optional<FolderIdentity> identity = {};
  std::optional<std::uint32_t> read_failure = {};  // after the entries
  std::optional<std::uint32_t> open_failure = {};
  bool missing = false;
};
using FakeTree = std::map<std::wstring, FakeFolderSpec>;

class FakeFolder : public Folder {
 public:
  FakeFolder(const FakeTree& tree, std::wstring path) : tree_(tree), path_(std::move(path)) {}
  void ReadEntries(FolderRead& read) override {
    ++reads;
    const auto& spec = tree_.at(path_);
    // Names copied into the read's own pool, as a real folder gives them.
    read.Clear();
    for (DirectoryEntry entry : spec.entries) {
      entry.long_name = read.names.Add(entry.long_name);
      entry.short_name = read.names.Add(entry.short_name);
      read.entries.push_back(entry);
    }
    read.failure = spec.read_failure;
  }
  std::optional<FolderIdentity> Identity() const override { return tree_.at(path_).identity; }
  OpenedFolder OpenSubfolder(const std::wstring& name, std::uint64_t) override { return Open(tree_, path_ + L"\\" + name); }

  static inline int reads = 0;

  static OpenedFolder Open(const FakeTree& tree, const std::wstring& path) {
    const auto found = tree.find(path);
    if (found == tree.end() || found->second.missing) return {nullptr, 0xC0000034, true};
    if (found->second.open_failure) return {nullptr, *found->second.open_failure, false};
    return {std::make_unique<FakeFolder>(tree, path), 0, false};
  }

 private:
  const FakeTree& tree_;
  std::wstring path_;
};

class FakeSource : public FolderSource {
 public:
  explicit FakeSource(const FakeTree& tree) : tree_(tree) {}
  // Also by the "\\?\" form ending in "\" that the walk opens a folder it checks by.
  OpenedFolder OpenFolder(const std::wstring& path) override {
    std::wstring plain = path.starts_with(L"\\\\?\\") ? path.substr(4) : path;
    if (plain.size() > 2 && plain.ends_with(L'\\')) plain.pop_back();
    return FakeFolder::Open(tree_, plain);
  }

 private:
  const FakeTree& tree_;
};

DirectoryEntry File(const wchar_t* name, std::uint64_t size) { return {name, L"", FILE_ATTRIBUTE_ARCHIVE, size, 0}; }
DirectoryEntry Dir(const wchar_t* name, std::uint32_t extra = 0, std::uint32_t tag = 0) {
  return {name, L"", FILE_ATTRIBUTE_DIRECTORY | extra, 0, tag};
}

class DirectoryWalkTest : public ::testing::Test {
 protected:
  // With a budget, through a source that first reads that much of the tree ahead.
  Lines Walk(bool recurse = true, std::optional<std::size_t> read_ahead = std::nullopt) {
    const std::string file = work / "walk.txt";
    WalkTotals totals;
    {
      ListingOutput output(file);
      FakeSource source(tree);
      ReadAheadSource ahead(source, read_ahead.value_or(0));
      if (read_ahead) ahead.ReadAhead(L"T:", recurse, [] { return false; });
      FolderSource& walked = read_ahead ? static_cast<FolderSource&>(ahead) : source;
      DirectoryWalk walk({View{&walked, ViewId::kQuery}, View{}, View{}}, output, nullptr, L"*", recurse);
      walk.Run("T:\\", L"T:");
      totals = walk.Totals();
    }
    files = totals.files;
    Lines lines;
    LineSplitter splitter;
    const auto sink = [&lines](std::string_view line) { lines.emplace_back(line); };
    splitter.Feed(testing::ReadWholeFile(file), sink);
    splitter.Finish(sink);
    return lines;
  }

  testing::TempFolder work;
  FakeTree tree;
  std::uint64_t files = 0;
};

TEST_F(DirectoryWalkTest, AFolderThatCannotBeReadOrOpenedSaysSoUnderItsHeading) {
  tree[L"T:"] = {{File(L"A.DLL", 1), Dir(L"DENIED"), Dir(L"GONE"), Dir(L"SHARE")}, FolderIdentity{1, 0, 1}};
  tree[L"T:\\DENIED"] = {{}, FolderIdentity{1, 0, 2}, std::nullopt, 0xC0000022};
  tree[L"T:\\GONE"] = {{}, std::nullopt, std::nullopt, std::nullopt, true};
  // A network folder whose listing breaks off after its first entries.
  tree[L"T:\\SHARE"] = {{File(L"B.DLL", 2)}, FolderIdentity{1, 0, 3}, 0xC000000D};
  EXPECT_EQ(Walk(), (Lines{"T:\\", FileLine("A.DLL", 1), SubfolderLine("DENIED"), SubfolderLine("GONE"),
                           SubfolderLine("SHARE"), "T:\\DENIED\\", FileLine("FOLDER-NOT-READ:0xC0000022", 0),
                           "T:\\SHARE\\", FileLine("B.DLL", 2), FileLine("FOLDER-NOT-READ:0xC000000D", 0)}));
  EXPECT_EQ(files, 2u);  // the notes are no files

  tree[L"T:"].open_failure = 5;
  EXPECT_EQ(Walk(), (Lines{"T:\\", FileLine("FOLDER-NOT-READ:0x00000005", 0)}));
  tree[L"T:"].missing = true;
  EXPECT_TRUE(Walk().empty());
}

// Cloud placeholders (OneDrive's Desktop and Documents) are folders with files
// of their own; junctions, symbolic links and reparse folders of unknown kind
// name other places and are never entered.
TEST_F(DirectoryWalkTest, ReparseFoldersAreEnteredUnlessTheyNameAnotherPlace) {
  tree[L"T:"] = {{Dir(L"CLOUD", FILE_ATTRIBUTE_REPARSE_POINT, kReparseTagCloud),
                  Dir(L"JUNCTION", FILE_ATTRIBUTE_REPARSE_POINT, kReparseTagMountPoint),
                  Dir(L"LINK", FILE_ATTRIBUTE_REPARSE_POINT, kReparseTagSymlink),
                  Dir(L"UNKNOWN", FILE_ATTRIBUTE_REPARSE_POINT, 0)},
                 std::nullopt};
  for (const wchar_t* sub : {L"T:\\CLOUD", L"T:\\JUNCTION", L"T:\\LINK", L"T:\\UNKNOWN"}) {
    tree[sub] = {{File(L"IN.DLL", 1)}, std::nullopt};
  }
  const Lines lines = Walk();
  EXPECT_NE(std::find(lines.begin(), lines.end(), "T:\\CLOUD\\"), lines.end());
  for (const char* heading : {"T:\\JUNCTION\\", "T:\\LINK\\", "T:\\UNKNOWN\\"}) {
    EXPECT_EQ(std::find(lines.begin(), lines.end(), heading), lines.end()) << heading;
  }
  EXPECT_EQ(files, 1u);
}

// A folder reached twice (a bind mount, a loop without a link bit) is listed
// once; a folder whose identity cannot be read is never skipped for it.
TEST_F(DirectoryWalkTest, EachFolderOnceByIdentityAndUnknownIdentitiesAlwaysWalked) {
  tree[L"T:"] = {{Dir(L"A"), Dir(L"B"), Dir(L"C"), Dir(L"D")}, FolderIdentity{1, 0, 1}};
  tree[L"T:\\A"] = {{File(L"X.DLL", 1)}, FolderIdentity{1, 0, 7}};
  tree[L"T:\\B"] = {{File(L"X.DLL", 1)}, FolderIdentity{1, 0, 7}};
  tree[L"T:\\C"] = {{File(L"X.DLL", 1)}, std::nullopt};
  tree[L"T:\\D"] = {{File(L"X.DLL", 1)}, std::nullopt};
  const Lines lines = Walk();
  EXPECT_NE(std::find(lines.begin(), lines.end(), "T:\\A\\"), lines.end());
  EXPECT_EQ(std::find(lines.begin(), lines.end(), "T:\\B\\"), lines.end());
  EXPECT_NE(std::find(lines.begin(), lines.end(), "T:\\C\\"), lines.end());
  EXPECT_NE(std::find(lines.begin(), lines.end(), "T:\\D\\"), lines.end());
}

// The walk hands folders to its writing thread in batches: a tree of many
// more folders and entries than a batch holds is listed whole, in order, and a
// name one view gives twice is listed once (the first), as the merge of views
// would have it.
TEST_F(DirectoryWalkTest, ATreeOfManyBatchesListsWholeInOrderAndANameGivenTwiceOnce) {
  constexpr int kFolders = 150;
  constexpr int kFiles = 40;  // 6,000 entries
  std::vector<std::wstring> names;  // the entries' names are views
  names.reserve(kFolders * (kFiles + 1) + 1);
  Lines expected = {"T:\\"};
  tree[L"T:"] = {{}, FolderIdentity{1, 0, 1}};
  for (int f = 0; f < kFolders; ++f) {
    const std::wstring& folder = names.emplace_back(L"D" + std::to_wstring(f));
    tree[L"T:"].entries.push_back(Dir(folder.c_str()));
    expected.push_back(SubfolderLine("D" + std::to_string(f)));
  }
  for (int f = 0; f < kFolders; ++f) {
    auto& spec = tree[L"T:\\D" + std::to_wstring(f)];
    spec.identity = FolderIdentity{1, 0, static_cast<std::uint64_t>(f + 2)};
    expected.push_back("T:\\D" + std::to_string(f) + "\\");
    for (int i = 0; i < kFiles; ++i) {
      const std::wstring& file = names.emplace_back(L"F" + std::to_wstring(i) + L".DLL");
      spec.entries.push_back(File(file.c_str(), static_cast<std::uint64_t>(f * kFiles + i)));
      expected.push_back(FileLine("F" + std::to_string(i) + ".DLL", static_cast<std::uint64_t>(f * kFiles + i)));
    }
  }
  tree[L"T:\\D7"].entries.push_back(File(L"F3.DLL", 999'999));  // the same name again
  EXPECT_EQ(Walk(), expected);
  EXPECT_EQ(files, static_cast<std::uint64_t>(kFolders * kFiles));
}

// Whatever part of the tree was read ahead, the listing is the one read live,
// and no folder is read twice.
TEST_F(DirectoryWalkTest, ATreeReadAheadInWholeOrInPartListsAsOneReadLive) {
  tree[L"T:"] = {{File(L"A.DLL", 1), Dir(L"B"), Dir(L"DENIED"), Dir(L"LINK", FILE_ATTRIBUTE_REPARSE_POINT,
                  kReparseTagSymlink), Dir(L"LOOP"), Dir(L"Z")}, FolderIdentity{1, 0, 1}};
  tree[L"T:\\B"] = {{Dir(L"C"), File(L"B.DLL", 2)}, FolderIdentity{1, 0, 2}};
  tree[L"T:\\B\\C"] = {{File(L"C.DLL", 3)}, std::nullopt, 0xC000000D};
  tree[L"T:\\DENIED"] = {{}, FolderIdentity{1, 0, 4}, std::nullopt, 0xC0000022};
  tree[L"T:\\LINK"] = {{File(L"L.DLL", 4)}, FolderIdentity{1, 0, 5}};
  tree[L"T:\\LOOP"] = {{File(L"A.DLL", 1)}, FolderIdentity{1, 0, 1}};
  tree[L"T:\\Z"] = {{File(L"Z.DLL", 5)}, FolderIdentity{1, 0, 6}};
  for (const bool recurse : {true, false}) {
    FakeFolder::reads = 0;
    const Lines live = Walk(recurse);
    const int live_reads = FakeFolder::reads;
    for (const std::size_t budget : {0, 1, 3, 5, 8, 12, 1000}) {
      FakeFolder::reads = 0;
      EXPECT_EQ(Walk(recurse, budget), live) << "budget " << budget << ", recurse " << recurse;
      EXPECT_EQ(FakeFolder::reads, live_reads) << "budget " << budget << ", recurse " << recurse;
    }
  }
}

// Three views of one folder: the listing holds what the MFT or the query
// returned, once each, in the MFT's order and then the query's. The folder's
// index is read only where those two disagree; it then says which entries it
// lists, its id goes into the folder record, and a name only it gives is not
// listed (nothing on the volume or in the query stands behind it).
TEST_F(DirectoryWalkTest, TheFoldersIndexChecksTheOtherViewsWhereTheyDisagree) {
  const auto with_id = [](DirectoryEntry entry, std::uint64_t id) {
    entry.id = id;
    return entry;
  };
  const auto records = [&](FakeTree& volume, FakeTree& query, FakeTree& index) {
    const std::string file = work / "three.txt";
    {
      ListingOutput output(file);
      ListingOutput facts(ViewsFileFor(file));
      FakeSource v(volume), q(query), i(index);
      DirectoryWalk walk({View{&v, ViewId::kVolume}, View{&q, ViewId::kQuery}, View{&i, ViewId::kIndex}}, output,
                         &facts, L"*", false);
      walk.Run("T:\\", L"T:");
    }
    Lines lines;
    LineSplitter splitter;
    const auto sink = [&lines](std::string_view line) {
      if (line.starts_with("f\t")) lines.emplace_back(line.substr(0, line.rfind('\t')));  // without the long name
      if (line.starts_with("P\t")) lines.emplace_back(line.substr(line.rfind('\t') + 1));  // the folder's ids
    };
    splitter.Feed(testing::ReadWholeFile(ViewsFileFor(file)), sink);
    splitter.Finish(sink);
    return lines;
  };
  FakeTree volume, query, index;
  volume[L"T:"] = {{with_id(File(L"A.DLL", 1), 11), with_id(File(L"ONLY-MFT.DLL", 2), 12),
                    with_id(File(L"B.DLL", 3), 13), with_id(File(L"A.DLL", 1), 99)}, FolderIdentity{0, 0, 5}};
  query[L"T:"] = {{with_id(File(L"B.DLL", 3), 23), with_id(File(L"A.DLL", 1), 21), with_id(File(L"ONLY-QUERY.DLL", 4), 24)},
                  FolderIdentity{0, 0, 5}};
  index[L"T:"] = {{with_id(File(L"A.DLL", 1), 11), with_id(File(L"B.DLL", 3), 13), with_id(File(L"STALE.DLL", 5), 15)},
                  FolderIdentity{0, 0, 5}};
  EXPECT_EQ(records(volume, query, index),
            (Lines{"V0000000000000005,Q0000000000000005,I0000000000000005",
                   "f\tA.DLL\t00000020\tVQI\tV000000000000000B,Q0000000000000015,I000000000000000B",
                   "f\tONLY-MFT.DLL\t00000020\tV\tV000000000000000C",
                   "f\tB.DLL\t00000020\tVQI\tV000000000000000D,Q0000000000000017,I000000000000000D",
                   "f\tONLY-QUERY.DLL\t00000020\tQ\tQ0000000000000018"}));

  // Where the MFT and the query agree, the index is not read.
  volume[L"T:"].entries = {with_id(File(L"A.DLL", 1), 11)};
  query[L"T:"].entries = {with_id(File(L"A.DLL", 1), 21)};
  EXPECT_EQ(records(volume, query, index),
            (Lines{"V0000000000000005,Q0000000000000005", "f\tA.DLL\t00000020\tVQ\tV000000000000000B,Q0000000000000015"}));
}

}  // namespace
}  // namespace quarvel::lister
