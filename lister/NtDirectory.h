// Reads folders through the NT native directory query (NtQueryDirectoryFile from
// ntdll), below the Win32 search that the comparison asks. Subfolders are opened
// relative to their parent's handle, so path length never limits the walk.
#pragma once

#include <windows.h>

#include <optional>

#include "lister/Folder.h"

namespace quarvel::lister {

class NtDirectory : public FolderSource {
 public:
  // Fails (returns nothing) when ntdll lacks the native calls.
  static std::optional<NtDirectory> Load();

  OpenedFolder OpenFolder(const std::wstring& path) override;
  // Opens the file by its id (OpenFileById): a file renamed since it was
  // listed is still found. Only a clear "no such file" says false.
  std::optional<bool> FileIdExists(const std::wstring& folder, std::uint64_t id, std::uint64_t made_before) override;

  using QueryDirectoryFile = LONG(NTAPI*)(HANDLE, HANDLE, void*, void*, void*, void*, ULONG, int, BOOLEAN,
                                          void*, BOOLEAN);
  using OpenFile = LONG(NTAPI*)(HANDLE*, ACCESS_MASK, void*, void*, ULONG, ULONG);

 private:
  QueryDirectoryFile query_ = nullptr;
  OpenFile open_ = nullptr;
};

}  // namespace quarvel::lister
