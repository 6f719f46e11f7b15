#include "tests/support/RegistryScene.h"

#include <windows.h>

#include <cstring>
#include <string>
#include <vector>

namespace quarvel::testing {
namespace {

struct CountedName {
  USHORT length;
  USHORT maximum;
  const wchar_t* buffer;
};
using SetValueKey = LONG(NTAPI*)(HANDLE, const CountedName*, ULONG, ULONG, const void*, ULONG);
using DeleteValueKey = LONG(NTAPI*)(HANDLE, const CountedName*);
using EnumerateValueKey = LONG(NTAPI*)(HANDLE, ULONG, ULONG, void*, ULONG, ULONG*);

template <class Function>
Function Nt(const char* name) {
  return reinterpret_cast<Function>(reinterpret_cast<void*>(GetProcAddress(GetModuleHandleA("ntdll.dll"), name)));
}

struct Value {
  std::wstring name;  // may hold a NUL
  DWORD type;
  std::vector<BYTE> data;
};

Value Sz(std::wstring name, const std::wstring& text) {
  const auto* bytes = reinterpret_cast<const BYTE*>(text.c_str());
  return {std::move(name), REG_SZ, std::vector<BYTE>(bytes, bytes + (text.size() + 1) * sizeof(wchar_t))};
}

const wchar_t kNt[] = L"SOFTWARE\\Microsoft\\Windows NT\\CurrentVersion\\";
const wchar_t kRun[] = L"SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\";
const wchar_t kIfeo[] = L"SOFTWARE\\Microsoft\\Windows NT\\CurrentVersion\\Image File Execution Options";
const wchar_t kHiveList[] = L"SYSTEM\\CurrentControlSet\\Control\\hivelist";
const wchar_t kSoftwareHive[] = L"\\REGISTRY\\MACHINE\\SOFTWARE";

struct Key {
  std::wstring path;
  std::vector<Value> values;
};

// What fill_wine_drive.py writes into the file, key by key.
std::vector<Key> FileKeys(bool nul_name) {
  const DWORD one = 1;
  const auto* one_bytes = reinterpret_cast<const BYTE*>(&one);
  return {
      {std::wstring(kNt) + L"Windows",
       {Sz(L"AppInit_DLLs", L"C:\\windows\\qvinit.dll"), {L"LoadAppInit_DLLs", REG_DWORD, {one_bytes, one_bytes + 4}}}},
      {std::wstring(kNt) + L"Winlogon", {Sz(L"Shell", L"explorer.exe")}},
      {std::wstring(kRun) + L"Run",
       nul_name ? std::vector<Value>{Sz(L"Shown", L"C:\\windows\\shown.exe"), Sz(L"QVROOTRUN", L"C:\\windows\\qvroot.exe"),
                                     Sz(std::wstring(L"Nul\0Named", 9), L"C:\\windows\\nulnamed.exe")}
                : std::vector<Value>{Sz(L"Shown", L"C:\\windows\\shown.exe"), Sz(L"QVROOTRUN", L"C:\\windows\\qvroot.exe")}},
      {std::wstring(kRun) + L"RunOnce", {}},
      {std::wstring(kIfeo) + L"\\SHOWN.EXE", {Sz(L"Comment", L"shown")}},
      {std::wstring(kIfeo) + L"\\QVROOT.EXE", {Sz(L"Comment", L"hidden")}},
  };
}

std::string Failed(const std::string& what, long code) { return what + ": error " + std::to_string(code); }

// Removes every value of the key (counted names: a name with a NUL too).
std::string EmptyValues(HKEY key) {
  const auto enumerate = Nt<EnumerateValueKey>("NtEnumerateValueKey");
  const auto remove = Nt<DeleteValueKey>("NtDeleteValueKey");
  std::vector<BYTE> basic(65600);
  for (;;) {
    ULONG got = 0;
    const LONG status = enumerate(key, 0, 0, basic.data(), static_cast<ULONG>(basic.size()), &got);
    if (status == static_cast<LONG>(0x8000001A)) return "";  // no more entries
    if (status < 0) return Failed("NtEnumerateValueKey", status);
    ULONG length = 0;
    std::memcpy(&length, basic.data() + 8, sizeof(length));
    const CountedName name{static_cast<USHORT>(length), static_cast<USHORT>(length),
                           reinterpret_cast<const wchar_t*>(basic.data() + 12)};
    if (const LONG removed = remove(key, &name); removed < 0) return Failed("NtDeleteValueKey", removed);
  }
}

// Empties the compared SOFTWARE keys in one registry view, and the subkeys of
// Image File Execution Options.
std::string EmptyKeys(REGSAM view) {
  for (const std::wstring& path : {std::wstring(kNt) + L"Windows", std::wstring(kNt) + L"Winlogon",
                                   std::wstring(kRun) + L"Run", std::wstring(kRun) + L"RunOnce", std::wstring(kIfeo)}) {
    HKEY key = nullptr;
    const LONG opened = RegOpenKeyExW(HKEY_LOCAL_MACHINE, path.c_str(), 0, KEY_ALL_ACCESS | view, &key);
    if (opened == ERROR_FILE_NOT_FOUND) continue;
    if (opened != ERROR_SUCCESS) return Failed("open HKLM\\" + std::string(path.begin(), path.end()), opened);
    std::string failure = EmptyValues(key);
    wchar_t name[256];
    for (DWORD length = 256; failure.empty() && RegEnumKeyExW(key, 0, name, &length, nullptr, nullptr, nullptr, nullptr) ==
                                                    ERROR_SUCCESS;
         length = 256) {
      if (const LONG removed = RegDeleteTreeW(key, name); removed != ERROR_SUCCESS) failure = Failed("RegDeleteTreeW", removed);
    }
    RegCloseKey(key);
    if (!failure.empty()) return failure;
  }
  return "";
}

std::string Empty() {
  for (const REGSAM view : {KEY_WOW64_64KEY, KEY_WOW64_32KEY})
    if (std::string failure = EmptyKeys(view); !failure.empty()) return failure;
  return "";
}

std::string Write(const Key& wanted) {
  const auto set = Nt<SetValueKey>("NtSetValueKey");
  HKEY key = nullptr;
  const LONG made = RegCreateKeyExW(HKEY_LOCAL_MACHINE, wanted.path.c_str(), 0, nullptr, 0, KEY_ALL_ACCESS | KEY_WOW64_64KEY,
                                    nullptr, &key, nullptr);
  if (made != ERROR_SUCCESS) return Failed("create HKLM\\" + std::string(wanted.path.begin(), wanted.path.end()), made);
  std::string failure;
  for (const Value& value : wanted.values) {
    const USHORT bytes = static_cast<USHORT>(value.name.size() * sizeof(wchar_t));
    const CountedName name{bytes, bytes, value.name.data()};
    const LONG status = set(key, &name, 0, value.type, value.data.data(), static_cast<ULONG>(value.data.size()));
    if (status < 0 && failure.empty()) failure = Failed("NtSetValueKey", status);
  }
  RegCloseKey(key);
  return failure;
}

std::string SetHiveList(const wchar_t* file) {
  HKEY key = nullptr;
  const LONG made = RegCreateKeyExW(HKEY_LOCAL_MACHINE, kHiveList, 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &key, nullptr);
  if (made != ERROR_SUCCESS) return Failed("create hivelist", made);
  LONG status;
  if (file != nullptr) {
    status = RegSetValueExW(key, kSoftwareHive, 0, REG_SZ, reinterpret_cast<const BYTE*>(file),
                            static_cast<DWORD>((wcslen(file) + 1) * sizeof(wchar_t)));
  } else {
    status = RegDeleteValueW(key, kSoftwareHive);
    if (status == ERROR_FILE_NOT_FOUND) status = ERROR_SUCCESS;
  }
  RegCloseKey(key);
  return status == ERROR_SUCCESS ? "" : Failed("hivelist", status);
}

}  // namespace

std::string SetRegistryScene(bool nul_name) {
  if (std::string failure = Empty(); !failure.empty()) return failure;
  for (const Key& key : FileKeys(nul_name))
    if (std::string failure = Write(key); !failure.empty()) return failure;
  return SetHiveList(nul_name ? L"\\??\\D:\\CONFIG\\SOFTWARE" : L"\\??\\D:\\CLEAN\\SOFTWARE");
}

std::string ClearRegistryScene() {
  if (std::string failure = Empty(); !failure.empty()) return failure;
  if (std::string failure = Write({std::wstring(kNt) + L"Winlogon", {Sz(L"Shell", L"explorer.exe")}}); !failure.empty())
    return failure;
  return SetHiveList(nullptr);
}

}  // namespace quarvel::testing
