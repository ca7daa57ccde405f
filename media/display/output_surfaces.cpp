// The output surfaces of each rendering mode: the primary (flipping in full screen), the back
// surface, the temporary primary, two work surfaces and the Z buffer under DirectDraw; three
// MEMIMGs in software rendering.
#include <algorithm>
#include <cstring>
#include <initializer_list>

#include "media/core/log.h"
#include "media/display/screen_services.h"
#include "media/display/screen_state.h"
#include "media/pixels/pixel_format.h"

namespace zelvo {
namespace {

pf::DirectDrawSurface7* CreateScreenSurface(std::uint32_t caps, std::uint32_t backBuffers) {
  pf::SurfaceDesc desc{};
  desc.size = sizeof desc;
  desc.flags = pf::DDSD_CAPS;
  desc.caps.caps = caps;
  if (!(caps & pf::DDSCAPS_PRIMARYSURFACE)) {
    desc.flags |= pf::DDSD_WIDTH | pf::DDSD_HEIGHT;
    desc.width = static_cast<std::uint32_t>(g_screen.width);
    desc.height = static_cast<std::uint32_t>(g_screen.height);
  }
  if (backBuffers != 0) {
    desc.flags |= pf::DDSD_BACKBUFFERCOUNT;
    desc.backBufferCount = backBuffers;
  }
  if (caps & pf::DDSCAPS_ZBUFFER) {
    desc.flags |= pf::DDSD_PIXELFORMAT;
    desc.pixelFormat = pf::DDPixelFormat{sizeof(pf::DDPixelFormat), pf::DDPF_ZBUFFER, 0, 16, 0, 0xFFFF, 0, 0};
  }
  pf::DirectDrawSurface7* surface = nullptr;
  return g_screen.directDraw->CreateSurface(&desc, &surface, nullptr) == pf::DD_OK ? surface : nullptr;
}

void FillBlack(pf::DirectDrawSurface7* surface) {
  pf::DDBltFx fx{sizeof(pf::DDBltFx), RgbToScreenColor(0, 0, 0), 0};
  surface->Blt(nullptr, nullptr, nullptr, pf::DDBLT_COLORFILL | pf::DDBLT_WAIT, &fx);
}

// The desktop's primary keeps whatever it held until the program draws; the part under the window
// starts black, so no frame ever shows memory that nothing has drawn.
void FillClientAreaBlack(pf::DirectDrawSurface7* primary) {
  pf::Rect client{};
  pf::Point origin{0, 0};
  if (!pf::GetClientRect(ServiceMainWindow(), &client) || !pf::ClientToScreen(ServiceMainWindow(), &origin)) return;
  pf::SurfaceDesc desc{};
  desc.size = sizeof desc;
  if (primary->GetSurfaceDesc(&desc) != pf::DD_OK) return;
  const pf::Rect area{origin.x < 0 ? 0 : origin.x, origin.y < 0 ? 0 : origin.y,
                      std::min<int>(origin.x + client.right, static_cast<int>(desc.width)),
                      std::min<int>(origin.y + client.bottom, static_cast<int>(desc.height))};
  if (area.right <= area.left || area.bottom <= area.top) return;
  pf::DDBltFx fx{sizeof(pf::DDBltFx), RgbToScreenColor(0, 0, 0), 0};
  primary->Blt(&area, nullptr, nullptr, pf::DDBLT_COLORFILL | pf::DDBLT_WAIT, &fx);
}

pf::DirectDrawSurface7* CreateWorkSurface(const char* failure) {
  pf::DirectDrawSurface7* surface = CreateScreenSurface(pf::DDSCAPS_OFFSCREENPLAIN | pf::DDSCAPS_SYSTEMMEMORY, 0);
  if (surface == nullptr) AbortWithLog(failure);
  pf::DDColorKey black{0, 0};
  surface->SetColorKey(pf::DDCKEY_SRCBLT, &black);
  return surface;
}

const char* MemoryPlace(pf::DirectDrawSurface7* surface) {
  pf::DDCaps2 caps{};
  if (surface != nullptr) surface->GetCaps(&caps);
  return (caps.caps & pf::DDSCAPS_VIDEOMEMORY) ? "VIDEOMEMORY" : "SYSTEMMEMORY";
}

void CreateSoftScreens() {
  const int colorType = g_screen.requestedDepth == 16 ? kMemImg565 : kMemImg8888;
  if (InitScreenMemImg(&SoftScreen, g_screen.width, g_screen.height, colorType) < 0) {
    AbortWithLog("プライマリサーフェス用の MEMIMG の作成に失敗しました");
  }
  if (InitScreenMemImg(&SoftBackScreen, g_screen.width, g_screen.height, colorType) < 0) {
    AbortWithLog("バックサーフェス用の MEMIMG の作成に失敗しました");
  }
  if (InitDepthMemImg(&SoftDepthScreen, g_screen.width, g_screen.height) < 0) {
    AbortWithLog("Ｚバッファサーフェス用の MEMIMG の作成に失敗しました");
  }
  // Black is the pixel value 0 in both colour types.
  FillMemImgRect(&SoftScreen, nullptr, 0);
  FillMemImgRect(&SoftBackScreen, nullptr, 0);
}

// Returns -1 when the Z buffer cannot be made or attached; every other failure is fatal.
int CreateDirectDrawSurfaces() {
  g_screen.requestedDepth = g_screen.colorDepth;
  if (ServiceWindowMode() == 1) {
    g_screen.primarySurface = CreateScreenSurface(pf::DDSCAPS_PRIMARYSURFACE | pf::DDSCAPS_3DDEVICE, 0);
    if (g_screen.primarySurface == nullptr) AbortWithLog("プライマリサーフェスの作成に失敗しました");
    g_screen.backSurface = CreateScreenSurface(pf::DDSCAPS_OFFSCREENPLAIN | pf::DDSCAPS_3DDEVICE, 0);
    if (g_screen.backSurface == nullptr) AbortWithLog("バックサーフェスの作成に失敗しました");
    FillBlack(g_screen.backSurface);
    FillClientAreaBlack(g_screen.primarySurface);
  } else {
    g_screen.primarySurface = CreateScreenSurface(
        pf::DDSCAPS_PRIMARYSURFACE | pf::DDSCAPS_FLIP | pf::DDSCAPS_COMPLEX | pf::DDSCAPS_3DDEVICE, 1);
    if (g_screen.primarySurface == nullptr) AbortWithLog("プライマリサーフェスの作成に失敗しました");
    pf::DDCaps2 backCaps{pf::DDSCAPS_BACKBUFFER, 0, 0, 0};
    if (g_screen.primarySurface->GetAttachedSurface(&backCaps, &g_screen.backSurface) != pf::DD_OK) {
      AbortWithLog("バックバッファのポインタ取得に失敗しました");
    }
    // Every buffer of the chain starts black.
    for (int i = 0; i < 3; ++i) {
      FillBlack(g_screen.backSurface);
      g_screen.primarySurface->Flip(nullptr, pf::DDFLIP_NOVSYNC);
    }
  }
  if (g_screen.temporaryPrimary) {
    g_screen.temporaryPrimarySurface = CreateScreenSurface(pf::DDSCAPS_OFFSCREENPLAIN | pf::DDSCAPS_3DDEVICE, 0);
    if (g_screen.temporaryPrimarySurface == nullptr) AbortWithLog("テンポラリプライマリサーフェスの作成に失敗しました");
    FillBlack(g_screen.temporaryPrimarySurface);
  }
  g_screen.workSurface1 = CreateWorkSurface("作業用サーフェスの作成に失敗しました");
  g_screen.workSurface2 = CreateWorkSurface("作業用サーフェス２の作成に失敗しました");
  g_screen.zBufferSurface = CreateScreenSurface(pf::DDSCAPS_ZBUFFER, 0);
  if (g_screen.zBufferSurface == nullptr ||
      g_screen.backSurface->AddAttachedSurface(g_screen.zBufferSurface) != pf::DD_OK) {
    WriteLogText("Ｚバッファの作成に失敗しました\n");
    return -1;
  }
  return 0;
}

void ReleaseSurface(pf::DirectDrawSurface7** surface) {
  if (*surface != nullptr) (*surface)->Release();
  *surface = nullptr;
}

}  // namespace

int CreateOutputSurfaces() {
  if (!g_screen.gdiOutput && (g_screen.directDraw == nullptr || g_screen.primarySurface != nullptr)) return -1;
  WriteLogText("出力画面用の DirectDrawSurface を作成します\n");
  PushLogIndent();
  if (g_screen.softwareRendering) {
    CreateSoftScreens();
  } else if (CreateDirectDrawSurfaces() < 0) {
    PopLogIndent();
    return -1;
  }
  WriteLogText("各スクリーンメモリの配置位置\n");
  PushLogIndent();
  if (g_screen.softwareRendering) {
    WriteLogText("PrimaryBuffer : SYSTEMMEMORY( MEMIMG ) \n");
    WriteLogText("BaskBuffer : SYSTEMMEMORY( MEMIMG ) \n");
  } else {
    WriteLogFormat("PrimaryBuffer : %s  ", MemoryPlace(g_screen.primarySurface));
    WriteLogFormat("BaskBuffer : %s  ", MemoryPlace(g_screen.backSurface));
  }
  PopLogIndent();
  PopLogIndent();
  WriteLogText("出力画面用の DirectDrawSurface の作成は正常に終了しました\n");
  return 0;
}

// Surfaces left over from an object released while the program was inactive go too, so that the
// rebuild can make new ones.
int ReleaseOutputSurfaces() {
  const int up = g_screen.gdiOutput || g_screen.directDraw != nullptr;
  if (g_screen.zBufferSurface != nullptr && g_screen.backSurface != nullptr) {
    g_screen.backSurface->DeleteAttachedSurface(0, g_screen.zBufferSurface);
  }
  ReleaseSurface(&g_screen.zBufferSurface);
  if (g_screen.primarySurface != nullptr) {
    WriteLogText("メインサーフェスを破棄をします... 完了しました\n");
    g_screen.primarySurface->SetClipper(nullptr);
  }
  ReleaseSurface(&g_screen.backSurface);
  ReleaseSurface(&g_screen.primarySurface);
  ReleaseSurface(&g_screen.temporaryPrimarySurface);
  ReleaseSurface(&g_screen.workSurface1);
  ReleaseSurface(&g_screen.workSurface2);
  if (g_screen.softwareRendering) {
    for (MEMIMG* image : {&SoftScreen, &SoftBackScreen, &SoftDepthScreen}) {
      FreeMemImg(image);
      std::memset(image, 0, sizeof *image);
    }
  }
  return up ? 0 : -1;
}

}  // namespace zelvo
