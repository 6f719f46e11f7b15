#include "lister/AnsiName.h"

#include <windows.h>

#include <cstdio>

#include "platform/AnsiText.h"

namespace quarvel::lister {
namespace {

constexpr const char* kNotAnsiNote = "NOT-ANSI:";

std::string Noted(const std::wstring& name) {
  std::string noted = kNotAnsiNote;
  for (const wchar_t c : name) {
    if (const auto spelled = win::ExactAnsi(std::wstring(1, c))) {
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
  if (!entry.short_name.empty()) {
    if (const auto spelled = win::ExactAnsi(entry.short_name)) return *spelled;
  }
  if (const auto spelled = win::ExactAnsi(entry.long_name)) return *spelled;
  return Noted(entry.long_name);
}

bool IsSpelled(const std::string& listed_name) { return listed_name.rfind(kNotAnsiNote, 0) != 0; }

}  // namespace quarvel::lister
