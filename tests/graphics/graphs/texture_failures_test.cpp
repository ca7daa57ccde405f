// Texture graphs under failing drivers: uploads through a temporary texture when a texture will not
// lock, the screen-grab strategies falling back in table order and remembering the one that worked,
// and draws wholly outside the region that queue nothing.
#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "media/core/library_lock.h"
#include "media/display/d3d_device.h"
#include "media/display/screen_state.h"
#include "media/graphics/graphs/d3d_graph_draw.h"
#include "media/graphics/drawing/draw_options.h"
#include "media/graphics/graphs/draw_state.h"
#include "media/graphics/graphs/graph_record.h"
#include "media/graphics/screens/screen_to_graph.h"
#include "media/graphics/graphs/surface3d.h"
#include "media/graphics/graphs/surface_data.h"
#include "platform/d3d/d3d_testing.h"
#include "platform/testing.h"
#include "support/library_fixture.h"
#include "support/picture_writers.h"
#include "support/zva_writer.h"

namespace zelvo_test {
namespace {

using namespace zelvo;

class TextureFailures : public LibraryTest {
 protected:
  void SetUp() override {
    LibraryTest::SetUp();
    std::vector<Bytes> rows(8, Bytes(24, 0));
    for (Bytes& row : rows) {
      for (int x = 0; x < 8; ++x) row[x * 3 + 1] = 200;   // green
    }
    BmpLayout layout;
    layout.width = 8;
    layout.height = 8;
    layout.pixels = PadRows(rows);
    WriteFileBytes(folder_ + "/green.bmp", WriteBmp(layout));
    ASSERT_EQ(::StartUpLibrary(), 0);
    ASSERT_EQ(g_graphics.direct3DUsable, 1);
    ASSERT_EQ(::SelectDrawTarget(ZELVO_BACK_BUFFER), 0);
  }
  void TearDown() override {
    pf::testing::ClearFaults();
    pf::testing::TraceDirect3D(false);
    EXPECT_EQ(::ShutDownLibrary(), 0);
    EXPECT_EQ(g_surface3D.count, 0);
    EXPECT_EQ(pf::testing::LiveSurfaceCount(), 0);
    LibraryTest::TearDown();
  }
  static std::uint32_t BackPixel(int x, int y) {
    EndDirect3DScene();
    return pf::testing::SurfacePixel(GetBackSurface(), x, y) & 0xFFFFFF;
  }
  static int Copy(int x1, int y1, int x2, int y2, int graph) {
    LibraryLockGuard lock;
    return CopyScreenToGraph(x1, y1, x2, y2, graph, 1);
  }
};

// The texture surface of a graph's first piece.
pf::DirectDrawSurface7* TextureOf(int graph) {
  const GraphRecord* record = GetGraphRecord(graph);
  if (record == nullptr) return nullptr;
  const Surface3DRecord* piece = GetSurface3DRecord(record->backEnds[0]);
  const SurfaceRecord* texture = piece != nullptr ? GetSurfaceRecord(piece->texture) : nullptr;
  return texture != nullptr ? texture->surface : nullptr;
}

TEST_F(TextureFailures, OnlyTexturesThatAreDrawnIntoStayOutOfTextureManagement) {
  const int loaded = LoadGraphFile("green.bmp", 0);
  LibraryLockGuard lock;
  SetMakeDrawableOption(1);
  const int drawable = CreateBlankGraph(16, 16, 0);
  SetMakeDrawableOption(0);
  struct Case { int graph; bool managed; };
  for (const Case c : {Case{loaded, true}, Case{drawable, false}}) {
    pf::DirectDrawSurface7* surface = TextureOf(c.graph);
    ASSERT_NE(surface, nullptr);
    pf::DDCaps2 caps{};
    surface->GetCaps(&caps);
    EXPECT_EQ((caps.caps2 & pf::DDSCAPS2_TEXTUREMANAGE) != 0, c.managed) << c.graph;
    EXPECT_EQ((caps.caps & pf::DDSCAPS_3DDEVICE) != 0, !c.managed) << c.graph;
  }
}

TEST_F(TextureFailures, TextureFailuresLogTheTextureTexts) {
  pf::testing::FailNextCalls("CreateSurface", 1);
  EXPECT_EQ(LoadGraphFile("green.bmp", 0), -1);
  pf::testing::FailNextCalls("SetColorKey", 1);
  EXPECT_GE(LoadGraphFile("green.bmp", 0), 0);   // the graph is made without its key
  EXPECT_TRUE(InOrder(ReadLog(), {"テクスチャサーフェスの作成に失敗しました\r\n",
                                  "DrawValid:0  AlphaChFlag0  AlphaTestFlag:1  ColorBitDepth:32\r\n",
                                  "テクスチャサーフェスのカラーキーの設定に失敗しました\r\n"}));
  EXPECT_EQ(ReadLog().find("標準サーフェスのカラーキーの設定に失敗しました"), std::string::npos);
}

TEST_F(TextureFailures, ATextureThatWillNotLockIsFilledThroughATemporaryOne) {
  pf::testing::FailNextCalls("Lock", 1);
  const int graph = LoadGraphFile("green.bmp", 0);
  ASSERT_GE(graph, 0);
  ::ClearDrawTarget();
  ASSERT_EQ(::BlitGraph(10, 10, graph, 0), 0);
  EXPECT_EQ(BackPixel(12, 12), 0x00C800u);

  // The temporary texture cannot be handed over either: the load fails and leaves no piece.
  const int before = g_surface3D.count;
  pf::testing::FailNextCalls("Lock", 1);
  pf::testing::FailNextCalls("Load", 1);
  EXPECT_EQ(LoadGraphFile("green.bmp", 0), -1);
  EXPECT_EQ(g_surface3D.count, before);
  EXPECT_NE(ReadLog().find("作業用テクスチャサーフェスから描画用テクスチャサーフェスへの画像転送に失敗しました"),
            std::string::npos);
}

TEST_F(TextureFailures, ScreenGrabsFallBackInTableOrderAndRememberTheOneThatWorked) {
  const int graph = CreateBlankGraph(8, 8, 0);
  ASSERT_GE(graph, 0);
  ::ClearDrawTarget();
  ::DrawRectangle(0, 0, 8, 8, PackColor(0, 0, 200), 1);
  // Transparent class: the graph's texture keeps its key as alpha.
  const int kind = 1;
  EXPECT_EQ(g_d3d.grabChoice[kind], -1);
  ASSERT_EQ(Copy(0, 0, 8, 8, graph), 0);
  EXPECT_EQ(g_d3d.grabChoice[kind], 0);   // the work-surface strategy heads the table
  EXPECT_EQ(g_d3d.grabChoice[1 - kind], -1);

  // The remembered strategy starts failing: the next one in table order that works takes over.
  pf::testing::FailNextCalls("Blt", 2);
  ASSERT_EQ(Copy(0, 0, 8, 8, graph), 0);
  const int second = g_d3d.grabChoice[kind];
  EXPECT_GT(second, 0);
  ASSERT_EQ(::BlitGraph(20, 20, graph, 0), 0);
  EXPECT_EQ(BackPixel(22, 22), 0x0000C8u);

  // Nothing works: the copy fails and the choice is forgotten.
  pf::testing::FailNextCalls("Blt", 100);
  pf::testing::FailNextCalls("BltFast", 100);
  pf::testing::FailNextCalls("GetDC", 100);
  EXPECT_EQ(Copy(0, 0, 8, 8, graph), -1);
  EXPECT_EQ(g_d3d.grabChoice[kind], -1);
  pf::testing::ClearFaults();

  // Refused before any strategy runs.
  EXPECT_EQ(Copy(4, 0, 4, 8, graph), -1);     // empty
  EXPECT_EQ(Copy(0, 0, 9, 8, graph), -1);     // wider than the graph
}

TEST_F(TextureFailures, DrawsWhollyOutsideTheRegionQueueNothing) {
  const int graph = LoadGraphFile("green.bmp", 0);
  ASSERT_GE(graph, 0);
  ASSERT_EQ(::BlitGraph(0, 0, graph, 0), 0);
  EndDirect3DScene();
  pf::testing::TraceDirect3D(true);
  EXPECT_EQ(::BlitGraph(-20, 10, graph, 0), 0);
  EXPECT_EQ(::BlitGraph(640, 10, graph, 0), 0);
  EXPECT_EQ(::BlitGraph(10, 480, graph, 0), 0);
  EndDirect3DScene();
  const std::vector<std::string> trace = pf::testing::TakeDirect3DTrace();
  EXPECT_TRUE(std::none_of(trace.begin(), trace.end(),
                           [](const std::string& l) { return l.rfind("DrawPrimitive", 0) == 0; }));
  EXPECT_EQ(::BlitGraph(0, 0, graph | 0x8000, 0), -1);
  EXPECT_EQ(::BlitGraphRotated(100, 100, 0.0, 0.0, graph, 0, 0), -1);   // scale 0
}

}  // namespace
}  // namespace zelvo_test
