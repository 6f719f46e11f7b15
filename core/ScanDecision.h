// What becomes of each file the Win32 search did not see, once the lister has
// looked at it again: dropped as vanished, or kept with a verdict. Made here
// for the window and the console alike, from the evidence of every view.
#pragma once

#include <string>

#include "core/Recheck.h"
#include "core/Verdict.h"

namespace quarvel {

struct Decision {
  bool vanished = false;  // every view that listed it now positively finds it gone
  Judgement judgement;    // for a file kept
};

// The second look as a whole: not needed (no file to ask about, or the
// comparison was stopped), taken, or failed, its answers then not trusted.
struct SecondLookState {
  enum class Kind { kNotNeeded, kTaken, kFailed };
  Kind kind = Kind::kNotNeeded;
  std::string failure;  // why, in words, for kFailed
};

// "second look: taken", "second look: not needed", or "second look: failed,
// because ...", for the window's counts and the console's summary.
std::string SecondLookText(const SecondLookState& state);

// `answer` is the second look's, or nothing when none was taken for the file
// (the comparison was stopped, or the lister could not be asked again): the
// file then keeps the verdict of the first look. When `second_look_failed`, an
// accusation says that it could not be confirmed. `scan_started` (a FILETIME)
// is when the lister began: a file whose metadata changed since is never
// accused.
Decision Decide(const UnseenFacts& facts, const RecheckAnswer* answer,
                std::optional<std::uint64_t> scan_started = std::nullopt, bool second_look_failed = false);

}  // namespace quarvel
