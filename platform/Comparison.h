// Step 2 of a scan as the window and the console companion run it: the listing
// read line by line and each file put to the ordinary Win32 search (through
// OrdinarySearchView), then every file the search does not see looked at once
// more by the lister (a file that merely vanished since the listing is not
// reported), and a verdict found for each from the evidence.
#pragma once

#include <functional>
#include <map>
#include <string>
#include <string_view>
#include <vector>

#include "core/ListingReader.h"
#include "core/ListingViews.h"
#include "core/ScanDecision.h"
#include "core/Verdict.h"
#include "platform/ListerRun.h"

namespace quarvel::win {

struct UnseenEntry {
  std::string item;  // as List1 shows it
  UnseenFacts facts;
  Judgement judgement;
};

struct ComparisonOutcome {
  bool stopped = false;  // the reading was ended early; no second look was taken
  std::string size_summary;
  std::uint64_t files_listed = 0;    // from the lister's count summary
  std::uint64_t folders_listed = 0;
  std::vector<UnseenEntry> unseen;     // after the second look, in listing order
  std::vector<std::string> vanished;   // items the second look no longer found
  std::vector<std::size_t> vanished_at;  // their places among the unseen callbacks, in order
  std::vector<int> counts = std::vector<int>(kVerdictCount, 0);
  Views lister_views;  // the views the lister read with (from its views file)
  std::map<ViewId, std::string> views_not_used;  // and why it could not use the others
  std::optional<VolumeViewState> volume_view;    // whether it read the volume raw, and what it skipped
  SecondLookState second_look;  // taken, not needed, or failed (its answers then unused)
};

// What the caller does with each line as it is read: List2's items at once,
// List1's candidates (which the second look may take back), progress; and
// whether to go on.
struct ComparisonCallbacks {
  std::function<void(const std::string&)> seen;
  std::function<void(const std::string&)> unseen;
  std::function<void(const ListingLineResult&, std::string_view line, const ListingReader&)> line_read;
  std::function<bool()> keep_going;
};

// Reads the listing `run` wrote in `work_folder`. Only headings within its
// roots (the listed folder's spellings) are ever asked about, and the second
// look starts only the lister `run` checked and still holds (none: every file
// keeps the verdict of the first look).
ComparisonOutcome RunComparison(const std::string& work_folder, const ListerRunOutcome& run,
                                const ComparisonCallbacks& callbacks);

}  // namespace quarvel::win
