// The rebuild after a lost or changed display in software rendering: the screens are made again
// in memory (no DirectDraw object appears), cleared and shown, and the graphs are refilled.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include <zelvo/zelvo.h>

#include "media/core/library_lock.h"
#include "media/display/screen_state.h"
#include "media/graphics/graphs/graph_record.h"
#include "media/graphics/manager/graph_restore.h"
#include "media/graphics/graphs/surface2d.h"
#include "media/graphics/graphs/surface_data.h"
#include "platform/testing.h"
#include "support/library_fixture.h"
#include "support/picture_writers.h"
#include "support/zva_writer.h"

namespace zelvo_test {
namespace {

class SoftwareRebuild : public LibraryTest, public ::testing::WithParamInterface<int> {
 protected:
  void SetUp() override {
    LibraryTest::SetUp();
    WriteFileBytes(folder_ + "/red.bmp", WriteOneColourBmp(4, 4, 0, 0, 120));
    if (GetParam() == 0) SwitchWindowMode(0);
    // The Z buffer cannot be attached: the screen falls back to software rendering.
    pf::testing::FailNextCalls("AddAttachedSurface", 1);
    ASSERT_EQ(StartUpLibrary(), 0);
    ASSERT_EQ(zelvo::IsSoftwareRenderMode(), 1);
    ASSERT_EQ(SelectDrawTarget(ZELVO_BACK_BUFFER), 0);
    graph_ = LoadGraphFile("red.bmp", 0);
    ASSERT_GE(graph_, 0);
    // The graph's pixels are gone, as after a lost display.
    const int record = zelvo::GetSurface2D(zelvo::GetGraphRecord(graph_)->backEnds[0])->record;
    ASSERT_EQ(zelvo::FillSurfaceRecord(record, 0, 0, 0, 255), 0);
  }
  void TearDown() override {
    EXPECT_EQ(ShutDownLibrary(), 0);
    LibraryTest::TearDown();
  }
  int graph_ = -1;
};

TEST_P(SoftwareRebuild, ScreensAreMadeAgainAndGraphsRefilled) {
  ASSERT_EQ(DrawRectangle(0, 0, 640, 480, PackColor(0, 200, 0), 1), 0);
  const std::size_t before = ReadLog().size();
  const bool hadObject = zelvo::GetDirectDrawObject() != nullptr;
  {
    zelvo::LibraryLockGuard lock;
    EXPECT_EQ(zelvo::RebuildGraphicsAfterDisplayChange(), 0);
  }
  EXPECT_EQ(zelvo::GetDirectDrawObject() != nullptr, hadObject) << hadObject;
  const std::string log = ReadLog().substr(before);
  const std::size_t surfaces = log.find("出力画面用の DirectDrawSurface を作成します");
  const std::size_t refill = log.find("グラフィックを復帰します");
  ASSERT_NE(surfaces, std::string::npos);
  ASSERT_NE(refill, std::string::npos);
  EXPECT_LT(surfaces, refill);
  // The target was cleared and shown once.
  std::vector<std::uint32_t> frame;
  int width = 0, height = 0;
  pf::testing::LastPresentedFrame(&frame, &width, &height);
  ASSERT_EQ(width, 640);
  EXPECT_EQ(frame[240 * 640 + 320] & 0xFFFFFF, 0u);
  // The graph holds its picture again.
  ASSERT_EQ(BlitGraph(0, 0, graph_, 0), 0);
  ASSERT_EQ(SaveScreenRectToFile(0, 0, 8, 4, "shot.bmp", 0, 0, 0), 0);
  const Bytes bmp = ReadFileBytes(folder_ + "/shot.bmp");
  ASSERT_GT(bmp.size(), 54u + 3 * 7);
  EXPECT_EQ(bmp[54 + 2], 120);      // red at (0, 3)
  EXPECT_EQ(bmp[54 + 3 * 6 + 1], 0);  // (6, 3) cleared: no green left
}

INSTANTIATE_TEST_SUITE_P(Modes, SoftwareRebuild, ::testing::Values(0, 1),
                         [](const auto& info) { return info.param == 0 ? "FullScreen" : "Window"; });

}  // namespace
}  // namespace zelvo_test
