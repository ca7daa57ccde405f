// The draw operations without a public entry of their own: parts of a graph, a part stretched, the
// four-corner draw and polygon lists, checked on the back surface.
#include <gtest/gtest.h>

#include "support/library_fixture.h"
#include "media/display/screen_state.h"
#include "media/graphics/drawing/draw_entries.h"
#include "media/graphics/graphs/draw_state.h"
#include "media/graphics/graphs/graph_record.h"
#include "platform/testing.h"
#include "support/picture_writers.h"
#include "support/zva_writer.h"

namespace zelvo_test {
namespace {

using namespace zelvo;

class DrawEntries : public LibraryTest {
 protected:
  void SetUp() override {
    LibraryTest::SetUp();
    // An 8 x 8 picture: columns 0-3 red, 4-7 blue.
    std::vector<Bytes> rows(8);
    for (Bytes& row : rows) {
      for (int x = 0; x < 8; ++x) row.insert(row.end(), {static_cast<std::uint8_t>(x < 4 ? 0 : 200), 0,
                                                         static_cast<std::uint8_t>(x < 4 ? 200 : 0)});
    }
    BmpLayout layout;
    layout.width = 8;
    layout.height = 8;
    layout.pixels = PadRows(rows);
    WriteFileBytes(folder_ + "/halves.bmp", WriteBmp(layout));
    // Graphs of these tests are 2D surfaces: drawing with DirectDraw alone.
    zelvo::SetDirect3DOffFlag(1);
    ASSERT_EQ(::StartUpLibrary(), 0);
    ASSERT_EQ(::SelectDrawTarget(ZELVO_BACK_BUFFER), 0);
    graph_ = LoadGraphFile("halves.bmp", 0);
    ASSERT_GE(graph_, 0);
    ::ClearDrawTarget();
  }
  void TearDown() override {
    EXPECT_EQ(::ShutDownLibrary(), 0);
    zelvo::SetDirect3DOffFlag(0);
    LibraryTest::TearDown();
  }
  std::uint32_t At(int x, int y) { return pf::testing::SurfacePixel(GetBackSurface(), x, y) & 0xFFFFFF; }
  int graph_ = -1;
};

constexpr std::uint32_t kRed = 0xC80000, kBlue = 0x0000C8;

TEST_F(DrawEntries, APartOfAGraphDrawsOnlyThatPartAndLeavesTheRegionAsItWas) {
  const IntRect before = g_draw.region;
  EXPECT_EQ(BlitGraphPart(10, 10, 2, 0, 4, 8, graph_, 0, 0), 0);   // columns 2..5 at x 10..13
  EXPECT_EQ(At(10, 10), kRed);
  EXPECT_EQ(At(11, 10), kRed);
  EXPECT_EQ(At(12, 10), kBlue);
  EXPECT_EQ(At(13, 17), kBlue);
  EXPECT_EQ(At(9, 10), 0u);
  EXPECT_EQ(At(14, 10), 0u);
  EXPECT_EQ(g_draw.region.right, before.right);
  // Mirrored: the same part (columns 0 and 1, both red) is shown turned round in place.
  EXPECT_EQ(BlitGraphPart(30, 10, 0, 0, 2, 2, graph_, 0, 1), 0);
  EXPECT_EQ(At(30, 10), kRed);
  EXPECT_EQ(At(31, 11), kRed);
  EXPECT_EQ(At(32, 10), 0u);
  EXPECT_EQ(At(30, 12), 0u);
}

TEST_F(DrawEntries, ARotatedDrawCentredAtTheEndOfTheIntRangeDrawsNothing) {
  // INT_MAX turned float is 2^31, past the int range; INT_MIN is just inside it: both stay off screen.
  EXPECT_LE(::BlitGraphRotated(INT32_MAX, INT32_MAX, 1.0, 0.5, graph_, 0, 0), 0);
  EXPECT_LE(::BlitGraphRotated(INT32_MIN, 5, 2.0, 0.0, graph_, 0, 0), 0);
  int drawn = 0;
  for (int y = 0; y < 480; ++y) {
    for (int x = 0; x < 640; ++x) drawn += At(x, y) != 0;
  }
  EXPECT_EQ(drawn, 0);
}

TEST_F(DrawEntries, APartStretchedFillsTheTargetRectangle) {
  // Columns 2..5 and rows 0..3 into 16 x 8: four times as wide, twice as high.
  EXPECT_EQ(BlitGraphPartStretched(40, 40, 56, 48, 2, 0, 4, 4, graph_, 0), 0);
  EXPECT_EQ(At(40, 40), kRed);
  EXPECT_EQ(At(47, 47), kRed);
  EXPECT_EQ(At(48, 40), kBlue);
  EXPECT_EQ(At(55, 47), kBlue);
  EXPECT_EQ(At(56, 40), 0u);
  EXPECT_EQ(At(40, 48), 0u);
}

TEST_F(DrawEntries, FourCornersOfAnUprightRectangleCoverItAndPolygonStripsMakeTriangles) {
  EXPECT_EQ(BlitGraphFourCorners(100, 100, 108, 100, 108, 108, 100, 108, graph_, 0), 0);
  EXPECT_EQ(At(101, 101), kRed);
  EXPECT_EQ(At(106, 106), kBlue);
  EXPECT_EQ(At(110, 104), 0u);
  const PolygonVertex2D strip[4] = {{200, 200, 0, 255, 0, 255, 0, 0},
                                    {220, 200, 0, 255, 0, 255, 0, 0},
                                    {200, 220, 0, 255, 0, 255, 0, 0},
                                    {220, 220, 0, 255, 0, 255, 0, 0}};
  EXPECT_EQ(DrawPolygonList(strip, 4, kTriangleStrip, kNoTexture, 0), 0);
  // Drawn with DirectDraw alone, the triangles still take their vertices' colour (green), not white.
  EXPECT_GE((At(205, 215) >> 8) & 0xFF, 250u);
  EXPECT_GE((At(215, 205) >> 8) & 0xFF, 250u);
  EXPECT_EQ(At(205, 215) & 0xFF00FF, 0u);
  EXPECT_EQ(At(225, 205), 0u);
  EXPECT_EQ(DrawPolygonList(strip, 4, kTriangleList, kNoTexture, 0), -1);   // not a multiple of 3
  EXPECT_EQ(DrawPolygonList(strip, 2, kTriangleFan, kNoTexture, 0), -1);
  EXPECT_EQ(DrawPolygonList(strip, 3, kTriangleList, graph_ + 1, 0), -1);
}

TEST_F(DrawEntries, AFilledBlankGraphDrawsInItsColour) {
  const int blank = CreateBlankGraph(4, 4, 0);
  ASSERT_GE(blank, 0);
  EXPECT_EQ(FillGraphColor(blank, 0, 200, 0, 255), 0);
  EXPECT_EQ(FillGraphColor(blank + 1, 0, 200, 0, 255), -1);
  EXPECT_EQ(::BlitGraph(60, 60, blank, 0), 0);
  EXPECT_EQ(At(63, 63), 0x00C800u);
  EXPECT_EQ(At(64, 63), 0u);
}

}  // namespace
}  // namespace zelvo_test
