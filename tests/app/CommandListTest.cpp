#include "app/CommandList.h"

#include <gtest/gtest.h>

#include <set>
#include <string>
#include <utility>

namespace quarvel::app {
namespace {

TEST(CommandList, EveryIdAndEventIsRoutedOnceAndEveryHandlerNamedOnce) {
  std::set<std::pair<int, Event>> routes;
  std::set<std::string> handlers;
  for (const CommandRow& row : kCommandRows) {
    EXPECT_TRUE(routes.emplace(row.id, row.event).second) << row.handler;
    EXPECT_TRUE(handlers.emplace(row.handler).second) << row.handler;
  }
}

TEST(CommandList, MenuItemsHaveIdsOfTheirOwnACaptionAndAListToShowIn) {
  std::set<int> control_ids, menu_ids;
  for (const CommandRow& row : kCommandRows) {
    if (row.event != Event::kMenuPick) {
      control_ids.insert(row.id);
      continue;
    }
    EXPECT_TRUE(menu_ids.insert(row.id).second) << row.handler;
    ASSERT_NE(row.caption, nullptr) << row.handler;
    EXPECT_NE(std::string(row.caption), "") << row.handler;
    EXPECT_TRUE(row.in_list1 || row.in_list2) << row.handler;
  }
  for (int id : menu_ids) EXPECT_EQ(control_ids.count(id), 0u) << id;
  // The ids other programs use for the menu's commands.
  EXPECT_EQ(kMnuCopy, 2001);
  EXPECT_EQ(kMnuFind, 2005);
}

TEST(CommandList, TheMenuShowsItsItemsInTheirOrderForEachList) {
  std::string list1, list2;
  for (const CommandRow& row : kCommandRows) {
    if (row.event != Event::kMenuPick) continue;
    if (row.in_list1) list1 += std::string(row.caption) + ";";
    if (row.in_list2) list2 += std::string(row.caption) + ";";
  }
  EXPECT_EQ(list1, "Copy;Extract Path to Clipboard;Rescan;");
  EXPECT_EQ(list2, "Copy;Go to Directory;Open Windows Find;");
}

}  // namespace
}  // namespace quarvel::app
