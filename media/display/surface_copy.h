#pragma once
// Copies of a rectangle between DirectDraw surfaces, by GDI BitBlt or by BltFast: whichever the
// screen-mode change measured as faster, or the one asked for.
#include "media/core/runtime_routines.h"
#include "platform/ddraw/ddraw.h"

namespace zelvo {

enum : int { kSurfaceCopyMeasured = -1, kSurfaceCopyBltFast = 0, kSurfaceCopyGdi = 1 };

// The source rectangle to (x, y) of the destination. 0, or -1 when the copy failed.
int BlitSurfaceToSurface(pf::DirectDrawSurface7* destination, pf::DirectDrawSurface7* source, int x, int y,
                         const IntRect* sourceRect, int method);

}  // namespace zelvo
