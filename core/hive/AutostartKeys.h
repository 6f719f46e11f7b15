// The registry keys the cross-view holds the hive files against the API for:
// where programs start themselves from, and where a hidden entry does harm.
#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "core/hive/Hive.h"

namespace quarvel::hive {

enum class HiveName { kSoftware, kSystem };

struct AutostartKey {
  HiveName hive = HiveName::kSoftware;
  // Below HKEY_LOCAL_MACHINE, as the API names it ("SOFTWARE\\Microsoft\\...").
  std::u16string api_path;
  bool wow64_32 = false;  // the 32-bit registry view (WOW6432Node in the file)
  bool per_subkey = false;  // every subkey is a key to compare, and their names too
};

const std::vector<AutostartKey>& AutostartKeys();

// The file holds the control sets themselves: "Select\\Current" names the one
// CurrentControlSet stands for ("ControlSet001").
Result<std::u16string> CurrentControlSet(const Hive& system);

// Where the key lies in its hive file, below the root: the hive's own name and
// CurrentControlSet taken off, WOW6432Node put in for the 32-bit view.
std::u16string FilePath(const AutostartKey& key, std::u16string_view control_set);

}  // namespace quarvel::hive
