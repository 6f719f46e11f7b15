#include "platform/ListerRun.h"

#include "core/ListingViews.h"
#include "core/WorkFiles.h"
#include "platform/FindFiles.h"
#include "platform/FreshFile.h"
#include "platform/LaunchAppSync.h"
#include "platform/ResourceFile.h"
#include "platform/SystemError.h"

namespace quarvel::win {

namespace {

// Checks that the views file ends with the lister's end record: a lister
// killed or crashed part way leaves a listing that must not read as whole.
bool ViewsFileEnded(HANDLE views) {
  LARGE_INTEGER size{};
  std::string tail(256, '\0');
  DWORD read = 0;
  OVERLAPPED at{};
  if (GetFileSizeEx(views, &size)) {
    const auto start = size.QuadPart > static_cast<LONGLONG>(tail.size()) ? size.QuadPart - static_cast<LONGLONG>(tail.size()) : 0;
    at.Offset = static_cast<DWORD>(start);
    at.OffsetHigh = static_cast<DWORD>(static_cast<ULONGLONG>(start) >> 32);
    if (!ReadFile(views, tail.data(), static_cast<DWORD>(tail.size()), &read, &at)) read = 0;
  }
  tail.resize(read);
  return EndsWithEndRecord(tail);
}

// The listed folder's full path and short form, each ending in "\".
std::vector<std::string> RootsOf(const std::string& folder) {
  std::vector<std::string> roots;
  std::string full(32768, '\0');
  const DWORD length = GetFullPathNameA(folder.c_str(), static_cast<DWORD>(full.size()), full.data(), nullptr);
  if (length == 0 || length >= full.size()) return roots;
  full.resize(length);
  if (full.back() != '\\') full += '\\';
  roots.push_back(full);
  std::string short_form(32768, '\0');
  const DWORD short_length =
      GetShortPathNameA(full.c_str(), short_form.data(), static_cast<DWORD>(short_form.size()));
  if (short_length > 0 && short_length < short_form.size()) {
    short_form.resize(short_length);
    if (short_form.back() != '\\') short_form += '\\';
    if (short_form != full) roots.push_back(short_form);
  }
  return roots;
}

}  // namespace

std::string ListerEndText(DWORD exit_code) {
  switch (exit_code) {
    case 0: return "its views file has no end record";
    case 3: return "it met a failure it could not go on from";
    case 4: return "it could not write its listing";
    default: return SystemErrorDescription(exit_code);
  }
}

ListerRunOutcome RunListerIn(const ListerLaunch& launch, const std::function<bool()>& should_stop) {
  ListerRunOutcome outcome;
  outcome.roots = RootsOf(launch.path_box_text);
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
  // another program, or planted) is replaced first, and never run. It is held
  // from this check on, so what runs is what was checked.
  outcome.lister_hold = HoldIfResource(kListerResourceId, lister);
  if (!outcome.lister_hold) {
    if (ReplaceWithResource(kListerResourceId, lister)) outcome.lister_hold = HoldIfResource(kListerResourceId, lister);
    if (!outcome.lister_hold) {
      outcome.kind = ListerRunOutcome::Kind::kForeignFile;
      return outcome;
    }
  }
  const auto command_line = BuildListerCommandLine(launch);
  if (!command_line) {
    outcome.kind = ListerRunOutcome::Kind::kNoCommand;
    return outcome;
  }
  // The listing and views file are made here, anew, and handed to the lister
  // as its standard output and error: held with read sharing only from before
  // the lister writes a byte to the end of the comparison, so nobody who can
  // write this folder can put a listing of their own in their place.
  const DWORD kReadAndWrite = GENERIC_READ | GENERIC_WRITE;
  outcome.listing_hold = CreateFreshFile(listing, FILE_SHARE_READ, kReadAndWrite);
  if (outcome.listing_hold) outcome.views_hold = CreateFreshFile(views, FILE_SHARE_READ, kReadAndWrite);
  if (!outcome.views_hold) {
    outcome.kind = ListerRunOutcome::Kind::kNotHeld;
    outcome.error = GetLastError();
    outcome.listing_hold.reset();
    return outcome;
  }
  FILETIME now{};
  GetSystemTimeAsFileTime(&now);
  outcome.started_at = (static_cast<std::uint64_t>(now.dwHighDateTime) << 32) | now.dwLowDateTime;
  const auto run = StartAndWait(*command_line, should_stop, {outcome.listing_hold.get(), outcome.views_hold.get()});
  if (run.stopped) {
    outcome.listing_hold.reset();
    outcome.views_hold.reset();
    DeleteFileA(listing.c_str());
    DeleteFileA(views.c_str());
    outcome.kind = ListerRunOutcome::Kind::kStopped;
  } else if (!run.started) {
    outcome.kind = ListerRunOutcome::Kind::kNotStarted;
    outcome.error = run.error;
  } else if (run.exit_code != 0) {
    outcome.kind = ListerRunOutcome::Kind::kFailed;
    outcome.exit_code = run.exit_code;
  } else if (!ViewsFileEnded(outcome.views_hold.get())) {
    outcome.kind = ListerRunOutcome::Kind::kFailed;
  }
  return outcome;
}

}  // namespace quarvel::win
