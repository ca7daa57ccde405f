// The rebuild after a lost or changed display: the screen is made again in order, and the graphs
// are refilled by the built-in restore or handed to the program's callback instead.
#include <gtest/gtest.h>

#include <cstdint>
#include <cstring>
#include <string>
#include <vector>

#include <zelvo/zelvo.h>

#include "support/library_fixture.h"
#include "media/core/library_lock.h"
#include "media/library/subsystem_rows.h"
#include "media/display/screen_state.h"
#include "media/graphics/graphs/surface2d.h"
#include "media/graphics/graphs/graph_record.h"
#include "media/graphics/manager/graph_restore.h"
#include "media/graphics/graphs/surface_data.h"
#include "support/picture_writers.h"
#include "support/zva_writer.h"

namespace zelvo_test {
namespace {

// The restore callback is the library's own setting, taken under the lock like an entry point.
int SetGraphRestoreCallback(void (*callback)()) {
  zelvo::LibraryLockGuard lock;
  return zelvo::SetGraphRestoreCallback(callback);
}
int GetGraphRestoreCallbackSet() { return zelvo::QueryGraphRestoreCallback(); }

int g_callbackRuns = 0;
void CountingRestore() { ++g_callbackRuns; }

class DisplayRebuild : public LibraryTest, public ::testing::WithParamInterface<int> {
 protected:
  void SetUp() override {
    LibraryTest::SetUp();
    WriteFileBytes(folder_ + "/red.bmp", WriteOneColourBmp(4, 4, 0, 0, 120));
    if (GetParam() == 0) SwitchWindowMode(0);
    // Graphs of these tests are 2D surfaces: drawing with DirectDraw alone.
    zelvo::SetDirect3DOffFlag(1);
    ASSERT_EQ(StartUpLibrary(), 0);
    ASSERT_EQ(SelectDrawTarget(ZELVO_BACK_BUFFER), 0);
    graph_ = LoadGraphFile("red.bmp", 0);
    ASSERT_GE(graph_, 0);
    // The graph's pixels are gone, as after a lost display; a surface made again holds no picture.
    const int record = zelvo::GetSurface2D(zelvo::GetGraphRecord(graph_)->backEnds[0])->record;
    ASSERT_EQ(zelvo::FillSurfaceRecord(record, 0, 0, 0, 255), 0);
    g_callbackRuns = 0;
  }
  void TearDown() override {
    EXPECT_EQ(SetGraphRestoreCallback(nullptr), 0);
    EXPECT_EQ(ShutDownLibrary(), 0);
    zelvo::SetDirect3DOffFlag(0);
    LibraryTest::TearDown();
  }

  // Red of the graph drawn at the top left of the back screen.
  int DrawnRed() {
    EXPECT_EQ(BlitGraph(0, 0, graph_, 0), 0);
    EXPECT_EQ(SaveScreenRectToFile(0, 0, 4, 4, "shot.bmp", 0, 0, 0), 0);
    const Bytes bmp = ReadFileBytes(folder_ + "/shot.bmp");
    return bmp.size() > 56 ? bmp[56] : -1;
  }

  int graph_ = -1;
};

TEST_P(DisplayRebuild, BuiltInRestoreRefillsGraphsAfterTheScreenIsMadeAgain) {
  EXPECT_EQ(GetGraphRestoreCallbackSet(), 1);
  EXPECT_EQ(zelvo::RebuildGraphicsAfterDisplayChange(), 0);
  EXPECT_EQ(DrawnRed(), 120);
  const std::string log = ReadLog();
  const std::size_t surfaces = log.rfind("出力画面用の DirectDrawSurface を作成します");
  const std::size_t refill = log.rfind("グラフィックを復帰します");
  ASSERT_NE(surfaces, std::string::npos);
  ASSERT_NE(refill, std::string::npos);
  EXPECT_LT(surfaces, refill);
  const std::size_t objectAgain = log.rfind("ＤｉｒｅｃｔＤｒａｗオブジェクトを解放しました");
  if (GetParam() == 0) {
    ASSERT_NE(objectAgain, std::string::npos);
    EXPECT_LT(objectAgain, surfaces);
  }
}

TEST_P(DisplayRebuild, ProgramsCallbackRunsInsteadOfTheBuiltInRestore) {
  ASSERT_EQ(SetGraphRestoreCallback(CountingRestore), 0);
  EXPECT_EQ(GetGraphRestoreCallbackSet(), 1);
  const std::size_t before = ReadLog().size();
  EXPECT_EQ(zelvo::RebuildGraphicsAfterDisplayChange(), 0);
  EXPECT_EQ(g_callbackRuns, 1);
  EXPECT_EQ(ReadLog().find("グラフィックを復帰します", before), std::string::npos);
  EXPECT_NE(DrawnRed(), 120);
  // Null puts the built-in restore back.
  ASSERT_EQ(SetGraphRestoreCallback(nullptr), 0);
  EXPECT_EQ(zelvo::RebuildGraphicsAfterDisplayChange(), 0);
  EXPECT_EQ(g_callbackRuns, 1);
  EXPECT_EQ(DrawnRed(), 120);
}

TEST_P(DisplayRebuild, ScreenReleasedWhileInactiveComesBackWhole) {
  ASSERT_EQ(zelvo::SetGdiSurfaceMode(1), 0);
  zelvo::ReleaseDisplayWhileInactive();
  EXPECT_EQ(zelvo::RebuildGraphicsAfterDisplayChange(), 0);
  ASSERT_EQ(zelvo::SetGdiSurfaceMode(0), 0);
  EXPECT_EQ(DrawnRed(), 120);
}

INSTANTIATE_TEST_SUITE_P(Modes, DisplayRebuild, ::testing::Values(0, 1),
                         [](const auto& info) { return info.param == 0 ? "FullScreen" : "Window"; });

}  // namespace
}  // namespace zelvo_test
