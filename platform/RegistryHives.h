// The registry read two ways on a live system: the hive files themselves,
// read raw from the volume through the NTFS reader at the paths hivelist
// names (they are locked while loaded), with their transaction logs applied;
// and a key's values and subkeys through the Win32 API (RegEnumValueW,
// RegEnumKeyExW) and the native API (NtEnumerateValueKey, NtEnumerateKey).
#pragma once

#include <windows.h>

#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "core/hive/AutostartKeys.h"
#include "core/hive/CrossView.h"
#include "core/hive/HiveList.h"
#include "core/hive/HiveLog.h"
#include "core/ntfs/Result.h"

namespace quarvel::win {

// The file hivelist names for a loaded hive ("\REGISTRY\MACHINE\SOFTWARE"), as a
// drive letter and a path below its root; a failure says why it is not known.
ntfs::Result<hive::HiveFileLocation> LoadedHiveFile(const std::wstring& hive_key);

// A volume read raw and indexed once, for reading several hive files on it
// (SOFTWARE and SYSTEM): indexing a system volume's MFT takes seconds.
class RawHiveVolume {
 public:
  // Opens \\.\X: (which takes an administrator on Windows) and indexes its MFT.
  static ntfs::Result<RawHiveVolume> Open(char16_t drive);
  RawHiveVolume(RawHiveVolume&&) noexcept;
  ~RawHiveVolume();

  // The hive file at `path` below the root and its .LOG1, .LOG2 (and .LOG), the logs applied.
  ntfs::Result<hive::Recovered> Read(std::u16string_view path);

 private:
  struct Parts;
  RawHiveVolume(std::unique_ptr<Parts> parts, char letter);
  std::unique_ptr<Parts> parts_;
  char letter_;
};

// The hive file and its .LOG1/.LOG2 read from the volume itself (\\.\X:, which
// takes an administrator on Windows), the logs applied. A failure ("volume C:
// cannot be read raw: error 5") means the file view was not read.
ntfs::Result<hive::Recovered> ReadHiveFromVolume(const hive::HiveFileLocation& location);

// Loaded hives read from their files: where hivelist puts each, its volume
// read raw (opened and indexed once per drive), its logs applied. A failure
// says why that hive's file view was not read; a dirty hive that no log brings
// up to date is one (a value deleted minutes ago would seem hidden).
struct HiveFile {
  hive::HiveFileLocation location;
  hive::Recovery recovery;
  hive::Hive hive;
};

class LoadedHives {
 public:
  LoadedHives();
  ~LoadedHives();
  // `hive_key` as hivelist names it: L"\\REGISTRY\\MACHINE\\SOFTWARE".
  ntfs::Result<HiveFile> Read(const std::wstring& hive_key);

 private:
  std::vector<std::pair<char16_t, ntfs::Result<RawHiveVolume>>> volumes_;
};

// One key's values (or subkey names) as one API returns them; Win32 names end
// at their first NUL, as every caller of the Win32 API reads them. `view` is 0,
// KEY_WOW64_64KEY or KEY_WOW64_32KEY. A key the API says is not there reads
// as empty; nullopt means the key could not be read (access denied, or any
// other failure): that view was not read, and no difference may be claimed
// from it.
std::optional<std::vector<hive::SeenValue>> Win32Values(HKEY root, const std::wstring& path, REGSAM view);
std::optional<std::vector<hive::SeenValue>> NativeValues(HKEY root, const std::wstring& path, REGSAM view);
std::optional<std::vector<std::u16string>> Win32Subkeys(HKEY root, const std::wstring& path, REGSAM view);
std::optional<std::vector<std::u16string>> NativeSubkeys(HKEY root, const std::wstring& path, REGSAM view);

// One comparison of an autostart key: of its values, or of its subkeys' names.
struct KeyCrossView {
  std::u16string api_path;  // below HKEY_LOCAL_MACHINE
  bool wow64_32 = false;
  bool subkey_names = false;
  hive::Comparison comparison;
  bool win32_read = false;   // whether each API view could be read
  bool native_read = false;
  hive::ValueViews values;   // what each view held, for a comparison of values
};

// The key seen three ways: `file` is its hive (logs applied), `control_set`
// what CurrentControlSet stands for in it. For a key of subkeys, also the
// names of its subkeys and each subkey's values (every subkey the file or the
// native view knows). A key the file does not hold compares as empty there.
ntfs::Result<std::vector<KeyCrossView>> CompareAutostartKey(const hive::Hive& file, std::u16string_view control_set,
                                                            const hive::AutostartKey& key);

}  // namespace quarvel::win
