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

}  // namespace
}  // namespace quarvel::ui
