// How the listing spells an entry's name in the ANSI code page.
#pragma once

#include <string>

#include "lister/NtDirectory.h"

namespace quarvel::lister {

std::string ToAnsi(const std::wstring& text);
std::wstring FromAnsi(const std::string& text);

// The 8.3 short name when the entry has one, else its long name.
std::string ListedName(const DirectoryEntry& entry);

}  // namespace quarvel::lister
