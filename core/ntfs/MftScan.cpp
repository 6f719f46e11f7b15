#include "core/ntfs/MftScan.h"

#include <algorithm>

#include "core/ntfs/ClusterStream.h"

namespace quarvel::ntfs {
namespace {

void CountBad(MftTally& tally, std::uint64_t record, std::string reason) {
  ++tally.bad;
  if (tally.bad_records.size() < kKeptBadRecords) tally.bad_records.push_back({record, std::move(reason)});
}

void ReadOne(std::span<std::byte> buffer, std::uint64_t number, ByteSource& source, const BootSector& boot,
             const std::function<void(RecordContents&&)>& in_use, MftTally& tally) {
  auto record = ReadMftRecord(buffer, number);
  if (!record) return CountBad(tally, number, record.failure().text);
  if (!*record) {
    ++tally.empty;
    return;
  }
  if (!(*record)->header.InUse()) {
    ++tally.not_in_use;
    return;
  }
  auto contents = ReadRecordContents(**record, source, boot);
  if (!contents) return CountBad(tally, number, contents.failure().text);
  ++tally.in_use;
  in_use(std::move(*contents));
}

}  // namespace

void ScanMft(ByteSource& source, const BootSector& boot, const MftLayout& layout, const ScanOptions& options,
             const std::function<void(RecordContents&&)>& in_use, MftTally& tally) {
  const std::size_t record_size = boot.mft_record_size;
  const std::size_t per_read = std::max<std::size_t>(1, options.read_size / record_size);
  ClusterStream mft(source, boot.bytes_per_cluster, layout.runs);
  std::vector<std::byte> buffer(per_read * record_size);
  tally.records = layout.record_count;

  for (std::uint64_t first = 0; first < layout.record_count; first += per_read) {
    const auto count = static_cast<std::size_t>(std::min<std::uint64_t>(per_read, layout.record_count - first));
    const std::span<std::byte> chunk(buffer.data(), count * record_size);
    if (mft.Read(first * record_size, chunk, "MFT records from " + std::to_string(first))) {
      for (std::size_t i = 0; i < count; ++i)
        ReadOne(chunk.subspan(i * record_size, record_size), first + i, source, boot, in_use, tally);
      continue;
    }
    // The large read failed: read this part record by record to keep the ones that can be read.
    std::size_t unreadable = 0;
    for (std::size_t i = 0; i < count; ++i) {
      const auto one = chunk.subspan(i * record_size, record_size);
      if (auto read = mft.Read((first + i) * record_size, one, RecordLabel(first + i)); !read) {
        CountBad(tally, first + i, read.failure().text);
        ++unreadable;
      } else {
        ReadOne(one, first + i, source, boot, in_use, tally);
      }
    }
    // Nothing of this part could be read: the volume has ended, and so has the MFT.
    if (unreadable == count && first + count < layout.record_count) {
      const std::uint64_t rest = layout.record_count - first - count;
      CountBad(tally, first + count, RecordLabel(first + count) + " and the " + std::to_string(rest - 1) +
                                         " after it: not read, since the records before them could not be");
      tally.bad += rest - 1;
      return;
    }
  }
}

}  // namespace quarvel::ntfs
