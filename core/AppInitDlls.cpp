#include "core/AppInitDlls.h"

#include <algorithm>

namespace quarvel {

std::vector<std::string> SplitAppInitDlls(std::string_view value) {
  std::vector<std::string> dlls;
  std::size_t start = 0;
  while (start < value.size()) {
    const auto end = std::min(value.find_first_of(" ,", start), value.size());
    if (end > start) dlls.emplace_back(value.substr(start, end - start));
    start = end + 1;
  }
  return dlls;
}

}  // namespace quarvel
