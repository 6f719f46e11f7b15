// The lister's second look (/CHECK): which of the paths in a file its views
// still show, so the comparison never reports a file that merely vanished
// between the listing and the comparison.
#pragma once

#include <array>
#include <string>

#include "lister/DirectoryWalk.h"

namespace quarvel::lister {

// Reads the paths from `request_file` and writes one answer per path to
// `output`. Each folder is read once, through every view there is.
void Recheck(const std::array<View, 2>& views, const std::string& request_file, ListingOutput& output);

}  // namespace quarvel::lister
