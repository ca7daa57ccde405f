#pragma once
// The quad splitter: a whole source drawn onto four destination points as two mapped triangles.
#include <cstdint>

#include "media/pixels/memimg.h"

namespace zelvo {

// points: x0, y0, x1, y1, x2, y2, x3, y3, tied to the source's top-left, top-right, bottom-left and
// bottom-right corners. Drawn as triangles (p0, p1, p2) and (p1, p2, p3).
void QuadMapMemImg(MEMIMG* destination, const MEMIMG* source, const int32_t* points, int transparentFlag,
                   const MEMIMG* blendGraph);

}  // namespace zelvo
