// Every value of a registry key with its type and raw bytes: what the stand-in
// reg.exe saves, and what the repair scenarios compare.
#pragma once

#include <windows.h>

#include <map>
#include <optional>
#include <string>
#include <utility>

namespace quarvel::testing {

using KeyValues = std::map<std::string, std::pair<DWORD, std::string>>;

// nullopt when the key cannot be opened for reading.
inline std::optional<KeyValues> ReadKeyValues(HKEY root, const std::string& path) {
  HKEY key = nullptr;
  if (RegOpenKeyExA(root, path.c_str(), 0, KEY_READ, &key) != ERROR_SUCCESS) return std::nullopt;
  KeyValues values;
  for (DWORD i = 0;; ++i) {
    char name[16384];
    DWORD name_length = sizeof(name);
    DWORD type = 0;
    DWORD size = 0;
    if (RegEnumValueA(key, i, name, &name_length, nullptr, &type, nullptr, &size) != ERROR_SUCCESS) break;
    std::string data(size, '\0');
    name_length = sizeof(name);
    RegEnumValueA(key, i, name, &name_length, nullptr, &type, reinterpret_cast<BYTE*>(data.data()), &size);
    data.resize(size);
    values[std::string(name, name_length)] = {type, data};
  }
  RegCloseKey(key);
  return values;
}

}  // namespace quarvel::testing
