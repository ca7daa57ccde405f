// Copies between DirectDraw surfaces: GDI BitBlt and BltFast give the same pixels, the measured
// choice picks between them, and a failed step of either reports -1.
#include "tests/display/screen_fixture.h"

#include <cstdint>
#include <cstring>

#include "media/display/surface_copy.h"

namespace {

using namespace screen_test;
using namespace zelvo;

using SurfaceCopyTest = ScreenTest;

// Each pixel of the back surface's top-left 8 x 8 holds its own position.
void PaintBack() {
  pf::SurfaceDesc desc{};
  desc.size = sizeof desc;
  const pf::Rect area{0, 0, 8, 8};
  ASSERT_EQ(g_screen.backSurface->Lock(&area, &desc, pf::DDLOCK_WAIT, nullptr), pf::DD_OK);
  for (int y = 0; y < 8; ++y) {
    for (int x = 0; x < 8; ++x) {
      const std::uint32_t value = static_cast<std::uint32_t>(x * 16) << 16 | static_cast<std::uint32_t>(y * 16) << 8;
      std::memcpy(static_cast<std::uint8_t*>(desc.surface) + y * desc.pitch + x * 4, &value, 4);
    }
  }
  g_screen.backSurface->Unlock(&area);
}

TEST_F(SurfaceCopyTest, BothMethodsCopyTheRectangleToItsPlace) {
  ASSERT_EQ(StartDirectDrawScreen(), 0);
  ASSERT_EQ(g_screen.colorDepth, 32);
  PaintBack();
  const IntRect rect{2, 3, 6, 7};
  for (int method : {kSurfaceCopyBltFast, kSurfaceCopyGdi}) {
    SCOPED_TRACE(method);
    ASSERT_EQ(BlitSurfaceToSurface(g_screen.workSurface1, g_screen.backSurface, 10 * (method + 1), 1, &rect, method),
              0);
    const int x0 = 10 * (method + 1);
    EXPECT_EQ(pf::testing::SurfacePixel(g_screen.workSurface1, x0, 1), 0x203000u);
    EXPECT_EQ(pf::testing::SurfacePixel(g_screen.workSurface1, x0 + 3, 4), 0x506000u);
  }
}

TEST_F(SurfaceCopyTest, TheMeasuredChoiceDecidesAndFailuresAreReported) {
  ASSERT_EQ(StartDirectDrawScreen(), 0);
  const IntRect rect{0, 0, 4, 4};
  pf::DirectDrawSurface7* work = g_screen.workSurface1;
  pf::DirectDrawSurface7* back = g_screen.backSurface;
  const struct {
    int useGdi;
    int method;
    const char* failing;
    int result;
  } cases[] = {
      {0, kSurfaceCopyMeasured, "BitBlt", 0},     // measured BltFast: GDI is not asked
      {1, kSurfaceCopyMeasured, "BitBlt", -1},
      {1, kSurfaceCopyMeasured, "BltFast", 0},
      {0, kSurfaceCopyBltFast, "BltFast", -1},
      {0, kSurfaceCopyGdi, "GetDC", -1},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.failing);
    g_screen.useGdiBlit = c.useGdi;
    pf::testing::FailNextCalls(c.failing, 1);
    EXPECT_EQ(BlitSurfaceToSurface(work, back, 0, 0, &rect, c.method), c.result);
    pf::testing::ClearFaults();
  }
  EXPECT_EQ(BlitSurfaceToSurface(work, nullptr, 0, 0, &rect, kSurfaceCopyGdi), -1);
}

}  // namespace
