#include "core/RepairText.h"

#include "core/WorkFiles.h"

namespace quarvel {
namespace {

constexpr const char* kRoot = "HKEY_LOCAL_MACHINE\\";

std::string Full(const char* key_path) { return kRoot + std::string(key_path); }

std::string Quoted(const std::string& text) { return '"' + text + '"'; }

}  // namespace

std::string FullKey(const std::string& key_path) { return kRoot + key_path; }

std::string HiveDigestValue(const RepairKey& key) { return key.marker_value + std::string(" hive SHA-256"); }
std::string AccessValue(const RepairKey& key) { return key.marker_value + std::string(" access"); }

bool IsStep1Done(std::string_view marker_text) { return marker_text == kMarkerDone; }

std::string AsideName(const std::string& path, int n) {
  const auto name_start = path.find_last_of("\\/") + 1;  // 0 without a folder
  auto dot = path.rfind('.');
  if (dot == std::string::npos || dot < name_start) dot = path.size();
  return path.substr(0, dot) + "." + std::to_string(n) + path.substr(dot);
}

std::string RegeditExportCommand(const std::string& windows_folder, const std::string& current_folder,
                                 const RepairKey& key) {
  return Quoted(windows_folder + "\\regedit.exe") + " /e " + Quoted(current_folder + key.export_file) + " " +
         Quoted(Full(key.key));
}

std::string RegSaveCommand(const std::string& system_folder, const std::string& current_folder,
                           const RepairKey& key) {
  // /y: it would otherwise ask before it overwrites, and wait for an answer nobody sees.
  return Quoted(system_folder + "\\reg.exe") + " save " + Quoted(Full(key.key)) + " " + Quoted(current_folder + key.hive_file) +
         " /y";
}

std::string RegRestoreParkedCommand(const std::string& system_folder, const RepairKey& key) {
  return Quoted(system_folder + "\\reg.exe") + " restore " + Quoted(Full(key.parked)) + " " + BareName(key.hive_file);
}

std::string RegRestoreWindowsCommand(const std::string& system_folder, const std::string& current_folder,
                                     const RepairKey& key) {
  return Quoted(system_folder + "\\reg.exe") + " restore " + Quoted(Full(key.key)) + " " +
         Quoted(current_folder + key.hive_file);
}

std::string IcaclsCommand(const std::string& system_folder, const std::string& dll_path) {
  return Quoted(system_folder + "\\icacls.exe") + " " + Quoted(dll_path) + " /grant *S-1-5-32-544:F";
}

ShellRequest ElevatedRestartRequest(const std::string& program_path, const std::string& current_folder) {
  return ShellRequest{"runas", program_path, std::nullopt, current_folder, 1};
}

std::string ToolResultText(const std::string& tool, const ToolRun& run, unsigned timeout_seconds) {
  if (!run.started) return tool + " could not be started (error " + std::to_string(run.error) + ").";
  if (run.timed_out) {
    return tool + " did not end within " + std::to_string(timeout_seconds) + " seconds and was stopped.";
  }
  if (run.exit_code != 0) return tool + " ended with exit code " + std::to_string(run.exit_code) + ".";
  return "";
}

RepairBox RestartFirstBox(const std::string& current_folder) {
  return {"Step 2",
          "Windows has not been restarted since Step 1, so nothing was changed: the DLLs named in AppInit_DLLs may "
          "still be loaded. Restart Windows, then Run this Program again from " +
              current_folder + " and click the Step 2 Button.",
          BoxButtons::kOk, BoxIcon::kWarning};
}

RepairBox LimitedAccountBox() {
  return {"Limited Account", "You must be logged in as an Administrator to use this Fix", BoxButtons::kOk,
          BoxIcon::kError};
}

RepairBox ElevationBox(const std::string& current_folder, const std::string& then) {
  return {"Administrator Rights",
          "This Program runs without the full rights of an Administrator (User Account Control), so Windows would "
          "refuse the changes of this Fix. Nothing was changed.\r\nClick Yes to start it again with those rights in " +
              current_folder + ", then " + then +
              " there. Or close it, right-click quarvel.exe, choose \"Run as administrator\" and do so yourself.",
          BoxButtons::kYesNo, BoxIcon::kWarning};
}

RepairBox UnsafeProgramFolderBox(const std::string& program_path, const std::string& then) {
  return {"Administrator Rights",
          "This Program runs without the full rights of an Administrator (User Account Control), so Windows would "
          "refuse the changes of this Fix. Nothing was changed.\r\nIt does not start itself again with those rights "
          "from " +
              program_path +
              ": accounts other than Administrators can change that file or its folder, and whatever they put there "
              "would run with the rights of an Administrator. Copy quarvel.exe into a folder only Administrators can "
              "change (for example a new folder under C:\\Program Files), right-click it there, choose \"Run as "
              "administrator\", then " +
              then + ".",
          BoxButtons::kOk, BoxIcon::kWarning};
}

RepairBox ElevationFailedBox(const std::string& current_folder, const std::string& then) {
  return {"Administrator Rights",
          "This Program could not be started again with the rights of an Administrator. Nothing was changed.\r\n"
          "Close it, right-click quarvel.exe in " +
              current_folder + ", choose \"Run as administrator\", then " + then + ".",
          BoxButtons::kOk, BoxIcon::kError};
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

RepairBox RestartRefusedBox(const std::string& current_folder) {
  return {"Restart Refused",
          "Windows refused to restart. Restart it yourself, then Run this Program again from " + current_folder +
              " and click the Step 2 Button to complete the Fix.",
          BoxButtons::kOk, BoxIcon::kWarning};
}

RepairBox BackupNotWrittenBox(const std::string& hive_path, const std::string& tool_result) {
  return {"Backup Failed",
          "The Registry backup " + hive_path + " could not be written, so nothing was changed. " +
              (tool_result.empty() ? "" : tool_result + " ") + "Your Registry is as it was before.",
          BoxButtons::kOk, BoxIcon::kError};
}

RepairBox ExportFailedBox(const std::string& export_path, const std::string& tool_result) {
  return {"Backup",
          tool_result + " The text export " + export_path +
              " may be missing or incomplete. The Fix goes on: nothing is changed before the hive backup has been "
              "checked.",
          BoxButtons::kOk, BoxIcon::kWarning};
}

RepairBox BackupNotMovedAsideBox(const std::string& backup_path) {
  return {"Backup Failed",
          "The older Registry backup " + backup_path +
              " could not be renamed to keep it, so nothing was changed. Your Registry is as it was before.",
          BoxButtons::kOk, BoxIcon::kError};
}

RepairBox Step2DueBox() {
  return {"Step 2",
          "Step 1 of this Fix has already been done and Step 2 is due, so nothing was changed. Reboot if you have "
          "not done so, then Run this Program again from the folder that holds Windows.hiv and click the Step 2 "
          "Button.",
          BoxButtons::kOk, BoxIcon::kWarning};
}

RepairBox Step2DoneBox() {
  return {"Step 2", "Step 2 of this Fix has already been done; there is nothing left to do.", BoxButtons::kOk,
          BoxIcon::kInformation};
}

RepairBox AppInitBox(const std::string& app_init_value, const RepairKey& key) {
  return {"AppInit_DLLs", std::string("Value in ") + key.app_init_name + " is " + app_init_value, BoxButtons::kOk,
          BoxIcon::kInformation};
}

RepairBox MovingBox(const std::string& file_name, const std::string& current_folder) {
  return {"", "Moving " + file_name + " to " + current_folder + kBackupFolder + " as Backup", BoxButtons::kOk,
          BoxIcon::kNone};
}

RepairBox FileAccessErrorBox() { return {"File", "File Access Error", BoxButtons::kOk, BoxIcon::kWarning}; }

RepairBox NotMovedBox(const std::string& current_folder, const std::vector<std::string>& lines) {
  std::string text = "These DLLs named in AppInit_DLLs are not in " + current_folder + kBackupFolder + ":";
  for (const auto& line : lines) text += "\r\n" + line;
  return {"Not Moved", text, BoxButtons::kOk, BoxIcon::kWarning};
}

RepairBox RepairStoppedBox(const std::string& what_failed, const std::string& kept) {
  return {"Repair Stopped", what_failed + "\r\n" + kept, BoxButtons::kOk, BoxIcon::kError};
}

std::string RegistryFailureText(const std::string& doing, const std::string& key_path, long error) {
  return doing + " " + kRoot + key_path + " failed with error " + std::to_string(error) + ".";
}

std::string CopyIncompleteText(const std::string& copy_path, const std::string& original_path) {
  return "After reg.exe restore, " + Full(copy_path.c_str()) + " does not hold every value of " +
         Full(original_path.c_str()) + ": the restore failed or restored nothing.";
}

std::string CopiesRemovedText(const std::vector<const RepairKey*>& keys, const std::vector<std::string>& failures) {
  std::string text;
  for (const RepairKey* key : keys) {
    text += (text.empty() ? "The parked copy " : ", ") + Full(key->parked);
  }
  if (!text.empty()) text += keys.size() == 1 ? " that this step made was removed again." : " that this step made were removed again.";
  for (const std::string& failure : failures) text += " " + failure;
  return text;
}

std::string HiveChangedText(const std::string& hive_path, const RepairKey& key) {
  return hive_path + " is not the file Step 1 wrote (it was changed or replaced since), so it was not used: " +
         Full(key.key) + " was put back from its parked copy " + Full(key.parked) + ", which Step 1 checked.";
}

std::string ParkedChangedText(const std::string& hive_path, const RepairKey& key) {
  return Full(key.parked) + " is not the copy Step 1 checked (it was changed since), so it was not used: " +
         Full(key.key) + " was put back from " + hive_path + ", which Step 1 wrote.";
}

RepairBox BackupChangedBox(const std::vector<std::string>& notes) {
  std::string text;
  for (const std::string& note : notes) text += note + "\r\n";
  text += "The key now holds what it held before Step 1.";
  return {"Backup Changed", text, BoxButtons::kOk, BoxIcon::kWarning};
}

std::string NothingTrustedText(const std::string& hive_path, const RepairKey& key) {
  return "Neither " + hive_path + " nor " + Full(key.parked) +
         " is what Step 1 wrote and checked: both were changed since (or Step 1 was done by an older version of "
         "this Program), so neither is put back.";
}

std::string TreeCopyIncompleteText(const std::string& key_path, const std::string& parked_path) {
  return "After " + Full(parked_path.c_str()) + " was copied into " + Full(key_path.c_str()) +
         ", the key does not hold what Step 1 found there, or not with the access list it had.";
}

std::string KeptText(const std::vector<const RepairKey*>& keys, const std::string& current_folder, KeptIn where) {
  std::string text =
      where == KeptIn::kKey || where == KeptIn::kUntrusted ? "Nothing was changed:" : "No value was lost:";
  for (const RepairKey* key : keys) {
    const std::string backups = current_folder + key->export_file + " and " + current_folder + key->hive_file;
    switch (where) {
      case KeptIn::kKey:
        text += " " + Full(key->key) + " is as it was, and its backups are " + backups + ".";
        break;
      case KeptIn::kParkedCopy:
        text += " every value of " + Full(key->key) + " is kept in " + Full(key->parked) + " and in " + backups + ".";
        break;
      case KeptIn::kUntrusted:
        text += " " + Full(key->parked) + " and " + backups +
                " are as they were; compare them with the text export before you use either.";
        break;
      case KeptIn::kKeyBack:
        text += " " + Full(key->key) + " is back with every value, AppInit_DLLs emptied; its backups are " +
                backups + ".";
        break;
    }
  }
  if (where != KeptIn::kKey) text += " \"Step 2\" stays offered, now and at the next start of this Program.";
  return text;
}

}  // namespace quarvel
