#include "lister/NtDirectory.h"

#include <winternl.h>

#include <cstddef>

#include "core/Recheck.h"
#include "platform/ProcAddress.h"
#include "platform/UniqueHandle.h"

namespace quarvel::lister {
namespace {

constexpr int kFileIdBothDirectoryInformation = 37;
constexpr int kFileIdInfo = 18;  // FILE_INFO_BY_HANDLE_CLASS: 128-bit file id and 64-bit volume serial
constexpr LONG kStatusSuccess = 0;
constexpr LONG kStatusNoMoreFiles = static_cast<LONG>(0x80000006);
constexpr LONG kStatusNoSuchFile = static_cast<LONG>(0xC000000F);
constexpr LONG kStatusObjectNameNotFound = static_cast<LONG>(0xC0000034);
constexpr LONG kStatusObjectPathNotFound = static_cast<LONG>(0xC000003A);
constexpr ULONG kDirectoryFile = 0x00000001;
constexpr ULONG kSynchronousIoNonAlert = 0x00000020;
constexpr ULONG kOpenForBackupIntent = 0x00004000;
constexpr ULONG kOpenReparsePoint = 0x00200000;
constexpr DWORD kShareAll = FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE;
// Listing rights, and the right to read the folder's identity (its file id).
constexpr ACCESS_MASK kFolderAccess = FILE_LIST_DIRECTORY | FILE_READ_ATTRIBUTES | SYNCHRONIZE;
// SMB servers refuse a directory query of more than 64 KiB once a folder's
// listing is larger than that.
constexpr ULONG kQueryBufferSize = 64 * 1024;

// FILE_ID_BOTH_DIR_INFORMATION as the native query fills it.
struct FileIdBothDirInformation {
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
  ULONG EaSize;  // the reparse tag, for a reparse point
  CCHAR ShortNameLength;
  WCHAR ShortName[12];
  LARGE_INTEGER FileId;
  WCHAR FileName[1];
};

static_assert(offsetof(FileIdBothDirInformation, FileName) == 104, "FILE_ID_BOTH_DIR_INFORMATION layout");

// FILE_ID_INFO.
struct FileIdInformation {
  ULONGLONG VolumeSerialNumber;
  BYTE FileId[16];
};

bool IsMissing(LONG status) {
  return status == kStatusObjectNameNotFound || status == kStatusObjectPathNotFound || status == kStatusNoSuchFile;
}

class NtFolder : public Folder {
 public:
  NtFolder(win::UniqueFileHandle handle, NtDirectory::QueryDirectoryFile query, NtDirectory::OpenFile open)
      : handle_(std::move(handle)), query_(query), open_(open) {}

  void ReadEntries(FolderRead& read) override {
    read.Clear();
    std::vector<unsigned char> buffer(kQueryBufferSize);
    bool restart = true;
    bool retried = false;
    for (;;) {
      IO_STATUS_BLOCK status_block{};
      const LONG status = query_(handle_.get(), nullptr, nullptr, nullptr, &status_block, buffer.data(),
                                 static_cast<ULONG>(buffer.size()), kFileIdBothDirectoryInformation, FALSE, nullptr,
                                 restart ? TRUE : FALSE);
      if (status == kStatusNoMoreFiles || status == kStatusNoSuchFile) return;
      if (status != kStatusSuccess) {
        // A network hiccup may pass; a second failure is the folder's answer.
        if (!retried) {
          retried = true;
          continue;
        }
        read.failure = static_cast<std::uint32_t>(status);
        return;
      }
      restart = false;
      retried = false;
      Append(buffer.data(), read);
    }
  }

  std::optional<FolderIdentity> Identity() const override {
    FileIdInformation id{};
    if (GetFileInformationByHandleEx(handle_.get(), static_cast<FILE_INFO_BY_HANDLE_CLASS>(kFileIdInfo), &id,
                                     sizeof(id))) {
      FolderIdentity identity{id.VolumeSerialNumber, 0, 0};
      for (int i = 0; i < 8; ++i) {
        identity.id_low |= static_cast<std::uint64_t>(id.FileId[i]) << (8 * i);
        identity.id_high |= static_cast<std::uint64_t>(id.FileId[8 + i]) << (8 * i);
      }
      if (identity.id_low != 0 || identity.id_high != 0) return identity;
    }
    // Volumes and systems without 128-bit ids give the 64-bit file index.
    BY_HANDLE_FILE_INFORMATION info;
    if (!GetFileInformationByHandle(handle_.get(), &info)) return std::nullopt;
    const std::uint64_t index = (static_cast<std::uint64_t>(info.nFileIndexHigh) << 32) | info.nFileIndexLow;
    if (index == 0) return std::nullopt;  // all zero: unknown, never a reason to skip
    return FolderIdentity{info.dwVolumeSerialNumber, 0, index};
  }

  OpenedFolder OpenSubfolder(const std::wstring& name, std::uint64_t /*id*/) override {
    UNICODE_STRING object_name;
    object_name.Buffer = const_cast<PWSTR>(name.c_str());
    object_name.Length = static_cast<USHORT>(name.size() * sizeof(wchar_t));
    object_name.MaximumLength = object_name.Length;
    OBJECT_ATTRIBUTES attributes;
    InitializeObjectAttributes(&attributes, &object_name, OBJ_CASE_INSENSITIVE, handle_.get(), nullptr);
    IO_STATUS_BLOCK status_block{};
    HANDLE opened = nullptr;
    const LONG status = open_(&opened, kFolderAccess, &attributes, &status_block, kShareAll,
                              kDirectoryFile | kSynchronousIoNonAlert | kOpenForBackupIntent | kOpenReparsePoint);
    if (status != kStatusSuccess) return {nullptr, static_cast<std::uint32_t>(status), IsMissing(status)};
    return {std::make_unique<NtFolder>(win::UniqueFileHandle(opened), query_, open_), 0, false};
  }

 private:
  static void Append(const unsigned char* at, FolderRead& read) {
    for (;;) {
      const auto* info = reinterpret_cast<const FileIdBothDirInformation*>(at);
      const std::wstring_view name(info->FileName, info->FileNameLength / sizeof(WCHAR));
      if (name != L"." && name != L"..") {
        DirectoryEntry entry;
        entry.long_name = read.names.Add(name);
        entry.short_name = read.names.Add(
            std::wstring_view(info->ShortName, static_cast<std::size_t>(info->ShortNameLength) / sizeof(WCHAR)));
        entry.attributes = info->FileAttributes;
        entry.size = static_cast<std::uint64_t>(info->EndOfFile.QuadPart);
        if (entry.attributes & FILE_ATTRIBUTE_REPARSE_POINT) entry.reparse_tag = info->EaSize;
        entry.id = static_cast<std::uint64_t>(info->FileId.QuadPart);
        entry.change_time = LastChangeBesidesWrites(static_cast<std::uint64_t>(info->CreationTime.QuadPart),
                                                    static_cast<std::uint64_t>(info->LastWriteTime.QuadPart),
                                                    static_cast<std::uint64_t>(info->ChangeTime.QuadPart))
                                .value_or(0);
        read.entries.push_back(entry);
      }
      if (info->NextEntryOffset == 0) return;
      at += info->NextEntryOffset;
    }
  }

  win::UniqueFileHandle handle_;
  NtDirectory::QueryDirectoryFile query_;
  NtDirectory::OpenFile open_;
};

}  // namespace

std::optional<NtDirectory> NtDirectory::Load() {
  HMODULE ntdll = GetModuleHandleW(L"ntdll.dll");
  if (ntdll == nullptr) return std::nullopt;
  NtDirectory directory;
  directory.query_ = win::ProcAddress<QueryDirectoryFile>(ntdll, "NtQueryDirectoryFile");
  directory.open_ = win::ProcAddress<OpenFile>(ntdll, "NtOpenFile");
  if (directory.query_ == nullptr || directory.open_ == nullptr) return std::nullopt;
  return directory;
}

std::optional<bool> NtDirectory::FileIdExists(const std::wstring& folder, std::uint64_t id,
                                              std::uint64_t made_before) {
  // Any handle on the volume tells OpenFileById which volume the id is of.
  const win::UniqueFileHandle on_volume(CreateFileW(folder.c_str(), FILE_READ_ATTRIBUTES, kShareAll, nullptr,
                                                    OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr));
  if (!on_volume) return std::nullopt;
  FILE_ID_DESCRIPTOR descriptor{};
  descriptor.dwSize = sizeof(descriptor);
  descriptor.Type = FileIdType;
  descriptor.FileId.QuadPart = static_cast<LONGLONG>(id);
  const win::UniqueFileHandle file(
      OpenFileById(on_volume.get(), &descriptor, FILE_READ_ATTRIBUTES, kShareAll, nullptr, FILE_FLAG_BACKUP_SEMANTICS));
  if (file) {
    FILE_BASIC_INFO basic{};
    if (made_before == 0) return true;
    if (!GetFileInformationByHandleEx(file.get(), FileBasicInfo, &basic, sizeof(basic))) return std::nullopt;
    return static_cast<std::uint64_t>(basic.CreationTime.QuadPart) < made_before;
  }
  switch (GetLastError()) {
    case ERROR_ACCESS_DENIED:
    case ERROR_SHARING_VIOLATION:
      return true;  // there, if not ours to open
    case ERROR_FILE_NOT_FOUND:
    case ERROR_PATH_NOT_FOUND:
    case ERROR_INVALID_PARAMETER:  // NTFS's answer for an id no file has
      return false;
    default:
      return std::nullopt;
  }
}

OpenedFolder NtDirectory::OpenFolder(const std::wstring& path) {
  win::UniqueFileHandle handle(CreateFileW(path.c_str(), FILE_LIST_DIRECTORY | FILE_READ_ATTRIBUTES, kShareAll,
                                           nullptr, OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr));
  if (!handle) {
    const DWORD error = GetLastError();
    const bool missing = error == ERROR_FILE_NOT_FOUND || error == ERROR_PATH_NOT_FOUND ||
                         error == ERROR_INVALID_NAME || error == ERROR_DIRECTORY;
    return {nullptr, static_cast<std::uint32_t>(error), missing};
  }
  return {std::make_unique<NtFolder>(std::move(handle), query_, open_), 0, false};
}

}  // namespace quarvel::lister
