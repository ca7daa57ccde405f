// Shape rasterizers: the pixel sets of circles, ellipses and lines (each hit counted by drawing in
// add mode with blue 1), boxes, line lists, the shape pixel rule and the refusals.
#include <gtest/gtest.h>

#include <climits>
#include <cstdlib>
#include <map>
#include <set>
#include <utility>

#include "media/software/blit.h"
#include "media/software/shapes.h"
#include "soft_image.h"

namespace zelvo {
namespace {

using testing_soft::ResetSoft;
using testing_soft::SetBlend;
using testing_soft::TestImage;

using Point = std::pair<int, int>;
using Hits = std::map<Point, int>;

// Every pixel hit and how often, relative to (ox, oy).
Hits CountHits(TestImage& img, int ox, int oy) {
  Hits hits;
  for (int y = 0; y < img.get()->height; ++y)
    for (int x = 0; x < img.get()->width; ++x)
      if (int n = static_cast<int>(img.px(x, y) & 0xFF)) hits[Point(x - ox, y - oy)] = n;
  return hits;
}

class Shapes : public ::testing::Test {
 protected:
  void SetUp() override {
    ResetSoft(64, 64);
    SetBlend(kBlendAdd, 255);
  }
  TestImage img{64, 64, kMemImg8888};
};

TEST_F(Shapes, FilledCircleRadiusTwo) {
  RasterCircle(img.get(), 20, 20, 2, 1, 1);
  Hits hits = CountHits(img, 20, 20);
  EXPECT_EQ(21u, hits.size());
  for (auto& [p, n] : hits) {
    EXPECT_EQ(1, n);
    EXPECT_LE(std::abs(p.first), std::abs(p.second) == 2 ? 1 : 2);
  }
}

TEST_F(Shapes, OutlinedCircles) {
  RasterCircle(img.get(), 20, 20, 2, 1, 0);
  const Hits expected2 = {{{-2, 0}, 1}, {{2, 0}, 1}, {{-2, 1}, 1}, {{2, 1}, 1}, {{-2, -1}, 1}, {{2, -1}, 1},
                          {{0, 2}, 1}, {{0, -2}, 1}, {{-1, 2}, 1}, {{1, 2}, 1}, {{-1, -2}, 1}, {{1, -2}, 1}};
  EXPECT_EQ(expected2, CountHits(img, 20, 20));
  img.fill(0);
  RasterCircle(img.get(), 20, 20, 3, 1, 0);
  for (auto& [p, n] : CountHits(img, 20, 20)) EXPECT_EQ(std::abs(p.first) == 2 && std::abs(p.second) == 2 ? 2 : 1, n);
  img.fill(0);
  RasterCircle(img.get(), 20, 20, 0, 1, 0);
  EXPECT_EQ((Hits{{{0, 0}, 4}}), CountHits(img, 20, 20));
  img.fill(0);
  RasterCircle(img.get(), 20, 20, 0, 1, 1);
  EXPECT_EQ((Hits{{{0, 0}, 1}}), CountHits(img, 20, 20));
}

std::map<int, std::pair<int, int>> RowSpans(const Hits& hits) {
  std::map<int, std::pair<int, int>> rows;
  for (auto& [p, n] : hits) {
    EXPECT_EQ(1, n);
    auto it = rows.find(p.second);
    if (it == rows.end()) rows[p.second] = {p.first, p.first};
    else it->second = {std::min(it->second.first, p.first), std::max(it->second.second, p.first)};
  }
  return rows;
}

TEST_F(Shapes, FilledEllipses) {
  RasterOval(img.get(), 20, 20, 5, 3, 1, 1);
  const std::map<int, std::pair<int, int>> wide = {{-3, {-2, 2}}, {-2, {-4, 4}}, {-1, {-5, 5}}, {0, {-5, 5}},
                                                   {1, {-5, 5}},  {2, {-4, 4}},  {3, {-2, 2}}};
  EXPECT_EQ(wide, RowSpans(CountHits(img, 20, 20)));
  img.fill(0);
  RasterOval(img.get(), 20, 20, 5, 1, 1, 1);
  const std::map<int, std::pair<int, int>> flat = {{-1, {0, 0}}, {0, {-5, 5}}, {1, {0, 0}}};
  EXPECT_EQ(flat, RowSpans(CountHits(img, 20, 20)));
  img.fill(0);
  RasterOval(img.get(), 30, 30, 4, 10, 1, 1);  // tall: the walk reaches past ry
  auto tall = RowSpans(CountHits(img, 30, 30));
  EXPECT_EQ(-11, tall.begin()->first);
  EXPECT_EQ(11, tall.rbegin()->first);
  EXPECT_EQ(11, OvalVerticalExtent(4, 10));
  EXPECT_EQ(3, OvalVerticalExtent(5, 3));
}

TEST_F(Shapes, OutlinedFlatEllipseAndZeroRadius) {
  RasterOval(img.get(), 20, 20, 5, 1, 1, 0);
  Hits hits = CountHits(img, 20, 20);
  EXPECT_EQ(1, hits[Point(-5, 0)]);
  EXPECT_EQ(1, hits[Point(5, 0)]);
  EXPECT_EQ(1, hits[Point(0, -1)]);
  EXPECT_EQ(1, hits[Point(0, 1)]);
  for (int x = 1; x <= 4; ++x) {
    EXPECT_EQ(2, hits[Point(x, 0)]);
    EXPECT_EQ(2, hits[Point(-x, 0)]);
  }
  EXPECT_EQ(0u, hits.count({0, 0}));
  img.fill(0);
  RasterOval(img.get(), 20, 20, 0, 5, 1, 1);
  RasterOval(img.get(), 20, 20, 5, 0, 1, 0);
  EXPECT_TRUE(CountHits(img, 0, 0).empty());
}

TEST_F(Shapes, FilledShapesCoverTheirOutlines) {
  for (auto [rx, ry] : {std::pair{7, 7}, std::pair{9, 4}, std::pair{3, 11}, std::pair{12, 12}}) {
    TestImage outline(64, 64, kMemImg8888), filled(64, 64, kMemImg8888);
    RasterOval(outline.get(), 32, 32, rx, ry, 1, 0);
    RasterOval(filled.get(), 32, 32, rx, ry, 1, 1);
    RasterCircle(outline.get(), 32, 32, rx, 1, 0);
    RasterCircle(filled.get(), 32, 32, rx, 1, 1);
    for (auto& [p, n] : CountHits(outline, 0, 0)) EXPECT_NE(0u, filled.px(p.first, p.second)) << rx << "," << ry;
  }
}

TEST_F(Shapes, CircleClippedAtTheRegionCorner) {
  g_softBlend.drawRegion = {10, 10, 30, 30};
  RasterCircle(img.get(), 10, 10, 3, 1, 1);
  Hits hits = CountHits(img, 10, 10);
  EXPECT_FALSE(hits.empty());
  for (auto& [p, n] : hits) {
    EXPECT_GE(p.first, 0);
    EXPECT_GE(p.second, 0);
  }
  EXPECT_EQ(1, hits[Point(3, 0)]);
  EXPECT_EQ(1, hits[Point(0, 3)]);
}

TEST_F(Shapes, LinePixelSets) {
  struct LineCase {
    int x1, y1, x2, y2;
    std::set<Point> expected;
  } cases[] = {
      {0, 0, 4, 2, {{0, 0}, {1, 0}, {2, 1}, {3, 1}}},
      {0, 0, 2, 4, {{0, 0}, {0, 1}, {1, 2}, {1, 3}}},
      {3, 3, 3, 3, {}},
      {6, 2, 2, 2, {{6, 2}, {5, 2}, {4, 2}, {3, 2}}},
  };
  for (const LineCase& c : cases) {
    img.fill(0);
    DrawMemImgLine(img.get(), c.x1, c.y1, c.x2, c.y2, 1);
    std::set<Point> got;
    for (auto& [p, n] : CountHits(img, 0, 0)) {
      EXPECT_EQ(1, n);
      got.insert(p);
    }
    EXPECT_EQ(c.expected, got) << c.x1 << "," << c.y1 << " -> " << c.x2 << "," << c.y2;
  }
}

TEST(ShapesLine, ClippedHorizontalAndRightEdge) {
  ResetSoft();
  SetBlend(kBlendAdd, 255);
  TestImage img(640, 480, kMemImg565);
  DrawMemImgLine(img.get(), -5, 10, 1000, 10, 1);
  for (int x = 0; x < 640; ++x) ASSERT_EQ(1u, img.px(x, 10)) << x;
  EXPECT_EQ(0u, img.px(0, 9));
  TestImage small(16, 4, kMemImg8888);
  g_softBlend.drawRegion = {2, 0, 10, 4};
  DrawMemImgLine(small.get(), 5, 1, 10, 1, 1);   // ends at R: draws up to R - 1
  DrawMemImgLine(small.get(), -3, 2, 4, 2, 1);   // starts outside on the left: starts at L
  EXPECT_EQ((std::vector<uint32_t>{0, 0, 0, 0, 0, 1, 1, 1, 1, 1, 0, 0, 0, 0, 0, 0}), small.row(1));
  EXPECT_EQ((std::vector<uint32_t>{0, 0, 1, 1, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0}), small.row(2));
}

TEST_F(Shapes, ClosedLineListAddsEachCornerOnce) {
  const LineRecord box[4] = {{10, 10, 19, 10, 1, 0}, {19, 10, 19, 19, 1, 0}, {19, 19, 10, 19, 1, 0}, {10, 19, 10, 10, 1, 0}};
  DrawMemImgLineList(img.get(), box, 4);
  Hits hits = CountHits(img, 0, 0);
  EXPECT_EQ(36u, hits.size());
  for (auto& [p, n] : hits) EXPECT_EQ(1, n);
  DrawMemImgLineList(img.get(), box, 0);
  DrawMemImgLineList(img.get(), box, -1);
  EXPECT_EQ(36u, CountHits(img, 0, 0).size());
}

TEST_F(Shapes, BoxFill) {
  const IntRect reversed{12, 8, 4, 2};
  FillMemImgRectBlend(img.get(), &reversed, 1);
  Hits hits = CountHits(img, 0, 0);
  EXPECT_EQ(8u * 6u, hits.size());
  EXPECT_EQ(1u, hits.count({4, 2}));
  EXPECT_EQ(1u, hits.count({11, 7}));
  // null: the whole image within the region
  img.fill(0);
  g_softBlend.drawRegion = {1, 1, 3, 2};
  FillMemImgRectBlend(img.get(), nullptr, 1);
  EXPECT_EQ((Hits{{{1, 1}, 1}, {{2, 1}, 1}}), CountHits(img, 0, 0));
  // outside the region, or zero-sized: nothing
  img.fill(0);
  FillMemImgBox(img.get(), 20, 20, 30, 30, 1);
  FillMemImgBox(img.get(), 1, 1, 1, 5, 1);
  EXPECT_TRUE(CountHits(img, 0, 0).empty());
}

TEST(ShapesBox, SixteenBitOddWidthAndPaletteRefusal) {
  ResetSoft();
  TestImage img(5, 2, kMemImg565);
  img.fill(0x1111);
  FillMemImgBox(img.get(), 0, 0, 3, 1, 0xABCD);
  EXPECT_EQ((std::vector<uint32_t>{0xABCD, 0xABCD, 0xABCD, 0x1111, 0x1111}), img.row(0));
  FillMemImgBox(img.get(), 4, 1, 5, 2, 0x5555);
  EXPECT_EQ((std::vector<uint32_t>{0x1111, 0x1111, 0x1111, 0x1111, 0x5555}), img.row(1));
  TestImage pal(4, 1, kMemImg8888, 1), alpha(4, 1, kMemImg8888, 0, 1);
  FillMemImgBox(pal.get(), 0, 0, 4, 1, 9);
  FillMemImgBox(alpha.get(), 0, 0, 4, 1, 9);
  EXPECT_EQ(0u, pal.px(0, 0));
  EXPECT_EQ(0u, alpha.px(0, 0));
}

struct ShapeRuleCase {
  int type, mode, param;
  uint32_t tint, colour, dst, expected;
};

TEST(ShapesRule, PixelRuleOfShapes) {
  const ShapeRuleCase cases[] = {
      // 32-bit: copy writes the whole word; add at 255 carries red into byte 3; subtract clears it
      {kMemImg8888, 0, 0, kTintOff, 0xAA123456, 0x11000000, 0xAA123456},
      {kMemImg8888, 2, 255, kTintOff, 0x00808080, 0x00808080, 0x01FFFFFF},
      {kMemImg8888, 3, 255, kTintOff, 0x00FFFFFF, 0x55FFFFFF, 0x00010100},
      {kMemImg8888, 1, 64, kTintOff, 0x00C86432, 0x11204080, 0x114A496C},
      {kMemImg8888, 1, 128, kTintOff, 0x00C86432, 0x11204080, 0x11745259},  // no half blend
      {kMemImg8888, 4, 0, kTintOff, 0x00C86432, 0x11204080, 0x11191919},
      // the tint is a shift by 8: 255 under 255 becomes 254; byte 3 of the colour kept
      {kMemImg8888, 0, 255, 0x00FFFFFE, 0x99FFFFFF, 0, 0x99FEFEFD},
      {kMemImg8888, 1, 0, kTintOff, 0x00FFFFFF, 0x11204080, 0x11204080},
      {kMemImg8888, 9, 255, kTintOff, 0x00FFFFFF, 0x11204080, 0x11204080},
      // 16-bit: mode 1 through the signed table, never the six-bit lerp
      {kMemImg565, 1, 64, kTintOff, 0xCD06, 0x221E, 0x4AD8},
      {kMemImg565, 4, 0, kTintOff, 0xCD06, 0x221E, 0x1945},
      {kMemImg565, 2, 128, kTintOff, 0xCD06, 0x221E, 0x84BF},
      {kMemImg565, 3, 128, kTintOff, 0xCD06, 0x221E, 0x001B},
      {kMemImg565, 0, 0, kTintOff, 0x1CD06, 0x221E, 0xCD06},  // colours beyond 16 bits are cut
      {kMemImg565, 2, 255, 0x00FF0000, 0xFFFF, 0x0000, 0xF000},  // red 31 * 255 >> 8 = 30
  };
  for (const ShapeRuleCase& c : cases) {
    ResetSoft();
    TestImage img(1, 1, c.type);
    img.set(0, 0, c.dst);
    SetBlend(c.mode, c.param);
    g_softBlend.drawTint = c.tint;
    FillMemImgBox(img.get(), 0, 0, 1, 1, c.colour);
    EXPECT_EQ(c.expected, img.px(0, 0)) << "type " << c.type << " mode " << c.mode << " param " << c.param;
  }
}

}  // namespace
}  // namespace zelvo

namespace zelvo {
namespace {

// Positions near the ends of the int range stay defined (no overflow) and draw nothing.
TEST(ShapesExtremes, FarPositionsDrawNothing) {
  testing_soft::ResetSoft(64, 64);
  testing_soft::SetBlend(kBlendAdd, 255);
  testing_soft::TestImage img(64, 64, kMemImg8888), src(8, 8, kMemImg8888);
  src.fill(0x00FFFFFF);
  RasterCircle(img.get(), INT32_MAX - 1, INT32_MAX - 1, 10, 1, 1);
  RasterCircle(img.get(), INT32_MIN + 1, 5, 10, 1, 0);
  RasterOval(img.get(), INT32_MIN + 1, INT32_MAX - 1, 10, 20, 1, 1);
  RasterOval(img.get(), 5, 5, INT32_MIN, 0, 1, 1);
  FillMemImgBox(img.get(), INT32_MIN, INT32_MIN, INT32_MIN + 1, INT32_MAX, 1);
  BlitMemImg(img.get(), src.get(), INT32_MAX - 3, INT32_MAX - 3, 0, nullptr);
  const IntRect far{INT32_MAX - 100, 0, INT32_MAX - 50, 10};
  StretchBlitMemImg(img.get(), src.get(), &far, 0, nullptr);
  for (int y = 0; y < 64; ++y)
    for (int x = 0; x < 64; ++x) EXPECT_EQ(img.px(x, y), 0u) << x << "," << y;
}

TEST(ShapesExtremes, LineBetweenFarEndsCrossesOnlyItsDiagonal) {
  testing_soft::ResetSoft(64, 64);
  testing_soft::SetBlend(kBlendAdd, 255);
  testing_soft::TestImage img(64, 64, kMemImg8888);
  // Equal steps in x and y: every pixel of the line inside the image has x == y.
  DrawMemImgLine(img.get(), INT32_MIN, INT32_MIN, INT32_MAX, INT32_MAX, 1);
  for (int y = 0; y < 64; ++y) {
    for (int x = 0; x < 64; ++x) {
      if (x == y) continue;
      EXPECT_EQ(img.px(x, y), 0u) << x << "," << y;
    }
  }
}

}  // namespace
}  // namespace zelvo
