// The volume's change journal (the NTFS USN journal) as the scan uses it: the
// lister notes where the journal stood when it began (the mark), and the
// second look reads what the journal recorded since, so that a file changed
// during the scan is known as changed even where the volume's records have not
// been written yet. The records come as FSCTL_READ_USN_JOURNAL returns them:
// the next USN (8 bytes), then USN_RECORD_V2 or V3 records, each 8-aligned.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <unordered_map>

namespace quarvel {

struct JournalMark {
  std::uint64_t journal_id = 0;
  std::int64_t next_usn = 0;
  bool operator==(const JournalMark&) const = default;
};

// "<journal id>:<next usn>", both in hex: the views file's "U" record and the
// second look's /USN: argument carry it.
std::string JournalMarkText(const JournalMark& mark);
std::optional<JournalMark> ParseJournalMark(std::string_view text);

// The files the journal recorded changing, by MFT file reference (the
// sequence number in the high 16 bits, as the views file's volume ids).
class JournalChanges {
 public:
  // Takes one buffer of FSCTL_READ_USN_JOURNAL's output, the records whose
  // reasons meet `reasons` (USN_REASON_* bits). Returns the USN to read on
  // from, or nothing when the buffer does not parse (nothing of it is taken
  // then).
  std::optional<std::int64_t> Take(std::span<const std::byte> buffer, std::uint32_t reasons);
  // When the journal last recorded a change to `reference` (a FILETIME).
  std::optional<std::uint64_t> ChangedAt(std::uint64_t reference) const;

 private:
  std::unordered_map<std::uint64_t, std::uint64_t> latest_;
};

}  // namespace quarvel
