#include "tests/support/RepairWorld.h"

#include <stdexcept>

#include "core/KeyContents.h"
#include "core/Sha256.h"
#include "platform/LaunchAppSync.h"
#include "platform/RegistryCalls.h"
#include "tests/support/TempFolder.h"

namespace quarvel::testing {

std::optional<KeyValues> ReadKey(const std::string& path) { return ReadKeyValues(HKEY_LOCAL_MACHINE, path); }

void WriteKey(const std::string& path, const KeyValues& values) {
  HKEY key = nullptr;
  if (RegCreateKeyExA(HKEY_LOCAL_MACHINE, path.c_str(), 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &key, nullptr) !=
      ERROR_SUCCESS) {
    throw std::runtime_error("cannot create HKLM\\" + path);
  }
  for (const auto& [name, value] : values) {
    RegSetValueExA(key, name.c_str(), 0, value.first, reinterpret_cast<const BYTE*>(value.second.data()),
                   static_cast<DWORD>(value.second.size()));
  }
  RegCloseKey(key);
}

void RemoveKey(const std::string& path) { RegDeleteTreeA(HKEY_LOCAL_MACHINE, path.c_str()); }

KeyValues Sz(KeyValues values, const std::string& name, const std::string& text) {
  values[name] = {REG_SZ, text + std::string(1, '\0')};
  return values;
}

KeyValues WindowsKeyNaming(const std::string& app_init_dlls) {
  const auto z = [](const std::string& text) { return text + '\0'; };
  const DWORD number = 0x12345678;
  KeyValues values = {
      {"Device", {REG_SZ, z("Quarvel Printer,winspool,LPT1:")}},
      {"Empty", {REG_SZ, z("")}},
      {"IconServiceLib", {REG_EXPAND_SZ, z("%SystemRoot%\\IconCodecService.dll")}},
      {"Search Paths", {REG_MULTI_SZ, z(z("C:\\a") + z("C:\\b c"))}},
      {"LoadAppInit_DLLs", {REG_DWORD, std::string(reinterpret_cast<const char*>(&number), 4)}},
      {"Blob", {REG_BINARY, std::string("\x01\x00\xff\x7f", 4)}},
  };
  return Sz(values, "AppInit_DLLs", app_init_dlls);
}

std::string TextValue(const KeyValues& values, const std::string& name) {
  if (!values.contains(name)) return "";
  const std::string& data = values.at(name).second;
  return data.substr(0, data.find('\0'));
}

void ResetRepairRegistry() {
  for (const char* key :
       {kWindowsKeyPath, kParkedKeyPath, kWow64KeyPath, kWow64ParkedKeyPath, kMarkerKeyPath, kSecureBootKeyPath}) {
    RemoveKey(key);
  }
  HKEY key = nullptr;
  if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, kSessionManagerKey, 0, KEY_SET_VALUE, &key) == ERROR_SUCCESS) {
    RegDeleteValueA(key, "PendingFileRenameOperations");
    RegCloseKey(key);
  }
}

std::string PendingRenames() {
  const auto values = ReadKey(kSessionManagerKey);
  if (!values || !values->contains("PendingFileRenameOperations")) return "";
  return values->at("PendingFileRenameOperations").second;
}

std::string SystemFolder() {
  char folder[MAX_PATH];
  GetSystemDirectoryA(folder, MAX_PATH);
  return folder;
}

void ParkAsStep1Does(const std::string& work_folder, const KeyValues& windows_key) {
  ResetRepairRegistry();
  WriteKey(kWindowsKeyPath, windows_key);
  const std::string reg = SystemFolder() + "\\reg.exe";
  const std::string hive = work_folder + "\\Windows.hiv";
  DeleteFileA(hive.c_str());
  win::SetShowWindowState(SW_HIDE);
  win::RunAndWait(reg + " save \"HKEY_LOCAL_MACHINE\\" + kWindowsKeyPath + "\" \"" + hive + "\"");
  if (!Exists(hive)) throw std::runtime_error("system32\\reg.exe is not the stand-in: no " + hive);
  const KeyRead read = win::ReadRegistryKey(HKEY_LOCAL_MACHINE, kWindowsKeyPath);
  if (!read.tree) throw std::runtime_error("cannot read the Windows key");
  WriteKey(kParkedKeyPath, windows_key);
  win::ProtectRegistryKey(HKEY_LOCAL_MACHINE, kParkedKeyPath);
  RemoveKey(kWindowsKeyPath);
  KeyValues marker = Sz({}, "Windows!", ContentsDigest(*read.tree));
  marker = Sz(marker, "Windows! hive SHA-256", Sha256Hex(ReadWholeFile(hive)));
  marker = Sz(marker, "Windows! access", read.tree->security);
  WriteKey(kMarkerKeyPath, Sz(marker, "!HLX", "ok"));
}

StandInMisbehaves::StandInMisbehaves(const std::string& how) : marker_(SystemFolder() + "\\reg-standin-" + how) {
  const HANDLE file = CreateFileA(marker_.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
  if (file == INVALID_HANDLE_VALUE) throw std::runtime_error("cannot write " + marker_);
  CloseHandle(file);
}

StandInMisbehaves::~StandInMisbehaves() { DeleteFileA(marker_.c_str()); }

RegExeAway::RegExeAway() : reg_(SystemFolder() + "\\reg.exe") {
  if (!MoveFileA(reg_.c_str(), (reg_ + ".away").c_str())) throw std::runtime_error("cannot move " + reg_ + " away");
}

RegExeAway::~RegExeAway() { MoveFileA((reg_ + ".away").c_str(), reg_.c_str()); }

DWORD Attributes(const std::string& path) { return GetFileAttributesA(path.c_str()); }
bool Exists(const std::string& path) { return Attributes(path) != INVALID_FILE_ATTRIBUTES; }

}  // namespace quarvel::testing
