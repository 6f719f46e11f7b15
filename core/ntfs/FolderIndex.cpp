#include "core/ntfs/FolderIndex.h"

#include <algorithm>
#include <cstring>

#include "core/ntfs/ClusterStream.h"
#include "core/ntfs/MftRecord.h"
#include "core/ntfs/MftScan.h"

namespace quarvel::ntfs {
namespace {

constexpr std::uint64_t kLargestIndex = 256u << 20;  // a folder of millions of files has an index of a few hundred MiB
constexpr std::uint64_t kLargestIndexBitmap = 1u << 20;

bool IsI30(const AttributeView& attribute) {
  static constexpr char16_t kName[] = u"$I30";
  if (attribute.name.size() != 8) return false;
  for (std::size_t i = 0; i < 4; ++i)
    if (Le16(attribute.name, 2 * i) != kName[i]) return false;
  return true;
}

// The entries of one index node: `node` starts at its node header.
Status ReadNode(Bytes node, std::vector<IndexEntry>& out, const std::string& what) {
  if (!Fits(node, 0, 0x10)) return Failure{what + ": node header cut off"};
  const std::size_t first = Le32(node, 0);
  const std::size_t end = Le32(node, 4);
  if (end > node.size() || first > end) return Failure{what + ": entries outside the node"};
  std::size_t at = first;
  while (at < end) {
    if (!Fits(node.first(end), at, 0x10)) return Failure{what + ": entry at " + std::to_string(at) + " cut off"};
    const std::size_t length = Le16(node, at + 8);
    const std::size_t key_length = Le16(node, at + 10);
    const std::uint32_t flags = Le32(node, at + 12);
    if (length < 0x10 || !Fits(node.first(end), at, length))
      return Failure{what + ": entry at " + std::to_string(at) + " has a bad length"};
    if (flags & 0x02) return Ok();  // the last entry holds no key
    if (0x10 + key_length > length) return Failure{what + ": entry at " + std::to_string(at) + " has a bad key"};
    auto name = ParseFileName(node.subspan(at + 0x10, key_length));
    if (!name) return Failure{what + ": " + name.failure().text};
    out.push_back({FileReference::FromRaw(Le64(node, at)), std::move(*name)});
    at += length;
  }
  return Ok();
}

// Applies an index block's update sequence in place.
bool FixIndexBlock(std::span<std::byte> block) {
  const Bytes bytes(block);
  if (block.size() < 512 || std::memcmp(block.data(), "INDX", 4) != 0) return false;
  const std::size_t offset = Le16(bytes, 0x04);
  const std::size_t count = Le16(bytes, 0x06);
  if (count != block.size() / 512 + 1 || offset < 0x28 || offset + 2 * count > 510) return false;
  for (std::size_t i = 1; i < count; ++i) {
    std::byte* tail = block.data() + i * 512 - 2;
    if (std::memcmp(tail, block.data() + offset, 2) != 0) return false;
    std::memcpy(tail, block.data() + offset + 2 * i, 2);
  }
  return true;
}

}  // namespace

Result<FolderIndexRead> ReadFolderIndex(ByteSource& source, const BootSector& boot, const MftLayout& layout,
                                        FileReference folder) {
  const std::string label = RecordLabel(folder.record);
  if (folder.record >= layout.record_count) return Failure{label + ": outside the MFT"};
  ClusterStream mft(source, boot.bytes_per_cluster, layout.runs);
  std::vector<std::byte> buffer(boot.mft_record_size);
  std::optional<MftRecord> record;
  for (int attempt = 0; attempt < 2 && !record; ++attempt) {  // a torn record is read once more
    if (auto read = mft.Read(folder.record * boot.mft_record_size, buffer, label); !read) return read.failure();
    auto parsed = ReadMftRecord(buffer, folder.record);
    if (!parsed && attempt == 1) return parsed.failure();
    if (parsed && !*parsed) return Failure{label + ": empty"};
    if (parsed) record = **parsed;
  }
  if (!record->header.InUse() || !record->header.IsDirectory() || record->header.sequence != folder.sequence)
    return Failure{label + ": not the folder asked for"};

  std::vector<std::byte> root;
  std::vector<Run> runs;
  std::vector<std::byte> bitmap;
  std::optional<AttributeView> bitmap_attribute;
  std::uint64_t allocated = 0;
  bool listed = false;
  std::optional<Failure> failure;
  auto walked = ForEachAttribute(*record, [&](const AttributeView& attribute) {
    if (attribute.type == kAttributeList) listed = true;
    if (!IsI30(attribute) || failure) return;
    if (attribute.type == kIndexRoot && attribute.resident) root.assign(attribute.value.begin(), attribute.value.end());
    if (attribute.type == kIndexAllocation && !attribute.resident) {
      auto decoded = DecodeRunList(attribute.run_list, attribute.first_vcn, boot.ClusterCount());
      if (!decoded) failure = Failure{label + ": $INDEX_ALLOCATION " + decoded.failure().text};
      else runs.insert(runs.end(), decoded->begin(), decoded->end());
      if (attribute.first_vcn == 0) allocated = attribute.data_size;
    }
    if (attribute.type == kBitmap) bitmap_attribute = attribute;
  });
  if (!walked) return walked.failure();
  if (failure) return *failure;
  if (listed) return Failure{label + ": its index is described through an attribute list"};
  if (root.size() < 0x20) return Failure{label + ": no $INDEX_ROOT"};

  FolderIndexRead read;
  if (auto node = ReadNode(Bytes(root).subspan(0x10), read.entries, label + ": $INDEX_ROOT"); !node)
    return node.failure();
  if (runs.empty()) return read;
  if (allocated > kLargestIndex) return Failure{label + ": an index of " + std::to_string(allocated) + " bytes"};
  if (bitmap_attribute) {
    if (bitmap_attribute->resident) {
      bitmap.assign(bitmap_attribute->value.begin(), bitmap_attribute->value.end());
    } else {
      auto bitmap_runs = DecodeRunList(bitmap_attribute->run_list, bitmap_attribute->first_vcn, boot.ClusterCount());
      if (!bitmap_runs) return Failure{label + ": $I30 $BITMAP " + bitmap_runs.failure().text};
      ClusterStream stream(source, boot.bytes_per_cluster, std::move(*bitmap_runs));
      auto bits = ReadValue(stream, bitmap_attribute->data_size, kLargestIndexBitmap, label + ": $I30 $BITMAP");
      if (!bits) return bits.failure();
      bitmap = std::move(*bits);
    }
  }
  const std::size_t block_size = boot.index_record_size;
  ClusterStream index(source, boot.bytes_per_cluster, std::move(runs));
  std::vector<std::byte> block(block_size);
  for (std::uint64_t b = 0; b * block_size < allocated; ++b) {
    // Blocks the bitmap marks free hold stale entries of deleted files.
    const bool in_use = bitmap.empty() || (b / 8 < bitmap.size() && (std::to_integer<unsigned>(bitmap[b / 8]) >> (b % 8)) & 1);
    if (!in_use) continue;
    const std::string what = label + ": index block " + std::to_string(b);
    if (!index.Read(b * block_size, block, what) || !FixIndexBlock(block)) {
      ++read.bad_blocks;
      continue;
    }
    ++read.blocks;
    if (!ReadNode(Bytes(block).subspan(0x18), read.entries, what)) ++read.bad_blocks;
  }
  return read;
}

Result<FolderChildren> ReadFolderChildren(ByteSource& source, const BootSector& boot, const MftLayout& layout,
                                          FileReference folder) {
  auto index = ReadFolderIndex(source, boot, layout, folder);
  if (!index) return index.failure();
  FolderChildren out;
  out.bad_blocks = index->bad_blocks;
  // Each record once: a file with a long and a DOS name has two entries.
  std::vector<FileReference> wanted;
  for (const IndexEntry& entry : index->entries) wanted.push_back(entry.file);
  std::sort(wanted.begin(), wanted.end(), [](const FileReference& a, const FileReference& b) {
    return a.record != b.record ? a.record < b.record : a.sequence < b.sequence;
  });
  wanted.erase(std::unique(wanted.begin(), wanted.end()), wanted.end());
  const auto records = ReadRecords(source, boot, layout, wanted);
  for (const RecordLookup& found : records) {
    if (found.state != RecordLookup::State::kFound) {
      ++out.entries_stale;
      continue;
    }
    const RecordContents& file = *found.contents;
    std::vector<const FileName*> longs, dos;
    for (const FileName& name : file.names) {
      if (name.parent != folder) continue;
      (name.name_space == NameSpace::kDos ? dos : longs).push_back(&name);
    }
    if (longs.empty() && dos.empty()) {
      ++out.records_disagree;
      continue;
    }
    // A DOS name is the short name of the Win32 name beside it; alone, it is listed itself.
    if (longs.empty()) longs.swap(dos);
    for (const FileName* name : longs) {
      Child child;
      child.record = file.header.number;
      child.sequence = file.header.sequence;
      child.name = name->name;
      child.name_space = name->name_space;
      if (name->name_space == NameSpace::kWin32 && !dos.empty()) child.short_name = dos.front()->name;
      child.is_directory = file.header.IsDirectory();
      child.attributes = file.attributes.value_or(0);
      child.size = file.data_size.value_or(0);
      child.reparse_tag = file.reparse_tag;
      out.children.push_back(std::move(child));
    }
  }
  return out;
}

}  // namespace quarvel::ntfs
