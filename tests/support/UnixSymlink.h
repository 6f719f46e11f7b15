// A Unix symbolic link, which Wine reports as a reparse point. Windows programs
// here can neither make nor delete one, so both go through Wine's "start /unix".
#pragma once

#include <windows.h>

#include <string>

#include "platform/LaunchAppSync.h"
#include "platform/ProcAddress.h"

namespace quarvel::testing {

inline std::string UnixPathOf(const std::string& windows_path) {
  using ToUnix = char*(CDECL*)(LPCWSTR);
  const auto to_unix = win::ProcAddress<ToUnix>(GetModuleHandleA("kernel32.dll"), "wine_get_unix_file_name");
  if (to_unix == nullptr) return {};
  const std::wstring wide(windows_path.begin(), windows_path.end());
  return to_unix(wide.c_str());
}

// Runs a Unix command through Wine's "start /unix", which does not wait for it,
// and waits until the link at `path` does or does not exist.
inline bool RunUnixUntil(const std::string& command, const std::string& path, bool should_exist) {
  if (win::RunAndWait("start.exe /wait /unix " + command) != kTrue) return false;
  for (int i = 0; i < 100; ++i) {
    const bool exists = GetFileAttributesA(path.c_str()) != INVALID_FILE_ATTRIBUTES;
    if (exists == should_exist) return true;
    Sleep(50);
  }
  return false;
}

class UnixSymlink {
 public:
  UnixSymlink(const std::string& target, const std::string& windows_path)
      : path_(windows_path), unix_path_(UnixPathOf(windows_path)) {
    made_ = !unix_path_.empty() && RunUnixUntil("/bin/ln -s " + target + " " + unix_path_, path_, true);
  }
  ~UnixSymlink() {
    if (made_) RunUnixUntil("/bin/rm " + unix_path_, path_, false);
  }
  bool Made() const { return made_; }

 private:
  std::string path_;
  std::string unix_path_;
  bool made_ = false;
};

}  // namespace quarvel::testing
