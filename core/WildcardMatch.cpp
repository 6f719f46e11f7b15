#include "core/WildcardMatch.h"

#include <cwctype>

namespace quarvel {
namespace {

bool SameLetter(wchar_t a, wchar_t b) { return std::towupper(a) == std::towupper(b); }

// True when every remaining filter character can match nothing.
bool OnlyOptionalLeft(std::wstring_view filter) {
  for (std::size_t i = 0; i < filter.size(); ++i) {
    const wchar_t c = filter[i];
    if (c == L'*' || c == L'?') continue;
    // A dot followed only by wildcards may match the end of a name.
    if (c == L'.') continue;
    return false;
  }
  return true;
}

bool Match(std::wstring_view name, std::wstring_view filter) {
  while (!filter.empty()) {
    const wchar_t f = filter.front();
    if (f == L'*') {
      filter.remove_prefix(1);
      if (filter.empty()) return true;
      // A "*" before a dot stops at the name's last dot, so "*." does not match
      // "a.txt" and "*.txt" does not match "a.txt.bak".
      std::size_t longest = name.size();
      if (filter.front() == L'.') {
        const auto last_dot = name.rfind(L'.');
        if (last_dot != std::wstring_view::npos) longest = last_dot;
      }
      for (std::size_t skip = 0; skip <= longest; ++skip) {
        if (Match(name.substr(skip), filter)) return true;
      }
      return false;
    }
    if (f == L'?') {
      // At a dot or the end of the name a "?" matches nothing.
      if (name.empty() || name.front() == L'.') {
        filter.remove_prefix(1);
        continue;
      }
      name.remove_prefix(1);
      filter.remove_prefix(1);
      continue;
    }
    if (f == L'.' && name.empty()) return OnlyOptionalLeft(filter.substr(1));
    if (name.empty() || !SameLetter(name.front(), f)) return false;
    name.remove_prefix(1);
    filter.remove_prefix(1);
  }
  return name.empty();
}

}  // namespace

bool MatchesFilter(std::wstring_view name, std::wstring_view filter) {
  if (filter.empty() || filter == L"*" || filter == L"*.*") return true;
  return Match(name, filter);
}

}  // namespace quarvel
