// After start-up the software blend state is what the drawing state says, and the processor's
// packed-instruction flag is the one the system report found.
#include <gtest/gtest.h>

#include "media/graphics/graphs/draw_state.h"
#include "media/software/blend_state.h"
#include "platform/testing.h"
#include "support/library_fixture.h"

namespace zelvo_test {
namespace {

using namespace zelvo;

class SoftBlendStartUp : public LibraryTest, public ::testing::WithParamInterface<bool> {
 protected:
  void TearDown() override {
    EXPECT_EQ(ShutDownLibrary(), 0);
    pf::testing::SetCpuIdAvailable(true);
    LibraryTest::TearDown();
  }
};

TEST_P(SoftBlendStartUp, TheStateFollowsTheDrawingStateAndKeepsTheProcessorFlag) {
  pf::testing::SetCpuIdAvailable(GetParam());
  ASSERT_EQ(StartUpLibrary(), 0);
  EXPECT_EQ(g_softBlend.mmxUsable, GetParam() ? 1 : 0);
  EXPECT_EQ(g_softBlend.blendMode, g_draw.blendMode);
  EXPECT_EQ(g_softBlend.blendParam, g_draw.blendParam);
  EXPECT_EQ(g_softBlend.drawTint, g_draw.drawTint);
  EXPECT_EQ(g_softBlend.drawRegion.right, g_draw.region.right);
  EXPECT_EQ(g_softBlend.drawRegion.bottom, g_draw.region.bottom);
  // The tables are built: 255 x 255 / 255.
  EXPECT_EQ(BlendProductTable[255][255], 255);
}

INSTANTIATE_TEST_SUITE_P(Processors, SoftBlendStartUp, ::testing::Bool());

}  // namespace
}  // namespace zelvo_test
