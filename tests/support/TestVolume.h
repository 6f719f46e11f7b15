// Small NTFS volumes built in memory, record by record, for the cases a volume
// made by mkntfs never has: damaged and hostile records, stale and looping
// parent references, an MFT split at any cluster.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "core/ntfs/AttributeValues.h"
#include "core/ntfs/ByteSource.h"
#include "core/ntfs/FileReference.h"
#include "core/ntfs/RunList.h"

namespace quarvel::ntfs::test {

using ByteVector = std::vector<std::byte>;

ByteVector EncodeRuns(const std::vector<Run>& runs);
ByteVector Resident(std::uint32_t type, const ByteVector& value);
ByteVector NonResident(std::uint32_t type, const std::vector<Run>& runs, std::uint64_t data_size);
ByteVector StandardInformation(std::uint32_t attributes, StandardTimes times = {});
ByteVector FileNameAttribute(FileReference parent, NameSpace name_space, const std::u16string& name);
ByteVector ReparsePoint(std::uint32_t tag);
ByteVector AttributeList(const std::vector<AttributeListEntry>& entries);

struct RecordPlan {
  std::uint16_t sequence = 1;
  bool in_use = true;
  bool directory = false;
  FileReference base;
  std::vector<ByteVector> attributes;
};

// The record's bytes as they lie on disk, update sequence applied.
ByteVector MakeRecord(const RecordPlan& plan, std::uint64_t number, std::size_t size = 1024);

class TestVolume {
 public:
  // 1 KiB records; the MFT in `mft_runs` (contiguous at cluster 16 when empty),
  // with record 0 describing it by one unnamed $DATA, the root (5) and $Extend (11).
  explicit TestVolume(std::uint32_t cluster_size = 1024, std::vector<Run> mft_runs = {},
                      std::uint64_t records = 64);

  void Put(std::uint64_t number, const RecordPlan& plan);
  void PutBytes(std::uint64_t number, const ByteVector& record);
  // A user file or folder with one Win32 name; returns its reference.
  FileReference AddFile(std::uint64_t number, FileReference parent, const std::u16string& name,
                        bool directory = false, std::uint16_t sequence = 1);

  std::uint64_t ClusterCount() const { return bytes_.size() / cluster_size_; }
  const std::vector<Run>& mft_runs() const { return mft_runs_; }
  ByteVector& bytes() { return bytes_; }
  MemoryByteSource Source() const { return MemoryByteSource(bytes_); }

 private:
  std::uint32_t cluster_size_;
  std::vector<Run> mft_runs_;
  ByteVector bytes_;
};

inline constexpr FileReference kRoot{kRootRecord, kRootRecord};

}  // namespace quarvel::ntfs::test
