// What becomes of each file the Win32 search did not see, once the lister has
// looked at it again: dropped as vanished, or kept with a verdict. Made here
// for the window and the console alike, from the evidence of every view.
#pragma once

#include "core/Recheck.h"
#include "core/Verdict.h"

namespace quarvel {

struct Decision {
  bool vanished = false;  // every view that listed it now positively finds it gone
  Judgement judgement;    // for a file kept
};

// `answer` is the second look's, or nothing when none was taken for the file
// (the comparison was stopped, or the lister could not be asked again): the
// file then keeps the verdict of the first look. `scan_started` (a FILETIME)
// is when the lister began: a file whose metadata changed since is never
// accused.
Decision Decide(const UnseenFacts& facts, const RecheckAnswer* answer,
                std::optional<std::uint64_t> scan_started = std::nullopt);

}  // namespace quarvel
