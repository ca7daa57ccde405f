// On an 8-bit (palette) screen pictures reach 2D graphs through GDI, which maps their colours onto
// the screen palette; each way that transfer can fail is logged and fails the load.
#include <gtest/gtest.h>

#include <string>

#include <zelvo/zelvo.h>

#include "media/core/library_lock.h"
#include "media/display/screen_state.h"
#include "media/graphics/graph_image.h"
#include "media/graphics/graph_record.h"
#include "media/graphics/surface2d.h"
#include "media/graphics/surface_data.h"
#include "platform/testing.h"
#include "support/library_fixture.h"
#include "support/picture_writers.h"

namespace zelvo_test {
namespace {

class PaletteScreenTransfer : public LibraryTest {
 protected:
  void SetUp() override {
    LibraryTest::SetUp();
    savedDepth_ = zelvo::g_screen.colorDepth;
    SwitchWindowMode(0);
    ASSERT_EQ(zelvo::ChangeScreenMode(640, 480, 8, 0, -1), 0);
    ASSERT_EQ(StartUpLibrary(), 0);
    ASSERT_EQ(zelvo::GetScreenColorBitDepth(), 8);
    // Black and white: colours every palette holds.
    WriteFileBytes(folder_ + "/bw.bmp", WriteOneColourBmp(4, 2, 0, 0, 0));
    WriteFileBytes(folder_ + "/white.bmp", WriteOneColourBmp(4, 2, 255, 255, 255));
  }
  void TearDown() override {
    pf::testing::ClearFaults();
    EXPECT_EQ(ShutDownLibrary(), 0);
    zelvo::ChangeScreenMode(640, 480, savedDepth_, 0, -1);
    LibraryTest::TearDown();
  }
  static std::uint32_t GraphPixel(int graph, int x, int y) {
    const zelvo::Surface2DEntry* entry = zelvo::GetSurface2D(zelvo::GetGraphRecord(graph)->backEnds[0]);
    const zelvo::SurfaceRecord* record = zelvo::GetSurfaceRecord(entry->record);
    return pf::testing::SurfacePixel(record->surface, entry->originX + x, entry->originY + y) & 0xFFFFFF;
  }
  int savedDepth_ = 0;
};

TEST_F(PaletteScreenTransfer, PicturesArriveThroughGdi) {
  zelvo::LibraryLockGuard lock;
  const int white = LoadGraphFile("white.bmp", 0);
  const int black = LoadGraphFile("bw.bmp", 0);
  ASSERT_GE(white, 0);
  ASSERT_GE(black, 0);
  EXPECT_EQ(GraphPixel(white, 3, 1), 0xFFFFFFu);
  EXPECT_EQ(GraphPixel(black, 3, 1), 0u);
}

TEST_F(PaletteScreenTransfer, EachFailureOfTheTransferIsLoggedAndReported) {
  struct Case { const char* fault; const char* line; };
  const Case cases[] = {
      {"HeapAlloc", "GraphImage を BMP に変換する処理が失敗しました\r\n"},
      {"CreateDIBSection", "ＢＭＰデータからＢＭＰハンドルを作成する処理が失敗しました\r\n"},
      {"GetDC", nullptr},
      {"BitBlt", nullptr},
  };
  zelvo::LibraryLockGuard lock;
  zelvo::GraphImage picture{};
  ASSERT_EQ(zelvo::LoadGraphImage("white.bmp", nullptr, 0, 0, &picture, 0), 0);
  const int graph = LoadGraphFile("bw.bmp", 0);
  ASSERT_GE(graph, 0);
  for (const Case& c : cases) {
    SCOPED_TRACE(c.fault);
    const std::size_t logSize = ReadLog().size();
    pf::testing::FailNextCalls(c.fault, 1);
    EXPECT_EQ(zelvo::TransferImageToGraph(&picture, nullptr, 0, 0, zelvo::GetGraphRecord(graph)), -1);
    pf::testing::ClearFaults();
    if (c.line != nullptr) EXPECT_NE(ReadLog().find(c.line, logSize), std::string::npos);
    EXPECT_EQ(GraphPixel(graph, 0, 0), 0u);   // nothing came through
  }
  ASSERT_EQ(zelvo::TransferImageToGraph(&picture, nullptr, 0, 0, zelvo::GetGraphRecord(graph)), 0);
  EXPECT_EQ(GraphPixel(graph, 0, 0), 0xFFFFFFu);
  zelvo::FreeGraphImage(&picture);
}

}  // namespace
}  // namespace zelvo_test
