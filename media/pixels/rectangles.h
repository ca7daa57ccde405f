#pragma once
// Rectangle helpers shared by every room that clips pixels.
#include "media/core/runtime_routines.h"

namespace zelvo {

// Fixes reversed right and bottom edges, then clamps each edge of `rect` into `clip`.
void ClipRect(IntRect* rect, const IntRect* clip);
// Swaps reversed edges.
void NormalizeRect(IntRect* rect);

}  // namespace zelvo
