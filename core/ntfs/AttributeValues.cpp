#include "core/ntfs/AttributeValues.h"

namespace quarvel::ntfs {

Result<std::uint32_t> ParseFileAttributes(Bytes value) {
  if (!Fits(value, 0x20, 4)) return Failure{"$STANDARD_INFORMATION: too short"};
  return Le32(value, 0x20);
}

Result<StandardTimes> ParseStandardTimes(Bytes value) {
  if (!Fits(value, 0, 0x18)) return Failure{"$STANDARD_INFORMATION: too short"};
  return StandardTimes{Le64(value, 0x00), Le64(value, 0x08), Le64(value, 0x10)};
}

Result<FileName> ParseFileName(Bytes value) {
  FileName name;
  if (auto parsed = ParseFileNameInto(value, name); !parsed) return parsed.failure();
  return name;
}

Status ParseFileNameInto(Bytes value, FileName& name) {
  constexpr std::size_t kNameOffset = 0x42;
  if (!Fits(value, 0, kNameOffset)) return Failure{"$FILE_NAME: too short"};
  const std::size_t length = Le8(value, 0x40);
  const std::uint8_t name_space = Le8(value, 0x41);
  if (name_space > 3) return Failure{"$FILE_NAME: unknown namespace " + std::to_string(name_space)};
  if (length == 0 || !Fits(value, kNameOffset, 2 * length)) return Failure{"$FILE_NAME: bad name length"};
  name.parent = FileReference::FromRaw(Le64(value, 0));
  name.name_space = static_cast<NameSpace>(name_space);
  name.name.resize(length);
  for (std::size_t i = 0; i < length; ++i) name.name[i] = static_cast<char16_t>(Le16(value, kNameOffset + 2 * i));
  return Ok();
}

Result<std::uint32_t> ParseReparseTag(Bytes value) {
  if (!Fits(value, 0, 4)) return Failure{"$REPARSE_POINT: too short"};
  return Le32(value, 0);
}

Result<std::vector<AttributeListEntry>> ParseAttributeList(Bytes value) {
  constexpr std::size_t kSmallestEntry = 0x1A;
  std::vector<AttributeListEntry> entries;
  std::size_t at = 0;
  while (at < value.size()) {
    if (!Fits(value, at, kSmallestEntry)) return Failure{"$ATTRIBUTE_LIST: entry at " + std::to_string(at) + " is cut off"};
    const std::size_t length = Le16(value, at + 4);
    const std::size_t name_length = Le8(value, at + 6);
    const std::size_t name_offset = Le8(value, at + 7);
    if (length < kSmallestEntry || !Fits(value, at, length) ||
        (name_length != 0 && (name_offset > length || 2 * name_length > length - name_offset)))
      return Failure{"$ATTRIBUTE_LIST: entry at " + std::to_string(at) + " has a bad length"};
    AttributeListEntry entry;
    entry.type = Le32(value, at);
    entry.first_vcn = Le64(value, at + 0x08);
    entry.record = FileReference::FromRaw(Le64(value, at + 0x10));
    entry.unnamed = name_length == 0;
    entries.push_back(entry);
    at += length;
  }
  return entries;
}

}  // namespace quarvel::ntfs
