// Parts of texture graphs on the Direct3D device are cut by their vertices rather than by a narrowed
// viewport: the pixels are those of the whole graph drawn with the draw region narrowed to the part,
// whatever the part, the region, the draw offset of the front buffer aside, and the filter.
#include <gtest/gtest.h>

#include <cstdint>
#include <string>
#include <vector>

#include "media/core/library_lock.h"
#include "media/graphics/drawing/draw_entries.h"
#include "media/graphics/graphs/draw_state.h"
#include "media/graphics/graphs/graph_record.h"
#include "media/pixels/rectangles.h"
#include "tests/graphics/direct3d_library_fixture.h"
#include "support/picture_writers.h"
#include "support/zva_writer.h"

namespace zelvo_test {
namespace {

using namespace zelvo;

class Direct3DGraphPart : public Direct3DLibraryTest {
 protected:
  // A patterned picture with a black (keyed) ring.
  int LoadPattern(const std::string& name, int width, int height) {
    std::vector<Bytes> rows(static_cast<std::size_t>(height));
    for (int y = 0; y < height; ++y) {
      for (int x = 0; x < width; ++x) {
        const bool ring = x == 0 || y == 0 || x == width - 1 || y == height - 1;
        rows[static_cast<std::size_t>(y)].insert(
            rows[static_cast<std::size_t>(y)].end(),
            {static_cast<std::uint8_t>(ring ? 0 : 40 + (x * 7) % 200), static_cast<std::uint8_t>(ring ? 0 : 30 + (y * 11) % 200),
             static_cast<std::uint8_t>(ring ? 0 : 20 + ((x ^ y) * 5) % 230)});
      }
    }
    BmpLayout layout;
    layout.width = width;
    layout.height = height;
    layout.pixels = PadRows(rows);
    WriteFileBytes(folder_ + "/" + name, WriteBmp(layout));
    return LoadGraphFile(name.c_str(), 0);
  }
  static std::vector<std::uint32_t> Screen() { return BackPixels(0, 0, 160, 100); }
};

TEST_F(Direct3DGraphPart, APartDrawsWhatTheGraphDrawsInTheNarrowedRegion) {
  const int small = LoadPattern("small.bmp", 40, 24);
  const int wide = LoadPattern("wide.bmp", 640, 480);
  ASSERT_GE(small, 0);
  ASSERT_GE(wide, 0);
  ASSERT_EQ(GetGraphRecord(small)->flags.isTexture, 1);
  ASSERT_GT(GetGraphRecord(wide)->backEndCount, 1);
  const struct Case {
    int graph, x, y, sx, sy, w, h;
    IntRect region;
    int filter, trans;
  } cases[] = {
      {small, 10, 10, 5, 3, 12, 9, {0, 0, 640, 480}, 0, 0},     // inside
      {small, 10, 10, 0, 0, 40, 24, {0, 0, 640, 480}, 0, 1},    // the whole graph
      {small, 10, 10, 0, 0, 60, 30, {0, 0, 640, 480}, 0, 1},    // larger than the graph
      {small, 30, 20, 8, 4, 20, 12, {35, 25, 44, 29}, 0, 1},    // cut by the region on every side
      {small, 5, 5, 30, 20, 20, 20, {0, 0, 640, 480}, 0, 0},    // past the graph's corner
      {small, 0, 0, 4, 4, 10, 10, {20, 20, 60, 60}, 0, 0},      // outside the region
      {small, 10, 10, 5, 5, -4, 6, {0, 0, 640, 480}, 0, 0},     // negative width
      {small, 10, 10, 5, 3, 12, 9, {0, 0, 640, 480}, 1, 1},     // bilinear
      {small, 12, 7, 1, 1, 38, 22, {13, 0, 50, 20}, 1, 0},      // bilinear, cut
      {wide, 20, 20, 480, 2, 100, 20, {0, 0, 640, 480}, 0, 1},  // across two pieces
      {wide, 5, 30, 500, 0, 90, 30, {10, 35, 70, 90}, 1, 1},   // across two pieces, cut, bilinear
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(testing::Message() << "part " << c.sx << "," << c.sy << " " << c.w << "x" << c.h << " at " << c.x
                                    << "," << c.y << " filter " << c.filter);
    {
      LibraryLockGuard lock;
      ASSERT_EQ(zelvo::SetDrawRegion(c.region.left, c.region.top, c.region.right, c.region.bottom), 0);
    }
    ASSERT_EQ(::SetTextureFilter(c.filter), 0);
    ASSERT_EQ(::ClearDrawTarget(), 0);
    std::vector<std::uint32_t> cut, narrowed;
    {
      LibraryLockGuard lock;
      EXPECT_EQ(zelvo::BlitGraphPart(c.x, c.y, c.sx, c.sy, c.w, c.h, c.graph, c.trans, 0), 0);
      EXPECT_EQ(g_draw.region.right, c.region.right);
    }
    cut = Screen();
    ASSERT_EQ(::ClearDrawTarget(), 0);
    {
      LibraryLockGuard lock;
      IntRect part{c.x, c.y, c.x + c.w, c.y + c.h};
      ClipRect(&part, &g_draw.region);
      SetDrawRegion(part.left, part.top, part.right, part.bottom);
      if (!g_draw.regionEmpty) {
        EXPECT_EQ(zelvo::BlitGraph(c.x - c.sx, c.y - c.sy, c.graph, c.trans), 0);
      }
      SetDrawRegion(c.region.left, c.region.top, c.region.right, c.region.bottom);
    }
    narrowed = Screen();
    int differing = 0, lit = 0;
    for (std::size_t i = 0; i < cut.size(); ++i) {
      lit += narrowed[i] != 0;
      if (cut[i] != narrowed[i] && differing++ < 3) {
        ADD_FAILURE() << "(" << i % 160 << ", " << i / 160 << "): " << std::hex << cut[i] << " against " << narrowed[i];
      }
    }
    EXPECT_EQ(differing, 0);
    // Only the outside case draws nothing.
    if (c.region.left != 20 && c.w > 0) {
      EXPECT_GT(lit, 0);
    }
  }
}

}  // namespace
}  // namespace zelvo_test
