#include "ui/GdiOwners.h"

#include <gtest/gtest.h>

#include "ui/WindowMetrics.h"

namespace quarvel::ui {
namespace {

// A selected object goes back out when its owner goes, so a borrowed device
// context is returned as it was lent; a font owner deletes its font.
TEST(GdiOwners, SelectedObjectRestoresThePreviousObjectAndFontsAreDeleted) {
  const WindowDc screen(nullptr);
  ASSERT_NE(screen.get(), nullptr);
  const HGDIOBJ before = GetCurrentObject(screen.get(), OBJ_FONT);
  HFONT raw = nullptr;
  {
    UniqueFont font = MessageFont(true);
    ASSERT_TRUE(font);
    raw = font.get();
    {
      const SelectedObject selected(screen.get(), font.get());
      EXPECT_EQ(GetCurrentObject(screen.get(), OBJ_FONT), font.get());
    }
    EXPECT_EQ(GetCurrentObject(screen.get(), OBJ_FONT), before);
  }
  EXPECT_EQ(GetObjectType(raw), 0u);  // deleted
}

// Moved owners give back once, from where they went; the moved-from ones do nothing.
TEST(GdiOwners, MovedOwnersGiveBackOnceAndWindowsAreDestroyed) {
  const WindowDc screen(nullptr);
  const HGDIOBJ before = GetCurrentObject(screen.get(), OBJ_FONT);
  UniqueFont font = MessageFont(true);
  {
    SelectedObject first(screen.get(), font.get());
    SelectedObject second(std::move(first));
    EXPECT_EQ(GetCurrentObject(screen.get(), OBJ_FONT), font.get());
  }
  EXPECT_EQ(GetCurrentObject(screen.get(), OBJ_FONT), before);

  WindowDc borrowed(nullptr);
  WindowDc moved(std::move(borrowed));
  EXPECT_EQ(borrowed.get(), nullptr);
  EXPECT_NE(moved.get(), nullptr);

  HWND raw = CreateWindowExA(0, "STATIC", "", 0, 0, 0, 10, 10, nullptr, nullptr, nullptr, nullptr);
  ASSERT_NE(raw, nullptr);
  {
    UniqueWindow window(raw);
    UniqueWindow owner(std::move(window));
    EXPECT_FALSE(window);
    EXPECT_TRUE(IsWindow(raw));
  }
  EXPECT_FALSE(IsWindow(raw));
}

}  // namespace
}  // namespace quarvel::ui
