// The screen-mode change: tear-down, cooperative level and display mode with their fall-back
// ladders, the screen's pixel format, and the rebuild of surfaces, Direct3D and graphics manager.
#include <cstring>

#include "media/core/core_state.h"
#include "media/core/log.h"
#include "media/display/screen_services.h"
#include "media/display/screen_state.h"
#include "media/pixels/pixel_format.h"
#include "platform/gdi/gdi.h"
#include "platform/kernel/kernel.h"

namespace zelvo {
namespace {

constexpr std::uint32_t kQuickChangeWindow = 2000;
constexpr std::uint32_t kQuickChangeWait = 2060;
constexpr std::uint32_t kModeChangeWait = 60;
constexpr std::uint32_t kExclusiveLevel = pf::DDSCL_FULLSCREEN | pf::DDSCL_EXCLUSIVE;

struct ModeValues {
  int width, height, depth, refresh;
};

pf::DevMode MakeDevMode(const ModeValues& mode) {
  pf::DevMode devMode{};
  devMode.size = sizeof devMode;
  devMode.fields = pf::DM_BITSPERPEL | pf::DM_PELSWIDTH | pf::DM_PELSHEIGHT;
  devMode.bitsPerPel = static_cast<std::uint32_t>(mode.depth);
  devMode.pelsWidth = static_cast<std::uint32_t>(mode.width);
  devMode.pelsHeight = static_cast<std::uint32_t>(mode.height);
  if (mode.refresh != 0) {
    devMode.fields |= pf::DM_DISPLAYFREQUENCY;
    devMode.displayFrequency = static_cast<std::uint32_t>(mode.refresh);
  }
  return devMode;
}

bool TryDisplaySettings(const ModeValues& mode, std::uint32_t flags) {
  pf::DevMode devMode = MakeDevMode(mode);
  return pf::ChangeDisplaySettings(&devMode, flags) == pf::DISP_CHANGE_SUCCESSFUL;
}

bool TryDisplayMode(pf::DirectDraw7* object, const ModeValues& mode) {
  return object->SetDisplayMode(static_cast<std::uint32_t>(mode.width),
                                             static_cast<std::uint32_t>(mode.height),
                                             static_cast<std::uint32_t>(mode.depth),
                                             static_cast<std::uint32_t>(mode.refresh), 0) == pf::DD_OK;
}

bool ToleratedCooperativeResult(pf::HResult result) {
  return result == pf::DD_OK || result == pf::DDERR_HWNDSUBCLASSED || result == pf::DDERR_HWNDALREADYSET ||
         result == pf::DDERR_EXCLUSIVEMODEALREADYSET;
}

// The running screen's ladder: the mode, then without refresh, then the old mode, then 640 x 480 x 16
// (result -2); the last rung failing is fatal.
int RunModeLadder(ModeValues* mode, const ModeValues& old, bool (*attempt)(const ModeValues&, bool first)) {
  int result = 0;
  if (attempt(*mode, true)) return result;
  mode->refresh = 0;
  if (attempt(*mode, false)) return result;
  *mode = old;
  if (attempt(*mode, false)) return result;
  result = -2;
  *mode = ModeValues{640, 480, 16, 0};
  if (!attempt(*mode, false)) AbortWithLog("予期せぬ画面モード変更不能現象が起きました2");
  return result;
}

bool AttemptDisplaySettings(const ModeValues& mode, bool first) {
  return TryDisplaySettings(mode, first ? static_cast<std::uint32_t>(pf::CDS_FULLSCREEN) : 0u);
}

bool AttemptDisplayMode(const ModeValues& mode, bool) { return TryDisplayMode(g_screen.directDraw, mode); }

// A mode change on a running screen: the display mode through GDI, or a new DirectDraw object with
// its cooperative level and display mode.
int ApplyRunningMode(ModeValues* mode, const ModeValues& old) {
  int result = 0;
  const pf::WindowHandle window = ServiceMainWindow();
  const bool windowed = ServiceWindowMode() == 1;
  if (g_screen.gdiOutput) {
    // A full-screen mode left for the window goes back to the desktop's.
    if (windowed && g_screen.displayModeChanged) pf::ChangeDisplaySettings(nullptr, 0);
    g_screen.displayModeChanged = 0;
    if (!windowed) {
      WriteLogText("画面解像度を変更します... ");
      result = RunModeLadder(mode, old, &AttemptDisplaySettings);
      g_screen.displayModeChanged = 1;
      WriteLogText("成功しました\n");
    }
    return result;
  }
  WriteLogText("ＤｉｒｅｃｔＤｒａｗオブジェクトを解放します\n");
  g_screen.directDraw->SetCooperativeLevel(window, pf::DDSCL_NORMAL);
  // The clipper belongs to the old object: it goes with it and is made again from the new one.
  ReleaseScreenClipper();
  g_screen.directDraw->Release();
  g_screen.directDraw = nullptr;
  WriteLogText("ＤｉｒｅｃｔＤｒａｗオブジェクトを解放しました\n");
  if (CreateDirectDrawObject(&g_screen.directDraw) < 0) {
    AbortWithLog("DirectDraw オブジェクトの作成処理時にエラーが発生しました");
  }
  RecreateScreenClipper();
  const std::uint32_t level = windowed ? static_cast<std::uint32_t>(pf::DDSCL_NORMAL) : kExclusiveLevel;
  pf::HResult hr = g_screen.directDraw->SetCooperativeLevel(window, level);
  if (windowed ? hr != pf::DD_OK : !ToleratedCooperativeResult(hr)) {
    AbortWithLog("DirectDrawの協調レベルの設定に失敗しました、ソフトを終了します");
  }
  g_screen.cooperativeLevel = level;
  g_screen.displayModeChanged = 0;
  if (!windowed) {
    WriteLogText("画面解像度を変更します... ");
    result = RunModeLadder(mode, old, &AttemptDisplayMode);
    g_screen.displayModeChanged = 1;
    WriteLogText("成功しました\n");
  }
  return result;
}

bool ApplyFirstMode(const ModeValues& mode, int* depth) {
  int desktopWidth = 0, desktopHeight = 0, desktopBits = 0;
  pf::GetDesktopMode(&desktopWidth, &desktopHeight, &desktopBits);
  g_screen.refreshRate = mode.refresh;
  return ApplyCooperativeLevelAndMode(g_screen.directDraw, desktopWidth, desktopHeight, mode.width, mode.height,
                                      mode.depth, depth, &g_screen.cooperativeLevel, ServiceWindowMode(),
                                      &g_screen.displayModeChanged, ServiceMainWindow()) == 0;
}

// The screen's first mode: the mode asked for, then the old mode, then 640 x 480 x 16.
int ApplyStartingMode(ModeValues* mode, const ModeValues& old, int* depth) {
  const bool windowed = ServiceWindowMode() == 1;
  if (!windowed) ServiceCall(Services().applyWindowStyle);
  if (ApplyFirstMode(*mode, depth)) return 0;
  const ModeValues requested = *mode;
  *mode = old;
  if (!windowed) ServiceCall(Services().applyWindowStyle);
  const bool sameAsOld = requested.width == old.width && requested.height == old.height &&
                         requested.depth == old.depth && requested.refresh == 0;
  if (!sameAsOld && ApplyFirstMode(*mode, depth)) return -1;
  *mode = ModeValues{640, 480, 16, 0};
  if (windowed) ServiceCall(Services().applyWindowStyle);
  if (!ApplyFirstMode(*mode, depth)) AbortWithLog("予期せぬ画面モード変更不能現象が起きました");
  return -2;
}

int ScreenFormatKind(const DDPixelFormatRecord& f) {
  if (f.RGBBitCount == 16 && f.RedMask == 0xF800 && f.GreenMask == 0x07E0 && f.BlueMask == 0x001F) return kScreen565;
  if (f.RGBBitCount == 16 && f.RedMask == 0x7C00 && f.GreenMask == 0x03E0 && f.BlueMask == 0x001F) return kScreen555;
  if (f.RGBBitCount == 32 && f.RedMask == 0xFF0000 && f.GreenMask == 0xFF00 && f.BlueMask == 0xFF) return kScreen888;
  return kScreenOtherFormat;
}

void MeasureDisplayRefresh() {
  g_screen.measuredRefresh = -1;
  if (ServiceOsVersionCode() >= 0x104) {
    pf::DeviceContext dc = pf::GetDC(ServiceMainWindow());
    int refresh = pf::GetDeviceCaps(dc, pf::VREFRESH);
    if (dc != nullptr) pf::ReleaseDC(ServiceMainWindow(), dc);
    g_screen.measuredRefresh = refresh < 60 ? -1 : refresh;
  }
  g_screen.framePeriod = -1;
  if (g_screen.gdiOutput) {
    g_screen.measuredRefresh = 60;
    return;
  }
  MeasureFramePeriod();
}

}  // namespace

int ApplyCooperativeLevelAndMode(pf::DirectDraw7* object, int desktopWidth, int desktopHeight, int width,
                                 int height, int depth, int* outDepth, std::uint32_t* outCooperativeLevel,
                                 int windowMode, int* displayModeChanged, pf::WindowHandle window) {
  WriteLogFormat("画面モードの変更処理を開始します %u x %u  %u bit ", static_cast<unsigned>(width),
                 static_cast<unsigned>(height), static_cast<unsigned>(depth));
  PushLogIndent();
  if (windowMode) {
    WriteLogText("ウインドウモードにします\n");
    if (desktopWidth < width || desktopHeight < height) {
      AbortWithLog("デスクトップ画面のサイズが足りません、ソフトを終了します");
    }
    if (*displayModeChanged) {
      WriteLogText("フルスクリーンモードから抜けます\n");
      if (g_screen.gdiOutput) {
        pf::ChangeDisplaySettings(nullptr, 0);
      } else {
        object->RestoreDisplayMode();
      }
      *displayModeChanged = 0;
    }
    const int desktopBits = pf::GetDeviceCaps(nullptr, pf::PLANES) * pf::GetDeviceCaps(nullptr, pf::BITSPIXEL);
    if (desktopBits == 24) {
      PopLogIndent();
      return -1;
    }
    *outDepth = desktopBits;
    if (!g_screen.gdiOutput && object->SetCooperativeLevel(window, pf::DDSCL_NORMAL) != pf::DD_OK) {
      AbortWithLog("DirectDrawの協調レベルの設定に失敗しました、ソフトを終了します");
    }
    *outCooperativeLevel = pf::DDSCL_NORMAL;
  } else {
    if (depth == 24) {
      PopLogIndent();
      return -1;
    }
    WriteLogText("画面解像度を変更します... ");
    bool applied;
    ModeValues mode{width, height, depth, g_screen.refreshRate};
    if (g_screen.gdiOutput) {
      applied = TryDisplaySettings(mode, pf::CDS_FULLSCREEN);
      if (!applied) {
        g_screen.refreshRate = mode.refresh = 0;
        applied = TryDisplaySettings(mode, 0);
      }
    } else {
      if (!ToleratedCooperativeResult(object->SetCooperativeLevel(window, kExclusiveLevel))) {
        AbortWithLog("DirectDrawの協調レベルの設定に失敗しました、ソフトを終了します");
      }
      *outCooperativeLevel = kExclusiveLevel;
      applied = TryDisplayMode(object, mode);
      if (!applied) {
        g_screen.refreshRate = mode.refresh = 0;
        applied = TryDisplayMode(object, mode);
      }
    }
    if (!applied) {
      WriteLogText("画面モードの変更に失敗しました\n");
      PopLogIndent();
      return -1;
    }
    *outDepth = depth;
    *displayModeChanged = 1;
    WriteLogText("成功しました\n");
  }
  PopLogIndent();
  WriteLogText("画面モードの変更は正常に終了しました \n");
  return 0;
}

int LogScreenPixelFormat() {
  if (g_screen.gdiOutput) {
    if (g_screen.colorDepth != 16 && g_screen.colorDepth != 32) g_screen.colorDepth = 16;
    g_screen.screenFormatKind = g_screen.colorDepth == 16 ? kScreen555 : kScreen888;
    g_screen.screenFormat = *GetMemImgPixelFormat(g_screen.colorDepth == 16 ? kMemImg565 : kMemImg8888, 0, 0);
  } else {
    pf::SurfaceDesc desc{};
    desc.size = sizeof desc;
    g_screen.directDraw->GetDisplayMode(&desc);
    std::memcpy(&g_screen.displayPixelFormat, &desc.pixelFormat, sizeof g_screen.displayPixelFormat);
    PixelFormatFromPixelFormat(&g_screen.displayPixelFormat, &g_screen.screenFormat);
    WriteLogText("カラー情報\n");
    PushLogIndent();
    WriteLogFormat("ALPHA:%08x RED:%08x GREEN:%08x BLUE:%08x", g_screen.displayPixelFormat.AlphaMask,
                   g_screen.displayPixelFormat.RedMask, g_screen.displayPixelFormat.GreenMask,
                   g_screen.displayPixelFormat.BlueMask);
    PopLogIndent();
    g_screen.colorDepth = static_cast<int>(g_screen.displayPixelFormat.RGBBitCount);
    g_screen.screenFormatKind = ScreenFormatKind(g_screen.displayPixelFormat);
  }
  // The colour helpers pack and unpack in the screen's format from here on.
  SetScreenColorFormat(&g_screen.screenFormat, g_screen.colorDepth);
  g_screenColor.requestedDepth = g_screen.requestedDepth;
  g_screenColor.softwareRendering = g_screen.softwareRendering;
  return 0;
}

int ChangeScreenMode(int width, int height, int colorDepth, int force, int refreshRate) {
  std::uint32_t transparentColor = 0;
  if (g_screen.ready) transparentColor = ServiceGetTransparentColor();
  ModeValues mode{width == -1 ? g_screen.width : width, height == -1 ? g_screen.height : height,
                  colorDepth == -1 ? g_screen.colorDepth : colorDepth,
                  refreshRate == -1 ? g_screen.refreshRate : refreshRate};
  if (!force && mode.width == g_screen.width && mode.height == g_screen.height && mode.depth == g_screen.colorDepth &&
      mode.refresh == g_screen.refreshRate) {
    return 0;
  }
  WriteLogText("画面モード変更処理を開始します\n");
  PushLogIndent();
  char fontFace[256] = {};
  int fontSize = 0, fontThickness = 0;
  const bool fontValid = Services().readDefaultFont != nullptr &&
                         Services().readDefaultFont(fontFace, sizeof fontFace, &fontSize, &fontThickness) == 0;
  const ModeValues old{g_screen.width, g_screen.height, g_screen.colorDepth, g_screen.refreshRate};
  g_screen.refreshRate = mode.refresh;
  if ((!g_runState.starting && !g_runState.ready) || (!g_screen.gdiOutput && g_screen.directDraw == nullptr)) {
    g_screen.width = mode.width;
    g_screen.height = mode.height;
    g_screen.colorDepth = mode.depth;
    PopLogIndent();
    return 0;
  }
  int result = 0;
  g_screen.appliedGdiSurface = -1;
  // Display drivers need time between mode changes; none is needed before the first.
  const std::uint32_t now = pf::timeGetTime();
  const std::uint32_t elapsed = now - g_screen.lastModeChangeTime;
  pf::Sleep(g_screen.lastModeChangeTime != 0 && elapsed < kQuickChangeWindow ? kQuickChangeWait - elapsed
                                                                             : kModeChangeWait);
  g_screen.lastModeChangeTime = pf::timeGetTime();

  ServiceCall(Services().releaseAllGraphs);
  ServiceCall(Services().endGraphicsManager);
  ServiceCall(Services().endDirect3D);
  ReleaseScreenPalette();
  ReleaseOutputSurfaces();

  int depth = mode.depth;
  if (g_screen.ready) {
    ServiceCall(Services().deleteAllSurface2D);
    result = ApplyRunningMode(&mode, old);
    depth = mode.depth;
    if (ServiceWindowMode() == 1) {
      int desktopWidth = 0, desktopHeight = 0;
      pf::GetDesktopMode(&desktopWidth, &desktopHeight, &depth);
    }
  } else {
    result = ApplyStartingMode(&mode, old, &depth);
  }
  g_screen.width = mode.width;
  g_screen.height = mode.height;
  g_screen.colorDepth = depth;
  if (g_screen.ready) g_screen.refreshRate = mode.refresh;

  LogScreenPixelFormat();
  if (ServiceWindowMode() == 1 || g_screen.gdiOutput) ServiceCall(Services().applyWindowStyle);
  if (CreateOutputSurfaces() < 0) {
    PopLogIndent();
    WriteLogText("DirectDrawSurface の初期化に失敗しました\n");
    ReleaseOutputSurfaces();
    return -1;
  }
  if (!g_screen.gdiOutput && !g_screen.direct3DOff && !g_screen.softwareRendering && ServiceStartDirect3D() < 0) {
    PopLogIndent();
    ReleaseOutputSurfaces();
    return -1;
  }
  ServiceCall(Services().startGraphicsManager);
  if (fontValid && Services().recreateDefaultFont != nullptr) {
    Services().recreateDefaultFont(fontFace, fontSize, fontThickness);
  }
  ServiceCall(Services().startScreenLog);
  CreateScreenPalette();
  if (!g_screen.softwareRendering) MeasureSurfaceCopyMethod();
  MeasureDisplayRefresh();
  g_screen.frameWaitThreshold = g_screen.framePeriod < 0 ? -1 : (g_screen.framePeriod * 2 - 4) / 3;
  if (g_screen.ready && Services().setTransparentColor != nullptr) Services().setTransparentColor(transparentColor);
  PopLogIndent();
  WriteLogText("画面モード変更処理は正常に終了しました\n");
  ServiceCall(Services().processMessage);
  ServiceCall(Services().resetFlipCounter);
  return result;
}

}  // namespace zelvo
