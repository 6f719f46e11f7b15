// The volume's change journal through FSCTL_QUERY_USN_JOURNAL and
// FSCTL_READ_USN_JOURNAL (Windows, with the volume open raw; Wine has no
// journal and answers neither). The second look asks it, through JournalView,
// which files changed since the scan's mark.
#pragma once

#include <windows.h>

#include <cstddef>
#include <optional>
#include <vector>

#include "core/ChangeJournal.h"
#include "lister/Recheck.h"

namespace quarvel::lister {

// Where the journal of the open volume `volume` stands now; nothing when it
// has none or cannot be asked.
std::optional<JournalMark> JournalMarkNow(HANDLE volume);

class UsnJournal final : public JournalView {
 public:
  // Reads the journal of `volume` (which must stay open while this lives)
  // from `mark` on, as far as it reaches at each question.
  UsnJournal(HANDLE volume, const JournalMark& mark) : volume_(volume), mark_(mark), next_usn_(mark.next_usn) {}

  // A journal that cannot be read on (deleted, wrapped past the mark, made
  // anew) keeps what it read until then: it only ever withdraws accusations,
  // so what it cannot say leaves the other views' evidence as it stands.
  std::optional<std::uint64_t> ChangedAt(std::uint64_t reference) override;

 private:
  void ReadOn();

  HANDLE volume_;
  JournalMark mark_;
  std::int64_t next_usn_;
  JournalChanges changes_;
  std::vector<std::byte> buffer_ = std::vector<std::byte>(64 * 1024);
  bool failed_ = false;
};

}  // namespace quarvel::lister
