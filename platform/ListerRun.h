// Step 1 of a scan as the window and the console companion run it: the
// embedded lister written out in a work folder (never a foreign one run), its
// command line built, and the lister started and waited for.
#pragma once

#include <windows.h>

#include <functional>
#include <string>

#include "core/ListerCommandLine.h"

namespace quarvel::win {

struct ListerRunOutcome {
  enum class Kind {
    kListed,       // the lister ran to its end
    kForeignFile,  // a locate.com with other bytes that could not be replaced: not run
    kNotWritten,   // the lister could not be written in the work folder
    kNotStarted,   // the system refused to start it (error)
    kStopped,      // ended early at the caller's word; the partial listing is removed
    kNoCommand,    // no command line for this platform
  };
  Kind kind = Kind::kListed;
  DWORD error = 0;
  std::string lister_path;
};

// Runs the lister in `launch.current_folder`, whose dll.txt (and the views file
// beside it) are replaced. `should_stop` is asked while it runs.
ListerRunOutcome RunListerIn(const ListerLaunch& launch, const std::function<bool()>& should_stop = {});

}  // namespace quarvel::win
