// Stretched and triangle-mapped draws of a surface graph on a DirectDraw target lock only the
// source pixels they can show; a stretch clipped away by the draw region draws nothing and fails.
// On a 5:5:5 screen the locked source is a converted copy of exactly that window.
#include <gtest/gtest.h>

#include <memory>
#include <vector>

#include "media/core/library_lock.h"
#include "media/display/screen_state.h"
#include "media/graphics/graphs/draw_state.h"
#include "media/graphics/graphs/graph_record.h"
#include "media/graphics/graphs/soft_draw.h"
#include "media/graphics/graphs/surface2d.h"
#include "media/graphics/graphs/surface_data.h"
#include "platform/testing.h"
#include "support/library_fixture.h"
#include "support/picture_writers.h"
#include "support/zva_writer.h"

namespace zelvo_test {
namespace {

using namespace zelvo;

// A 32 x 32 picture whose pixel (x, y) is red x * 8, green y * 8.
Bytes CoordinatePicture() {
  std::vector<Bytes> rows;
  for (int y = 0; y < 32; ++y) {
    Bytes row;
    for (int x = 0; x < 32; ++x) row.insert(row.end(), {0, static_cast<std::uint8_t>(y * 8), static_cast<std::uint8_t>(x * 8)});
    rows.push_back(row);
  }
  BmpLayout layout;
  layout.width = 32;
  layout.height = -32;
  layout.pixels = PadRows(rows);
  return WriteBmp(layout);
}

std::uint32_t SourceAt(int x, int y) { return static_cast<std::uint32_t>(x * 8) << 16 | static_cast<std::uint32_t>(y * 8) << 8; }

class SoftDrawWindows : public LibraryTest, public ::testing::WithParamInterface<bool> {
 protected:
  void SetUp() override {
    LibraryTest::SetUp();
    if (GetParam()) {
      SwitchWindowMode(0);
      pf::testing::SetDisplay16Bit555(true);
    }
    // The graph must be a DirectDraw surface drawn in software: drawing with DirectDraw alone.
    zelvo::SetDirect3DOffFlag(1);
    ASSERT_EQ(StartUpLibrary(), 0);
    WriteFileBytes(folder_ + "/coords.bmp", CoordinatePicture());
    graph_ = LoadGraphFile("coords.bmp", 0);
    ASSERT_GE(graph_, 0);
    lock_ = std::make_unique<LibraryLockGuard>();
    ASSERT_EQ(zelvo::SelectDrawTarget(kTargetBackBuffer), 0);
    record_ = GetGraphRecord(graph_);
    surface_ = GetSurfaceRecord(GetSurface2D(record_->backEnds[0])->record)->surface;
    ASSERT_NE(surface_, nullptr);   // a DirectDraw surface, locked when drawn
  }
  void TearDown() override {
    pf::testing::WatchSurfaceLocks(nullptr);
    lock_.reset();
    EXPECT_EQ(ShutDownLibrary(), 0);
    zelvo::SetDirect3DOffFlag(0);
    LibraryTest::TearDown();
  }
  std::uint32_t Shown(int x, int y) const {
    return pf::testing::SurfacePixel(g_screen.backSurface, x, y) & 0xF8F8F8;
  }

  int graph_ = -1;
  GraphRecord* record_ = nullptr;
  pf::DirectDrawSurface7* surface_ = nullptr;
  std::unique_ptr<LibraryLockGuard> lock_;
};

TEST_P(SoftDrawWindows, StretchesLockTheSourceWindowOfTheClippedDestination) {
  const struct {
    const char* name;
    IntRect region;
    float x1, y1, x2, y2;
    int result;
    pf::Rect window;            // the source rectangle locked (right and bottom at most)
    int probeX, probeY, sourceX, sourceY;
  } cases[] = {
      {"whole", {0, 0, 640, 480}, 0, 0, 64, 64, 0, {0, 0, 32, 32}, 63, 63, 31, 31},
      {"top left quarter", {0, 0, 16, 16}, 0, 0, 64, 64, 0, {0, 0, 10, 10}, 15, 15, 7, 7},
      {"inner part", {20, 30, 40, 50}, 0, 0, 64, 64, 0, {10, 15, 22, 27}, 39, 30, 19, 15},
      {"mirrored", {0, 0, 16, 16}, 64, 0, 0, 64, 0, {22, 0, 32, 10}, 0, 0, 31, 0},
      {"clipped away", {0, 0, 16, 16}, 100, 100, 164, 164, -1, {0, 0, 0, 0}, 0, 0, 0, 0},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    ASSERT_EQ(SetDrawRegion(c.region.left, c.region.top, c.region.right, c.region.bottom), 0);
    pf::testing::WatchSurfaceLocks(surface_);
    EXPECT_EQ(StretchGraphSoft(c.x1, c.y1, c.x2, c.y2, record_, 0, 0), c.result);
    const std::vector<pf::Rect> locks = pf::testing::TakeSurfaceLocks();
    if (c.result < 0) {
      EXPECT_TRUE(locks.empty());
      continue;
    }
    ASSERT_EQ(locks.size(), 1u);
    EXPECT_GE(locks[0].left, c.window.left);
    EXPECT_GE(locks[0].top, c.window.top);
    EXPECT_LE(locks[0].right, c.window.right);
    EXPECT_LE(locks[0].bottom, c.window.bottom);
    EXPECT_EQ(Shown(c.probeX, c.probeY), SourceAt(c.sourceX, c.sourceY));
  }
}

TEST_P(SoftDrawWindows, MappedTrianglesLockTheBoxOfTheirTextureCorners) {
  // (10, 10), (30, 10), (10, 30) show the source from (8, 8) to (16, 16).
  const TriangleMapVertex v[3] = {{10, 10, 8, 8}, {30, 10, 16, 8}, {10, 30, 8, 16}};
  pf::testing::WatchSurfaceLocks(surface_);
  EXPECT_EQ(DrawMappedTriangleSoft(v, record_, 0, 0), 0);
  const std::vector<pf::Rect> locks = pf::testing::TakeSurfaceLocks();
  ASSERT_EQ(locks.size(), 1u);
  EXPECT_GE(locks[0].left, 5);
  EXPECT_GE(locks[0].top, 5);
  EXPECT_LE(locks[0].right, 20);
  EXPECT_LE(locks[0].bottom, 20);
  EXPECT_EQ(Shown(10, 10), SourceAt(8, 8));
  EXPECT_NEAR(static_cast<int>(Shown(20, 10) >> 16) / 8, 12, 1);   // ten pixels on: about four texels
}

std::string ScreenName(const ::testing::TestParamInfo<bool>& info) { return info.param ? "FullScreen555" : "Window"; }

INSTANTIATE_TEST_SUITE_P(Screens, SoftDrawWindows, ::testing::Bool(), ScreenName);

}  // namespace
}  // namespace zelvo_test
