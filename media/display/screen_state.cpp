// The screen's state record, its accessors, the two mode switches and the lost-surface restore.
#include <cstring>

#include "media/display/screen_services.h"
#include "media/display/screen_state.h"

namespace zelvo {
namespace {

constexpr int kOverlayMinWidth = 640;
constexpr int kOverlayMinHeight = 400;

ScreenState InitialState() {
  ScreenState s{};
  s.overlayFormatIndex = -1;
  s.appliedGdiSurface = -1;
  s.measuredRefresh = -1;
  s.framePeriod = -1;
  s.frameWaitThreshold = -1;
  return s;
}

// The overlay formats the start-up probe tries (index 0..3).
const DDPixelFormatRecord kOverlayFormats[4] = {
    {32, 0x4, 0x59565955u, 0, 0, 0, 0, 0},              // "UYVY"
    {32, 0x4, 0x32595559u, 0, 0, 0, 0, 0},              // "YUY2"
    {32, 0x40, 0, 16, 0x7C00, 0x03E0, 0x001F, 0},
    {32, 0x40, 0, 16, 0xF800, 0x07E0, 0x001F, 0},
};

}  // namespace

ScreenState g_screen = InitialState();
MEMIMG SoftScreen;
MEMIMG SoftBackScreen;
MEMIMG SoftDepthScreen;

void ResetScreenState() {
  g_screen = InitialState();
  std::memset(&SoftScreen, 0, sizeof SoftScreen);
  std::memset(&SoftBackScreen, 0, sizeof SoftBackScreen);
  std::memset(&SoftDepthScreen, 0, sizeof SoftDepthScreen);
}

const DDPixelFormatRecord* OverlayFormatEntry(int index) {
  return index >= 0 && index < 4 ? &kOverlayFormats[index] : nullptr;
}

int GetScreenSize(int* width, int* height) {
  if (width != nullptr) *width = g_screen.width != 0 ? g_screen.width : 640;
  if (height != nullptr) *height = g_screen.height != 0 ? g_screen.height : 480;
  return 0;
}

int GetRequestedScreenDepth() { return g_screen.requestedDepth != 0 ? g_screen.requestedDepth : 16; }

int GetScreenColorBitDepth() { return GetRequestedScreenDepth(); }

const PixelFormat* GetScreenPixelFormat() { return &g_screen.screenFormat; }

const DDPixelFormatRecord* GetDisplayPixelFormat() { return &g_screen.displayPixelFormat; }

const DDPixelFormatRecord* GetOverlayPixelFormat() {
  int width = 0, height = 0;
  GetScreenSize(&width, &height);
  if (width < kOverlayMinWidth || height < kOverlayMinHeight) return nullptr;
  return OverlayFormatEntry(g_screen.overlayFormatIndex);
}

pf::DDCaps* CopyDeviceCaps(pf::DDCaps* destination) {
  std::memcpy(destination, &g_screen.deviceCaps, sizeof g_screen.deviceCaps);
  return destination;
}

pf::DirectDraw7* GetDirectDrawObject() { return g_screen.directDraw; }

pf::DirectDrawSurface7* GetFrontSurface() {
  return g_screen.temporaryPrimary ? g_screen.temporaryPrimarySurface : g_screen.primarySurface;
}

pf::DirectDrawSurface7* GetBackSurface() { return g_screen.backSurface; }

pf::DirectDrawSurface7* GetWorkSurface() { return g_screen.workSurface1; }

pf::DirectDrawSurface7* GetDrawTargetSurface() {
  return Services().drawTargetSurface != nullptr ? static_cast<pf::DirectDrawSurface7*>(Services().drawTargetSurface())
                                                 : nullptr;
}

int IsDrawingOnPrimary() {
  pf::DirectDrawSurface7* target = GetDrawTargetSurface();
  return ServiceWindowMode() == 1 && target != nullptr && target == g_screen.primarySurface ? 1 : 0;
}

int IsDirectDrawMode() { return g_screen.gdiOutput ? 0 : 1; }

int IsSoftwareRenderMode() { return g_screen.softwareRendering; }

int IsDisplayModeChanged() { return g_screen.displayModeChanged; }

int SetDisplayModeChanged(int flag) {
  g_screen.displayModeChanged = flag;
  return 1;
}

int EnableVblankWait(int flag) {
  g_screen.vblankWait = flag;
  return 0;
}

int IsVblankWaitEnabled() { return g_screen.vblankWait; }

int SetSoftDrawSceneEndFlag(int flag) {
  g_screen.sceneEndBeforeSoftDraw = flag;
  return 0;
}

int SetDirect3DOffFlag(int flag) {
  g_screen.direct3DOff = g_screen.gdiOutput ? 1 : flag;
  return 0;
}

int GetDirect3DOffFlag() { return g_screen.direct3DOff; }

int SetTemporaryPrimaryFlag(int flag) {
  if (g_screen.directDraw == nullptr) g_screen.temporaryPrimary = flag;
  return 0;
}

int GetGdiSurfaceMode() { return g_screen.gdiSurface; }

int SetSoftwareRenderMode(int useHardware) {
  const int on = useHardware == 0 || g_screen.gdiOutput ? 1 : 0;
  if (on) {
    ServiceCall(Services().switchOffTextureGraphs);
    g_screen.gdiOutput = 1;
    g_screen.direct3DOff = 1;
  }
  g_screen.softwareRendering = on;
  if (g_screen.directDraw != nullptr) {
    const int target = ServiceGetDrawTarget();
    ServiceCall(Services().releaseAllGraphs);
    ChangeScreenMode(-1, -1, -1, 1, -1);
    if (target == -2 || target == -4) ServiceSelectDrawTarget(target);
  }
  return 0;
}

int SetGdiSurfaceMode(int flag) {
  const int wanted = flag == 1 || ServiceMenuEnabled() ? 1 : 0;
  if (wanted == g_screen.appliedGdiSurface) return 0;
  g_screen.gdiSurface = flag;
  if (g_screen.directDraw == nullptr) return 0;
  if (wanted == 1) g_screen.directDraw->FlipToGDISurface();
  IntRect region{0, 0, 0, 0};
  if (Services().getDrawRegion != nullptr) Services().getDrawRegion(&region);
  const int target = ServiceGetDrawTarget();
  // Selecting the screens again makes the clipper and the target surfaces follow the new mode.
  ServiceSelectDrawTarget(-2);
  ServiceSelectDrawTarget(-4);
  ServiceSelectDrawTarget(target);
  if (Services().setDrawRegion != nullptr) Services().setDrawRegion(&region);
  g_screen.appliedGdiSurface = wanted;
  return 0;
}

int RestoreLostScreenSurfaces() {
  if (ServiceGraphicsEnding()) return 0;
  if (g_screen.directDraw == nullptr) return -1;
  pf::DirectDrawSurface7* const surfaces[] = {g_screen.primarySurface, g_screen.temporaryPrimarySurface,
                                              g_screen.backSurface, g_screen.zBufferSurface};
  for (pf::DirectDrawSurface7* surface : surfaces) {
    if (surface != nullptr && surface->IsLost() == pf::DDERR_SURFACELOST) surface->Restore();
  }
  return 0;
}

}  // namespace zelvo
