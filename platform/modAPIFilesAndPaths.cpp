#include "platform/modAPIFilesAndPaths.h"

#include <windows.h>

#include <cstring>
#include <exception>
#include <vector>

#include "core/ReportText.h"

#include "platform/ErrorBox.h"
#include "platform/FindFiles.h"
#include "platform/ProcAddress.h"
#include "platform/SystemLibrary.h"

namespace quarvel::win {
namespace {

// The name the directory search reports for `path`, or nothing.
bool FindEntryName(const std::string& path, std::string& name) {
  const auto entry = FirstFound(path);
  if (!entry) return false;
  name = entry->cFileName;
  return true;
}

std::string ResolveLongName(const std::string& path) {
  std::string remaining = path;
  std::string result;
  std::string name;
  while (FindEntryName(remaining, name)) {
    const auto last_separator = remaining.rfind('\\');
    if (last_separator != std::string::npos) remaining.erase(last_separator);
    result = result.empty() ? name : name + "\\" + result;
    if (remaining.find('\\') == std::string::npos) break;
  }
  if (remaining != path) result = remaining + "\\" + result;
  return result;
}

}  // namespace

std::string GetLongFileName(std::string path) {
  try {
    return ResolveLongName(path);
  } catch (const std::exception& failure) {
    ReportRunTimeFailure("GetLongFileName", failure);
    return {};
  }
}

std::string GetFileVersion(const std::string& path) {
  try {
    const UniqueModule version = LoadSystemLibrary("version.dll");
    if (!version) return {};
    using SizeFn = DWORD(WINAPI*)(LPCSTR, LPDWORD);
    using InfoFn = BOOL(WINAPI*)(LPCSTR, DWORD, DWORD, LPVOID);
    using QueryFn = BOOL(WINAPI*)(LPCVOID, LPCSTR, LPVOID*, PUINT);
    const auto get_size = ProcAddress<SizeFn>(version.get(), "GetFileVersionInfoSizeA");
    const auto get_info = ProcAddress<InfoFn>(version.get(), "GetFileVersionInfoA");
    const auto query = ProcAddress<QueryFn>(version.get(), "VerQueryValueA");
    if (get_size == nullptr || get_info == nullptr || query == nullptr) return {};
    DWORD ignored = 0;
    const DWORD size = get_size(path.c_str(), &ignored);
    if (size == 0) return {};
    std::vector<BYTE> buffer(size);
    if (!get_info(path.c_str(), 0, size, buffer.data())) return {};
    void* block = nullptr;
    UINT length = 0;
    if (!query(buffer.data(), "\\", &block, &length) || block == nullptr ||
        length < sizeof(VS_FIXEDFILEINFO)) {
      return {};
    }
    VS_FIXEDFILEINFO fixed;
    std::memcpy(&fixed, block, sizeof(fixed));
    return FileVersionText(fixed.dwFileVersionMS, fixed.dwFileVersionLS);
  } catch (const std::exception& failure) {
    ReportRunTimeFailure("GetFileVersion", failure);
    return {};
  }
}

}  // namespace quarvel::win
