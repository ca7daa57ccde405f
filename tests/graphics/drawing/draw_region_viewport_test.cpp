// The draw region is the Direct3D device's viewport: set with every region change, and a refusal
// logged with the name of the target.
#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "media/core/library_lock.h"
#include "media/graphics/drawing/draw_options.h"
#include "media/graphics/graphs/draw_state.h"
#include "media/graphics/graphs/graph_record.h"
#include "platform/testing.h"
#include "tests/graphics/direct3d_library_fixture.h"

namespace zelvo_test {
namespace {

using DrawRegionViewport = Direct3DLibraryTest;

void SetRegion(int x1, int y1, int x2, int y2) {
  zelvo::LibraryLockGuard lock;
  zelvo::SetDrawRegion(x1, y1, x2, y2);
}

TEST_F(DrawRegionViewport, TheRegionBecomesTheViewport) {
  pf::testing::TraceDirect3D(true);
  SetRegion(110, 220, 10, 20);
  SetRegion(0, 0, 0, 50);   // empty: the viewport stays
  const std::vector<std::string> trace = pf::testing::TakeDirect3DTrace();
  EXPECT_EQ(std::count(trace.begin(), trace.end(), "SetViewport 10 20 100 200"), 1);
  EXPECT_EQ(std::count_if(trace.begin(), trace.end(),
                          [](const std::string& line) { return line.rfind("SetViewport", 0) == 0; }),
            1);
}

TEST_F(DrawRegionViewport, ARefusedViewportIsLoggedWithTheTargetName) {
  int graph;
  {
    zelvo::LibraryLockGuard lock;
    zelvo::SetMakeDrawableOption(1);
    graph = zelvo::CreateBlankGraph(32, 32, 0);
    zelvo::SetMakeDrawableOption(0);
  }
  ASSERT_GE(graph, 0);
  struct Case { int target; const char* line; };
  const Case cases[] = {
      {ZELVO_BACK_BUFFER, "ビューポートの設定に失敗しました Back Buffer\r\n"},
      {ZELVO_FRONT_BUFFER, "ビューポートの設定に失敗しました Front Buffer\r\n"},
      {graph, "ビューポートの設定に失敗しました Image Buffer\r\n"},
  };
  for (const Case& c : cases) {
    ASSERT_EQ(::SelectDrawTarget(c.target), 0);
    SetRegion(0, 0, 20, 20);   // targets of one size keep the region: the next one must differ
    pf::testing::FailNextCalls("SetViewport", 1);
    SetRegion(1, 1, 5, 5);
    EXPECT_NE(ReadLog().find(c.line), std::string::npos) << c.line;
  }
  pf::testing::ClearFaults();
}

}  // namespace
}  // namespace zelvo_test
