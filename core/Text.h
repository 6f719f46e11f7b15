// Small text helpers shared by the core. "Blank" means the space character only,
// which is what the listing and the path box use.
#pragma once

#include <string>
#include <string_view>

namespace quarvel {

std::string_view TrimLeadingBlanks(std::string_view text);
std::string_view TrimTrailingBlanks(std::string_view text);
std::string_view TrimBlanks(std::string_view text);

bool Contains(std::string_view text, std::string_view part);
bool EndsWith(std::string_view text, char c);

}  // namespace quarvel
