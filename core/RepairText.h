// The repair's fixed names, its tools' command lines and its message boxes.
#pragma once

#include <string>
#include <string_view>

#include "core/RepairHost.h"

namespace quarvel {

// Typed into the path box, opens step 1; also the marker's value name.
inline constexpr std::string_view kRepairCommand = "!HLX";

inline constexpr const char* kWindowsKey = "SOFTWARE\\Microsoft\\Windows NT\\CurrentVersion\\Windows";
inline constexpr const char* kParkedKey = "SOFTWARE\\Microsoft\\Windows NT\\CurrentVersion\\Windows!";
inline constexpr const char* kMarkerKey = "SOFTWARE\\Quarvel";
inline constexpr const char* kMarkerValue = "!HLX";
inline constexpr const char* kMarkerDone = "ok";
inline constexpr const char* kAppInitDlls = "AppInit_DLLs";
inline constexpr const char* kStep2Caption = "Step 2";

// True only for the marker step 1 writes: exact and case-sensitive.
bool IsStep1Done(std::string_view marker_text);

std::string RegeditExportCommand(const std::string& windows_folder, const std::string& current_folder);
std::string RegSaveCommand(const std::string& system_folder, const std::string& current_folder);
// Restores into the parked key; the hive is named without a folder and found
// in the tool's working directory, the current folder.
std::string RegRestoreParkedCommand(const std::string& system_folder);
std::string RegRestoreWindowsCommand(const std::string& system_folder, const std::string& current_folder);
// The DLL path is quoted when it holds a blank, so cacls gets it as one argument.
std::string CaclsCommand(const std::string& system_folder, const std::string& dll_path);

RepairBox LimitedAccountBox();
RepairBox DeleteFileBox();
RepairBox RegExeMissingBox(const std::string& system_folder);
RepairBox RebootBox();
RepairBox BackupNotWrittenBox(const std::string& hive_path);
RepairBox Step2DueBox();
RepairBox AppInitBox(const std::string& app_init_value);
RepairBox MovingBox(const std::string& file_name, const std::string& current_folder);
RepairBox FileAccessErrorBox();
RepairBox HiveNotFoundBox(const std::string& current_folder);

}  // namespace quarvel
