// The machine state the repair scenarios set up and check: the Windows key with
// values of every kind, the parked copy, the marker, the planted DLL and the
// stand-in reg.exe that the scenario script put into system32.
#pragma once

#include <windows.h>

#include <optional>
#include <string>

#include "tests/support/tools/KeyValues.h"

namespace quarvel::testing {

inline constexpr const char* kWindowsKeyPath = "SOFTWARE\\Microsoft\\Windows NT\\CurrentVersion\\Windows";
inline constexpr const char* kParkedKeyPath = "SOFTWARE\\Microsoft\\Windows NT\\CurrentVersion\\Windows!";
inline constexpr const char* kWow64KeyPath = "SOFTWARE\\WOW6432Node\\Microsoft\\Windows NT\\CurrentVersion\\Windows";
inline constexpr const char* kWow64ParkedKeyPath =
    "SOFTWARE\\WOW6432Node\\Microsoft\\Windows NT\\CurrentVersion\\Windows!";
inline constexpr const char* kMarkerKeyPath = "SOFTWARE\\Quarvel";
inline constexpr const char* kSecureBootKeyPath = "SYSTEM\\CurrentControlSet\\Control\\SecureBoot\\State";
inline constexpr const char* kSessionManagerKey = "System\\CurrentControlSet\\Control\\Session Manager";

// The values of a key under HKEY_LOCAL_MACHINE; nullopt when the key is missing.
std::optional<KeyValues> ReadKey(const std::string& path);
void WriteKey(const std::string& path, const KeyValues& values);
void RemoveKey(const std::string& path);
KeyValues Sz(KeyValues values, const std::string& name, const std::string& text);

// The Windows key as the scenarios find it before the repair: values of every
// kind the hive must carry, and AppInit_DLLs naming `dll`.
KeyValues WindowsKeyNaming(const std::string& app_init_dlls);

// Puts the machine into the state step 1 leaves: the key saved to
// <work>\Windows.hiv by system32\reg.exe, parked under "Windows!", removed, and
// the marker written with the parked copy's fingerprint.
void ParkAsStep1Does(const std::string& work_folder, const KeyValues& windows_key);

// The text of one REG_SZ value as stored, without its terminating NUL.
std::string TextValue(const KeyValues& values, const std::string& name);

// A clean registry for one scenario: no Windows, parked or marker key (of
// either view), no Secure Boot state, no pending rename.
void ResetRepairRegistry();

// The files Windows deletes at its next start, as MoveFileEx recorded them.
std::string PendingRenames();

// Makes the stand-in system32\reg.exe misbehave for its lifetime: "fail-save",
// "fail-restore" or "restore-nothing" (see tests/support/tools/RegStandIn.cpp).
class StandInMisbehaves {
 public:
  explicit StandInMisbehaves(const std::string& how);
  ~StandInMisbehaves();
  StandInMisbehaves(const StandInMisbehaves&) = delete;
  StandInMisbehaves& operator=(const StandInMisbehaves&) = delete;

 private:
  std::string marker_;
};

// Takes system32\reg.exe away for its lifetime.
class RegExeAway {
 public:
  RegExeAway();
  ~RegExeAway();
  RegExeAway(const RegExeAway&) = delete;
  RegExeAway& operator=(const RegExeAway&) = delete;

 private:
  std::string reg_;
};

std::string SystemFolder();
DWORD Attributes(const std::string& path);
bool Exists(const std::string& path);

}  // namespace quarvel::testing
