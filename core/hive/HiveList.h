// Where a loaded hive's file lies: the system's hivelist names each hive's
// file by device path ("\Device\HarddiskVolume3\Windows\System32\config\SOFTWARE"),
// and QueryDosDevice names each drive letter's device ("\Device\HarddiskVolume3").
#pragma once

#include <optional>
#include <span>
#include <string>
#include <string_view>

namespace quarvel::hive {

struct DriveDevice {
  char16_t letter = 0;  // u'C'
  std::u16string device;
};

struct HiveFileLocation {
  char16_t letter = 0;
  std::u16string path;  // below the volume's root, without a leading "\"
};

// The drive whose device the path starts with (compared without regard to
// ASCII case, whole components only); nullopt when no drive holds it. A path
// through a drive letter's object-manager name ("\??\D:\...", "\DosDevices\D:\...",
// "\GLOBAL??\D:\...") is on that drive, whatever its device is called: the
// same file, named without a device name, which a system that gives no
// device name for a drive mapped to a folder (Wine) can still use.
std::optional<HiveFileLocation> LocateHiveFile(std::u16string_view device_path, std::span<const DriveDevice> drives);

}  // namespace quarvel::hive
