#pragma once
// The affine triangle mapper: one source MEMIMG mapped onto a triangle of the destination with
// nearest sampling, or, without a source, the triangle filled with one colour; both under the
// software blend state and clipped to the draw region.
#include <cstdint>

#include "media/pixels/memimg.h"

namespace zelvo {

// x, y: destination column and row; u, v: position on the source's pixel grid (u = width is the
// right edge of the last column).
struct TriangleMapVertex {
  int32_t x, y, u, v;
};

// Draws the triangle of vertices[0..2]. A null source fills it with `flatColour` (a pixel value of
// the destination; blend picture and transparent flag are then ignored).
void TriangleMapMemImg(MEMIMG* destination, const MEMIMG* source, const TriangleMapVertex* vertices,
                       int transparentFlag, const MEMIMG* blendGraph, uint32_t flatColour);

}  // namespace zelvo
