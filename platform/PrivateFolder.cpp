#include "platform/PrivateFolder.h"

#include <sddl.h>
#include <ntsecapi.h>

#include <vector>

#include "platform/AnsiText.h"
#include "platform/ProcAddress.h"
#include "platform/SystemError.h"
#include "platform/UniqueHandle.h"
#include "platform/WorkFolder.h"

namespace quarvel::win {
namespace {

// "S-1-5-21-..." of the account this process runs as.
std::optional<std::wstring> CurrentUserSid() {
  UniqueKernelHandle token;
  if (!OpenProcessToken(GetCurrentProcess(), TOKEN_QUERY, token.put())) return std::nullopt;
  DWORD size = 0;
  GetTokenInformation(token.get(), TokenUser, nullptr, 0, &size);
  if (size == 0) return std::nullopt;
  std::vector<unsigned char> buffer(size);
  if (!GetTokenInformation(token.get(), TokenUser, buffer.data(), size, &size)) return std::nullopt;
  LPWSTR text = nullptr;
  if (!ConvertSidToStringSidW(reinterpret_cast<TOKEN_USER*>(buffer.data())->User.Sid, &text)) return std::nullopt;
  const UniqueLocalMemory owned(text);
  return std::wstring(text);
}

// 128 bits from the system's random number generator, as 32 hex digits.
std::optional<std::wstring> RandomName() {
  unsigned char bytes[16];
  if (!RtlGenRandom(bytes, sizeof(bytes))) return std::nullopt;
  static constexpr wchar_t kHex[] = L"0123456789abcdef";
  std::wstring name = L"quarvel-scan-";
  for (const unsigned char byte : bytes) {
    name += kHex[byte >> 4];
    name += kHex[byte & 0xF];
  }
  return name;
}

std::string Described(const std::string& what, DWORD error) {
  return what + ": " + SystemErrorDescription(error) + " (error " + std::to_string(error) + ").";
}

// Removes the files of `folder` (the lister and its listings; no subfolders
// are ever made in it), then the folder.
void RemoveFolder(const std::wstring& folder) {
  WIN32_FIND_DATAW found;
  {
    const UniqueFindHandle search(FindFirstFileW((folder + L"\\*").c_str(), &found));
    if (search) {
      do {
        const std::wstring name = found.cFileName;
        if (name == L"." || name == L"..") continue;
        const std::wstring path = folder + L"\\" + name;
        if (found.dwFileAttributes & FILE_ATTRIBUTE_READONLY) SetFileAttributesW(path.c_str(), FILE_ATTRIBUTE_NORMAL);
        DeleteFileW(path.c_str());
      } while (FindNextFileW(search.get(), &found));
    }
  }
  RemoveDirectoryW(folder.c_str());
}

}  // namespace

std::wstring TemporaryFolder() {
  using GetTempPath2 = DWORD(WINAPI*)(DWORD, LPWSTR);
  const auto get_temp_path2 = ProcAddress<GetTempPath2>(GetModuleHandleW(L"kernel32.dll"), "GetTempPath2W");
  wchar_t path[MAX_PATH + 1] = {};
  const DWORD length = get_temp_path2 ? get_temp_path2(MAX_PATH + 1, path) : GetTempPathW(MAX_PATH + 1, path);
  if (length == 0 || length > MAX_PATH) return {};
  return std::wstring(path, length);
}

std::optional<std::string> AnsiPath(const std::wstring& path) {
  if (auto spelled = ExactAnsi(path)) return spelled;
  const DWORD needed = GetShortPathNameW(path.c_str(), nullptr, 0);
  if (needed == 0) return std::nullopt;
  std::wstring short_path(needed, L'\0');
  const DWORD length = GetShortPathNameW(path.c_str(), short_path.data(), needed);
  if (length == 0 || length >= needed) return std::nullopt;
  short_path.resize(length);
  return ExactAnsi(short_path);
}

PrivateFolder::PrivateFolder() : current_before_(CurrentFolderWide()) {
  const std::wstring temp = TemporaryFolder();
  if (temp.empty()) {
    error_ = Described("The temporary folder cannot be found", GetLastError());
    return;
  }
  const auto user = CurrentUserSid();
  if (!user) {
    error_ = Described("The account of this program cannot be read", GetLastError());
    return;
  }
  // P: protected, nothing inherited from the temporary folder; OICI: the files
  // made inside get the same list.
  const std::wstring sddl = L"D:P(A;OICI;FA;;;" + *user + L")(A;OICI;FA;;;BA)(A;OICI;FA;;;SY)";
  PSECURITY_DESCRIPTOR descriptor = nullptr;
  if (!ConvertStringSecurityDescriptorToSecurityDescriptorW(sddl.c_str(), SDDL_REVISION_1, &descriptor, nullptr)) {
    error_ = Described("The work folder's access list cannot be built", GetLastError());
    return;
  }
  const UniqueLocalMemory owned(descriptor);
  SECURITY_ATTRIBUTES attributes{sizeof(attributes), descriptor, FALSE};
  for (int attempt = 0; attempt < 10; ++attempt) {
    const auto name = RandomName();
    if (!name) {
      error_ = Described("No random name can be drawn for the work folder", GetLastError());
      return;
    }
    const std::wstring candidate = temp + *name;
    if (CreateDirectoryW(candidate.c_str(), &attributes)) {
      wide_ = candidate;
      break;
    }
    // A folder of that name already there is the only reason to draw again.
    if (GetLastError() != ERROR_ALREADY_EXISTS) {
      const DWORD error = GetLastError();
      error_ = Described("No work folder can be made in " + Utf8FromWide(temp).value_or("the temporary folder"), error);
      return;
    }
  }
  if (wide_.empty()) {
    error_ = "No work folder can be made in the temporary folder: every name drawn was taken.";
    return;
  }
  ansi_ = AnsiPath(wide_);
}

PrivateFolder::~PrivateFolder() {
  if (wide_.empty()) return;
  // A process's current folder cannot be removed.
  const std::wstring current = CurrentFolderWide();
  if (CompareStringOrdinal(current.c_str(), -1, wide_.c_str(), -1, TRUE) == CSTR_EQUAL) {
    if (current_before_.empty() || !SetCurrentDirectoryW(current_before_.c_str())) {
      SetCurrentDirectoryW(TemporaryFolder().c_str());
    }
  }
  RemoveFolder(wide_);
}

}  // namespace quarvel::win
