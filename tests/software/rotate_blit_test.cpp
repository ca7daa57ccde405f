// The rotated blitter's sampler: placement at angle 0, the quarter turn, scaling, the half turn of a
// negative scale, mirroring through the quad splitter, clipping and refusals.
#include "media/software/rotate_blit.h"

#include <gtest/gtest.h>

#include <numbers>

#include "tests/software/triangle_map_fixture.h"

namespace zelvo {
namespace {

using testing::MapImage;

constexpr uint32_t kBack = 0xAA000000u;
constexpr float kQuarter = static_cast<float>(std::numbers::pi / 2);

class RotateBlitTest : public ::testing::Test {
 protected:
  void SetUp() override { testing::ResetSoftState(64, 64); }
};

// Source pixel (x, y) holds x | y << 8 | 0x33 << 16: every drawn pixel names its source pixel.
uint32_t Code(int x, int y) { return static_cast<uint32_t>(x | y << 8 | 0x33 << 16); }
void CoordinateSource(MapImage& s) {
  for (int y = 0; y < s.image.height; ++y) {
    for (int x = 0; x < s.image.width; ++x) s.Set(x, y, Code(x, y));
  }
}

struct Box {
  int left = 1 << 20, top = 1 << 20, right = -1, bottom = -1, count = 0;
};
Box DrawnBox(MapImage& d) {
  Box b;
  for (int y = 0; y < d.image.height; ++y) {
    for (int x = 0; x < d.image.width; ++x) {
      if (d.Get(x, y) == kBack) continue;
      b.left = std::min(b.left, x);
      b.top = std::min(b.top, y);
      b.right = std::max(b.right, x + 1);
      b.bottom = std::max(b.bottom, y + 1);
      ++b.count;
    }
  }
  return b;
}

struct Placement {
  int width, height, cx, cy;
};

TEST_F(RotateBlitTest, AngleZeroPlacesEverySourcePixelOnce) {
  for (const Placement p : {Placement{5, 3, 20, 20}, Placement{4, 4, 10, 30}, Placement{1, 1, 7, 7}, Placement{6, 7, 0, 0}}) {
    MapImage s(p.width, p.height, kMemImg8888), d(64, 64, kMemImg8888);
    CoordinateSource(s);
    d.Fill(kBack);
    RotateBlitMemImg(d.get(), s.get(), p.cx, p.cy, 0.0f, 1.0f, 0, 0, nullptr);
    int drawn = 0;
    for (int j = 0; j < p.height; ++j) {
      for (int i = 0; i < p.width; ++i) {
        const int x = p.cx - (p.width >> 1) + i, y = p.cy - (p.height >> 1) + j;
        if (x < 0 || y < 0) continue;
        EXPECT_EQ(d.Get(x, y), Code(i, j)) << p.width << "x" << p.height << " " << i << "," << j;
        ++drawn;
      }
    }
    EXPECT_EQ(DrawnBox(d).count, drawn);
  }
}

TEST_F(RotateBlitTest, QuarterTurnIsExactAndClockwise) {
  MapImage s(5, 3, kMemImg565), d(64, 64, kMemImg565);
  for (int y = 0; y < 3; ++y) {
    for (int x = 0; x < 5; ++x) s.Set(x, y, static_cast<uint32_t>(x | y << 8 | 0x8000));
  }
  d.Fill(kBack & 0xFFFF);
  RotateBlitMemImg(d.get(), s.get(), 30, 30, kQuarter, 1.0f, 0, 0, nullptr);
  int count = 0, left = 64, top = 64;
  for (int y = 0; y < 64; ++y) {
    for (int x = 0; x < 64; ++x) {
      if (d.Get(x, y) == (kBack & 0xFFFF)) continue;
      ++count;
      left = std::min(left, x);
      top = std::min(top, y);
    }
  }
  ASSERT_EQ(count, 15);
  // Three columns by five rows; the source's top row is the rightmost column, read downwards.
  for (int j = 0; j < 3; ++j) {
    for (int i = 0; i < 5; ++i) EXPECT_EQ(d.Get(left + 2 - j, top + i), static_cast<uint32_t>(i | j << 8 | 0x8000)) << i << "," << j;
  }
}

TEST_F(RotateBlitTest, ScaleTwoMakesBlocksAndHalfTakesEveryOtherPixel) {
  MapImage s(4, 4, kMemImg8888), d(64, 64, kMemImg8888);
  CoordinateSource(s);
  d.Fill(kBack);
  RotateBlitMemImg(d.get(), s.get(), 20, 20, 0.0f, 2.0f, 0, 0, nullptr);
  Box b = DrawnBox(d);
  ASSERT_EQ(b.count, 64);
  for (int y = 0; y < 8; ++y) {
    for (int x = 0; x < 8; ++x) EXPECT_EQ(d.Get(b.left + x, b.top + y), Code(x / 2, y / 2));
  }
  MapImage d2(64, 64, kMemImg8888);
  d2.Fill(kBack);
  RotateBlitMemImg(d2.get(), s.get(), 20, 20, 0.0f, 0.5f, 0, 0, nullptr);
  b = DrawnBox(d2);
  ASSERT_EQ(b.count, 4);
  for (int y = 0; y < 2; ++y) {
    for (int x = 0; x < 2; ++x) EXPECT_EQ(d2.Get(b.left + x, b.top + y), Code(x * 2, y * 2));
  }
}

TEST_F(RotateBlitTest, NegativeScaleTurnsAHalfTurnMoreOnBothPaths) {
  for (int mirror = 0; mirror < 2; ++mirror) {
    MapImage s(5, 4, kMemImg8888), d(64, 64, kMemImg8888);
    CoordinateSource(s);
    d.Fill(kBack);
    RotateBlitMemImg(d.get(), s.get(), 20, 20, 0.0f, -1.0f, 0, mirror, nullptr);
    const Box b = DrawnBox(d);
    // The mirror path's quad meets the source's bottom edge on its top row, which lies outside the
    // source, and its last source row on the bottom vertex's row, which a triangle never draws.
    ASSERT_EQ(b.count, mirror ? 15 : 20) << mirror;
    for (int y = 0; y < (mirror ? 3 : 4); ++y) {
      for (int x = 0; x < 5; ++x) {
        const int sx = mirror ? x : 4 - x;
        EXPECT_EQ(d.Get(b.left + x, b.top + y), Code(sx, 3 - y)) << mirror << " " << x << "," << y;
      }
    }
  }
}

TEST_F(RotateBlitTest, ScaleZeroDrawsNothing) {
  MapImage s(4, 4, kMemImg8888), d(64, 64, kMemImg8888);
  CoordinateSource(s);
  d.Fill(kBack);
  RotateBlitMemImg(d.get(), s.get(), 20, 20, 0.3f, 0.0f, 0, 0, nullptr);
  RotateBlitMemImg(d.get(), s.get(), 20, 20, 0.3f, 0.0f, 0, 1, nullptr);
  EXPECT_EQ(DrawnBox(d).count, 0);
}

TEST_F(RotateBlitTest, MirrorAtAngleZeroFlipsLeftRight) {
  MapImage s(6, 3, kMemImg8888), d(64, 64, kMemImg8888);
  CoordinateSource(s);
  d.Fill(kBack);
  RotateBlitMemImg(d.get(), s.get(), 20, 20, 0.0f, 1.0f, 0, 1, nullptr);
  const Box b = DrawnBox(d);
  ASSERT_EQ(b.count, 18);
  for (int y = 0; y < 3; ++y) {
    for (int x = 0; x < 6; ++x) EXPECT_EQ(d.Get(b.left + x, b.top + y), Code(5 - x, y));
  }
}

TEST_F(RotateBlitTest, MirrorWithABlendingModeBlendsTheDiagonalTwice) {
  MapImage s(8, 8, kMemImg8888), d(64, 64, kMemImg8888);
  s.Fill(0x00010101);
  d.Fill(0);
  g_softBlend.blendMode = kBlendAdd;
  RotateBlitMemImg(d.get(), s.get(), 20, 20, 0.0f, 1.0f, 0, 1, nullptr);
  int twice = 0;
  for (int y = 0; y < 64; ++y) {
    for (int x = 0; x < 64; ++x) twice += (d.Get(x, y) & 0xFF) == 2;
  }
  EXPECT_GT(twice, 0);
}

TEST_F(RotateBlitTest, TurnedPictureIsClippedToTheDrawRegion) {
  MapImage s(16, 12, kMemImg8888), whole(64, 64, kMemImg8888), clipped(64, 64, kMemImg8888);
  CoordinateSource(s);
  whole.Fill(kBack);
  clipped.Fill(kBack);
  RotateBlitMemImg(whole.get(), s.get(), 20, 22, 0.7f, 1.3f, 0, 0, nullptr);
  g_softBlend.drawRegion = {15, 18, 26, 30};
  RotateBlitMemImg(clipped.get(), s.get(), 20, 22, 0.7f, 1.3f, 0, 0, nullptr);
  for (int y = 0; y < 64; ++y) {
    for (int x = 0; x < 64; ++x) {
      const bool in = x >= 15 && x < 26 && y >= 18 && y < 30;
      EXPECT_EQ(clipped.Get(x, y), in ? whole.Get(x, y) : kBack) << x << "," << y;
    }
  }
  g_softBlend.drawRegion = {40, 40, 64, 64};
  RotateBlitMemImg(clipped.get(), s.get(), 5, 5, 0.7f, 1.0f, 0, 0, nullptr);
  RotateBlitMemImg(clipped.get(), s.get(), 5, 5, 0.7f, 1.0f, 0, 1, nullptr);
  for (int y = 40; y < 64; ++y) {
    for (int x = 40; x < 64; ++x) EXPECT_EQ(clipped.Get(x, y), kBack);
  }
}

TEST_F(RotateBlitTest, BlendPictureIsSampledAtTheSourcePixel) {
  MapImage s(4, 2, kMemImg8888), d(64, 64, kMemImg8888), graph(4, 2, kMemImgSingle8);
  s.Fill(0x00FFFFFF);
  d.Fill(0);
  for (int m = 0; m < 256; ++m) g_softBlend.blendGraphTable[m] = static_cast<uint8_t>(m);
  for (int y = 0; y < 2; ++y) {
    for (int x = 0; x < 4; ++x) graph.Set(x, y, static_cast<uint32_t>(16 + x * 32 + y * 128));
  }
  RotateBlitMemImg(d.get(), s.get(), 20, 20, kQuarter, 1.0f, 0, 0, graph.get());
  int left = 64, top = 64;
  for (int y = 0; y < 64; ++y) {
    for (int x = 0; x < 64; ++x) {
      if (d.Get(x, y) != 0) left = std::min(left, x), top = std::min(top, y);
    }
  }
  for (int j = 0; j < 2; ++j) {
    for (int i = 0; i < 4; ++i) {
      const uint32_t g = static_cast<uint32_t>(16 + i * 32 + j * 128), c = (255 * g) >> 8;
      EXPECT_EQ(d.Get(left + 1 - j, top + i), c | c << 8 | c << 16) << i << "," << j;
    }
  }
}

TEST_F(RotateBlitTest, RefusalsLeaveTheDestination) {
  MapImage s(4, 4, kMemImg8888), d(64, 64, kMemImg8888), s8(4, 4, kMemImgSingle8), d8(64, 64, kMemImgSingle8);
  CoordinateSource(s);
  d.Fill(kBack);
  for (int mirror = 0; mirror < 2; ++mirror) {
    g_softBlend.blendMode = 5;
    RotateBlitMemImg(d.get(), s.get(), 20, 20, 0.2f, 1.0f, 0, mirror, nullptr);
    g_softBlend.blendMode = kBlendNone;
    d.image.paletteFlag = 1;
    RotateBlitMemImg(d.get(), s.get(), 20, 20, 0.2f, 1.0f, 0, mirror, nullptr);
    d.image.paletteFlag = 0;
    d.image.alphaFlag = 1;
    RotateBlitMemImg(d.get(), s.get(), 20, 20, 0.2f, 1.0f, 0, mirror, nullptr);
    d.image.alphaFlag = 0;
    d8.Fill(9);
    RotateBlitMemImg(d8.get(), s8.get(), 20, 20, 0.2f, 1.0f, 0, mirror, nullptr);
    EXPECT_EQ(d8.CountNot(9), 0);
  }
  EXPECT_EQ(DrawnBox(d).count, 0);
}

}  // namespace
}  // namespace zelvo
