// Brings a primary hive file up to date from its transaction logs, as Windows
// does when it loads a hive. Only a dirty primary (a bad checksum, or sequence
// numbers that differ) takes a log. Old-format logs (a dirty-page bitmap after
// the log's base block) apply whole when their sequence number is the one the
// primary's unfinished write started and their timestamp is the primary's.
// New-format logs hold entries ("HvLE"), each with a sequence number and two
// Marvin32 hashes: from both logs, in order, the entries whose numbers follow
// on from the primary's, one by one, until an entry is missing or damaged.
#pragma once

#include <cstddef>
#include <cstdint>
#include <span>
#include <string>
#include <vector>

#include "core/hive/Hive.h"

namespace quarvel::hive {

struct LogFile {
  std::string name;  // ".LOG1", for the notes
  Bytes bytes;       // empty: the file is not there
};

struct Recovery {
  bool dirty = false;           // the primary's base block said a write had not finished
  bool base_from_log = false;   // the primary's base block was damaged; a log's replaced it
  std::uint32_t entries_applied = 0;  // log entries (new format) or whole logs (old format)
  std::uint32_t pages_applied = 0;    // 512-byte (old) or 4 KiB (new) pages written
  std::uint32_t sequence = 0;         // the hive's sequence number afterwards
  std::vector<std::string> notes;     // why a log or an entry was left out
};

struct Recovered {
  std::vector<std::byte> file;
  Recovery recovery;
};

// `logs` in the order Windows takes them: .LOG1, then .LOG2 (and .LOG, if any).
Result<Recovered> Recover(std::vector<std::byte> primary, std::span<const LogFile> logs);

}  // namespace quarvel::hive
