#pragma once
// Triangle set-up of the software triangle rasterizer: rejection of triangles outside the draw
// region or the depth range, the eight interpolated planes in fixed point, and the span table of
// the rows the triangle covers.
#include <cstdint>

#include "media/core/runtime_routines.h"
#include "media/software/screen_vertex.h"

namespace zelvo::soft {

// One row of the span table: the row's first drawn column and its pixel count (0 or less: none).
struct TriangleSpanRow {
  int16_t first;
  int16_t count;
};
constexpr int kTriangleSpanRows = 4096;
extern TriangleSpanRow TriangleSpanTable[kTriangleSpanRows];

// The interpolants: rhw, u x rhw, v x rhw (scaled by 2^26), z (2^24) and the vertex colour's red,
// green, blue and alpha bytes (2^14).
enum : int {
  kInterpRhw, kInterpU, kInterpV, kInterpZ, kInterpRed, kInterpGreen, kInterpBlue, kInterpAlpha, kInterpCount,
};

// A plane over destination pixel coordinates in fixed point: its value at (0, 0) and its steps.
struct InterpolantPlane {
  int32_t base;
  int32_t stepX;
  int32_t stepY;
};

struct TriangleSetup {
  int32_t firstRow;                       // destination row of span-table row 0
  int32_t rowCount;                       // span-table rows filled
  InterpolantPlane plane[kInterpCount];
  int32_t rowBase[kInterpCount];          // each plane at column 0 of the first row, half a row down
};

// Vertices beyond this distance from the origin do not fit the 14.18 edge positions.
constexpr float kMaxVertexCoordinate = 8192.0f;

// Sets up the triangle against the clip region (kept inside the destination): 0 with the span
// table filled and `out` set, or -1 when the triangle is rejected. Vertex positions must be finite
// and within kMaxVertexCoordinate; the caller checks.
int SetUpTriangle3D(const ScreenVertex* vertices, const IntRect& region, TriangleSetup* out);

}  // namespace zelvo::soft
