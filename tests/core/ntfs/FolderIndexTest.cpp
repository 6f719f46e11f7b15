// One folder through its own $I30 index: the entries of its root, each file
// then read from its own record; index entries that no longer agree with the
// records are counted, and a record that is not the folder asked for fails.
// (Index blocks and whole trees are proven on generated images: ntfs.generated.)
#include "core/ntfs/FolderIndex.h"

#include <gtest/gtest.h>

#include <array>

#include "tests/support/TestVolume.h"

namespace quarvel::ntfs {
namespace {

using test::ByteVector;
using test::FileNameAttribute;
using test::kRoot;
using test::StandardInformation;
using test::TestVolume;

void Put(ByteVector& bytes, std::size_t at, std::uint64_t value, int size) {
  if (bytes.size() < at + static_cast<std::size_t>(size)) bytes.resize(at + static_cast<std::size_t>(size));
  for (int i = 0; i < size; ++i) bytes[at + static_cast<std::size_t>(i)] = std::byte((value >> (8 * i)) & 0xFF);
}

// The $FILE_NAME value inside the attribute the test volume builds.
ByteVector FileNameValue(FileReference parent, const std::u16string& name) {
  const ByteVector attribute = FileNameAttribute(parent, NameSpace::kWin32, name);
  const auto size = std::to_integer<std::size_t>(attribute[0x10]) | (std::to_integer<std::size_t>(attribute[0x11]) << 8);
  const auto at = std::to_integer<std::size_t>(attribute[0x14]);
  return ByteVector(attribute.begin() + static_cast<std::ptrdiff_t>(at),
                    attribute.begin() + static_cast<std::ptrdiff_t>(at + size));
}

struct Key {
  FileReference file;
  std::u16string name;
};

// A resident $INDEX_ROOT named $I30 holding `keys` (no index blocks);
// `bad_length` breaks the first entry's length.
ByteVector IndexRoot(FileReference folder, const std::vector<Key>& keys, bool bad_length = false) {
  ByteVector entries;
  for (const Key& key : keys) {
    const ByteVector value = FileNameValue(folder, key.name);
    const std::size_t at = entries.size();
    const std::size_t length = (0x10 + value.size() + 7) / 8 * 8;
    Put(entries, at, key.file.record | (std::uint64_t{key.file.sequence} << 48), 8);
    Put(entries, at + 8, bad_length && at == 0 ? 0x0C : length, 2);
    Put(entries, at + 10, value.size(), 2);
    Put(entries, at + 12, 0, 4);
    entries.resize(at + 0x10);
    entries.insert(entries.end(), value.begin(), value.end());
    entries.resize(at + length);
  }
  const std::size_t end = entries.size();
  Put(entries, end + 8, 0x10, 2);
  Put(entries, end + 12, 2, 4);  // the last entry
  ByteVector value;
  Put(value, 0, 0x30, 4);
  Put(value, 4, 1, 4);
  Put(value, 8, 4096, 4);
  Put(value, 12, 1, 1);
  Put(value, 0x10, 0x10, 4);
  Put(value, 0x14, 0x10 + entries.size(), 4);
  Put(value, 0x18, 0x10 + entries.size(), 4);
  Put(value, 0x1C, 0, 4);
  value.resize(0x20);
  value.insert(value.end(), entries.begin(), entries.end());
  // The attribute, named "$I30" after its header.
  ByteVector attribute(0x20);
  Put(attribute, 0, kIndexRoot, 4);
  Put(attribute, 9, 4, 1);
  Put(attribute, 0x0A, 0x18, 2);
  Put(attribute, 0x10, value.size(), 4);
  Put(attribute, 0x14, 0x20, 2);
  const char16_t name[] = u"$I30";
  for (std::size_t i = 0; i < 4; ++i) Put(attribute, 0x18 + 2 * i, name[i], 2);
  attribute.insert(attribute.end(), value.begin(), value.end());
  attribute.resize((attribute.size() + 7) / 8 * 8);
  Put(attribute, 4, attribute.size(), 4);
  return attribute;
}

class FolderIndexTest : public ::testing::Test {
 protected:
  Result<FolderChildren> Children(FileReference folder) {
    source.emplace(volume.Source());
    std::array<std::byte, kBootSectorSize> sector{};
    EXPECT_TRUE(ReadFully(*source, 0, sector, "boot"));
    boot = *ParseBootSector(sector);
    layout = *LocateMft(*source, boot);
    return ReadFolderChildren(*source, boot, layout, folder);
  }
  TestVolume volume;
  std::optional<MemoryByteSource> source;
  BootSector boot;
  MftLayout layout;
};

TEST_F(FolderIndexTest, TheIndexNamesTheChildrenAndEachRecordSaysWhatItIs) {
  const FileReference docs{16, 2};
  volume.AddFile(17, docs, u"listed", false, 1);
  volume.Put(18, {5, true, false, {},
                  {StandardInformation(0x22), FileNameAttribute(docs, NameSpace::kWin32, u"Long name.text"),
                   FileNameAttribute(docs, NameSpace::kDos, u"LONGNA~1.TEX"),
                   test::Resident(kData, ByteVector(7))}});
  volume.AddFile(19, docs, u"reused since", false, 9);   // the index still names sequence 8
  volume.AddFile(20, kRoot, u"moved away", false, 1);     // its name is no longer in this folder
  volume.Put(16, {2, true, true, {},
                  {StandardInformation(0x10), FileNameAttribute(kRoot, NameSpace::kWin32, u"Docs"),
                   IndexRoot(docs, {{{17, 1}, u"listed"}, {{18, 5}, u"Long name.text"}, {{18, 5}, u"LONGNA~1.TEX"},
                                    {{19, 8}, u"reused since"}, {{20, 1}, u"moved away"}})}});
  const auto read = Children(docs);
  ASSERT_TRUE(read) << read.failure().text;
  ASSERT_EQ(read->children.size(), 2u);
  EXPECT_EQ(read->children[0].name, u"listed");
  EXPECT_EQ(read->children[1].name, u"Long name.text");
  EXPECT_EQ(read->children[1].short_name, u"LONGNA~1.TEX");
  EXPECT_EQ(read->children[1].attributes, 0x22u);
  EXPECT_EQ(read->children[1].size, 7u);
  EXPECT_EQ(read->entries_stale, 1u);
  EXPECT_EQ(read->records_disagree, 1u);
}

TEST_F(FolderIndexTest, ARecordThatIsNotTheFolderAskedForOrHasNoUsableIndexFails) {
  const FileReference docs{16, 2};
  volume.Put(16, {2, true, true, {},
                  {FileNameAttribute(kRoot, NameSpace::kWin32, u"Docs"), IndexRoot(docs, {{{17, 1}, u"x"}}, true)}});
  volume.AddFile(17, kRoot, u"a file");
  volume.AddFile(18, kRoot, u"no index", true);
  struct Row {
    FileReference asked;
    const char* failure;
  };
  const Row rows[] = {
      {{16, 3}, "MFT record 16: not the folder asked for"},
      {{17, 1}, "MFT record 17: not the folder asked for"},
      {{18, 1}, "MFT record 18: no $INDEX_ROOT"},
      {{16, 2}, "MFT record 16: $INDEX_ROOT: entry at 16 has a bad length"},
      {{900, 1}, "MFT record 900: outside the MFT"},
  };
  for (const Row& row : rows) {
    const auto read = Children(row.asked);
    ASSERT_FALSE(read) << row.failure;
    EXPECT_EQ(read.failure().text, row.failure);
  }
}

}  // namespace
}  // namespace quarvel::ntfs
