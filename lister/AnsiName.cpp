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
    if (const auto spelled = ExactAnsi(std::wstring(1, c))) {
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

std::optional<std::string> ExactAnsi(const std::wstring& text) {
  if (text.empty()) return std::string();
  BOOL used_default = FALSE;
  const int size = WideCharToMultiByte(CP_ACP, WC_NO_BEST_FIT_CHARS, text.data(), static_cast<int>(text.size()),
                                       nullptr, 0, nullptr, &used_default);
  if (size <= 0 || used_default) return std::nullopt;
  std::string ansi(static_cast<std::size_t>(size), '\0');
  WideCharToMultiByte(CP_ACP, WC_NO_BEST_FIT_CHARS, text.data(), static_cast<int>(text.size()), ansi.data(), size,
                      nullptr, &used_default);
  if (used_default || win::WideFromAnsi(ansi) != text) return std::nullopt;
  return ansi;
}

std::string ListedName(const DirectoryEntry& entry) {
  if (!entry.short_name.empty()) {
    if (const auto spelled = ExactAnsi(entry.short_name)) return *spelled;
  }
  if (const auto spelled = ExactAnsi(entry.long_name)) return *spelled;
  return Noted(entry.long_name);
}

bool IsSpelled(const std::string& listed_name) { return listed_name.rfind(kNotAnsiNote, 0) != 0; }

}  // namespace quarvel::lister
