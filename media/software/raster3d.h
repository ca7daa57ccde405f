#pragma once
// The software triangle rasterizer: one transformed triangle drawn into a MEMIMG with an optional
// 16-bit depth buffer, texture, colour key, blend picture and vertex-colour modulation, under the
// software blend state.
#include <cstdint>

#include "media/pixels/memimg.h"
#include "media/software/screen_vertex.h"

namespace zelvo {

// Draws the triangle vertices[0..2]. A null tex draws with a temporary 8 x 8 white texture.
// transFlag non-zero skips transparent texels; zWrite non-zero writes the depth of pixels that pass
// the depth test; clipZWrite is the zWrite of the pieces of a triangle cut at a depth plane;
// modulate non-zero multiplies texels by the vertex colour; depthClip exactly 1 cuts the triangle
// at z = 0 and z = 1 first. Refusals are silent and leave dst and zbuf as they were.
void RasterizeTriangle3D(MEMIMG* dst, MEMIMG* zbuf, const MEMIMG* tex, const ScreenVertex* vertices, int transFlag,
                         const MEMIMG* blendGraph, int zWrite, int clipZWrite, int modulate, int depthClip);

}  // namespace zelvo
