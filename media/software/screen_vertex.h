#pragma once
// A transformed vertex as the Direct3D vertex batch and the software triangle rasterizer share it:
// screen position, depth, reciprocal of the homogeneous w, packed diffuse colour and texture
// coordinates, 28 bytes.
#include <cstdint>

namespace zelvo {

struct ScreenVertex {
  float x;          // pixels, rightward
  float y;          // pixels, downward
  float z;          // 0.0 near to 1.0 far
  float rhw;        // 1 / w
  uint32_t diffuse; // 0xAARRGGBB: blue, green, red, alpha in memory order
  float u;          // 0.0 to 1.0 across the texture's width
  float v;          // 0.0 to 1.0 down the texture's height
};
static_assert(sizeof(ScreenVertex) == 28, "ScreenVertex is 28 bytes");

}  // namespace zelvo
