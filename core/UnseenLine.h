// What a line of the listing that the Win32 search did not see says of itself:
// its path, its size, the lister's note on a folder it could not read, and the
// causes its name alone can show. Every cut is bounded: the line may come from
// a hostile listing.
#pragma once

#include <cstddef>
#include <functional>
#include <string_view>

#include "core/Verdict.h"

namespace quarvel {

// `utf16_length` counts a path's UTF-16 units (in the ANSI code page's terms);
// a path longer than `longest_searchable` cannot be named by the "A" search.
UnseenFacts FactsFromLine(std::string_view folder, std::string_view line,
                          const std::function<std::size_t(std::string_view)>& utf16_length,
                          std::size_t longest_searchable);

}  // namespace quarvel
