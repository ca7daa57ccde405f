#pragma once
// What DirectDraw offers the layers that draw on its surfaces (Direct3D): the layer's lock and
// fault switches, and what a surface holds beyond its COM interface.
#include <mutex>

#include "platform/ddraw/ddraw.h"
#include "platform/ddraw/pixel_view.h"

namespace pf::ddraw {

std::recursive_mutex& Mutex();
using Guard = std::lock_guard<std::recursive_mutex>;

// True when the fault switch of `method` fires; *code is then the result the test chose.
bool Fault(const char* method, HResult* code, HResult fallback = DDERR_GENERIC);
// Records a successful lock of the surface a test watches.
void NoteLock(const DirectDrawSurface7* surface, const Rect& area);
// Counts a call on an object whose DirectDraw object is gone.
HResult DeadObjectCall();

// Every surface passed here is one DirectDraw made. Call with the lock held.
// True once the surface's DirectDraw object is gone.
bool SurfaceDead(DirectDrawSurface7* surface);
bool IsDepthSurface(DirectDrawSurface7* surface);
pixels::View SurfaceView(DirectDrawSurface7* surface);
// Display surfaces show their pixels through the host window after a draw.
void ShowSurfaceIfVisible(DirectDrawSurface7* surface);

}  // namespace pf::ddraw
