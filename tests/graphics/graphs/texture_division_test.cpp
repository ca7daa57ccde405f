// Texture graphs cut into power-of-two pieces: side division, the pieces of a screen-sized picture,
// square-only devices, division refusals, derivation and shared textures, and graphs that come back
// after the display's video memory is lost.
#include <gtest/gtest.h>

#include <vector>

#include "media/core/library_lock.h"
#include "media/display/d3d_device.h"
#include "media/display/screen_state.h"
#include "media/graphics/graphs/d3d_graph_draw.h"
#include "media/graphics/drawing/draw_entries.h"
#include "media/graphics/graphs/draw_state.h"
#include "media/graphics/graphs/graph_record.h"
#include "media/graphics/manager/graph_restore.h"
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

class TexturePieces : public LibraryTest {
 protected:
  void Start(char profile) {
    pf::testing::SetDirect3DProfile(profile);
    ASSERT_EQ(::StartUpLibrary(), 0);
    ASSERT_EQ(g_graphics.direct3DUsable, 1);
    started_ = true;
  }
  void TearDown() override {
    if (started_) {
      EXPECT_EQ(::ShutDownLibrary(), 0);
      EXPECT_EQ(g_surface3D.count, 0);
    }
    pf::testing::ResetDirect3DStandIn();
    LibraryTest::TearDown();
  }
  static std::vector<int> Sizes(int length) {
    int sizes[80] = {};
    const int count = ComputePieceSizes(length, sizes, 0);
    return std::vector<int>(sizes, sizes + count);
  }
  static const Surface3DRecord* Piece(int graph, int i) { return GetSurface3DRecord(GetGraphRecord(graph)->backEnds[i]); }
  static int TextureWidth(const Surface3DRecord* piece) { return GetSurfaceRecord(piece->texture)->width; }
  bool started_ = false;
};

TEST_F(TexturePieces, SidesDivideIntoPowersOfTwoSizedToTheScreen) {
  Start('A');
  const struct {
    int length;
    std::vector<int> sizes;
  } cases[] = {{5, {8}}, {32, {32}}, {33, {64}}, {480, {512}}, {640, {512, 128}}, {1280, {1024, 256}}};
  for (const auto& c : cases) EXPECT_EQ(Sizes(c.length), c.sizes) << c.length;
  g_d3d.maxTextureSize = 256;
  EXPECT_EQ(Sizes(640), (std::vector<int>{256, 256, 128}));
}

TEST_F(TexturePieces, AScreenSizedPictureTakesTwoPiecesAndTheVisiblePartOfEach) {
  Start('A');
  const int graph = CreateBlankGraph(640, 480, 0);
  ASSERT_GE(graph, 0);
  ASSERT_EQ(GetGraphRecord(graph)->flags.isTexture, 1);
  ASSERT_EQ(GetGraphRecord(graph)->backEndCount, 2);
  const Surface3DRecord* left = Piece(graph, 0);
  const Surface3DRecord* right = Piece(graph, 1);
  EXPECT_EQ(TextureWidth(left), 512);
  EXPECT_EQ(GetSurfaceRecord(left->texture)->height, 512);
  EXPECT_EQ(right->x, 512);
  EXPECT_EQ(TextureWidth(right), 128);
  EXPECT_EQ(right->width, 128);
  EXPECT_EQ(right->height, 480);
  // The quad's bottom texture coordinate stops at the visible 480 rows of 512.
  EXPECT_FLOAT_EQ(right->corners[3].v, 480.0f / 512.0f);
  EXPECT_FLOAT_EQ(right->corners[3].x, 640.0f);
}

TEST_F(TexturePieces, ASquareOnlyDeviceSplitsAWidePieceIntoSquares) {
  Start('D');
  const int graph = CreateBlankGraph(256, 64, 0);
  ASSERT_GE(graph, 0);
  ASSERT_EQ(GetGraphRecord(graph)->backEndCount, 4);
  for (int i = 0; i < 4; ++i) {
    EXPECT_EQ(Piece(graph, i)->x, 64 * i);
    EXPECT_EQ(TextureWidth(Piece(graph, i)), 64);
    EXPECT_EQ(GetSurfaceRecord(Piece(graph, i)->texture)->height, 64);
  }
}

TEST_F(TexturePieces, AGraphNeedingTooManyPiecesFailsWithoutLeavingAny) {
  Start('A');
  g_d3d.maxTextureSize = 256;
  const int before = g_surface3D.count;
  EXPECT_EQ(CreateBlankGraph(4096, 4096, 0), -1);
  EXPECT_EQ(g_surface3D.count, before);
  EXPECT_NE(ReadLog().find("エラー：画像の分割数が最大数の 64 を超えました"), std::string::npos);
  // A texture the device refuses leaves nothing behind either.
  pf::testing::FailNextCalls("CreateSurface", 1);
  EXPECT_EQ(CreateBlankGraph(64, 64, 0), -1);
  EXPECT_EQ(g_surface3D.count, before);
}

TEST_F(TexturePieces, DerivedPiecesAddTheirOffsetsAndShareTheTexture) {
  Start('A');
  const int parent = CreateBlankGraph(64, 64, 0);
  const int child = DeriveGraph(16, 8, 32, 32, parent);
  const int grandchild = DeriveGraph(4, 2, 8, 8, child);
  ASSERT_GE(grandchild, 0);
  const Surface3DRecord* piece = Piece(grandchild, 0);
  EXPECT_EQ(piece->uOffset, 20);
  EXPECT_EQ(piece->vOffset, 10);
  EXPECT_EQ(piece->texture, Piece(parent, 0)->texture);
  const int texture = piece->texture;
  const int pieceHandle = GetGraphRecord(grandchild)->backEnds[0];
  EXPECT_EQ(DeleteGraph(parent, 0), 0);
  EXPECT_EQ(DeleteGraph(child, 0), 0);
  EXPECT_NE(GetSurfaceRecord(texture), nullptr);   // the last piece keeps it
  EXPECT_EQ(DeleteGraph(grandchild, 0), 0);
  EXPECT_EQ(GetSurfaceRecord(texture), nullptr);
  EXPECT_EQ(ReleaseSurface3D(pieceHandle), -1);   // released with its graph
}

TEST_F(TexturePieces, GraphsComeBackAfterVideoMemoryIsLost) {
  std::vector<Bytes> rows(8, Bytes(24, 0));
  for (Bytes& row : rows) {
    for (int x = 0; x < 8; ++x) row[x * 3 + 2] = 200;   // red
  }
  BmpLayout layout;
  layout.width = 8;
  layout.height = 8;
  layout.pixels = PadRows(rows);
  WriteFileBytes(folder_ + "/red.bmp", WriteBmp(layout));
  Start('A');
  ASSERT_EQ(::SelectDrawTarget(ZELVO_BACK_BUFFER), 0);
  const int graph = LoadGraphFile("red.bmp", 0);
  ASSERT_GE(graph, 0);
  ASSERT_EQ(GetGraphRecord(graph)->flags.isTexture, 1);
  const pf::DirectDrawSurface7* texture = GetSurfaceRecord(Piece(graph, 0)->texture)->surface;
  pf::testing::LoseVideoMemory();
  EXPECT_EQ(RestoreAllGraphSurfaces(), 0);
  EXPECT_EQ(GetSurfaceRecord(Piece(graph, 0)->texture)->surface, texture);   // restored in place, refilled
  ::ClearDrawTarget();
  ASSERT_EQ(::BlitGraph(10, 10, graph, 0), 0);
  EndDirect3DScene();
  EXPECT_EQ(pf::testing::SurfacePixel(GetBackSurface(), 12, 12) & 0xFFFFFF, 0xC80000u);
}

TEST_F(TexturePieces, ADisplayRebuildBringsTheDeviceAndTheGraphsBack) {
  std::vector<Bytes> rows(4, Bytes(12, 0));
  for (Bytes& row : rows) {
    for (int x = 0; x < 4; ++x) row[x * 3] = 200;   // blue
  }
  BmpLayout layout;
  layout.width = 4;
  layout.height = 4;
  layout.pixels = PadRows(rows);
  WriteFileBytes(folder_ + "/blue.bmp", WriteBmp(layout));
  Start('A');
  ASSERT_EQ(::SelectDrawTarget(ZELVO_BACK_BUFFER), 0);
  const int graph = LoadGraphFile("blue.bmp", 0);
  ASSERT_GE(graph, 0);
  {
    zelvo::LibraryLockGuard lock;
    EXPECT_EQ(RebuildGraphicsAfterDisplayChange(), 0);
  }
  EXPECT_NE(g_d3d.slots[0].device, nullptr);
  EXPECT_EQ(g_d3d.started, 1);
  ::ClearDrawTarget();
  ASSERT_EQ(::BlitGraph(30, 30, graph, 0), 0);
  EndDirect3DScene();
  EXPECT_EQ(pf::testing::SurfacePixel(GetBackSurface(), 31, 31) & 0xFFFFFF, 0x0000C8u);
}

TEST_F(TexturePieces, APolygonListTexturedByATextureGraphTakesItsTexels) {
  std::vector<Bytes> rows(4, Bytes(12, 0));
  for (Bytes& row : rows) {
    for (int x = 0; x < 4; ++x) row[x * 3 + 2] = 200;   // red
  }
  BmpLayout layout;
  layout.width = 4;
  layout.height = 4;
  layout.pixels = PadRows(rows);
  WriteFileBytes(folder_ + "/red.bmp", WriteBmp(layout));
  Start('A');
  ASSERT_EQ(::SelectDrawTarget(ZELVO_BACK_BUFFER), 0);
  const int graph = LoadGraphFile("red.bmp", 0);
  ASSERT_GE(graph, 0);
  ::ClearDrawTarget();
  // Texture coordinates of the graph's own 4 x 4 texture; the vertex colours modulate them.
  const PolygonVertex2D strip[4] = {{40, 40, 255, 255, 255, 255, 0, 0}, {48, 40, 255, 255, 255, 255, 1, 0},
                                    {40, 48, 255, 255, 255, 255, 0, 1}, {48, 48, 255, 255, 255, 255, 1, 1}};
  {
    zelvo::LibraryLockGuard lock;
    EXPECT_EQ(DrawPolygonList(strip, 4, kTriangleStrip, graph, 0), 0);
    EndDirect3DScene();
  }
  EXPECT_EQ(pf::testing::SurfacePixel(GetBackSurface(), 44, 44) & 0xFFFFFF, 0xC80000u);
  EXPECT_EQ(pf::testing::SurfacePixel(GetBackSurface(), 49, 44) & 0xFFFFFF, 0u);
}

}  // namespace
}  // namespace zelvo_test
