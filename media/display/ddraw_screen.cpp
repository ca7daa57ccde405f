// The DirectDraw screen's start-up and shut-down: the DirectDraw object and its clipper, the
// overlay probe, the 8-bit palette, the original display mode, and the display rebuild.
#include <cstring>
#include <initializer_list>

#include "media/core/log.h"
#include "media/display/screen_services.h"
#include "media/display/screen_state.h"
#include "media/software/blend_state.h"
#include "platform/gdi/gdi.h"

namespace zelvo {
namespace {

constexpr std::uintptr_t kTemporaryPrimaryTimer = 0x7fff;
constexpr std::uint32_t kDefaultVideoMemory = 0x1000000;
constexpr double kMegabyte = 1048576.0;

const char* const kOverlayNames[4] = {" UYVY", " YUY2", " 16-bit RGB 5:5:5 ", " 16-bit RGB 5:6:5 "};

// Index 0 black, 255 white; between them the 6 x 7 x 6 colour cube without black and white, and
// four greys.
void DefaultPalette(pf::PaletteEntry* entries) {
  int n = 1;
  for (int r = 0; r < 6; ++r) {
    for (int g = 0; g < 7; ++g) {
      for (int b = 0; b < 6; ++b) {
        if ((r == 0 && g == 0 && b == 0) || (r == 5 && g == 6 && b == 5)) continue;
        entries[n++] = pf::PaletteEntry{static_cast<std::uint8_t>(r * 51), static_cast<std::uint8_t>(g * 255 / 6),
                                        static_cast<std::uint8_t>(b * 51), 0};
      }
    }
  }
  for (int grey : {0x33, 0x66, 0x99, 0xCC}) {
    entries[n++] = pf::PaletteEntry{static_cast<std::uint8_t>(grey), static_cast<std::uint8_t>(grey),
                                    static_cast<std::uint8_t>(grey), 0};
  }
  entries[0] = pf::PaletteEntry{0, 0, 0, 0};
  entries[255] = pf::PaletteEntry{255, 255, 255, 0};
}

void StoreVideoCardInfo(const char* driver, const char* description, std::uint32_t freeBytes,
                        std::uint32_t totalBytes) {
  if (Services().storeVideoCardInfo != nullptr) Services().storeVideoCardInfo(driver, description, freeBytes, totalBytes);
}

void LogVideoCard(pf::DirectDraw7* object) {
  WriteLogText("ビデオカードの情報\n");
  PushLogIndent();
  if (pf::GetKeyState(pf::VK_SHIFT) & 0x80) {
    pf::DeviceIdentifier id{};
    object->GetDeviceIdentifier(&id, 0);
    WriteLogFormat("ビデオカードドライバ:%s バージョン:%u.%u.%u.%u ", id.driver, id.versionHigh >> 16,
                   id.versionHigh & 0xFFFF, id.versionLow >> 16, id.versionLow & 0xFFFF);
    WriteLogFormat("ドライバ記述:%s ", id.description);
    std::uint32_t total = 0, free = 0;
    pf::DDCaps2 caps{pf::DDSCAPS_VIDEOMEMORY, 0, 0, 0};
    object->GetAvailableVidMem(&caps, &total, &free);
    WriteLogFormat("ビデオメモリ総量:%.2fMB ビデオメモリ空き容量:%.2fMB", total / kMegabyte, free / kMegabyte);
    StoreVideoCardInfo(id.driver, id.description, free, total);
  } else {
    StoreVideoCardInfo("", "", 0, kDefaultVideoMemory);
  }
  PopLogIndent();
}

bool ProbeOverlayFormat(pf::DirectDraw7* object, int index) {
  pf::SurfaceDesc desc{};
  desc.size = sizeof desc;
  desc.flags = pf::DDSD_CAPS | pf::DDSD_HEIGHT | pf::DDSD_WIDTH | pf::DDSD_PIXELFORMAT;
  desc.width = desc.height = 16;
  desc.caps.caps = pf::DDSCAPS_OVERLAY | pf::DDSCAPS_VIDEOMEMORY;
  std::memcpy(&desc.pixelFormat, OverlayFormatEntry(index), sizeof desc.pixelFormat);
  pf::DirectDrawSurface7* surface = nullptr;
  if (object->CreateSurface(&desc, &surface, nullptr) != pf::DD_OK) return false;
  pf::DDCaps2 caps{};
  surface->GetCaps(&caps);
  surface->Release();
  return !(caps.caps & pf::DDSCAPS_SYSTEMMEMORY);
}

void ProbeOverlay() {
  g_screen.overlayFormatIndex = -1;
  if (ServiceOsVersionCode() == 0x108 || g_screen.directDraw == nullptr) return;
  void* old = nullptr;
  if (g_screen.directDraw->QueryInterface(pf::IID_IDirectDraw, &old) == pf::DD_OK) {
    auto* oldObject = static_cast<pf::DirectDraw*>(old);
    oldObject->GetCaps(&g_screen.deviceCaps, nullptr);
    if (g_screen.deviceCaps.minOverlayStretch < 1000 || g_screen.deviceCaps.maxOverlayStretch < 2000) {
      for (int i = 0; i < 4; ++i) {
        if (ProbeOverlayFormat(g_screen.directDraw, i)) {
          g_screen.overlayFormatIndex = i;
          break;
        }
      }
    }
    oldObject->Release();
  }
  if (g_screen.overlayFormatIndex >= 0) {
    WriteLogFormat("オーバーレイサーフェスを使用します　　　%s", kOverlayNames[g_screen.overlayFormatIndex]);
  } else {
    WriteLogText("オーバーレイサーフェスは使用しません\n");
  }
}

void SetPaletteOnAttached(pf::DirectDrawSurface7* surface) {
  struct Walk {
    static pf::HResult Each(pf::DirectDrawSurface7* attached, pf::SurfaceDesc*, void* context) {
      attached->SetPalette(static_cast<pf::DirectDrawPalette*>(context));
      return static_cast<pf::HResult>(pf::DDENUMRET_OK);
    }
  };
  surface->EnumAttachedSurfaces(g_screen.palette, &Walk::Each);
}

}  // namespace

int CreateDirectDrawObject(pf::DirectDraw7** out) {
  *out = nullptr;
  WriteLogText("DirectDraw オブジェクトの取得を行います....  ");
  void* object = nullptr;
  if (pf::CoCreateInstance(pf::CLSID_DirectDraw7, nullptr, pf::CLSCTX_ALL, pf::IID_IDirectDraw7, &object) !=
      pf::DD_OK) {
    WriteLogText("オブジェクトの取得に失敗しました\n");
    return -1;
  }
  auto* directDraw = static_cast<pf::DirectDraw7*>(object);
  WriteLogText("成功\n");
  WriteLogText("引き続き初期化処理... ");
  if (directDraw->Initialize(nullptr) != pf::DD_OK) {
    WriteLogText("DirectDrawオブジェクトの初期化に失敗しました\n");
    directDraw->Release();
    return -1;
  }
  WriteLogText("初期化に成功しました\n");
  LogVideoCard(directDraw);
  *out = directDraw;
  return 0;
}

int CreateScreenClipper(pf::DirectDraw7* object, pf::DirectDrawClipper** out, pf::WindowHandle window) {
  *out = nullptr;
  pf::DirectDrawClipper* clipper = nullptr;
  if (object == nullptr || object->CreateClipper(0, &clipper, nullptr) != pf::DD_OK) {
    WriteLogText("ＤｉｒｅｃｔＤｒａｗＣｌｉｐｐｅｒオブジェクトの作成に失敗しました\n");
    return -1;
  }
  if (clipper->SetHWnd(0, window) != pf::DD_OK) {
    clipper->Release();
    WriteLogText("ＤｉｒｅｃｔＤｒａｗＣｌｉｐｐｅｒオブジェクトの作成に失敗しました\n");
    return -1;
  }
  *out = clipper;
  return 0;
}

int InitDirectDraw() {
  if (g_screen.directDraw != nullptr) return -1;
  WriteLogText("DirectDraw 関連の初期化を行います\n");
  PushLogIndent();
  if (g_screen.gdiOutput) {
    ServiceCall(Services().switchOffTextureGraphs);
    SetSoftwareRenderMode(0);
  }
  if (CreateDirectDrawObject(&g_screen.directDraw) < 0) AbortWithLog("DirectDrawオブジェクトの作成に失敗しました");
  if (!g_screen.gdiOutput && CreateScreenClipper(g_screen.directDraw, &g_screen.clipper, ServiceMainWindow()) < 0) {
    AbortWithLog("DirectDrawClipperオブジェクトの作成時にエラーが発生しました");
  }
  if (g_screen.width == 0) g_screen.width = 640;
  if (g_screen.height == 0) g_screen.height = 480;
  if (g_screen.colorDepth == 0) g_screen.colorDepth = 16;
  g_screen.requestedDepth = g_screen.colorDepth;
  // The software blend state and its tables stand before the mode change starts the graphics
  // manager, which sets the state from the drawing state; the processor's flag goes in after them.
  InitSoftBlendTables();
  g_softBlend.mmxUsable = Services().mmxAvailable != nullptr ? Services().mmxAvailable() : 1;
  if (ChangeScreenMode(-1, -1, -1, 1, -1) < 0) {
    PopLogIndent();
    ShutDownDirectDraw();
    return -1;
  }
  if (Services().hasWindowRegion == nullptr || Services().hasWindowRegion() == 0) {
    ServiceSelectDrawTarget(-2);
    ServiceCall(Services().clearDrawTarget);
    ServiceSelectDrawTarget(-4);
  }
  g_screen.sceneEndBeforeSoftDraw = 1;
  ProbeOverlay();
  PopLogIndent();
  WriteLogText("DirectDraw 関連の初期化は正常に終了しました\n");
  g_screen.ready = 1;
  return 0;
}

int StartDirectDrawScreen() {
  if (InitDirectDraw() == 0) return 0;
  WriteLogText("ソフトウエアレンダリングモードに変更します\n");
  SetSoftwareRenderMode(0);
  return InitDirectDraw();
}

int ShutDownDirectDraw() {
  pf::KillTimer(ServiceMainWindow(), kTemporaryPrimaryTimer);
  if (!g_screen.gdiOutput && g_screen.directDraw == nullptr) return 0;
  WriteLogText("DirectDraw 関連の終了処理をおこないます\n");
  PushLogIndent();
  if (g_screen.gdiOutput) {
    ServiceCall(Services().endGraphicsManager);
    ServiceCall(Services().deleteAllSurface2D);
    ReleaseOutputSurfaces();
  } else {
    ReleaseScreenPalette();
    ServiceCall(Services().endGraphicsManager);
    ServiceCall(Services().deleteAllSurface2D);
    ServiceCall(Services().endDirect3D);
    ReleaseOutputSurfaces();
    ReleaseScreenClipper();
  }
  WriteLogText("ＤｉｒｅｃｔＤｒａｗオブジェクトを解放します\n");
  if (g_screen.directDraw != nullptr) g_screen.directDraw->Release();
  g_screen.directDraw = nullptr;
  WriteLogText("ＤｉｒｅｃｔＤｒａｗオブジェクトを解放しました\n");
  RestoreOriginalDisplayMode();
  PopLogIndent();
  WriteLogText("DirectDraw 関連の終了処理は正常に終了しました\n");
  g_screen.ready = 0;
  return 0;
}

int CreateScreenPalette() {
  if (g_screen.colorDepth != 8 || g_screen.directDraw == nullptr || g_screen.palette != nullptr) return 0;
  pf::PaletteEntry entries[256];
  DefaultPalette(entries);
  if (g_screen.directDraw->CreatePalette(pf::DDPCAPS_8BIT | pf::DDPCAPS_ALLOW256, entries, &g_screen.palette,
                                         nullptr) != pf::DD_OK) {
    AbortWithLog("パレットの作成に失敗しました");
  }
  if (g_screen.primarySurface != nullptr) g_screen.primarySurface->SetPalette(g_screen.palette);
  if (ServiceWindowMode() == 1) {
    if (g_screen.backSurface != nullptr) g_screen.backSurface->SetPalette(g_screen.palette);
  } else if (g_screen.primarySurface != nullptr) {
    SetPaletteOnAttached(g_screen.primarySurface);
  }
  return 0;
}

int ReleaseScreenPalette() {
  if (g_screen.palette != nullptr) g_screen.palette->Release();
  g_screen.palette = nullptr;
  return 0;
}

int RestoreScreenPalette() {
  if (g_screen.colorDepth != 8 || g_screen.directDraw == nullptr) return 0;
  pf::PaletteEntry entries[256];
  DefaultPalette(entries);
  if (g_screen.palette != nullptr) g_screen.palette->GetEntries(0, 0, 256, entries);
  ReleaseScreenPalette();
  CreateScreenPalette();
  g_screen.palette->SetEntries(0, 0, 256, entries);
  g_screen.palette->GetEntries(0, 0, 256, entries);
  return 0;
}

int RestoreOriginalDisplayMode() {
  if (g_screen.gdiOutput) {
    pf::ChangeDisplaySettings(nullptr, 0);
  } else if (g_screen.directDraw != nullptr) {
    if (g_screen.cooperativeLevel & pf::DDSCL_EXCLUSIVE) {
      g_screen.directDraw->SetCooperativeLevel(ServiceMainWindow(), pf::DDSCL_NORMAL);
      g_screen.directDraw->RestoreDisplayMode();
    }
    g_screen.displayModeChanged = 0;
  } else {
    return -1;
  }
  WriteLogText("画面モードを元に戻す処理は正常に終了しました\n");
  return 0;
}

int ReleaseScreenClipper() {
  if (g_screen.clipper != nullptr) g_screen.clipper->Release();
  g_screen.clipper = nullptr;
  return 0;
}

int RecreateScreenClipper() {
  if (g_screen.gdiOutput || g_screen.clipper != nullptr) return 0;
  if (CreateScreenClipper(g_screen.directDraw, &g_screen.clipper, ServiceMainWindow()) < 0) {
    AbortWithLog("クリッパーオブジェクトの作成失敗しました");
  }
  return 0;
}

int ApplyScreenMode() {
  int width = 0, height = 0, bits = 0;
  pf::GetDesktopMode(&width, &height, &bits);
  int depth = g_screen.colorDepth;
  if (ApplyCooperativeLevelAndMode(g_screen.directDraw, width, height, g_screen.width, g_screen.height,
                                   g_screen.colorDepth, &depth, &g_screen.cooperativeLevel, ServiceWindowMode(),
                                   &g_screen.displayModeChanged, ServiceMainWindow()) < 0) {
    return -1;
  }
  g_screen.colorDepth = depth;
  return 0;
}

int LeaveFullScreenMode() {
  if (ServiceWindowMode() == 1 || !g_screen.displayModeChanged) return 0;
  if (g_screen.gdiOutput) {
    pf::ChangeDisplaySettings(nullptr, 0);
  } else if (g_screen.directDraw != nullptr) {
    g_screen.directDraw->SetCooperativeLevel(ServiceMainWindow(), pf::DDSCL_NORMAL);
    g_screen.directDraw->RestoreDisplayMode();
  }
  g_screen.displayModeChanged = 0;
  return 0;
}

int ReleaseDirectDrawObject() {
  WriteLogText("ＤｉｒｅｃｔＤｒａｗオブジェクトを解放します\n");
  if (!g_screen.gdiOutput && g_screen.directDraw == nullptr) {
    WriteLogText("既に解放されています\n");
    return 0;
  }
  ServiceCall(Services().releaseSurface2DObjects);
  LeaveFullScreenMode();
  ReleaseScreenPalette();
  ReleaseScreenClipper();
  if (g_screen.directDraw != nullptr) g_screen.directDraw->Release();
  g_screen.directDraw = nullptr;
  WriteLogText("ＤｉｒｅｃｔＤｒａｗオブジェクトを解放しました\n");
  return 0;
}

int RecreateDirectDraw() {
  if (g_screen.directDraw != nullptr) return 0;
  if (CreateDirectDrawObject(&g_screen.directDraw) < 0) {
    AbortWithLog("DirectDraw オブジェクトの作成処理時にエラーが発生しました");
  }
  ApplyScreenMode();
  ServiceCall(Services().recreateSurface2DObjects);
  RecreateScreenClipper();
  return 0;
}

}  // namespace zelvo
