// The triangle mapper's walk and sampler: which destination pixels a triangle covers, which source
// pixel each one takes, clipping, degenerate triangles and refusals; and the quad splitter.
#include "media/software/triangle_map.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <string>

#include "media/software/quad_split.h"
#include "tests/software/guard_frame.h"
#include "tests/software/triangle_map_fixture.h"

namespace zelvo {
namespace {

using testing::MapImage;

constexpr uint32_t kBack = 0xAA000000u;   // destination background; byte 3 marks untouched pixels
constexpr uint32_t kInk = 0x00123456u;

class TriangleMapTest : public ::testing::Test {
 protected:
  void SetUp() override { testing::ResetSoftState(32, 32); }
};

// The span of each row as "x0-x1" (or "-" for none), from a destination filled with kBack.
std::string Spans(MapImage& d, int rows) {
  std::string out;
  for (int y = 0; y < rows; ++y) {
    int first = -1, last = -1;
    for (int x = 0; x < d.image.width; ++x) {
      if (d.Get(x, y) != kBack) {
        if (first < 0) first = x;
        last = x;
      }
    }
    out += first < 0 ? std::string("-") : std::to_string(first) + "-" + std::to_string(last);
    out += y + 1 < rows ? " " : "";
  }
  return out;
}

void FlatTriangle(MapImage& d, std::array<TriangleMapVertex, 3> v, uint32_t colour = kInk) {
  TriangleMapMemImg(d.get(), nullptr, v.data(), 0, nullptr, colour);
}

TEST_F(TriangleMapTest, FlatRightTriangleCoversRowsTopToBottomMinusOne) {
  MapImage d(16, 16, kMemImg8888);
  d.Fill(kBack);
  FlatTriangle(d, {{{0, 0, 0, 0}, {4, 0, 0, 0}, {0, 4, 0, 0}}});
  EXPECT_EQ(Spans(d, 5), "0-4 0-3 0-2 0-1 -");
  EXPECT_EQ(d.CountNot(kBack), 14);
}

TEST_F(TriangleMapTest, MiddleVertexRightOfLongEdgeInEveryVertexOrder) {
  std::array<TriangleMapVertex, 3> v = {{{0, 0, 0, 0}, {8, 4, 0, 0}, {0, 8, 0, 0}}};
  std::sort(v.begin(), v.end(), [](auto& a, auto& b) { return a.x * 100 + a.y < b.x * 100 + b.y; });
  do {
    MapImage d(16, 16, kMemImg565);
    d.Fill(kBack & 0xFFFF);
    FlatTriangle(d, v, 0x1234);
    std::string spans;
    int n = 0;
    for (int y = 0; y < 9; ++y) {
      int first = -1, last = -1;
      for (int x = 0; x < 16; ++x) {
        if (d.Get(x, y) == 0x1234) {
          if (first < 0) first = x;
          last = x;
          ++n;
        }
      }
      spans += std::to_string(first) + ":" + std::to_string(last) + " ";
    }
    EXPECT_EQ(spans, "0:0 0:2 0:4 0:6 0:8 0:6 0:4 0:2 -1:-1 ");
    EXPECT_EQ(n, 40);
  } while (std::next_permutation(v.begin(), v.end(), [](auto& a, auto& b) { return a.x * 100 + a.y < b.x * 100 + b.y; }));
}

// A 32-bit source whose pixel (x, y) holds x | y << 8 | 0x55 << 16.
void CoordinateSource(MapImage& s) {
  for (int y = 0; y < s.image.height; ++y) {
    for (int x = 0; x < s.image.width; ++x) s.Set(x, y, static_cast<uint32_t>(x | y << 8 | 0x55 << 16));
  }
}

TEST_F(TriangleMapTest, MappedTriangleTakesMatchingSourcePixels) {
  MapImage s(4, 4, kMemImg8888), d(8, 8, kMemImg8888);
  CoordinateSource(s);
  d.Fill(kBack);
  const TriangleMapVertex v[3] = {{0, 0, 0, 0}, {4, 0, 4, 0}, {0, 4, 0, 4}};
  TriangleMapMemImg(d.get(), s.get(), v, 0, nullptr, 0);
  int drawn = 0;
  for (int y = 0; y < 8; ++y) {
    for (int x = 0; x < 8; ++x) {
      if (d.Get(x, y) == kBack) continue;
      ++drawn;
      EXPECT_EQ(d.Get(x, y), static_cast<uint32_t>(x | y << 8 | 0x55 << 16)) << x << "," << y;
      EXPECT_LE(x, 3);
    }
  }
  EXPECT_EQ(drawn, 13);
  EXPECT_EQ(d.Get(4, 0), kBack);   // its u equals the source width
}

TEST_F(TriangleMapTest, VertexOrderChangesNeitherPixelsNorTexels) {
  MapImage s(16, 16, kMemImg8888), first(32, 32, kMemImg8888);
  CoordinateSource(s);
  first.Fill(kBack);
  std::array<TriangleMapVertex, 3> v = {{{2, 3, 1, 0}, {25, 9, 15, 4}, {7, 28, 3, 16}}};
  TriangleMapMemImg(first.get(), s.get(), v.data(), 0, nullptr, 0);
  EXPECT_GT(first.CountNot(kBack), 200);
  auto byX = [](auto& a, auto& b) { return a.x < b.x; };
  std::sort(v.begin(), v.end(), byX);
  while (std::next_permutation(v.begin(), v.end(), byX)) {
    MapImage d(32, 32, kMemImg8888);
    d.Fill(kBack);
    TriangleMapMemImg(d.get(), s.get(), v.data(), 0, nullptr, 0);
    EXPECT_EQ(d.buffer, first.buffer);
  }
}

TEST_F(TriangleMapTest, SquareAsTwoTrianglesVisitsTheDiagonalTwice) {
  MapImage s(10, 10, kMemImg8888), d(16, 16, kMemImg8888);
  s.Fill(0x00010101);
  d.Fill(0);
  g_softBlend.blendMode = kBlendAdd;   // each visit adds one to blue
  const TriangleMapVertex v[4] = {{0, 0, 0, 0}, {10, 0, 10, 0}, {0, 10, 0, 10}, {10, 10, 10, 10}};
  TriangleMapMemImg(d.get(), s.get(), &v[0], 0, nullptr, 0);
  int first = 0;
  for (int y = 0; y < 16; ++y) {
    for (int x = 0; x < 16; ++x) first += (d.Get(x, y) & 0xFF) != 0;
  }
  EXPECT_EQ(first, 64);
  TriangleMapMemImg(d.get(), s.get(), &v[1], 0, nullptr, 0);
  int once = 0, twice = 0, outside = 0;
  for (int y = 0; y < 16; ++y) {
    for (int x = 0; x < 16; ++x) {
      const uint32_t b = d.Get(x, y) & 0xFF;
      if (x >= 10 || y >= 10) outside += b != 0;
      else if (b == 2) {
        ++twice;
        EXPECT_EQ(x + y, 10);
      } else {
        once += b == 1;
      }
    }
  }
  EXPECT_EQ(once, 91);
  EXPECT_EQ(twice, 9);
  EXPECT_EQ(outside, 0);
}

TEST_F(TriangleMapTest, DegenerateTrianglesDrawNothing) {
  MapImage d(16, 16, kMemImg8888);
  d.Fill(kBack);
  const std::array<std::array<TriangleMapVertex, 3>, 4> cases = {{
      {{{0, 0, 0, 0}, {4, 4, 0, 0}, {8, 8, 0, 0}}},   // on one line
      {{{3, 3, 0, 0}, {3, 3, 0, 0}, {9, 1, 0, 0}}},   // two equal vertices
      {{{5, 5, 0, 0}, {5, 5, 0, 0}, {5, 5, 0, 0}}},   // one point
      {{{1, 7, 0, 0}, {9, 7, 0, 0}, {4, 7, 0, 0}}},   // one row
  }};
  for (const auto& v : cases) FlatTriangle(d, v);
  EXPECT_EQ(d.CountNot(kBack), 0);
}

TEST_F(TriangleMapTest, OnePixelTriangles) {
  MapImage d(8, 8, kMemImg8888);
  d.Fill(kBack);
  FlatTriangle(d, {{{2, 3, 0, 0}, {3, 3, 0, 0}, {2, 4, 0, 0}}});
  // The span includes its rounded right end: columns 2 and 3 of row 3.
  EXPECT_EQ(Spans(d, 5), "- - - 2-3 -");

  MapImage s(1, 1, kMemImg8888), d2(8, 8, kMemImg8888);
  s.Set(0, 0, 0x00ABCDEF);
  d2.Fill(kBack);
  const TriangleMapVertex v[3] = {{2, 3, 0, 0}, {3, 3, 1, 0}, {2, 4, 0, 1}};
  TriangleMapMemImg(d2.get(), s.get(), v, 0, nullptr, 0);
  EXPECT_EQ(d2.Get(2, 3), 0x00ABCDEFu);
  EXPECT_EQ(d2.CountNot(kBack), 1);
}

TEST_F(TriangleMapTest, ClippingKeepsThePictureInPlace) {
  MapImage s(16, 16, kMemImg8888), whole(32, 32, kMemImg8888), clipped(32, 32, kMemImg8888);
  CoordinateSource(s);
  whole.Fill(kBack);
  clipped.Fill(kBack);
  const TriangleMapVertex v[3] = {{1, 2, 0, 0}, {20, 5, 16, 0}, {3, 25, 0, 16}};
  TriangleMapMemImg(whole.get(), s.get(), v, 0, nullptr, 0);
  g_softBlend.drawRegion = {5, 6, 12, 14};
  TriangleMapMemImg(clipped.get(), s.get(), v, 0, nullptr, 0);
  int inside = 0;
  for (int y = 0; y < 32; ++y) {
    for (int x = 0; x < 32; ++x) {
      const bool in = x >= 5 && x < 12 && y >= 6 && y < 14;
      EXPECT_EQ(clipped.Get(x, y), in ? whole.Get(x, y) : kBack) << x << "," << y;
      inside += in && clipped.Get(x, y) != kBack;
    }
  }
  EXPECT_GT(inside, 40);
}

TEST_F(TriangleMapTest, TriangleLargerThanTheDestinationStaysInside) {
  MapImage frame(8 + 8, 6 + 8, kMemImg565);
  testing_soft::GuardFrame d(frame.get(), 4);
  g_softBlend.drawRegion = {0, 0, 8, 6};
  const TriangleMapVertex v[3] = {{-2000, -1000, 0, 0}, {3000, -900, 0, 0}, {100, 4000, 0, 0}};
  TriangleMapMemImg(d.get(), nullptr, v, 0, nullptr, 0xFFFF);
  for (int y = 0; y < 6; ++y) {
    for (int x = 0; x < 8; ++x) EXPECT_EQ(d.Pixel(x, y), 0xFFFFu) << x << "," << y;
  }
  EXPECT_EQ(d.DamagedBytes(), 0);
}

TEST_F(TriangleMapTest, TexturePositionsBeyondTheSourceKeepTheDestination) {
  MapImage s(4, 4, kMemImg8888), d(16, 16, kMemImg8888);
  CoordinateSource(s);
  d.Fill(kBack);
  // Texture twice the source's size, mirrored left-right: the left half falls outside the source.
  const TriangleMapVertex v[3] = {{0, 0, 4, -4}, {8, 0, -4, -4}, {0, 8, 4, 4}};
  TriangleMapMemImg(d.get(), s.get(), v, 0, nullptr, 0);
  for (int y = 0; y < 16; ++y) {
    for (int x = 0; x < 16; ++x) {
      const uint32_t p = d.Get(x, y);
      if (p == kBack) continue;
      EXPECT_EQ(p, static_cast<uint32_t>((4 - x) | (y - 4) << 8 | 0x55 << 16)) << x << "," << y;
    }
  }
  EXPECT_EQ(d.Get(1, 0), kBack);   // v < 0
  EXPECT_EQ(d.Get(0, 5), kBack);   // u = 4, the source's width
  EXPECT_EQ(d.Get(3, 5), static_cast<uint32_t>(1 | 1 << 8 | 0x55 << 16));
}

TEST_F(TriangleMapTest, NegativeCoordinatesConvertByFlooring) {
  // Shifting a triangle above and left of the origin moves its pixels by exactly that much.
  MapImage a(32, 32, kMemImg8888), b(32, 32, kMemImg8888);
  a.Fill(kBack);
  b.Fill(kBack);
  FlatTriangle(a, {{{10, 10, 0, 0}, {20, 13, 0, 0}, {12, 21, 0, 0}}});
  g_softBlend.drawRegion = {0, 0, 32, 32};
  FlatTriangle(b, {{{-5, -5, 0, 0}, {5, -2, 0, 0}, {-3, 6, 0, 0}}});
  for (int y = 0; y < 17; ++y) {
    for (int x = 0; x < 17; ++x) EXPECT_EQ(b.Get(x, y), a.Get(x + 15, y + 15)) << x << "," << y;
  }
}

TEST_F(TriangleMapTest, NullSourceIgnoresBlendPictureAndTransparentFlag) {
  MapImage plain(8, 8, kMemImg8888), extra(8, 8, kMemImg8888), graph(1, 1, kMemImgSingle8);
  plain.Fill(kBack);
  extra.Fill(kBack);
  const TriangleMapVertex v[3] = {{0, 0, 0, 0}, {6, 1, 0, 0}, {2, 7, 0, 0}};
  TriangleMapMemImg(plain.get(), nullptr, v, 0, nullptr, kInk);
  TriangleMapMemImg(extra.get(), nullptr, v, 1, graph.get(), kInk);
  EXPECT_EQ(plain.buffer, extra.buffer);
  EXPECT_GT(plain.CountNot(kBack), 0);
}

TEST_F(TriangleMapTest, FlatColourIsTintedOnce) {
  MapImage d(8, 8, kMemImg8888);
  d.Fill(kBack);
  g_softBlend.drawTint = 0x80FF00;   // red 128, green 255, blue 0
  FlatTriangle(d, {{{0, 0, 0, 0}, {4, 0, 0, 0}, {0, 4, 0, 0}}}, 0x00FFFFFF);
  EXPECT_EQ(d.Get(0, 0), 0x0080FF00u);
  g_softBlend.drawTint = kTintOff;
  FlatTriangle(d, {{{0, 0, 0, 0}, {4, 0, 0, 0}, {0, 4, 0, 0}}}, 0x12345678);
  EXPECT_EQ(d.Get(0, 0), 0x12345678u);
}

TEST_F(TriangleMapTest, RefusalsLeaveTheDestination) {
  MapImage s565(4, 4, kMemImg565), d(8, 8, kMemImg8888), single(8, 8, kMemImgSingle8), s8(4, 4, kMemImgSingle8);
  d.Fill(kBack);
  const TriangleMapVertex v[3] = {{0, 0, 0, 0}, {4, 0, 4, 0}, {0, 4, 0, 4}};
  TriangleMapMemImg(d.get(), s565.get(), v, 0, nullptr, 0);   // colour types differ
  g_softBlend.blendMode = 5;
  TriangleMapMemImg(d.get(), nullptr, v, 0, nullptr, kInk);
  g_softBlend.blendMode = -1;
  TriangleMapMemImg(d.get(), nullptr, v, 0, nullptr, kInk);
  g_softBlend.blendMode = kBlendNone;
  d.image.alphaFlag = 1;
  TriangleMapMemImg(d.get(), nullptr, v, 0, nullptr, kInk);
  d.image.alphaFlag = 0;
  d.image.paletteFlag = 1;
  TriangleMapMemImg(d.get(), nullptr, v, 0, nullptr, kInk);
  d.image.paletteFlag = 0;
  EXPECT_EQ(d.CountNot(kBack), 0);
  single.Fill(7);
  TriangleMapMemImg(single.get(), s8.get(), v, 0, nullptr, 0);   // single-channel pictures are not drawn
  TriangleMapMemImg(single.get(), nullptr, v, 0, nullptr, 1);
  EXPECT_EQ(single.CountNot(7), 0);
  // A blend picture smaller than the source would be read outside itself: refused.
  MapImage s(4, 4, kMemImg8888), small(3, 4, kMemImgSingle8);
  s.Fill(kInk);
  TriangleMapMemImg(d.get(), s.get(), v, 0, small.get(), 0);
  EXPECT_EQ(d.CountNot(kBack), 0);
  // Vertices beyond 14 integer bits of fixed point: refused rather than wrapped.
  const TriangleMapVertex far[3] = {{0, 0, 0, 0}, {9000, 0, 4, 0}, {0, 4, 0, 4}};
  TriangleMapMemImg(d.get(), s.get(), far, 0, nullptr, 0);
  EXPECT_EQ(d.CountNot(kBack), 0);
}

TEST_F(TriangleMapTest, QuadDrawsTheSourceUnturnedAndMirrored) {
  MapImage s(5, 3, kMemImg8888), d(16, 16, kMemImg8888), m(16, 16, kMemImg8888);
  CoordinateSource(s);
  d.Fill(kBack);
  m.Fill(kBack);
  const int32_t p[8] = {4, 6, 9, 6, 4, 9, 9, 9};
  QuadMapMemImg(d.get(), s.get(), p, 0, nullptr);
  const int32_t q[8] = {9, 6, 4, 6, 9, 9, 4, 9};   // p0 with p1, p2 with p3 swapped
  QuadMapMemImg(m.get(), s.get(), q, 0, nullptr);
  for (int y = 0; y < 3; ++y) {
    for (int x = 0; x < 5; ++x) {
      EXPECT_EQ(d.Get(4 + x, 6 + y), static_cast<uint32_t>(x | y << 8 | 0x55 << 16));
      // Mirrored positions run from the right edge, so the picture lands one column further right.
      EXPECT_EQ(m.Get(5 + x, 6 + y), static_cast<uint32_t>((4 - x) | y << 8 | 0x55 << 16));
    }
  }
  EXPECT_EQ(d.CountNot(kBack), 15);
  EXPECT_EQ(m.CountNot(kBack), 15);
}

TEST_F(TriangleMapTest, QuadOutsideOrCollapsedDrawsNothingAndPartlyInsideStaysInside) {
  MapImage s(4, 4, kMemImg565), d(32, 32, kMemImg565);
  s.Fill(0xFFFF);
  d.Fill(0);
  g_softBlend.drawRegion = {8, 8, 20, 20};
  const int32_t outside[8] = {21, 0, 25, 0, 21, 4, 25, 4};
  QuadMapMemImg(d.get(), s.get(), outside, 0, nullptr);
  const int32_t point[8] = {10, 10, 10, 10, 10, 10, 10, 10};
  QuadMapMemImg(d.get(), s.get(), point, 0, nullptr);
  EXPECT_EQ(d.CountNot(0), 0);
  const int32_t partly[8] = {2, 2, 14, 2, 2, 14, 14, 14};
  QuadMapMemImg(d.get(), s.get(), partly, 0, nullptr);
  for (int y = 0; y < 32; ++y) {
    for (int x = 0; x < 32; ++x) {
      // Truncated gradients can reach one pixel past the far corner's column and row.
      const bool inRegion = x >= 8 && x < 20 && y >= 8 && y < 20;
      if (!inRegion || x > 14 || y > 14) {
        EXPECT_EQ(d.Get(x, y), 0u) << x << "," << y;
      } else if (x < 14 && y < 14) {
        EXPECT_EQ(d.Get(x, y), 0xFFFFu) << x << "," << y;
      }
    }
  }
}

}  // namespace
}  // namespace zelvo
