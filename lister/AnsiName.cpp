#include "lister/AnsiName.h"

#include <windows.h>

#include <array>
#include <cstdio>
#include <optional>

#include "core/Text.h"
#include "platform/AnsiText.h"

namespace quarvel::lister {
namespace {

constexpr const char* kNotAnsiNote = "NOT-ANSI:";

// A character the listing must never hold as it is: a control character would
// cut or forge a line, and the characters Win32 names cannot hold are the ones
// a hostile volume (or a POSIX name) could use to forge a path, a subfolder
// line ("<Dir>"), a summary ("found:") or a note ("FOLDER-NOT-READ:").
constexpr bool IsUnsafe(wchar_t c) {
  switch (c) {
    case L'\\': case L'/': case L':': case L'*': case L'?': case L'"': case L'<': case L'>': case L'|': case 0x7F:
      return true;
    default:
      return c < 0x20;
  }
}

bool IsSafe(std::wstring_view name) {
  for (const wchar_t c : name) {
    if (IsUnsafe(c)) return false;
  }
  return true;
}

std::string Noted(std::wstring_view name) {
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

// Every ANSI code page Windows uses keeps the ASCII characters as they are, so a
// name of ASCII alone is spelled exactly without asking the system (twice, with
// a round trip), which a listing of millions of names would feel.
bool AsciiCodePage() {
  static const bool ascii = [] {
    const UINT page = GetACP();
    return page == CP_UTF8 || page == 874 || page == 932 || page == 936 || page == 949 || page == 950 ||
           (page >= 1250 && page <= 1258);
  }();
  return ascii;
}

// Which ASCII characters a name may hold as they are, looked up rather than
// tested: every character of millions of names passes here.
constexpr std::array<bool, 0x80> kSafeAscii = [] {
  std::array<bool, 0x80> safe{};
  for (wchar_t c = 1; c < 0x80; ++c) safe[c] = !IsUnsafe(c);
  return safe;
}();

bool IsSafeAscii(wchar_t c) { return c < 0x80 && kSafeAscii[c]; }

// Appends the exact spelling of `name`; false (and nothing appended) when it
// has none, or holds a character the listing must never hold as it is.
bool AppendSpelled(std::string& out, std::wstring_view name) {
  if (AsciiCodePage() && !name.empty()) {
    // The usual name is all plain ASCII: copied as it is.
    const std::size_t at = out.size();
    if (AppendNarrowRun(out, name, IsSafeAscii) == name.size()) return true;
    out.resize(at);
  }
  if (!IsSafe(name)) return false;
  const auto spelled = win::ExactAnsi(std::wstring(name));
  if (spelled) out += *spelled;
  return spelled.has_value();
}

}  // namespace

void AppendListedName(std::string& out, const DirectoryEntry& entry) {
  if (!entry.short_name.empty() && AppendSpelled(out, entry.short_name)) return;
  if (AppendSpelled(out, entry.long_name)) return;
  out += Noted(entry.long_name);
}

std::string ListedName(const DirectoryEntry& entry) {
  std::string name;
  AppendListedName(name, entry);
  return name;
}

bool IsSpelled(std::string_view listed_name) { return !listed_name.starts_with(kNotAnsiNote); }

}  // namespace quarvel::lister
