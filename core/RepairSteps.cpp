#include "core/RepairSteps.h"

#include <algorithm>
#include <cctype>
#include <stdexcept>
#include <vector>

#include "core/AppInitDlls.h"
#include "core/ParsePath.h"
#include "core/PlatformId.h"
#include "core/RepairText.h"
#include "core/WorkFiles.h"

namespace quarvel {
namespace {

using Keys = std::vector<const RepairKey*>;

constexpr int kMostAsideNames = 999;
constexpr const char* kStep1Then = "type !HLX into the folder box";
constexpr const char* kStep2Then = "click the Step 2 Button";
constexpr std::size_t kLongestShownDll = 80;

// A hive file is the backup a key is restored from; a missing or empty one
// restores nothing.
bool HoldsData(RepairHost& host, const std::string& path) {
  const auto size = host.FileSize(path);
  return size && *size > 0;
}

// An administrator who just starts the program runs with a filtered token,
// which Windows refuses HKLM writes, reg.exe save and restore and
// delete-at-restart. Without an elevated one, offers to start the program
// again with it; true when the step may go on.
bool Elevated(RepairHost& host, const char* then) {
  if (host.IsElevated()) return true;
  const std::string current = host.CurrentFolder();
  if (host.Show(ElevationBox(current, then)) == BoxAnswer::kYes &&
      !host.Execute(ElevatedRestartRequest(host.ProgramPath(), current))) {
    host.Show(ElevationFailedBox(current, then));
  }
  return false;
}

// Keeps an older backup under the first free name; false when one is there and
// stays where it is.
bool MoveAside(RepairHost& host, const std::string& path) {
  if (!host.FileSize(path)) return true;
  for (int n = 1; n <= kMostAsideNames; ++n) {
    const std::string aside = AsideName(path, n);
    if (!host.FileSize(aside)) return host.RenameFile(path, aside);
  }
  return false;
}

bool SameIgnoringCase(const std::string& a, const std::string& b) {
  return std::equal(a.begin(), a.end(), b.begin(), b.end(), [](char x, char y) {
    return std::tolower(static_cast<unsigned char>(x)) == std::tolower(static_cast<unsigned char>(y));
  });
}

std::string Shown(const std::string& dll) {
  return dll.size() <= kLongestShownDll ? dll : dll.substr(0, kLongestShownDll) + "...";
}

class Step1 {
 public:
  explicit Step1(RepairHost& host) : host_(host), current_(host.CurrentFolder()) {}

  // True when it stops with step 2 due and no restart coming.
  bool Run() {
    keys_ = {&kNativeRepairKey};
    if (!SplitAppInitDlls(host_.ReadText(kWow64WindowsKey, kAppInitDlls)).empty()) {
      keys_.push_back(&kWow64RepairKey);
    }
    host_.SetStatus("Backing up Registry info.....", true);
    if (!BackUp()) return false;
    host_.SetStatus("Writing new Registry info.....", true);
    if (!Park() || !Mark()) return false;
    if (!RemoveKeys()) return true;
    host_.SetStatus("Completed Writing new Registry info", true);
    host_.Show(RebootBox());
    host_.SetStatus("Restarting Windows...", true);
    if (host_.RestartWindows(true)) return false;
    host_.Show(RestartRefusedBox(current_));
    return true;
  }

 private:
  bool Stop(const std::string& what_failed, KeptIn where) {
    host_.Show(RepairStoppedBox(what_failed, KeptText(keys_, current_, where)));
    return false;
  }

  bool BackUp() {
    // Older backups may be all that is left of an earlier repair: kept, never deleted.
    for (const RepairKey* key : keys_) {
      for (const char* file : {key->export_file, key->hive_file}) {
        if (!MoveAside(host_, current_ + file)) {
          host_.Show(BackupNotMovedAsideBox(current_ + file));
          return false;
        }
      }
    }
    for (const RepairKey* key : keys_) host_.Run(RegeditExportCommand(host_.WindowsFolder(), current_, *key));
    system_ = host_.SystemFolder();
    if (!host_.FileExists(system_ + "\\reg.exe")) {
      host_.Show(RegExeMissingBox(system_));
      return false;
    }
    for (const RepairKey* key : keys_) {
      host_.Run(RegSaveCommand(system_, current_, *key));
      if (!HoldsData(host_, current_ + key->hive_file)) {
        host_.Show(BackupNotWrittenBox(current_ + key->hive_file));
        return false;
      }
    }
    return true;
  }

  // Fills each parked key from its hive and reads it back: it must hold every
  // value of the key, names, types and bytes.
  bool Park() {
    for (const RepairKey* key : keys_) {
      const KeyRead original = host_.ReadKey(key->key);
      if (original.error) return Stop(RegistryFailureText("Reading", key->key, original.error), KeptIn::kKey);
      if (!original.values) return Stop("HKEY_LOCAL_MACHINE\\" + std::string(key->key) + " is not there.", KeptIn::kKey);
      if (const RegistryStatus status = host_.CreateKey(key->parked)) {
        return Stop(RegistryFailureText("Creating", key->parked, status), KeptIn::kKey);
      }
      host_.Run(RegRestoreParkedCommand(system_, *key));
      const KeyRead copy = host_.ReadKey(key->parked);
      if (copy.error) return Stop(RegistryFailureText("Reading", key->parked, copy.error), KeptIn::kKey);
      if (copy.values != original.values) {
        return Stop(CopyIncompleteText(key->parked, key->key), KeptIn::kKey);
      }
      fingerprints_.push_back(Fingerprint(*original.values));
    }
    return true;
  }

  // From "ok" on, every start offers step 2, which trusts the parked copies the
  // marker's fingerprints describe; so it is written only now, and read back.
  bool Mark() {
    const KeyRead earlier = host_.ReadKey(kMarkerKey);
    if (earlier.error) return Stop(RegistryFailureText("Reading", kMarkerKey, earlier.error), KeptIn::kKey);
    // Left by a run that stopped before "ok": it may name a key this run leaves alone.
    if (earlier.values) {
      if (const RegistryStatus status = host_.DeleteKey(kMarkerKey)) {
        return Stop(RegistryFailureText("Removing", kMarkerKey, status), KeptIn::kKey);
      }
    }
    if (const RegistryStatus status = host_.CreateKey(kMarkerKey)) {
      return Stop(RegistryFailureText("Creating", kMarkerKey, status), KeptIn::kKey);
    }
    for (std::size_t i = 0; i < keys_.size(); ++i) {
      if (const RegistryStatus status = host_.WriteText(kMarkerKey, keys_[i]->marker_value, fingerprints_[i])) {
        return Stop(RegistryFailureText("Writing", kMarkerKey, status), KeptIn::kKey);
      }
    }
    if (const RegistryStatus status = host_.WriteText(kMarkerKey, kMarkerValue, kMarkerDone)) {
      return Stop(RegistryFailureText("Writing", kMarkerKey, status), KeptIn::kKey);
    }
    if (!IsStep1Done(host_.ReadText(kMarkerKey, kMarkerValue))) {
      return Stop(std::string("The marker HKEY_LOCAL_MACHINE\\") + kMarkerKey + " did not read back as written.",
                  KeptIn::kKey);
    }
    return true;
  }

  bool RemoveKeys() {
    for (const RepairKey* key : keys_) {
      if (const RegistryStatus status = host_.DeleteKey(key->key)) {
        return Stop(RegistryFailureText("Removing", key->key, status), KeptIn::kParkedCopy);
      }
    }
    return true;
  }

  RepairHost& host_;
  const std::string current_;
  std::string system_;
  Keys keys_;
  std::vector<std::string> fingerprints_;
};

class Step2 {
 public:
  explicit Step2(RepairHost& host) : host_(host), current_(host.CurrentFolder()) {}

  Step2Outcome Run() {
    if (!IsStep1Done(host_.ReadText(kMarkerKey, kMarkerValue))) {
      // Another click, or another copy of the program, has finished it.
      host_.Show(Step2DoneBox());
      outcome_.finished = true;
      return outcome_;
    }
    if (!Elevated(host_, kStep2Then)) return outcome_;
    keys_ = {&kNativeRepairKey};
    if (!host_.ReadText(kMarkerKey, kWow64RepairKey.marker_value).empty()) keys_.push_back(&kWow64RepairKey);
    if (!FindParked()) return outcome_;
    system_ = host_.SystemFolder();
    if (!parked_.empty() && !host_.FileExists(system_ + "\\reg.exe")) {
      host_.Show(RegExeMissingBox(system_));
      return outcome_;
    }
    for (const Parked& parked : parked_) {
      if (!PutBack(parked)) return outcome_;
    }
    if (!EmptyAppInit() || !MoveDlls() || !CleanUp()) return outcome_;
    if (emptied_any_) host_.SetStatus("Completed", false);
    if (!not_moved_.empty()) host_.Show(NotMovedBox(current_, not_moved_));
    outcome_.finished = true;
    return outcome_;
  }

 private:
  struct Parked {
    const RepairKey* key;
    KeyContents values;
  };

  bool Stop(const std::string& what_failed, KeptIn where = KeptIn::kParkedCopy) {
    // Keys an earlier click finished are not named.
    Keys named;
    for (const Parked& parked : parked_) named.push_back(parked.key);
    host_.Show(RepairStoppedBox(what_failed, KeptText(named.empty() ? keys_ : named, current_, where)));
    return false;
  }

  bool FindParked() {
    for (const RepairKey* key : keys_) {
      const KeyRead parked = host_.ReadKey(key->parked);
      if (parked.error) return Stop(RegistryFailureText("Reading", key->parked, parked.error));
      if (parked.values) {
        if (key == &kNativeRepairKey) outcome_.app_init_value = TextOf(*parked.values, kAppInitDlls);
        parked_.push_back({key, *parked.values});
        continue;
      }
      // A step 2 that was stopped after it put this key back and removed its
      // copy; the key is all there is, and it is whole.
      const KeyRead back = host_.ReadKey(key->key);
      if (back.error) return Stop(RegistryFailureText("Reading", key->key, back.error));
      if (back.values) continue;
      host_.Show(RepairStoppedBox("Neither HKEY_LOCAL_MACHINE\\" + std::string(key->key) +
                                      " nor its parked copy HKEY_LOCAL_MACHINE\\" + key->parked + " is there.",
                                  "Nothing was changed. The key's backups are " + current_ + key->export_file +
                                      " and " + current_ + key->hive_file + "."));
      return false;
    }
    return true;
  }

  // Restores the key from its hive unless it already holds the parked values
  // (a second click, or a step 1 that could not remove it), and reads it back.
  bool PutBack(const Parked& parked) {
    const RepairKey& key = *parked.key;
    const KeyRead now = host_.ReadKey(key.key);
    if (now.error) return Stop(RegistryFailureText("Reading", key.key, now.error));
    if (now.values && SameValuesExcept(*now.values, parked.values, kAppInitDlls)) return true;

    const std::string hive = current_ + key.hive_file;
    if (!HoldsData(host_, hive)) {
      // Only a copy step 1 checked may stand in for its hive.
      if (host_.ReadText(kMarkerKey, key.marker_value) != Fingerprint(parked.values)) {
        return Stop("The Registry backup " + hive + " is missing or empty, and HKEY_LOCAL_MACHINE\\" + key.parked +
                    " is not the copy Step 1 checked, so no new backup is made from it. Run this Program from the "
                    "folder that holds " +
                    BareName(key.hive_file) + ".");
      }
      host_.Run(RegSaveParkedCommand(system_, current_, key));
      if (!HoldsData(host_, hive)) {
        return Stop("The Registry backup " + hive + " could not be written from HKEY_LOCAL_MACHINE\\" + key.parked +
                    ".");
      }
    }
    if (const RegistryStatus status = host_.CreateKey(key.key)) {
      return Stop(RegistryFailureText("Creating", key.key, status));
    }
    host_.Run(RegRestoreWindowsCommand(system_, current_, key));
    const KeyRead back = host_.ReadKey(key.key);
    if (back.error) return Stop(RegistryFailureText("Reading", key.key, back.error));
    if (!back.values || !SameValuesExcept(*back.values, parked.values, kAppInitDlls)) {
      return Stop(CopyIncompleteText(key.key, key.parked));
    }
    return true;
  }

  bool EmptyAppInit() {
    for (const Parked& parked : parked_) {
      const std::string value = TextOf(parked.values, kAppInitDlls);
      if (value.empty()) continue;
      host_.Show(AppInitBox(value, *parked.key));
      if (const RegistryStatus status = host_.WriteText(parked.key->key, kAppInitDlls, "")) {
        return Stop(RegistryFailureText("Emptying AppInit_DLLs of", parked.key->key, status));
      }
      emptied_any_ = true;
    }
    return true;
  }

  // Every DLL the parked values name, each once.
  std::vector<std::string> Dlls() const {
    std::vector<std::string> dlls;
    for (const Parked& parked : parked_) {
      for (std::string& dll : SplitAppInitDlls(TextOf(parked.values, kAppInitDlls))) {
        const auto same = [&dll](const std::string& listed) { return SameIgnoringCase(listed, dll); };
        if (std::none_of(dlls.begin(), dlls.end(), same)) dlls.push_back(std::move(dll));
      }
    }
    return dlls;
  }

  // False after a run-time failure of a move (the "File Access Error" box).
  bool MoveDlls() {
    const std::string backup_folder = current_ + kBackupFolder;
    for (const std::string& dll : Dlls()) {
      PathSplitter split;
      try {
        split.SetFullPath(dll);
      } catch (const std::overflow_error&) {
        not_moved_.push_back(Shown(dll) + ": too long to be a file path");
        continue;
      }
      const std::string target = backup_folder + "\\" + split.FileNamePart();
      if (!host_.FileSize(dll)) {
        // An earlier click moved it before it was stopped.
        if (!split.FileNamePart().empty() && host_.FileSize(target)) continue;
        not_moved_.push_back(Shown(dll) + ": not found");
        continue;
      }
      host_.Run(IcaclsCommand(system_, dll));
      host_.SetNormalAttributes(dll);
      try {
        host_.CreateFolderLike(current_, backup_folder);
        host_.Show(MovingBox(split.FileNamePart(), current_));
        host_.Move(dll, target);
        // Still there: in use, or a namesake already in cws.
        if (host_.FileSize(dll)) {
          not_moved_.push_back(Shown(dll) + (host_.DeleteAtRestart(host_.ShortName(dll))
                                                 ? ": in use or already in cws; Windows deletes it at its next start"
                                                 : ": not moved, and Windows refused to delete it at its next start"));
        }
      } catch (...) {
        host_.Show(FileAccessErrorBox());
        return false;
      }
    }
    return true;
  }

  bool CleanUp() {
    for (const Parked& parked : parked_) {
      if (const RegistryStatus status = host_.DeleteKey(parked.key->parked)) {
        return Stop(RegistryFailureText("Removing", parked.key->parked, status), KeptIn::kKeyBack);
      }
    }
    if (const RegistryStatus status = host_.DeleteKey(kMarkerKey)) {
      return Stop(RegistryFailureText("Removing", kMarkerKey, status), KeptIn::kKeyBack);
    }
    return true;
  }

  RepairHost& host_;
  const std::string current_;
  std::string system_;
  Keys keys_;
  std::vector<Parked> parked_;
  std::vector<std::string> not_moved_;
  bool emptied_any_ = false;
  Step2Outcome outcome_;
};

}  // namespace

bool RunRepairStep1(RepairHost& host, std::string_view path_box_text, bool is_admin) {
  if (path_box_text != kRepairCommand || host.PlatformId() != kPlatformNT) return false;
  if (!Elevated(host, kStep1Then)) return false;
  if (!is_admin) {
    host.Show(LimitedAccountBox());
    return false;
  }
  // A second step 1 would replace the parked copies step 2 relies on.
  if (IsStep1Done(host.ReadText(kMarkerKey, kMarkerValue))) {
    host.Show(Step2DueBox());
    return false;
  }
  if (host.Show(DeleteFileBox()) != BoxAnswer::kYes) return false;
  return Step1(host).Run();
}

Step2Outcome RunRepairStep2(RepairHost& host) { return Step2(host).Run(); }

}  // namespace quarvel
