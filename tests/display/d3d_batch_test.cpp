// The state cache and the vertex batch as the device sees them: the call trace of consecutive draws,
// flushes on a state, texture or capacity change, the discard flag, the viewport cache, and a quad
// that reaches the back surface's pixels.
#include <algorithm>
#include <cstring>

#include "media/software/blend_state.h"
#include "tests/display/d3d_fixture.h"

namespace {

using namespace screen_test;
using namespace zelvo;

pf::DirectDrawSurface7* g_redPiece = nullptr;

class Direct3DBatch : public Direct3DScreenTest {
 protected:
  void SetUp() override {
    Direct3DScreenTest::SetUp();
    ASSERT_EQ(StartOn('A'), 0);
    ASSERT_EQ(g_d3d.started, 1);
    g_softBlend.blendMode = 0;
    g_softBlend.blendParam = 255;
    g_softBlend.drawTint = 0xFFFFFF;
    G_D3D_UpdateVertexColor();
    ASSERT_EQ(G_D3D_SetRenderTarget(GetBackSurface(), 0), 0);
    const IntRect whole{0, 0, 640, 480};
    ASSERT_EQ(G_D3D_SetDrawRegion(&whole), 0);
    red_ = MakeTexture(0xFFFF0000u);
    blue_ = MakeTexture(0xFF0000FFu);
  }
  void TearDown() override {
    pf::testing::TraceDirect3D(false);
    for (pf::DirectDrawSurface7* t : textures_) t->Release();
    Direct3DScreenTest::TearDown();
  }

  // An 8 x 8 texture of one colour in the 32-bit format without alpha.
  pf::DirectDrawSurface7* MakeTexture(std::uint32_t argb) {
    pf::SurfaceDesc desc{};
    desc.size = sizeof desc;
    desc.flags = pf::DDSD_CAPS | pf::DDSD_WIDTH | pf::DDSD_HEIGHT | pf::DDSD_PIXELFORMAT;
    desc.caps.caps = pf::DDSCAPS_TEXTURE;
    desc.width = desc.height = 8;
    std::memcpy(&desc.pixelFormat, &TextureFormatTable[1].ddFormat, sizeof desc.pixelFormat);
    pf::DirectDrawSurface7* texture = nullptr;
    EXPECT_EQ(g_screen.directDraw->CreateSurface(&desc, &texture, nullptr), pf::DD_OK);
    pf::SurfaceDesc locked{};
    locked.size = sizeof locked;
    EXPECT_EQ(texture->Lock(nullptr, &locked, pf::DDLOCK_WAIT, nullptr), pf::DD_OK);
    for (int y = 0; y < 8; ++y) {
      auto* row = reinterpret_cast<std::uint32_t*>(static_cast<unsigned char*>(locked.surface) + y * locked.pitch);
      std::fill(row, row + 8, argb);
    }
    texture->Unlock(nullptr);
    textures_.push_back(texture);
    return texture;
  }

  // One 8 x 8 picture quad at (x, y), queued the way every picture draw queues it.
  static void QueueQuad(pf::DirectDrawSurface7* texture, float x, float y) {
    const TextureFacts facts{texture, 0, 0};
    ASSERT_EQ(G_D3D_PrepareDrawState(&facts, kPrepareTransparent), 0);
    G_D3D_BeginScene(0);
    auto* v = reinterpret_cast<ScreenVertex*>(G_D3D_ReserveTriangleVertices(0, 6));
    ASSERT_NE(v, nullptr);
    const float l = x - 0.5f, t = y - 0.5f, r = l + 8, b = t + 8;
    const ScreenVertex corners[6] = {{l, t, 0, 1, g_d3d.vertexColor, 0, 0}, {r, t, 0, 1, g_d3d.vertexColor, 1, 0},
                                     {l, b, 0, 1, g_d3d.vertexColor, 0, 1}, {r, b, 0, 1, g_d3d.vertexColor, 1, 1},
                                     {l, b, 0, 1, g_d3d.vertexColor, 0, 1}, {r, t, 0, 1, g_d3d.vertexColor, 1, 0}};
    std::memcpy(v, corners, sizeof corners);
    G_D3D_CommitVertices(0, 6);
  }

  static int CountStarting(const std::vector<std::string>& trace, const std::string& prefix) {
    return static_cast<int>(std::count_if(trace.begin(), trace.end(),
                                          [&](const std::string& l) { return l.rfind(prefix, 0) == 0; }));
  }
  static std::vector<std::string> Take() { return pf::testing::TakeDirect3DTrace(); }

  pf::DirectDrawSurface7* red_ = nullptr;
  pf::DirectDrawSurface7* blue_ = nullptr;
  std::vector<pf::DirectDrawSurface7*> textures_;
};

TEST_F(Direct3DBatch, SameTextureAndStateMakeOneDrawAndReachThePixels) {
  QueueQuad(red_, 10, 10);
  pf::testing::TraceDirect3D(true);
  QueueQuad(red_, 30, 10);
  std::vector<std::string> trace = Take();
  EXPECT_TRUE(trace.empty()) << trace.front();   // no state is sent again, nothing drawn yet
  G_D3D_EndScene(0);
  trace = Take();
  EXPECT_EQ(trace, (std::vector<std::string>{"DrawPrimitive TRIANGLELIST 0x144 12", "EndScene"}));
  for (int x : {10, 17, 30, 37}) EXPECT_EQ(pf::testing::SurfacePixel(GetBackSurface(), x, 12) & 0xFFFFFF, 0xFF0000u) << x;
  EXPECT_EQ(pf::testing::SurfacePixel(GetBackSurface(), 18, 12) & 0xFFFFFF, 0u);
  EXPECT_EQ(pf::testing::SurfacePixel(GetBackSurface(), 10, 18) & 0xFFFFFF, 0u);
}

TEST_F(Direct3DBatch, ATextureChangeFlushesAndRebindsOnlyThatStage) {
  QueueQuad(red_, 10, 10);
  pf::testing::TraceDirect3D(true);
  QueueQuad(blue_, 30, 10);
  const std::vector<std::string> trace = Take();
  ASSERT_EQ(trace.size(), 2u);
  EXPECT_EQ(trace[0], "DrawPrimitive TRIANGLELIST 0x144 6");
  EXPECT_EQ(trace[1].rfind("SetTexture 0 ", 0), 0u);
  G_D3D_EndScene(0);
  EXPECT_EQ(pf::testing::SurfacePixel(GetBackSurface(), 31, 12) & 0xFFFFFF, 0x0000FFu);
}

TEST_F(Direct3DBatch, ABlendChangeFlushesAndSendsOnlyWhatDiffers) {
  QueueQuad(red_, 10, 10);
  pf::testing::TraceDirect3D(true);
  g_softBlend.blendMode = kBlendAlpha;
  g_softBlend.blendParam = 128;
  G_D3D_UpdateVertexColor();
  QueueQuad(red_, 30, 10);
  std::vector<std::string> trace = Take();
  ASSERT_FALSE(trace.empty());
  EXPECT_EQ(trace[0], "DrawPrimitive TRIANGLELIST 0x144 6");
  EXPECT_EQ(CountStarting(trace, "DrawPrimitive"), 1);
  // Blending on with the alpha factors; the stage keeps taking alpha from the vertex colour.
  for (const char* line : {"SetRenderState 27 1", "SetRenderState 19 5", "SetRenderState 20 6"}) {
    EXPECT_NE(std::find(trace.begin(), trace.end(), line), trace.end()) << line << "\n" << ::testing::PrintToString(trace);
  }
  EXPECT_EQ(CountStarting(trace, "SetTexture"), 0);   // the texture and its stage stay as they were
  QueueQuad(red_, 50, 10);
  EXPECT_TRUE(Take().empty());
  G_D3D_EndScene(0);
  // Half of red over black.
  EXPECT_EQ(pf::testing::SurfacePixel(GetBackSurface(), 31, 12) & 0xFFFFFF, 0x800000u);
}

TEST_F(Direct3DBatch, AFullBatchFlushesBeforeTheQuadThatDoesNotFit) {
  struct Case {
    int queued;
    bool flushed;
  };
  for (const Case c : {Case{2334, false}, Case{2335, true}}) {
    SCOPED_TRACE(c.queued);
    QueueQuad(red_, 10, 10);
    G_D3D_FlushBatch(0);
    ASSERT_NE(G_D3D_ReserveTriangleVertices(0, c.queued), nullptr);
    G_D3D_CommitVertices(0, c.queued);
    pf::testing::TraceDirect3D(true);
    QueueQuad(red_, 10, 10);
    const std::vector<std::string> trace = Take();
    EXPECT_EQ(CountStarting(trace, "DrawPrimitive"), c.flushed ? 1 : 0);
    EXPECT_EQ(g_d3d.slots[0].batchCount, c.flushed ? 6 : 2340);
    pf::testing::TraceDirect3D(false);
    G_D3D_EndScene(0);
  }
}

TEST_F(Direct3DBatch, ADiscardingBlendGraphDrawsNothing) {
  Device3DSlot& slot = g_d3d.slots[0];
  G_D3D_FlushBatch(0);
  slot.blendGraphTexture = blue_;
  slot.borderParam = 255;
  slot.borderRange = 1;
  slot.blendDirty = 1;
  QueueQuad(red_, 10, 10);
  EXPECT_EQ(slot.discardBatch, 1);
  EXPECT_EQ(slot.batchKind, 2);
  pf::testing::TraceDirect3D(true);
  G_D3D_EndScene(0);
  EXPECT_EQ(CountStarting(Take(), "DrawPrimitive"), 0);
  EXPECT_EQ(pf::testing::SurfacePixel(GetBackSurface(), 12, 12) & 0xFFFFFF, 0u);
}

TEST_F(Direct3DBatch, AnUnchangedViewportSendsNothingAndKeepsTheScene) {
  QueueQuad(red_, 10, 10);
  pf::testing::TraceDirect3D(true);
  const IntRect whole{0, 0, 640, 480};
  EXPECT_EQ(G_D3D_SetDrawRegion(&whole), 0);
  EXPECT_TRUE(Take().empty());
  EXPECT_EQ(g_d3d.slots[0].inScene, 1);
  const IntRect part{0, 0, 320, 240};
  EXPECT_EQ(G_D3D_SetDrawRegion(&part), 0);
  EXPECT_EQ(Take(), (std::vector<std::string>{"DrawPrimitive TRIANGLELIST 0x144 6", "EndScene",
                                              "SetViewport 0 0 320 240"}));
  const IntRect empty{5, 5, 5, 40};
  EXPECT_EQ(G_D3D_SetDrawRegion(&empty), -1);
}

// The free-quad piece reads its piece through the graphics hook; here one 8 x 8 red piece, handle 7.
int ReadRedPiece(int piece, TexturePieceFacts* out) {
  if (piece != 7) return -1;
  *out = TexturePieceFacts{g_redPiece, 0, 0, {}, 0.0f, 0.0f};
  const float corner[4][2] = {{0, 0}, {8, 0}, {0, 8}, {8, 8}};
  for (int i = 0; i < 4; ++i) {
    out->corners[i] = ScreenVertex{corner[i][0], corner[i][1], 0, 1, 0xFFFFFFFF, corner[i][0] / 8, corner[i][1] / 8};
  }
  return 0;
}

TEST_F(Direct3DBatch, AFreeQuadIsTwoTrianglesUnlessItsEdgesDifferByAPixel) {
  g_redPiece = red_;
  g_d3dSurfaceHooks.readTexturePiece = ReadRedPiece;
  G_D3D_BeginScene(0);
  EXPECT_EQ(G_D3D_DrawQuadPiece(0, 0, 8, 0, 0, 8, 8, 8, 8), -1);   // names no piece
  struct Case {
    float bottomRightX;
    const char* draw;
  };
  // The bottom edge 0.9 pixel longer than the top: still a parallelogram; 1.0 pixel: the grid.
  for (const Case c : {Case{40.9f, "DrawPrimitive TRIANGLELIST 0x144 6"},
                       Case{41.0f, "DrawIndexedPrimitive TRIANGLESTRIP 0x144 64 "}}) {
    SCOPED_TRACE(c.draw);
    pf::testing::TraceDirect3D(true);
    Take();
    ASSERT_EQ(G_D3D_DrawQuadPiece(20, 20, 40, 20, 20, 40, c.bottomRightX, 40, 7), 0);
    G_D3D_FlushBatch(0);
    const std::vector<std::string> trace = Take();
    ASSERT_EQ(CountStarting(trace, "Draw"), 1) << ::testing::PrintToString(trace);
    EXPECT_EQ(trace.back().rfind(c.draw, 0), 0u) << trace.back();
    G_D3D_EndScene(0);
    EXPECT_EQ(pf::testing::SurfacePixel(GetBackSurface(), 25, 25) & 0xFFFFFF, 0xFF0000u);
    EXPECT_EQ(pf::testing::SurfacePixel(GetBackSurface(), 38, 38) & 0xFFFFFF, 0xFF0000u);
    EXPECT_EQ(pf::testing::SurfacePixel(GetBackSurface(), 45, 30) & 0xFFFFFF, 0u);
    G_D3D_BeginScene(0);
  }
  // Corners given mirrored (right to left) still draw both triangles.
  ASSERT_EQ(G_D3D_DrawQuadPiece(80, 20, 60, 20, 80, 40, 60, 40, 7), 0);
  G_D3D_EndScene(0);
  EXPECT_EQ(pf::testing::SurfacePixel(GetBackSurface(), 61, 21) & 0xFFFFFF, 0xFF0000u);
  EXPECT_EQ(pf::testing::SurfacePixel(GetBackSurface(), 78, 38) & 0xFFFFFF, 0xFF0000u);
  g_d3dSurfaceHooks.readTexturePiece = nullptr;
}

TEST_F(Direct3DBatch, LightsMaterialAndAmbientPassToTheDevice) {
  pf::D3DLight7 light{};
  light.type = pf::D3DLIGHT_DIRECTIONAL;
  light.diffuse = pf::D3DColorValue{1, 1, 1, 1};
  light.direction = pf::D3DVector{0, 0, 1};
  const pf::D3DMaterial7 material{{1, 0, 0, 1}, {0, 0, 0, 0}, {0, 0, 0, 0}, {0, 0, 0, 0}, 0};
  QueueQuad(red_, 10, 10);
  pf::testing::TraceDirect3D(true);
  EXPECT_EQ(G_D3D_SetLight(2, &light, 0), 0);
  EXPECT_EQ(G_D3D_LightEnable(2, 1, 0), 0);
  EXPECT_EQ(G_D3D_SetMaterial(&material, 0), 0);
  EXPECT_EQ(G_D3D_SetAmbient(0x00404040, 0), 0);
  // Only the normal switch draws what was queued first.
  EXPECT_EQ(G_D3D_SetNormalizeNormals(1, 0), 0);
  EXPECT_EQ(Take(), (std::vector<std::string>{"SetLight 2", "LightEnable 2 1", "SetMaterial", "SetRenderState 139 4210752",
                                              "DrawPrimitive TRIANGLELIST 0x144 6", "SetRenderState 143 1"}));
  EXPECT_EQ(G_D3D_SetLight(0, nullptr, 0), -1);   // refused by the device
  EXPECT_EQ(GetDevice3D(0), g_d3d.slots[0].device);
  EXPECT_EQ(GetCurrentD3DDevice(), g_d3d.slots[0].device);
  EXPECT_EQ(GetDevice3D(1), nullptr);
  EXPECT_EQ(G_D3D_SetAmbient(0, 1), -1);
  ShutDownDirectDraw();
  EXPECT_EQ(GetCurrentD3DDevice(), nullptr);
  EXPECT_EQ(G_D3D_LightEnable(0, 1, 0), -1);
}

TEST_F(Direct3DBatch, SettersRefuseWithoutAUsableSlotAndRejectBadValues) {
  EXPECT_EQ(G_D3D_SetFilterState(2, 0), -1);
  EXPECT_EQ(G_D3D_SetFilterState(0, 3), -1);
  EXPECT_EQ(G_D3D_FlushBatch(1), -1);
  EXPECT_EQ(G_D3D_ReserveTriangleVertices(-1, 6), nullptr);
  ShutDownDirectDraw();
  EXPECT_EQ(G_D3D_FlushBatchCurrent(), -1);
  EXPECT_EQ(G_D3D_SetTexture(nullptr, 0), -1);
  EXPECT_EQ(G_D3D_PrepareDrawState(nullptr, 0), -1);
}

}  // namespace
