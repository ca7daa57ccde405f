// Presenting: the flip of the full-screen chain, the copy of the back screen into the window, the
// GDI copies of the software screens and the vertical-blank waits.
#include "media/display/present.h"

#include "media/core/message_pump.h"
#include "media/core/toolbar.h"
#include "media/display/d3d_device.h"
#include "media/display/screen_services.h"
#include "media/display/screen_state.h"
#include "media/pixels/rectangles.h"
#include "platform/gdi/gdi.h"
#include "platform/kernel/kernel.h"
#include "platform/window/window.h"

namespace zelvo {
namespace {

std::uint64_t g_flipCounter;
std::uint32_t g_lastVblankWait;
int g_softScreenStale;

int DisplayUp() { return GetDirectDrawObject() != nullptr || !IsDirectDrawMode(); }

// The software screens described to GDI as top-down DIBs with their channel masks.
pf::BitmapInfo SoftScreenInfo(const MEMIMG* image) {
  pf::BitmapInfo info{};
  info.header.size = 40;
  info.header.width = image->width;
  info.header.height = -image->height;
  info.header.planes = 1;
  info.header.bitCount = static_cast<std::uint16_t>(image->format->ColorBitDepth);
  info.header.compression = pf::BI_BITFIELDS;
  info.colors[0] = image->format->ChannelMask[0];
  info.colors[1] = image->format->ChannelMask[1];
  info.colors[2] = image->format->ChannelMask[2];
  return info;
}

// Polls the vertical blank, pumping messages first; false when the pump asks to stop.
bool PollBlank(bool wanted) {
  for (;;) {
    if (ProcessMessage() != 0) return false;
    std::int32_t inBlank = 0;
    if (g_screen.directDraw->GetVerticalBlankStatus(&inBlank) != pf::DD_OK) return true;
    if ((inBlank != 0) == wanted) return true;
  }
}

pf::Rect ClientRectOnScreen(int width, int height) {
  pf::Point origin{0, 0};
  if (!g_screen.temporaryPrimary) {
    pf::ClientToScreen(ServiceMainWindow(), &origin);
    origin.y += GetToolbarHeight();   // the screen shows below the window's tool bar
  }
  return pf::Rect{origin.x, origin.y, origin.x + width, origin.y + height};
}

// The screen's size in the window, magnified by the window's rate (window mode only).
void MagnifiedScreenSize(int* width, int* height) {
  const double rate = ServiceWindowMode() == 1 ? ServiceWindowScaleRate() : 1.0;
  *width = static_cast<int>(g_screen.width * rate);
  *height = static_cast<int>(g_screen.height * rate);
}

// The on-screen console over the frame, drawn by the graphics front end that owns the draw state.
// Its glyphs may still be queued on the device: the scene ends so that they land before the frame
// is shown.
void DrawScreenLogOverFrame() {
  ServiceCall(Services().drawScreenLogOverFrame);
  G_D3D_EndScene(g_d3d.currentDevice);
}

}  // namespace

void ResetFlipCounter() { g_flipCounter = 0; }
void CountFlip() { ++g_flipCounter; }
std::uint64_t GetFlipCounter() { return g_flipCounter; }
void MarkSoftScreenStale() { g_softScreenStale = 1; }

int WaitVerticalBlank(int count) {
  if (g_screen.directDraw == nullptr) return -1;
  if (ServiceGraphicsEnding()) return 0;
  ServiceCall(Services().waitWhileInactive);
  if (count == 0) return PollBlank(true) ? 0 : -1;
  for (int i = 0; i < count; ++i) {
    if (!PollBlank(false) || !PollBlank(true)) return -1;
    if (ProcessMessage() < 0) return -1;
  }
  return 0;
}

void FrameWait() {
  if (g_screen.directDraw == nullptr) return;
  const int threshold = g_screen.frameWaitThreshold;
  if (threshold >= 0 && static_cast<int>(pf::timeGetTime() - g_lastVblankWait) < threshold) {
    while (static_cast<int>(pf::timeGetTime() - g_lastVblankWait) < threshold) pf::Sleep(1);
    g_screen.directDraw->WaitForVerticalBlank(pf::DDWAITVB_BLOCKBEGIN, nullptr);
  } else {
    pf::Sleep(0);
    std::int32_t inBlank = 0;
    g_screen.directDraw->GetVerticalBlankStatus(&inBlank);
    if (!inBlank) g_screen.directDraw->WaitForVerticalBlank(pf::DDWAITVB_BLOCKBEGIN, nullptr);
  }
  g_lastVblankWait = pf::timeGetTime();
}

int PresentBackScreen() {
  if (!DisplayUp()) return -1;
  G_D3D_EndScene(g_d3d.currentDevice);
  ServiceCall(Services().waitWhileInactive);
  if (g_screen.softwareRendering || g_screen.gdiSurface || ServiceWindowMode() == 1 || ServiceMenuEnabled()) {
    return CopyBackScreenToWindow();
  }
  DrawScreenLogOverFrame();
  if (ServiceGetDrawTarget() == kTargetFrontBuffer && g_screen.vblankWait) {
    CountFlip();
    return WaitVerticalBlank(1);
  }
  g_screen.primarySurface->Flip(nullptr, pf::DDFLIP_WAIT | (g_screen.vblankWait ? 0u : static_cast<std::uint32_t>(pf::DDFLIP_NOVSYNC)));
  if (g_screen.vblankWait) pf::Sleep(1);
  CountFlip();
  return 0;
}

int CopyBackScreenToWindow() {
  if (!DisplayUp()) return -1;
  DrawScreenLogOverFrame();
  if (ServiceGetDrawTarget() == kTargetFrontBuffer) {
    CountFlip();
    return g_screen.directDraw != nullptr ? WaitVerticalBlank(1) : 0;
  }
  ShowBackScreenInWindow();
  CountFlip();
  return 0;
}

namespace {
constexpr int kOsVista = 0x108;

// Full screen without flipping the chain: the GDI surface (or the menu) must stay the visible one.
// Windows Vista flips anyway and puts the shown frame back into the back surface.
void ShowBackScreenFullScreen() {
  pf::DirectDrawSurface7* const primary = g_screen.primarySurface;
  pf::DirectDrawSurface7* const back = g_screen.backSurface;
  const bool gdi = g_screen.gdiSurface || ServiceMenuEnabled();
  if (ServiceOsVersionCode() >= kOsVista) {
    primary->Flip(nullptr, pf::DDFLIP_WAIT | (g_screen.vblankWait ? 0u : static_cast<std::uint32_t>(pf::DDFLIP_NOVSYNC)));
    if (gdi) {
      back->Blt(nullptr, primary, nullptr, pf::DDBLT_WAIT, nullptr);
      g_screen.directDraw->FlipToGDISurface();
    } else {
      back->BltFast(0, 0, primary, nullptr, pf::DDBLTFAST_WAIT);
    }
    return;
  }
  if (g_screen.vblankWait) FrameWait();
  if (gdi) {
    primary->Blt(nullptr, back, nullptr, pf::DDBLT_WAIT, nullptr);
  } else {
    primary->BltFast(0, 0, back, nullptr, pf::DDBLTFAST_WAIT);
  }
}
}  // namespace

void ShowBackScreenInWindow() {
  const int width = g_screen.width, height = g_screen.height;
  int shownWidth = width, shownHeight = height;
  MagnifiedScreenSize(&shownWidth, &shownHeight);
  if (g_screen.softwareRendering) {
    if (g_screen.vblankWait) FrameWait();
    const pf::BitmapInfo info = SoftScreenInfo(&SoftBackScreen);
    pf::DeviceContext dc = pf::GetDC(ServiceMainWindow());
    const int top = GetToolbarHeight();
    if (shownWidth == width && shownHeight == height) {
      pf::SetDIBitsToDevice(dc, 0, top, width, height, 0, 0, 0, height, SoftBackScreen.pixels, &info,
                            pf::DIB_RGB_COLORS);
    } else {
      pf::StretchDIBits(dc, 0, top, shownWidth, shownHeight, 0, 0, width, height, SoftBackScreen.pixels, &info,
                        pf::DIB_RGB_COLORS, pf::SRCCOPY);
    }
    pf::ReleaseDC(ServiceMainWindow(), dc);
    MarkSoftScreenStale();
  } else if (ServiceWindowMode() == 1) {
    if (g_screen.vblankWait) FrameWait();
    const pf::Rect destination = ClientRectOnScreen(shownWidth, shownHeight);
    g_screen.primarySurface->Blt(&destination, g_screen.backSurface, nullptr, pf::DDBLT_WAIT, nullptr);
  } else {
    ShowBackScreenFullScreen();
  }
}

int TransferSoftScreenRect(const IntRect* rect) {
  IntRect r = *rect;
  const IntRect screen{0, 0, g_screen.width, g_screen.height};
  ClipRect(&r, &screen);
  if (r.right <= r.left || r.bottom <= r.top) return 0;
  const pf::BitmapInfo info = SoftScreenInfo(&SoftScreen);
  pf::DeviceContext dc = pf::GetDC(ServiceMainWindow());
  pf::StretchDIBits(dc, r.left, r.top, r.right - r.left, r.bottom - r.top, r.left, g_screen.height - r.bottom,
                    r.right - r.left, r.bottom - r.top, SoftScreen.pixels, &info, pf::DIB_RGB_COLORS, pf::SRCCOPY);
  pf::ReleaseDC(ServiceMainWindow(), dc);
  return 0;
}

int ReloadSoftScreenFromDisplay() {
  if (!g_softScreenStale) return 0;
  const int width = g_screen.width, height = g_screen.height;
  pf::DeviceContext windowDc = pf::GetDC(ServiceMainWindow());
  pf::DeviceContext memoryDc = pf::CreateCompatibleDC(windowDc);
  pf::GdiObject bitmap = pf::CreateCompatibleBitmap(windowDc, width, height);
  pf::GdiObject old = pf::SelectObject(memoryDc, bitmap);
  pf::BitBlt(memoryDc, 0, 0, width, height, windowDc, 0, 0, pf::SRCCOPY);
  pf::SelectObject(memoryDc, old);
  pf::BitmapInfo info = SoftScreenInfo(&SoftScreen);
  pf::GetDIBits(memoryDc, bitmap, 0, height, SoftScreen.pixels, &info, pf::DIB_RGB_COLORS);
  pf::DeleteObject(bitmap);
  pf::DeleteDC(memoryDc);
  pf::ReleaseDC(ServiceMainWindow(), windowDc);
  g_softScreenStale = 0;
  return 0;
}

void ResetPresentState() {
  g_flipCounter = 0;
  g_lastVblankWait = 0;
  g_softScreenStale = 0;
}

}  // namespace zelvo
