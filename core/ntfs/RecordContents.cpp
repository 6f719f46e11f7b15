#include "core/ntfs/RecordContents.h"

#include <algorithm>

#include "core/ntfs/ClusterStream.h"

namespace quarvel::ntfs {
namespace {

// Real attribute lists and reparse points are far smaller; a larger claim is damage.
constexpr std::uint64_t kLargestValue = 16u << 20;

Result<std::vector<std::byte>> NonResidentValue(const AttributeView& attribute, ByteSource& source,
                                                const BootSector& boot, std::uint64_t size, const std::string& what) {
  auto runs = DecodeRunList(attribute.run_list, attribute.first_vcn, boot.ClusterCount());
  if (!runs) return Failure{what + ": " + runs.failure().text};
  ClusterStream stream(source, boot.bytes_per_cluster, std::move(*runs));
  return ReadValue(stream, size, kLargestValue, what);
}

}  // namespace

Result<RecordContents> ReadRecordContents(const MftRecord& record, ByteSource& source, const BootSector& boot) {
  RecordContents contents;
  if (auto read = ReadRecordContentsInto(record, source, boot, contents); !read) return read.failure();
  return contents;
}

Status ReadRecordContentsInto(const MftRecord& record, ByteSource& source, const BootSector& boot,
                              RecordContents& contents) {
  contents.header = record.header;
  contents.attributes.reset();
  contents.times.reset();
  contents.data_size.reset();
  contents.reparse_tag.reset();
  contents.extension_records.clear();
  std::size_t named = 0;  // names parsed into `contents.names`; the rest are dropped at the end
  // The label is spelled only for a failure: most records have none.
  const auto label = [&] { return RecordLabel(record.header.number); };
  std::optional<Failure> failure;
  const auto fail = [&](const Failure& why) {
    if (!failure) failure = Failure{label() + ": " + why.text};
  };

  // Attribute lists and reparse points are decoded after the walk: a non-resident
  // one needs reads of the volume, and their failure is the record's.
  std::vector<AttributeView> later;
  auto walked = ForEachAttribute(record, [&](const AttributeView& attribute) {
    switch (attribute.type) {
      case kStandardInformation:
        if (!attribute.resident) return fail(Failure{"$STANDARD_INFORMATION is not resident"});
        if (auto flags = ParseFileAttributes(attribute.value)) contents.attributes = *flags;
        else fail(flags.failure());
        if (auto times = ParseStandardTimes(attribute.value)) contents.times = *times;
        break;
      case kFileName:
        if (!attribute.resident) return fail(Failure{"$FILE_NAME is not resident"});
        if (named == contents.names.size()) contents.names.emplace_back();
        if (auto parsed = ParseFileNameInto(attribute.value, contents.names[named]); parsed) ++named;
        else fail(parsed.failure());
        break;
      case kData:
        if (!attribute.Unnamed()) break;
        if (attribute.resident) contents.data_size = attribute.value.size();
        else if (attribute.first_vcn == 0) contents.data_size = attribute.data_size;
        break;
      case kReparsePoint:
      case kAttributeList:
        later.push_back(attribute);
        break;
      default:
        break;
    }
  });
  contents.names.resize(named);
  if (!walked) return walked.failure();
  if (failure) return *failure;

  for (const AttributeView& attribute : later) {
    const bool is_list = attribute.type == kAttributeList;
    const std::string what = is_list ? "$ATTRIBUTE_LIST" : "$REPARSE_POINT";
    std::vector<std::byte> read;
    Bytes value = attribute.value;
    if (!attribute.resident) {
      // A reparse point's tag is in its first bytes; an attribute list is read whole.
      const std::uint64_t size = is_list ? attribute.data_size : std::min<std::uint64_t>(attribute.data_size, 8);
      auto bytes = NonResidentValue(attribute, source, boot, size, what);
      if (!bytes) return Failure{label() + ": " + bytes.failure().text};
      read = std::move(*bytes);
      value = read;
    }
    if (is_list) {
      auto entries = ParseAttributeList(value);
      if (!entries) return Failure{label() + ": " + entries.failure().text};
      for (const AttributeListEntry& entry : *entries) {
        if (entry.record.record == record.header.number) continue;
        if (std::find(contents.extension_records.begin(), contents.extension_records.end(), entry.record) ==
            contents.extension_records.end())
          contents.extension_records.push_back(entry.record);
      }
    } else {
      auto tag = ParseReparseTag(value);
      if (!tag) return Failure{label() + ": " + tag.failure().text};
      contents.reparse_tag = *tag;
    }
  }
  return Ok();
}

void MergeExtension(RecordContents& base, const RecordContents& extension) {
  if (!base.attributes) base.attributes = extension.attributes;
  if (!base.times) base.times = extension.times;
  if (!base.data_size) base.data_size = extension.data_size;
  if (!base.reparse_tag) base.reparse_tag = extension.reparse_tag;
  base.names.insert(base.names.end(), extension.names.begin(), extension.names.end());
}

}  // namespace quarvel::ntfs
