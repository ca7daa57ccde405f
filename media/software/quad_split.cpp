// QuadMapMemImg: ties four points to the source's corners and draws the two triangles that share
// the diagonal from the top-right to the bottom-left corner.
#include "media/software/quad_split.h"

#include <cstdint>

#include "media/software/pixel_rules.h"
#include "media/software/triangle_map.h"

namespace zelvo {

void QuadMapMemImg(MEMIMG* destination, const MEMIMG* source, const int32_t* points, int transparentFlag,
                   const MEMIMG* blendGraph) {
  int32_t minX = points[0], maxX = points[0], minY = points[1], maxY = points[1];
  for (int i = 1; i < 4; ++i) {
    const int32_t x = points[i * 2], y = points[i * 2 + 1];
    if (x < minX) minX = x;
    if (x > maxX) maxX = x;
    if (y < minY) minY = y;
    if (y > maxY) maxY = y;
  }
  // The box only decides whether anything can show; the triangles are clipped by the mapper.
  auto saturate = [](int64_t v) { return static_cast<int32_t>(v < INT32_MIN ? INT32_MIN : (v > INT32_MAX ? INT32_MAX : v)); };
  IntRect box{saturate(int64_t{minX} - 2), saturate(int64_t{minY} - 2), saturate(int64_t{maxX} + 4),
              saturate(int64_t{maxY} + 4)};
  const IntRect region = soft::SoftClipRegion(destination);
  ClipSoftRect(&box, &region);
  if (box.left == box.right || box.top == box.bottom) return;

  const TriangleMapVertex v[4] = {
      {points[0], points[1], 0, 0},
      {points[2], points[3], source->width, 0},
      {points[4], points[5], 0, source->height},
      {points[6], points[7], source->width, source->height},
  };
  TriangleMapMemImg(destination, source, &v[0], transparentFlag, blendGraph, 0);
  TriangleMapMemImg(destination, source, &v[1], transparentFlag, blendGraph, 0);
}

}  // namespace zelvo
