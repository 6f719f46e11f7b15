// NTFS names are UTF-16 and may hold unpaired surrogates; UTF-8 for printing.
#pragma once

#include <string>
#include <string_view>

namespace quarvel::ntfs {

// An unpaired surrogate becomes U+FFFD.
std::string ToUtf8(std::u16string_view text);

}  // namespace quarvel::ntfs
