// Injected Direct3D failures survived: each screen-grab strategy that fails hands the copy to the
// next one in table order, a texture reported busy is loaded again, and nothing is left behind at
// shut-down.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "media/core/library_lock.h"
#include "media/core/log.h"
#include "media/core/subsystem_hooks.h"
#include "media/display/d3d_device.h"
#include "media/display/screen_state.h"
#include "media/graphics/graphs/d3d_graph_draw.h"
#include "media/graphics/drawing/draw_options.h"
#include "media/graphics/graphs/draw_state.h"
#include "media/graphics/graphs/graph_record.h"
#include "media/graphics/manager/graph_restore.h"
#include "media/graphics/screens/screen_to_graph.h"
#include "platform/testing.h"
#include "support/library_fixture.h"
#include "support/picture_writers.h"
#include "support/zva_writer.h"

namespace zelvo_test {
namespace {

using namespace zelvo;

struct Fault {
  const char* call;
  int count;
};

class InjectedFailures : public LibraryTest {
 protected:
  void SetUp() override {
    LibraryTest::SetUp();
    baseline_ = TrackedAllocatorTotals();
    ASSERT_EQ(::StartUpLibrary(), 0);
    ASSERT_EQ(g_graphics.direct3DUsable, 1);
    ASSERT_EQ(::SelectDrawTarget(ZELVO_BACK_BUFFER), 0);
    {
      LibraryLockGuard lock;
      graph_ = CreateBlankGraph(8, 8, 0);
    }
    ASSERT_GE(graph_, 0);
    kind_ = 1;   // a blank graph's texture keeps its key as alpha
  }
  void TearDown() override {
    pf::testing::ClearFaults();
    EXPECT_EQ(::ShutDownLibrary(), 0);
    EXPECT_EQ(pf::testing::LiveSurfaceCount(), 0);
    EXPECT_EQ(TrackedAllocatorTotals().liveCount, baseline_.liveCount);
    EXPECT_EQ(TrackedAllocatorTotals().liveBytes, baseline_.liveBytes);
    LibraryTest::TearDown();
  }
  // A fresh copy of the blue square at the top left into the graph, with no strategy remembered.
  int CopyAfresh(std::initializer_list<Fault> faults) {
    ::ClearDrawTarget();
    ::DrawRectangle(0, 0, 8, 8, ::PackColor(0, 0, 200), 1);
    LibraryLockGuard lock;
    g_d3d.grabChoice[kind_] = -1;
    for (const Fault& f : faults) pf::testing::FailNextCalls(f.call, f.count);
    const int result = CopyScreenToGraph(0, 0, 8, 8, graph_, 1);
    pf::testing::ClearFaults();
    return result;
  }
  std::uint32_t DrawnPixel() {
    ::ClearDrawTarget();
    EXPECT_EQ(::BlitGraph(20, 20, graph_, 0), 0);
    LibraryLockGuard lock;
    EndDirect3DScene();
    return pf::testing::SurfacePixel(GetBackSurface(), 22, 22) & 0xFFFFFF;
  }
  TrackedTotals baseline_{};
  int graph_ = -1;
  int kind_ = 0;
};

TEST_F(InjectedFailures, EachFailingGrabStrategyHandsTheCopyToTheNextOne) {
  // Table order: the work-surface copy (Blt), BltFast, the system-memory texture (BitBlt), the
  // texture's own DC (BitBlt), the device's Load. BltFast refuses a texture whose layout differs
  // from the screen's (this one keeps alpha), so that strategy passes the copy on by itself.
  const struct {
    std::vector<Fault> faults;
    int chosen;
  } cases[] = {
      {{}, 0},
      {{{"Blt", 1}}, 2},
      {{{"Blt", 1}, {"BltFast", 1}}, 2},
      {{{"Blt", 1}, {"BltFast", 1}, {"BitBlt", 1}}, 3},
      {{{"Blt", 1}, {"BltFast", 1}, {"BitBlt", 2}}, 4},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.chosen);
    ::ClearDrawTarget();
    ::DrawRectangle(0, 0, 8, 8, ::PackColor(0, 0, 200), 1);
    {
      LibraryLockGuard lock;
      g_d3d.grabChoice[kind_] = -1;
      for (const Fault& f : c.faults) pf::testing::FailNextCalls(f.call, f.count);
      EXPECT_EQ(CopyScreenToGraph(0, 0, 8, 8, graph_, 1), 0);
      pf::testing::ClearFaults();
      EXPECT_EQ(g_d3d.grabChoice[kind_], c.chosen);
    }
    EXPECT_EQ(DrawnPixel(), 0x0000C8u);
  }
}

TEST_F(InjectedFailures, ATextureBusyNineTimesIsLoadedOnTheTenthTryAndTenTimesFailsTheCopy) {
  // Everything ahead of the Load strategy fails.
  EXPECT_EQ(CopyAfresh({{"Blt", 1}, {"BltFast", 1}, {"BitBlt", 2}, {"Load", 9}}), 0);
  {
    LibraryLockGuard lock;
    EXPECT_EQ(g_d3d.grabChoice[kind_], 4);
  }
  EXPECT_EQ(DrawnPixel(), 0x0000C8u);
  EXPECT_EQ(CopyAfresh({{"Blt", 1}, {"BltFast", 1}, {"BitBlt", 2}, {"Load", 10}}), -1);
  {
    LibraryLockGuard lock;
    EXPECT_EQ(g_d3d.grabChoice[kind_], -1);
  }
  EXPECT_NE(ReadLog().find("AlphaCh:"), std::string::npos);
}

TEST_F(InjectedFailures, AnOpaqueGraphIsCopiedByBltFastWhenTheWorkSurfaceFails) {
  int opaque = -1;
  {
    LibraryLockGuard lock;
    g_draw.alphaTestOption = 0;
    opaque = CreateBlankGraph(8, 8, 0);
    g_draw.alphaTestOption = 1;
  }
  ASSERT_GE(opaque, 0);
  graph_ = opaque;
  kind_ = 0;
  EXPECT_EQ(CopyAfresh({{"Blt", 1}}), 0);
  {
    LibraryLockGuard lock;
    EXPECT_EQ(g_d3d.grabChoice[kind_], 1);
  }
  EXPECT_EQ(DrawnPixel(), 0x0000C8u);
}

int g_restoreRuns = 0;
void CountingRestore() { ++g_restoreRuns; }

// Video memory lost while the program runs: after the inactive wait the graphics room restores
// the surfaces, and the texture graphs come back from their files, or through the program's
// callback when one is set. (A texture that is never drawn into is the driver's to keep: only one
// made drawable is lost.)
TEST_F(InjectedFailures, TexturesLostMidRunComeBackFromTheirFilesOrTheCallback) {
  WriteFileBytes(folder_ + "/red.bmp", WriteOneColourBmp(8, 8, 0, 0, 200));
  {
    LibraryLockGuard lock;
    SetMakeDrawableOption(1);
  }
  graph_ = ::LoadGraphFile("red.bmp", 0);
  {
    LibraryLockGuard lock;
    SetMakeDrawableOption(0);
  }
  ASSERT_GE(graph_, 0);
  {
    LibraryLockGuard lock;
    ASSERT_EQ(GetGraphRecord(graph_)->flags.isTexture, 1);
    pf::testing::LoseVideoMemory();
    CallSubsystem(kSubsystemGraphics, &SubsystemHooks::recreateSurfaces);
  }
  EXPECT_EQ(DrawnPixel(), 0xC80000u);

  g_restoreRuns = 0;
  {
    LibraryLockGuard lock;
    ASSERT_EQ(SetGraphRestoreCallback(CountingRestore), 0);
    pf::testing::LoseVideoMemory();
    const std::size_t before = ReadLog().size();
    CallSubsystem(kSubsystemGraphics, &SubsystemHooks::recreateSurfaces);
    EXPECT_EQ(g_restoreRuns, 1);
    EXPECT_EQ(ReadLog().find("グラフィックを復帰します", before), std::string::npos);
    ASSERT_EQ(SetGraphRestoreCallback(nullptr), 0);
  }
}

}  // namespace
}  // namespace zelvo_test
