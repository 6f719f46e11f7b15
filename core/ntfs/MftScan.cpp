#include "core/ntfs/MftScan.h"

#include <algorithm>
#include <bit>
#include <cstring>
#include <numeric>

#include "core/ntfs/ClusterStream.h"

namespace quarvel::ntfs {
namespace {

// Free records between two used ones that are still read through rather than
// skipped: one read of 64 KiB costs less than two seeks.
constexpr std::uint64_t kLongestReadGap = 64;
// A real $MFT's bitmap is far smaller (4 million records take 512 KiB).
constexpr std::uint64_t kLargestBitmap = 64u << 20;

void CountBad(MftTally& tally, std::uint64_t record, std::string reason) {
  ++tally.bad;
  if (tally.bad_records.size() < kKeptBadRecords) tally.bad_records.push_back({record, std::move(reason)});
}

class Scanner {
 public:
  Scanner(ByteSource& source, const BootSector& boot, const MftLayout& layout, const MftBitmap& bitmap,
          const std::function<void(RecordContents&)>& in_use, MftTally& tally)
      : source_(source), boot_(boot), bitmap_(bitmap), in_use_(in_use), tally_(tally),
        mft_(source, boot.bytes_per_cluster, layout.runs), size_(boot.mft_record_size) {}

  // Reads `count` records from `first` into `buffer` and parses them; a read
  // that fails is split in halves until single records, so one bad sector
  // costs only its records.
  void ReadSpan(std::uint64_t first, std::uint64_t count, std::span<std::byte> buffer) {
    const auto chunk = buffer.first(static_cast<std::size_t>(count * size_));
    if (mft_.Read(first * size_, chunk, "MFT records")) {
      for (std::uint64_t i = 0; i < count; ++i) ReadOne(chunk.subspan(static_cast<std::size_t>(i * size_), size_), first + i);
      return;
    }
    if (count == 1) {
      CountBad(tally_, first, RecordLabel(first) + ": could not be read");
      if (unreadable_end_ != first) ++tally_.unreadable_stretches;
      unreadable_end_ = first + 1;
      return;
    }
    ReadSpan(first, count / 2, buffer);
    ReadSpan(first + count / 2, count - count / 2, buffer);
  }

 private:
  void ReadOne(std::span<std::byte> buffer, std::uint64_t number) {
    if (!bitmap_.Used(number)) {
      // Free by the bitmap: only a record whose own header says it is in use is
      // parsed (the flags lie in the first sector, before any fix-up).
      const bool claims_use = std::memcmp(buffer.data(), "FILE", 4) == 0 &&
                              (std::to_integer<unsigned>(buffer[0x16]) & 0x01) != 0;
      if (!claims_use) {
        ++tally_.free;
        return;
      }
      ++tally_.in_use_marked_free;
    }
    auto record = ReadMftRecord(buffer, number);
    if (!record) {
      // A torn record may be one the system was writing just then: read it once more.
      ++tally_.reread;
      if (!mft_.Read(number * size_, buffer, RecordLabel(number))) return CountBad(tally_, number, record.failure().text);
      record = ReadMftRecord(buffer, number);
      if (!record) return CountBad(tally_, number, record.failure().text);
    }
    if (!*record) {
      ++tally_.empty;
      return;
    }
    if (!(*record)->header.InUse()) {
      ++tally_.not_in_use;
      return;
    }
    auto read = ReadRecordContentsInto(**record, source_, boot_, contents_);
    if (!read) return CountBad(tally_, number, read.failure().text);
    ++tally_.in_use;
    in_use_(contents_);
  }

  ByteSource& source_;
  const BootSector& boot_;
  const MftBitmap& bitmap_;
  const std::function<void(RecordContents&)>& in_use_;
  MftTally& tally_;
  ClusterStream mft_;
  std::uint64_t size_;
  std::uint64_t unreadable_end_ = ~std::uint64_t{0};
  // Every record is read into this one (a callback may move it away): its
  // names keep their storage from record to record.
  RecordContents contents_;
};

}  // namespace

std::uint64_t MftBitmap::InUseCount(std::uint64_t records) const {
  if (bits.empty()) return records;
  std::uint64_t count = 0;
  const std::uint64_t whole = std::min<std::uint64_t>(records / 8, bits.size());
  for (std::uint64_t i = 0; i < whole; ++i) count += static_cast<std::uint64_t>(std::popcount(bits[i]));
  for (std::uint64_t r = whole * 8; r < records; ++r) count += Used(r) ? 1 : 0;
  return count;
}

MftBitmap ReadMftBitmap(ByteSource& source, const BootSector& boot, const MftLayout& layout) {
  MftBitmap bitmap;
  if (!layout.bitmap || layout.bitmap->size == 0 || layout.bitmap->size > kLargestBitmap) return bitmap;
  std::vector<std::byte> bytes;
  if (layout.bitmap->runs.empty()) {
    bytes = layout.bitmap->resident;
  } else {
    ClusterStream stream(source, boot.bytes_per_cluster, layout.bitmap->runs);
    auto read = ReadValue(stream, layout.bitmap->size, kLargestBitmap, "$MFT's $BITMAP");
    if (!read) return bitmap;  // unreadable: every record is read instead
    bytes = std::move(*read);
  }
  bitmap.bits.resize(bytes.size());
  std::transform(bytes.begin(), bytes.end(), bitmap.bits.begin(), [](std::byte b) { return std::to_integer<std::uint8_t>(b); });
  // A bitmap that marks nothing in use (not even the MFT itself) is not believed.
  if (!bitmap.bits.empty() && (bitmap.bits[0] & 1) == 0) bitmap.bits.clear();
  return bitmap;
}

void ScanMft(ByteSource& source, const BootSector& boot, const MftLayout& layout, const MftBitmap& bitmap,
             const ScanOptions& options, const std::function<void(RecordContents&)>& in_use, MftTally& tally) {
  const std::uint64_t per_read = std::max<std::uint64_t>(1, options.read_size / boot.mft_record_size);
  std::vector<std::byte> buffer(static_cast<std::size_t>(per_read * boot.mft_record_size));
  tally.records = layout.record_count;
  tally.bitmap_used = !bitmap.bits.empty();
  Scanner scanner(source, boot, layout, bitmap, in_use, tally);

  // Reads stretches that start and end with a used record, skipping every gap
  // of free records longer than kLongestReadGap.
  const std::uint64_t count = layout.record_count;
  std::uint64_t at = 0;
  while (at < count) {
    std::uint64_t first = at;
    while (first < count && !bitmap.Used(first)) ++first;
    tally.free += first - at;
    if (first == count) break;
    std::uint64_t last_used = first;
    std::uint64_t end = first + 1;
    while (end < count && end - first < per_read) {
      if (bitmap.Used(end)) last_used = end;
      else if (end - last_used > kLongestReadGap) break;
      ++end;
    }
    scanner.ReadSpan(first, last_used + 1 - first, buffer);
    at = last_used + 1;
  }
}

std::vector<RecordLookup> ReadRecords(ByteSource& source, const BootSector& boot, const MftLayout& layout,
                                      std::span<const FileReference> wanted) {
  ClusterStream mft(source, boot.bytes_per_cluster, layout.runs);
  std::vector<std::byte> buffer(boot.mft_record_size);
  using State = RecordLookup::State;
  // One record read, fixed up, parsed; once more when torn.
  const auto read = [&](std::uint64_t number, RecordLookup& out) -> std::optional<RecordContents> {
    if (number >= layout.record_count) {
      out.state = State::kUnreadable;
      out.reason = RecordLabel(number) + ": outside the MFT";
      return std::nullopt;
    }
    for (int attempt = 0;; ++attempt) {
      if (auto got = mft.Read(number * boot.mft_record_size, buffer, RecordLabel(number)); !got) {
        out.state = State::kUnreadable;
        out.reason = got.failure().text;
        return std::nullopt;
      }
      auto record = ReadMftRecord(buffer, number);
      if (!record) {
        if (attempt == 0) continue;
        out.state = State::kDamaged;
        out.reason = record.failure().text;
        return std::nullopt;
      }
      if (!*record || !(*record)->header.InUse()) {
        out.state = State::kNotInUse;
        return std::nullopt;
      }
      auto contents = ReadRecordContents(**record, source, boot);
      if (!contents) {
        out.state = State::kDamaged;
        out.reason = contents.failure().text;
        return std::nullopt;
      }
      return std::move(*contents);
    }
  };

  std::vector<RecordLookup> answers(wanted.size());
  std::vector<std::size_t> order(wanted.size());
  std::iota(order.begin(), order.end(), std::size_t{0});
  std::stable_sort(order.begin(), order.end(), [&](std::size_t a, std::size_t b) { return wanted[a].record < wanted[b].record; });
  for (const std::size_t i : order) {
    RecordLookup& answer = answers[i];
    answer.asked = wanted[i];
    auto contents = read(wanted[i].record, answer);
    if (!contents) continue;
    if (contents->header.IsExtension()) {
      answer.state = State::kNotInUse;  // an extension record is no file of its own
      continue;
    }
    if (contents->header.sequence != wanted[i].sequence) {
      answer.state = State::kReused;
      continue;
    }
    for (const FileReference& extension : contents->extension_records) {
      RecordLookup part;
      auto more = read(extension.record, part);
      if (more && more->header.sequence == extension.sequence &&
          more->header.base == FileReference{contents->header.number, contents->header.sequence})
        MergeExtension(*contents, *more);
    }
    answer.state = State::kFound;
    answer.contents = std::move(*contents);
  }
  return answers;
}

}  // namespace quarvel::ntfs
