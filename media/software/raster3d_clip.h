#pragma once
// Depth clipping of the software triangle rasterizer: a triangle that crosses z = 0 or z = 1 is cut
// in homogeneous space into a convex polygon, which the rasterizer draws as a fan of pieces.
#include "media/software/screen_vertex.h"

namespace zelvo::soft {

enum : int {
  kDepthInside = 0,   // no vertex outside: draw the triangle as it is
  kDepthDropped = 1,  // three or more vertex flags set, or a cut without a positive w: draw nothing
  kDepthCut = 2,      // polygon[0..count-1] holds the cut polygon in screen form
};

// The polygon of a cut holds at most 6 vertices (5 for a convex cut) and one closing copy.
constexpr int kDepthPolygonSlots = 7;

int CutTriangleAtDepthPlanes(const ScreenVertex* vertices, ScreenVertex polygon[kDepthPolygonSlots], int* count);

}  // namespace zelvo::soft
