// The GDI stand-in: DIB row order, the window device context, conversions between device contexts,
// device capabilities, display settings and the modifier keys.
#include <gtest/gtest.h>

#include <cstring>
#include <vector>

#include "platform/ddraw/ddraw_testing.h"
#include "platform/gdi/gdi.h"
#include "platform/kernel/kernel.h"
#include "platform/testing.h"
#include "tests/platform/ddraw/ddraw_test_window.h"

namespace {

using namespace ddraw_test;

class GdiTest : public ::testing::Test {
 protected:
  void SetUp() override {
    pf::SetVirtualClock(true);
    pf::testing::ResetDisplayStandIn();
    window_ = OpenTestWindow(8, 8);
    ASSERT_NE(window_, nullptr);
  }
  void TearDown() override {
    pf::DestroyWindow(window_);
    pf::testing::ClearFaults();
    pf::testing::ResetDisplayStandIn();
  }

  // A 1 x 4 DIB of 32-bit pixels 0x000001 .. 0x000004 in memory order.
  static pf::BitmapInfo FourRowDib(bool topDown) {
    pf::BitmapInfo info{};
    info.header = pf::BitmapInfoHeader{40, 1, topDown ? -4 : 4, 1, 32, pf::BI_RGB, 0, 0, 0, 0, 0};
    return info;
  }

  static std::uint32_t ShownPixel(int x, int y) {
    std::vector<std::uint32_t> frame;
    int width = 0, height = 0;
    pf::testing::LastPresentedFrame(&frame, &width, &height);
    return x < width && y < height ? frame[static_cast<std::size_t>(y) * width + x] : 0xDEADBEEF;
  }

  pf::WindowHandle window_ = nullptr;
};

TEST_F(GdiTest, StretchDIBitsCountsSourceRowsFromTheBottomForBothRowOrders) {
  const std::uint32_t rows[4] = {1, 2, 3, 4};
  pf::DeviceContext dc = pf::GetDC(window_);
  ASSERT_NE(dc, nullptr);
  struct Case {
    bool topDown;
    int sourceY;
    std::uint32_t expected;   // the memory row that lands on the window
  };
  // Source row 0 of a bottom-up DIB is its first memory row (the picture's bottom); a top-down DIB
  // takes the same rule, so row 0 is its last memory row.
  const Case cases[] = {{false, 0, 1}, {false, 3, 4}, {true, 0, 4}, {true, 3, 1}, {true, 1, 3}};
  for (const Case& c : cases) {
    pf::BitmapInfo info = FourRowDib(c.topDown);
    EXPECT_EQ(pf::StretchDIBits(dc, 0, 0, 1, 1, 0, c.sourceY, 1, 1, rows, &info, pf::DIB_RGB_COLORS, pf::SRCCOPY), 1);
    EXPECT_EQ(ShownPixel(0, 0), c.expected) << "top-down " << c.topDown << " row " << c.sourceY;
  }
  // Stretched twice in both directions, nearest neighbour.
  pf::BitmapInfo info = FourRowDib(true);
  ASSERT_EQ(pf::StretchDIBits(dc, 2, 0, 2, 4, 0, 2, 1, 2, rows, &info, pf::DIB_RGB_COLORS, pf::SRCCOPY), 2);
  EXPECT_EQ(ShownPixel(2, 0), 1u);
  EXPECT_EQ(ShownPixel(3, 1), 1u);
  EXPECT_EQ(ShownPixel(2, 2), 2u);
  EXPECT_EQ(pf::StretchDIBits(dc, 0, 0, 1, 1, 0, 0, 1, 1, rows, &info, pf::DIB_RGB_COLORS, 0x00EE0086), 0);
  pf::ReleaseDC(window_, dc);
}

TEST_F(GdiTest, SetDIBitsToDeviceShowsATopDownBitfieldsPicture) {
  std::uint16_t pixels[2 * 2] = {0xF800, 0x07E0, 0x001F, 0xFFFF};
  pf::BitmapInfo info{};
  info.header = pf::BitmapInfoHeader{40, 2, -2, 1, 16, pf::BI_BITFIELDS, 0, 0, 0, 0, 0};
  info.colors[0] = 0xF800;
  info.colors[1] = 0x07E0;
  info.colors[2] = 0x001F;
  pf::DeviceContext dc = pf::GetDC(window_);
  EXPECT_EQ(pf::SetDIBitsToDevice(dc, 0, 0, 2, 2, 0, 0, 0, 2, pixels, &info, pf::DIB_RGB_COLORS), 2);
  EXPECT_EQ(ShownPixel(0, 0), 0xFF0000u);
  EXPECT_EQ(ShownPixel(1, 0), 0x00FF00u);
  EXPECT_EQ(ShownPixel(0, 1), 0x0000FFu);
  EXPECT_EQ(ShownPixel(1, 1), 0xFFFFFFu);
  pf::ReleaseDC(window_, dc);
}

// Unscaled copies, as every software-rendered frame is, clipped by the window on each side and by the
// picture where the source rectangle runs past it; nothing outside the rectangle changes.
TEST_F(GdiTest, UnscaledDIBCopiesAreClippedByTheWindowAndByThePicture) {
  std::uint32_t picture[4 * 4];
  for (int i = 0; i < 16; ++i) picture[i] = 0x010101u * static_cast<std::uint32_t>(i + 1);
  pf::BitmapInfo info{};
  info.header = pf::BitmapInfoHeader{40, 4, -4, 1, 32, pf::BI_RGB, 0, 0, 0, 0, 0};
  const std::uint32_t blank[8 * 8] = {};
  pf::BitmapInfo blankInfo{};
  blankInfo.header = pf::BitmapInfoHeader{40, 8, -8, 1, 32, pf::BI_RGB, 0, 0, 0, 0, 0};
  struct Case {
    int x, y, width, height, sourceX, sourceY;
  };
  const Case cases[] = {{-2, -1, 4, 4, 0, 0}, {6, 5, 4, 4, 0, 0}, {1, 2, 3, 2, 1, 1},
                        {0, 0, 4, 4, 2, 2},   {3, 3, 4, 4, -1, 0}, {0, 0, 8, 8, 0, 0}};
  pf::DeviceContext dc = pf::GetDC(window_);
  for (const Case& c : cases) {
    ASSERT_EQ(pf::SetDIBitsToDevice(dc, 0, 0, 8, 8, 0, 0, 0, 8, blank, &blankInfo, pf::DIB_RGB_COLORS), 8);
    pf::StretchDIBits(dc, c.x, c.y, c.width, c.height, c.sourceX, c.sourceY, c.width, c.height, picture, &info,
                      pf::DIB_RGB_COLORS, pf::SRCCOPY);
    std::vector<std::uint32_t> frame;
    int width = 0, height = 0;
    pf::testing::LastPresentedFrame(&frame, &width, &height);
    ASSERT_GE(width, 8);
    ASSERT_GE(height, 8);
    const int top = 4 - c.sourceY - c.height;   // source rows count from the picture's bottom
    for (int y = 0; y < 8; ++y) {
      for (int x = 0; x < 8; ++x) {
        const int sx = c.sourceX + x - c.x, sy = top + y - c.y;
        const bool inside = x >= c.x && x < c.x + c.width && y >= c.y && y < c.y + c.height;
        const std::uint32_t expected = inside && sx >= 0 && sx < 4 && sy >= 0 && sy < 4 ? picture[sy * 4 + sx] : 0;
        EXPECT_EQ(frame[static_cast<std::size_t>(y) * width + x], expected)
            << "at " << x << "," << y << " copying to " << c.x << "," << c.y << " from " << c.sourceX << ","
            << c.sourceY;
      }
    }
  }
  pf::ReleaseDC(window_, dc);
}

TEST_F(GdiTest, BitBltAndGetDIBitsConvertBetweenFormats) {
  pf::DeviceContext window = pf::GetDC(window_);
  pf::BitmapInfo info = FourRowDib(true);
  const std::uint32_t rows[4] = {0x10FF8040, 0x00123456, 0, 0};
  pf::StretchDIBits(window, 0, 0, 1, 2, 0, 2, 1, 2, rows, &info, pf::DIB_RGB_COLORS, pf::SRCCOPY);
  pf::DeviceContext memory = pf::CreateCompatibleDC(window);
  pf::GdiObject bitmap = pf::CreateCompatibleBitmap(window, 4, 4);
  pf::GdiObject stock = pf::SelectObject(memory, bitmap);
  ASSERT_NE(stock, nullptr);
  EXPECT_FALSE(pf::DeleteObject(bitmap));   // still selected
  EXPECT_TRUE(pf::BitBlt(memory, 0, 0, 4, 4, window, 0, 0, pf::SRCCOPY));
  EXPECT_FALSE(pf::BitBlt(memory, 0, 0, 4, 4, window, 0, 0, 0x00EE0086));

  // Read back as a top-down 5:6:5 DIB.
  pf::BitmapInfo readInfo{};
  readInfo.header = pf::BitmapInfoHeader{40, 4, -4, 1, 16, pf::BI_BITFIELDS, 0, 0, 0, 0, 0};
  readInfo.colors[0] = 0xF800;
  readInfo.colors[1] = 0x07E0;
  readInfo.colors[2] = 0x001F;
  std::uint16_t read[4 * 4] = {};
  EXPECT_EQ(pf::GetDIBits(memory, bitmap, 0, 4, read, &readInfo, pf::DIB_RGB_COLORS), 4);
  EXPECT_EQ(read[0], 0xFC08);    // 0xFF8040: the top byte of the 32-bit pixel is no colour
  EXPECT_EQ(read[4], 0x11AA);    // 0x123456
  pf::testing::FailNextCalls("BitBlt", 1);
  EXPECT_FALSE(pf::BitBlt(memory, 0, 0, 1, 1, window, 0, 0, pf::SRCCOPY));

  // A 5:6:5 DIB section written into the 32-bit window: the pixels come out widened, top byte 0.
  void* bits = nullptr;
  pf::GdiObject section = pf::CreateDIBSection(memory, &readInfo, pf::DIB_RGB_COLORS, &bits, nullptr, 0);
  ASSERT_NE(section, nullptr);
  static_cast<std::uint16_t*>(bits)[1] = 0x8410;   // row 0, column 1
  pf::SelectObject(memory, section);
  EXPECT_TRUE(pf::DeleteObject(bitmap));
  EXPECT_TRUE(pf::BitBlt(window, 6, 6, 4, 4, memory, 0, 0, pf::SRCCOPY));
  EXPECT_EQ(ShownPixel(7, 6), 0x848284u);
  pf::BitmapDescription description{};
  ASSERT_EQ(pf::GetObject(section, sizeof description, &description), static_cast<int>(sizeof description));
  EXPECT_EQ(description.widthBytes, 8);
  EXPECT_EQ(description.bits, bits);
  pf::SelectObject(memory, stock);
  EXPECT_TRUE(pf::DeleteObject(section));
  EXPECT_TRUE(pf::DeleteDC(memory));
  pf::ReleaseDC(window_, window);
}

TEST_F(GdiTest, DeviceCapsAndDisplaySettingsFollowTheDisplayMode) {
  EXPECT_EQ(pf::GetDeviceCaps(nullptr, pf::BITSPIXEL), 32);
  EXPECT_EQ(pf::GetDeviceCaps(nullptr, pf::PLANES), 1);
  EXPECT_EQ(pf::GetDeviceCaps(nullptr, pf::VREFRESH), 60);
  pf::DevMode mode{};
  mode.size = sizeof mode;
  mode.fields = pf::DM_BITSPERPEL | pf::DM_PELSWIDTH | pf::DM_PELSHEIGHT | pf::DM_DISPLAYFREQUENCY;
  mode.bitsPerPel = 16;
  mode.pelsWidth = 640;
  mode.pelsHeight = 480;
  mode.displayFrequency = 85;
  EXPECT_EQ(pf::ChangeDisplaySettings(&mode, pf::CDS_FULLSCREEN), pf::DISP_CHANGE_BADMODE);
  mode.fields &= ~static_cast<std::uint32_t>(pf::DM_DISPLAYFREQUENCY);
  EXPECT_EQ(pf::ChangeDisplaySettings(&mode, 0), pf::DISP_CHANGE_SUCCESSFUL);
  EXPECT_EQ(pf::GetDeviceCaps(nullptr, pf::BITSPIXEL), 16);
  EXPECT_EQ(pf::GetSystemMetrics(pf::SM_CXSCREEN), 640);
  pf::testing::FailNextCalls("ChangeDisplaySettings", 1);
  EXPECT_EQ(pf::ChangeDisplaySettings(&mode, 0), pf::DISP_CHANGE_FAILED);
  EXPECT_EQ(pf::ChangeDisplaySettings(nullptr, 0), pf::DISP_CHANGE_SUCCESSFUL);
  EXPECT_EQ(pf::GetSystemMetrics(pf::SM_CXSCREEN), 1024);
  pf::testing::SetReportedRefreshRate(1);
  EXPECT_EQ(pf::GetDeviceCaps(nullptr, pf::VREFRESH), 1);
}

TEST_F(GdiTest, ShiftStateFollowsTheHostKeys) {
  EXPECT_EQ(pf::GetKeyState(pf::VK_SHIFT) & 0x80, 0);
  pf::testing::InjectKey(229, true);   // right shift
  PumpMessages();
  EXPECT_NE(pf::GetKeyState(pf::VK_SHIFT) & 0x80, 0);
  EXPECT_EQ(pf::GetKeyState(pf::VK_CONTROL), 0);
}

// An unscaled copy between like 32-bit DIB sections, clipped on every side, from top-down and
// bottom-up sources: each pixel lands where the source rectangle puts it, nothing else changes.
TEST_F(GdiTest, BitBltBetweenLikeSectionsClipsOnEverySide) {
  struct Case {
    int x, y, width, height, sourceX, sourceY;
    bool sourceTopDown;
  };
  const Case cases[] = {
      {0, 0, 4, 4, 0, 0, true},  {2, -1, 4, 4, -1, 0, true}, {-2, 1, 5, 5, 1, -2, false},
      {1, 1, 2, 2, 2, 2, false}, {3, 3, 4, 4, 3, 3, true},   {0, 0, 4, 4, 4, 0, true},
  };
  pf::DeviceContext window = pf::GetDC(window_);
  for (const Case& c : cases) {
    pf::BitmapInfo info{};
    info.header = pf::BitmapInfoHeader{40, 4, c.sourceTopDown ? -4 : 4, 1, 32, pf::BI_RGB, 0, 0, 0, 0, 0};
    pf::DeviceContext from = pf::CreateCompatibleDC(window), to = pf::CreateCompatibleDC(window);
    void* sourceBits = nullptr;
    void* targetBits = nullptr;
    pf::GdiObject source = pf::CreateDIBSection(from, &info, pf::DIB_RGB_COLORS, &sourceBits, nullptr, 0);
    info.header.height = -4;
    pf::GdiObject target = pf::CreateDIBSection(to, &info, pf::DIB_RGB_COLORS, &targetBits, nullptr, 0);
    ASSERT_NE(source, nullptr);
    ASSERT_NE(target, nullptr);
    auto* in = static_cast<std::uint32_t*>(sourceBits);
    auto* out = static_cast<std::uint32_t*>(targetBits);
    // Source pixel (x, y) holds 0x100 + y * 16 + x, whichever way its rows are stored.
    for (int y = 0; y < 4; ++y) {
      for (int x = 0; x < 4; ++x) in[(c.sourceTopDown ? y : 3 - y) * 4 + x] = 0x100u + y * 16 + x;
    }
    std::memset(out, 0, 16 * sizeof *out);
    pf::GdiObject oldFrom = pf::SelectObject(from, source), oldTo = pf::SelectObject(to, target);
    pf::BitBlt(to, c.x, c.y, c.width, c.height, from, c.sourceX, c.sourceY, pf::SRCCOPY);
    for (int y = 0; y < 4; ++y) {
      for (int x = 0; x < 4; ++x) {
        const int sx = x - c.x + c.sourceX, sy = y - c.y + c.sourceY;
        const bool inside = x >= c.x && x < c.x + c.width && y >= c.y && y < c.y + c.height && sx >= 0 && sx < 4 &&
                            sy >= 0 && sy < 4;
        EXPECT_EQ(out[y * 4 + x], inside ? 0x100u + sy * 16 + sx : 0u) << c.x << "," << c.y << " at " << x << "," << y;
      }
    }
    pf::SelectObject(from, oldFrom);
    pf::SelectObject(to, oldTo);
    pf::DeleteObject(source);
    pf::DeleteObject(target);
    pf::DeleteDC(from);
    pf::DeleteDC(to);
  }
  pf::ReleaseDC(window_, window);
}

}  // namespace
