// The names of one folder read, in blocks that never move once written: an
// entry holds views of its names, valid as long as the pool that holds them
// (moving the pool keeps them). A volume lists millions of names, and under
// Wine a heap string per name cost more than writing its lines.
#pragma once

#include <algorithm>
#include <string_view>
#include <vector>

namespace quarvel::lister {

class NamePool {
 public:
  NamePool() = default;
  NamePool(NamePool&&) noexcept = default;
  NamePool& operator=(NamePool&&) noexcept = default;
  // A copy would hold names no entry points to.
  NamePool(const NamePool&) = delete;
  NamePool& operator=(const NamePool&) = delete;

  // A copy of `name` in the pool. Takes UTF-16 in either character type (the
  // volume's names come as char16_t, the system's as wchar_t).
  template <class Char>
  std::wstring_view Add(std::basic_string_view<Char> name) {
    static_assert(sizeof(Char) == sizeof(wchar_t));
    if (blocks_.empty() || blocks_.back().capacity() - blocks_.back().size() < name.size()) {
      const std::size_t last = blocks_.empty() ? 0 : blocks_.back().capacity();
      blocks_.emplace_back().reserve(std::max(name.size(), std::clamp(last * 2, kFirstBlock, kLargestBlock)));
    }
    std::vector<wchar_t>& block = blocks_.back();
    const std::size_t at = block.size();
    block.resize(at + name.size());  // within capacity: never moves
    std::transform(name.begin(), name.end(), block.begin() + static_cast<std::ptrdiff_t>(at),
                   [](Char c) { return static_cast<wchar_t>(c); });
    return {block.data() + at, name.size()};
  }

  // Drops every name, keeping the largest block for the next ones: a walk reads
  // hundreds of thousands of folders into the same few pools.
  void Clear() {
    if (blocks_.empty()) return;
    std::swap(blocks_.front(), blocks_.back());
    blocks_.resize(1);
    blocks_.front().clear();
  }

 private:
  static constexpr std::size_t kFirstBlock = 512;
  static constexpr std::size_t kLargestBlock = 64 * 1024;
  std::vector<std::vector<wchar_t>> blocks_;
};

}  // namespace quarvel::lister
