#pragma once
// The Direct3D side of mask drawing: while the mask is on, the device draws into the mask surface.
#include "platform/ddraw/ddraw.h"

namespace zelvo {

// Draws what the device holds, then points it at the mask surface (on) or back at the draw
// target, with the viewport of the draw region. 0; -1 without a Direct3D object, or when the
// viewport of a window's front buffer is refused.
int G_D3D_SetMaskMode(int on, pf::DirectDrawSurface7* maskSurface);

}  // namespace zelvo
