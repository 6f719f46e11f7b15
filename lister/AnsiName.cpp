#include "lister/AnsiName.h"

#include <windows.h>

#include <cstdio>
#include <cwchar>

#include "platform/AnsiText.h"

namespace quarvel::lister {
namespace {

constexpr const char* kNotAnsiNote = "NOT-ANSI:";

// A character the listing must never hold as it is: a control character would
// cut or forge a line, and the characters Win32 names cannot hold are the ones
// a hostile volume (or a POSIX name) could use to forge a path, a subfolder
// line ("<Dir>"), a summary ("found:") or a note ("FOLDER-NOT-READ:").
bool IsUnsafe(wchar_t c) { return c < 0x20 || c == 0x7F || std::wcschr(L"\\/:*?\"<>|", c) != nullptr; }

bool IsSafe(const std::wstring& name) {
  for (const wchar_t c : name) {
    if (IsUnsafe(c)) return false;
  }
  return true;
}

std::string Noted(const std::wstring& name) {
  std::string noted = kNotAnsiNote;
  for (const wchar_t c : name) {
    const auto spelled = IsUnsafe(c) ? std::nullopt : win::ExactAnsi(std::wstring(1, c));
    if (spelled) {
      noted += *spelled;
    } else {
      char code[12];
      std::snprintf(code, sizeof(code), "U+%04X", static_cast<unsigned>(c));
      noted += code;
    }
  }
  return noted;
}

}  // namespace

std::string ListedName(const DirectoryEntry& entry) {
  if (!entry.short_name.empty() && IsSafe(entry.short_name)) {
    if (const auto spelled = win::ExactAnsi(entry.short_name)) return *spelled;
  }
  if (IsSafe(entry.long_name)) {
    if (const auto spelled = win::ExactAnsi(entry.long_name)) return *spelled;
  }
  return Noted(entry.long_name);
}

bool IsSpelled(const std::string& listed_name) { return listed_name.rfind(kNotAnsiNote, 0) != 0; }

}  // namespace quarvel::lister
