// Depth clipping: which triangles are dropped, kept or cut, the polygon a cut leaves, the colour of
// cut points, the flags the pieces are drawn with, and that cutting always ends.
#include <gtest/gtest.h>

#include <random>

#include "media/software/raster3d_clip.h"
#include "guard_frame.h"
#include "raster3d_fixture.h"

namespace zelvo {
namespace {

using soft::CutTriangleAtDepthPlanes;
using testing_soft::DrawOptions;
using testing_soft::GuardFrame;
using testing_soft::ResetSoft;
using testing_soft::TestImage;
using testing_soft::Vtx;

TEST(Raster3DClip, CountsVerticesOutsideTheRange) {
  struct Case {
    const char* name;
    float z0, z1, z2;
    int result, count;
  };
  const Case cases[] = {
      {"three in front", -0.1f, -0.2f, 1.5f, soft::kDepthDropped, 0},
      {"one in front, two behind", -0.1f, 1.2f, 1.5f, soft::kDepthDropped, 0},
      {"closed range is inside", 0.0f, 1.0f, 0.5f, soft::kDepthInside, 0},
      {"one in front", -0.1f, 0.5f, 0.6f, soft::kDepthCut, 4},
      {"one behind", 0.5f, 1.5f, 0.6f, soft::kDepthCut, 4},
      {"two in front", -0.1f, -0.5f, 0.6f, soft::kDepthCut, 3},
      {"one in front, one behind", -0.5f, 1.5f, 0.5f, soft::kDepthCut, 5},
  };
  for (const Case& c : cases) {
    const ScreenVertex v[3] = {Vtx(0, 0, c.z0), Vtx(100, 0, c.z1), Vtx(0, 100, c.z2)};
    ScreenVertex polygon[soft::kDepthPolygonSlots];
    int count = 0;
    EXPECT_EQ(c.result, CutTriangleAtDepthPlanes(v, polygon, &count)) << c.name;
    if (c.result == soft::kDepthCut) {
      EXPECT_EQ(c.count, count) << c.name;
    }
  }
}

TEST(Raster3DClip, NearCutPolygonAndColours) {
  // Vertex 0 lies in front of the near plane, halfway in depth to each of the others.
  const ScreenVertex v[3] = {Vtx(0, 0, -0.5f, 1, 0xFF000000), Vtx(100, 0, 0.5f, 1, 0xFF0000FF),
                             Vtx(0, 100, 0.5f, 1, 0xFF0000FF)};
  ScreenVertex p[soft::kDepthPolygonSlots];
  int count = 0;
  ASSERT_EQ(soft::kDepthCut, CutTriangleAtDepthPlanes(v, p, &count));
  ASSERT_EQ(4, count);
  // The cut of edge 0-1, vertices 1 and 2, then the cut of edge 2-0.
  EXPECT_FLOAT_EQ(50.0f, p[0].x);
  EXPECT_FLOAT_EQ(0.0f, p[0].y);
  EXPECT_FLOAT_EQ(100.0f, p[1].x);
  EXPECT_FLOAT_EQ(100.0f, p[2].y);
  EXPECT_FLOAT_EQ(0.0f, p[3].x);
  EXPECT_FLOAT_EQ(50.0f, p[3].y);
  for (int i : {0, 3}) {
    EXPECT_EQ(0.0f, p[i].z);
    // t = 0.5 weighs 127: blue 0 toward 255 gives 126.
    EXPECT_EQ(0xFF00007Eu, p[i].diffuse);
  }
}

TEST(Raster3DClip, FarCutIsFoundOnScreenDepth) {
  // The cut parameter comes from z / w, so the cut point lands beyond the far plane (7/6 here) and
  // its pieces are cut again.
  const ScreenVertex v[3] = {Vtx(0, 0, 0.5f, 0.5f), Vtx(100, 0, 1.5f, 0.25f), Vtx(0, 100, 0.5f, 0.5f)};
  ScreenVertex p[soft::kDepthPolygonSlots];
  int count = 0;
  ASSERT_EQ(soft::kDepthCut, CutTriangleAtDepthPlanes(v, p, &count));
  ASSERT_EQ(4, count);
  EXPECT_NEAR(7.0 / 6.0, p[1].z, 1e-6);
  EXPECT_NEAR(7.0 / 6.0, p[2].z, 1e-6);
  ResetSoft();
  TestImage dst(128, 128, kMemImg565);
  DrawOptions o;
  o.depthClip = 1;
  testing_soft::Draw(dst.get(), v, o);
  EXPECT_NE(0u, dst.px(10, 10));
}

TEST(Raster3DClip, PiecesUseThePassOnDepthWrite) {
  for (int cut : {0, 1}) {
    ResetSoft();
    TestImage dst(16, 16, kMemImg8888), zbuf(16, 16, kMemImgDepth16);
    zbuf.fill(0xFFFF);
    DrawOptions o;
    o.zbuf = zbuf.get();
    o.zWrite = 0;
    o.clipZWrite = 1;
    o.depthClip = 1;
    const ScreenVertex v[3] = {Vtx(0, 0, 0.5f), Vtx(16, 0, 0.5f), Vtx(0, 16, cut ? 1.5f : 0.75f)};
    testing_soft::Draw(dst.get(), v, o);
    // Pieces are modulated (white turns 254) and write depth; the whole triangle does neither.
    EXPECT_EQ(cut ? 0x00FEFEFEu : 0xFFFFFFFFu, dst.px(2, 1)) << cut;
    EXPECT_EQ(cut == 1, zbuf.px(2, 1) != 0xFFFF) << cut;
  }
}

TEST(Raster3DClip, RandomTrianglesEndAndStayInside) {
  ResetSoft();
  TestImage dstFrame(64 + 8, 64 + 8, kMemImg565), zbufFrame(64 + 8, 64 + 8, kMemImgDepth16);
  GuardFrame dst(dstFrame.get(), 4), zbuf(zbufFrame.get(), 4);
  std::mt19937 rng(12345);
  std::uniform_real_distribution<float> pos(-40.0f, 100.0f), depth(-1.0f, 2.0f), rhw(0.05f, 4.0f);
  DrawOptions o;
  o.zbuf = zbuf.get();
  o.clipZWrite = 1;
  o.depthClip = 1;
  for (int i = 0; i < 3000; ++i) {
    ScreenVertex v[3];
    for (ScreenVertex& p : v) p = Vtx(pos(rng), pos(rng), depth(rng), rhw(rng), rng(), 0.5f, 0.5f);
    testing_soft::Draw(dst.get(), v, o);
    ASSERT_EQ(dst.DamagedBytes(), 0) << "draw " << i;
    ASSERT_EQ(zbuf.DamagedBytes(), 0) << "draw " << i;
  }
  // Near-plane pieces reach depth 0.
  bool sawNear = false;
  for (int y = 0; y < 64; ++y)
    for (int x = 0; x < 64; ++x) sawNear |= zbuf.Pixel(x, y) < 0x100;
  EXPECT_TRUE(sawNear);
}

}  // namespace
}  // namespace zelvo
