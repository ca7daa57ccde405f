// The span loop of the triangle rasterizer: the 16-bit depth test and write, the rhw tests, and
// which texel and blend-picture pixel each destination pixel takes.
#include <gtest/gtest.h>

#include "raster3d_fixture.h"

namespace zelvo {
namespace {

using testing_soft::DrawCover;
using testing_soft::DrawOptions;
using testing_soft::DrawQuad;
using testing_soft::ResetSoft;
using testing_soft::SetBlend;
using testing_soft::TestImage;
using testing_soft::Vtx;

TEST(Raster3DDepth, TestAndWrite) {
  struct Case {
    uint32_t stored;
    int zWrite;
    bool drawn;
    uint32_t storedAfter;
  };
  // z = 0.5 is depth 0x8000.
  const Case cases[] = {
      {0x8000, 1, true, 0x8000}, {0x7FFF, 1, false, 0x7FFF}, {0x9000, 1, true, 0x8000}, {0x9000, 0, true, 0x9000},
  };
  for (const Case& c : cases) {
    ResetSoft();
    TestImage tex(1, 1, kMemImg8888), dst(2, 2, kMemImg8888), zbuf(2, 2, kMemImgDepth16);
    tex.set(0, 0, 0x00ABCDEF);
    zbuf.fill(c.stored);
    DrawOptions o;
    o.tex = tex.get();
    o.zbuf = zbuf.get();
    o.zWrite = c.zWrite;
    DrawCover(dst.get(), o, 0xFFFFFFFF, 0.5f);
    EXPECT_EQ(c.drawn ? 0x00ABCDEFu : 0u, dst.px(1, 1)) << std::hex << c.stored;
    EXPECT_EQ(c.storedAfter, zbuf.px(1, 1)) << std::hex << c.stored;
  }
}

TEST(Raster3DDepth, DepthBeyondTheRangeIsHeldAtItsEnds) {
  // Drawn without the depth clip: z runs from -0.5 at the top to 1.5 at the bottom.
  ResetSoft();
  TestImage dst(8, 8, kMemImg8888), zbuf(8, 8, kMemImgDepth16);
  zbuf.fill(0xFFFF);
  DrawOptions o;
  o.zbuf = zbuf.get();
  o.zWrite = 1;
  const ScreenVertex v[3] = {Vtx(-20, 0, -0.5f), Vtx(30, 0, -0.5f), Vtx(4, 8, 1.5f)};
  testing_soft::Draw(dst.get(), v, o);
  EXPECT_EQ(0u, zbuf.px(4, 0));
  EXPECT_EQ(0xFFFFu, zbuf.px(4, 7));
  EXPECT_EQ(0xFFFFFFFFu, dst.px(4, 7));
}

TEST(Raster3DDepth, WrittenForPixelsWhoseColourIsRejected) {
  struct Case {
    const char* name;
    float u;
    int transparent;
  };
  // Key 0 matches the texel; u = 1.0 at rhw 1 lands one past the last column.
  const Case cases[] = {{"colour key", 0.5f, 1}, {"outside the texture", 1.0f, 0}, {"below u 0", -0.001f, 0}};
  for (const Case& c : cases) {
    ResetSoft();
    TestImage tex(4, 4, kMemImg8888, 0, 0, 0), dst(2, 2, kMemImg8888), zbuf(2, 2, kMemImgDepth16);
    dst.fill(0x11111111);
    zbuf.fill(0xFFFF);
    DrawOptions o;
    o.tex = tex.get();
    o.transparent = c.transparent;
    o.zbuf = zbuf.get();
    o.zWrite = 1;
    const ScreenVertex v[3] = {Vtx(-1, -1, 0.25f, 1, ~0u, c.u, 0.5f), Vtx(9, -1, 0.25f, 1, ~0u, c.u, 0.5f),
                               Vtx(-1, 9, 0.25f, 1, ~0u, c.u, 0.5f)};
    testing_soft::Draw(dst.get(), v, o);
    EXPECT_EQ(0x11111111u, dst.px(0, 0)) << c.name;
    EXPECT_EQ(0x4000u, zbuf.px(0, 0)) << c.name;
  }
}

TEST(Raster3DDepth, RefusedModesWriteNoDepth) {
  for (int mode : {1, 2, 3}) {
    ResetSoft();
    SetBlend(mode, 0);
    TestImage dst(2, 2, kMemImg565), zbuf(2, 2, kMemImgDepth16);
    zbuf.fill(0xFFFF);
    DrawOptions o;
    o.zbuf = zbuf.get();
    o.zWrite = 1;
    DrawCover(dst.get(), o);
    EXPECT_EQ(0xFFFFu, zbuf.px(0, 0)) << mode;
    EXPECT_EQ(0u, dst.px(0, 0)) << mode;
  }
}

TEST(Raster3DDepth, SpansStartingAtRhwZeroAreLeftOut) {
  ResetSoft();
  TestImage dst(8, 2, kMemImg8888);
  // rhw = x / 8 - 1/16 is exactly 0 at the centre of column 0.
  const float r0 = -0.0625f, r1 = 1.9375f;
  const ScreenVertex a = Vtx(0, 0, 0.5f, r0), b = Vtx(16, 0, 0.5f, r1), c = Vtx(0, 2, 0.5f, r0), d = Vtx(16, 2, 0.5f, r1);
  const ScreenVertex t1[3] = {a, b, c}, t2[3] = {b, d, c};
  testing_soft::Draw(dst.get(), t1, {});
  testing_soft::Draw(dst.get(), t2, {});
  for (int x = 0; x < 8; ++x) EXPECT_EQ(0u, dst.px(x, 0)) << x;
}

TEST(Raster3DDepth, RhwReachingZeroInsideASpanSkipsThatPixel) {
  ResetSoft();
  TestImage dst(16, 2, kMemImg8888);
  // rhw = 1 - (x - 0.5) / 8: 1 at the centre of column 0, 0 at the centre of column 8.
  const float r0 = 1.0625f, r1 = -0.9375f;
  const ScreenVertex a = Vtx(0, 0, 0.5f, r0), b = Vtx(16, 0, 0.5f, r1), c = Vtx(0, 2, 0.5f, r0), d = Vtx(16, 2, 0.5f, r1);
  const ScreenVertex t1[3] = {a, b, c}, t2[3] = {b, d, c};
  testing_soft::Draw(dst.get(), t1, {});
  testing_soft::Draw(dst.get(), t2, {});
  EXPECT_EQ(0xFFFFFFFFu, dst.px(0, 0));
  EXPECT_EQ(0u, dst.px(8, 0));
}

TEST(Raster3DDepth, TexelsMapOneToOne) {
  ResetSoft();
  TestImage tex(8, 8, kMemImg8888), dst(8, 8, kMemImg8888);
  for (int y = 0; y < 8; ++y)
    for (int x = 0; x < 8; ++x) tex.set(x, y, static_cast<uint32_t>(x | y << 8 | 0x5A0000));
  DrawOptions o;
  o.tex = tex.get();
  DrawQuad(dst.get(), 0, 0, 8, 8, o);
  for (int y = 0; y < 8; ++y)
    for (int x = 0; x < 8; ++x) EXPECT_EQ(tex.px(x, y), dst.px(x, y)) << x << "," << y;
}

TEST(Raster3DDepth, TexelsArePerspectiveCorrect) {
  ResetSoft();
  TestImage tex(16, 1, kMemImg8888), dst(16, 2, kMemImg8888);
  for (int x = 0; x < 16; ++x) tex.set(x, 0, static_cast<uint32_t>(x + 0x100));
  // w is 1 on the left and 4 on the right.
  const ScreenVertex a = Vtx(0, 0, 0.5f, 1, ~0u, 0, 0), b = Vtx(16, 0, 0.5f, 0.25f, ~0u, 1, 0),
                     c = Vtx(0, 2, 0.5f, 1, ~0u, 0, 1), d = Vtx(16, 2, 0.5f, 0.25f, ~0u, 1, 1);
  const ScreenVertex t1[3] = {a, b, c}, t2[3] = {b, d, c};
  DrawOptions o;
  o.tex = tex.get();
  testing_soft::Draw(dst.get(), t1, o);
  testing_soft::Draw(dst.get(), t2, o);
  // recip = 8w truncated, so a texel can fall short of u x 16 by the part of w cut off.
  int previous = 0;
  for (int x = 0; x < 16; ++x) {
    const double t = (x + 0.5) / 16, rhw = 1 - 0.75 * t, u = 0.25 * t / rhw * 16;
    const int texel = static_cast<int>(dst.px(x, 0)) - 0x100;
    EXPECT_LE(texel, static_cast<int>(u)) << x;
    EXPECT_GE(texel, static_cast<int>(u * (1 - rhw / 8)) - 1) << x;
    EXPECT_GE(texel, previous) << x;
    previous = texel;
  }
  EXPECT_EQ(0x102u, dst.px(7, 1));  // the affine mapping would take texel 7
}

TEST(Raster3DDepth, BlendPictureIsReadAtTexelCoordinates) {
  ResetSoft();
  TestImage tex(2, 1, kMemImg8888), graph(2, 1, kMemImgSingle8), dst(8, 2, kMemImg8888);
  tex.fill(0x00FFFFFF);
  graph.set(0, 0, 1);
  graph.set(1, 0, 2);
  g_softBlend.blendGraphTable[1] = 0;
  g_softBlend.blendGraphTable[2] = 255;
  DrawOptions o;
  o.tex = tex.get();
  o.graph = graph.get();
  DrawQuad(dst.get(), 0, 0, 8, 2, o);
  for (int x = 0; x < 8; ++x) EXPECT_EQ(x < 4 ? 0u : 0x00FEFEFEu, dst.px(x, 1)) << x;
}

}  // namespace
}  // namespace zelvo
