#include "core/hive/HiveLog.h"

#include <algorithm>
#include <cstring>
#include <optional>
#include <utility>

#include "core/hive/Marvin32.h"

namespace quarvel::hive {
namespace {

using ntfs::Le32;
using ntfs::Le64;

constexpr std::size_t kSector = 512;
constexpr std::size_t kPage = 4096;
constexpr std::size_t kEntryHeader = 40;

void PutLe32(std::vector<std::byte>& bytes, std::size_t at, std::uint32_t value) {
  for (std::size_t i = 0; i < 4; ++i) bytes[at + i] = static_cast<std::byte>(value >> (8 * i));
}

void Reseal(std::vector<std::byte>& file, std::uint32_t sequence, std::uint32_t bins_size) {
  PutLe32(file, 4, sequence);
  PutLe32(file, 8, sequence);
  PutLe32(file, 28, kPrimaryFile);
  PutLe32(file, 40, bins_size);
  PutLe32(file, 508, BaseBlockChecksum(file));
}

struct Page {
  std::uint32_t offset;  // in the bins
  Bytes bytes;
};

// Writes the pages, growing the file only as far as they reach: a log that
// claims a huge hive but brings no pages for it costs no memory, and the
// bins past the file's end are out of reach when the hive is opened.
void Write(std::vector<std::byte>& file, const std::vector<Page>& pages) {
  for (const Page& page : pages) {
    const std::size_t end = kBaseBlockSize + std::size_t{page.offset} + page.bytes.size();
    if (file.size() < end) file.resize(end);
    std::memcpy(file.data() + kBaseBlockSize + page.offset, page.bytes.data(), page.bytes.size());
  }
}

struct Entry {
  std::uint32_t sequence;
  std::uint32_t bins_size;
  std::vector<Page> pages;
  const LogFile* log;
};

// The entries of a new-format log, up to the first that is not whole.
std::vector<Entry> ReadEntries(const LogFile& log, std::vector<std::string>& notes) {
  std::vector<Entry> entries;
  const Bytes bytes = log.bytes;
  std::size_t at = kSector;
  while (at + kEntryHeader <= bytes.size() && Le32(bytes, at) == 0x454C7648) {  // "HvLE"
    const std::string where = log.name + " entry at " + std::to_string(at);
    const std::size_t size = Le32(bytes, at + 4);
    if (size < kEntryHeader || size % kSector != 0 || size > bytes.size() - at) {
      notes.push_back(where + ": size out of bounds");
      break;
    }
    const Bytes entry = bytes.subspan(at, size);
    if (Marvin32(entry.subspan(kEntryHeader), kLogEntrySeed) != Le64(entry, 24) ||
        Marvin32(entry.subspan(0, 32), kLogEntrySeed) != Le64(entry, 32)) {
      notes.push_back(where + ": hash does not match");
      break;
    }
    Entry read{Le32(entry, 12), Le32(entry, 16), {}, &log};
    const std::size_t count = Le32(entry, 20);
    bool whole = read.bins_size % kPage == 0 && count <= (size - kEntryHeader) / 8;
    std::size_t data = kEntryHeader + count * 8;
    for (std::size_t i = 0; whole && i < count; ++i) {
      const std::uint32_t offset = Le32(entry, kEntryHeader + i * 8);
      const std::uint32_t length = Le32(entry, kEntryHeader + i * 8 + 4);
      whole = offset % kPage == 0 && length % kPage == 0 && length != 0 && length <= size - data &&
              offset <= read.bins_size && length <= read.bins_size - offset;
      if (whole) read.pages.push_back(Page{offset, entry.subspan(data, length)});
      data += length;
    }
    if (!whole) {
      notes.push_back(where + ": a page lies outside the entry or the hive");
      break;
    }
    entries.push_back(std::move(read));
    at += size;
  }
  return entries;
}

// An old-format log: its dirty pages, if the whole log is there.
std::optional<std::vector<Page>> ReadDirtyPages(const LogFile& log, const BaseBlock& base, std::vector<std::string>& notes) {
  const Bytes bytes = log.bytes;
  const std::size_t sector = kSector * std::clamp<std::size_t>(base.clustering, 1, 8);
  if (base.bins_size % kPage != 0 || !ntfs::Fits(bytes, sector, 4) || Le32(bytes, sector) != 0x54524944) {  // "DIRT"
    notes.push_back(log.name + ": no dirty vector");
    return std::nullopt;
  }
  const std::size_t bits = base.bins_size / kSector;
  const std::size_t bitmap = sector + 4;
  if (!ntfs::Fits(bytes, bitmap, (bits + 7) / 8)) {
    notes.push_back(log.name + ": dirty vector cut short");
    return std::nullopt;
  }
  std::size_t data = (bitmap + (bits + 7) / 8 + sector - 1) / sector * sector;
  std::vector<Page> pages;
  for (std::size_t bit = 0; bit < bits; ++bit) {
    if ((static_cast<unsigned>(bytes[bitmap + bit / 8]) & (1u << (bit % 8))) == 0) continue;
    if (!ntfs::Fits(bytes, data, kSector)) {
      notes.push_back(log.name + ": dirty pages cut short");
      return std::nullopt;
    }
    pages.push_back(Page{static_cast<std::uint32_t>(bit * kSector), bytes.subspan(data, kSector)});
    data += kSector;
  }
  return pages;
}

}  // namespace

Result<Recovered> Recover(std::vector<std::byte> primary, std::span<const LogFile> logs) {
  Recovered out;
  Recovery& recovery = out.recovery;
  auto base = ReadBaseBlock(primary);
  if (!base) return base.failure();
  if (primary.size() < kBaseBlockSize) return Failure{"hive: shorter than its base block"};
  recovery.sequence = base->secondary_sequence;
  if (!base->Dirty()) {
    out.file = std::move(primary);
    return out;
  }
  recovery.dirty = true;
  // Without a sound base block, the first bin's copy of the timestamp names the matching log.
  const std::uint64_t written = base->checksum_ok ? base->last_written : Le64(primary, kBaseBlockSize + 20);

  struct Candidate {
    const LogFile* log;
    BaseBlock base;
  };
  std::vector<Candidate> old_logs;
  std::vector<Candidate> new_logs;
  for (const LogFile& log : logs) {
    if (log.bytes.empty()) continue;
    auto log_base = ReadBaseBlock(log.bytes);
    if (!log_base || !log_base->checksum_ok) {
      recovery.notes.push_back(log.name + ": no sound base block");
      continue;
    }
    if (log_base->file_type == kNewLogFile) {
      new_logs.push_back({&log, *log_base});
    } else if (log_base->file_type == kOldLogFile || log_base->file_type == kOldLogFileAlternate) {
      old_logs.push_back({&log, *log_base});
    } else {
      recovery.notes.push_back(log.name + ": not a transaction log");
    }
  }

  // A damaged primary base block is replaced by a log's (its first sector only).
  auto adopt_base = [&](const Candidate& from) {
    if (base->checksum_ok) return;
    std::memcpy(primary.data(), from.log->bytes.data(), kSector);
    recovery.base_from_log = true;
  };

  for (const Candidate& candidate : old_logs) {
    const BaseBlock& log_base = candidate.base;
    if (log_base.primary_sequence != log_base.secondary_sequence) {
      recovery.notes.push_back(candidate.log->name + ": the log itself was not finished");
      continue;
    }
    if (log_base.last_written != written || (base->checksum_ok && log_base.primary_sequence != base->primary_sequence)) {
      recovery.notes.push_back(candidate.log->name + ": does not follow the primary's sequence number " +
                               std::to_string(base->primary_sequence));
      continue;
    }
    auto pages = ReadDirtyPages(*candidate.log, log_base, recovery.notes);
    if (!pages) continue;
    adopt_base(candidate);
    Write(primary, *pages);
    std::memcpy(primary.data(), candidate.log->bytes.data(), std::min<std::size_t>(kSector, candidate.log->bytes.size()));
    Reseal(primary, log_base.primary_sequence, log_base.bins_size);
    recovery.entries_applied = 1;
    recovery.pages_applied = static_cast<std::uint32_t>(pages->size());
    recovery.sequence = log_base.primary_sequence;
    out.file = std::move(primary);
    return out;
  }

  std::vector<Entry> entries;
  for (const Candidate& candidate : new_logs) {
    auto read = ReadEntries(*candidate.log, recovery.notes);
    entries.insert(entries.end(), std::make_move_iterator(read.begin()), std::make_move_iterator(read.end()));
  }
  if (!entries.empty() && !base->checksum_ok) adopt_base(new_logs.front());
  auto sealed = ReadBaseBlock(primary);
  std::uint32_t expected = sealed ? sealed->primary_sequence : base->primary_sequence;
  std::uint32_t bins_size = sealed ? sealed->bins_size : base->bins_size;
  const std::uint32_t first = expected;
  for (;;) {
    auto next = std::find_if(entries.begin(), entries.end(), [&](const Entry& e) { return e.sequence == expected; });
    if (next == entries.end()) break;
    Write(primary, next->pages);
    bins_size = next->bins_size;
    recovery.pages_applied += static_cast<std::uint32_t>(next->pages.size());
    ++recovery.entries_applied;
    recovery.sequence = expected;
    ++expected;
  }
  const bool later = std::any_of(entries.begin(), entries.end(), [&](const Entry& e) { return e.sequence > expected; });
  if (recovery.entries_applied == 0 && later)
    recovery.notes.push_back("log entries do not follow the primary's sequence number " + std::to_string(first));
  else if (later)
    recovery.notes.push_back("log entries after a missing sequence number " + std::to_string(expected) + " left out");
  if (recovery.entries_applied > 0) Reseal(primary, recovery.sequence, bins_size);
  out.file = std::move(primary);
  return out;
}

}  // namespace quarvel::hive
