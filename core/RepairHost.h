// What the two repair steps need from the machine and the window. The steps
// decide; a host carries each request out (the main window over the Win32
// modules, a recording fake in the tests). Registry paths are relative to
// HKEY_LOCAL_MACHINE, the only root the repair touches.
#pragma once

#include <cstdint>
#include <optional>
#include <string>

#include "core/KeyContents.h"
#include "core/ShellRequest.h"

namespace quarvel {

enum class BoxButtons { kOk, kYesNo };
enum class BoxIcon { kNone, kError, kWarning, kInformation };
enum class BoxAnswer { kOk, kYes, kNo };

// A modal message box. An empty title stands for the application's own title.
struct RepairBox {
  std::string title;
  std::string text;
  BoxButtons buttons = BoxButtons::kOk;
  BoxIcon icon = BoxIcon::kNone;
  bool operator==(const RepairBox&) const = default;
};

// How a started tool ended.
struct ToolRun {
  bool started = true;
  unsigned long error = 0;  // why it could not be started
  bool timed_out = false;   // stopped after its time was up
  unsigned long exit_code = 0;
};

// What a registry call answered: 0 on success, else the system's error code.
using RegistryStatus = long;

class RepairHost {
 public:
  virtual ~RepairHost() = default;

  virtual long PlatformId() = 0;
  virtual std::string WindowsFolder() = 0;
  virtual std::string SystemFolder() = 0;
  virtual std::string CurrentFolder() = 0;
  // The full path of the program's own file.
  virtual std::string ProgramPath() = 0;
  // Whether the process holds the full rights of an administrator: an elevated
  // token, not merely membership of the Administrators group.
  virtual bool IsElevated() = 0;
  // Whether accounts other than Administrators, SYSTEM and TrustedInstaller may
  // change the file or folder (write, add, delete or change its access list);
  // true also when it cannot tell.
  virtual bool OthersCanWrite(const std::string& path) = 0;
  // Hands a request to the shell; true when the shell carried it out.
  virtual bool Execute(const ShellRequest& request) = 0;

  virtual BoxAnswer Show(const RepairBox& box) = 0;
  // The status line; `now` repaints it at once.
  virtual void SetStatus(const std::string& text, bool now) = 0;

  virtual RegistryStatus CreateKey(const std::string& key_path) = 0;
  // Removes a key with its values and all its subkeys; ERROR_FILE_NOT_FOUND (2)
  // when it is not there.
  virtual RegistryStatus DeleteTree(const std::string& key_path) = 0;
  // Copies every value and subkey of one key into another, which must exist.
  virtual RegistryStatus CopyTree(const std::string& from_path, const std::string& to_path) = 0;
  // Gives the key and every subkey an access list of their own that lets only
  // Administrators and SYSTEM in, so nobody else can change what is kept there.
  virtual RegistryStatus ProtectKey(const std::string& key_path) = 0;
  // Sets the key's access list from its text form (KeyTree::security).
  virtual RegistryStatus SetKeySecurity(const std::string& key_path, const std::string& security) = 0;
  // The whole key, read through the wide functions.
  virtual KeyRead ReadKey(const std::string& key_path) = 0;
  // A REG_SZ value as text, "" when it is missing or cannot be read.
  virtual std::string ReadText(const std::string& key_path, const std::string& value_name) = 0;
  // Creates the key when needed and writes a REG_SZ value.
  virtual RegistryStatus WriteText(const std::string& key_path, const std::string& value_name,
                                   const std::string& text) = 0;
  // Writes a value as stored (type and raw bytes).
  virtual RegistryStatus WriteValue(const std::string& key_path, const std::string& value_name,
                                    const StoredValue& value) = 0;
  // Wide text from the registry in the ANSI code page, as the file functions take it.
  virtual std::string AnsiText(const std::u16string& text) = 0;
  // %name% references replaced from the environment, as Windows expands a
  // REG_EXPAND_SZ value.
  virtual std::string ExpandEnvironment(const std::string& text) = 0;

  // Whether the ordinary search sees a file there (hidden and system files do not count).
  virtual bool FileExists(const std::string& path) = 0;
  // The size of a file, whatever its attributes; nullopt when there is no file.
  // A folder answers too (with 0): ask IsFolder first where that matters.
  virtual std::optional<std::uint64_t> FileSize(const std::string& path) = 0;
  // Whether the path names a folder (or a link or junction to one).
  virtual bool IsFolder(const std::string& path) = 0;
  // Whether the path is a link or junction (a reparse point), whatever it points to.
  virtual bool IsLink(const std::string& path) = 0;
  // Opens a folder that is a plain folder (no link or junction) and keeps it
  // open until ReleaseFiles, so it cannot be renamed, removed or replaced
  // meanwhile; false when it is not one or cannot be opened so.
  virtual bool HoldFolder(const std::string& path) = 0;
  // Gives a file a new name in its folder; false when it could not.
  virtual bool RenameFile(const std::string& from, const std::string& to) = 0;
  // Reads a whole file and keeps it open, shared for reading only, so that
  // nobody can change, replace or delete it until ReleaseFiles; nullopt when it
  // cannot be opened so.
  virtual std::optional<std::string> HoldFile(const std::string& path) = 0;
  virtual void ReleaseFiles() = 0;
  // Starts a command line and waits until it ends, or stops it once
  // `timeout_seconds` have passed; the window keeps running meanwhile.
  virtual ToolRun Run(const std::string& command_line, unsigned timeout_seconds) = 0;
  // When Windows last started, in 100-nanosecond units since 1601; nullopt when
  // it cannot tell.
  virtual std::optional<long long> BootTime() = 0;

  // The file operations of the move, whose results are read from the file
  // system afterwards. A throw from them is a run-time failure of the move.
  virtual void SetNormalAttributes(const std::string& path) = 0;
  virtual void CreateFolderLike(const std::string& template_folder, const std::string& new_folder) = 0;
  virtual void Move(const std::string& from, const std::string& to) = 0;
  virtual std::string ShortName(const std::string& path) = 0;
  // Has Windows delete the file at its next start; false when that was refused.
  virtual bool DeleteAtRestart(const std::string& path) = 0;

  // Asks Windows to restart; false when it refused.
  virtual bool RestartWindows(bool force) = 0;
};

}  // namespace quarvel
