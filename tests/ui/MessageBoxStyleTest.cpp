#include "ui/MessageBoxStyle.h"

#include <gtest/gtest.h>

#include "core/RepairText.h"

namespace quarvel::ui {
namespace {

TEST(MessageBoxStyle, TheRepairBoxesGetTheirButtonsAndIcons) {
  EXPECT_EQ(MessageBoxStyle(DeleteFileBox()), static_cast<UINT>(MB_YESNO | MB_ICONERROR));
  EXPECT_EQ(MessageBoxStyle(LimitedAccountBox()), static_cast<UINT>(MB_OK | MB_ICONSTOP));
  EXPECT_EQ(MessageBoxStyle(RebootBox()), static_cast<UINT>(MB_OK | MB_ICONEXCLAMATION));
  EXPECT_EQ(MessageBoxStyle(AppInitBox("x", kNativeRepairKey)), static_cast<UINT>(MB_OK | MB_ICONINFORMATION));
  EXPECT_EQ(MessageBoxStyle(MovingBox("a.dll", "C:\\T")), static_cast<UINT>(MB_OK));
  EXPECT_EQ(MessageBoxStyle(FileAccessErrorBox()), static_cast<UINT>(MB_OK | MB_ICONWARNING));
}

}  // namespace
}  // namespace quarvel::ui
