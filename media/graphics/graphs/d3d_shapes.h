#pragma once
// Untextured shapes on the Direct3D device: boxes, lines and box outlines join the vertex batch;
// circles, ellipses and triangles are drawn at once. While the draw target is one the device cannot
// render into, each shape is drawn by its software front end instead and returns its result.
#include <cstdint>

namespace zelvo {

// Coordinates are target pixels (the draw offset is added here); colours are packed for the
// screen. 0 on success, -1 without a Direct3D object or current device.
int G_D3D_FillBox(int x1, int y1, int x2, int y2, std::uint32_t colour);
int G_D3D_DrawLine(int x1, int y1, int x2, int y2, std::uint32_t colour);
int G_D3D_DrawBoxOutline(int x1, int y1, int x2, int y2, std::uint32_t colour);
// fill 0 draws the outline, any other value fills.
int G_D3D_DrawCircle(int x, int y, int r, std::uint32_t colour, int fill);
int G_D3D_DrawEllipse(int x, int y, int rx, int ry, std::uint32_t colour, int fill);
int G_D3D_DrawTriangle(int x1, int y1, int x2, int y2, int x3, int y3, std::uint32_t colour, int fill);

}  // namespace zelvo
