#include "core/ntfs/MftRecord.h"

#include <algorithm>
#include <cstring>

namespace quarvel::ntfs {
namespace {

// Each 512-byte stride of a record ends in the update sequence number; the real
// last two bytes of each stride are kept in the array after that number.
constexpr std::size_t kStride = 512;

Failure Bad(std::uint64_t number, const std::string& why) { return Failure{RecordLabel(number) + ": " + why}; }

Status ApplyUpdateSequence(std::span<std::byte> record, std::uint64_t number) {
  const Bytes bytes(record);
  const std::size_t offset = Le16(bytes, 0x04);
  const std::size_t count = Le16(bytes, 0x06);
  if (record.size() % kStride != 0) return Bad(number, "size is not a multiple of 512");
  if (count != record.size() / kStride + 1 || offset % 2 != 0 || offset < 0x28 || offset + 2 * count > kStride - 2)
    return Bad(number, "bad fixup array");
  const std::byte* sequence = record.data() + offset;
  for (std::size_t i = 1; i < count; ++i) {
    std::byte* tail = record.data() + i * kStride - 2;
    // A stride whose tail differs was not written with the rest: the record is torn.
    if (std::memcmp(tail, sequence, 2) != 0) return Bad(number, "bad fixup");
    std::memcpy(tail, sequence + 2 * i, 2);
  }
  return Ok();
}

}  // namespace

std::string RecordLabel(std::uint64_t number) { return "MFT record " + std::to_string(number); }

Result<std::optional<MftRecord>> ReadMftRecord(std::span<std::byte> buffer, std::uint64_t number) {
  if (buffer.size() < kStride) return Bad(number, "shorter than 512 bytes");
  const Bytes bytes(buffer);
  if (Le32(bytes, 0) == 0) return std::optional<MftRecord>{};
  if (std::memcmp(buffer.data(), "BAAD", 4) == 0) return Bad(number, "marked bad");
  if (std::memcmp(buffer.data(), "FILE", 4) != 0) return Bad(number, "no FILE signature");
  if (auto fixed = ApplyUpdateSequence(buffer, number); !fixed) return fixed.failure();

  MftRecord record;
  record.bytes = bytes;
  RecordHeader& header = record.header;
  header.number = number;
  header.sequence = Le16(bytes, 0x10);
  header.first_attribute = Le16(bytes, 0x14);
  header.flags = Le16(bytes, 0x16);
  header.used_size = Le32(bytes, 0x18);
  header.base = FileReference::FromRaw(Le64(bytes, 0x20));
  // Since NTFS 3.1 (update sequence at 0x30) a record in use also holds its own
  // number: one that names another record was written elsewhere or read from the
  // wrong place. mkntfs leaves the unused reserved records 16 to 23 with zero there.
  if (header.InUse() && Le16(bytes, 0x04) >= 0x30 && Le32(bytes, 0x2C) != static_cast<std::uint32_t>(number))
    return Bad(number, "holds record " + std::to_string(Le32(bytes, 0x2C)));
  if (header.used_size > buffer.size()) return Bad(number, "used size past the record");
  const std::size_t array_end = Le16(bytes, 0x04) + 2u * Le16(bytes, 0x06);
  if (header.first_attribute < array_end || header.first_attribute + 4u > header.used_size)
    return Bad(number, "first attribute outside the record");
  return std::optional<MftRecord>{record};
}

Status ForEachAttribute(const MftRecord& record, FunctionRef<void(const AttributeView&)> visit) {
  const Bytes used = record.bytes.first(record.header.used_size);
  std::size_t at = record.header.first_attribute;
  const auto bad = [&](const std::string& why) {
    return Bad(record.header.number, "attribute at " + std::to_string(at) + " " + why);
  };
  for (;;) {
    if (!Fits(used, at, 4)) return bad("runs past the used size");
    const std::uint32_t type = Le32(used, at);
    if (type == kEndOfAttributes) return Ok();
    if (!Fits(used, at, 0x10)) return bad("runs past the used size");
    const std::uint32_t length = Le32(used, at + 4);
    if (length < 0x18 || !Fits(used, at, length)) return bad("has a bad length");
    const Bytes attribute = used.subspan(at, length);

    AttributeView view;
    view.type = type;
    view.resident = Le8(attribute, 0x08) == 0;
    const std::size_t name_length = Le8(attribute, 0x09);
    const std::size_t name_offset = Le16(attribute, 0x0A);
    view.flags = Le16(attribute, 0x0C);
    view.id = Le16(attribute, 0x0E);
    if (name_length != 0) {
      if (!Fits(attribute, name_offset, 2 * name_length)) return bad("has its name outside it");
      view.name = attribute.subspan(name_offset, 2 * name_length);
    }
    if (view.resident) {
      const std::size_t value_length = Le32(attribute, 0x10);
      const std::size_t value_offset = Le16(attribute, 0x14);
      if (!Fits(attribute, value_offset, value_length)) return bad("has its value outside it");
      view.value = attribute.subspan(value_offset, value_length);
    } else {
      if (length < 0x40) return bad("is too short for a non-resident attribute");
      view.first_vcn = Le64(attribute, 0x10);
      view.last_vcn = Le64(attribute, 0x18);
      const std::size_t runs_offset = Le16(attribute, 0x20);
      view.allocated_size = Le64(attribute, 0x28);
      view.data_size = Le64(attribute, 0x30);
      view.initialized_size = Le64(attribute, 0x38);
      if (runs_offset < 0x40 || runs_offset > length) return bad("has its run list outside it");
      view.run_list = attribute.subspan(runs_offset);
    }
    visit(view);
    at += length;
  }
}

}  // namespace quarvel::ntfs
