// The create options of new graphs as the graph records read them, the system-memory option under
// DirectDraw and GDI output, the use-3D option before the display starts, and the drawing-state
// queries.
#include <gtest/gtest.h>

#include "media/display/screen_state.h"
#include "media/graphics/drawing/draw_options.h"
#include "media/graphics/graphs/draw_state.h"
#include "media/graphics/graphs/graph_record.h"
#include "media/graphics/graphs/surface2d.h"
#include "media/graphics/graphs/surface_data.h"
#include "platform/testing.h"
#include "support/library_fixture.h"

namespace zelvo_test {
namespace {

using namespace zelvo;

class DrawOptions : public LibraryTest {
 protected:
  void TearDown() override {
    EXPECT_EQ(ShutDownLibrary(), 0);
    LibraryTest::TearDown();
  }
  static const SurfaceRecord* Storage(int graph) {
    return GetSurfaceRecord(GetSurface2D(GetGraphRecord(graph)->backEnds[0])->record);
  }
};

TEST_F(DrawOptions, NewGraphsTakeTheOptionsSetBeforeThem) {
  ASSERT_EQ(StartUpLibrary(), 0);
  struct Case {
    const char* name;
    void (*set)();
    bool (*check)(int graph);
  };
  const Case cases[] = {
      {"bit depth 32", [] { SetColorBitDepthOption(32); },
       [](int g) { return GetGraphRecord(g)->flags.colorBitDepth == 32; }},
      {"bit depth 16", [] { SetColorBitDepthOption(16); },
       [](int g) { return GetGraphRecord(g)->flags.colorBitDepth == 16 && Storage(g)->flags.colorBitDepth == 16; }},
      {"blank alpha", [] { SetBlankGraphAlphaOption(1); },
       [](int g) { return GetGraphRecord(g)->flags.alphaCh == 1 && Storage(g)->memoryImage == 1; }},
      {"make drawable", [] { SetMakeDrawableOption(1); },
       [](int g) { return GetGraphRecord(g)->flags.drawValid == 1 && GetGraphRecord(g)->flags.alphaCh == 0; }},
      {"no alpha test", [] { SetAlphaTestOption(0); },
       [](int g) { return GetGraphRecord(g)->flags.alphaTest == 0; }},
      // Under DirectDraw output the system-memory option is always on, whichever form sets it.
      {"system memory", [] { SetSystemMemoryOption(0); },
       [](int g) { return GetSystemMemoryOption() == 1 && Storage(g)->memoryImage == 1; }},
      {"video memory", [] { SetVideoMemoryOption(1); },
       [](int g) { return GetSystemMemoryOption() == 1 && Storage(g)->memoryImage == 1; }},
  };
  EXPECT_EQ(GetAlphaTestOption(), 1);
  EXPECT_EQ(GetSystemMemoryOption(), 0);
  EXPECT_EQ(GetColorBitDepthOption(), 0);
  EXPECT_EQ(GetBlankGraphAlphaOption(), 0);
  const int plain = CreateBlankGraph(8, 8, 1);
  ASSERT_GE(plain, 0);
  EXPECT_EQ(Storage(plain)->memoryImage, 0);   // a DirectDraw surface by default
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    c.set();
    const int graph = CreateBlankGraph(8, 8, 1);
    ASSERT_GE(graph, 0);
    EXPECT_TRUE(c.check(graph));
    // While graphics end nothing is stored.
    g_graphics.ending = 1;
    SetColorBitDepthOption(99);
    SetBlankGraphAlphaOption(99);
    g_graphics.ending = 0;
    EXPECT_NE(GetColorBitDepthOption(), 99);
    EXPECT_NE(GetBlankGraphAlphaOption(), 99);
  }
}

TEST_F(DrawOptions, UnderGdiOutputTheSystemMemoryOptionIsWhatIsGiven) {
  pf::testing::FailNextCalls("AddAttachedSurface", 1);   // software rendering, GDI output
  ASSERT_EQ(StartUpLibrary(), 0);
  ASSERT_EQ(IsDirectDrawMode(), 0);
  EXPECT_EQ(SetSystemMemoryOption(1), 0);
  EXPECT_EQ(GetSystemMemoryOption(), 1);
  EXPECT_EQ(SetVideoMemoryOption(1), 0);
  EXPECT_EQ(GetSystemMemoryOption(), 0);
}

TEST_F(DrawOptions, TheUse3DOptionTellsTheDisplayOnlyBeforeItStarts) {
  EXPECT_EQ(SetUse3DOption(0), 0);
  EXPECT_EQ(GetDirect3DOffFlag(), 1);
  EXPECT_EQ(SetUse3DOption(1), 0);
  EXPECT_EQ(GetDirect3DOffFlag(), 0);
  ASSERT_EQ(StartUpLibrary(), 0);
  const int before = GetDirect3DOffFlag();
  EXPECT_EQ(SetUse3DOption(0), 0);
  EXPECT_EQ(g_draw.use3D, 0);
  EXPECT_EQ(GetDirect3DOffFlag(), before);
}

TEST_F(DrawOptions, QueriesCopyTheStateOut) {
  ASSERT_EQ(StartUpLibrary(), 0);
  int width = 0, height = 0, depth = 0;
  EXPECT_EQ(GetScreenInfo(&width, &height, &depth), 0);
  EXPECT_EQ(width, 640);
  EXPECT_EQ(height, 480);
  EXPECT_EQ(depth, GetRequestedScreenDepth());
  EXPECT_EQ(GetScreenInfo(nullptr, nullptr, nullptr), 0);
  ASSERT_EQ(zelvo::SelectDrawTarget(kTargetBackBuffer), 0);
  EXPECT_EQ(GetDrawTarget(), kTargetBackBuffer);
  ASSERT_EQ(SetDrawRegion(500, 400, 100, 50), 0);
  IntRect region{};
  EXPECT_EQ(GetDrawRegionCopy(&region), 0);
  EXPECT_EQ(region.left, 100);
  EXPECT_EQ(region.bottom, 400);
  EXPECT_EQ(GetTextureFilter(), 0);
  EXPECT_EQ(zelvo::SetTextureFilter(1), 0);
  EXPECT_EQ(zelvo::SetTextureFilter(1), 0);
  EXPECT_EQ(GetTextureFilter(), 1);
  EXPECT_EQ(GetGraphicsOptionWord(), 0);
}

}  // namespace
}  // namespace zelvo_test
