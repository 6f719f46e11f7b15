#include "core/RepairSteps.h"

#include <algorithm>
#include <cctype>
#include <stdexcept>
#include <vector>

#include "core/AppInitDlls.h"
#include "core/ParsePath.h"
#include "core/PlatformId.h"
#include "core/RepairText.h"
#include "core/Sha256.h"
#include "core/WorkFiles.h"

namespace quarvel {
namespace {

using Keys = std::vector<const RepairKey*>;

constexpr int kMostAsideNames = 999;
constexpr const char* kStep1Then = "type !HLX into the folder box";
constexpr const char* kStep2Then = "click the Step 2 Button";
constexpr std::size_t kLongestShownDll = 80;
constexpr RegistryStatus kErrorFileNotFound = 2;
// Long enough for a large key on a slow disk; a tool that waits for an answer
// nobody can give is stopped.
constexpr unsigned kToolSeconds = 120;
// Boot times closer than this are one boot: Windows moves its boot time along
// when the clock is set, and no restart takes so little.
constexpr long long kSameBoot = 5LL * 10'000'000;
constexpr const char* kBootValue = "Step 1 boot";

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
  // Whoever can change the program or its folder would have their code started elevated.
  const std::string program = host.ProgramPath();
  const auto name_start = program.find_last_of("\\/");
  if (host.OthersCanWrite(program) ||
      (name_start != std::string::npos && host.OthersCanWrite(program.substr(0, name_start)))) {
    host.Show(UnsafeProgramFolderBox(program, then));
    return false;
  }
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

// Two sentences, the second only when there is one.
std::string Joined(const std::string& text, const std::string& more) { return more.empty() ? text : text + " " + more; }

std::string Shown(const std::string& dll) {
  return dll.size() <= kLongestShownDll ? dll : dll.substr(0, kLongestShownDll) + "...";
}

// Files held during a step are let go whichever way it ends.
class HeldFiles {
 public:
  explicit HeldFiles(RepairHost& host) : host_(host) {}
  ~HeldFiles() { host_.ReleaseFiles(); }
  HeldFiles(const HeldFiles&) = delete;
  HeldFiles& operator=(const HeldFiles&) = delete;

 private:
  RepairHost& host_;
};

// Success, or a key that is not there any more (another copy of the program
// removed it first): either way it is gone.
bool Gone(RegistryStatus status) { return status == 0 || status == kErrorFileNotFound; }

class Step1 {
 public:
  explicit Step1(RepairHost& host) : host_(host), current_(host.CurrentFolder()) {}

  // True when it stops with step 2 due and no restart coming.
  bool Run() {
    HeldFiles held(host_);
    keys_ = {&kNativeRepairKey};
    if (Names32BitDlls()) keys_.push_back(&kWow64RepairKey);
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
  struct Record {
    std::string contents;  // SHA-256 of the key's values and subkeys
    std::string hive;      // SHA-256 of the hive file
    std::string access;    // the key's access list
  };

  bool Stop(const std::string& what_failed, KeptIn where) {
    host_.Show(RepairStoppedBox(what_failed, KeptText(keys_, current_, where)));
    return false;
  }

  // Whether the 32-bit programs' value names a DLL (as REG_SZ or
  // REG_EXPAND_SZ), or is of a type step 2 must report.
  bool Names32BitDlls() {
    const KeyRead read = host_.ReadKey(kWow64WindowsKey);
    if (!read.tree || !read.tree->values.contains(kAppInitDlls)) return false;
    const auto text = WideTextOf(read.tree->values, kAppInitDlls);
    return !text || !SplitAppInitDlls(host_.AnsiText(*text)).empty();
  }

  // Before the marker reads "ok" nothing offers step 2, so a parked copy made
  // by this run would only lie about; it goes, and the box says so.
  bool StopRemovingCopies(const std::string& what_failed) {
    std::vector<const RepairKey*> removed;
    std::vector<std::string> failures;
    for (const RepairKey* key : made_) {
      const RegistryStatus status = host_.DeleteTree(key->parked);
      if (Gone(status)) {
        removed.push_back(key);
      } else {
        failures.push_back(RegistryFailureText("Removing the parked copy", key->parked, status));
      }
    }
    if (marker_made_) {
      const RegistryStatus status = host_.DeleteTree(kMarkerKey);
      if (!Gone(status)) failures.push_back(RegistryFailureText("Removing", kMarkerKey, status));
    }
    const std::string removal = CopiesRemovedText(removed, failures);
    host_.Show(RepairStoppedBox(what_failed + (removal.empty() ? "" : " " + removal),
                                KeptText(keys_, current_, KeptIn::kKey)));
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
    for (const RepairKey* key : keys_) {
      const ToolRun run = host_.Run(RegeditExportCommand(host_.WindowsFolder(), current_, *key), kToolSeconds);
      // Not needed to go on (the hive is checked before anything changes), but said.
      const std::string result = ToolResultText("regedit.exe", run, kToolSeconds);
      if (!result.empty()) host_.Show(ExportFailedBox(current_ + key->export_file, result));
    }
    system_ = host_.SystemFolder();
    if (!host_.FileExists(system_ + "\\reg.exe")) {
      host_.Show(RegExeMissingBox(system_));
      return false;
    }
    for (const RepairKey* key : keys_) {
      const std::string hive = current_ + key->hive_file;
      const ToolRun save = host_.Run(RegSaveCommand(system_, current_, *key), kToolSeconds);
      // Held from here on, so the restore into the parked key reads the bytes
      // whose digest goes into the marker.
      const auto bytes = HoldsData(host_, hive) ? host_.HoldFile(hive) : std::nullopt;
      if (!bytes || bytes->empty()) {
        host_.Show(BackupNotWrittenBox(hive, ToolResultText("reg.exe save", save, kToolSeconds)));
        return false;
      }
      records_.push_back({"", Sha256Hex(*bytes), ""});
    }
    return true;
  }

  // Fills each parked key from its hive, locks it to Administrators and
  // SYSTEM, and reads it back: it must hold every value and subkey of the key.
  bool Park() {
    for (std::size_t i = 0; i < keys_.size(); ++i) {
      const RepairKey* key = keys_[i];
      const KeyRead original = host_.ReadKey(key->key);
      if (original.error) return StopRemovingCopies(RegistryFailureText("Reading", key->key, original.error));
      if (!original.tree) return StopRemovingCopies("HKEY_LOCAL_MACHINE\\" + std::string(key->key) + " is not there.");
      if (const RegistryStatus status = host_.CreateKey(key->parked)) {
        return StopRemovingCopies(RegistryFailureText("Creating", key->parked, status));
      }
      made_.push_back(key);
      const ToolRun restore = host_.Run(RegRestoreParkedCommand(system_, *key), kToolSeconds);
      if (const RegistryStatus status = host_.ProtectKey(key->parked)) {
        return StopRemovingCopies(RegistryFailureText("Locking to Administrators and SYSTEM", key->parked, status));
      }
      const KeyRead copy = host_.ReadKey(key->parked);
      if (copy.error) return StopRemovingCopies(RegistryFailureText("Reading", key->parked, copy.error));
      if (!copy.tree || !SameContentsExcept(*copy.tree, *original.tree, "")) {
        return StopRemovingCopies(
            Joined(CopyIncompleteText(key->parked, key->key), ToolResultText("reg.exe restore", restore, kToolSeconds)));
      }
      records_[i].contents = ContentsDigest(*original.tree);
      records_[i].access = original.tree->security;
    }
    return true;
  }

  // From "ok" on, every start offers step 2, which trusts only what the
  // marker's digests describe; so it is written only now, and read back.
  bool Mark() {
    const RegistryStatus earlier = host_.DeleteTree(kMarkerKey);
    // Left by a run that stopped before "ok": it may name a key this run leaves alone.
    if (!Gone(earlier)) return StopRemovingCopies(RegistryFailureText("Removing", kMarkerKey, earlier));
    if (const RegistryStatus status = host_.CreateKey(kMarkerKey)) {
      return StopRemovingCopies(RegistryFailureText("Creating", kMarkerKey, status));
    }
    marker_made_ = true;
    if (const RegistryStatus status = host_.ProtectKey(kMarkerKey)) {
      return StopRemovingCopies(RegistryFailureText("Locking to Administrators and SYSTEM", kMarkerKey, status));
    }
    for (std::size_t i = 0; i < keys_.size(); ++i) {
      for (const auto& [name, text] : {std::pair{std::string(keys_[i]->marker_value), records_[i].contents},
                                       std::pair{HiveDigestValue(*keys_[i]), records_[i].hive},
                                       std::pair{AccessValue(*keys_[i]), records_[i].access}}) {
        if (const RegistryStatus status = host_.WriteText(kMarkerKey, name, text)) {
          return StopRemovingCopies(RegistryFailureText("Writing", kMarkerKey, status));
        }
      }
    }
    // Step 2 waits for the next boot, when no process has the DLLs loaded any more.
    if (const auto boot = host_.BootTime()) {
      if (const RegistryStatus status = host_.WriteText(kMarkerKey, kBootValue, std::to_string(*boot))) {
        return StopRemovingCopies(RegistryFailureText("Writing", kMarkerKey, status));
      }
    }
    if (const RegistryStatus status = host_.WriteText(kMarkerKey, kMarkerValue, kMarkerDone)) {
      return StopRemovingCopies(RegistryFailureText("Writing", kMarkerKey, status));
    }
    if (!IsStep1Done(host_.ReadText(kMarkerKey, kMarkerValue))) {
      return StopRemovingCopies(std::string("The marker HKEY_LOCAL_MACHINE\\") + kMarkerKey +
                                " did not read back as written.");
    }
    return true;
  }

  // The copy holds every subkey too, so the key goes with its subkeys.
  bool RemoveKeys() {
    for (const RepairKey* key : keys_) {
      const RegistryStatus status = host_.DeleteTree(key->key);
      if (!Gone(status)) return Stop(RegistryFailureText("Removing", key->key, status), KeptIn::kParkedCopy);
    }
    return true;
  }

  RepairHost& host_;
  const std::string current_;
  std::string system_;
  Keys keys_;
  Keys made_;
  bool marker_made_ = false;
  std::vector<Record> records_;
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
    if (!Restarted()) {
      host_.Show(RestartFirstBox(current_));
      return outcome_;
    }
    if (!Elevated(host_, kStep2Then)) return outcome_;
    HeldFiles held(host_);
    keys_ = {&kNativeRepairKey};
    if (!host_.ReadText(kMarkerKey, kWow64RepairKey.marker_value).empty()) keys_.push_back(&kWow64RepairKey);
    if (!FindParked()) return outcome_;
    system_ = host_.SystemFolder();
    if (!parked_.empty() && !host_.FileExists(system_ + "\\reg.exe")) {
      host_.Show(RegExeMissingBox(system_));
      return outcome_;
    }
    for (Parked& parked : parked_) {
      if (!PutBack(parked)) return outcome_;
    }
    if (!changed_.empty()) host_.Show(BackupChangedBox(changed_));
    if (!EmptyAppInit() || !MoveDlls() || !CleanUp()) return outcome_;
    if (emptied_any_) host_.SetStatus("Completed", false);
    if (!not_moved_.empty()) host_.Show(NotMovedBox(current_, not_moved_));
    outcome_.finished = true;
    return outcome_;
  }

 private:
  struct Parked {
    const RepairKey* key;
    KeyTree tree;
    // The values the key holds once it is back and checked: what the DLLs are taken from.
    KeyContents values;
  };

  bool Stop(const std::string& what_failed, KeptIn where = KeptIn::kParkedCopy) {
    // Keys an earlier click finished are not named.
    Keys named;
    for (const Parked& parked : parked_) named.push_back(parked.key);
    host_.Show(RepairStoppedBox(what_failed, KeptText(named.empty() ? keys_ : named, current_, where)));
    return false;
  }

  // Whether Windows has started again since step 1 recorded its boot time.
  bool Restarted() {
    const std::string recorded = host_.ReadText(kMarkerKey, kBootValue);
    const auto now = host_.BootTime();
    if (recorded.empty() || !now) return true;  // an older step 1, or a system that cannot tell
    long long then = 0;
    for (const char c : recorded) {
      if (c < '0' || c > '9') return true;
      then = then * 10 + (c - '0');
    }
    return *now - then >= kSameBoot || then - *now >= kSameBoot;
  }

  bool FindParked() {
    for (const RepairKey* key : keys_) {
      const KeyRead parked = host_.ReadKey(key->parked);
      if (parked.error) return Stop(RegistryFailureText("Reading", key->parked, parked.error));
      if (parked.tree) {
        parked_.push_back({key, *parked.tree, {}});
        continue;
      }
      // A step 2 that was stopped after it put this key back and removed its
      // copy; the key is all there is, and it is whole.
      const KeyRead back = host_.ReadKey(key->key);
      if (back.error) return Stop(RegistryFailureText("Reading", key->key, back.error));
      if (back.tree) continue;
      host_.Show(RepairStoppedBox("Neither HKEY_LOCAL_MACHINE\\" + std::string(key->key) +
                                      " nor its parked copy HKEY_LOCAL_MACHINE\\" + key->parked + " is there.",
                                  "Nothing was changed. The key's backups are " + current_ + key->export_file +
                                      " and " + current_ + key->hive_file + "."));
      return false;
    }
    return true;
  }

  // Puts the key back from what step 1 wrote and checked: the hive while its
  // SHA-256 is the one in the marker, else the parked copy while its contents
  // are; then reads it back against the marker's digest and access list.
  bool PutBack(Parked& parked) {
    const RepairKey& key = *parked.key;
    const std::string digest = host_.ReadText(kMarkerKey, key.marker_value);
    const std::string hive_digest = host_.ReadText(kMarkerKey, HiveDigestValue(key));
    const std::string access = host_.ReadText(kMarkerKey, AccessValue(key));
    const bool parked_checked = !digest.empty() && ContentsDigest(parked.tree) == digest;

    const KeyRead now = host_.ReadKey(key.key);
    if (now.error) return Stop(RegistryFailureText("Reading", key.key, now.error));
    if (now.tree && parked_checked && SameContentsExcept(*now.tree, parked.tree, kAppInitDlls) &&
        (access.empty() || now.tree->security == access)) {
      // A second click, or a step 1 that could not remove the key.
      parked.values = parked.tree.values;
      return Found(parked);
    }

    const std::string hive = current_ + key.hive_file;
    // An empty hive is a broken backup, not a missing one: kept under another name.
    if (const auto size = host_.FileSize(hive); size && *size == 0 && !host_.IsFolder(hive)) MoveAside(host_, hive);
    // Held until the step ends, so the restore reads the bytes checked here.
    const auto bytes = host_.HoldFile(hive);
    const bool hive_checked = bytes && !hive_digest.empty() && Sha256Hex(*bytes) == hive_digest;
    if (!hive_checked && !parked_checked) {
      return Stop(NothingTrustedText(hive, key), KeptIn::kUntrusted);
    }
    // Whatever stands at the key's path now is not what step 1 removed.
    if (now.tree) {
      if (const RegistryStatus status = host_.DeleteTree(key.key); !Gone(status)) {
        return Stop(RegistryFailureText("Removing", key.key, status));
      }
    }
    if (const RegistryStatus status = host_.CreateKey(key.key)) {
      return Stop(RegistryFailureText("Creating", key.key, status));
    }
    ToolRun restore;
    if (hive_checked) {
      restore = host_.Run(RegRestoreWindowsCommand(system_, current_, key), kToolSeconds);
      if (!parked_checked) changed_.push_back(ParkedChangedText(hive, key));
    } else {
      if (const RegistryStatus status = host_.CopyTree(key.parked, key.key)) {
        return Stop(RegistryFailureText("Copying " + FullKey(key.parked) + " into", key.key, status));
      }
      changed_.push_back(HiveChangedText(hive, key));
    }
    KeyRead back = host_.ReadKey(key.key);
    if (back.tree && !access.empty() && back.tree->security != access) {
      if (const RegistryStatus status = host_.SetKeySecurity(key.key, access)) {
        return Stop(RegistryFailureText("Setting the access list of", key.key, status));
      }
      back = host_.ReadKey(key.key);
    }
    if (back.error) return Stop(RegistryFailureText("Reading", key.key, back.error));
    if (!back.tree || ContentsDigest(*back.tree) != digest || (!access.empty() && back.tree->security != access)) {
      return Stop(hive_checked ? Joined(CopyIncompleteText(key.key, key.parked),
                                        ToolResultText("reg.exe restore", restore, kToolSeconds))
                               : TreeCopyIncompleteText(key.key, key.parked));
    }
    parked.values = back.tree->values;
    return Found(parked);
  }

  bool Found(const Parked& parked) {
    if (parked.key == &kNativeRepairKey) {
      const auto text = WideTextOf(parked.values, kAppInitDlls);
      outcome_.app_init_value = text ? host_.AnsiText(*text) : "";
    }
    return true;
  }

  bool EmptyAppInit() {
    for (const Parked& parked : parked_) {
      const auto found = parked.values.find(kAppInitDlls);
      if (found == parked.values.end()) continue;
      const auto text = WideTextOf(parked.values, kAppInitDlls);
      if (!text) {
        not_moved_.push_back(std::string(parked.key->app_init_name) + " is of type " +
                             std::to_string(found->second.type) + ", not text: left as it is, nothing moved");
        continue;
      }
      if (text->empty()) continue;
      host_.Show(AppInitBox(host_.AnsiText(*text), *parked.key));
      // Emptied as the type it was, so a REG_EXPAND_SZ stays one.
      if (const RegistryStatus status =
              host_.WriteValue(parked.key->key, kAppInitDlls, StoredValue{found->second.type, WideData("")})) {
        return Stop(RegistryFailureText("Emptying AppInit_DLLs of", parked.key->key, status));
      }
      emptied_any_ = true;
    }
    return true;
  }

  // Every DLL each list names, once per list, as the programs that read that
  // list see the path.
  std::vector<std::string> Dlls() {
    std::vector<std::string> dlls;
    for (const Parked& parked : parked_) {
      const auto text = WideTextOf(parked.values, kAppInitDlls);
      if (!text) continue;
      std::string value = host_.AnsiText(*text);
      if (parked.values.at(kAppInitDlls).type == kRegExpandSzType) value = host_.ExpandEnvironment(value);
      std::vector<std::string> list;
      for (std::string& dll : SplitAppInitDlls(value)) {
        if (parked.key == &kWow64RepairKey) dll = As32BitProgramsSeeIt(dll);
        const auto same = [&dll](const std::string& listed) { return SameIgnoringCase(listed, dll); };
        if (std::none_of(list.begin(), list.end(), same)) list.push_back(std::move(dll));
      }
      dlls.insert(dlls.end(), list.begin(), list.end());
    }
    return dlls;
  }

  // File system redirection: a 32-bit program's System32 is SysWOW64, and it
  // reaches the real System32 as Sysnative.
  std::string As32BitProgramsSeeIt(const std::string& path) {
    const std::string windows = host_.WindowsFolder();
    for (const auto& [seen, real] : {std::pair{"\\System32", "\\SysWOW64"}, std::pair{"\\Sysnative", "\\System32"}}) {
      const std::string folder = windows + seen;
      if (path.size() > folder.size() && (path[folder.size()] == '\\' || path[folder.size()] == '/') &&
          SameIgnoringCase(path.substr(0, folder.size()), folder)) {
        return windows + real + path.substr(folder.size());
      }
    }
    return path;
  }

  // False after a run-time failure of a move (the "File Access Error" box).
  bool MoveDlls() {
    const std::string backup_folder = current_ + kBackupFolder;
    std::vector<std::string> handled;
    for (const std::string& dll : Dlls()) {
      PathSplitter split;
      try {
        split.SetFullPath(dll);
      } catch (const std::overflow_error&) {
        not_moved_.push_back(Shown(dll) + ": too long to be a file path");
        continue;
      }
      const std::string target = backup_folder + "\\" + split.FileNamePart();
      if (host_.IsFolder(dll)) {
        not_moved_.push_back(Shown(dll) + ": a folder, not a file; left where it is");
        continue;
      }
      if (!host_.FileSize(dll)) {
        // Moved by an earlier click, or named in the other list too.
        if (!split.FileNamePart().empty() && host_.FileSize(target)) continue;
        not_moved_.push_back(Shown(dll) + ": not found");
        continue;
      }
      const std::string grant =
          ToolResultText("icacls.exe", host_.Run(IcaclsCommand(system_, dll), kToolSeconds), kToolSeconds);
      host_.SetNormalAttributes(dll);
      try {
        if (!BackupFolderReady(backup_folder)) {
          not_moved_.push_back(Shown(dll) + ": " + backup_folder +
                               " is a link or junction, or not a folder of its own; nothing is moved into it");
          continue;
        }
        host_.Show(MovingBox(split.FileNamePart(), current_));
        host_.Move(dll, target);
        // Still there: in use, or a namesake already in cws.
        if (host_.FileSize(dll)) {
          // Without a short name, the long one.
          std::string name = host_.ShortName(dll);
          if (name.empty()) name = dll;
          not_moved_.push_back(Joined(Shown(dll) + (host_.DeleteAtRestart(name)
                                                        ? ": in use or already in cws; Windows deletes it at its next start"
                                                        : ": not moved, and Windows refused to delete it at its next start"),
                                      grant));
        }
      } catch (...) {
        host_.Show(FileAccessErrorBox());
        return false;
      }
    }
    return true;
  }

  // The backup folder is a plain folder of its own, held open so it cannot be
  // swapped for a link to somewhere else while DLLs move into it: a link or
  // junction there is renamed aside and a new folder made.
  bool BackupFolderReady(const std::string& folder) {
    if (backup_ready_) return true;
    if (host_.IsLink(folder) && !MoveAside(host_, folder)) return false;
    host_.CreateFolderLike(current_, folder);
    backup_ready_ = host_.HoldFolder(folder);
    return backup_ready_;
  }

  bool CleanUp() {
    for (const Parked& parked : parked_) {
      const RegistryStatus status = host_.DeleteTree(parked.key->parked);
      if (!Gone(status)) return Stop(RegistryFailureText("Removing", parked.key->parked, status), KeptIn::kKeyBack);
    }
    const RegistryStatus status = host_.DeleteTree(kMarkerKey);
    if (!Gone(status)) return Stop(RegistryFailureText("Removing", kMarkerKey, status), KeptIn::kKeyBack);
    return true;
  }

  RepairHost& host_;
  const std::string current_;
  std::string system_;
  Keys keys_;
  std::vector<Parked> parked_;
  std::vector<std::string> changed_;
  std::vector<std::string> not_moved_;
  bool emptied_any_ = false;
  bool backup_ready_ = false;
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
