#include "platform/OrdinarySearchView.h"

#include <windows.h>

#include <shlwapi.h>

#include <optional>

#include "core/DeviceName.h"
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
  if (NeedsRealSearch(name) || MayNameDevice(name) || !StripTrailingDotsAndBlanks(name)) {
    return FileExists(path) == kTrue;
  }
  return searched_.Lookup(folder, name).ordinary;
}

namespace {

// A folder on the way ends in a dot or a blank: the "A" functions would drop
// such a dot and never reach the folder.
bool HasTrimmedSegment(std::string_view path) {
  std::size_t start = 0;
  for (auto separator = path.find('\\'); separator != std::string_view::npos;
       start = separator + 1, separator = path.find('\\', start)) {
    const std::string_view segment = path.substr(start, separator - start);
    if (segment.empty() || segment == "." || segment == "..") continue;
    if (segment.back() == '.' || segment.back() == ' ') return true;
  }
  return false;
}

// The verbatim "\\?\" form of a full drive or network path, which the system
// takes as it stands: no length limit, no dots or blanks dropped. Nothing for a
// relative path or one that holds "/" or "." and ".." folders.
std::optional<std::wstring> VerbatimForm(std::string_view path) {
  if (path.find('/') != std::string_view::npos || path.find("\\.\\") != std::string_view::npos ||
      path.find("\\..\\") != std::string_view::npos) {
    return std::nullopt;
  }
  if (path.size() >= 3 && path[1] == ':' && path[2] == '\\') return L"\\\\?\\" + WideFromAnsi(path);
  if (path.size() > 2 && path.substr(0, 2) == "\\\\" && path[2] != '?' && path[2] != '.') {
    return L"\\\\?\\UNC\\" + WideFromAnsi(path.substr(2));
  }
  return std::nullopt;
}

}  // namespace

bool IsFolderPath(const std::string& text) {
  if (!IsCallablePath(text)) return false;
  if (Utf16Length(text) >= MAX_PATH || HasTrimmedSegment(text)) {
    const auto verbatim = VerbatimForm(text);
    if (!verbatim) return Utf16Length(text) < MAX_PATH && PathIsDirectoryA(text.c_str()) != FALSE;
    const DWORD attributes = GetFileAttributesW(verbatim->c_str());
    return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
  }
  return PathIsDirectoryA(text.c_str()) != FALSE;
}

std::optional<unsigned long> OrdinarySearchView::FolderError(const std::string& folder) const {
  const auto found = searched_.errors.find(folder);
  if (found == searched_.errors.end()) return std::nullopt;
  return found->second;
}

bool OrdinarySearchView::NamesFolder(const std::string& text) {
  std::string_view name = text;
  if (text.find_first_of("\\/") != std::string::npos || NeedsRealSearch(text) || MayNameDevice(text) ||
      !StripTrailingDotsAndBlanks(name)) {
    return IsFolderPath(text);
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
  const SearchOutcome searched = ForEachFound(WideFromAnsi(folder) + L"*", [this](const WIN32_FIND_DATAW& entry) {
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
  // A missing folder, or a pattern without a match, is no failure to read.
  if (searched.Failed()) errors.emplace(folder, searched.error);
}

}  // namespace quarvel::win
