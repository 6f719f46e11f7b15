#include "lister/UsnJournal.h"

#include <winioctl.h>

namespace quarvel::lister {
namespace {

// The changes that can alter how a view lists a file. A write of its data
// cannot, and a hider's own file may be written all the time.
constexpr DWORD kListingReasons = USN_REASON_FILE_CREATE | USN_REASON_FILE_DELETE | USN_REASON_RENAME_OLD_NAME |
                                  USN_REASON_RENAME_NEW_NAME | USN_REASON_BASIC_INFO_CHANGE |
                                  USN_REASON_HARD_LINK_CHANGE | USN_REASON_REPARSE_POINT_CHANGE;

}  // namespace

std::optional<JournalMark> JournalMarkNow(HANDLE volume) {
  USN_JOURNAL_DATA data{};
  DWORD returned = 0;
  if (!DeviceIoControl(volume, FSCTL_QUERY_USN_JOURNAL, nullptr, 0, &data, sizeof(data), &returned, nullptr) ||
      returned < sizeof(data)) {
    return std::nullopt;
  }
  return JournalMark{data.UsnJournalID, data.NextUsn};
}

std::optional<std::uint64_t> UsnJournal::ChangedAt(std::uint64_t reference) {
  ReadOn();
  return changes_.ChangedAt(reference);
}

void UsnJournal::ReadOn() {
  while (!failed_) {
    READ_USN_JOURNAL_DATA read{};
    read.StartUsn = next_usn_;
    read.ReasonMask = kListingReasons;
    read.UsnJournalID = mark_.journal_id;  // another journal since the mark is an error, not a silent restart
    DWORD returned = 0;
    if (!DeviceIoControl(volume_, FSCTL_READ_USN_JOURNAL, &read, sizeof(read), buffer_.data(),
                         static_cast<DWORD>(buffer_.size()), &returned, nullptr)) {
      failed_ = true;
      return;
    }
    const auto next = changes_.Take(std::span(buffer_.data(), returned), kListingReasons);
    if (!next) {
      failed_ = true;
      return;
    }
    const bool more = returned > sizeof(USN) && *next != next_usn_;
    next_usn_ = *next;
    if (!more) return;
  }
}

}  // namespace quarvel::lister
