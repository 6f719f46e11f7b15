// Step 1 of a scan as the window and the console companion run it: the
// embedded lister written out in a work folder (never a foreign one run), its
// command line built, and the lister started and waited for.
#pragma once

#include <windows.h>

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "core/ListerCommandLine.h"
#include "platform/UniqueHandle.h"

namespace quarvel::win {

struct ListerRunOutcome {
  enum class Kind {
    kListed,       // the lister ran to its end
    kForeignFile,  // a locate.com with other bytes that could not be replaced: not run
    kNotWritten,   // the lister could not be written in the work folder
    kNotStarted,   // the system refused to start it (error)
    kStopped,      // ended early at the caller's word; the partial listing is removed
    kNoCommand,    // no command line for this platform
    kFailed,       // the lister did not finish: its exit code was not 0, or its views file has no end
    kNotHeld,      // the listing or views file could not be made anew: another program holds the name
  };
  Kind kind = Kind::kListed;
  DWORD error = 0;      // why it could not be started
  DWORD exit_code = 0;  // the lister's, for kFailed
  std::string lister_path;
  // The folder listed, as the lister heads it: its full path and its short
  // form. Only headings within it are ever asked about.
  std::vector<std::string> roots;
  // When the lister was started (FILETIME): a file changed since is never accused.
  std::uint64_t started_at = 0;
  // Held open with read sharing only to the end of the comparison, the lister
  // from the check of its bytes and the listing and views file from before
  // the lister writes them (it writes through these handles): nobody can
  // replace the lister that the second look starts, nor write the listing
  // and views file that decide the verdicts.
  UniqueFileHandle lister_hold;
  UniqueFileHandle listing_hold;
  UniqueFileHandle views_hold;
};

// Why the lister did not finish, from its exit code: its own codes in words,
// any other (a process ended from outside) in the system's.
std::string ListerEndText(DWORD exit_code);

// Runs the lister in `launch.current_folder`, whose dll.txt (and the views file
// beside it) are replaced. `should_stop` is asked while it runs.
ListerRunOutcome RunListerIn(const ListerLaunch& launch, const std::function<bool()>& should_stop = {});

}  // namespace quarvel::win
