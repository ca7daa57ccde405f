// Surface-to-surface copies through GDI or BltFast.
#include "media/display/surface_copy.h"

#include "media/display/screen_state.h"
#include "platform/gdi/gdi.h"

namespace zelvo {
namespace {

int CopyThroughGdi(pf::DirectDrawSurface7* destination, pf::DirectDrawSurface7* source, int x, int y,
                   const IntRect& rect) {
  pf::DeviceContext to = nullptr, from = nullptr;
  if (destination->GetDC(&to) != pf::DD_OK) return -1;
  if (source->GetDC(&from) != pf::DD_OK) {
    destination->ReleaseDC(to);
    return -1;
  }
  const bool copied =
      pf::BitBlt(to, x, y, rect.right - rect.left, rect.bottom - rect.top, from, rect.left, rect.top, pf::SRCCOPY);
  pf::GdiFlush();
  source->ReleaseDC(from);
  destination->ReleaseDC(to);
  return copied ? 0 : -1;
}

}  // namespace

int BlitSurfaceToSurface(pf::DirectDrawSurface7* destination, pf::DirectDrawSurface7* source, int x, int y,
                         const IntRect* sourceRect, int method) {
  if (destination == nullptr || source == nullptr) return -1;
  if (method == kSurfaceCopyMeasured) method = g_screen.useGdiBlit ? kSurfaceCopyGdi : kSurfaceCopyBltFast;
  if (method == kSurfaceCopyGdi) return CopyThroughGdi(destination, source, x, y, *sourceRect);
  const pf::Rect rect{sourceRect->left, sourceRect->top, sourceRect->right, sourceRect->bottom};
  return destination->BltFast(static_cast<std::uint32_t>(x), static_cast<std::uint32_t>(y), source, &rect, 0) ==
                 pf::DD_OK
             ? 0
             : -1;
}

}  // namespace zelvo
