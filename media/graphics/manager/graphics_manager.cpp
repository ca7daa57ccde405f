// Graphics start-up and shut-down.
#include "media/graphics/manager/graphics_manager.h"

#include "media/core/log.h"
#include "media/display/d3d_device.h"
#include "media/display/present.h"
#include "media/display/screen_services.h"
#include "media/display/screen_state.h"
#include "media/graphics/graphs/surface2d.h"
#include "media/graphics/drawing/draw_entries.h"
#include "media/graphics/graphs/draw_state.h"
#include "media/graphics/text/font_table.h"
#include "media/graphics/text/text_draw_console.h"
#include "media/graphics/graphs/graph_record.h"
#include "media/graphics/graphs/mask_screen.h"
#include "media/graphics/graphs/soft_target.h"
#include "media/graphics/graphs/surface3d.h"
#include "media/graphics/graphs/surface_data.h"

namespace zelvo {
namespace {

void ScreenStartsManager() { StartGraphicsManager(); }
void ScreenEndsManager() { EndGraphicsManager(); }
void ScreenReleasesGraphs() { DeleteAllGraphs(0); }
void ScreenDeletesSurfaces() { DeleteAllSurface2D(); }
int ScreenGraphicsEnding() { return g_graphics.ending; }
int ScreenDrawTarget() { return g_draw.target; }
int ScreenSelectsTarget(int target) { return SelectDrawTarget(target); }
void ScreenClearsTarget() { ClearDrawTarget(); }
void* ScreenTargetSurface() { return DrawTargetSurfaceEntry(); }
void ScreenReadsRegion(IntRect* out) { *out = g_draw.region; }
void ScreenSetsRegion(const IntRect* r) { SetDrawRegion(r->left, r->top, r->right, r->bottom); }
std::uint32_t ScreenTransparentColor() { return g_draw.transparentColor; }
void ScreenSetsTransparentColor(std::uint32_t color) { g_draw.transparentColor = color; }
// GDI output: no texture graphs, and 2D graphs no longer forced into system memory.
void ScreenSwitchesOffTextures() {
  g_draw.use3D = 0;
  g_draw.systemMemoryOption = 0;
}
void ScreenReleasesSurfaceObjects() { ReleaseAllSurfaceObjects(); }
void ScreenRecreatesSurfaceObjects() { RecreateAllSurfaceObjects(); }
void ScreenEndsDirect3D() { G_D3D_End(); }
void Direct3DDeletesPieces() { ReleaseAllSurface3D(); }

}  // namespace

void InstallGraphicsScreenServices() {
  ScreenServices& s = Services();
  s.graphicsEnding = ScreenGraphicsEnding;
  s.releaseAllGraphs = ScreenReleasesGraphs;
  s.startGraphicsManager = ScreenStartsManager;
  s.endGraphicsManager = ScreenEndsManager;
  s.switchOffTextureGraphs = ScreenSwitchesOffTextures;
  s.deleteAllSurface2D = ScreenDeletesSurfaces;
  s.releaseSurface2DObjects = ScreenReleasesSurfaceObjects;
  s.recreateSurface2DObjects = ScreenRecreatesSurfaceObjects;
  s.getDrawTarget = ScreenDrawTarget;
  s.selectDrawTarget = ScreenSelectsTarget;
  s.clearDrawTarget = ScreenClearsTarget;
  s.drawTargetSurface = ScreenTargetSurface;
  s.getDrawRegion = ScreenReadsRegion;
  s.setDrawRegion = ScreenSetsRegion;
  s.getTransparentColor = ScreenTransparentColor;
  s.setTransparentColor = ScreenSetsTransparentColor;
  s.resetFlipCounter = ResetFlipCounter;
  s.drawScreenLogOverFrame = DrawScreenLogOverFrame;
  s.waitWhileInactive = WaitWhileInactiveForDrawing;
  s.startDirect3D = G_D3D_Start;
  s.endDirect3D = ScreenEndsDirect3D;
  g_d3dSurfaceHooks.deleteAllSurfaces = Direct3DDeletesPieces;
  g_d3dSurfaceHooks.recreateSurfaceObjects = ScreenRecreatesSurfaceObjects;
  g_d3dSurfaceHooks.readTexturePiece = ReadTexturePiece;
}

int StartDirectDrawLayer() {
  if (GetDirectDrawObject() != nullptr) return -1;
  InstallGraphicsScreenServices();
  if (InitDirectDraw() < 0) {
    if (IsSoftwareRenderMode()) AbortWithLog("DirectDraw の初期化に失敗しました");
    WriteLogText("ソフトウエアレンダリングモードに変更します\n");
    SetSoftwareRenderMode(0);
    if (InitDirectDraw() < 0) AbortWithLog("DirectDraw の初期化に失敗しました");
  }
  g_graphics.started = 1;
  return 0;
}

int EndDirectDrawLayer() {
  ShutDownDirectDraw();
  g_graphics.started = 0;
  return 0;
}

int StartGraphicsManager() {
  if (g_graphics.started) return 0;
  WriteLogText("グラフィック管理系の初期化を行います\n");
  PushLogIndent();
  const GraphicsState kept = g_graphics;
  g_graphics = GraphicsState{};
  g_graphics.ending = kept.ending;
  g_graphics.restoreCallback = kept.restoreCallback;
  g_graphics.lineSkipsSubtractEmulation = kept.lineSkipsSubtractEmulation;
  g_graphs.Reset();
  g_surfaceData.Reset();
  g_surface2D.Reset();
  g_softTarget = SoftTargetState{};
  ResetDrawState();
  g_graphics.started = 1;
  g_surface3D.Reset();
  // Clearing the texture table fails without a Direct3D object.
  g_graphics.direct3DUsable = ReleaseAllSurface3D() == 0 ? 1 : 0;
  WriteLogText(g_graphics.direct3DUsable ? "３Ｄグラフィック描画機能を使用します\n" : "３Ｄグラフィック描画機能は使用しません\n");
  g_draw.colorBitDepthOption = 0;
  g_draw.maskRequested = 1;
  g_draw.maskActive = g_mask.created;
  int width = 0, height = 0;
  GetScreenSize(&width, &height);
  g_draw.target = kTargetBackBuffer;
  SelectDrawTarget(kTargetFrontBuffer);
  SetDrawRegion(0, 0, width == 0 ? 640 : width, height == 0 ? 480 : height);
  g_graphics.ending = 0;
  SetDefaultFontSettings();
  StartFonts();
  PopLogIndent();
  WriteLogText("グラフィック管理系の初期化は正常に終了しました\n");
  return 0;
}

int EndGraphicsManager() {
  if (!g_graphics.started) return 0;
  EndMaskScreen();
  DeleteAllMasks();
  DeleteAllGraphs(0);
  EndFonts();
  g_graphics.started = 0;
  WriteLogText("グラフィック管理系の終了処理は正常に終了しました\n");
  return 0;
}

void ResetGraphicsState() {
  g_graphics = GraphicsState{};
  g_graphs.Reset();
  g_surfaceData.Reset();
  g_surface2D.Reset();
  g_softTarget = SoftTargetState{};
}

}  // namespace zelvo
