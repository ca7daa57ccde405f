// A drawing that reads the destination on the front screen of a window (video memory) works on a
// copy of the rectangle in the work surface, made and put back with the measured surface copy.
#include <gtest/gtest.h>

#include <cstdint>
#include <vector>

#include <zelvo/zelvo.h>

#include "media/core/library_lock.h"
#include "media/display/screen_state.h"
#include "media/graphics/graphs/draw_state.h"
#include "platform/testing.h"
#include "support/library_fixture.h"

namespace zelvo_test {
namespace {

class FrontScreenWorkCopy : public LibraryTest {
 protected:
  void SetUp() override {
    LibraryTest::SetUp();
    // Shapes go to the software path (with Direct3D up they are drawn by the device).
    zelvo::SetDirect3DOffFlag(1);
    ASSERT_EQ(StartUpLibrary(), 0);
    ASSERT_EQ(SelectDrawTarget(ZELVO_FRONT_BUFFER), 0);
  }
  void TearDown() override {
    EXPECT_EQ(ShutDownLibrary(), 0);
    zelvo::SetDirect3DOffFlag(0);
    LibraryTest::TearDown();
  }
  std::uint32_t Shown(int x, int y) {
    std::vector<std::uint32_t> frame;
    int width = 0, height = 0;
    pf::testing::LastPresentedFrame(&frame, &width, &height);
    return frame[static_cast<std::size_t>(y) * width + x] & 0xFFFFFF;
  }
};

TEST_F(FrontScreenWorkCopy, BlendedDrawingOnTheWindowGoesThroughTheWorkSurface) {
  {
    zelvo::LibraryLockGuard lock;
    ASSERT_TRUE(zelvo::g_draw.drawOffset.left != 0 || zelvo::g_draw.drawOffset.top != 0);
  }
  const int copyMethod = zelvo::g_screen.useGdiBlit;
  ASSERT_EQ(DrawRectangle(0, 0, 40, 20, PackColor(255, 255, 255), 1), 0);
  ASSERT_EQ(SetBlendMode(1, 128), 0);
  ASSERT_EQ(DrawRectangle(0, 0, 10, 10, PackColor(0, 0, 0), 1), 0);
  // The copy into the work surface fails: nothing is drawn.
  pf::testing::FailNextCalls(copyMethod ? "BitBlt" : "BltFast", 1);
  EXPECT_EQ(DrawRectangle(20, 0, 30, 10, PackColor(0, 0, 0), 1), 0);
  SetBlendMode(0, 0);
  const std::uint32_t half = Shown(5, 5);
  EXPECT_NEAR(static_cast<int>(half & 0xFF), 127, 8);
  EXPECT_EQ(half >> 8 & 0xFF, half & 0xFF);
  EXPECT_EQ(Shown(15, 5), 0xFFFFFFu);
  EXPECT_EQ(Shown(25, 5), 0xFFFFFFu);
}

}  // namespace
}  // namespace zelvo_test
