#include "platform/RegistryCalls.h"

#include <vector>

namespace quarvel::win {
namespace {

constexpr REGSAM kCreateAccess = 0x3F;
// Value names hold at most 16,383 characters; in the ANSI code page each may
// take two bytes.
constexpr DWORD kLongestValueName = 2 * 16383 + 1;

}  // namespace

LONG OpenOrCreateKey(HKEY root, const std::string& key_path, UniqueRegistryKey& key) {
  DWORD disposition = 0;
  return RegCreateKeyExA(root, key_path.c_str(), 0, nullptr, REG_OPTION_NON_VOLATILE, kCreateAccess, nullptr,
                         key.put(), &disposition);
}

LONG CreateRegistryKey(HKEY root, const std::string& key_path) {
  UniqueRegistryKey key;
  return OpenOrCreateKey(root, key_path, key);
}

LONG DeleteRegistryKey(HKEY root, const std::string& key_path) { return RegDeleteKeyA(root, key_path.c_str()); }

LONG SetRegistryText(HKEY root, const std::string& key_path, const std::string& value_name, const std::string& text) {
  UniqueRegistryKey key;
  if (const LONG status = OpenOrCreateKey(root, key_path, key)) return status;
  return RegSetValueExA(key.get(), value_name.c_str(), 0, REG_SZ, reinterpret_cast<const BYTE*>(text.c_str()),
                        static_cast<DWORD>(text.size() + 1));
}

KeyRead ReadRegistryKey(HKEY root, const std::string& key_path) {
  UniqueRegistryKey key;
  const LONG opened = RegOpenKeyExA(root, key_path.c_str(), 0, KEY_QUERY_VALUE, key.put());
  if (opened == ERROR_FILE_NOT_FOUND) return {};
  if (opened != ERROR_SUCCESS) return {opened, std::nullopt};

  DWORD count = 0;
  DWORD longest_data = 0;
  if (const LONG status = RegQueryInfoKeyA(key.get(), nullptr, nullptr, nullptr, nullptr, nullptr, nullptr, &count,
                                           nullptr, &longest_data, nullptr, nullptr)) {
    return {status, std::nullopt};
  }
  KeyContents values;
  std::vector<char> name(kLongestValueName);
  std::string data(longest_data, '\0');
  for (DWORD index = 0; index < count; ++index) {
    DWORD name_length = 0;
    DWORD type = 0;
    DWORD size = 0;
    LONG status = ERROR_MORE_DATA;
    // A value that grew since the key was measured asks for a larger buffer.
    while (status == ERROR_MORE_DATA) {
      name_length = static_cast<DWORD>(name.size());
      size = static_cast<DWORD>(data.size());
      status = RegEnumValueA(key.get(), index, name.data(), &name_length, nullptr, &type,
                             reinterpret_cast<BYTE*>(data.data()), &size);
      if (status == ERROR_MORE_DATA) data.resize(std::max<std::size_t>(size, 2 * data.size() + 1));
    }
    if (status != ERROR_SUCCESS) return {status, std::nullopt};
    values[std::string(name.data(), name_length)] = StoredValue{type, data.substr(0, size)};
  }
  return {0, std::move(values)};
}

}  // namespace quarvel::win
