#include "core/ntfs/MftLayout.h"

#include <algorithm>
#include <optional>

#include "core/ntfs/AttributeValues.h"
#include "core/ntfs/ClusterStream.h"
#include "core/ntfs/MftRecord.h"

namespace quarvel::ntfs {
namespace {

constexpr std::uint64_t kLargestAttributeList = 16u << 20;

struct DataExtents {
  std::vector<Run> runs;
  std::optional<std::uint64_t> data_size;
  std::optional<std::vector<std::byte>> attribute_list;
  std::optional<MftBitmapPlace> bitmap;
};

Result<std::vector<std::byte>> ReadRecordAt(ByteSource& source, std::uint64_t offset, std::uint32_t size,
                                            std::uint64_t number) {
  std::vector<std::byte> buffer(size);
  if (auto read = ReadFully(source, offset, buffer, RecordLabel(number)); !read) return read.failure();
  return buffer;
}

// The unnamed $DATA extents of one $MFT record, and its attribute list when it has one.
Result<DataExtents> ReadExtents(std::span<std::byte> buffer, std::uint64_t number, ByteSource& source,
                                const BootSector& boot) {
  auto record = ReadMftRecord(buffer, number);
  if (!record) return record.failure();
  if (!*record) return Failure{RecordLabel(number) + ": empty"};
  if (!(*record)->header.InUse()) return Failure{RecordLabel(number) + ": not in use"};

  DataExtents extents;
  std::optional<Failure> failure;
  std::optional<AttributeView> list;
  auto walked = ForEachAttribute(**record, [&](const AttributeView& attribute) {
    if (attribute.type == kAttributeList) list = attribute;
    if (attribute.type == kBitmap && attribute.Unnamed() && !extents.bitmap) {
      MftBitmapPlace place;
      if (attribute.resident) {
        place.resident.assign(attribute.value.begin(), attribute.value.end());
        place.size = attribute.value.size();
      } else if (auto runs = DecodeRunList(attribute.run_list, attribute.first_vcn, boot.ClusterCount());
                 runs && attribute.first_vcn == 0) {
        place.runs = std::move(*runs);
        place.size = attribute.data_size;
      } else {
        return;  // a bitmap that cannot be placed is not used: every record is read
      }
      extents.bitmap = std::move(place);
    }
    if (attribute.type != kData || !attribute.Unnamed() || failure) return;
    if (attribute.resident) {
      failure = Failure{RecordLabel(number) + ": $MFT's $DATA is resident"};
      return;
    }
    auto runs = DecodeRunList(attribute.run_list, attribute.first_vcn, boot.ClusterCount());
    if (!runs) {
      failure = Failure{RecordLabel(number) + ": $MFT's $DATA " + runs.failure().text};
      return;
    }
    extents.runs.insert(extents.runs.end(), runs->begin(), runs->end());
    if (attribute.first_vcn == 0) extents.data_size = attribute.data_size;
  });
  if (!walked) return walked.failure();
  if (failure) return *failure;
  if (list) {
    if (list->resident) {
      extents.attribute_list.emplace(list->value.begin(), list->value.end());
    } else {
      auto runs = DecodeRunList(list->run_list, list->first_vcn, boot.ClusterCount());
      if (!runs) return Failure{RecordLabel(number) + ": $ATTRIBUTE_LIST " + runs.failure().text};
      ClusterStream stream(source, boot.bytes_per_cluster, std::move(*runs));
      auto bytes = ReadValue(stream, list->data_size, kLargestAttributeList, RecordLabel(number) + ": $ATTRIBUTE_LIST");
      if (!bytes) return bytes.failure();
      extents.attribute_list = std::move(*bytes);
    }
  }
  return extents;
}

Result<DataExtents> ReadRecordZeroAt(ByteSource& source, const BootSector& boot, std::uint64_t cluster) {
  if (cluster >= boot.ClusterCount()) return Failure{RecordLabel(kMftRecord) + ": outside the volume"};
  auto buffer = ReadRecordAt(source, cluster * boot.bytes_per_cluster, boot.mft_record_size, kMftRecord);
  if (!buffer) return buffer.failure();
  return ReadExtents(*buffer, kMftRecord, source, boot);
}

}  // namespace

Result<MftLayout> LocateMft(ByteSource& source, const BootSector& boot) {
  std::optional<std::string> mirror_used;
  auto zero = ReadRecordZeroAt(source, boot, boot.mft_cluster);
  if (!zero) {
    // $MFTMirr holds a copy of the first records, kept for exactly this.
    auto mirror = ReadRecordZeroAt(source, boot, boot.mft_mirror_cluster);
    if (!mirror) return zero.failure();
    mirror_used = zero.failure().text + "; read from $MFTMirr";
    zero = std::move(mirror);
  }
  if (!zero->data_size) return Failure{"$MFT: no $DATA starting at cluster 0"};
  std::vector<Run> runs = std::move(zero->runs);

  if (zero->attribute_list) {
    auto entries = ParseAttributeList(*zero->attribute_list);
    if (!entries) return Failure{"$MFT: " + entries.failure().text};
    // Extents come in VCN order, so each extension record lies in the part of
    // the MFT that the extents before it have already mapped.
    std::vector<AttributeListEntry> data;
    for (const AttributeListEntry& entry : *entries)
      if (entry.type == kData && entry.unnamed && entry.record.record != kMftRecord) data.push_back(entry);
    std::stable_sort(data.begin(), data.end(), [](const auto& a, const auto& b) { return a.first_vcn < b.first_vcn; });
    std::vector<std::uint64_t> done;
    for (const AttributeListEntry& entry : data) {
      const std::uint64_t number = entry.record.record;
      if (std::find(done.begin(), done.end(), number) != done.end()) continue;
      done.push_back(number);
      ClusterStream mapped(source, boot.bytes_per_cluster, runs);
      if (number >= mapped.MappedBytes() / boot.mft_record_size)
        return Failure{"$MFT: extension " + RecordLabel(number) + " lies outside the part already mapped"};
      std::vector<std::byte> buffer(boot.mft_record_size);
      if (auto read = mapped.Read(number * boot.mft_record_size, buffer, RecordLabel(number)); !read)
        return read.failure();
      auto extents = ReadExtents(buffer, number, source, boot);
      if (!extents) return Failure{"$MFT: " + extents.failure().text};
      runs.insert(runs.end(), extents->runs.begin(), extents->runs.end());
    }
  }

  std::sort(runs.begin(), runs.end(), [](const Run& a, const Run& b) { return a.vcn < b.vcn; });
  std::uint64_t next = 0;
  for (const Run& run : runs) {
    if (run.vcn != next) return Failure{"$MFT: its runs leave out cluster " + std::to_string(next)};
    next = run.vcn + run.length;
  }
  MftLayout layout;
  layout.record_count = *zero->data_size / boot.mft_record_size;
  layout.runs = std::move(runs);
  layout.mirror_used = std::move(mirror_used);
  layout.bitmap = std::move(zero->bitmap);
  ClusterStream mapped(source, boot.bytes_per_cluster, layout.runs);
  if (mapped.MappedBytes() / boot.mft_record_size < layout.record_count)
    return Failure{"$MFT: its runs map fewer than its " + std::to_string(layout.record_count) + " records"};
  return layout;
}

}  // namespace quarvel::ntfs
