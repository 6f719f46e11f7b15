// What the AppInit_DLLs value means to Windows: a list of DLL paths separated
// by blanks or commas (so a path in it holds no blank; Windows expects short
// names there), and the facts that decide whether Windows loads them at all.
#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace quarvel {

// The DLL paths the value names, in its order; empty pieces are dropped.
std::vector<std::string> SplitAppInitDlls(std::string_view value);

// What the SOFTWARE hive file, read from the volume, says of the Windows keys
// beside the registry API: read or why not, and every difference.
struct HiveAgreement {
  bool read = false;
  std::string why_not;  // when it was not read
  struct Finding {
    std::string name;  // as stored, a NUL shown as \0
    std::string data;  // the file's data as text; "" when the file has no such value
    std::string verdict;  // the verdict's text
    bool wow64 = false;  // in the key 32-bit programs read
    bool points_at_hider = false;
  };
  std::vector<Finding> findings;
};

// What start-up reads beside the value, each as the text of a registry read
// ("" when the value is not there).
struct AppInitFacts {
  std::string value;        // AppInit_DLLs of the Windows key
  std::string load;         // LoadAppInit_DLLs of the same key: Windows loads the list only when it is 1
  std::string wow64_value;  // AppInit_DLLs of the key 32-bit programs read (WOW6432Node)
  std::string wow64_load;
  std::string secure_boot;  // UEFISecureBootEnabled: from Windows 8 on, 1 means the list is never loaded
  std::optional<HiveAgreement> hive;  // nullopt when the hive file was not looked at
};

// The start-up caption: the value, then LoadAppInit_DLLs and Secure Boot, then
// the 32-bit programs' value when it names anything, then whether the hive file
// agrees (a value hidden from the API named, with a warning). "" when neither
// value names anything and the hive file shows nothing hidden.
std::string AppInitCaption(const AppInitFacts& facts);

// Why step 1 of the repair must not start: the hive file holds a value of the
// Windows keys that the registry API does not return, so the key step 1 saves
// and removes is not the whole key. nullopt when nothing is known to be hidden.
std::optional<std::string> RepairRefusal(const AppInitFacts& facts);

}  // namespace quarvel
