#pragma once
// The SoftDrawLock bracket: for the length of one software draw, the affected rectangle of a
// DirectDraw target (and of a source surface) is locked and shown as temporary MEMIMGs addressed
// in target (and source) coordinates. In software rendering the target already is a MEMIMG.
#include <cstdint>

#include "media/graphics/graphs/surface2d.h"
#include "media/pixels/memimg.h"

namespace zelvo {

// 0, or -1 when the destination clipped to the draw region is empty. A lock that fails leaves no
// image to draw into (SoftLockTarget returns null) and nothing open.
int BeginSoftDrawOnTarget(const Surface2DEntry* source, int transparent, const IntRect* sourceRect,
                          const IntRect* destRect, int writesOnlyGivenColours, std::uint32_t* colour1,
                          std::uint32_t* colour2);
int EndSoftDrawOnTarget();
MEMIMG* SoftLockTarget();
// A screen colour as the open bracket's target image holds it.
std::uint32_t SoftLockColour(std::uint32_t screenColour);
const MEMIMG* SoftLockSource();

// The MEMIMG a 2D surface's pixels are drawn from in software rendering: the record's image, or a
// view of the entry's rectangle when the entry covers only part of it. Null without one.
const MEMIMG* Surface2DSourceImage(const Surface2DEntry* entry, MEMIMG* view);

// Draws one 2D surface unscaled at (x, y): 0, -1 for a bad handle or no display.
int DrawGraphSoft(int x, int y, int surfaceHandle, int transparent);

// Nothing locked, as at process start.
void ResetSoftDrawLockState();

}  // namespace zelvo
