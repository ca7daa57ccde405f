// The mask screen, its switch, the save and restore steps around every drawing operation, and the
// mask-handle table.
#include "media/graphics/graphs/mask_screen.h"

#include <algorithm>
#include <cstring>

#include "media/core/handle_table.h"
#include "media/core/log.h"
#include "media/core/window_mode.h"
#include "media/display/convert_pixel_rect.h"
#include "media/display/d3d_mask_target.h"
#include "media/display/screen_services.h"
#include "media/display/screen_state.h"
#include "media/graphics/graphs/d3d_graph_draw.h"
#include "media/graphics/graphs/draw_state.h"
#include "media/graphics/graphs/front_buffer.h"
#include "media/graphics/graphs/soft_target.h"

namespace zelvo {

MaskScreenState g_mask;

namespace {

void ScreenSizeOrDefault(int* width, int* height) {
  GetScreenSize(width, height);
  if (*width == 0) *width = 640;
  if (*height == 0) *height = 480;
}

// Software rendering draws into MEMIMG screens, except on an 8-bit screen.
int MaskIsImage() { return IsSoftwareRenderMode() && GetScreenColorBitDepth() != 8; }

int MaskScreenPresent() { return g_mask.hasImage ? IsMemImgValid(&g_mask.image) : g_mask.surface != nullptr; }

int Masked(std::uint8_t maskByte) { return g_mask.inverse ? maskByte == 0 : maskByte != 0; }

void CreateMaskImage(int width, int height) {
  const int colorType = IsMemImgValid(&SoftBackScreen) ? SoftBackScreen.colorType : -1;
  if (InitScreenMemImg(&g_mask.image, width, height, colorType) < 0) {
    AbortWithLog("マスク用 MEMIMG の作成に失敗しました");
  }
  g_mask.hasImage = 1;
}

void CreateMaskSurface(int width, int height) {
  pf::DirectDraw7* const directDraw = GetDirectDrawObject();
  pf::SurfaceDesc desc{};
  desc.size = sizeof desc;
  desc.flags = pf::DDSD_CAPS | pf::DDSD_WIDTH | pf::DDSD_HEIGHT | pf::DDSD_CKSRCBLT;
  desc.width = static_cast<std::uint32_t>(width);
  desc.height = static_cast<std::uint32_t>(height);
  // The Direct3D device draws into it while the mask is on; software rendering at 8 bits keeps it
  // in system memory.
  desc.caps.caps = pf::DDSCAPS_OFFSCREENPLAIN |
                   (IsSoftwareRenderMode() ? pf::DDSCAPS_SYSTEMMEMORY : pf::DDSCAPS_VIDEOMEMORY | pf::DDSCAPS_3DDEVICE);
  desc.sourceBltKey = pf::DDColorKey{g_mask.keyColor, g_mask.keyColor};
  pf::DirectDrawSurface7* surface = nullptr;
  if (directDraw == nullptr || directDraw->CreateSurface(&desc, &surface, nullptr) != pf::DD_OK || surface == nullptr) {
    AbortWithLog("マスク用サーフェスの作成に失敗しました");
  }
  const pf::DDColorKey key{g_mask.keyColor, g_mask.keyColor};
  surface->SetColorKey(pf::DDCKEY_SRCBLT, &key);
  pf::DDCaps2 caps{};
  surface->GetCaps(&caps);
  g_mask.surfaceInVideoMemory = (caps.caps & pf::DDSCAPS_VIDEOMEMORY) ? 1 : 0;
  g_mask.surface = surface;
}

// Pixels of a rectangle: its first pixel, the row pitch and the colour format, with the surface
// lock that holds them open.
struct PixelWindow {
  std::uint8_t* pixels;
  int pitch;
  const PixelFormat* format;
  pf::DirectDrawSurface7* locked;
  pf::Rect lockedRect;
};

int OpenWindow(pf::DirectDrawSurface7* surface, MEMIMG* image, const IntRect& rect, int shiftX, int shiftY,
               PixelWindow* out) {
  *out = PixelWindow{};
  if (image != nullptr) {
    out->format = image->format;
    out->pitch = image->pitch;
    out->pixels = image->pixels + static_cast<std::ptrdiff_t>(rect.top) * image->pitch +
                  static_cast<std::ptrdiff_t>(rect.left) * image->format->BytesPerPixel;
    return 1;
  }
  const pf::Rect lockRect{rect.left + shiftX, rect.top + shiftY, rect.right + shiftX, rect.bottom + shiftY};
  pf::SurfaceDesc desc{};
  desc.size = sizeof desc;
  if (surface->Lock(&lockRect, &desc, pf::DDLOCK_WAIT, nullptr) != pf::DD_OK) return 0;
  out->pixels = static_cast<std::uint8_t*>(desc.surface);
  out->pitch = desc.pitch;
  out->format = GetScreenPixelFormat();
  out->locked = surface;
  out->lockedRect = lockRect;
  return 1;
}

void CloseWindow(PixelWindow* window) {
  if (window->locked != nullptr) window->locked->Unlock(&window->lockedRect);
  window->locked = nullptr;
}

// `count` pixels of row y from column x, converted where the two formats differ.
void CopyRun(const PixelWindow& to, const PixelWindow& from, int x, int y, int count) {
  const IntRect run{x, y, x + count, y + 1};
  ConvertPixelRect(to.pixels, to.pitch, to.format, from.pixels, from.pitch, from.format, nullptr, 0, nullptr, x, y,
                   &run, 0, 0, 0, 0, 0, 0, 0);
}

// The part of `rect` both steps work on, in draw coordinates: inside the draw region, the mask
// screen, the mask data and the target. The target's pixels lie `shift` away from the mask screen's
// (the front buffer's client area on the desktop, a graph's place in a shared surface).
int MaskArea(const IntRect* rect, pf::DirectDrawSurface7* targetSurface, const MEMIMG* targetImage, IntRect* area,
             int* shiftX, int* shiftY) {
  IntRect r = *rect;
  NormalizeRect(&r);
  ClipRect(&r, &g_draw.region);
  const IntRect maskBounds{0, 0, std::min(g_mask.screenWidth, g_mask.width), std::min(g_mask.screenHeight, g_mask.height)};
  ClipRect(&r, &maskBounds);
  int targetWidth = 0, targetHeight = 0;
  *shiftX = *shiftY = 0;
  if (targetImage != nullptr) {
    targetWidth = targetImage->width;
    targetHeight = targetImage->height;
  } else if (targetSurface != nullptr) {
    pf::SurfaceDesc desc{};
    desc.size = sizeof desc;
    if (targetSurface->GetSurfaceDesc(&desc) != pf::DD_OK) return 0;
    targetWidth = static_cast<int>(desc.width);
    targetHeight = static_cast<int>(desc.height);
    *shiftX = g_softTarget.originX;
    *shiftY = g_softTarget.originY;
    if (g_draw.target == kTargetFrontBuffer && !IsSoftwareRenderMode()) {
      const IntRect client = FrontBufferClientOffset();
      *shiftX += client.left;
      *shiftY += client.top;
    }
  } else {
    return 0;
  }
  const IntRect targetBounds{-*shiftX, -*shiftY, targetWidth - *shiftX, targetHeight - *shiftY};
  ClipRect(&r, &targetBounds);
  if (r.right <= r.left || r.bottom <= r.top) return 0;
  *area = r;
  return 1;
}

IntRect MaskDrawArea() {
  pf::Rect client{};
  if (!g_draw.maskActive && g_draw.target == kTargetFrontBuffer && ServiceWindowMode() == 1 &&
      !g_screen.temporaryPrimary && !IsSoftwareRenderMode() && GetClientRectBelowToolbar(&client) >= 0) {
    return IntRect{client.left, client.top, client.right, client.bottom};
  }
  int width = 0, height = 0;
  GetGraphSize(g_draw.target, &width, &height);
  return IntRect{0, 0, width, height};
}

}  // namespace

void ResetMaskState() { std::memset(&g_mask, 0, sizeof g_mask); }

int CreateMaskScreen(int withData, int withScreen) {
  int width = 0, height = 0;
  ScreenSizeOrDefault(&width, &height);
  if (withData && g_mask.data == nullptr) {
    const int pitch = (width + 3) & ~3;
    auto* data = static_cast<std::uint8_t*>(ZELVO_ALLOC_ZEROED(static_cast<std::size_t>(pitch) * height));
    if (data == nullptr) return WriteLogText("メモリの確保に失敗しました\n");
    g_mask.data = data;
    g_mask.width = width;
    g_mask.height = height;
    g_mask.pitch = pitch;
  }
  if (withScreen && !MaskScreenPresent()) {
    if (MaskIsImage()) {
      CreateMaskImage(width, height);
    } else {
      CreateMaskSurface(width, height);
    }
    g_mask.screenWidth = width;
    g_mask.screenHeight = height;
    g_mask.created = 1;
  }
  return 0;
}

int ReleaseMaskScreen() {
  if (g_mask.surface != nullptr) g_mask.surface->Release();
  g_mask.surface = nullptr;
  if (g_mask.hasImage) FreeMemImg(&g_mask.image);
  g_mask.hasImage = 0;
  return 0;
}

int RecreateMaskScreen() {
  CreateMaskScreen(g_mask.created, g_mask.created);
  if (g_draw.maskRequested) EnableMask(1);
  return 0;
}

int EndMaskScreen() {
  WaitWhileInactiveForDrawing();
  if (g_draw.maskRequested) EnableMask(0);
  ReleaseMaskScreen();
  if (g_mask.data != nullptr) TrackedFree(g_mask.data);
  g_mask.data = nullptr;
  g_mask.width = g_mask.height = g_mask.pitch = 0;
  g_mask.created = 0;
  g_draw.maskActive = 0;
  return 0;
}

int EnableMask(int on) {
  if (g_mask.data == nullptr) return -1;
  g_draw.maskRequested = on ? 1 : 0;
  g_mask.drawArea = MaskDrawArea();
  g_draw.maskActive = on && g_mask.created ? 1 : 0;
  // Drawing goes into the mask screen, which has no window offset.
  g_draw.drawOffset = FrontBufferDrawOffset();
  if (g_graphics.direct3DUsable) G_D3D_SetMaskMode(g_draw.maskActive, g_mask.hasImage ? nullptr : g_mask.surface);
  return 0;
}

int IsMaskEnabled() { return g_draw.maskRequested; }
int IsMaskActive() { return g_draw.maskActive; }
pf::DirectDrawSurface7* GetMaskSurface() { return g_mask.surface; }
MEMIMG* GetMaskImage() { return g_mask.hasImage ? &g_mask.image : nullptr; }

pf::DirectDrawSurface7* MaskRenderTarget() {
  return g_draw.maskActive && !g_mask.hasImage ? g_mask.surface : nullptr;
}

// Opens the mask screen and the target over the rectangle clipped to both and hands the two
// windows to `copyRows`. Queued vertices land on the target before its pixels are touched.
template <typename CopyRows>
void WithMaskAndTarget(const IntRect* rect, pf::DirectDrawSurface7* targetSurface, MEMIMG* targetImage,
                       CopyRows copyRows) {
  EndDirect3DScene();
  IntRect area{};
  int shiftX = 0, shiftY = 0;
  if (!MaskArea(rect, targetSurface, targetImage, &area, &shiftX, &shiftY)) return;
  PixelWindow mask{}, target{};
  if (!OpenWindow(g_mask.surface, GetMaskImage(), area, 0, 0, &mask)) return;
  if (OpenWindow(targetSurface, targetImage, area, shiftX, shiftY, &target)) {
    copyRows(mask, target, area);
    CloseWindow(&target);
  }
  CloseWindow(&mask);
}

int MaskSaveRect(const IntRect* rect, pf::DirectDrawSurface7* targetSurface, MEMIMG* targetImage) {
  if (!MaskScreenPresent()) return 0;
  WithMaskAndTarget(rect, targetSurface, targetImage,
                    [](const PixelWindow& mask, const PixelWindow& target, const IntRect& area) {
                      const int width = area.right - area.left;
                      for (int y = 0; y < area.bottom - area.top; ++y) CopyRun(mask, target, 0, y, width);
                    });
  return 0;
}

// The pixels the mask lets through go back to the target; the masked ones keep what it holds. The
// copy goes by the mask data itself rather than by a key colour, so a drawn pixel that happens to
// equal the key is not lost.
int MaskRestoreRect(const IntRect* rect, pf::DirectDrawSurface7* targetSurface, MEMIMG* targetImage) {
  if (!g_draw.maskActive || !MaskScreenPresent()) return 0;
  WithMaskAndTarget(rect, targetSurface, targetImage,
                    [](const PixelWindow& mask, const PixelWindow& target, const IntRect& area) {
                      const int width = area.right - area.left;
                      for (int y = 0; y < area.bottom - area.top; ++y) {
                        const std::uint8_t* maskRow =
                            g_mask.data + static_cast<std::ptrdiff_t>(area.top + y) * g_mask.pitch + area.left;
                        int x = 0;
                        while (x < width) {
                          while (x < width && Masked(maskRow[x])) ++x;
                          const int start = x;
                          while (x < width && !Masked(maskRow[x])) ++x;
                          if (x > start) CopyRun(target, mask, start, y, x - start);
                        }
                      }
                    });
  return 0;
}

void BeginMaskedDraw(const IntRect* rect) {
  if (g_mask.bracketDepth++ > 0 || !g_draw.maskActive || !MaskScreenPresent()) return;
  MaskSaveRect(rect, g_softTarget.surface, g_softTarget.image);
  g_mask.redirected = 1;
  g_mask.savedSurface = g_softTarget.surface;
  g_mask.savedImage = g_softTarget.image;
  g_mask.savedOriginX = g_softTarget.originX;
  g_mask.savedOriginY = g_softTarget.originY;
  g_mask.savedInVideoMemory = g_softTarget.inVideoMemory;
  g_softTarget.surface = g_mask.hasImage ? nullptr : g_mask.surface;
  g_softTarget.image = GetMaskImage();
  g_softTarget.originX = g_softTarget.originY = 0;
  g_softTarget.inVideoMemory = g_mask.hasImage ? 0 : g_mask.surfaceInVideoMemory;
}

void EndMaskedDraw(const IntRect* rect) {
  if (g_mask.bracketDepth > 0 && --g_mask.bracketDepth > 0) return;
  if (!g_mask.redirected) return;
  g_mask.redirected = 0;
  g_softTarget.surface = g_mask.savedSurface;
  g_softTarget.image = g_mask.savedImage;
  g_softTarget.originX = g_mask.savedOriginX;
  g_softTarget.originY = g_mask.savedOriginY;
  g_softTarget.inVideoMemory = g_mask.savedInVideoMemory;
  MaskRestoreRect(rect, g_softTarget.surface, g_softTarget.image);
}

int DeleteMask(int handle) {
  if (handle < 0 || HandleTypeOf(handle) != kHandleMask) return -1;
  const int slot = HandleSlotOf(handle);
  if (slot >= kMaskSlotCount) return -1;
  MaskRecord& record = g_mask.records[slot];
  if (!record.inUse || (record.check << kHandleCheckShift) != (handle & kHandleCheckMask)) return -1;
  if (record.data != nullptr) TrackedFree(record.data);
  record = MaskRecord{};
  return 0;
}

int DeleteAllMasks() {
  for (int slot = 0; slot < kMaskSlotCount; ++slot) {
    const MaskRecord& record = g_mask.records[slot];
    if (record.inUse) DeleteMask(MakeHandle(slot, kHandleMask, record.check));
  }
  return 0;
}

}  // namespace zelvo
