#pragma once
// The rotated blitter: a source MEMIMG drawn turned and scaled about a centre point, with nearest
// sampling, under the software blend state and clipped to the draw region.
#include "media/pixels/memimg.h"

namespace zelvo {

// The source's centre pixel corner (width >> 1, height >> 1) lands on (centreX, centreY); a positive
// angle (radians) turns clockwise on screen. A non-zero mirror flag flips the picture left-right
// before it is turned, and draws it through the quad splitter.
void RotateBlitMemImg(MEMIMG* destination, const MEMIMG* source, int centreX, int centreY, float angle, float scale,
                      int transparentFlag, int mirrorFlag, const MEMIMG* blendGraph);

}  // namespace zelvo
