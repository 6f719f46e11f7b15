// What the two repair steps need from the machine and the window. The steps
// decide; a host carries each request out (the main window over the Win32
// modules, a recording fake in the tests). Registry paths are relative to
// HKEY_LOCAL_MACHINE, the only root the repair touches.
#pragma once

#include <cstdint>
#include <optional>
#include <string>

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

class RepairHost {
 public:
  virtual ~RepairHost() = default;

  virtual long PlatformId() = 0;
  virtual std::string WindowsFolder() = 0;
  virtual std::string SystemFolder() = 0;
  virtual std::string CurrentFolder() = 0;

  virtual BoxAnswer Show(const RepairBox& box) = 0;
  // The status line; `now` repaints it at once.
  virtual void SetStatus(const std::string& text, bool now) = 0;

  virtual void CreateKey(const std::string& key_path) = 0;
  virtual void DeleteKey(const std::string& key_path) = 0;
  // A REG_SZ value as text, "" when it is missing.
  virtual std::string ReadText(const std::string& key_path, const std::string& value_name) = 0;
  virtual void WriteText(const std::string& key_path, const std::string& value_name, const std::string& text) = 0;

  // Whether the ordinary search sees a file there (hidden and system files do not count).
  virtual bool FileExists(const std::string& path) = 0;
  // The size of a file, whatever its attributes; nullopt when there is no file.
  virtual std::optional<std::uint64_t> FileSize(const std::string& path) = 0;
  virtual void RemoveFile(const std::string& path) = 0;
  // Starts a command line and waits until it ends; its outcome is not read.
  virtual void Run(const std::string& command_line) = 0;

  // The file operations of the move, whose results are not examined. A throw
  // from them is a run-time failure of the move.
  virtual void SetNormalAttributes(const std::string& path) = 0;
  virtual void CreateFolderLike(const std::string& template_folder, const std::string& new_folder) = 0;
  virtual void Move(const std::string& from, const std::string& to) = 0;
  virtual std::string ShortName(const std::string& path) = 0;
  virtual void DeleteAtRestart(const std::string& path) = 0;

  virtual void RestartWindows(bool force) = 0;
};

}  // namespace quarvel
