#include "lister/NamePool.h"

#include <gtest/gtest.h>

#include <string>
#include <utility>
#include <vector>

namespace quarvel::lister {
namespace {

// The walk keeps views of a folder read's names while the read moves from the
// source to the walk: every view must stay whole across new blocks (a name
// longer than any block included) and a move of the pool.
TEST(NamePool, ViewsStayValidAcrossBlocksAndMoves) {
  NamePool pool;
  std::vector<std::wstring> names;
  std::vector<std::wstring_view> views;
  for (int i = 0; i < 5000; ++i) {
    names.push_back(L"name-" + std::to_wstring(i) + std::wstring(static_cast<std::size_t>(i % 40), L'x'));
    views.push_back(pool.Add(std::wstring_view(names.back())));
  }
  names.push_back(std::wstring(100'000, L'y'));  // larger than the largest block
  views.push_back(pool.Add(std::wstring_view(names.back())));
  const std::u16string wide = u"\u6f22\u5b57.dll";
  names.emplace_back(wide.begin(), wide.end());
  views.push_back(pool.Add(std::u16string_view(wide)));
  views.push_back(pool.Add(std::wstring_view()));
  names.emplace_back();

  NamePool moved = std::move(pool);
  for (std::size_t i = 0; i < names.size(); ++i) EXPECT_EQ(views[i], names[i]) << i;
}

// A pool emptied for the next folder keeps one block: the next folder's names,
// however many and long, are whole.
TEST(NamePool, NamesAfterClearAreWholeWhateverTheKeptBlock) {
  NamePool pool;
  for (int i = 0; i < 3000; ++i) pool.Add(std::wstring_view(L"earlier-folder-name"));
  for (const std::size_t count : {1u, 3000u}) {
    pool.Clear();
    std::vector<std::wstring> names;
    std::vector<std::wstring_view> views;
    for (std::size_t i = 0; i < count; ++i) {
      names.push_back(L"next-" + std::to_wstring(i));
      views.push_back(pool.Add(std::wstring_view(names.back())));
    }
    for (std::size_t i = 0; i < names.size(); ++i) EXPECT_EQ(views[i], names[i]) << count << " " << i;
  }
}

}  // namespace
}  // namespace quarvel::lister
