// One MFT record: its update sequence applied and checked, its header, and its
// attributes walked with every length and offset checked against the record.
#pragma once

#include <cstdint>
#include <optional>
#include <span>
#include <string>

#include "core/FunctionRef.h"
#include "core/ntfs/FileReference.h"
#include "core/ntfs/LittleEndian.h"
#include "core/ntfs/Result.h"

namespace quarvel::ntfs {

enum AttributeType : std::uint32_t {
  kStandardInformation = 0x10,
  kAttributeList = 0x20,
  kFileName = 0x30,
  kData = 0x80,
  kIndexRoot = 0x90,
  kIndexAllocation = 0xA0,
  kBitmap = 0xB0,
  kReparsePoint = 0xC0,
  kEndOfAttributes = 0xFFFF'FFFF,
};

struct RecordHeader {
  std::uint64_t number = 0;  // where the record lies in the MFT
  std::uint16_t sequence = 0;
  std::uint16_t flags = 0;
  FileReference base;  // zero in a base record; the base record in an extension record
  std::uint16_t first_attribute = 0;
  std::uint32_t used_size = 0;

  bool InUse() const { return (flags & 0x0001) != 0; }
  bool IsDirectory() const { return (flags & 0x0002) != 0; }
  bool IsExtension() const { return base.record != 0 || base.sequence != 0; }
};

// An attribute as it lies in the record; the spans point into the record.
struct AttributeView {
  std::uint32_t type = 0;
  std::uint16_t flags = 0;
  std::uint16_t id = 0;
  Bytes name;  // UTF-16LE, empty for the unnamed attribute
  bool resident = true;
  Bytes value;  // resident only
  // Non-resident only:
  std::uint64_t first_vcn = 0;
  std::uint64_t last_vcn = 0;
  std::uint64_t allocated_size = 0;
  std::uint64_t data_size = 0;
  std::uint64_t initialized_size = 0;
  Bytes run_list;

  bool Unnamed() const { return name.empty(); }
};

struct MftRecord {
  RecordHeader header;
  Bytes bytes;  // the whole record after the update sequence was applied
};

// Checks the "FILE" signature and applies the update sequence to `buffer` in
// place. Empty when the slot never held a record (its signature is zero); a
// failure ("MFT record 7: bad fixup") when the record is damaged or torn.
Result<std::optional<MftRecord>> ReadMftRecord(std::span<std::byte> buffer, std::uint64_t number);

// Calls `visit` for each attribute in order, up to the end marker. Fails, having
// visited the attributes before it, at the first attribute that does not fit.
Status ForEachAttribute(const MftRecord& record, FunctionRef<void(const AttributeView&)> visit);

std::string RecordLabel(std::uint64_t number);  // "MFT record 7"

}  // namespace quarvel::ntfs
