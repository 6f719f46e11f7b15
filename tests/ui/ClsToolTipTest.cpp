#include "ui/clsToolTip.h"

#include <gtest/gtest.h>

namespace quarvel::ui {
namespace {

// A window with a button, an edit box and a label, as tools to register.
class ClsToolTipTest : public ::testing::Test {
 protected:
  void SetUp() override {
    window = CreateWindowA("STATIC", "owner", WS_OVERLAPPEDWINDOW, 0, 0, 300, 200, nullptr, nullptr, nullptr, nullptr);
    button = CreateWindowA("BUTTON", "b", WS_CHILD | WS_VISIBLE, 0, 0, 50, 20, window, nullptr, nullptr, nullptr);
    edit = CreateWindowA("EDIT", "", WS_CHILD | WS_VISIBLE, 0, 30, 50, 20, window, nullptr, nullptr, nullptr);
    label = CreateWindowA("STATIC", "l", WS_CHILD | WS_VISIBLE, 0, 60, 50, 20, window, nullptr, nullptr, nullptr);
  }
  void TearDown() override { DestroyWindow(window); }

  HWND window = nullptr, button = nullptr, edit = nullptr, label = nullptr;
};

TEST_F(ClsToolTipTest, BeforeCreateEverythingIsEmptyAndSettersDoNothing) {
  clsToolTip tip;
  EXPECT_EQ(tip.hWnd(), nullptr);
  EXPECT_EQ(tip.ToolCount(), 0);
  EXPECT_FALSE(tip.HasToolTip(button));
  EXPECT_FALSE(tip.AddTool(button, "x"));
  EXPECT_EQ(tip.ToolText(button), "");
  tip.SetToolText(button, "y");
  tip.SetMaxTipWidth(100);
  EXPECT_EQ(tip.MaxTipWidth(), 0u);
  EXPECT_EQ(tip.DelayTime(2), 0u);
  EXPECT_FALSE(tip.ToolTipHeaderShow());
}

TEST_F(ClsToolTipTest, CreateMakesOneWindowOnly) {
  clsToolTip tip;
  EXPECT_TRUE(tip.Create(window));
  HWND first = tip.hWnd();
  EXPECT_NE(first, nullptr);
  EXPECT_TRUE(tip.Create(window));
  EXPECT_EQ(tip.hWnd(), first);
  EXPECT_EQ(tip.ToolTipHandle(), first);
}

TEST_F(ClsToolTipTest, DestroyedWithTheInstance) {
  HWND made = nullptr;
  {
    clsToolTip tip;
    tip.Create(window);
    made = tip.hWnd();
    EXPECT_TRUE(IsWindow(made));
  }
  EXPECT_FALSE(IsWindow(made));
}

TEST_F(ClsToolTipTest, AddToolOncePerControlAndNeverForALabel) {
  clsToolTip tip;
  tip.Create(window);
  EXPECT_TRUE(tip.AddTool(button, "first"));
  EXPECT_FALSE(tip.AddTool(button, "second"));
  EXPECT_EQ(tip.ToolText(button), "first");
  EXPECT_FALSE(tip.AddTool(label, "label"));
  EXPECT_FALSE(clsToolTip::fIsWindow(label));
  EXPECT_TRUE(clsToolTip::fIsWindow(edit));
  EXPECT_FALSE(clsToolTip::fIsWindow(nullptr));
  EXPECT_EQ(tip.ToolCount(), 1);
}

TEST_F(ClsToolTipTest, EmptyTextRemovesTheTool) {
  clsToolTip tip;
  tip.Create(window);
  tip.AddTool(button, "x");
  tip.AddTool(edit);
  EXPECT_EQ(tip.ToolCount(), 2);
  tip.SetToolText(button, "");
  EXPECT_FALSE(tip.HasToolTip(button));
  EXPECT_EQ(tip.ToolCount(), 1);
  EXPECT_FALSE(tip.RemoveTool(button));
  EXPECT_TRUE(tip.RemoveTool(edit));
  EXPECT_EQ(tip.ToolCount(), 0);
}

TEST_F(ClsToolTipTest, TextForAControlNeverAddedChangesNothing) {
  clsToolTip tip;
  tip.Create(window);
  tip.SetToolText(edit, "text");
  EXPECT_FALSE(tip.HasToolTip(edit));
  EXPECT_EQ(tip.ToolCount(), 0);
}

TEST_F(ClsToolTipTest, HeaderGoesInFrontOfTextsSetWhileItIsOn) {
  clsToolTip tip;
  tip.Create(window);
  tip.AddTool(edit);
  tip.SetToolTipHeader("H");
  EXPECT_TRUE(tip.ToolTipHeaderShow());
  tip.SetToolText(edit, "T");
  EXPECT_EQ(tip.ToolText(edit), "H\r\nT");
  tip.SetToolTipHeaderShow(false);
  EXPECT_EQ(tip.ToolText(edit), "H\r\nT");  // texts already set keep their header
  tip.SetToolText(edit, "T");
  EXPECT_EQ(tip.ToolText(edit), "T");
  EXPECT_EQ(tip.ToolTipHeader(), "H");
}

TEST_F(ClsToolTipTest, LongerTextsAreReadBackWhole) {
  clsToolTip tip;
  tip.Create(window);
  tip.AddTool(edit, "short");
  const std::string long_text(500, 'q');
  tip.SetToolText(edit, long_text);
  EXPECT_EQ(tip.ToolText(edit), long_text);
}

TEST_F(ClsToolTipTest, MaxTipWidthBelowOneMeansNoLimit) {
  clsToolTip tip;
  tip.Create(window);
  tip.SetMaxTipWidth(240);
  EXPECT_EQ(tip.MaxTipWidth(), 240u);
  tip.SetMaxTipWidth(0);
  EXPECT_EQ(tip.MaxTipWidth(), 65535u);
  tip.SetMaxTipWidth(-5);
  EXPECT_EQ(tip.MaxTipWidth(), 65535u);
}

TEST_F(ClsToolTipTest, MarginSidesAndAnUnknownSide) {
  clsToolTip tip;
  tip.Create(window);
  tip.SetMargin(0, 3);
  tip.SetMargin(1, 4);
  tip.SetMargin(2, 5);
  tip.SetMargin(3, 6);
  EXPECT_EQ(tip.Margin(0), 3u);
  EXPECT_EQ(tip.Margin(1), 4u);
  EXPECT_EQ(tip.Margin(2), 5u);
  EXPECT_EQ(tip.Margin(3), 6u);
  EXPECT_EQ(tip.Margin(4), 0u);
  tip.SetMargin(4, 99);  // writes the rectangle back unchanged
  EXPECT_EQ(tip.Margin(0), 3u);
  EXPECT_EQ(tip.Margin(3), 6u);
}

TEST_F(ClsToolTipTest, DelayKindIsTheTypeAndThree) {
  clsToolTip tip;
  tip.Create(window);
  tip.SetDelayTime(6, 20000);  // 6 AND 3 = 2, the time a shown tip stays
  EXPECT_EQ(tip.DelayTime(TTDT_AUTOPOP), 20000u);
  EXPECT_EQ(tip.DelayTime(2), 20000u);
}

TEST_F(ClsToolTipTest, ColoursRoundTrip) {
  clsToolTip tip;
  tip.Create(window);
  tip.SetBackColor(RGB(1, 2, 3));
  tip.SetForeColor(RGB(4, 5, 6));
  EXPECT_EQ(tip.BackColor(), RGB(1, 2, 3));
  EXPECT_EQ(tip.ForeColor(), RGB(4, 5, 6));
}

}  // namespace
}  // namespace quarvel::ui
