#include "core/hive/HiveList.h"

#include <algorithm>

namespace quarvel::hive {
namespace {

char16_t Fold(char16_t c) { return c >= u'a' && c <= u'z' ? static_cast<char16_t>(c - 0x20) : c; }

bool StartsWithIgnoringCase(std::u16string_view text, std::u16string_view prefix) {
  return text.size() >= prefix.size() &&
         std::equal(prefix.begin(), prefix.end(), text.begin(), [](char16_t a, char16_t b) { return Fold(a) == Fold(b); });
}

}  // namespace

std::optional<HiveFileLocation> LocateHiveFile(std::u16string_view device_path, std::span<const DriveDevice> drives) {
  // An object-manager name of a drive letter names the drive itself.
  for (std::u16string_view prefix : {u"\\??\\", u"\\DosDevices\\", u"\\GLOBAL??\\"}) {
    if (!StartsWithIgnoringCase(device_path, prefix)) continue;
    const std::u16string_view rest = device_path.substr(prefix.size());
    const char16_t letter = Fold(rest.empty() ? u'\0' : rest[0]);
    if (rest.size() < 4 || letter < u'A' || letter > u'Z' || rest[1] != u':' || rest[2] != u'\\') return std::nullopt;
    return HiveFileLocation{letter, std::u16string(rest.substr(3))};
  }
  for (const DriveDevice& drive : drives) {
    std::u16string_view device = drive.device;
    while (!device.empty() && device.back() == u'\\') device.remove_suffix(1);
    if (device.empty() || !StartsWithIgnoringCase(device_path, device)) continue;
    const std::u16string_view rest = device_path.substr(device.size());
    // "\Device\HarddiskVolume1" must not claim "\Device\HarddiskVolume10\...".
    if (rest.empty() || rest.front() != u'\\') continue;
    return HiveFileLocation{drive.letter, std::u16string(rest.substr(1))};
  }
  return std::nullopt;
}

}  // namespace quarvel::hive
