#include "lister/NtDirectory.h"

#include <winternl.h>

#include "platform/ProcAddress.h"

namespace quarvel::lister {
namespace {

constexpr int kFileBothDirectoryInformation = 3;
constexpr LONG kStatusSuccess = 0;
constexpr ULONG kDirectoryFile = 0x00000001;
constexpr ULONG kSynchronousIoNonAlert = 0x00000020;
constexpr ULONG kOpenForBackupIntent = 0x00004000;
constexpr ULONG kOpenReparsePoint = 0x00200000;

// FILE_BOTH_DIR_INFORMATION as the native query fills it.
struct FileBothDirInformation {
  ULONG NextEntryOffset;
  ULONG FileIndex;
  LARGE_INTEGER CreationTime;
  LARGE_INTEGER LastAccessTime;
  LARGE_INTEGER LastWriteTime;
  LARGE_INTEGER ChangeTime;
  LARGE_INTEGER EndOfFile;
  LARGE_INTEGER AllocationSize;
  ULONG FileAttributes;
  ULONG FileNameLength;
  ULONG EaSize;
  CCHAR ShortNameLength;
  WCHAR ShortName[12];
  WCHAR FileName[1];
};

constexpr DWORD kShareAll = FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE;

}  // namespace

std::optional<FolderIdentity> IdentityOf(HANDLE folder) {
  BY_HANDLE_FILE_INFORMATION info;
  if (!GetFileInformationByHandle(folder, &info)) return std::nullopt;
  return FolderIdentity{info.dwVolumeSerialNumber,
                        (static_cast<std::uint64_t>(info.nFileIndexHigh) << 32) | info.nFileIndexLow};
}

std::optional<NtDirectory> NtDirectory::Load() {
  HMODULE ntdll = GetModuleHandleW(L"ntdll.dll");
  if (ntdll == nullptr) return std::nullopt;
  NtDirectory directory;
  directory.query_ = win::ProcAddress<QueryDirectoryFile>(ntdll, "NtQueryDirectoryFile");
  directory.open_ = win::ProcAddress<OpenFile>(ntdll, "NtOpenFile");
  if (directory.query_ == nullptr || directory.open_ == nullptr) return std::nullopt;
  return directory;
}

win::UniqueFileHandle NtDirectory::OpenFolder(const std::wstring& path) const {
  return win::UniqueFileHandle(CreateFileW(path.c_str(), FILE_LIST_DIRECTORY, kShareAll, nullptr,
                                           OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr));
}

win::UniqueFileHandle NtDirectory::OpenSubfolder(HANDLE parent, const std::wstring& name) const {
  UNICODE_STRING object_name;
  object_name.Buffer = const_cast<PWSTR>(name.c_str());
  object_name.Length = static_cast<USHORT>(name.size() * sizeof(wchar_t));
  object_name.MaximumLength = object_name.Length;
  OBJECT_ATTRIBUTES attributes;
  InitializeObjectAttributes(&attributes, &object_name, OBJ_CASE_INSENSITIVE, parent, nullptr);
  IO_STATUS_BLOCK status_block{};
  HANDLE opened = nullptr;
  const LONG status =
      open_(&opened, FILE_LIST_DIRECTORY | SYNCHRONIZE, &attributes, &status_block, kShareAll,
            kDirectoryFile | kSynchronousIoNonAlert | kOpenForBackupIntent | kOpenReparsePoint);
  if (status != kStatusSuccess) return {};
  return win::UniqueFileHandle(opened);
}

std::vector<DirectoryEntry> NtDirectory::ReadEntries(HANDLE folder) const {
  std::vector<DirectoryEntry> entries;
  // One large buffer per call: the whole folder comes in a few queries.
  std::vector<unsigned char> buffer(256 * 1024);
  bool restart = true;
  for (;;) {
    IO_STATUS_BLOCK status_block{};
    const LONG status = query_(folder, nullptr, nullptr, nullptr, &status_block, buffer.data(),
                               static_cast<ULONG>(buffer.size()), kFileBothDirectoryInformation,
                               FALSE, nullptr, restart ? TRUE : FALSE);
    restart = false;
    if (status != kStatusSuccess) break;  // no more files, or the folder cannot be read
    const unsigned char* at = buffer.data();
    for (;;) {
      const auto* info = reinterpret_cast<const FileBothDirInformation*>(at);
      std::wstring name(info->FileName, info->FileNameLength / sizeof(WCHAR));
      if (name != L"." && name != L"..") {
        DirectoryEntry entry;
        entry.long_name = std::move(name);
        entry.short_name.assign(info->ShortName,
                                static_cast<std::size_t>(info->ShortNameLength) / sizeof(WCHAR));
        entry.attributes = info->FileAttributes;
        entry.size = static_cast<std::uint64_t>(info->EndOfFile.QuadPart);
        entries.push_back(std::move(entry));
      }
      if (info->NextEntryOffset == 0) break;
      at += info->NextEntryOffset;
    }
  }
  return entries;
}

}  // namespace quarvel::lister
