// The common-control tool bar: a strip along the top of its parent's client area that follows the
// parent's width when the parent's WM_SIZE is passed on.
#include <gtest/gtest.h>

#include "platform/testing.h"
#include "platform/window/window.h"

namespace {

class ToolbarWindow : public ::testing::Test {
 protected:
  void SetUp() override {
    pf::WindowClass windowClass{0, pf::DefWindowProc, nullptr, 0, 0, 0, nullptr, "toolbar-parent"};
    ASSERT_NE(pf::RegisterClass(&windowClass), 0);
    parent_ = pf::CreateWindowEx(0, "toolbar-parent", "title", pf::WS_POPUP, 100, 50, 300, 200, nullptr, nullptr,
                                 nullptr);
    ASSERT_NE(parent_, nullptr);
  }
  void TearDown() override {
    pf::testing::ClearFaults();
    if (pf::IsWindow(parent_)) pf::DestroyWindow(parent_);
    pf::UnregisterClass("toolbar-parent", nullptr);
  }
  pf::WindowHandle parent_ = nullptr;
};

TEST_F(ToolbarWindow, TheStripSitsOnTopOfTheClientAreaAndFollowsItsWidth) {
  pf::ToolbarHandle toolbar = pf::CreateToolbarWindow(parent_);
  ASSERT_NE(toolbar, nullptr);
  int bitmap = 0;
  EXPECT_TRUE(pf::SetToolbarButtonStructSize(toolbar, 20));
  EXPECT_EQ(pf::AddToolbarBitmap(toolbar, &bitmap, 4), 0);
  EXPECT_EQ(pf::AddToolbarBitmap(toolbar, nullptr, 4), -1);
  EXPECT_TRUE(pf::SetToolbarButtonSize(toolbar, 16, 15));
  pf::Rect rect{};
  ASSERT_TRUE(pf::GetToolbarRect(toolbar, &rect));
  EXPECT_EQ(rect.left, 100);
  EXPECT_EQ(rect.top, 50);
  EXPECT_EQ(rect.right - rect.left, 300);
  EXPECT_EQ(rect.bottom - rect.top, 15 + 6);

  int other = 0;
  EXPECT_FALSE(pf::ReplaceToolbarBitmap(toolbar, &other, &other, 2));   // not the bitmap it holds
  EXPECT_TRUE(pf::ReplaceToolbarBitmap(toolbar, &bitmap, &other, 2));

  pf::MoveWindow(parent_, 100, 50, 500, 200, false);
  ASSERT_TRUE(pf::GetToolbarRect(toolbar, &rect));
  EXPECT_EQ(rect.right - rect.left, 300);   // until the size is passed on
  pf::PassSizeToToolbar(toolbar, pf::SIZE_RESTORED, 0);
  ASSERT_TRUE(pf::GetToolbarRect(toolbar, &rect));
  EXPECT_EQ(rect.right - rect.left, 500);

  EXPECT_TRUE(pf::DestroyToolbarWindow(toolbar));
  EXPECT_FALSE(pf::GetToolbarRect(toolbar, &rect));
  EXPECT_FALSE(pf::DestroyToolbarWindow(toolbar));
}

TEST_F(ToolbarWindow, CreationFailsWithoutAParentOrByTheFaultSwitch) {
  EXPECT_EQ(pf::CreateToolbarWindow(nullptr), nullptr);
  pf::testing::FailNextCalls("CreateToolbarWindow", 1);
  EXPECT_EQ(pf::CreateToolbarWindow(parent_), nullptr);
  pf::ToolbarHandle toolbar = pf::CreateToolbarWindow(parent_);
  EXPECT_NE(toolbar, nullptr);
  pf::DestroyToolbarWindow(toolbar);
}

}  // namespace
