#include "core/RepairText.h"

#include "core/WorkFiles.h"

namespace quarvel {
namespace {

const std::string kFullWindowsKey = std::string("HKEY_LOCAL_MACHINE\\") + kWindowsKey;
const std::string kFullParkedKey = std::string("HKEY_LOCAL_MACHINE\\") + kParkedKey;

std::string Quoted(const std::string& text) { return '"' + text + '"'; }

}  // namespace

bool IsStep1Done(std::string_view marker_text) { return marker_text == kMarkerDone; }

std::string RegeditExportCommand(const std::string& windows_folder, const std::string& current_folder) {
  return windows_folder + "\\regedit.exe /e " + Quoted(current_folder + kRegistryExportFile) + " " +
         Quoted(kFullWindowsKey);
}

std::string RegSaveCommand(const std::string& system_folder, const std::string& current_folder) {
  return system_folder + "\\reg.exe save " + Quoted(kFullWindowsKey) + " " + Quoted(current_folder + kHiveFile);
}

std::string RegRestoreParkedCommand(const std::string& system_folder) {
  return system_folder + "\\reg.exe restore " + Quoted(kFullParkedKey) + " " + BareName(kHiveFile);
}

std::string RegRestoreWindowsCommand(const std::string& system_folder, const std::string& current_folder) {
  return system_folder + "\\reg.exe restore " + Quoted(kFullWindowsKey) + " " +
         Quoted(current_folder + kHiveFile);
}

std::string CaclsCommand(const std::string& system_folder, const std::string& dll_path) {
  const bool has_blank = dll_path.find(' ') != std::string::npos;
  return system_folder + "\\cacls.exe " + (has_blank ? Quoted(dll_path) : dll_path) + " /t /e /g Administrators:f";
}

RepairBox LimitedAccountBox() {
  return {"Limited Account", "You must be logged in as an Administrator to use this Fix", BoxButtons::kOk,
          BoxIcon::kError};
}

RepairBox DeleteFileBox() {
  return {"Delete File",
          "This will Remove Registry Entries in AppInit_DLLs key, the Hidden cws dll will be visible and unloaded "
          "next reboot.\r\nUSE THIS NEXT STEP AT YOUR OWN RISK",
          BoxButtons::kYesNo, BoxIcon::kError};
}

RepairBox RegExeMissingBox(const std::string& system_folder) {
  return {"Reg.exe",
          "Reg.exe was not detected on your system You need to download and copy it to your " + system_folder +
              " to continue",
          BoxButtons::kOk, BoxIcon::kError};
}

RepairBox RebootBox() {
  return {"Reboot",
          "You need to Reboot to complete the Fix, Remember to Run this Program again after Reboot to complete "
          "the Fix",
          BoxButtons::kOk, BoxIcon::kWarning};
}

RepairBox BackupNotWrittenBox(const std::string& hive_path) {
  return {"Backup Failed",
          "The Registry backup " + hive_path +
              " could not be written, so nothing was changed. Your Registry is as it was before.",
          BoxButtons::kOk, BoxIcon::kError};
}

RepairBox Step2DueBox() {
  return {"Step 2",
          "Step 1 of this Fix has already been done and Step 2 is due, so nothing was changed. Reboot if you have "
          "not done so, then Run this Program again from the folder that holds Windows.hiv and click the Step 2 "
          "Button.",
          BoxButtons::kOk, BoxIcon::kWarning};
}

RepairBox AppInitBox(const std::string& app_init_value) {
  return {"AppInit_DLLs", "Value in AppInit_DLLs is " + app_init_value, BoxButtons::kOk, BoxIcon::kInformation};
}

RepairBox MovingBox(const std::string& file_name, const std::string& current_folder) {
  return {"", "Moving " + file_name + " to " + current_folder + kBackupFolder + " as Backup", BoxButtons::kOk, BoxIcon::kNone};
}

RepairBox FileAccessErrorBox() { return {"File", "File Access Error", BoxButtons::kOk, BoxIcon::kWarning}; }

RepairBox HiveNotFoundBox(const std::string& current_folder) {
  return {"Windows.hiv",
          "The Registry backup Windows.hiv that Step 1 saved is missing or empty in " + current_folder +
              ", so nothing was changed. Run this Program from the folder that holds Windows.hiv and click the "
              "Step 2 Button again.",
          BoxButtons::kOk, BoxIcon::kError};
}

}  // namespace quarvel
