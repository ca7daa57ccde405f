// The device's rasterizer, pixel by pixel on small targets: coverage (fill rule, lines, points,
// culling, scissor), texel selection, shading, texture stages, blending, alpha test, colour key,
// depth and target layouts, and the specialised spans against the general path.
#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <random>

#include "platform/d3d/raster_pixel.h"
#include "tests/platform/d3d/d3d_test_device.h"

namespace {

using namespace d3d_test;
using Rows = std::vector<std::string>;

std::uint32_t Product(std::uint32_t a, std::uint32_t b) { return a * b / 255; }

class RasterTest : public DeviceTest {};

TEST_F(RasterTest, ProductIsTheFlooredQuotientForEveryPair) {
  for (std::uint32_t a = 0; a < 256; ++a) {
    for (std::uint32_t b = 0; b < 256; ++b) ASSERT_EQ(pf::d3d::Mul255(a, b), Product(a, b)) << a << " " << b;
  }
}

TEST_F(RasterTest, TrianglesCoverPixelCentresByTheTopLeftRule) {
  OpenDevice(6, 6);
  // Edges through pixel centres: the left and top ones keep them, the right and bottom ones do not.
  DrawColoured(pf::D3DPT_TRIANGLESTRIP, {{1, 1, 0, 1, 0xFFFFFFFF}, {4, 1, 0, 1, 0xFFFFFFFF},
                                         {1, 4, 0, 1, 0xFFFFFFFF}, {4, 4, 0, 1, 0xFFFFFFFF}});
  EXPECT_EQ(Coverage(), (Rows{"......", ".###..", ".###..", ".###..", "......", "......"}));
}

TEST_F(RasterTest, HalfPixelPlacementCoversEachPixelOnce) {
  OpenDevice(5, 4);
  DrawColoured(pf::D3DPT_TRIANGLELIST, {{-0.5f, -0.5f, 0, 1, 0xFFFFFFFF}, {3.5f, -0.5f, 0, 1, 0xFFFFFFFF},
                                        {-0.5f, 2.5f, 0, 1, 0xFFFFFFFF}});
  EXPECT_EQ(Coverage(), (Rows{"###..", "##...", "#....", "....."}));
}

TEST_F(RasterTest, SharedEdgesBlendOnce) {
  OpenDevice(8, 8);
  Blend(pf::D3DBLEND_SRCALPHA, pf::D3DBLEND_INVSRCALPHA);
  const std::uint32_t half = 0x80FFFFFF;
  // A quad's diagonal, and a fan of eight triangles meeting at a pixel centre.
  DrawColoured(pf::D3DPT_TRIANGLESTRIP, {{0, 0, 0, 1, half}, {3, 0, 0, 1, half}, {0, 8, 0, 1, half}, {3, 8, 0, 1, half}});
  std::vector<ColouredVertex> fan{{5, 4, 0, 1, half}};
  const float ring[9][2] = {{3, 0}, {5, 0}, {8, 0}, {8, 4}, {8, 8}, {5, 8}, {3, 8}, {3, 4}, {3, 0}};
  for (const auto& p : ring) fan.push_back({p[0], p[1], 0, 1, half});
  DrawColoured(pf::D3DPT_TRIANGLEFAN, fan);
  for (int y = 0; y < 8; ++y) {
    for (int x = 0; x < 8; ++x) ASSERT_EQ(Rgb(x, y), 0x808080u) << x << "," << y;
  }
}

TEST_F(RasterTest, DegenerateAndCulledTrianglesDrawNothing) {
  OpenDevice(4, 4);
  // Clockwise on the screen (y grows downwards).
  const std::vector<ColouredVertex> clockwise{{0, 0, 0, 1, 0xFFFFFFFF}, {4, 0, 0, 1, 0xFFFFFFFF}, {0, 4, 0, 1, 0xFFFFFFFF}};
  const std::vector<ColouredVertex> counter{clockwise[0], clockwise[2], clockwise[1]};
  const std::vector<ColouredVertex> flat{{0, 0, 0, 1, 0xFFFFFFFF}, {2, 2, 0, 1, 0xFFFFFFFF}, {4, 4, 0, 1, 0xFFFFFFFF}};
  struct Case {
    std::uint32_t cull;
    const std::vector<ColouredVertex>* triangle;
    bool drawn;
  } cases[] = {{pf::D3DCULL_NONE, &clockwise, true}, {pf::D3DCULL_NONE, &counter, true},
               {pf::D3DCULL_CW, &clockwise, false},  {pf::D3DCULL_CW, &counter, true},
               {pf::D3DCULL_CCW, &clockwise, true},  {pf::D3DCULL_CCW, &counter, false},
               {pf::D3DCULL_NONE, &flat, false}};
  for (const Case& c : cases) {
    Fill(target_, 0);
    device_->SetRenderState(pf::D3DRS_CULLMODE, c.cull);
    DrawColoured(pf::D3DPT_TRIANGLELIST, *c.triangle);
    EXPECT_EQ(Rgb(0, 0) != 0, c.drawn) << c.cull;
  }
}

TEST_F(RasterTest, LinesLeaveOutTheirLastPixel) {
  OpenDevice(7, 6);
  struct Case {
    float x0, y0, x1, y1;
    Rows expected;
  } cases[] = {
      {1, 1, 5, 1, {".......", ".####..", ".......", ".......", ".......", "......."}},
      {5, 1, 1, 1, {".......", "..####.", ".......", ".......", ".......", "......."}},
      {0, 0, 4, 4, {"#......", ".#.....", "..#....", "...#...", ".......", "......."}},
      {2, 5, 2, 1, {".......", ".......", "..#....", "..#....", "..#....", "..#...."}},
      // A span from (xa, y) to (xb + 1, y) fills xa..xb.
      {2, 3, 6, 3, {".......", ".......", ".......", "..####.", ".......", "......."}},
  };
  for (const Case& c : cases) {
    Fill(target_, 0);
    DrawColoured(pf::D3DPT_LINELIST, {{c.x0, c.y0, 0, 1, 0xFFFFFFFF}, {c.x1, c.y1, 0, 1, 0xFFFFFFFF}});
    EXPECT_EQ(Coverage(), c.expected) << c.x0 << "," << c.y0 << " " << c.x1 << "," << c.y1;
  }
  Fill(target_, 0);
  DrawColoured(pf::D3DPT_LINESTRIP,
               {{0, 0, 0, 1, 0xFFFFFFFF}, {3, 0, 0, 1, 0xFFFFFFFF}, {3, 3, 0, 1, 0xFFFFFFFF}});
  EXPECT_EQ(Coverage(), (Rows{"####...", "...#...", "...#...", ".......", ".......", "......."}));
}

TEST_F(RasterTest, WildVerticesAreCutOrDroppedSafely) {
  OpenDevice(4, 4);
  ModulateStage0(Texture(2, 2, {0xFFFF0000, 0xFF00FF00, 0xFF0000FF, 0xFFFFFFFF}));
  const float nan = std::numeric_limits<float>::quiet_NaN(), huge = 3e38f;
  Draw(pf::D3DPT_TRIANGLELIST, {{nan, 0, 0, 1, 0xFFFFFFFF, 0, 0}, {4, 0, 0, 1, 0xFFFFFFFF, 1, 0},
                                {0, 4, 0, 1, 0xFFFFFFFF, 0, 1}});
  EXPECT_EQ(Coverage(), (Rows{"....", "....", "....", "...."}));
  // A point that is not a number is dropped; a line between far-off ends crosses the whole row.
  DrawColoured(pf::D3DPT_POINTLIST, {{huge, nan, 0, 1, 0xFFFFFFFF}});
  EXPECT_EQ(Coverage(), (Rows{"....", "....", "....", "...."}));
  DrawColoured(pf::D3DPT_LINELIST, {{-huge, 1, 0, 1, 0xFFFFFFFF}, {huge, 1, 0, 1, 0xFFFFFFFF}});
  EXPECT_EQ(Coverage(), (Rows{"....", "####", "....", "...."}));
  // Far-off corners still cover the target; coordinates that are not numbers read some texel.
  Draw(pf::D3DPT_TRIANGLELIST, {{-huge, -huge, 0, 1, 0xFFFFFFFF, nan, 0}, {huge, -huge, 0, 1, 0xFFFFFFFF, 1, huge},
                                {0, huge, 0, 1, 0xFFFFFFFF, 0, 1}});
  EXPECT_EQ(Coverage(), (Rows{"####", "####", "####", "####"}));
}

TEST_F(RasterTest, PointsCoverTheRoundedPixel) {
  OpenDevice(5, 5);
  DrawColoured(pf::D3DPT_POINTLIST,
               {{2.4f, 1.6f, 0, 1, 0xFFFFFFFF}, {0.5f, 3.49f, 0, 1, 0xFFFFFFFF}, {-0.6f, 0, 0, 1, 0xFFFFFFFF}});
  EXPECT_EQ(Coverage(), (Rows{".....", ".....", "..#..", ".#...", "....."}));
}

TEST_F(RasterTest, EverythingIsCutToTheViewport) {
  OpenDevice(6, 6);
  pf::D3DViewport7 viewport{1, 2, 3, 3, 0, 1};
  ASSERT_EQ(device_->SetViewport(&viewport), pf::DD_OK);
  DrawColoured(pf::D3DPT_TRIANGLESTRIP, {{-100, -100, 0, 1, 0xFF0000FF}, {100, -100, 0, 1, 0xFF0000FF},
                                         {-100, 100, 0, 1, 0xFF0000FF}, {100, 100, 0, 1, 0xFF0000FF}});
  DrawColoured(pf::D3DPT_LINELIST, {{0, 0, 0, 1, 0xFFFF0000}, {6, 0, 0, 1, 0xFFFF0000}});
  DrawColoured(pf::D3DPT_POINTLIST, {{5, 5, 0, 1, 0xFFFF0000}});
  EXPECT_EQ(Coverage(), (Rows{"......", "......", ".###..", ".###..", ".###..", "......"}));
  EXPECT_EQ(Rgb(2, 3), 0x0000FFu);
}

class TexelTest : public RasterTest, public ::testing::WithParamInterface<bool> {
 protected:
  void SetUp() override {
    RasterTest::SetUp();
    pf::testing::UseSpecialisedSpans(GetParam());
  }
};

std::vector<std::uint32_t> Distinct(int count) {
  std::vector<std::uint32_t> texels;
  for (int i = 0; i < count; ++i) texels.push_back(0xFF000000u | static_cast<std::uint32_t>(i * 0x0B1D29 + 0x102030));
  return texels;
}

TEST_P(TexelTest, EachTexelLandsOnOnePixelUnderBothFilters) {
  OpenDevice(6, 6);
  const std::vector<std::uint32_t> texels = Distinct(16);
  pf::DirectDrawSurface7* texture = Texture(4, 4, texels);
  ModulateStage0(texture);
  for (std::uint32_t filter : {pf::D3DTFG_POINT, pf::D3DTFG_LINEAR}) {
    Fill(target_, 0);
    Filter(filter);
    Draw(pf::D3DPT_TRIANGLESTRIP, Quad(0.5f, 1.5f, 4.5f, 5.5f, 0xFFFFFFFF));
    for (int y = 0; y < 4; ++y) {
      for (int x = 0; x < 4; ++x) {
        ASSERT_EQ(Rgb(x + 1, y + 2), texels[static_cast<std::size_t>(y) * 4 + x] & 0xFFFFFF) << filter;
      }
    }
    EXPECT_EQ(Rgb(0, 2), 0u);
    EXPECT_EQ(Rgb(5, 2), 0u);
  }
}

TEST_P(TexelTest, BilinearWeightsComeFromTexelCentres) {
  OpenDevice(4, 1);
  pf::DirectDrawSurface7* texture = Texture(2, 1, {0xFF000000, 0xFFFFFFFF});
  ModulateStage0(texture);
  Filter(pf::D3DTFG_LINEAR);
  Draw(pf::D3DPT_TRIANGLESTRIP, Quad(-0.5f, -0.5f, 3.5f, 0.5f, 0xFFFFFFFF));
  // Pixel centres sample u*2 = 0.25, 0.75, 1.25, 1.75: weights 0 (clamped), 1/4, 3/4, 1 (clamped).
  EXPECT_EQ(Rgb(0, 0), 0x000000u);
  EXPECT_EQ(Rgb(1, 0), 0x404040u);
  EXPECT_EQ(Rgb(2, 0), 0xBFBFBFu);
  EXPECT_EQ(Rgb(3, 0), 0xFFFFFFu);
}

TEST_P(TexelTest, ColourKeyDropsPixelsByTheNearestTexel) {
  OpenDevice(4, 1, kX888, 0x123456);
  pf::DirectDrawSurface7* texture = Texture(4, 1, {0xFFFF00FF, 0xFF00FF00, 0xFFFF00FF, 0xFF0000FF}, k565);
  const std::uint32_t magenta = Narrow(k565, 0xFFFF00FF);
  pf::DDColorKey key{magenta, magenta};
  ASSERT_EQ(texture->SetColorKey(pf::DDCKEY_SRCBLT, &key), pf::DD_OK);
  ModulateStage0(texture);
  device_->SetRenderState(pf::D3DRS_COLORKEYENABLE, 1);
  for (std::uint32_t filter : {pf::D3DTFG_POINT, pf::D3DTFG_LINEAR}) {
    Fill(target_, 0x123456);
    Filter(filter);
    Draw(pf::D3DPT_TRIANGLESTRIP, Quad(-0.5f, -0.5f, 3.5f, 0.5f, 0xFFFFFFFF));
    EXPECT_EQ(Rgb(0, 0), 0x123456u);
    EXPECT_EQ(Rgb(1, 0), 0x00FF00u);
    EXPECT_EQ(Rgb(2, 0), 0x123456u);
    EXPECT_EQ(Rgb(3, 0), 0x0000FFu);
  }
  device_->SetRenderState(pf::D3DRS_COLORKEYENABLE, 0);
  Draw(pf::D3DPT_TRIANGLESTRIP, Quad(-0.5f, -0.5f, 3.5f, 0.5f, 0xFFFFFFFF));
  EXPECT_EQ(Rgb(0, 0), 0xFF00FFu);
}

TEST_P(TexelTest, SpritesModulateAndBlend) {
  OpenDevice(3, 1, kX888, 0x204080);
  pf::DirectDrawSurface7* texture = Texture(3, 1, {0x80FFFFFF, 0xFF808080, 0x00FFFFFF}, k4444);
  ModulateStage0(texture);
  Blend(pf::D3DBLEND_SRCALPHA, pf::D3DBLEND_INVSRCALPHA);
  Draw(pf::D3DPT_TRIANGLESTRIP, Quad(-0.5f, -0.5f, 2.5f, 0.5f, 0xFFFF8000));
  // 4:4:4:4 alpha 0x8 widens to 0x88; colours are the texel times the diffuse colour.
  const auto blend = [](std::uint32_t s, std::uint32_t d, std::uint32_t a) { return Product(s, a) + Product(d, 255 - a); };
  EXPECT_EQ(Rgb(0, 0), blend(0xFF, 0x20, 0x88) << 16 | blend(0x80, 0x40, 0x88) << 8 | blend(0, 0x80, 0x88));
  EXPECT_EQ(Rgb(1, 0), 0x884400u);
  EXPECT_EQ(Rgb(2, 0), 0x204080u);
  Fill(target_, 0x204080);
  Blend(pf::D3DBLEND_SRCALPHA, pf::D3DBLEND_ONE);
  Draw(pf::D3DPT_TRIANGLESTRIP, Quad(-0.5f, -0.5f, 2.5f, 0.5f, 0xFFFF8000));
  EXPECT_EQ(Rgb(0, 0), (0x20 + Product(0xFF, 0x88)) << 16 | (0x40 + Product(0x80, 0x88)) << 8 | 0x80);
  EXPECT_EQ(Rgb(1, 0), 0xA884 << 8 | 0x80);
}

INSTANTIATE_TEST_SUITE_P(Paths, TexelTest, ::testing::Bool(),
                         [](const ::testing::TestParamInfo<bool>& info) { return info.param ? "Specialised" : "General"; });

TEST_F(RasterTest, AddressModesRepeatMirrorOrClamp) {
  OpenDevice(6, 1);
  pf::DirectDrawSurface7* texture = Texture(2, 1, {0xFF000000, 0xFFFFFFFF});
  device_->SetTexture(0, texture);
  device_->SetTextureStageState(0, pf::D3DTSS_COLOROP, pf::D3DTOP_SELECTARG1);
  // Pixel i samples texel coordinate i + 1/2.
  struct Case {
    std::uint32_t mode;
    const char* texels;
  } cases[] = {{pf::D3DTADDRESS_WRAP, "010101"}, {pf::D3DTADDRESS_MIRROR, "011001"},
               {pf::D3DTADDRESS_CLAMP, "011111"}, {pf::D3DTADDRESS_BORDER, "011111"}};
  for (const Case& c : cases) {
    device_->SetTextureStageState(0, pf::D3DTSS_ADDRESS, c.mode);
    Draw(pf::D3DPT_TRIANGLESTRIP, Quad(-0.5f, -0.5f, 5.5f, 0.5f, 0xFFFFFFFF, 0, 0, 3, 1));
    std::string seen;
    for (int x = 0; x < 6; ++x) seen += Rgb(x, 0) != 0 ? '1' : '0';
    EXPECT_EQ(seen, c.texels) << c.mode;
  }
}

TEST_F(RasterTest, FlatShadingTakesEachTrianglesFirstVertex) {
  OpenDevice(4, 4);
  device_->SetRenderState(pf::D3DRS_SHADEMODE, pf::D3DSHADE_FLAT);
  DrawColoured(pf::D3DPT_TRIANGLESTRIP, {{0, 0, 0, 1, 0xFF110000}, {4, 0, 0, 1, 0xFF002200},
                                         {0, 4, 0, 1, 0xFF000033}, {4, 4, 0, 1, 0xFF444444}});
  EXPECT_EQ(Rgb(0, 0), 0x110000u);  // triangle 0: vertex 0
  EXPECT_EQ(Rgb(3, 3), 0x002200u);  // triangle 1: vertex 1
  DrawColoured(pf::D3DPT_LINELIST, {{0, 1, 0, 1, 0xFF550000}, {4, 1, 0, 1, 0xFF000066}});
  EXPECT_EQ(Rgb(3, 1), 0x550000u);
}

TEST_F(RasterTest, GouraudShadingInterpolatesAtPixelCentres) {
  OpenDevice(8, 1);
  DrawColoured(pf::D3DPT_TRIANGLESTRIP, {{-0.5f, -0.5f, 0, 1, 0xFF000000}, {7.5f, -0.5f, 0, 1, 0xFFFF0000},
                                         {-0.5f, 0.5f, 0, 1, 0xFF000000}, {7.5f, 0.5f, 0, 1, 0xFFFF0000}});
  for (int x = 0; x < 8; ++x) {
    const auto expected = static_cast<std::uint32_t>(std::lround(255.0 * (x + 0.5) / 8));
    EXPECT_EQ(Rgb(x, 0), expected << 16) << x;
  }
  Fill(target_, 0);
  DrawColoured(pf::D3DPT_LINELIST, {{0, 0, 0, 1, 0xFF000000}, {8, 0, 0, 1, 0xFF0000FF}});
  EXPECT_EQ(Rgb(0, 0), 0u);
  EXPECT_EQ(Rgb(4, 0), 0x80u);
}

TEST_F(RasterTest, BlendFactors) {
  const std::uint32_t src = 0x60C04010, dst = 0x2080F0;
  const auto channel = [](std::uint32_t c, int shift) { return (c >> shift) & 0xFF; };
  struct Case {
    std::uint32_t srcFactor, dstFactor;
  } cases[] = {
      {pf::D3DBLEND_ONE, pf::D3DBLEND_ZERO},          {pf::D3DBLEND_ZERO, pf::D3DBLEND_ONE},
      {pf::D3DBLEND_SRCALPHA, pf::D3DBLEND_INVSRCALPHA}, {pf::D3DBLEND_SRCALPHA, pf::D3DBLEND_ONE},
      {pf::D3DBLEND_ZERO, pf::D3DBLEND_SRCCOLOR},     {pf::D3DBLEND_INVDESTCOLOR, pf::D3DBLEND_ZERO},
      {pf::D3DBLEND_ONE, pf::D3DBLEND_ONE},           {pf::D3DBLEND_DESTCOLOR, pf::D3DBLEND_INVSRCCOLOR},
      {pf::D3DBLEND_DESTALPHA, pf::D3DBLEND_ZERO},    {pf::D3DBLEND_INVDESTALPHA, pf::D3DBLEND_ONE},
      {pf::D3DBLEND_SRCALPHASAT, pf::D3DBLEND_ONE},   {pf::D3DBLEND_BOTHSRCALPHA, pf::D3DBLEND_ZERO},
  };
  OpenDevice(1, 1);
  for (const Case& c : cases) {
    Fill(target_, dst);
    Blend(c.srcFactor, c.dstFactor);
    DrawColoured(pf::D3DPT_TRIANGLESTRIP, {{-1, -1, 0, 1, src}, {2, -1, 0, 1, src}, {-1, 2, 0, 1, src}, {2, 2, 0, 1, src}});
    std::uint32_t expected = 0;
    for (int shift = 0; shift <= 16; shift += 8) {
      const std::uint32_t s = channel(src, shift), d = channel(dst, shift), sa = 0x60, da = 0xFF;
      const auto factor = [&](std::uint32_t f) -> std::uint32_t {
        switch (f) {
          case pf::D3DBLEND_ZERO: return 0;
          case pf::D3DBLEND_ONE: return 255;
          case pf::D3DBLEND_SRCCOLOR: return s;
          case pf::D3DBLEND_INVSRCCOLOR: return 255 - s;
          case pf::D3DBLEND_SRCALPHA: return sa;
          case pf::D3DBLEND_INVSRCALPHA: return 255 - sa;
          case pf::D3DBLEND_DESTALPHA: return da;
          case pf::D3DBLEND_INVDESTALPHA: return 255 - da;
          case pf::D3DBLEND_DESTCOLOR: return d;
          case pf::D3DBLEND_INVDESTCOLOR: return 255 - d;
          case pf::D3DBLEND_SRCALPHASAT: return std::min(sa, 255 - da);
        }
        return 0;
      };
      std::uint32_t fs = factor(c.srcFactor), fd = factor(c.dstFactor);
      if (c.srcFactor == pf::D3DBLEND_BOTHSRCALPHA) fs = sa, fd = 255 - sa;
      expected |= std::min<std::uint32_t>(255, Product(s, fs) + Product(d, fd)) << shift;
    }
    EXPECT_EQ(Rgb(0, 0), expected) << c.srcFactor << " " << c.dstFactor;
  }
}

TEST_F(RasterTest, TextureStageOperations) {
  OpenDevice(1, 1);
  pf::DirectDrawSurface7* texture = Texture(1, 1, {0x90C06020});
  device_->SetTexture(0, texture);
  device_->SetRenderState(pf::D3DRS_TEXTUREFACTOR, 0x40FF8010);
  const std::uint32_t diffuse = 0xC0804030;
  struct Case {
    std::uint32_t op, arg1, arg2;
    std::uint32_t expected;  // colour of stage 0 and its alpha by the same operation
  } cases[] = {
      {pf::D3DTOP_SELECTARG1, pf::D3DTA_TEXTURE, pf::D3DTA_DIFFUSE, 0x90C06020},
      {pf::D3DTOP_SELECTARG2, pf::D3DTA_TEXTURE, pf::D3DTA_DIFFUSE, 0xC0804030},
      {pf::D3DTOP_MODULATE, pf::D3DTA_TEXTURE, pf::D3DTA_DIFFUSE, 0x6C601806},
      {pf::D3DTOP_MODULATE2X, pf::D3DTA_TEXTURE, pf::D3DTA_DIFFUSE, 0xD8C0300C},
      {pf::D3DTOP_MODULATE4X, pf::D3DTA_TEXTURE, pf::D3DTA_DIFFUSE, 0xFFFF6018},
      {pf::D3DTOP_ADD, pf::D3DTA_TEXTURE, pf::D3DTA_DIFFUSE, 0xFFFFA050},
      {pf::D3DTOP_SUBTRACT, pf::D3DTA_TEXTURE, pf::D3DTA_DIFFUSE, 0x00402000},
      {pf::D3DTOP_MODULATE, pf::D3DTA_TEXTURE, pf::D3DTA_TFACTOR, 0x24C03002},
      {pf::D3DTOP_SELECTARG1, pf::D3DTA_TEXTURE | pf::D3DTA_COMPLEMENT, pf::D3DTA_DIFFUSE, 0x6F3F9FDF},
      {pf::D3DTOP_SELECTARG1, pf::D3DTA_TEXTURE | pf::D3DTA_ALPHAREPLICATE, pf::D3DTA_DIFFUSE, 0x90909090},
  };
  device_->SetRenderState(pf::D3DRS_ALPHABLENDENABLE, 1);
  device_->SetRenderState(pf::D3DRS_SRCBLEND, pf::D3DBLEND_ONE);
  device_->SetRenderState(pf::D3DRS_DESTBLEND, pf::D3DBLEND_ZERO);
  // An 8:8:8:8 target keeps the alpha the stages produce.
  pf::DirectDrawSurface7* withAlpha = Make(Described(pf::DDSCAPS_TEXTURE | pf::DDSCAPS_3DDEVICE, 1, 1, kA8888));
  ASSERT_EQ(device_->SetRenderTarget(withAlpha, 0), pf::DD_OK);
  target_ = withAlpha;
  for (const Case& c : cases) {
    device_->SetTextureStageState(0, pf::D3DTSS_COLOROP, c.op);
    device_->SetTextureStageState(0, pf::D3DTSS_COLORARG1, c.arg1);
    device_->SetTextureStageState(0, pf::D3DTSS_COLORARG2, c.arg2);
    device_->SetTextureStageState(0, pf::D3DTSS_ALPHAOP, c.op);
    device_->SetTextureStageState(0, pf::D3DTSS_ALPHAARG1, c.arg1);
    device_->SetTextureStageState(0, pf::D3DTSS_ALPHAARG2, c.arg2);
    Draw(pf::D3DPT_TRIANGLESTRIP, Quad(-1, -1, 2, 2, diffuse));
    EXPECT_EQ(Pixel(0, 0), c.expected) << c.op << " " << c.arg1 << " " << c.arg2;
  }
}

TEST_F(RasterTest, LaterStagesWorkOnTheCurrentColour) {
  OpenDevice(1, 1);
  pf::DirectDrawSurface7* picture = Texture(1, 1, {0xFF808080});
  device_->SetRenderState(pf::D3DRS_TEXTUREFACTOR, 0xFF4080FF);
  // Stage 0 has no texture but reads none; stage 1 modulates the picture in; stage 2 adds the factor.
  device_->SetTextureStageState(0, pf::D3DTSS_COLOROP, pf::D3DTOP_SELECTARG1);
  device_->SetTextureStageState(0, pf::D3DTSS_COLORARG1, pf::D3DTA_TFACTOR);
  device_->SetTexture(1, picture);
  device_->SetTextureStageState(1, pf::D3DTSS_COLOROP, pf::D3DTOP_MODULATE);
  device_->SetTextureStageState(1, pf::D3DTSS_COLORARG1, pf::D3DTA_TEXTURE);
  device_->SetTextureStageState(1, pf::D3DTSS_COLORARG2, pf::D3DTA_CURRENT);
  device_->SetTextureStageState(1, pf::D3DTSS_TEXCOORDINDEX, 0);
  device_->SetTextureStageState(2, pf::D3DTSS_COLOROP, pf::D3DTOP_ADD);
  device_->SetTextureStageState(2, pf::D3DTSS_COLORARG1, pf::D3DTA_CURRENT);
  device_->SetTextureStageState(2, pf::D3DTSS_COLORARG2, pf::D3DTA_DIFFUSE);
  Draw(pf::D3DPT_TRIANGLESTRIP, Quad(-1, -1, 2, 2, 0xFF102030));
  EXPECT_EQ(Rgb(0, 0), (0x20u + 0x10) << 16 | (0x40u + 0x20) << 8 | (0x80u + 0x30));
  // A disabled stage ends the pipeline.
  device_->SetTextureStageState(1, pf::D3DTSS_COLOROP, pf::D3DTOP_DISABLE);
  Draw(pf::D3DPT_TRIANGLESTRIP, Quad(-1, -1, 2, 2, 0xFF102030));
  EXPECT_EQ(Rgb(0, 0), 0x4080FFu);
}

TEST_F(RasterTest, StagesReadingAMissingTexturePassTheirInputOn) {
  OpenDevice(1, 1);
  device_->SetTextureStageState(0, pf::D3DTSS_COLOROP, pf::D3DTOP_SELECTARG1);
  device_->SetTextureStageState(0, pf::D3DTSS_COLORARG1, pf::D3DTA_TEXTURE);
  device_->SetTextureStageState(0, pf::D3DTSS_ALPHAOP, pf::D3DTOP_MODULATE);
  device_->SetTextureStageState(0, pf::D3DTSS_ALPHAARG1, pf::D3DTA_TEXTURE);
  device_->SetTextureStageState(0, pf::D3DTSS_ALPHAARG2, pf::D3DTA_DIFFUSE);
  Blend(pf::D3DBLEND_SRCALPHA, pf::D3DBLEND_INVSRCALPHA);
  DrawColoured(pf::D3DPT_TRIANGLESTRIP, {{-1, -1, 0, 1, 0x80FF0000}, {2, -1, 0, 1, 0x80FF0000},
                                         {-1, 2, 0, 1, 0x80FF0000}, {2, 2, 0, 1, 0x80FF0000}});
  EXPECT_EQ(Rgb(0, 0), 0x800000u);
}

TEST_F(RasterTest, AlphaTestComparesTheFinalAlpha) {
  OpenDevice(2, 1);
  pf::DirectDrawSurface7* texture = Texture(2, 1, {0x80FFFFFF, 0x81FFFFFF});
  ModulateStage0(texture);
  device_->SetRenderState(pf::D3DRS_ALPHATESTENABLE, 1);
  device_->SetRenderState(pf::D3DRS_ALPHAREF, 0x80);
  struct Case {
    std::uint32_t func;
    bool first, second;
  } cases[] = {{pf::D3DCMP_GREATER, false, true},  {pf::D3DCMP_GREATEREQUAL, true, true},
               {pf::D3DCMP_LESS, false, false},    {pf::D3DCMP_EQUAL, true, false},
               {pf::D3DCMP_NOTEQUAL, false, true}, {pf::D3DCMP_NEVER, false, false},
               {pf::D3DCMP_ALWAYS, true, true},    {pf::D3DCMP_LESSEQUAL, true, false}};
  for (const Case& c : cases) {
    Fill(target_, 0);
    device_->SetRenderState(pf::D3DRS_ALPHAFUNC, c.func);
    Draw(pf::D3DPT_TRIANGLESTRIP, Quad(-0.5f, -0.5f, 1.5f, 0.5f, 0xFFFFFFFF));
    EXPECT_EQ(Rgb(0, 0) != 0, c.first) << c.func;
    EXPECT_EQ(Rgb(1, 0) != 0, c.second) << c.func;
  }
}

TEST_F(RasterTest, DepthWithAnAttachedSixteenBitBuffer) {
  OpenDevice(2, 1);
  pf::SurfaceDesc zDesc{};
  zDesc.size = sizeof zDesc;
  zDesc.flags = pf::DDSD_CAPS | pf::DDSD_WIDTH | pf::DDSD_HEIGHT;
  zDesc.caps.caps = pf::DDSCAPS_ZBUFFER;
  zDesc.width = 2;
  zDesc.height = 1;
  pf::DirectDrawSurface7* z = Make(zDesc);
  ASSERT_EQ(target_->AddAttachedSurface(z), pf::DD_OK);
  Fill(z, 0xFFFF);
  device_->SetRenderState(pf::D3DRS_ZENABLE, 1);
  const auto quad = [&](float depth, std::uint32_t colour) {
    std::vector<ColouredVertex> v{{-1, -1, depth, 1, colour}, {3, -1, depth, 1, colour}, {-1, 2, depth, 1, colour},
                                  {3, 2, depth, 1, colour}};
    DrawColoured(pf::D3DPT_TRIANGLESTRIP, v);
  };
  quad(0.5f, 0xFF0000FF);
  EXPECT_EQ(pf::testing::DepthAt(z, 0, 0), 32768u);
  quad(0.7f, 0xFF00FF00);
  EXPECT_EQ(Rgb(0, 0), 0x0000FFu);
  quad(0.2f, 0xFFFF0000);
  EXPECT_EQ(Rgb(0, 0), 0xFF0000u);
  EXPECT_EQ(pf::testing::DepthAt(z, 1, 0), 13107u);
  device_->SetRenderState(pf::D3DRS_ZWRITEENABLE, 0);
  quad(0.1f, 0xFF00FF00);
  EXPECT_EQ(Rgb(0, 0), 0x00FF00u);
  EXPECT_EQ(pf::testing::DepthAt(z, 0, 0), 13107u);
  device_->SetRenderState(pf::D3DRS_ZFUNC, pf::D3DCMP_GREATER);
  quad(0.3f, 0xFF0000FF);
  EXPECT_EQ(Rgb(0, 0), 0x0000FFu);
  // Viewport depth range maps z.
  pf::D3DViewport7 viewport{0, 0, 2, 1, 0.5f, 1.0f};
  ASSERT_EQ(device_->SetViewport(&viewport), pf::DD_OK);
  device_->SetRenderState(pf::D3DRS_ZWRITEENABLE, 1);
  device_->SetRenderState(pf::D3DRS_ZFUNC, pf::D3DCMP_ALWAYS);
  quad(0.0f, 0xFF00FF00);
  EXPECT_EQ(pf::testing::DepthAt(z, 0, 0), 32768u);
  // Without ZENABLE the buffer is neither tested nor written.
  device_->SetRenderState(pf::D3DRS_ZENABLE, 0);
  device_->SetRenderState(pf::D3DRS_ZFUNC, pf::D3DCMP_NEVER);
  quad(1.0f, 0xFFFFFFFF);
  EXPECT_EQ(Rgb(0, 0), 0xFFFFFFu);
  EXPECT_EQ(pf::testing::DepthAt(z, 0, 0), 32768u);
}

TEST_F(RasterTest, TargetsWidenAndTruncateWithoutDither) {
  OpenDevice(2, 1, k565);
  DrawColoured(pf::D3DPT_TRIANGLESTRIP, {{-1, -1, 0, 1, 0xFFFF8347}, {3, -1, 0, 1, 0xFFFF8347},
                                         {-1, 2, 0, 1, 0xFFFF8347}, {3, 2, 0, 1, 0xFFFF8347}});
  pf::SurfaceDesc locked{};
  locked.size = sizeof locked;
  ASSERT_EQ(target_->Lock(nullptr, &locked, pf::DDLOCK_WAIT, nullptr), pf::DD_OK);
  std::uint16_t raw16[2];
  std::memcpy(raw16, locked.surface, sizeof raw16);
  target_->Unlock(nullptr);
  EXPECT_EQ(raw16[0], 0xFC08u);
  EXPECT_EQ(raw16[1], 0xFC08u);

  OpenDevice(1, 1, kX888, 0x00000000);
  DrawColoured(pf::D3DPT_POINTLIST, {{0, 0, 0, 1, 0x00123456}});
  ASSERT_EQ(target_->Lock(nullptr, &locked, pf::DDLOCK_WAIT, nullptr), pf::DD_OK);
  std::uint32_t raw32;
  std::memcpy(&raw32, locked.surface, sizeof raw32);
  target_->Unlock(nullptr);
  EXPECT_EQ(raw32, 0xFF123456u);
}

TEST_F(RasterTest, PerspectiveDividesTextureCoordinates) {
  OpenDevice(8, 1);
  std::vector<std::uint32_t> ramp;
  for (int i = 0; i < 8; ++i) ramp.push_back(0xFF000000u | static_cast<std::uint32_t>(i * 32));
  ModulateStage0(Texture(8, 1, ramp));
  const std::vector<TexturedVertex> v{{-0.5f, -0.5f, 0, 1, 0xFFFFFFFF, 0, 0}, {7.5f, -0.5f, 0, 0.25f, 0xFFFFFFFF, 1, 0},
                                      {-0.5f, 0.5f, 0, 1, 0xFFFFFFFF, 0, 1}, {7.5f, 0.5f, 0, 0.25f, 0xFFFFFFFF, 1, 1}};
  Draw(pf::D3DPT_TRIANGLESTRIP, v);
  const std::uint32_t affine = Rgb(4, 0);
  EXPECT_EQ(affine, 4u * 32);
  device_->SetRenderState(pf::D3DRS_TEXTUREPERSPECTIVE, 1);
  Draw(pf::D3DPT_TRIANGLESTRIP, v);
  // At 4.5 / 8 of the way u is 0.140625 / 0.578125 = 0.24: texel 1 instead of texel 4.
  EXPECT_EQ(Rgb(4, 0), 32u);
}

TEST_F(RasterTest, SpecialisedSpansMatchTheGeneralPath) {
  std::mt19937 random(7);
  const Format targets[] = {kX888, k565};
  const Format textures[] = {kA8888, k4444, k1555, k565, kX888};
  for (const Format& targetFormat : targets) {
    for (const Format& textureFormat : textures) {
      std::vector<std::uint32_t> texels(64);
      for (auto& t : texels) t = random();
      std::vector<std::uint32_t> results[2];
      for (int fast = 0; fast < 2; ++fast) {
        std::mt19937 drawing(11);
        OpenDevice(24, 20, targetFormat, 0x3C5A7E);
        pf::DirectDrawSurface7* texture = Texture(8, 8, texels, textureFormat);
        const std::uint32_t keyRaw = Narrow(textureFormat, texels[5]);
        pf::DDColorKey key{keyRaw, keyRaw};
        texture->SetColorKey(pf::DDCKEY_SRCBLT, &key);
        ModulateStage0(texture);
        pf::testing::UseSpecialisedSpans(fast == 1);
        for (int n = 0; n < 24; ++n) {
          const std::uint32_t blend = drawing() % 3;
          if (blend == 0) device_->SetRenderState(pf::D3DRS_ALPHABLENDENABLE, 0);
          if (blend == 1) Blend(pf::D3DBLEND_SRCALPHA, pf::D3DBLEND_INVSRCALPHA);
          if (blend == 2) Blend(pf::D3DBLEND_SRCALPHA, pf::D3DBLEND_ONE);
          Filter(drawing() % 2 ? pf::D3DTFG_LINEAR : pf::D3DTFG_POINT);
          device_->SetRenderState(pf::D3DRS_COLORKEYENABLE, drawing() % 2);
          // Alpha tests: off, the two that spans take, and one only the general path takes.
          const std::uint32_t alphaTests[] = {0, pf::D3DCMP_GREATER, pf::D3DCMP_GREATEREQUAL, pf::D3DCMP_LESS};
          const std::uint32_t alphaTest = alphaTests[drawing() % 4];
          device_->SetRenderState(pf::D3DRS_ALPHATESTENABLE, alphaTest != 0);
          if (alphaTest != 0) {
            device_->SetRenderState(pf::D3DRS_ALPHAFUNC, alphaTest);
            device_->SetRenderState(pf::D3DRS_ALPHAREF, drawing() % 256);
          }
          const std::uint32_t diffuse = drawing() % 2 ? 0xFFFFFFFF : drawing();
          const auto at = [&](int range) { return static_cast<float>(drawing() % (range * 8)) / 8.0f - 2; };
          const float x0 = at(20), y0 = at(16);
          if (n % 3 == 0) {
            // Texel for pixel, as sprites are placed.
            const float px = std::floor(x0) - 0.5f, py = std::floor(y0) - 0.5f;
            Draw(pf::D3DPT_TRIANGLESTRIP, Quad(px, py, px + 8, py + 8, diffuse));
            continue;
          }
          Draw(pf::D3DPT_TRIANGLESTRIP, Quad(x0, y0, x0 + at(14) + 3, y0 + at(12) + 3, diffuse, at(2) / 3,
                                             at(2) / 3, at(3) / 2, at(3) / 2));
        }
        for (int y = 0; y < 20; ++y) {
          for (int x = 0; x < 24; ++x) results[fast].push_back(Pixel(x, y));
        }
        device_->Release();
        device_ = nullptr;
      }
      ASSERT_EQ(results[0], results[1]) << targetFormat.bits << " " << textureFormat.bits << " " << textureFormat.a;
    }
  }
}

// Wide rows placed texel for pixel take the eight- and four-pixel loops: copies, alpha-tested
// copies and blends (with the texel alpha scaled by the diffuse alpha or not) over a patterned
// background give the general path's bytes, tails included.
TEST_F(RasterTest, WideTexelForPixelRowsMatchTheGeneralPath) {
  struct Case {
    const char* what;
    int blend;               // 0 copy, 1 alpha, 2 add
    std::uint32_t alphaRef;  // D3DCMP_GREATEREQUAL reference, 0: no alpha test
    std::uint32_t diffuse;
    Format texture;
  };
  const Case cases[] = {
      {"copy", 0, 0, 0xFFFFFFFF, kA8888},          {"copy of opaque texels", 0, 0, 0xFFFFFFFF, kX888},
      {"alpha-tested copy", 0, 128, 0xFFFFFFFF, kA8888}, {"alpha blend", 1, 0, 0xFFFFFFFF, kA8888},
      {"scaled alpha blend", 1, 0, 0xC8FFFFFF, kA8888},  {"add", 2, 0, 0xFFFFFFFF, kA8888},
      {"scaled add", 2, 0, 0xC8FFFFFF, kA8888},          {"scaled add of opaque texels", 2, 0, 0x80FFFFFF, kX888},
  };
  std::mt19937 random(5);
  std::vector<std::uint32_t> backdrop(48 * 12), sprite(37 * 9);
  for (auto& t : backdrop) t = static_cast<std::uint32_t>(random()) | 0xFF000000u;
  for (std::size_t i = 0; i < sprite.size(); ++i) {
    const std::uint32_t alphas[] = {0, 255, static_cast<std::uint32_t>(random() & 0xFF)};
    sprite[i] = (static_cast<std::uint32_t>(random()) & 0x00FFFFFFu) | alphas[i % 3] << 24;
  }
  for (const Case& c : cases) {
    std::vector<std::uint32_t> results[2];
    for (int fast = 0; fast < 2; ++fast) {
      OpenDevice(48, 12);
      pf::testing::UseSpecialisedSpans(fast == 1);
      ModulateStage0(Texture(48, 12, backdrop, kX888));
      Filter(pf::D3DTFG_POINT);
      Draw(pf::D3DPT_TRIANGLESTRIP, Quad(-0.5f, -0.5f, 47.5f, 11.5f, 0xFFFFFFFF));
      ModulateStage0(Texture(37, 9, sprite, c.texture));
      if (c.blend == 1) Blend(pf::D3DBLEND_SRCALPHA, pf::D3DBLEND_INVSRCALPHA);
      if (c.blend == 2) Blend(pf::D3DBLEND_SRCALPHA, pf::D3DBLEND_ONE);
      device_->SetRenderState(pf::D3DRS_ALPHATESTENABLE, c.alphaRef != 0);
      device_->SetRenderState(pf::D3DRS_ALPHAFUNC, pf::D3DCMP_GREATEREQUAL);
      device_->SetRenderState(pf::D3DRS_ALPHAREF, c.alphaRef);
      Draw(pf::D3DPT_TRIANGLESTRIP, Quad(2.5f, 1.5f, 39.5f, 10.5f, c.diffuse));
      for (int y = 0; y < 12; ++y) {
        for (int x = 0; x < 48; ++x) results[fast].push_back(Pixel(x, y));
      }
    }
    EXPECT_EQ(results[0], results[1]) << c.what;
  }
}

// Sprites whose alpha comes in runs (clear, opaque, in between, of random lengths) have whole
// eight-pixel steps clear or opaque, which the wide loops pass over or copy: alpha blends and
// alpha-tested copies of random such sprites at random places give the general path's bytes.
TEST_F(RasterTest, SpritesWithAlphaRunsMatchTheGeneralPath) {
  std::mt19937 random(11);
  constexpr int kTargetW = 96, kTargetH = 10, kSpriteW = 71, kSpriteH = 7;
  std::vector<std::uint32_t> backdrop(kTargetW * kTargetH);
  for (auto& t : backdrop) t = static_cast<std::uint32_t>(random()) | 0xFF000000u;
  for (int trial = 0; trial < 12; ++trial) {
    std::vector<std::uint32_t> sprite;
    while (sprite.size() < static_cast<std::size_t>(kSpriteW * kSpriteH)) {
      const std::uint32_t kind = random() % 3, length = 1 + random() % 24;
      for (std::uint32_t i = 0; i < length; ++i) {
        const std::uint32_t alpha = kind == 0 ? 0 : kind == 1 ? 255 : random() & 0xFF;
        sprite.push_back((static_cast<std::uint32_t>(random()) & 0x00FFFFFFu) | alpha << 24);
      }
    }
    sprite.resize(kSpriteW * kSpriteH);
    const bool alphaTested = trial % 2 == 1;
    const float left = 0.5f + static_cast<float>(random() % 20), top = 0.5f + static_cast<float>(random() % 3);
    const std::uint32_t alphaRef = 1 + random() % 255;
    std::vector<std::uint32_t> results[2];
    for (int fast = 0; fast < 2; ++fast) {
      OpenDevice(kTargetW, kTargetH);
      pf::testing::UseSpecialisedSpans(fast == 1);
      ModulateStage0(Texture(kTargetW, kTargetH, backdrop, kX888));
      Filter(pf::D3DTFG_POINT);
      Draw(pf::D3DPT_TRIANGLESTRIP, Quad(-0.5f, -0.5f, kTargetW - 0.5f, kTargetH - 0.5f, 0xFFFFFFFF));
      ModulateStage0(Texture(kSpriteW, kSpriteH, sprite, kA8888));
      if (!alphaTested) Blend(pf::D3DBLEND_SRCALPHA, pf::D3DBLEND_INVSRCALPHA);
      device_->SetRenderState(pf::D3DRS_ALPHATESTENABLE, alphaTested);
      device_->SetRenderState(pf::D3DRS_ALPHAFUNC, pf::D3DCMP_GREATEREQUAL);
      device_->SetRenderState(pf::D3DRS_ALPHAREF, alphaRef);
      Draw(pf::D3DPT_TRIANGLESTRIP, Quad(left - 1, top - 1, left - 1 + kSpriteW, top - 1 + kSpriteH, 0xFFFFFFFF));
      for (int y = 0; y < kTargetH; ++y) {
        for (int x = 0; x < kTargetW; ++x) results[fast].push_back(Pixel(x, y));
      }
    }
    EXPECT_EQ(results[0], results[1]) << "trial " << trial << (alphaTested ? " alpha-tested copy" : " alpha blend");
  }
}

// Triangle lists go two triangles at a time, a quad's halves sharing their rows: the pixels must be
// those of the same triangles drawn one call each. Quads as the batches make them (texel for pixel,
// scaled, with fractional texture coordinates), sheared pairs, halves meeting with a jump in the
// texture, overlapping blended pairs, and an
// odd triangle left over at the end of the list.
TEST_F(RasterTest, TriangleListsInPairsMatchOneTriangleAtATime) {
  std::mt19937 random(3);
  std::vector<std::uint32_t> texels(10 * 7);
  for (auto& t : texels) t = static_cast<std::uint32_t>(random());
  const auto list = [](const std::vector<TexturedVertex>& strip) {
    return std::vector<TexturedVertex>{strip[0], strip[1], strip[2], strip[2], strip[1], strip[3]};
  };
  for (int blend = 0; blend < 3; ++blend) {
    for (std::uint32_t filter : {pf::D3DTFG_POINT, pf::D3DTFG_LINEAR}) {
      std::mt19937 shapes(17);
      std::vector<TexturedVertex> vertices;
      for (int n = 0; n < 15; ++n) {
        const auto at = [&](int range) { return static_cast<float>(shapes() % (range * 8)) / 8.0f - 2; };
        const float x0 = std::floor(at(24)) - 0.5f, y0 = std::floor(at(18)) - 0.5f;
        const std::uint32_t diffuse = n % 2 ? 0xFFFFFFFF : (static_cast<std::uint32_t>(shapes()) | 0x40000000u);
        std::vector<TexturedVertex> quad;
        switch (n % 5) {
          case 0: quad = list(Quad(x0, y0, x0 + 10, y0 + 7, diffuse)); break;
          case 1: quad = list(Quad(at(24), at(18), at(24) + 14, at(18) + 9, diffuse, at(2) / 3, at(2) / 3, 1.3f, 0.9f)); break;
          case 2: {
            quad = list(Quad(x0, y0, x0 + 9, y0 + 6, diffuse));
            quad[4].x += 2.5f;  // the second half leans out
            quad[5].x += 2.5f;
            break;
          }
          case 3: {
            // Halves that meet on every row but sample the texture 2.5 texels apart.
            quad = list(Quad(x0, y0, x0 + 10, y0 + 7, diffuse));
            for (int k = 3; k < 6; ++k) quad[k].u += 0.25f;
            break;
          }
          default: {
            // Two triangles over the same pixels: the second blends over the first.
            const std::vector<TexturedVertex> q = list(Quad(x0, y0, x0 + 8, y0 + 8, diffuse));
            quad = {q[0], q[1], q[2], q[0], q[1], q[5]};
            break;
          }
        }
        vertices.insert(vertices.end(), quad.begin(), quad.end());
      }
      vertices.resize(vertices.size() - 3);
      std::vector<std::uint32_t> results[2];
      for (int paired = 0; paired < 2; ++paired) {
        OpenDevice(28, 22, kX888, 0x3C5A7E);
        pf::testing::UseSpecialisedSpans(true);
        const std::uint32_t keyRaw = texels[4];
        pf::DirectDrawSurface7* texture = Texture(10, 7, texels, kA8888);
        pf::DDColorKey key{keyRaw, keyRaw};
        texture->SetColorKey(pf::DDCKEY_SRCBLT, &key);
        ModulateStage0(texture);
        device_->SetRenderState(pf::D3DRS_COLORKEYENABLE, 1);
        if (blend == 1) Blend(pf::D3DBLEND_SRCALPHA, pf::D3DBLEND_INVSRCALPHA);
        if (blend == 2) Blend(pf::D3DBLEND_SRCALPHA, pf::D3DBLEND_ONE);
        Filter(filter);
        if (paired == 1) {
          Draw(pf::D3DPT_TRIANGLELIST, vertices);
        } else {
          for (std::size_t i = 0; i + 2 < vertices.size(); i += 3) {
            Draw(pf::D3DPT_TRIANGLELIST, {vertices[i], vertices[i + 1], vertices[i + 2]});
          }
        }
        for (int y = 0; y < 22; ++y) {
          for (int x = 0; x < 28; ++x) results[paired].push_back(Pixel(x, y));
        }
        device_->Release();
        device_ = nullptr;
      }
      EXPECT_EQ(results[0], results[1]) << "blend " << blend << " filter " << filter;
    }
  }
}

// A quad whose halves make an axis-aligned rectangle placed texel for pixel goes as one run per row:
// the pixels must be those of its two triangles drawn one call each, wherever the rectangle sits
// against pixel centres, texel centres, the viewport and the texture's edges, in either split, and
// for quads that only look like one (mirrored, scaled, sampling next to a texel edge, overlapping),
// under point sampling and bilinear filtering.
TEST_F(RasterTest, TexelForPixelRectanglesMatchTheirTriangles) {
  struct Case {
    const char* what;
    float x0, y0, x1, y1, u0, v0, u1, v1;  // texture of 8 x 6 texels
    bool otherSplit, sameHalfTwice, cutByViewport, secondHalfTinted;
  };
  const float tw = 1.0f / 8, th = 1.0f / 6;
  const Case cases[] = {
      {"half-pixel placement", 2.5f, 1.5f, 10.5f, 7.5f, 0, 0, 1, 1, false, false, false, false},
      {"clamped to whole pixels", 3, 2, 9, 7, 0.5f * tw, 0.5f * th, 6.5f * tw, 5.5f * th, false, false, false, false},
      {"a 256th past the half pixel", 2.5f + 1 / 256.0f, 1.5f, 10.5f + 1 / 256.0f, 7.5f, 0, 0, 1, 1, false, false, false, false},
      {"off pixel centres", 2.3f, 1.7f, 10.3f, 7.7f, 0, 0, 1, 1, false, false, false, false},
      {"sampling on texel edges", 2.5f, 1.5f, 10.5f, 7.5f, 0.5f * tw, 0.5f * th, 1 + 0.5f * tw, 1 + 0.5f * th, false,
       false, false, false},
      {"next to a texel edge", 2.5f, 1.5f, 10.5f, 7.5f, (1 / 8192.0f - 0.5f) * tw, 0, 1 + (1 / 8192.0f - 0.5f) * tw, 1,
       false, false, false, false},
      {"beyond the texture", 1.5f, 0.5f, 13.5f, 9.5f, -2 * tw, -2 * th, 1 + 2 * tw, 1 + 1 * th, false, false, false, false},
      {"past the target's corner", -3.5f, -2.5f, 4.5f, 3.5f, 0, 0, 1, 1, false, false, false, false},
      {"past the target's far corner", 12.5f, 8.5f, 20.5f, 14.5f, 0, 0, 1, 1, false, false, false, false},
      {"cut by the viewport", 2.5f, 1.5f, 10.5f, 7.5f, 0, 0, 1, 1, false, false, true, false},
      {"split the other way", 2.5f, 1.5f, 10.5f, 7.5f, 0, 0, 1, 1, true, false, false, false},
      {"mirrored", 2.5f, 1.5f, 10.5f, 7.5f, 1, 0, 0, 1, false, false, false, false},
      {"scaled", 2.5f, 1.5f, 14.5f, 10.5f, 0, 0, 1, 1, false, false, false, false},
      {"halves in two colours", 2.5f, 1.5f, 10.5f, 7.5f, 0, 0, 1, 1, false, false, false, true},
      {"one half twice", 2.5f, 1.5f, 10.5f, 7.5f, 0, 0, 1, 1, false, true, false, false},
  };
  std::mt19937 random(11);
  std::vector<std::uint32_t> texels(8 * 6), backdrop(16 * 12);
  for (auto& t : texels) t = static_cast<std::uint32_t>(random());
  for (auto& t : backdrop) t = static_cast<std::uint32_t>(random()) | 0xFF000000u;
  for (const Case& c : cases) {
    for (int blend = 0; blend < 12; ++blend) {
      for (const std::uint32_t diffuse : {0xFFFFFFFFu, 0x9060C0A0u}) {
        const bool flat = blend % 6 >= 3;
        const std::vector<TexturedVertex> q = Quad(c.x0, c.y0, c.x1, c.y1, diffuse, c.u0, c.v0, c.u1, c.v1);
        std::vector<TexturedVertex> list = c.otherSplit ? std::vector<TexturedVertex>{q[0], q[1], q[3], q[3], q[2], q[0]}
                                                        : std::vector<TexturedVertex>{q[0], q[1], q[2], q[3], q[2], q[1]};
        if (c.sameHalfTwice) list = {q[0], q[1], q[2], q[0], q[1], q[2]};
        if (c.secondHalfTinted) list[3].diffuse = 0xC0FF8040u;
        std::vector<std::uint32_t> results[2];
        for (int paired = 0; paired < 2; ++paired) {
          OpenDevice(16, 12);
          pf::testing::UseSpecialisedSpans(true);
          ModulateStage0(Texture(16, 12, backdrop, kX888));
          Filter(pf::D3DTFG_POINT);
          Draw(pf::D3DPT_TRIANGLESTRIP, Quad(-0.5f, -0.5f, 15.5f, 11.5f, 0xFFFFFFFF));
          pf::DirectDrawSurface7* texture = Texture(8, 6, texels, kA8888);
          pf::DDColorKey key{pf::d3d::Narrow<pf::d3d::PixelKind::k8888>(texels[9]),
                             pf::d3d::Narrow<pf::d3d::PixelKind::k8888>(texels[9])};
          texture->SetColorKey(pf::DDCKEY_SRCBLT, &key);
          ModulateStage0(texture);
          Filter(blend >= 6 ? pf::D3DTFG_LINEAR : pf::D3DTFG_POINT);
          device_->SetRenderState(pf::D3DRS_COLORKEYENABLE, 1);
          if (blend % 3 == 1) Blend(pf::D3DBLEND_SRCALPHA, pf::D3DBLEND_INVSRCALPHA);
          if (blend % 3 == 2) Blend(pf::D3DBLEND_SRCALPHA, pf::D3DBLEND_ONE);
          device_->SetRenderState(pf::D3DRS_SHADEMODE, flat ? pf::D3DSHADE_FLAT : pf::D3DSHADE_GOURAUD);
          if (c.cutByViewport) {
            pf::D3DViewport7 viewport{4, 3, 5, 3, 0.0f, 1.0f};
            device_->SetViewport(&viewport);
          }
          if (paired == 1) {
            Draw(pf::D3DPT_TRIANGLELIST, list);
          } else {
            Draw(pf::D3DPT_TRIANGLELIST, {list[0], list[1], list[2]});
            Draw(pf::D3DPT_TRIANGLELIST, {list[3], list[4], list[5]});
          }
          for (int y = 0; y < 12; ++y) {
            for (int x = 0; x < 16; ++x) results[paired].push_back(Pixel(x, y));
          }
        }
        EXPECT_EQ(results[0], results[1]) << c.what << ", blend " << blend % 3 << (flat ? ", flat" : ", Gouraud")
                                          << (blend >= 6 ? ", bilinear" : ", point")
                                          << ", diffuse " << std::hex << diffuse;
      }
    }
  }
}

}  // namespace
