#include "platform/modVBFileDisk.h"

#include "core/DeviceName.h"
#include "platform/ErrorBox.h"
#include "platform/FindFiles.h"

namespace quarvel::win {

Bool16 FileExists(const std::string& path) {
  if (path.empty()) return kFalse;
  // A search for a device name answers for the device: the file of that name
  // is out of its reach.
  const bool device_name = MayNameDevice(std::string_view(path).substr(path.find_last_of("\\/") + 1));
  bool seen = false;
  ForEachFound(path, [&](const WIN32_FIND_DATAA& entry) {
    seen = IsOrdinary(entry.dwFileAttributes) && entry.cFileName[0] != '\0' &&
           !(device_name && IsDeviceStandIn(entry));
    return !seen;
  });
  return ToBool16(seen);
}

Bool16 IsAttrSet(const std::string& path, DWORD mask) {
  const DWORD attributes = GetFileAttributesA(path.c_str());
  if (attributes == INVALID_FILE_ATTRIBUTES) {
    ReportSystemError("IsAttrSet", GetLastError());
    return kFalse;
  }
  return ToBool16((attributes & mask) == mask);
}

std::optional<std::int64_t> FileLength(const std::string& path) {
  WIN32_FILE_ATTRIBUTE_DATA data;
  if (!IsCallablePath(path) || !GetFileAttributesExA(path.c_str(), GetFileExInfoStandard, &data)) {
    return std::nullopt;
  }
  return static_cast<std::int64_t>((static_cast<std::uint64_t>(data.nFileSizeHigh) << 32) | data.nFileSizeLow);
}

}  // namespace quarvel::win
