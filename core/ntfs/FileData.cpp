#include "core/ntfs/FileData.h"

#include <algorithm>

#include "core/ntfs/AttributeValues.h"
#include "core/ntfs/ClusterStream.h"
#include "core/ntfs/MftRecord.h"
#include "core/ntfs/RunList.h"

namespace quarvel::ntfs {
namespace {

constexpr std::uint16_t kCompressedOrEncrypted = 0x0001 | 0x4000;

struct DataParts {
  std::optional<std::vector<std::byte>> resident;
  std::vector<Run> runs;
  std::optional<std::uint64_t> data_size;
  std::uint64_t initialized_size = 0;
  std::vector<FileReference> listed;  // records the attribute list names for $DATA
};

Status ReadRecord(ClusterStream& mft, const BootSector& boot, std::uint64_t number, std::vector<std::byte>& buffer) {
  buffer.assign(boot.mft_record_size, std::byte{0});
  return mft.Read(number * boot.mft_record_size, buffer, RecordLabel(number));
}

// Takes the unnamed $DATA parts (and, in the base record, the attribute list) of one record.
Status Collect(ByteSource& source, const BootSector& boot, const MftRecord& record, bool base, DataParts& parts) {
  std::optional<std::string> failure;
  auto visited = ForEachAttribute(record, [&](const AttributeView& attribute) {
    if (failure) return;
    if (attribute.type == kData && attribute.Unnamed()) {
      if (attribute.flags & kCompressedOrEncrypted) {
        failure = RecordLabel(record.header.number) + ": data compressed or encrypted";
      } else if (attribute.resident) {
        parts.resident.emplace(attribute.value.begin(), attribute.value.end());
      } else {
        auto runs = DecodeRunList(attribute.run_list, attribute.first_vcn, boot.ClusterCount());
        if (!runs) {
          failure = runs.failure().text;
          return;
        }
        parts.runs.insert(parts.runs.end(), runs->begin(), runs->end());
        if (attribute.first_vcn == 0) {
          parts.data_size = attribute.data_size;
          parts.initialized_size = attribute.initialized_size;
        }
      }
    } else if (attribute.type == kAttributeList && base) {
      std::vector<std::byte> value;
      if (attribute.resident) {
        value.assign(attribute.value.begin(), attribute.value.end());
      } else {
        auto runs = DecodeRunList(attribute.run_list, attribute.first_vcn, boot.ClusterCount());
        if (!runs) {
          failure = runs.failure().text;
          return;
        }
        ClusterStream stream(source, boot.bytes_per_cluster, std::move(*runs));
        auto read = ReadValue(stream, attribute.data_size, 1u << 20, RecordLabel(record.header.number) + " attribute list");
        if (!read) {
          failure = read.failure().text;
          return;
        }
        value = std::move(*read);
      }
      auto entries = ParseAttributeList(value);
      if (!entries) {
        failure = entries.failure().text;
        return;
      }
      for (const auto& entry : *entries)
        if (entry.type == kData && entry.unnamed && entry.record.record != record.header.number) parts.listed.push_back(entry.record);
    }
  });
  if (failure) return Failure{*failure};
  if (!visited) return visited.failure();
  return Ok();
}

bool SameNameIgnoringCase(std::u16string_view a, std::u16string_view b) {
  auto fold = [](char16_t c) { return c >= u'a' && c <= u'z' ? static_cast<char16_t>(c - 0x20) : c; };
  return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin(), [&](char16_t x, char16_t y) { return fold(x) == fold(y); });
}

}  // namespace

Result<std::vector<std::byte>> ReadFileData(ByteSource& source, const VolumeIndex& index, std::uint64_t record,
                                            std::uint64_t limit) {
  const BootSector& boot = index.boot();
  ClusterStream mft(source, boot.bytes_per_cluster, index.mft().runs);
  std::vector<std::byte> buffer;
  if (auto read = ReadRecord(mft, boot, record, buffer); !read) return read.failure();
  auto base = ReadMftRecord(buffer, record);
  if (!base) return base.failure();
  if (!*base || !(*base)->header.InUse() || (*base)->header.IsExtension())
    return Failure{RecordLabel(record) + ": not an in-use base record"};
  DataParts parts;
  if (auto taken = Collect(source, boot, **base, true, parts); !taken) return taken.failure();
  std::sort(parts.listed.begin(), parts.listed.end(),
            [](const FileReference& a, const FileReference& b) { return a.record < b.record; });
  parts.listed.erase(std::unique(parts.listed.begin(), parts.listed.end()), parts.listed.end());
  for (const FileReference& extension : parts.listed) {
    std::vector<std::byte> extension_buffer;
    if (auto read = ReadRecord(mft, boot, extension.record, extension_buffer); !read) return read.failure();
    auto part = ReadMftRecord(extension_buffer, extension.record);
    if (!part) return part.failure();
    // A listed record that has since been reused for another file is not this file's.
    if (!*part || (*part)->header.base.record != record || (*part)->header.sequence != extension.sequence)
      return Failure{RecordLabel(extension.record) + ": not an extension of " + RecordLabel(record)};
    if (auto taken = Collect(source, boot, **part, false, parts); !taken) return taken.failure();
  }
  if (parts.resident) {
    if (parts.resident->size() > limit) return Failure{RecordLabel(record) + ": data larger than " + std::to_string(limit) + " bytes"};
    return std::move(*parts.resident);
  }
  if (!parts.data_size) return Failure{RecordLabel(record) + ": no unnamed data stream"};
  if (*parts.data_size > limit) return Failure{RecordLabel(record) + ": data larger than " + std::to_string(limit) + " bytes"};
  std::vector<std::byte> data(*parts.data_size);
  const std::uint64_t initialized = std::min(parts.initialized_size, *parts.data_size);
  ClusterStream stream(source, boot.bytes_per_cluster, std::move(parts.runs));
  if (auto read = stream.Read(0, std::span(data).first(initialized), RecordLabel(record) + " data"); !read) return read.failure();
  return data;
}

std::optional<std::uint64_t> FindPath(const VolumeIndex& index, std::u16string_view path) {
  std::uint64_t at = kRootRecord;
  while (!path.empty()) {
    const std::size_t cut = path.find(u'\\');
    const std::u16string_view part = path.substr(0, cut);
    path = cut == std::u16string_view::npos ? std::u16string_view() : path.substr(cut + 1);
    if (part.empty()) continue;
    std::optional<std::uint64_t> next;
    for (const Child& child : index.Children(at)) {
      if (SameNameIgnoringCase(child.name, part) || (child.short_name && SameNameIgnoringCase(*child.short_name, part))) {
        next = child.record;
        break;
      }
    }
    if (!next) return std::nullopt;
    at = *next;
  }
  return at;
}

}  // namespace quarvel::ntfs
