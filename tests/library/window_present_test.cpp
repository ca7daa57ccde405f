// What the window shows: a magnified window shows the frame stretched, in DirectDraw and in
// software rendering, read back from the host.
#include <gtest/gtest.h>

#include <atomic>
#include <cstdint>
#include <thread>
#include <vector>

#include <zelvo/zelvo.h>

#include "media/core/library_lock.h"
#include "media/core/main_window.h"
#include "media/core/toolbar.h"
#include "media/core/window_state.h"
#include "media/graphics/graphs/draw_state.h"
#include "media/graphics/screens/inactive_image.h"
#include "platform/testing.h"
#include "support/library_fixture.h"
#include "support/picture_writers.h"
#include "support/zva_writer.h"

namespace zelvo_test {
namespace {

enum Rendering { kDirectDraw, kSoftware };

class WindowPresent : public LibraryTest, public ::testing::WithParamInterface<Rendering> {
 protected:
  void SetUp() override {
    LibraryTest::SetUp();
    // Room for the magnified window on the desktop.
    pf::testing::SetHeadlessDesktop(1600, 1200, 32);
    // The Z buffer cannot be attached: the screen falls back to software rendering.
    if (GetParam() == kSoftware) pf::testing::FailNextCalls("AddAttachedSurface", 1);
    ASSERT_EQ(StartUpLibrary(), 0);
    ASSERT_EQ(SelectDrawTarget(ZELVO_BACK_BUFFER), 0);
  }
  void TearDown() override {
    EXPECT_EQ(ShutDownLibrary(), 0);
    LibraryTest::TearDown();
  }
  std::uint32_t At(int x, int y) const { return frame_[static_cast<std::size_t>(y) * width_ + x] & 0xFFFFFF; }
  void Present() {
    ASSERT_EQ(PresentBackBuffer(), 0);
    pf::testing::LastPresentedFrame(&frame_, &width_, &height_);
  }
  std::vector<std::uint32_t> frame_;
  int width_ = 0, height_ = 0;
};

TEST_P(WindowPresent, AMagnifiedWindowShowsTheFrameStretched) {
  {
    zelvo::LibraryLockGuard lock;
    zelvo::g_windowSettings.scaleRate = 1.5;   // as a drag of the window's corner leaves it
    zelvo::FitWindowToScreen();
  }
  ASSERT_EQ(DrawRectangle(0, 0, 320, 480, PackColor(255, 0, 0), 1), 0);
  ASSERT_EQ(DrawRectangle(320, 0, 640, 480, PackColor(0, 0, 255), 1), 0);
  ASSERT_EQ(DrawRectangle(100, 100, 110, 110, PackColor(255, 255, 255), 1), 0);
  Present();
  ASSERT_EQ(width_, 960);
  ASSERT_EQ(height_, 720);
  EXPECT_EQ(At(0, 0), 0xFF0000u);
  EXPECT_EQ(At(477, 700), 0xFF0000u);
  EXPECT_EQ(At(482, 700), 0x0000FFu);
  EXPECT_EQ(At(959, 719), 0x0000FFu);
  EXPECT_EQ(At(151, 151), 0xFFFFFFu);
  EXPECT_EQ(At(163, 163), 0xFFFFFFu);
  EXPECT_EQ(At(147, 151), 0xFF0000u);
  EXPECT_EQ(At(167, 151), 0xFF0000u);
  // Back at its own size the window shows the frame pixel for pixel.
  {
    zelvo::LibraryLockGuard lock;
    zelvo::g_windowSettings.scaleRate = 1.0;
    zelvo::FitWindowToScreen();
  }
  Present();
  ASSERT_EQ(width_, 640);
  EXPECT_EQ(At(100, 100), 0xFFFFFFu);
  EXPECT_EQ(At(110, 100), 0xFF0000u);
  EXPECT_EQ(At(320, 0), 0x0000FFu);
}

TEST_P(WindowPresent, TheFrameShowsBelowTheToolbar) {
  BmpLayout layout;
  layout.width = 32;
  layout.height = 20;
  layout.pixels = PadRows(std::vector<Bytes>(20, Bytes(32 * 3, 0)));
  WriteFileBytes(folder_ + "/buttons.bmp", WriteBmp(layout));
  int strip = 0;
  {
    zelvo::LibraryLockGuard lock;
    ASSERT_EQ(zelvo::SetToolbar("buttons.bmp", 2), 0);
    strip = zelvo::GetToolbarHeight();
  }
  ASSERT_GT(strip, 0);
  ASSERT_EQ(DrawRectangle(0, 0, 640, 480, PackColor(255, 0, 0), 1), 0);
  ASSERT_EQ(DrawRectangle(0, 0, 640, 1, PackColor(0, 0, 255), 1), 0);
  Present();
  ASSERT_EQ(width_, 640);
  ASSERT_EQ(height_, 480 + strip);
  EXPECT_NE(At(0, strip - 1), 0x0000FFu);
  EXPECT_EQ(At(0, strip), 0x0000FFu);
  EXPECT_EQ(At(639, strip + 1), 0xFF0000u);
  EXPECT_EQ(At(639, strip + 479), 0xFF0000u);
}

TEST_P(WindowPresent, FrontBufferDrawingFollowsTheWindowAndKeepsToTheDesktop) {
  ASSERT_EQ(SelectDrawTarget(ZELVO_FRONT_BUFFER), 0);
  const pf::WindowHandle window = zelvo::g_window.window;
  auto moveClientTo = [&](int x, int y) {
    zelvo::LibraryLockGuard lock;
    pf::Point origin{0, 0};
    pf::ClientToScreen(window, &origin);
    pf::Rect outer{};
    pf::GetWindowRect(window, &outer);
    pf::MoveWindow(window, outer.left + x - origin.x, outer.top + y - origin.y, outer.right - outer.left,
                   outer.bottom - outer.top, true);
  };
  const bool direct = GetParam() == kDirectDraw;   // software rendering draws into its own image
  moveClientTo(300, 200);
  EXPECT_EQ(zelvo::g_draw.drawOffset.left, direct ? 300 : 0);
  EXPECT_EQ(zelvo::g_draw.drawOffset.top, direct ? 200 : 0);
  ASSERT_EQ(DrawRectangle(0, 0, 640, 480, PackColor(0, 255, 0), 1), 0);
  pf::testing::LastPresentedFrame(&frame_, &width_, &height_);
  ASSERT_EQ(width_, 640);
  EXPECT_EQ(At(0, 0), 0x00FF00u);
  EXPECT_EQ(At(639, 479), 0x00FF00u);
  // Partly off the desktop (1600 x 1200): the draw region keeps to the part that is on it.
  moveClientTo(-100, 1000);
  const zelvo::IntRect region = zelvo::g_draw.region;
  EXPECT_EQ(region.left, direct ? 100 : 0);
  EXPECT_EQ(region.top, 0);
  EXPECT_EQ(region.right, 640);
  EXPECT_EQ(region.bottom, direct ? 200 : 480);
  EXPECT_EQ(DrawRectangle(0, 0, 640, 480, PackColor(255, 0, 255), 1), 0);
  moveClientTo(300, 200);
  EXPECT_EQ(zelvo::g_draw.region.left, 0);
  EXPECT_EQ(zelvo::g_draw.region.bottom, 480);
}

std::atomic<std::uint32_t> g_shownWhileInactive{0};

TEST_P(WindowPresent, WhileInactiveTheWindowShowsTheInactivePicture) {
  WriteFileBytes(folder_ + "/away.bmp", WriteOneColourBmp(4, 4, 255, 0, 0));
  g_shownWhileInactive = 0;
  {
    zelvo::LibraryLockGuard lock;
    ASSERT_EQ(zelvo::SetInactiveImage("missing.bmp", nullptr, 0), -1);
    ASSERT_EQ(zelvo::SetInactiveImage("away.bmp", nullptr, 0), 0);
    // Runs on the pumping thread once the window has gone inactive.
    zelvo::g_windowSettings.activationCallback = [](int active, void*) {
      if (active != 0) return;
      std::vector<std::uint32_t> frame;
      int width = 0, height = 0;
      pf::testing::LastPresentedFrame(&frame, &width, &height);
      if (width == 640) g_shownWhileInactive = frame[240 * 640 + 320] | 0xFF000000u;
    };
  }
  ASSERT_EQ(DrawRectangle(0, 0, 640, 480, PackColor(0, 255, 0), 1), 0);
  ASSERT_EQ(SetBlendMode(1, 128), 0);
  pf::testing::InjectFocus(false);
  std::thread activator([] {
    for (int i = 0; i < 2000000 && g_shownWhileInactive == 0; ++i) std::this_thread::yield();
    pf::testing::InjectFocus(true);
  });
  EXPECT_EQ(PumpMessages(), 0);
  activator.join();
  EXPECT_EQ(g_shownWhileInactive & 0xFFFFFF, 0x0000FFu);
  // The program's frame and drawing state are as they were.
  ASSERT_EQ(SetBlendMode(0, 0), 0);
  Present();
  EXPECT_EQ(At(320, 240), 0x00FF00u);
}

INSTANTIATE_TEST_SUITE_P(Modes, WindowPresent, ::testing::Values(kDirectDraw, kSoftware),
                         [](const ::testing::TestParamInfo<Rendering>& info) {
                           return info.param == kDirectDraw ? "DirectDraw" : "Software";
                         });

}  // namespace
}  // namespace zelvo_test
