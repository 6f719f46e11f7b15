// Carries out the repair steps' requests on this machine: the registry under
// HKEY_LOCAL_MACHINE, files, outside tools and the restart, with the main
// window as the owner of the boxes and its status line.
#pragma once

#include <windows.h>

#include <vector>

#include "core/RepairHost.h"
#include "platform/UniqueHandle.h"

namespace quarvel::app {

class WindowRepairHost : public RepairHost {
 public:
  WindowRepairHost(HWND owner, HWND status) : owner_(owner), status_(status) {}

  long PlatformId() override;
  std::string WindowsFolder() override;
  std::string SystemFolder() override;
  std::string CurrentFolder() override;
  std::string ProgramPath() override;
  bool IsElevated() override;
  bool Execute(const ShellRequest& request) override;
  BoxAnswer Show(const RepairBox& box) override;
  void SetStatus(const std::string& text, bool now) override;
  RegistryStatus CreateKey(const std::string& key_path) override;
  RegistryStatus DeleteTree(const std::string& key_path) override;
  RegistryStatus CopyTree(const std::string& from_path, const std::string& to_path) override;
  RegistryStatus ProtectKey(const std::string& key_path) override;
  RegistryStatus SetKeySecurity(const std::string& key_path, const std::string& security) override;
  KeyRead ReadKey(const std::string& key_path) override;
  std::string ReadText(const std::string& key_path, const std::string& value_name) override;
  RegistryStatus WriteText(const std::string& key_path, const std::string& value_name,
                           const std::string& text) override;
  RegistryStatus WriteValue(const std::string& key_path, const std::string& value_name,
                            const StoredValue& value) override;
  std::string AnsiText(const std::u16string& text) override;
  std::string ExpandEnvironment(const std::string& text) override;
  bool IsFolder(const std::string& path) override;
  bool OthersCanWrite(const std::string& path) override;
  bool IsLink(const std::string& path) override;
  bool HoldFolder(const std::string& path) override;
  std::optional<std::string> HoldFile(const std::string& path) override;
  void ReleaseFiles() override;
  bool FileExists(const std::string& path) override;
  std::optional<std::uint64_t> FileSize(const std::string& path) override;
  bool RenameFile(const std::string& from, const std::string& to) override;
  ToolRun Run(const std::string& command_line, unsigned timeout_seconds) override;
  std::optional<long long> BootTime() override;
  void SetNormalAttributes(const std::string& path) override;
  void CreateFolderLike(const std::string& template_folder, const std::string& new_folder) override;
  void Move(const std::string& from, const std::string& to) override;
  std::string ShortName(const std::string& path) override;
  bool DeleteAtRestart(const std::string& path) override;
  bool RestartWindows(bool force) override;

 private:
  HWND owner_;
  HWND status_;
  std::vector<win::UniqueFileHandle> held_;
};

}  // namespace quarvel::app
