// The registry scenarios' keys in Wine's registry, written through the real
// registry API: the autostart keys of the SOFTWARE hive that
// tests/ntfs/fill_wine_drive.py writes on drive D: (CONFIG\SOFTWARE), each
// holding exactly what that file holds, and hivelist naming that file as the
// loaded SOFTWARE hive.
#pragma once

#include <string>

namespace quarvel::testing {

// Empties the compared SOFTWARE keys (both registry views) and writes the
// file's values and subkeys into them, then the hivelist entry, which names
// the file through the drive letter's object name ("\\??\\D:\\..."), since
// Wine gives no device name for a drive mapped to a folder. `nul_name`: the
// file D:\CONFIG\SOFTWARE, whose Run key holds a value named "Nul\0Named";
// else D:\CLEAN\SOFTWARE, the same without it. "" on success, else what failed.
std::string SetRegistryScene(bool nul_name);
// Takes the scene away again: the keys emptied (Winlogon's Shell put back as
// Wine has it), the hivelist entry removed. "" on success.
std::string ClearRegistryScene();

}  // namespace quarvel::testing
