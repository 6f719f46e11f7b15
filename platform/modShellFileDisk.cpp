#include "platform/modShellFileDisk.h"

#include <shlobj.h>

#include <exception>

#include "platform/ErrorBox.h"
#include "platform/UniqueHandle.h"

namespace quarvel::win {
namespace {

// An item id list from the shell, freed with its allocator.
using UniqueItemIdList = UniqueHandle<LPITEMIDLIST, &CoTaskMemFree>;

}  // namespace

std::string BrowseForFolder(HWND owner, const std::string& title, const std::string& default_path) {
  try {
    UniqueItemIdList desktop;
    SHGetSpecialFolderLocation(owner, CSIDL_DESKTOP, desktop.put());
    BROWSEINFOA info{};
    info.hwndOwner = owner;
    info.pidlRoot = desktop.get();
    info.lpszTitle = title.c_str();
    info.ulFlags = BIF_RETURNONLYFSDIRS;
    const UniqueItemIdList chosen(SHBrowseForFolderA(&info));
    char path[MAX_PATH] = {};
    if (chosen && SHGetPathFromIDListA(chosen.get(), path)) return path;
    return default_path;
  } catch (const std::exception& failure) {
    ReportRunTimeFailure("BrowseForFolder", failure);
    return {};
  }
}

}  // namespace quarvel::win
