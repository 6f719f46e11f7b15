#include "app/WindowRepairHost.h"

#include <cstring>

#include "app/ControlIds.h"
#include "core/RegistryValue.h"
#include "platform/AnsiText.h"
#include "platform/CommonFunction.h"
#include "platform/MessagePump.h"
#include "platform/Elevation.h"
#include "platform/LaunchAppSync.h"
#include "platform/OS_Detect.h"
#include "platform/ProcAddress.h"
#include "platform/RegistryCalls.h"
#include "platform/Shell.h"
#include "platform/ShutDownNT.h"
#include "platform/modRegistry.h"
#include "platform/modVBFileDisk.h"
#include "ui/MessageBoxStyle.h"
#include "ui/WindowText.h"

namespace quarvel::app {

long WindowRepairHost::PlatformId() { return win::GetPlatformId(); }
std::string WindowRepairHost::WindowsFolder() { return win::GetWinDir(); }
std::string WindowRepairHost::SystemFolder() { return win::GetSysDir(); }
std::string WindowRepairHost::CurrentFolder() { return win::GetCurDir(); }

std::string WindowRepairHost::ProgramPath() {
  std::string path(MAX_PATH, '\0');
  for (;;) {
    const DWORD length = GetModuleFileNameA(nullptr, path.data(), static_cast<DWORD>(path.size()));
    if (length < path.size()) return path.substr(0, length);
    path.resize(2 * path.size());  // cut short: ask again with room to spare
  }
}

bool WindowRepairHost::IsElevated() { return win::IsProcessElevated(); }
bool WindowRepairHost::Execute(const ShellRequest& request) { return win::ExecuteShellRequest(owner_, request); }

BoxAnswer WindowRepairHost::Show(const RepairBox& box) {
  const char* title = box.title.empty() ? kAppTitle : box.title.c_str();
  switch (MessageBoxA(owner_, box.text.c_str(), title, ui::MessageBoxStyle(box))) {
    case IDYES: return BoxAnswer::kYes;
    case IDNO: return BoxAnswer::kNo;
    default: return BoxAnswer::kOk;
  }
}

void WindowRepairHost::SetStatus(const std::string& text, bool now) {
  if (now) {
    ui::SetTextNow(status_, text);
  } else {
    ui::SetText(status_, text);
  }
}

RegistryStatus WindowRepairHost::CreateKey(const std::string& key_path) {
  return win::CreateRegistryKey(HKEY_LOCAL_MACHINE, key_path);
}

RegistryStatus WindowRepairHost::DeleteTree(const std::string& key_path) {
  return win::DeleteRegistryTree(HKEY_LOCAL_MACHINE, key_path);
}

RegistryStatus WindowRepairHost::CopyTree(const std::string& from_path, const std::string& to_path) {
  return win::CopyRegistryTree(HKEY_LOCAL_MACHINE, from_path, to_path);
}

RegistryStatus WindowRepairHost::ProtectKey(const std::string& key_path) {
  return win::ProtectRegistryKey(HKEY_LOCAL_MACHINE, key_path);
}

RegistryStatus WindowRepairHost::SetKeySecurity(const std::string& key_path, const std::string& security) {
  return win::SetRegistryKeySecurity(HKEY_LOCAL_MACHINE, key_path, security);
}

KeyRead WindowRepairHost::ReadKey(const std::string& key_path) {
  return win::ReadRegistryKey(HKEY_LOCAL_MACHINE, key_path);
}

std::string WindowRepairHost::ReadText(const std::string& key_path, const std::string& value_name) {
  return ToText(win::RegistryGetKeyValue(HKEY_LOCAL_MACHINE, key_path, value_name));
}

RegistryStatus WindowRepairHost::WriteText(const std::string& key_path, const std::string& value_name,
                                           const std::string& text) {
  return win::SetRegistryText(HKEY_LOCAL_MACHINE, key_path, value_name, text);
}

RegistryStatus WindowRepairHost::WriteValue(const std::string& key_path, const std::string& value_name,
                                            const StoredValue& value) {
  return win::SetRegistryValue(HKEY_LOCAL_MACHINE, key_path, value_name, value);
}

std::string WindowRepairHost::AnsiText(const std::u16string& text) {
  const std::wstring wide(text.begin(), text.end());
  if (auto exact = win::ExactAnsi(wide)) return *exact;
  // No exact spelling: the A file functions cannot reach that path; the nearest
  // text still names it in a box.
  const int size = WideCharToMultiByte(CP_ACP, 0, wide.data(), static_cast<int>(wide.size()), nullptr, 0, nullptr,
                                       nullptr);
  std::string ansi(static_cast<std::size_t>(size), '\0');
  WideCharToMultiByte(CP_ACP, 0, wide.data(), static_cast<int>(wide.size()), ansi.data(), size, nullptr, nullptr);
  return ansi;
}

std::string WindowRepairHost::ExpandEnvironment(const std::string& text) {
  const DWORD size = ExpandEnvironmentStringsA(text.c_str(), nullptr, 0);
  if (size == 0) return text;
  std::string expanded(size, '\0');
  const DWORD written = ExpandEnvironmentStringsA(text.c_str(), expanded.data(), size);
  if (written == 0 || written > size) return text;
  expanded.resize(written - 1);
  return expanded;
}

bool WindowRepairHost::IsFolder(const std::string& path) {
  const DWORD attributes = GetFileAttributesA(path.c_str());
  return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY);
}

bool WindowRepairHost::OthersCanWrite(const std::string& path) { return win::OthersCanWrite(path); }

bool WindowRepairHost::IsLink(const std::string& path) {
  const DWORD attributes = GetFileAttributesA(path.c_str());
  return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_REPARSE_POINT);
}

bool WindowRepairHost::HoldFolder(const std::string& path) {
  // The link itself, never what it points to; no delete sharing, so nobody can
  // rename or remove the folder while it is held.
  win::UniqueFileHandle folder(CreateFileA(path.c_str(), FILE_LIST_DIRECTORY, FILE_SHARE_READ | FILE_SHARE_WRITE,
                                           nullptr, OPEN_EXISTING,
                                           FILE_FLAG_BACKUP_SEMANTICS | FILE_FLAG_OPEN_REPARSE_POINT, nullptr));
  if (!folder) return false;
  BY_HANDLE_FILE_INFORMATION information{};
  if (!GetFileInformationByHandle(folder.get(), &information) ||
      !(information.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) ||
      (information.dwFileAttributes & FILE_ATTRIBUTE_REPARSE_POINT)) {
    return false;
  }
  held_.push_back(std::move(folder));
  return true;
}

std::optional<std::string> WindowRepairHost::HoldFile(const std::string& path) {
  // Shared for reading only: a tool may read it, nobody may write, rename or delete it.
  win::UniqueFileHandle file(
      CreateFileA(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
  if (!file) return std::nullopt;
  LARGE_INTEGER size{};
  if (!GetFileSizeEx(file.get(), &size) || size.QuadPart > (64 << 20)) return std::nullopt;
  std::string bytes(static_cast<std::size_t>(size.QuadPart), '\0');
  DWORD read = 0;
  if (!bytes.empty() && (!ReadFile(file.get(), bytes.data(), static_cast<DWORD>(bytes.size()), &read, nullptr) ||
                         read != bytes.size())) {
    return std::nullopt;
  }
  held_.push_back(std::move(file));
  return bytes;
}

void WindowRepairHost::ReleaseFiles() { held_.clear(); }

bool WindowRepairHost::FileExists(const std::string& path) { return win::FileExists(path) == kTrue; }

std::optional<std::uint64_t> WindowRepairHost::FileSize(const std::string& path) {
  const auto length = win::FileLength(path);
  if (!length) return std::nullopt;
  return static_cast<std::uint64_t>(*length);
}

bool WindowRepairHost::RenameFile(const std::string& from, const std::string& to) {
  return MoveFileA(from.c_str(), to.c_str()) != FALSE;
}
ToolRun WindowRepairHost::Run(const std::string& command_line, unsigned timeout_seconds) {
  STARTUPINFOA startup{};
  startup.cb = sizeof(startup);
  startup.dwFlags = STARTF_USESHOWWINDOW;
  startup.wShowWindow = static_cast<WORD>(win::ShowWindowState());
  // CreateProcessA may write into the command line, so it gets its own copy.
  std::vector<char> writable(command_line.begin(), command_line.end());
  writable.push_back('\0');
  PROCESS_INFORMATION info{};
  if (!CreateProcessA(nullptr, writable.data(), nullptr, nullptr, FALSE, NORMAL_PRIORITY_CLASS, nullptr, nullptr,
                      &startup, &info)) {
    return {false, GetLastError(), false, 0};
  }
  const win::UniqueKernelHandle process(info.hProcess);
  const win::UniqueKernelHandle thread(info.hThread);
  // The window keeps running while the tool does; a tool that waits for an
  // answer nobody can give (a prompt on a hidden console) is stopped in time.
  const ULONGLONG deadline = GetTickCount64() + 1000ULL * timeout_seconds;
  HANDLE handles[] = {process.get()};
  for (;;) {
    const ULONGLONG now = GetTickCount64();
    if (now >= deadline) {
      TerminateProcess(process.get(), 1);
      WaitForSingleObject(process.get(), 5000);
      return {true, 0, true, 1};
    }
    const DWORD woken = MsgWaitForMultipleObjectsEx(1, handles, static_cast<DWORD>(deadline - now), QS_ALLINPUT,
                                                    MWMO_INPUTAVAILABLE);
    if (woken == WAIT_OBJECT_0 + 1) {
      win::PumpPendingMessages();
    } else if (woken != WAIT_TIMEOUT) {
      break;  // ended, or the wait itself failed
    }
  }
  DWORD code = 0;
  if (!GetExitCodeProcess(process.get(), &code)) code = GetLastError();
  return {true, 0, false, code};
}

std::optional<long long> WindowRepairHost::BootTime() {
  // SystemTimeOfDayInformation (3): the boot time comes first, in system time.
  using Query = LONG(WINAPI*)(int, void*, ULONG, ULONG*);
  const HMODULE ntdll = GetModuleHandleA("ntdll.dll");
  const auto query = ntdll ? win::ProcAddress<Query>(ntdll, "NtQuerySystemInformation") : nullptr;
  if (!query) return std::nullopt;
  unsigned char time_of_day[48] = {};
  ULONG length = 0;
  if (query(3, time_of_day, sizeof(time_of_day), &length) != 0) return std::nullopt;
  long long boot = 0;
  std::memcpy(&boot, time_of_day, sizeof(boot));
  return boot;
}

void WindowRepairHost::SetNormalAttributes(const std::string& path) {
  SetFileAttributesA(path.c_str(), FILE_ATTRIBUTE_NORMAL);
}

void WindowRepairHost::CreateFolderLike(const std::string& template_folder, const std::string& new_folder) {
  CreateDirectoryExA(template_folder.c_str(), new_folder.c_str(), nullptr);
}

void WindowRepairHost::Move(const std::string& from, const std::string& to) {
  MoveFileA(from.c_str(), to.c_str());
}

std::string WindowRepairHost::ShortName(const std::string& path) { return win::GetShortName(path); }

bool WindowRepairHost::DeleteAtRestart(const std::string& path) {
  return MoveFileExA(path.c_str(), nullptr, MOVEFILE_REPLACE_EXISTING | MOVEFILE_DELAY_UNTIL_REBOOT) != FALSE;
}

bool WindowRepairHost::RestartWindows(bool force) { return win::RestartWindows(force); }

}  // namespace quarvel::app
