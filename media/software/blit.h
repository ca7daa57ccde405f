#pragma once
// The plain and stretched software blitters: one MEMIMG drawn into another under the software
// blend state (mode, parameter, tint, draw region), with an optional 8-bit blend picture read at
// the source pixel's position.
#include "media/pixels/memimg.h"

namespace zelvo {

// Unscaled draw with the source's top-left at (x, y). Transparent flag non-zero honours the colour
// key and the source alpha; exactly 1 also allows the transparent-run path.
void BlitMemImg(MEMIMG* destination, const MEMIMG* source, int x, int y, int transparentFlag,
                const MEMIMG* blendGraph);

// Stretched draw into {left = x1, top = y1, right = x2, bottom = y2}; x2 < x1 or y2 < y1 mirrors
// that axis. A same-size unmirrored rectangle is drawn by BlitMemImg.
void StretchBlitMemImg(MEMIMG* destination, const MEMIMG* source, const IntRect* rect, int transparentFlag,
                       const MEMIMG* blendGraph);

}  // namespace zelvo
