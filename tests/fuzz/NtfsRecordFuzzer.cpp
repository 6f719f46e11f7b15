// libFuzzer target: any bytes, read as MFT records and as a run list. The reader
// must never read outside its buffers, crash or hang, whatever a record holds:
// a record is read alone, then as records 16 and 17 of a small volume, whose
// index is built and walked.
#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <vector>

#include "core/ntfs/MftRecord.h"
#include "core/ntfs/RecordContents.h"
#include "core/ntfs/RunList.h"
#include "core/ntfs/VolumeIndex.h"
#include "tests/support/TestVolume.h"

namespace {

using quarvel::ntfs::test::ByteVector;
constexpr std::size_t kRecord = 1024;

ByteVector RecordFrom(const std::uint8_t* data, std::size_t size, std::size_t at) {
  ByteVector record(kRecord);
  if (at < size) std::memcpy(record.data(), data + at, std::min(kRecord, size - at));
  return record;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  using namespace quarvel::ntfs;
  const std::vector<std::byte> input(reinterpret_cast<const std::byte*>(data), reinterpret_cast<const std::byte*>(data) + size);
  (void)DecodeRunList(input, 0, 1u << 20);

  // Alone, with the input itself as the volume that non-resident values are read from.
  ByteVector record = RecordFrom(data, size, 0);
  if (auto read = ReadMftRecord(record, 16); read && *read) {
    MemoryByteSource source(input);
    BootSector boot;
    boot.bytes_per_sector = 512;
    boot.sectors_per_cluster = 1;
    boot.bytes_per_cluster = 512;
    boot.total_sectors = size / 512 + 1;
    (void)ReadRecordContents(**read, source, boot);
    (void)ForEachAttribute(**read, [&](const AttributeView& attribute) {
      if (!attribute.resident) (void)DecodeRunList(attribute.run_list, attribute.first_vcn, boot.ClusterCount());
    });
  }

  // In a volume: the index links, merges and lists whatever the records claim.
  test::TestVolume volume;
  volume.PutBytes(16, RecordFrom(data, size, 0));
  if (size > kRecord) volume.PutBytes(17, RecordFrom(data, size, kRecord));
  MemoryByteSource image(volume.bytes());
  auto index = VolumeIndex::Read(image);
  if (!index) return 0;
  std::size_t children = index->Children(kRootRecord).size();
  for (std::size_t i = 0; i < index->EntryCount(); ++i) children += index->Children(index->EntryAt(i).record).size();
  return children > 64 * 1024 ? 1 : 0;
}
