#include "platform/ListerRun.h"

#include "core/ListingViews.h"
#include "core/WorkFiles.h"
#include "platform/FindFiles.h"
#include "platform/LaunchAppSync.h"
#include "platform/ResourceFile.h"

namespace quarvel::win {

ListerRunOutcome RunListerIn(const ListerLaunch& launch, const std::function<bool()>& should_stop) {
  ListerRunOutcome outcome;
  const std::string listing = launch.current_folder + kListingFile;
  const std::string views = ViewsFileFor(listing);
  outcome.lister_path = launch.current_folder + kListerFile;
  DeleteFileA(listing.c_str());
  DeleteFileA(views.c_str());
  const std::string& lister = outcome.lister_path;
  if (GetFileAttributesA(lister.c_str()) == INVALID_FILE_ATTRIBUTES && !LoadDataIntoFile(kListerResourceId, lister)) {
    outcome.kind = ListerRunOutcome::Kind::kNotWritten;
    outcome.error = GetLastError();
    return outcome;
  }
  // Only our own lister is ever run: a locate.com with other bytes (left by
  // another program, or planted) is replaced first, and never run.
  if (!FileHoldsResource(kListerResourceId, lister) && !ReplaceWithResource(kListerResourceId, lister)) {
    outcome.kind = ListerRunOutcome::Kind::kForeignFile;
    return outcome;
  }
  const auto command_line = BuildListerCommandLine(launch);
  if (!command_line) {
    outcome.kind = ListerRunOutcome::Kind::kNoCommand;
    return outcome;
  }
  const auto run = StartAndWait(*command_line, should_stop);
  if (run.stopped) {
    DeleteFileA(listing.c_str());
    DeleteFileA(views.c_str());
    outcome.kind = ListerRunOutcome::Kind::kStopped;
  } else if (!run.started) {
    outcome.kind = ListerRunOutcome::Kind::kNotStarted;
    outcome.error = run.error;
  }
  return outcome;
}

}  // namespace quarvel::win
