// How the listing spells an entry's name in the ANSI code page.
#pragma once

#include <optional>
#include <string>
#include <string_view>

#include "lister/Folder.h"

namespace quarvel::lister {

// The name the listing shows: the 8.3 short name when the entry has one, else
// its long name. When neither spells exactly in the ANSI code page, the name is
// written as "NOT-ANSI:" followed by the name with each such character as
// U+XXXX; the colon keeps the ordinary search from ever matching it, so the
// entry is reported as not seen, with a name a person can read. A name holding
// a control character or one that Win32 names cannot hold (a hostile volume's)
// is written the same way, those characters as U+XXXX: no name can forge a
// line, a path or a mark of the listing.
std::string ListedName(const DirectoryEntry& entry);
// The same name appended to `out`.
void AppendListedName(std::string& out, const DirectoryEntry& entry);
bool IsSpelled(std::string_view listed_name);

}  // namespace quarvel::lister
