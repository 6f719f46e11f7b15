// The registry repair, in two steps with a restart of Windows between them.
// Step 1 backs up the key that holds AppInit_DLLs (a text export and a hive
// file), marks step 1 as done, parks the key under a second name and restarts.
// Step 2 puts the key back from the hive, empties AppInit_DLLs and moves the
// DLL it named into the folder "cws". No value of the key is ever left without
// a copy: step 1 touches the key only once the hive file is on disk, and step 2
// only when it finds that file.
#pragma once

#include <optional>
#include <string>
#include <string_view>

#include "core/RepairHost.h"

namespace quarvel {

// Runs on every change of the path box; only the exact text "!HLX" on the NT
// family starts step 1.
void RunRepairStep1(RepairHost& host, std::string_view path_box_text, bool is_admin);

struct Step2Outcome {
  // The parked AppInit_DLLs text, when step 2 got as far as reading it.
  std::optional<std::string> app_init_value;
  // True when step 2 is finished and its button is to be disabled.
  bool finished = false;
};

Step2Outcome RunRepairStep2(RepairHost& host);

}  // namespace quarvel
