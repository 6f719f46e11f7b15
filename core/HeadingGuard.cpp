#include "core/HeadingGuard.h"

namespace quarvel {
namespace {

char Upper(char c) { return c >= 'a' && c <= 'z' ? static_cast<char>(c - 'a' + 'A') : c; }

bool StartsWithIgnoringCase(std::string_view text, std::string_view prefix) {
  if (text.size() < prefix.size()) return false;
  for (std::size_t i = 0; i < prefix.size(); ++i) {
    if (Upper(text[i]) != Upper(prefix[i])) return false;
  }
  return true;
}

// A "." or ".." step could lead out of the root while the text still starts
// with it.
bool HasDotStep(std::string_view path) {
  std::size_t start = 0;
  while (start <= path.size()) {
    const auto end = path.find_first_of("\\/", start);
    const std::string_view step = path.substr(start, end == std::string_view::npos ? std::string_view::npos : end - start);
    if (step == "." || step == "..") return true;
    if (end == std::string_view::npos) return false;
    start = end + 1;
  }
  return false;
}

bool IsNetworkOrDevice(std::string_view path) {
  return path.size() >= 2 && (path[0] == '\\' || path[0] == '/') && (path[1] == '\\' || path[1] == '/');
}

}  // namespace

HeadingGuard::HeadingGuard(std::vector<std::string> roots) : roots_(std::move(roots)) {
  std::erase_if(roots_, [](const std::string& root) { return root.empty(); });
  for (auto& root : roots_) {
    if (root.back() != '\\') root += '\\';
  }
}

bool HeadingGuard::MayAsk(std::string_view text) const {
  if (text.empty() || HasDotStep(text) || text.find('/') != std::string_view::npos) return false;
  if (roots_.empty()) return !IsNetworkOrDevice(text);
  for (const auto& root : roots_) {
    // The root itself without its final "\" is the same folder.
    if (StartsWithIgnoringCase(text, root) ||
        (text.size() + 1 == root.size() && StartsWithIgnoringCase(root, text))) {
      return true;
    }
  }
  return false;
}

}  // namespace quarvel
