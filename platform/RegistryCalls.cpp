#include "platform/RegistryCalls.h"

#include <aclapi.h>
#include <sddl.h>

#include <algorithm>
#include <cwchar>
#include <vector>

#include "platform/AnsiText.h"

namespace quarvel::win {
namespace {

constexpr REGSAM kCreateAccess = 0x3F;

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

LONG DeleteRegistryTree(HKEY root, const std::string& key_path) {
  return RegDeleteTreeW(root, WideFromAnsi(key_path).c_str());
}

LONG CopyRegistryTree(HKEY root, const std::string& from_path, const std::string& to_path) {
  UniqueRegistryKey from;
  if (const LONG status = RegOpenKeyExW(root, WideFromAnsi(from_path).c_str(), 0, KEY_READ, from.put())) return status;
  UniqueRegistryKey to;
  if (const LONG status = RegOpenKeyExW(root, WideFromAnsi(to_path).c_str(), 0, KEY_ALL_ACCESS, to.put())) return status;
  return RegCopyTreeW(from.get(), nullptr, to.get());
}

LONG ProtectRegistryKey(HKEY root, const std::string& key_path) {
  // Protected, so nothing the parent grants flows in; inheritable, so every
  // subkey gets the same list.
  PSECURITY_DESCRIPTOR descriptor = nullptr;
  if (!ConvertStringSecurityDescriptorToSecurityDescriptorW(L"D:P(A;OICI;KA;;;BA)(A;OICI;KA;;;SY)", SDDL_REVISION_1,
                                                            &descriptor, nullptr)) {
    return static_cast<LONG>(GetLastError());
  }
  const UniqueLocalMemory owned(descriptor);
  BOOL present = FALSE;
  BOOL defaulted = FALSE;
  PACL dacl = nullptr;
  GetSecurityDescriptorDacl(descriptor, &present, &dacl, &defaulted);
  const std::wstring path = WideFromAnsi(key_path);
  UniqueRegistryKey key;
  if (const LONG status = RegOpenKeyExW(root, path.c_str(), 0, KEY_READ | WRITE_DAC, key.put())) return status;
  if (const DWORD status = SetSecurityInfo(key.get(), SE_REGISTRY_KEY,
                                           DACL_SECURITY_INFORMATION | PROTECTED_DACL_SECURITY_INFORMATION, nullptr,
                                           nullptr, dacl, nullptr)) {
    return static_cast<LONG>(status);
  }
  // Set once more as it stands, the protection with it: SetSecurityInfo
  // propagates the list to subkeys on Windows, but Wine drops its protection.
  if (const LONG status = RegSetKeySecurity(key.get(), DACL_SECURITY_INFORMATION, descriptor)) return status;
  // Subkeys with lists of their own keep them: each is set too.
  std::vector<std::wstring> subkeys;
  wchar_t name[256];
  for (DWORD index = 0;; ++index) {
    DWORD length = 256;
    const LONG status = RegEnumKeyExW(key.get(), index, name, &length, nullptr, nullptr, nullptr, nullptr);
    if (status == ERROR_NO_MORE_ITEMS) break;
    if (status != ERROR_SUCCESS) return status;
    subkeys.emplace_back(name, length);
  }
  for (const std::wstring& subkey : subkeys) {
    if (const LONG status = ProtectRegistryKey(root, key_path + "\\" + *ExactAnsi(subkey))) return status;
  }
  return ERROR_SUCCESS;
}

LONG SetRegistryKeySecurity(HKEY root, const std::string& key_path, const std::string& security) {
  PSECURITY_DESCRIPTOR descriptor = nullptr;
  if (!ConvertStringSecurityDescriptorToSecurityDescriptorW(WideFromAnsi(security).c_str(), SDDL_REVISION_1,
                                                            &descriptor, nullptr)) {
    return static_cast<LONG>(GetLastError());
  }
  const UniqueLocalMemory owned(descriptor);
  UniqueRegistryKey key;
  if (const LONG status = RegOpenKeyExW(root, WideFromAnsi(key_path).c_str(), 0, WRITE_DAC, key.put())) return status;
  return RegSetKeySecurity(key.get(), DACL_SECURITY_INFORMATION, descriptor);
}

LONG SetRegistryValue(HKEY root, const std::string& key_path, const std::string& value_name, const StoredValue& value) {
  UniqueRegistryKey key;
  if (const LONG status = OpenOrCreateKey(root, key_path, key)) return status;
  return RegSetValueExW(key.get(), WideFromAnsi(value_name).c_str(), 0, value.type,
                        reinterpret_cast<const BYTE*>(value.data.data()), static_cast<DWORD>(value.data.size()));
}

namespace {

std::string Utf8(const wchar_t* text, std::size_t length) {
  return Utf8OfWide(std::u16string_view(reinterpret_cast<const char16_t*>(text), length));
}

// The key's access list in its text form.
LONG ReadAccessList(HKEY key, std::string& text) {
  DWORD size = 0;
  LONG status = RegGetKeySecurity(key, DACL_SECURITY_INFORMATION, nullptr, &size);
  if (status != ERROR_INSUFFICIENT_BUFFER) return status == ERROR_SUCCESS ? ERROR_INVALID_DATA : status;
  std::vector<BYTE> descriptor(size);
  if ((status = RegGetKeySecurity(key, DACL_SECURITY_INFORMATION, descriptor.data(), &size))) return status;
  LPWSTR sddl = nullptr;
  ULONG length = 0;
  if (!ConvertSecurityDescriptorToStringSecurityDescriptorW(descriptor.data(), SDDL_REVISION_1,
                                                            DACL_SECURITY_INFORMATION, &sddl, &length)) {
    return static_cast<LONG>(GetLastError());
  }
  const UniqueLocalMemory owned(sddl);
  text = Utf8(sddl, wcslen(sddl));
  return ERROR_SUCCESS;
}

LONG ReadTree(HKEY key, KeyTree& tree) {
  DWORD value_count = 0;
  DWORD longest_name = 0;
  DWORD longest_data = 0;
  DWORD subkey_count = 0;
  DWORD longest_subkey = 0;
  if (const LONG status = RegQueryInfoKeyW(key, nullptr, nullptr, nullptr, &subkey_count, &longest_subkey, nullptr,
                                           &value_count, &longest_name, &longest_data, nullptr, nullptr)) {
    return status;
  }
  std::vector<wchar_t> name(std::max<DWORD>(longest_name, longest_subkey) + 2);
  std::string data(longest_data, '\0');
  for (DWORD index = 0; index < value_count; ++index) {
    DWORD name_length = 0;
    DWORD type = 0;
    DWORD size = 0;
    LONG status = ERROR_MORE_DATA;
    // A value that grew since the key was measured asks for a larger buffer.
    while (status == ERROR_MORE_DATA) {
      name_length = static_cast<DWORD>(name.size());
      size = static_cast<DWORD>(data.size());
      status = RegEnumValueW(key, index, name.data(), &name_length, nullptr, &type,
                             reinterpret_cast<BYTE*>(data.data()), &size);
      if (status == ERROR_MORE_DATA) {
        data.resize(std::max<std::size_t>(size, 2 * data.size() + 1));
        name.resize(std::max<std::size_t>(name.size(), 16384));
      }
    }
    if (status != ERROR_SUCCESS) return status;
    tree.values[Utf8(name.data(), name_length)] = StoredValue{type, data.substr(0, size)};
  }
  for (DWORD index = 0; index < subkey_count; ++index) {
    DWORD name_length = static_cast<DWORD>(name.size());
    if (const LONG status =
            RegEnumKeyExW(key, index, name.data(), &name_length, nullptr, nullptr, nullptr, nullptr)) {
      return status;
    }
    UniqueRegistryKey subkey;
    if (const LONG status = RegOpenKeyExW(key, std::wstring(name.data(), name_length).c_str(), 0, KEY_READ,
                                          subkey.put())) {
      return status;
    }
    if (const LONG status = ReadTree(subkey.get(), tree.subkeys[Utf8(name.data(), name_length)])) return status;
  }
  return ERROR_SUCCESS;
}

}  // namespace

KeyRead ReadRegistryKey(HKEY root, const std::string& key_path) {
  UniqueRegistryKey key;
  const LONG opened = RegOpenKeyExW(root, WideFromAnsi(key_path).c_str(), 0, KEY_READ, key.put());
  if (opened == ERROR_FILE_NOT_FOUND) return {};
  if (opened != ERROR_SUCCESS) return {opened, std::nullopt};
  KeyTree tree;
  if (const LONG status = ReadTree(key.get(), tree)) return {status, std::nullopt};
  if (const LONG status = ReadAccessList(key.get(), tree.security)) return {status, std::nullopt};
  return {0, std::move(tree)};
}

}  // namespace quarvel::win
