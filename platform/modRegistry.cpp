#include "platform/modRegistry.h"

#include <exception>

#include "platform/ErrorBox.h"
#include "platform/RegistryCalls.h"
#include "platform/UniqueHandle.h"

namespace quarvel::win {
namespace {

// The result is not examined: a key that failed to open takes no write.
UniqueRegistryKey CreateOrOpenKey(HKEY root, const std::string& key_path) {
  UniqueRegistryKey key;
  OpenOrCreateKey(root, key_path, key);
  return key;
}

RegistryValue ReadValue(HKEY key, const std::string& value_name) {
  DWORD type = 0;
  DWORD size = 0;
  if (RegQueryValueExA(key, value_name.c_str(), nullptr, &type, nullptr, &size) != ERROR_SUCCESS) {
    return {};
  }
  switch (type) {
    case REG_SZ: {
      if (size == 0) return std::string();
      std::string buffer(size, '\0');
      if (RegQueryValueExA(key, value_name.c_str(), nullptr, nullptr,
                           reinterpret_cast<BYTE*>(buffer.data()), &size) != ERROR_SUCCESS) {
        return {};
      }
      buffer.resize(std::min<std::size_t>(size, buffer.size()));
      return buffer.substr(0, buffer.find('\0'));
    }
    case REG_BINARY: {
      RegistryBytes bytes(size);
      if (size == 0) return bytes;
      if (RegQueryValueExA(key, value_name.c_str(), nullptr, nullptr, bytes.data(), &size) !=
          ERROR_SUCCESS) {
        return {};
      }
      bytes.resize(std::min<std::size_t>(size, bytes.size()));
      return bytes;
    }
    case REG_DWORD: {
      DWORD number = 0;
      DWORD number_size = sizeof(number);
      if (RegQueryValueExA(key, value_name.c_str(), nullptr, nullptr,
                           reinterpret_cast<BYTE*>(&number), &number_size) != ERROR_SUCCESS) {
        return {};
      }
      return static_cast<std::int32_t>(number);
    }
    default:
      return {};
  }
}

void WriteBytes(HKEY key, const std::string& value_name, DWORD type, const BYTE* data, DWORD size) {
  RegSetValueExA(key, value_name.c_str(), 0, type, data, size);
}

}  // namespace

void RegistryCreateNewKey(HKEY root, const std::string& key_path) { CreateRegistryKey(root, key_path); }

void RegistryDeleteKey(HKEY root, const std::string& key_path) { DeleteRegistryKey(root, key_path); }

RegistryValue RegistryGetKeyValue(HKEY root, const std::string& key_path,
                                  const std::string& value_name) {
  try {
    UniqueRegistryKey key;
    if (RegOpenKeyExA(root, key_path.c_str(), 0, KEY_QUERY_VALUE, key.put()) != ERROR_SUCCESS) {
      return {};
    }
    return ReadValue(key.get(), value_name);
  } catch (const std::exception& failure) {
    ReportRunTimeFailure("RegistryGetKeyValue", failure);
    return {};
  }
}

void RegistrySetKeyValue(HKEY root, const std::string& key_path, const std::string& value_name,
                         const RegistryValue& value, unsigned long value_type) {
  const UniqueRegistryKey key = CreateOrOpenKey(root, key_path);
  switch (value_type) {
    case kRegSz: {
      const std::string text = ToText(value);
      WriteBytes(key.get(), value_name, REG_SZ, reinterpret_cast<const BYTE*>(text.c_str()),
                 static_cast<DWORD>(text.size() + 1));
      return;
    }
    case kRegBinary: {
      const auto converted = ToBytes(value);
      if (const auto* error = std::get_if<ConversionError>(&converted)) {
        ReportError("RegistrySetKeyValue", error->number, error->description);
        return;
      }
      const auto& bytes = std::get<RegistryBytes>(converted);
      WriteBytes(key.get(), value_name, REG_BINARY, bytes.data(), static_cast<DWORD>(bytes.size()));
      return;
    }
    case kRegDword: {
      const auto converted = ToDword(value);
      if (const auto* error = std::get_if<ConversionError>(&converted)) {
        ReportError("RegistrySetKeyValue", error->number, error->description);
        return;
      }
      const DWORD number = static_cast<DWORD>(std::get<std::int32_t>(converted));
      WriteBytes(key.get(), value_name, REG_DWORD, reinterpret_cast<const BYTE*>(&number),
                 sizeof(number));
      return;
    }
    default:
      return;
  }
}

}  // namespace quarvel::win
