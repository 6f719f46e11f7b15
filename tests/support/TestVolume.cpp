#include "tests/support/TestVolume.h"

#include <algorithm>
#include <cstring>

#include "core/ntfs/MftRecord.h"

namespace quarvel::ntfs::test {
namespace {

void PutLe(ByteVector& bytes, std::size_t at, std::uint64_t value, std::size_t size) {
  if (bytes.size() < at + size) bytes.resize(at + size);
  for (std::size_t i = 0; i < size; ++i) bytes[at + i] = static_cast<std::byte>(value >> (8 * i));
}

void Align8(ByteVector& bytes) { bytes.resize((bytes.size() + 7) & ~std::size_t{7}); }

ByteVector Utf16(const std::u16string& text) {
  ByteVector bytes;
  for (const char16_t c : text) PutLe(bytes, bytes.size(), c, 2);
  return bytes;
}

std::size_t SignedSize(std::int64_t value) {
  std::size_t size = 1;
  while (size < 8 && (value < -(std::int64_t{1} << (8 * size - 1)) || value >= (std::int64_t{1} << (8 * size - 1)))) ++size;
  return size;
}

}  // namespace

ByteVector EncodeRuns(const std::vector<Run>& runs) {
  ByteVector bytes;
  std::int64_t previous = 0;
  for (const Run& run : runs) {
    std::size_t length_size = 1;
    while (length_size < 8 && (run.length >> (8 * length_size)) != 0) ++length_size;
    const std::int64_t delta = run.lcn ? static_cast<std::int64_t>(*run.lcn) - previous : 0;
    const std::size_t offset_size = run.lcn ? SignedSize(delta) : 0;
    const std::size_t at = bytes.size();
    PutLe(bytes, at, length_size | (offset_size << 4), 1);
    PutLe(bytes, at + 1, run.length, length_size);
    if (run.lcn) {
      PutLe(bytes, at + 1 + length_size, static_cast<std::uint64_t>(delta), offset_size);
      previous = static_cast<std::int64_t>(*run.lcn);
    }
  }
  bytes.push_back(std::byte{0});
  return bytes;
}

ByteVector Resident(std::uint32_t type, const ByteVector& value) {
  ByteVector a(0x18);
  PutLe(a, 0, type, 4);
  PutLe(a, 0x10, value.size(), 4);
  PutLe(a, 0x14, 0x18, 2);
  a.insert(a.end(), value.begin(), value.end());
  Align8(a);
  PutLe(a, 4, a.size(), 4);
  return a;
}

ByteVector NonResident(std::uint32_t type, const std::vector<Run>& runs, std::uint64_t data_size) {
  ByteVector a(0x40);
  std::uint64_t clusters = 0;
  for (const Run& run : runs) clusters += run.length;
  PutLe(a, 0, type, 4);
  PutLe(a, 0x08, 1, 1);
  PutLe(a, 0x10, runs.empty() ? 0 : runs.front().vcn, 8);
  PutLe(a, 0x18, runs.empty() ? 0 : runs.front().vcn + clusters - 1, 8);
  PutLe(a, 0x20, 0x40, 2);
  PutLe(a, 0x28, data_size, 8);
  PutLe(a, 0x30, data_size, 8);
  PutLe(a, 0x38, data_size, 8);
  const ByteVector encoded = EncodeRuns(runs);
  a.insert(a.end(), encoded.begin(), encoded.end());
  Align8(a);
  PutLe(a, 4, a.size(), 4);
  return a;
}

ByteVector StandardInformation(std::uint32_t attributes, StandardTimes times) {
  ByteVector value(0x48);
  PutLe(value, 0x00, times.created, 8);
  PutLe(value, 0x08, times.written, 8);
  PutLe(value, 0x10, times.changed, 8);
  PutLe(value, 0x20, attributes, 4);
  return Resident(kStandardInformation, value);
}

ByteVector FileNameAttribute(FileReference parent, NameSpace name_space, const std::u16string& name) {
  ByteVector value(0x42);
  PutLe(value, 0, parent.record | (std::uint64_t{parent.sequence} << 48), 8);
  PutLe(value, 0x40, name.size(), 1);
  PutLe(value, 0x41, static_cast<std::uint8_t>(name_space), 1);
  const ByteVector text = Utf16(name);
  value.insert(value.end(), text.begin(), text.end());
  return Resident(kFileName, value);
}

ByteVector ReparsePoint(std::uint32_t tag) {
  ByteVector value(8);
  PutLe(value, 0, tag, 4);
  return Resident(kReparsePoint, value);
}

ByteVector AttributeList(const std::vector<AttributeListEntry>& entries) {
  ByteVector value;
  for (const AttributeListEntry& entry : entries) {
    const std::size_t at = value.size();
    PutLe(value, at, entry.type, 4);
    PutLe(value, at + 4, 0x20, 2);
    PutLe(value, at + 7, 0x1A, 1);
    PutLe(value, at + 0x08, entry.first_vcn, 8);
    PutLe(value, at + 0x10, entry.record.record | (std::uint64_t{entry.record.sequence} << 48), 8);
    PutLe(value, at + 0x1F, 0, 1);
  }
  return Resident(kAttributeList, value);
}

ByteVector MakeRecord(const RecordPlan& plan, std::uint64_t number, std::size_t size) {
  ByteVector r(size);
  const std::size_t strides = size / 512;
  std::memcpy(r.data(), "FILE", 4);
  PutLe(r, 0x04, 0x30, 2);
  PutLe(r, 0x06, strides + 1, 2);
  PutLe(r, 0x10, plan.sequence, 2);
  PutLe(r, 0x12, 1, 2);
  const std::size_t first = (0x30 + 2 * (strides + 1) + 7) & ~std::size_t{7};
  PutLe(r, 0x14, first, 2);
  PutLe(r, 0x16, (plan.in_use ? 1 : 0) | (plan.directory ? 2 : 0), 2);
  PutLe(r, 0x1C, size, 4);
  PutLe(r, 0x20, plan.base.record | (std::uint64_t{plan.base.sequence} << 48), 8);
  PutLe(r, 0x2C, number, 4);
  std::size_t at = first;
  for (const ByteVector& attribute : plan.attributes) {
    std::memcpy(r.data() + at, attribute.data(), attribute.size());
    at += attribute.size();
  }
  PutLe(r, at, kEndOfAttributes, 4);
  PutLe(r, 0x18, at + 8, 4);
  // The update sequence: each stride's last two bytes move into the array.
  const std::uint16_t usn = 0x0A0B;
  PutLe(r, 0x30, usn, 2);
  for (std::size_t i = 1; i <= strides; ++i) {
    std::memcpy(r.data() + 0x30 + 2 * i, r.data() + i * 512 - 2, 2);
    PutLe(r, i * 512 - 2, usn, 2);
  }
  return r;
}

TestVolume::TestVolume(std::uint32_t cluster_size, std::vector<Run> mft_runs, std::uint64_t records)
    : cluster_size_(cluster_size), mft_runs_(std::move(mft_runs)) {
  if (mft_runs_.empty()) mft_runs_ = {{0, records * 1024 / cluster_size, 16}};
  std::uint64_t last = 16;
  for (const Run& run : mft_runs_) last = std::max(last, *run.lcn + run.length);
  bytes_.assign((last + 16) * cluster_size, std::byte{0});
  // Boot sector: 512-byte sectors, 1 KiB records (stored as -10), 4 KiB index records (-12).
  std::memcpy(bytes_.data() + 3, "NTFS    ", 8);
  PutLe(bytes_, 0x0B, 512, 2);
  PutLe(bytes_, 0x0D, cluster_size / 512, 1);
  PutLe(bytes_, 0x28, bytes_.size() / 512, 8);
  PutLe(bytes_, 0x30, *mft_runs_.front().lcn, 8);
  PutLe(bytes_, 0x38, 2, 8);
  PutLe(bytes_, 0x40, 0xF6, 1);
  PutLe(bytes_, 0x44, 0xF4, 1);

  Put(kMftRecord, {1, true, false, {},
                   {StandardInformation(0x6), FileNameAttribute(kRoot, NameSpace::kWin32AndDos, u"$MFT"),
                    NonResident(kData, mft_runs_, records * 1024)}});
  Put(kRootRecord, {5, true, true, {}, {StandardInformation(0x6), FileNameAttribute(kRoot, NameSpace::kWin32AndDos, u".")}});
  Put(kExtendRecord, {11, true, true, {}, {FileNameAttribute(kRoot, NameSpace::kWin32AndDos, u"$Extend")}});
}

void TestVolume::PutBytes(std::uint64_t number, const ByteVector& record) {
  // Byte by byte through the runs, so that a record may straddle two of them.
  for (std::size_t i = 0; i < record.size(); ++i) {
    const std::uint64_t offset = number * record.size() + i;
    const std::uint64_t vcn = offset / cluster_size_;
    for (const Run& run : mft_runs_)
      if (vcn >= run.vcn && vcn < run.vcn + run.length)
        bytes_[(*run.lcn + vcn - run.vcn) * cluster_size_ + offset % cluster_size_] = record[i];
  }
}

void TestVolume::Put(std::uint64_t number, const RecordPlan& plan) { PutBytes(number, MakeRecord(plan, number)); }

FileReference TestVolume::AddFile(std::uint64_t number, FileReference parent, const std::u16string& name,
                                  bool directory, std::uint16_t sequence) {
  Put(number, {sequence, true, directory, {},
               {StandardInformation(0x20), FileNameAttribute(parent, NameSpace::kWin32, name)}});
  return {number, sequence};
}

}  // namespace quarvel::ntfs::test
