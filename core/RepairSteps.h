// The registry repair, in two steps with a restart of Windows between them.
// Step 1 backs up the key that holds AppInit_DLLs (a text export and a hive
// file), copies it under a second name, marks step 1 as done and removes the
// key, then restarts. Step 2 puts the key back, empties AppInit_DLLs and moves
// every DLL it named into the folder "cws". On a 64-bit Windows the key that
// 32-bit programs read (WOW6432Node) goes the same way when it names DLLs.
//
// No value is ever left without a complete copy in the registry: step 1
// removes a key only once its parked copy has been read back equal to it and
// the marker (which records each copy's fingerprint) reads back "ok"; step 2
// removes a parked copy only once the key has been read back equal to it
// (AppInit_DLLs aside). Any failed check or registry call stops the step with
// a box that says what was kept where, and deletes nothing.
#pragma once

#include <optional>
#include <string>
#include <string_view>

#include "core/RepairHost.h"

namespace quarvel {

// Runs on every change of the path box; only the exact text "!HLX" on the NT
// family starts step 1. True when it ended with step 2 due and no restart
// coming (the key could not be removed, or Windows refused to restart), so the
// window offers step 2 at once.
bool RunRepairStep1(RepairHost& host, std::string_view path_box_text, bool is_admin);

struct Step2Outcome {
  // The parked AppInit_DLLs text, when step 2 got as far as reading it.
  std::optional<std::string> app_init_value;
  // True when step 2 is finished and its button is to be disabled.
  bool finished = false;
};

Step2Outcome RunRepairStep2(RepairHost& host);

}  // namespace quarvel
