#include "core/RepairSteps.h"

#include "core/ParsePath.h"
#include "core/PlatformId.h"
#include "core/RepairText.h"
#include "core/Text.h"
#include "core/WorkFiles.h"

namespace quarvel {
namespace {

// The hive file is the backup the repair restores from; a missing or empty one
// restores nothing.
bool HoldsData(RepairHost& host, const std::string& path) {
  const auto size = host.FileSize(path);
  return size && *size > 0;
}

}  // namespace

void RunRepairStep1(RepairHost& host, std::string_view path_box_text, bool is_admin) {
  if (path_box_text != kRepairCommand || host.PlatformId() != kPlatformNT) return;
  if (!is_admin) {
    host.Show(LimitedAccountBox());
    return;
  }
  // A second step 1 would delete the only backups of the first one.
  if (IsStep1Done(host.ReadText(kMarkerKey, kMarkerValue))) {
    host.Show(Step2DueBox());
    return;
  }
  if (host.Show(DeleteFileBox()) != BoxAnswer::kYes) return;

  host.SetStatus("Backing up Registry info.....", true);
  const std::string current = host.CurrentFolder();
  const std::string hive = current + kHiveFile;
  if (host.FileExists(current + kRegistryExportFile)) host.RemoveFile(current + kRegistryExportFile);
  if (host.FileExists(current + kHiveFileAsTested)) host.RemoveFile(hive);
  host.Run(RegeditExportCommand(host.WindowsFolder(), current));

  const std::string system = host.SystemFolder();
  if (!host.FileExists(system + "\\reg.exe")) {
    host.Show(RegExeMissingBox(system));
    return;
  }
  // An older hive that is still there (hidden, or read-only and so not
  // deleted) could not be told from a new one; reg.exe would not overwrite it.
  if (host.FileSize(hive)) {
    host.Show(BackupNotWrittenBox(hive));
    return;
  }
  host.Run(RegSaveCommand(system, current));
  if (!HoldsData(host, hive)) {
    host.Show(BackupNotWrittenBox(hive));
    return;
  }

  host.CreateKey(kMarkerKey);
  host.WriteText(kMarkerKey, kMarkerValue, kMarkerDone);
  host.SetStatus("Writing new Registry info.....", true);
  host.DeleteKey(kWindowsKey);
  host.CreateKey(kParkedKey);
  host.Run(RegRestoreParkedCommand(system));
  host.SetStatus("Completed Writing new Registry info", true);

  host.Show(RebootBox());
  host.SetStatus("Restarting Windows...", true);
  host.RestartWindows(true);
}

Step2Outcome RunRepairStep2(RepairHost& host) {
  Step2Outcome outcome;
  const std::string current = host.CurrentFolder();
  // Everything below deletes the parked copy and rebuilds the key from the
  // hive with reg.exe; without either the key's values would survive nowhere
  // in the registry.
  if (!HoldsData(host, current + kHiveFile)) {
    host.Show(HiveNotFoundBox(current));
    return outcome;
  }
  const std::string system = host.SystemFolder();
  if (!host.FileExists(system + "\\reg.exe")) {
    host.Show(RegExeMissingBox(system));
    return outcome;
  }

  const std::string value = host.ReadText(kParkedKey, kAppInitDlls);
  outcome.app_init_value = value;
  host.DeleteKey(kWindowsKey);
  host.DeleteKey(kMarkerKey);
  host.DeleteKey(kParkedKey);
  host.CreateKey(kWindowsKey);
  host.Run(RegRestoreWindowsCommand(system, current));

  PathSplitter dll;
  dll.SetFullPath(TrimBlanks(value));
  if (!value.empty()) {
    host.Show(AppInitBox(value));
    host.WriteText(kWindowsKey, kAppInitDlls, "");
    host.Run(CaclsCommand(system, dll.FullPath()));
    host.SetNormalAttributes(dll.FullPath());
    try {
      host.CreateFolderLike(current, current + kBackupFolder);
      host.Show(MovingBox(dll.FileNamePart(), current));
      host.Move(dll.FullPath(), current + kBackupFolder + "\\" + dll.FileNamePart());
      host.SetStatus("Completed", false);
      // Still there: the move failed (in use, or a namesake already in cws), so
      // Windows deletes it at its next start.
      if (host.FileExists(dll.FullPath())) host.DeleteAtRestart(host.ShortName(dll.FullPath()));
    } catch (...) {
      host.Show(FileAccessErrorBox());
      return outcome;
    }
  }
  outcome.finished = true;
  return outcome;
}

}  // namespace quarvel
