// Reads folders through the NT native directory query (NtQueryDirectoryFile from
// ntdll), below the Win32 search that the comparison asks. Subfolders are opened
// relative to their parent's handle, so path length never limits the walk.
#pragma once

#include <windows.h>

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "platform/UniqueHandle.h"

namespace quarvel::lister {

struct DirectoryEntry {
  std::wstring long_name;
  std::wstring short_name;  // empty when the long name already fits 8.3
  std::uint32_t attributes = 0;
  std::uint64_t size = 0;

  bool IsFolder() const { return (attributes & FILE_ATTRIBUTE_DIRECTORY) != 0; }
  // Junctions and symbolic links: listed, never entered.
  bool IsLink() const { return (attributes & FILE_ATTRIBUTE_REPARSE_POINT) != 0; }
};

// Which folder an open handle names, whatever path led to it.
struct FolderIdentity {
  DWORD volume = 0;
  std::uint64_t index = 0;
  bool operator<(const FolderIdentity& other) const {
    return volume != other.volume ? volume < other.volume : index < other.index;
  }
};

std::optional<FolderIdentity> IdentityOf(HANDLE folder);

class NtDirectory {
 public:
  // Fails (returns nothing) when ntdll lacks the native calls.
  static std::optional<NtDirectory> Load();

  // Opens a folder by its Win32 path.
  win::UniqueFileHandle OpenFolder(const std::wstring& path) const;
  // Opens the subfolder `name` of an open folder, without following a link.
  win::UniqueFileHandle OpenSubfolder(HANDLE parent, const std::wstring& name) const;
  // Every entry of an open folder except "." and "..", in the order the file
  // system gives them; nothing when the folder cannot be read.
  std::vector<DirectoryEntry> ReadEntries(HANDLE folder) const;

 private:
  using QueryDirectoryFile = LONG(NTAPI*)(HANDLE, HANDLE, void*, void*, void*, void*, ULONG, int,
                                          BOOLEAN, void*, BOOLEAN);
  using OpenFile = LONG(NTAPI*)(HANDLE*, ACCESS_MASK, void*, void*, ULONG, ULONG);

  QueryDirectoryFile query_ = nullptr;
  OpenFile open_ = nullptr;
};

}  // namespace quarvel::lister
