// The repair's fixed names, its tools' command lines and its message boxes.
#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "core/RepairHost.h"
#include "core/WorkFiles.h"

namespace quarvel {

// Typed into the path box, opens step 1; also the marker's value name.
inline constexpr std::string_view kRepairCommand = "!HLX";

inline constexpr const char* kWindowsKey = "SOFTWARE\\Microsoft\\Windows NT\\CurrentVersion\\Windows";
inline constexpr const char* kParkedKey = "SOFTWARE\\Microsoft\\Windows NT\\CurrentVersion\\Windows!";
// The copy of the Windows key that 32-bit programs read on a 64-bit Windows.
inline constexpr const char* kWow64WindowsKey = "SOFTWARE\\WOW6432Node\\Microsoft\\Windows NT\\CurrentVersion\\Windows";
inline constexpr const char* kWow64ParkedKey = "SOFTWARE\\WOW6432Node\\Microsoft\\Windows NT\\CurrentVersion\\Windows!";
inline constexpr const char* kMarkerKey = "SOFTWARE\\Quarvel";
inline constexpr const char* kMarkerValue = "!HLX";
inline constexpr const char* kMarkerDone = "ok";
inline constexpr const char* kAppInitDlls = "AppInit_DLLs";
inline constexpr const char* kLoadAppInitDlls = "LoadAppInit_DLLs";
inline constexpr const char* kSecureBootKey = "SYSTEM\\CurrentControlSet\\Control\\SecureBoot\\State";
inline constexpr const char* kSecureBootValue = "UEFISecureBootEnabled";
inline constexpr const char* kStep2Caption = "Step 2";

// One key the repair parks and puts back: its parked name, its two backups in
// the current folder, the marker key's value that records the fingerprint of
// its parked copy, and how boxes name its AppInit_DLLs.
struct RepairKey {
  const char* key;
  const char* parked;
  const char* export_file;
  const char* hive_file;
  const char* marker_value;
  const char* app_init_name;
};

inline constexpr RepairKey kNativeRepairKey{kWindowsKey,       kParkedKey, kRegistryExportFile,
                                            kHiveFile,         "Windows!", "AppInit_DLLs"};
inline constexpr RepairKey kWow64RepairKey{kWow64WindowsKey,       kWow64ParkedKey,
                                           kRegistryExportFile32,  kHiveFile32,
                                           "WOW6432Node Windows!", "AppInit_DLLs of 32-bit programs (WOW6432Node)"};

// The marker key's values beside a key's contents digest (marker_value): the
// SHA-256 of the hive step 1 wrote, and the key's access list as step 1 found it.
std::string HiveDigestValue(const RepairKey& key);
std::string AccessValue(const RepairKey& key);

// "HKEY_LOCAL_MACHINE\<key>", as the tools and the boxes name a key.
std::string FullKey(const std::string& key_path);

// True only for the marker step 1 writes: exact and case-sensitive.
bool IsStep1Done(std::string_view marker_text);

// The name an older backup is kept under: "<stem>.<n><extension>".
std::string AsideName(const std::string& path, int n);

std::string RegeditExportCommand(const std::string& windows_folder, const std::string& current_folder,
                                 const RepairKey& key);
std::string RegSaveCommand(const std::string& system_folder, const std::string& current_folder,
                           const RepairKey& key);
// Restores into the parked key; the hive is named without a folder and found
// in the tool's working directory, the current folder.
std::string RegRestoreParkedCommand(const std::string& system_folder, const RepairKey& key);
std::string RegRestoreWindowsCommand(const std::string& system_folder, const std::string& current_folder,
                                     const RepairKey& key);
// Full access for the Administrators group, named by its well-known SID (the
// group's name differs with the language of Windows), on this one file.
std::string IcaclsCommand(const std::string& system_folder, const std::string& dll_path);

// Starts the program again with an elevated token, in the same folder.
ShellRequest ElevatedRestartRequest(const std::string& program_path, const std::string& current_folder);

// "<tool> ended with exit code 1.", "... could not be started (error 2).", "... did not end within 120 seconds
// and was stopped."; "" for a tool that ended with code 0.
std::string ToolResultText(const std::string& tool, const ToolRun& run, unsigned timeout_seconds);

// Step 2 clicked before Windows was restarted after step 1.
RepairBox RestartFirstBox(const std::string& current_folder);

RepairBox LimitedAccountBox();
// `then` says what the user does in the elevated program ("type !HLX ...").
RepairBox ElevationBox(const std::string& current_folder, const std::string& then);
// The program's folder (or file) can be changed by other accounts: started
// elevated from there, whatever they put in its place would run elevated.
RepairBox UnsafeProgramFolderBox(const std::string& program_path, const std::string& then);
RepairBox ElevationFailedBox(const std::string& current_folder, const std::string& then);
RepairBox DeleteFileBox();
RepairBox RegExeMissingBox(const std::string& system_folder);
RepairBox RebootBox();
RepairBox RestartRefusedBox(const std::string& current_folder);
RepairBox BackupNotWrittenBox(const std::string& hive_path, const std::string& tool_result = "");
// The text export did not end well; the step goes on.
RepairBox ExportFailedBox(const std::string& export_path, const std::string& tool_result);
RepairBox BackupNotMovedAsideBox(const std::string& backup_path);
RepairBox Step2DueBox();
RepairBox Step2DoneBox();
RepairBox AppInitBox(const std::string& app_init_value, const RepairKey& key);
RepairBox MovingBox(const std::string& file_name, const std::string& current_folder);
RepairBox FileAccessErrorBox();
// Each line names a DLL and why it is not in the backup folder.
RepairBox NotMovedBox(const std::string& current_folder, const std::vector<std::string>& lines);

// A step that stops: what failed, then where every value of the keys is kept.
RepairBox RepairStoppedBox(const std::string& what_failed, const std::string& kept);
// "<Doing> HKEY_LOCAL_MACHINE\<key> failed with error <n>."
std::string RegistryFailureText(const std::string& doing, const std::string& key_path, long error);

// "After reg.exe restore, <copy> does not hold every value of <original>...".
std::string CopyIncompleteText(const std::string& copy_path, const std::string& original_path);
// After the parked copy was copied into the key, the key is not what step 1 found.
std::string TreeCopyIncompleteText(const std::string& key_path, const std::string& parked_path);

// Step 1 stopped after it made parked copies: they were removed again (or why not).
std::string CopiesRemovedText(const std::vector<const RepairKey*>& keys, const std::vector<std::string>& failures);

// Step 2 found a backup that is not what step 1 wrote or checked, and used the other.
std::string HiveChangedText(const std::string& hive_path, const RepairKey& key);
std::string ParkedChangedText(const std::string& hive_path, const RepairKey& key);
RepairBox BackupChangedBox(const std::vector<std::string>& notes);
// Neither the hive nor the parked copy is what step 1 wrote and checked.
std::string NothingTrustedText(const std::string& hive_path, const RepairKey& key);

enum class KeptIn {
  kKey,         // the key is untouched (step 1 before it removes anything)
  kParkedCopy,  // the parked copy is complete (from the marker on)
  kKeyBack,     // the key is back with every value (step 2 cleaning up)
  kUntrusted,   // neither backup is what step 1 checked; nothing was changed
};
std::string KeptText(const std::vector<const RepairKey*>& keys, const std::string& current_folder, KeptIn where);

}  // namespace quarvel
