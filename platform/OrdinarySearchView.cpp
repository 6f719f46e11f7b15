#include "platform/OrdinarySearchView.h"

#include <windows.h>

#include <shlwapi.h>

#include "platform/AnsiText.h"
#include "platform/FindFiles.h"
#include "platform/modVBFileDisk.h"

namespace quarvel::win {
namespace {

// Wildcards (including the DOS forms < > "), stream and device syntax, and
// control characters: the real search decides those.
bool NeedsRealSearch(std::string_view name) {
  for (const unsigned char c : name) {
    if (c < 0x20 || std::string_view("*?<>\":|").find(static_cast<char>(c)) != std::string_view::npos) {
      return true;
    }
  }
  return false;
}

void ToUpper(std::wstring& text) { CharUpperBuffW(text.data(), static_cast<DWORD>(text.size())); }

// The search drops trailing dots and blanks from the last component; nothing
// is left of a name made of them alone.
bool StripTrailingDotsAndBlanks(std::string_view& name) {
  const auto last = name.find_last_not_of(". ");
  if (last == std::string_view::npos) return false;
  name = name.substr(0, last + 1);
  return true;
}

}  // namespace

bool OrdinarySearchView::Sees(const std::string& path) {
  if (path.empty() || !IsCallablePath(path)) return false;
  const std::string_view whole = path;
  const auto separator = whole.find_last_of("\\/");
  const std::string_view folder = separator == std::string_view::npos ? "" : whole.substr(0, separator + 1);
  std::string_view name = whole.substr(folder.size());
  if (NeedsRealSearch(name) || !StripTrailingDotsAndBlanks(name)) return FileExists(path) == kTrue;
  return searched_.Lookup(folder, name).ordinary;
}

// PathIsDirectoryA for a path too long for the "A" functions: the same
// question, asked in the wide "\\?\" form, which has no length limit.
bool IsLongFolderPath(const std::string& text) {
  if (text.size() < MAX_PATH || text.size() < 3 || text[1] != ':' || text[2] != '\\') return false;
  const DWORD attributes = GetFileAttributesW((L"\\\\?\\" + WideFromAnsi(text)).c_str());
  return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
}

bool OrdinarySearchView::NamesFolder(const std::string& text) {
  if (text.size() >= MAX_PATH) return IsCallablePath(text) && IsLongFolderPath(text);
  std::string_view name = text;
  if (text.find_first_of("\\/") != std::string::npos || NeedsRealSearch(text) ||
      !StripTrailingDotsAndBlanks(name)) {
    return IsCallablePath(text) && PathIsDirectoryA(text.c_str()) != FALSE;
  }
  return current_.Lookup("", name).folder;
}

OrdinarySearchView::Kinds OrdinarySearchView::FolderEntries::Lookup(std::string_view folder, std::string_view name) {
  if (!loaded_ || folder != folder_) Load(folder);
  WideFromAnsi(name, key_);
  ToUpper(key_);
  const auto found = names_.find(key_);
  return found == names_.end() ? Kinds{} : found->second;
}

void OrdinarySearchView::FolderEntries::Load(std::string_view folder) {
  folder_ = folder;
  loaded_ = true;
  names_.clear();
  ForEachFound(WideFromAnsi(folder) + L"*", [this](const WIN32_FIND_DATAW& entry) {
    const bool is_folder = (entry.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
    const bool ordinary = IsOrdinary(entry.dwFileAttributes);
    for (const wchar_t* spelling : {entry.cFileName, entry.cAlternateFileName}) {
      if (spelling[0] == L'\0') continue;
      key_ = spelling;
      ToUpper(key_);
      Kinds& kinds = names_[key_];
      kinds.ordinary |= ordinary;
      kinds.folder |= is_folder;
    }
    return true;
  });
}

}  // namespace quarvel::win
