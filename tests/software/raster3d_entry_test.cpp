// RasterizeTriangle3D's entry: which flag values count, the temporary white texture, the refusals,
// and input that must draw nothing or stay inside the destination.
#include <gtest/gtest.h>

#include <cstring>
#include <limits>
#include <random>

#include "media/core/log.h"
#include "guard_frame.h"
#include "raster3d_fixture.h"

namespace zelvo {
namespace {

using testing_soft::DrawCover;
using testing_soft::DrawOptions;
using testing_soft::GuardFrame;
using testing_soft::ResetSoft;
using testing_soft::SetBlend;
using testing_soft::TestImage;
using testing_soft::Vtx;

TEST(Raster3DEntry, AnyNonZeroModulateModulates) {
  for (int modulate : {1, 2, -1}) {
    ResetSoft();
    TestImage dst(2, 2, kMemImg8888);
    DrawOptions o;
    o.modulate = modulate;
    DrawCover(dst.get(), o, 0xFF408020);
    EXPECT_EQ(0x003F7F1Fu, dst.px(1, 1)) << modulate;
  }
}

TEST(Raster3DEntry, OnlyDepthClipOneCuts) {
  // One vertex beyond the far plane: cut pieces are drawn with vertex colour (black here), a
  // triangle drawn whole keeps the white of the texture.
  for (int depthClip : {1, 2, -1, 0}) {
    ResetSoft();
    TestImage dst(16, 16, kMemImg8888);
    const ScreenVertex v[3] = {Vtx(0, 0, 0.5f, 1, 0xFF000000), Vtx(16, 0, 0.5f, 1, 0xFF000000),
                               Vtx(0, 16, 1.5f, 1, 0xFF000000)};
    DrawOptions o;
    o.depthClip = depthClip;
    dst.fill(0x12345678);
    testing_soft::Draw(dst.get(), v, o);
    EXPECT_EQ(depthClip == 1 ? 0x12000000u : 0xFFFFFFFFu, dst.px(8, 1)) << depthClip;
  }
}

TEST(Raster3DEntry, TemporaryTextureIsTintedWhite) {
  struct Case {
    int type;
    uint32_t tint, expected;
  };
  // Painted with the tint once, then tinted again by the loop.
  const Case cases[] = {{kMemImg8888, kTintOff, 0xFFFFFFFF}, {kMemImg8888, 0x808080, 0x223F3F3F},
                        {kMemImg565, kTintOff, 0xFFFF}, {kMemImg565, 0x808080, 0x39E7}};
  for (const Case& c : cases) {
    ResetSoft();
    g_softBlend.drawTint = c.tint;
    TestImage dst(2, 2, c.type);
    dst.fill(c.type == kMemImg8888 ? 0x22000000 : 0);
    const int before = TrackedAllocatorTotals().liveCount;
    DrawCover(dst.get(), DrawOptions{});
    EXPECT_EQ(c.expected, dst.px(1, 1)) << std::hex << c.tint;
    EXPECT_EQ(before, TrackedAllocatorTotals().liveCount);
  }
}

TEST(Raster3DEntry, Refusals) {
  struct Case {
    const char* name;
    int dstType, dstPalette, dstAlpha, texType, zbufWidth, zbufHeight, zbufType;
  };
  const Case cases[] = {
      {"32-bit texture on 16-bit picture", kMemImg565, 0, 0, kMemImg8888, 0, 0, 0},
      {"16-bit texture on 32-bit picture", kMemImg8888, 0, 0, kMemImg565, 0, 0, 0},
      {"palette destination", kMemImg8888, 1, 0, -1, 0, 0, 0},
      {"alpha destination", kMemImg8888, 0, 1, -1, 0, 0, 0},
      {"8-bit pictures", kMemImgSingle8, 0, 0, kMemImgSingle8, 0, 0, 0},
      {"depth pictures", kMemImgDepth16, 0, 0, kMemImgDepth16, 0, 0, 0},
      {"depth buffer one wider", kMemImg8888, 0, 0, kMemImg8888, 5, 4, kMemImgDepth16},
      {"depth buffer one taller", kMemImg8888, 0, 0, kMemImg8888, 4, 5, kMemImgDepth16},
      {"depth buffer too narrow for 16-bit entries", kMemImg8888, 0, 0, kMemImg8888, 4, 4, kMemImgSingle8},
  };
  for (const Case& c : cases) {
    ResetSoft();
    TestImage dst(4, 4, c.dstType, c.dstPalette, c.dstAlpha);
    dst.fill(0x5A);
    TestImage tex(1, 1, c.texType < 0 ? kMemImg8888 : c.texType), zbuf(c.zbufWidth, c.zbufHeight, c.zbufType);
    tex.fill(0xFF);
    zbuf.fill(0xFF);
    DrawOptions o;
    o.tex = c.texType < 0 ? nullptr : tex.get();
    o.zbuf = c.zbufWidth ? zbuf.get() : nullptr;
    o.zWrite = 1;
    const int before = TrackedAllocatorTotals().liveCount;
    DrawCover(dst.get(), o, 0xFFFFFFFF, 0.0f);
    EXPECT_EQ(0x5Au, dst.px(0, 0)) << c.name;
    if (c.zbufWidth) {
      EXPECT_EQ(0xFFu, zbuf.px(0, 0)) << c.name;
    }
    EXPECT_EQ(before, TrackedAllocatorTotals().liveCount) << c.name;
  }
}

TEST(Raster3DEntry, DepthBufferOfAnyColourTypeIsUsed) {
  ResetSoft();
  TestImage dst(4, 4, kMemImg8888), zbuf(4, 4, kMemImg565);
  zbuf.fill(0xFFFF);
  DrawOptions o;
  o.zbuf = zbuf.get();
  o.zWrite = 1;
  DrawCover(dst.get(), o, 0xFFFFFFFF, 0.25f);
  EXPECT_EQ(0x4000u, zbuf.px(2, 2));
  EXPECT_EQ(0xFFFFFFFFu, dst.px(2, 2));
}

TEST(Raster3DEntry, BadCoordinatesDrawNothing) {
  const float nan = std::numeric_limits<float>::quiet_NaN(), inf = std::numeric_limits<float>::infinity();
  struct Case {
    const char* name;
    ScreenVertex v[3];
    int depthClip;
  };
  const Case cases[] = {
      {"NaN x", {Vtx(nan, 0), Vtx(8, 0), Vtx(0, 8)}, 0},
      {"NaN y", {Vtx(0, 0), Vtx(8, nan), Vtx(0, 8)}, 0},
      {"infinite y", {Vtx(0, 0), Vtx(8, 0), Vtx(0, inf)}, 0},
      {"NaN z", {Vtx(0, 0, nan), Vtx(8, 0), Vtx(0, 8)}, 1},
      {"NaN rhw", {Vtx(0, 0, 0.5f, nan), Vtx(8, 0), Vtx(0, 8)}, 0},
      {"huge x", {Vtx(-1e30f, 0), Vtx(8, 0), Vtx(0, 8)}, 0},
      {"beyond the 14.18 range", {Vtx(0, 0), Vtx(9000, 0), Vtx(0, 8)}, 0},
      {"off screen", {Vtx(-100, -100), Vtx(-50, -100), Vtx(-100, -50)}, 0},
      {"rhw 0 with depth clip", {Vtx(0, 0, -0.5f, 0), Vtx(8, 0), Vtx(0, 8)}, 1},
      {"negative rhw with depth clip", {Vtx(0, 0, -0.5f, -1), Vtx(8, 0), Vtx(0, 8)}, 1},
      {"tiny rhw with depth clip", {Vtx(0, 0, -0.5f, 1e-39f), Vtx(8, 0), Vtx(0, 8)}, 1},
  };
  for (const Case& c : cases) {
    ResetSoft();
    TestImage dst(8, 8, kMemImg565);
    DrawOptions o;
    o.depthClip = c.depthClip;
    testing_soft::Draw(dst.get(), c.v, o);
    for (int y = 0; y < 8; ++y)
      for (int x = 0; x < 8; ++x) ASSERT_EQ(0u, dst.px(x, y)) << c.name;
  }
}

TEST(Raster3DEntry, DrawsOnlyInsideRegionAndDestination) {
  ResetSoft();
  TestImage dst(8, 8, kMemImg8888), zbuf(8, 8, kMemImgDepth16);
  g_softBlend.drawRegion = {-100, -100, 1000, 1000};
  DrawOptions o;
  o.zbuf = zbuf.get();
  o.zWrite = 1;
  const ScreenVertex v[3] = {Vtx(-8000, -100, 0), Vtx(8000, -100, 0), Vtx(0, 8000, 0)};
  testing_soft::Draw(dst.get(), v, o);
  EXPECT_EQ(0xFFFFFFFFu, dst.px(7, 7));
  EXPECT_EQ(0xFFFFFFFFu, dst.px(0, 0));

  TestImage small(8, 8, kMemImg8888);
  g_softBlend.drawRegion = {2, 3, 5, 6};
  DrawCover(small.get(), DrawOptions{});
  for (int y = 0; y < 8; ++y) {
    for (int x = 0; x < 8; ++x) {
      const bool inside = x >= 2 && x < 5 && y >= 3 && y < 6;
      EXPECT_EQ(inside ? 0xFFFFFFFFu : 0u, small.px(x, y)) << x << "," << y;
    }
  }
}

TEST(Raster3DEntry, BlendPictureSmallerThanTheTextureDrawsNothing) {
  ResetSoft();
  TestImage tex(4, 4, kMemImg8888), graph(4, 3, kMemImgSingle8), dst(4, 4, kMemImg8888);
  tex.fill(0xFFFFFFFF);
  DrawOptions o;
  o.tex = tex.get();
  o.graph = graph.get();
  g_softBlend.blendGraphTable[0] = 255;
  DrawCover(dst.get(), o);
  EXPECT_EQ(0u, dst.px(1, 1));
}

TEST(Raster3DEntry, TemporaryTextureFollowsTheBlendMode) {
  // The white texture is painted under the current mode; add keeps it white.
  ResetSoft();
  SetBlend(2, 255);
  TestImage dst(2, 2, kMemImg8888);
  DrawCover(dst.get(), DrawOptions{});
  EXPECT_EQ(0x00FFFFFFu, dst.px(1, 1));
}

// Any vertex bits and any call options: the exact-pitch images make a stray write fail under the
// address sanitizer, and the depth clip must end.
TEST(Raster3DEntry, ArbitraryInputStaysInsideItsImages) {
  std::mt19937 rng(99);
  auto anyFloat = [&rng]() {
    switch (rng() % 4) {
      case 0: {
        const uint32_t bits = rng();
        float f;
        std::memcpy(&f, &bits, 4);
        return f;
      }
      case 1: return static_cast<float>(static_cast<int>(rng() % 20001) - 10000);
      case 2: return static_cast<float>(rng() % 4000) / 1000.0f - 1.5f;
      default: return static_cast<float>(rng() % 40) - 10.0f;
    }
  };
  for (int i = 0; i < 4000; ++i) {
    ResetSoft();
    const int type = rng() % 2 ? kMemImg8888 : kMemImg565;
    SetBlend(static_cast<int>(rng() % 7) - 1, static_cast<int>(rng() % 256));
    g_softBlend.drawTint = rng() % 2 ? kTintOff : rng();
    g_softBlend.drawRegion = {static_cast<int>(rng() % 9) - 4, static_cast<int>(rng() % 9) - 4,
                              static_cast<int>(rng() % 40), static_cast<int>(rng() % 40)};
    const int texW = 1 + static_cast<int>(rng() % 9), texH = 1 + static_cast<int>(rng() % 9);
    TestImage dstFrame(13 + 8, 11 + 8, type), zbufFrame(13 + 8, 11 + 8, kMemImgDepth16);
    GuardFrame dst(dstFrame.get(), 4), zbuf(zbufFrame.get(), 4);
    TestImage graph(texW, texH, kMemImgSingle8);
    TestImage tex(texW, texH, type, static_cast<int>(rng() % 3 == 0), static_cast<int>(rng() % 2), rng() % 4);
    for (int y = 0; y < texH; ++y)
      for (int x = 0; x < texW; ++x) {
        tex.set(x, y, rng() % 5);
        graph.set(x, y, rng());
      }
    DrawOptions o;
    o.zbuf = rng() % 2 ? zbuf.get() : nullptr;
    o.tex = rng() % 3 ? tex.get() : nullptr;
    o.trans = static_cast<int>(rng() % 2);
    o.graph = rng() % 4 == 0 ? graph.get() : nullptr;
    o.zWrite = static_cast<int>(rng() % 2);
    o.clipZWrite = static_cast<int>(rng() % 2);
    o.modulate = static_cast<int>(rng() % 2);
    o.depthClip = static_cast<int>(rng() % 3);
    ScreenVertex v[3];
    for (ScreenVertex& p : v) p = Vtx(anyFloat(), anyFloat(), anyFloat(), anyFloat(), rng(), anyFloat(), anyFloat());
    testing_soft::Draw(dst.get(), v, o);
    ASSERT_EQ(dst.DamagedBytes(), 0) << "draw " << i;
    ASSERT_EQ(zbuf.DamagedBytes(), 0) << "draw " << i;
  }
}

}  // namespace
}  // namespace zelvo
