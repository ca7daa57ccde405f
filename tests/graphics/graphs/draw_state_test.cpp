// The drawing state: setters that skip unchanged values and clamp, the draw region and the target
// switch, the graph-size query, the rectangle clip, and the software blend state that follows.
#include <gtest/gtest.h>

#include "support/library_fixture.h"
#include "media/display/screen_state.h"
#include "media/graphics/graphs/draw_state.h"
#include "media/graphics/graphs/graph_record.h"
#include "media/graphics/manager/graphics_manager.h"
#include "media/software/blend_state.h"

namespace zelvo_test {
namespace {

using namespace zelvo;

class DrawStateTest : public LibraryTest {
 protected:
  void SetUp() override {
    LibraryTest::SetUp();
    // Graphs of these tests are 2D surfaces: drawing with DirectDraw alone.
    zelvo::SetDirect3DOffFlag(1);
    ASSERT_EQ(::StartUpLibrary(), 0);
  }
  void TearDown() override {
    EXPECT_EQ(::ShutDownLibrary(), 0);
    zelvo::SetDirect3DOffFlag(0);
    LibraryTest::TearDown();
  }
};

TEST_F(DrawStateTest, AManagerStartLeavesTheFrontBufferNoBlendAndAWhiteTint) {
  ::SetBlendMode(2, 50);
  ::SetDrawTint(1, 2, 3);
  ::SelectDrawTarget(ZELVO_BACK_BUFFER);
  EndGraphicsManager();
  StartGraphicsManager();
  StartGraphicsManager();   // a second start changes nothing
  EXPECT_EQ(g_draw.target, kTargetFrontBuffer);
  EXPECT_EQ(g_draw.blendMode, 0);
  EXPECT_EQ(g_draw.drawTint, 0xFFFFFFu);
  EXPECT_EQ(g_draw.blendGraph, -1);
  EXPECT_EQ(g_draw.use3D, 1);
  EXPECT_EQ(g_softBlend.blendMode, 0);
  EXPECT_EQ(g_softBlend.drawTint, 0xFFFFFFu);
}

TEST_F(DrawStateTest, TintAndBlendSettersClampAndFeedTheSoftwareState) {
  EXPECT_EQ(::SetDrawTint(255, 0, 128), 0);
  EXPECT_EQ(g_draw.drawTint, 0xFF0080u);
  EXPECT_EQ(::SetDrawTint(255, 128, 0), 0);
  EXPECT_EQ(g_draw.drawTint, 0xFF8000u);
  EXPECT_EQ(::SetDrawTint(300, -5, 0), 0);
  EXPECT_EQ(g_draw.drawTint, 0xFF0000u);
  EXPECT_EQ(g_softBlend.drawTint, 0xFF0000u);
  EXPECT_EQ(::SetBlendMode(1, 300), 0);
  EXPECT_EQ(g_draw.blendParam, 255);
  EXPECT_EQ(g_softBlend.blendMode, 1);
  EXPECT_EQ(g_softBlend.blendParam, 255);
  EXPECT_EQ(::SetBlendMode(3, -4), 0);
  EXPECT_EQ(g_draw.blendParam, 0);
  EXPECT_EQ(::SetTextureFilter(1), 0);
  EXPECT_EQ(g_draw.textureFilter, 1);
}

TEST_F(DrawStateTest, DrawRegionIsOrderedClampedAndFlaggedEmpty) {
  ASSERT_EQ(::SelectDrawTarget(ZELVO_BACK_BUFFER), 0);
  struct Case {
    IntRect asked, stored;
    int empty;
  };
  const Case cases[] = {
      {{500, 400, 100, 50}, {100, 50, 500, 400}, 0},
      {{-10, -10, 1000, 1000}, {0, 0, 640, 480}, 0},
      {{30, 10, 30, 90}, {30, 10, 30, 90}, 1},
  };
  for (const Case& c : cases) {
    zelvo::SetDrawRegion(c.asked.left, c.asked.top, c.asked.right, c.asked.bottom);
    EXPECT_EQ(g_draw.region.left, c.stored.left);
    EXPECT_EQ(g_draw.region.top, c.stored.top);
    EXPECT_EQ(g_draw.region.right, c.stored.right);
    EXPECT_EQ(g_draw.region.bottom, c.stored.bottom);
    EXPECT_EQ(g_draw.regionEmpty, c.empty);
  }
  // An empty region draws nothing and succeeds; the software clip keeps the last real region.
  EXPECT_EQ(g_softBlend.drawRegion.left, 0);
  EXPECT_EQ(g_softBlend.drawRegion.right, 640);
  EXPECT_EQ(::DrawRectangle(0, 0, 10, 10, 0xFFFF, 1), 0);
}

TEST_F(DrawStateTest, TargetSwitchKeepsTheRegionOnlyForATargetOfTheSameSize) {
  const int small = CreateBlankGraph(64, 64, 0);
  const int same = CreateBlankGraph(64, 64, 0);
  ASSERT_GE(small, 0);
  ASSERT_EQ(::SelectDrawTarget(small), 0);
  zelvo::SetDrawRegion(8, 8, 32, 32);
  ASSERT_EQ(::SelectDrawTarget(same), 0);
  EXPECT_EQ(g_draw.region.right, 32);
  ASSERT_EQ(::SelectDrawTarget(ZELVO_BACK_BUFFER), 0);
  EXPECT_EQ(g_draw.region.left, 0);
  EXPECT_EQ(g_draw.region.right, 640);
  EXPECT_EQ(g_draw.region.bottom, 480);
  EXPECT_EQ(::SelectDrawTarget(small | 0x8000), -1);
  EXPECT_EQ(g_draw.target, kTargetBackBuffer);
  int w = 0, h = 0;
  EXPECT_EQ(zelvo::GetGraphSize(kTargetBackBuffer, &w, &h), 0);
  EXPECT_EQ(w, 640);
  EXPECT_EQ(h, 480);
  w = h = 7;
  EXPECT_EQ(zelvo::GetGraphSize(small + 1, &w, &h), -1);
  EXPECT_EQ(w, 7);
}

TEST_F(DrawStateTest, ABlendGraphMustBeAGraphAtLeastAsLargeAsTheDrawnOne) {
  const int blend = CreateBlankGraph(8, 8, 0);
  const int big = CreateBlankGraph(16, 16, 0);
  ASSERT_EQ(::SelectDrawTarget(ZELVO_BACK_BUFFER), 0);
  EXPECT_EQ(zelvo::SetBlendGraph(big + 1, 0, 0), -1);
  EXPECT_EQ(zelvo::SetBlendGraph(blend, 0, 10), 0);
  EXPECT_EQ(g_softBlend.blendGraph, blend);
  EXPECT_EQ(::BlitGraph(0, 0, big, 0), -1);
  EXPECT_EQ(::BlitGraph(0, 0, blend, 0), 0);
  EXPECT_EQ(zelvo::SetBlendGraph(-1, 0, 0), 0);
  EXPECT_EQ(::BlitGraph(0, 0, big, 0), 0);
}

TEST(ClipRect, ClampsEachEdgeIntoTheClipAfterFixingReversedEdges) {
  struct Case {
    ZelvoRect rect, clip, expected;
  };
  const Case cases[] = {
      {{50, 50, 10, 10}, {0, 0, 100, 100}, {50, 50, 50, 50}},
      {{-5, 20, 150, 30}, {0, 0, 100, 100}, {0, 20, 100, 30}},
      {{200, 200, 300, 300}, {0, 0, 100, 100}, {100, 100, 100, 100}},
  };
  for (const Case& c : cases) {
    ZelvoRect r = c.rect;
    EXPECT_EQ(ClipRectToRect(&r, &c.clip), 0);
    EXPECT_EQ(r.Left, c.expected.Left);
    EXPECT_EQ(r.Top, c.expected.Top);
    EXPECT_EQ(r.Right, c.expected.Right);
    EXPECT_EQ(r.Bottom, c.expected.Bottom);
  }
}

}  // namespace
}  // namespace zelvo_test
