// Matches a file name against a filter the way the DOS and Win32 searches do:
// case-insensitive, "*" any run, "?" one character (or none at a dot or at the
// end of the name), "*.*" everything, and a final "." or ".*" also matching
// names without an extension.
#pragma once

#include <string_view>

namespace quarvel {

bool MatchesFilter(std::wstring_view name, std::wstring_view filter);

}  // namespace quarvel
