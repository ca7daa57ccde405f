// On an 8-bit (palette) screen pictures reach 2D graphs through GDI, which maps their colours onto
// the surface's palette; each way that transfer can fail is logged or reported and brings nothing.
#include <gtest/gtest.h>

#include <string>

#include <zelvo/zelvo.h>

#include "media/core/library_lock.h"
#include "media/display/screen_state.h"
#include "media/graphics/graphs/graph_image.h"
#include "media/graphics/graphs/graph_record.h"
#include "media/graphics/graphs/surface2d.h"
#include "media/graphics/graphs/surface_data.h"
#include "platform/testing.h"
#include "support/library_fixture.h"
#include "support/picture_writers.h"
#include "support/zva_writer.h"

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
    WriteFileBytes(folder_ + "/black.bmp", WriteOneColourBmp(4, 2, 0, 0, 0));
    WriteFileBytes(folder_ + "/yellow.bmp", WriteOneColourBmp(4, 2, 0, 250, 250));
  }
  void TearDown() override {
    pf::testing::ClearFaults();
    if (palette_ != nullptr) palette_->Release();
    EXPECT_EQ(ShutDownLibrary(), 0);
    zelvo::ChangeScreenMode(640, 480, savedDepth_, 0, -1);
    LibraryTest::TearDown();
  }
  static pf::DirectDrawSurface7* SurfaceOf(int graph) {
    const zelvo::Surface2DEntry* entry = zelvo::GetSurface2D(zelvo::GetGraphRecord(graph)->backEnds[0]);
    return zelvo::GetSurfaceRecord(entry->record)->surface;
  }
  // The graph's surface takes a palette of black, red, yellow and white.
  void GivePalette(int graph) {
    pf::PaletteEntry entries[256] = {};
    entries[1] = pf::PaletteEntry{255, 0, 0, 0};
    entries[2] = pf::PaletteEntry{255, 255, 0, 0};
    entries[3] = pf::PaletteEntry{255, 255, 255, 0};
    ASSERT_EQ(zelvo::g_screen.directDraw->CreatePalette(pf::DDPCAPS_8BIT | pf::DDPCAPS_ALLOW256, entries, &palette_,
                                                        nullptr),
              pf::DD_OK);
    ASSERT_EQ(SurfaceOf(graph)->SetPalette(palette_), pf::DD_OK);
  }
  int savedDepth_ = 0;
  pf::DirectDrawPalette* palette_ = nullptr;
};

TEST_F(PaletteScreenTransfer, PicturesArriveThroughGdiAndFailuresBringNothing) {
  struct Case { const char* fault; const char* line; };
  const Case cases[] = {
      {"HeapAlloc", "GraphImage を BMP に変換する処理が失敗しました\r\n"},
      {"CreateDIBSection", "ＢＭＰデータからＢＭＰハンドルを作成する処理が失敗しました\r\n"},
      {"GetDC", nullptr},
      {"BitBlt", nullptr},
  };
  zelvo::LibraryLockGuard lock;
  zelvo::GraphImage picture{};
  ASSERT_EQ(zelvo::LoadGraphImage("yellow.bmp", nullptr, 0, 0, &picture, 0), 0);
  const int graph = LoadGraphFile("black.bmp", 0);
  ASSERT_GE(graph, 0);
  GivePalette(graph);
  for (const Case& c : cases) {
    SCOPED_TRACE(c.fault);
    const std::size_t logSize = ReadLog().size();
    pf::testing::FailNextCalls(c.fault, 1);
    EXPECT_EQ(zelvo::TransferImageToGraph(&picture, nullptr, 0, 0, zelvo::GetGraphRecord(graph)), -1);
    pf::testing::ClearFaults();
    if (c.line != nullptr) {
      EXPECT_NE(ReadLog().find(c.line, logSize), std::string::npos);
    }
    EXPECT_EQ(pf::testing::SurfacePixel(SurfaceOf(graph), 3, 1) & 0xFFFFFF, 0u);
  }
  // The picture's yellow (250, 250, 0) lands on the nearest palette entry.
  ASSERT_EQ(zelvo::TransferImageToGraph(&picture, nullptr, 0, 0, zelvo::GetGraphRecord(graph)), 0);
  EXPECT_EQ(pf::testing::SurfacePixel(SurfaceOf(graph), 3, 1) & 0xFFFFFF, 0xFFFF00u);
  zelvo::FreeGraphImage(&picture);
}

}  // namespace
}  // namespace zelvo_test
