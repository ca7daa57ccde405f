// The SoftDrawLock bracket and the plain draw of a 2D surface.
#include "media/graphics/graphs/soft_draw_lock.h"

#include <cstring>
#include <vector>

#include "media/display/convert_pixel_rect.h"

#include "media/display/screen_state.h"
#include "media/display/surface_copy.h"
#include "media/pixels/pixel_format.h"
#include "media/graphics/graphs/draw_state.h"
#include "media/graphics/graphs/d3d_graph_draw.h"
#include "media/graphics/graphs/soft_target.h"
#include "media/graphics/graphs/surface_data.h"
#include "media/software/blend_state.h"
#include "media/software/blit.h"

namespace zelvo {
namespace {

// The headers over locked or viewed pixels; each is written in full before it is used, so the
// bracket's reset leaves their palette storage alone.
struct SoftDrawLockImages {
  MEMIMG target;
  MEMIMG source;
};
SoftDrawLockImages g_softDrawImages;

struct SoftDrawLockState {
  MEMIMG* targetImage;
  const MEMIMG* sourceImage;
  pf::DirectDrawSurface7* lockedTarget;
  pf::Rect lockedTargetRect;
  int sourceRecordLocked;
  int sourceRecord;
  IntRect lockedSourceRect;
  int regionNarrowed;
  IntRect savedRegion;
  // Conversion of a 5:5:5 (or other) screen: the drawing works on 5:6:5 copies.
  int targetConverted;
  // A plain keyed copy between surfaces of one memory kind is done by BltFast instead.
  int hardwareBlit;
  pf::DirectDrawSurface7* blitSource;
  pf::Rect blitSourceRect;
  pf::DirectDrawSurface7* blitTarget;
  int blitX, blitY;
  void* lockedTargetPixels;
  int lockedTargetPitch;
  IntRect targetRect;
  // The target rectangle copied into work surface 1 and drawn there; copied back at the end.
  int workCopy;
  pf::DirectDrawSurface7* workCopyTarget;
  pf::Rect workCopyPlace;
};
SoftDrawLockState g_softDrawLock;
std::vector<std::uint8_t> g_targetCopy;
std::vector<std::uint8_t> g_sourceCopy;

int ScreenNeedsConversion() {
  return GetScreenColorBitDepth() == 16 && g_screen.screenFormatKind != kScreen565;
}

// Copies w x h pixels between a screen-format buffer and a standard 5:6:5 one.
void ConvertRect(void* to, int toPitch, const PixelFormat* toFormat, const void* from, int fromPitch,
                 const PixelFormat* fromFormat, int width, int height) {
  const IntRect whole{0, 0, width, height};
  ConvertPixelRect(to, toPitch, toFormat, from, fromPitch, fromFormat, nullptr, 0, nullptr, 0, 0, &whole, 0, 0, 0, 0,
                   0, 0, 0);
}

bool DrawingReadsDestination(const SurfaceRecord* source) {
  return (g_draw.blendMode == 1 && g_draw.blendParam != 255) || (g_draw.blendMode != 0 && g_draw.blendMode != 1) ||
         (source != nullptr && source->flags.alphaCh) || g_draw.blendGraph != -1;
}

int ScreenColorType() { return GetScreenColorBitDepth() == 16 ? kMemImg565 : kMemImg8888; }

// A header over locked pixels whose first pixel is (rect.left, rect.top) of an image of width x
// height, so that the software routines address it in the image's own coordinates.
void WrapLockedPixels(MEMIMG* out, void* locked, int pitch, const IntRect& rect, int width, int height,
                      int colorType, std::uint32_t transparent) {
  std::memset(out, 0, sizeof *out);
  const PixelFormat* format = GetMemImgPixelFormat(colorType, 0, 0);
  out->magic = kMemImgMagic;
  out->width = width;
  out->height = height;
  out->pitch = pitch;
  out->pitchLog2 = -1;
  out->format = format;
  out->transparentColor = transparent;
  out->colorType = colorType;
  out->pixelsNotOwned = 1;
  out->palette = out->paletteStorage[0];
  out->paletteCopy = out->paletteStorage[1];
  out->pixels = static_cast<std::uint8_t*>(locked) - static_cast<std::ptrdiff_t>(rect.top) * pitch -
                static_cast<std::ptrdiff_t>(rect.left) * format->BytesPerPixel;
}

}  // namespace

const MEMIMG* Surface2DSourceImage(const Surface2DEntry* entry, MEMIMG* view) {
  SurfaceRecord* record = GetSurfaceRecord(entry->record);
  if (record == nullptr || !record->memoryImage || !IsMemImgValid(&record->image)) return nullptr;
  if (entry->width == record->width && entry->height == record->height) return &record->image;
  MakeMemImgView(view, &record->image, entry->originX, entry->originY, entry->width, entry->height);
  return view;
}

int BeginSoftDrawOnTarget(const Surface2DEntry* source, int transparent, const IntRect* sourceRect,
                          const IntRect* destRect, int writesOnlyGivenColours, std::uint32_t* colour1,
                          std::uint32_t* colour2) {
  std::memset(&g_softDrawLock, 0, sizeof g_softDrawLock);
  if (IsSoftwareRenderMode()) {
    g_softDrawLock.targetImage = g_softTarget.image;
    if (source != nullptr) g_softDrawLock.sourceImage = Surface2DSourceImage(source, &g_softDrawImages.source);
    return 0;
  }
  // The device's queued vertices land before software pixels touch the target.
  if (g_screen.sceneEndBeforeSoftDraw) EndDirect3DScene();
  const SurfaceRecord* blitRecord = source != nullptr ? GetSurfaceRecord(source->record) : nullptr;
  if (transparent == 1 && blitRecord != nullptr && !DrawingReadsDestination(blitRecord) &&
      (g_draw.drawTint & 0xFFFFFF) == 0xFFFFFF && !blitRecord->memoryImage && g_softTarget.surface != nullptr &&
      g_softTarget.image == nullptr && sourceRect != nullptr) {
    pf::DDCaps2 caps{};
    blitRecord->surface->GetCaps(&caps);
    const int sourceInVideo = (caps.caps & pf::DDSCAPS_VIDEOMEMORY) ? 1 : 0;
    const int targetCountsAsVideo = g_draw.drawOffset.left != 0 || g_draw.drawOffset.top != 0 ? 1 : 0;
    if (sourceInVideo == targetCountsAsVideo) {
      g_softDrawLock.hardwareBlit = 1;
      g_softDrawLock.blitSource = blitRecord->surface;
      g_softDrawLock.blitSourceRect = pf::Rect{sourceRect->left + source->originX, sourceRect->top + source->originY,
                                       sourceRect->right + source->originX, sourceRect->bottom + source->originY};
      g_softDrawLock.blitTarget = g_softTarget.surface;
      g_softDrawLock.blitX = destRect->left + g_softTarget.originX + g_draw.drawOffset.left;
      g_softDrawLock.blitY = destRect->top + g_softTarget.originY + g_draw.drawOffset.top;
      return 0;
    }
  }
  IntRect rect = *destRect;
  ClipRect(&rect, &g_draw.region);
  if (rect.right <= rect.left || rect.bottom <= rect.top) return -1;
  const int convert = ScreenNeedsConversion();
  const PixelFormat* standard = GetMemImgPixelFormat(ScreenColorType(), 0, 0);
  const SurfaceRecord* sourceRecord = source != nullptr ? GetSurfaceRecord(source->record) : nullptr;
  // Source first: a failed lock then leaves nothing open.
  if (source != nullptr) {
    if (sourceRecord == nullptr) return 0;
    if (sourceRecord->memoryImage) {
      g_softDrawLock.sourceImage = Surface2DSourceImage(source, &g_softDrawImages.source);
    } else {
      const IntRect whole{0, 0, source->width, source->height};
      IntRect area = sourceRect != nullptr ? *sourceRect : whole;
      ClipRect(&area, &whole);
      if (area.right <= area.left || area.bottom <= area.top) return 0;
      const IntRect lockRect{area.left + source->originX, area.top + source->originY, area.right + source->originX,
                             area.bottom + source->originY};
      int pitch = 0;
      void* pixels = nullptr;
      if (LockSurfaceRecord(source->record, &pitch, &pixels, 0, &lockRect, nullptr) == -1) return 0;
      g_softDrawLock.sourceRecordLocked = 1;
      g_softDrawLock.sourceRecord = source->record;
      g_softDrawLock.lockedSourceRect = lockRect;
      const std::uint32_t key = RgbaToColorValue(standard, (sourceRecord->colorKey >> 16) & 0xFF,
                                                 (sourceRecord->colorKey >> 8) & 0xFF, sourceRecord->colorKey & 0xFF,
                                                 255);
      const int w = area.right - area.left, h = area.bottom - area.top;
      if (convert) {
        g_sourceCopy.resize(static_cast<std::size_t>(w) * h * 2);
        ConvertRect(g_sourceCopy.data(), w * 2, standard, pixels, pitch, GetScreenPixelFormat(), w, h);
        pixels = g_sourceCopy.data();
        pitch = w * 2;
      }
      WrapLockedPixels(&g_softDrawImages.source, pixels, pitch, area, source->width, source->height, ScreenColorType(), key);
      g_softDrawLock.sourceImage = &g_softDrawImages.source;
    }
  }
  if (g_softTarget.image != nullptr) {
    g_softDrawLock.targetImage = g_softTarget.image;
    return 0;
  }
  pf::DirectDrawSurface7* surface = g_softTarget.surface;
  if (surface == nullptr) return 0;
  const int dx = g_softTarget.originX + g_draw.drawOffset.left, dy = g_softTarget.originY + g_draw.drawOffset.top;
  pf::Rect lockRect{rect.left + dx, rect.top + dy, rect.right + dx, rect.bottom + dy};
  // Video memory is slow to read: a drawing that reads the destination of a target counted as video
  // memory (the front screen in a window) works on a copy in work surface 1.
  const bool targetCountsAsVideo = g_draw.drawOffset.left != 0 || g_draw.drawOffset.top != 0;
  if (targetCountsAsVideo && DrawingReadsDestination(sourceRecord)) {
    pf::DirectDrawSurface7* work = GetWorkSurface();
    const IntRect from{lockRect.left, lockRect.top, lockRect.right, lockRect.bottom};
    if (work == nullptr || BlitSurfaceToSurface(work, surface, 0, 0, &from, kSurfaceCopyMeasured) < 0) {
      EndSoftDrawOnTarget();
      return 0;
    }
    g_softDrawLock.workCopy = 1;
    g_softDrawLock.workCopyTarget = surface;
    g_softDrawLock.workCopyPlace = lockRect;
    surface = work;
    lockRect = pf::Rect{0, 0, rect.right - rect.left, rect.bottom - rect.top};
  }
  pf::SurfaceDesc desc{};
  desc.size = sizeof desc;
  if (surface->Lock(&lockRect, &desc, pf::DDLOCK_WAIT, nullptr) != pf::DD_OK) {
    g_softDrawLock.workCopy = 0;
    EndSoftDrawOnTarget();
    return 0;
  }
  g_softDrawLock.lockedTarget = surface;
  g_softDrawLock.lockedTargetRect = lockRect;
  g_softDrawLock.targetRect = rect;
  // The routines clip to the locked rectangle, so nothing outside the lock is touched.
  g_softDrawLock.regionNarrowed = 1;
  g_softDrawLock.savedRegion = g_softBlend.drawRegion;
  g_softBlend.drawRegion = rect;
  void* pixels = desc.surface;
  int pitch = desc.pitch;
  // Plain shapes write the caller's screen values as they are; everything else is drawn on a 5:6:5
  // copy of the rectangle and the caller's colours are turned into 5:6:5 with it.
  if (convert && (DrawingReadsDestination(sourceRecord) || !writesOnlyGivenColours)) {
    const int w = rect.right - rect.left, h = rect.bottom - rect.top;
    g_targetCopy.resize(static_cast<std::size_t>(w) * h * 2);
    ConvertRect(g_targetCopy.data(), w * 2, standard, pixels, pitch, GetScreenPixelFormat(), w, h);
    g_softDrawLock.targetConverted = 1;
    g_softDrawLock.lockedTargetPixels = pixels;
    g_softDrawLock.lockedTargetPitch = pitch;
    pixels = g_targetCopy.data();
    pitch = w * 2;
    for (std::uint32_t* colour : {colour1, colour2}) {
      if (colour != nullptr) *colour = ConvertColorValue(standard, GetScreenPixelFormat(), *colour);
    }
  }
  WrapLockedPixels(&g_softDrawImages.target, pixels, pitch, rect, g_draw.targetWidth, g_draw.targetHeight, ScreenColorType(), 0);
  g_softDrawLock.targetImage = &g_softDrawImages.target;
  return 0;
}

int EndSoftDrawOnTarget() {
  if (g_softDrawLock.targetConverted) {
    const int w = g_softDrawLock.targetRect.right - g_softDrawLock.targetRect.left, h = g_softDrawLock.targetRect.bottom - g_softDrawLock.targetRect.top;
    ConvertRect(g_softDrawLock.lockedTargetPixels, g_softDrawLock.lockedTargetPitch, GetScreenPixelFormat(), g_targetCopy.data(), w * 2,
                GetMemImgPixelFormat(ScreenColorType(), 0, 0), w, h);
  }
  if (g_softDrawLock.lockedTarget != nullptr) g_softDrawLock.lockedTarget->Unlock(&g_softDrawLock.lockedTargetRect);
  if (g_softDrawLock.workCopy) {
    const pf::Rect& place = g_softDrawLock.workCopyPlace;
    const IntRect drawn{0, 0, place.right - place.left, place.bottom - place.top};
    BlitSurfaceToSurface(g_softDrawLock.workCopyTarget, g_softDrawLock.lockedTarget, place.left, place.top, &drawn,
                         kSurfaceCopyMeasured);
  }
  if (g_softDrawLock.sourceRecordLocked) UnlockSurfaceRecord(g_softDrawLock.sourceRecord, &g_softDrawLock.lockedSourceRect);
  if (g_softDrawLock.regionNarrowed) g_softBlend.drawRegion = g_softDrawLock.savedRegion;
  std::memset(&g_softDrawLock, 0, sizeof g_softDrawLock);
  return 0;
}

MEMIMG* SoftLockTarget() { return g_softDrawLock.targetImage; }

std::uint32_t SoftLockColour(std::uint32_t screenColour) {
  if (!g_softDrawLock.targetConverted) return screenColour;
  return ConvertColorValue(GetMemImgPixelFormat(ScreenColorType(), 0, 0), GetScreenPixelFormat(), screenColour);
}
const MEMIMG* SoftLockSource() { return g_softDrawLock.sourceImage; }

int DrawGraphSoft(int x, int y, int surfaceHandle, int transparent) {
  if (GetDirectDrawObject() == nullptr && IsDirectDrawMode()) return -1;
  const Surface2DEntry* entry = GetSurface2D(surfaceHandle);
  if (entry == nullptr) return -1;
  const IntRect dest{x, y, x + entry->width, y + entry->height};
  IntRect visible = dest;
  ClipRect(&visible, &g_draw.region);
  if (!IsSoftwareRenderMode() && (visible.right <= visible.left || visible.bottom <= visible.top)) return 0;
  const IntRect sourceRect{visible.left - x, visible.top - y, visible.right - x, visible.bottom - y};
  if (BeginSoftDrawOnTarget(entry, 1, &sourceRect, IsSoftwareRenderMode() ? &dest : &visible, 0, nullptr, nullptr) < 0) {
    return -1;
  }
  if (g_softDrawLock.hardwareBlit) {
    g_softDrawLock.blitTarget->BltFast(static_cast<std::uint32_t>(g_softDrawLock.blitX), static_cast<std::uint32_t>(g_softDrawLock.blitY),
                               g_softDrawLock.blitSource, &g_softDrawLock.blitSourceRect,
                               transparent != 0 ? pf::DDBLTFAST_SRCCOLORKEY : pf::DDBLTFAST_NOCOLORKEY);
    std::memset(&g_softDrawLock, 0, sizeof g_softDrawLock);
    return 0;
  }
  if (SoftLockTarget() != nullptr && SoftLockSource() != nullptr) {
    BlitMemImg(SoftLockTarget(), SoftLockSource(), x, y, transparent, GetBlendGraphMemImg());
  }
  EndSoftDrawOnTarget();
  return 0;
}

void ResetSoftDrawLockState() {
  g_softDrawLock = SoftDrawLockState{};
  g_softDrawImages = SoftDrawLockImages{};
}

}  // namespace zelvo
