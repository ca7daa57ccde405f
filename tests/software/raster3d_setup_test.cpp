// Triangle set-up: rejections, the span table's rows and columns at pixel centres, the edge cases of
// the middle vertex, and the fixed-point planes.
#include <gtest/gtest.h>

#include <vector>

#include "media/software/raster3d_setup.h"
#include "raster3d_fixture.h"

namespace zelvo {
namespace {

using soft::SetUpTriangle3D;
using soft::TriangleSetup;
using soft::TriangleSpanTable;
using testing_soft::Vtx;

const IntRect kScreen{0, 0, 640, 480};

struct Span {
  int first, count;
  bool operator==(const Span&) const = default;
};

std::vector<Span> Spans(const TriangleSetup& s) {
  std::vector<Span> out;
  for (int i = 0; i < s.rowCount; ++i) out.push_back({TriangleSpanTable[i].first, TriangleSpanTable[i].count});
  return out;
}

TEST(Raster3DSetup, Rejections) {
  struct Case {
    const char* name;
    ScreenVertex v[3];
    IntRect region;
    int expected;
  };
  const Case cases[] = {
      {"one pixel tall", {Vtx(0, 5), Vtx(10, 5), Vtx(5, 6)}, kScreen, -1},
      {"1.05 wide", {Vtx(5, 0), Vtx(6.05f, 5), Vtx(5, 10)}, kScreen, -1},
      {"exactly 1.1 tall", {Vtx(0, 0), Vtx(10, 0), Vtx(5, 1.1f)}, kScreen, 0},
      {"right of region left edge only at a point", {Vtx(-10, 0), Vtx(0, 5), Vtx(-10, 10)}, kScreen, 0},
      {"left of region", {Vtx(-10, 0), Vtx(-0.5f, 5), Vtx(-10, 10)}, kScreen, -1},
      {"smallest x at region right", {Vtx(640, 0), Vtx(650, 5), Vtx(640, 10)}, kScreen, -1},
      {"above region", {Vtx(0, -10), Vtx(10, -10), Vtx(0, -0.5f)}, kScreen, -1},
      {"smallest y at region bottom", {Vtx(0, 480), Vtx(10, 480), Vtx(0, 490)}, kScreen, -1},
      {"all in front of near plane", {Vtx(0, 0, -0.1f), Vtx(10, 0, -0.2f), Vtx(0, 10, -0.01f)}, kScreen, -1},
      {"all at or behind far plane", {Vtx(0, 0, 1.0f), Vtx(10, 0, 1.5f), Vtx(0, 10, 1.0f)}, kScreen, -1},
      {"partly outside the depth range", {Vtx(0, 0, -0.5f), Vtx(10, 0, 0.5f), Vtx(0, 10, 1.5f)}, kScreen, 0},
      {"collinear", {Vtx(0, 0), Vtx(2, 2), Vtx(4, 4)}, kScreen, -1},
  };
  for (const Case& c : cases) {
    TriangleSetup s;
    EXPECT_EQ(c.expected, SetUpTriangle3D(c.v, c.region, &s)) << c.name;
  }
}

TEST(Raster3DSetup, RowsAreWalkedAtTheirCentres) {
  // T.y = 10.5: row 10's centre equals the vertex, so row 11 is first; B.y = 20.5 ends at row 19.
  const ScreenVertex v[3] = {Vtx(0, 10.5f), Vtx(10, 20.5f), Vtx(0, 20.5f)};
  TriangleSetup s;
  ASSERT_EQ(0, SetUpTriangle3D(v, kScreen, &s));
  EXPECT_EQ(11, s.firstRow);
  EXPECT_EQ(9, s.rowCount);
}

TEST(Raster3DSetup, ColumnsAreTakenAtPixelCentres) {
  TriangleSetup s;
  // Left edge at x = 3.5 starts at pixel 4.
  const ScreenVertex left[3] = {Vtx(3.5f, 0), Vtx(3.5f, 10), Vtx(20, 10)};
  ASSERT_EQ(0, SetUpTriangle3D(left, kScreen, &s));
  for (const Span& span : Spans(s)) EXPECT_EQ(4, span.first);
  // Right edge at x = 7.5 includes pixel 7.
  const ScreenVertex right[3] = {Vtx(7.5f, 0), Vtx(7.5f, 10), Vtx(0, 10)};
  ASSERT_EQ(0, SetUpTriangle3D(right, kScreen, &s));
  for (const Span& span : Spans(s)) EXPECT_EQ(7, span.first + span.count - 1);
  // A right edge at x = 0.25 still holds pixel 0: the quotient truncates toward zero.
  const ScreenVertex nearZero[3] = {Vtx(-10, 0), Vtx(0.25f, 0), Vtx(0.25f, 10)};
  ASSERT_EQ(0, SetUpTriangle3D(nearZero, kScreen, &s));
  ASSERT_EQ(10, s.rowCount);
  EXPECT_EQ((Span{0, 1}), Spans(s)[9]);
}

TEST(Raster3DSetup, MiddleVertexOnTheRightStartsItsLowerEdgeOnePixelOut) {
  const ScreenVertex v[3] = {Vtx(0, 0), Vtx(8, 4), Vtx(0, 8)};
  TriangleSetup s;
  ASSERT_EQ(0, SetUpTriangle3D(v, kScreen, &s));
  ASSERT_EQ(8, s.rowCount);
  const std::vector<Span> spans = Spans(s);
  EXPECT_EQ((Span{0, 7}), spans[3]);
  EXPECT_EQ((Span{0, 8}), spans[4]);
  EXPECT_EQ((Span{0, 6}), spans[5]);
  // On the left there is no such offset: the mirrored triangle's rows 3 to 5 hold 7, 7 and 5.
  const ScreenVertex m[3] = {Vtx(8, 0), Vtx(0, 4), Vtx(8, 8)};
  ASSERT_EQ(0, SetUpTriangle3D(m, kScreen, &s));
  EXPECT_EQ(7, Spans(s)[3].count);
  EXPECT_EQ(7, Spans(s)[4].count);
  EXPECT_EQ(5, Spans(s)[5].count);
}

TEST(Raster3DSetup, RegionTopBelowTheMiddleVertexStartsOnTheLowerSegment) {
  const ScreenVertex v[3] = {Vtx(0, 0), Vtx(8, 4), Vtx(0, 8)};
  TriangleSetup s;
  ASSERT_EQ(0, SetUpTriangle3D(v, IntRect{0, 5, 640, 480}, &s));
  EXPECT_EQ(5, s.firstRow);
  EXPECT_EQ((Span{0, 6}), Spans(s)[0]);
}

TEST(Raster3DSetup, FlatTopStartsEachSideAtItsOwnVertex) {
  const ScreenVertex v[3] = {Vtx(0, 3.2f), Vtx(10, 3.9f), Vtx(5, 12)};
  TriangleSetup s;
  ASSERT_EQ(0, SetUpTriangle3D(v, kScreen, &s));
  EXPECT_EQ(3, s.firstRow);
  EXPECT_EQ((Span{0, 10}), Spans(s)[0]);
}

TEST(Raster3DSetup, SpansAreClippedToTheRegion) {
  const ScreenVertex v[3] = {Vtx(-20, -20), Vtx(40, -20), Vtx(-20, 40)};
  TriangleSetup s;
  ASSERT_EQ(0, SetUpTriangle3D(v, IntRect{2, 3, 6, 5}, &s));
  EXPECT_EQ(3, s.firstRow);
  EXPECT_EQ((std::vector<Span>{{2, 4}, {2, 4}}), Spans(s));
}

TEST(Raster3DSetup, PlanesInFixedPoint) {
  // z = x / 100 + y / 200; red 255 at (100, 0); rhw 1 everywhere.
  const ScreenVertex v[3] = {Vtx(0, 0, 0.0f, 1, 0x00000000), Vtx(100, 0, 1.0f, 1, 0x00FF0000),
                             Vtx(0, 100, 0.5f, 1, 0x00000000)};
  TriangleSetup s;
  ASSERT_EQ(0, SetUpTriangle3D(v, kScreen, &s));
  EXPECT_EQ(167772, s.plane[soft::kInterpZ].stepX);
  EXPECT_EQ(83886, s.plane[soft::kInterpZ].stepY);
  EXPECT_EQ(0, s.plane[soft::kInterpZ].base);
  EXPECT_EQ(83886 / 2, s.rowBase[soft::kInterpZ]);
  EXPECT_EQ(67108864, s.plane[soft::kInterpRhw].base);
  EXPECT_EQ(0, s.plane[soft::kInterpRhw].stepX);
  EXPECT_EQ(41779, s.plane[soft::kInterpRed].stepX);
  EXPECT_EQ(0, s.plane[soft::kInterpRed].stepY);
}

TEST(Raster3DSetup, NoMoreRowsThanTheTableHolds) {
  using testing_soft::TestImage;
  testing_soft::ResetSoft(2, 5000);
  TestImage dst(2, 5000, kMemImg565);
  const ScreenVertex v[3] = {Vtx(-1, -1), Vtx(10, -1), Vtx(-1, 8000)};
  testing_soft::DrawOptions o;
  testing_soft::Draw(dst.get(), v, o);
  EXPECT_EQ(0xFFFFu, dst.px(0, 4095));
  EXPECT_EQ(0u, dst.px(0, 4096));
}

}  // namespace
}  // namespace zelvo
