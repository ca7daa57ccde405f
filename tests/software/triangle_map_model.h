#pragma once
// A slow, plain model of the mapped draws for differential tests: the triangle walk with edge
// positions computed afresh for each row, texture positions evaluated at each pixel, the rotated
// blit's set-up and sampling in closed form, and the pixel rules written out with run-time tests.
// It reads the blend state and the blend-graph table, and nothing else of the library.
#include <cstdint>

#include "media/pixels/memimg.h"
#include "media/software/triangle_map.h"

namespace zelvo::testing {

void ModelTriangleMap(MEMIMG* destination, const MEMIMG* source, const TriangleMapVertex* vertices,
                      int transparentFlag, const MEMIMG* blendGraph, uint32_t flatColour);
void ModelRotateBlit(MEMIMG* destination, const MEMIMG* source, int centreX, int centreY, float angle, float scale,
                     int transparentFlag, int mirrorFlag, const MEMIMG* blendGraph);

}  // namespace zelvo::testing
