#pragma once
// Software shape rasterizers: circles, ellipses, boxes, lines and line lists of one colour drawn into
// a MEMIMG, clipped to the draw region and combined by the current blend mode.
#include <cstdint>

#include "media/pixels/memimg.h"

namespace zelvo {

// One line of a line list (24 bytes). blendParam is kept for the caller; drawing uses the blend
// state current when it draws.
struct LineRecord {
  int32_t x1, y1, x2, y2;
  int32_t color;
  int32_t blendParam;
};

void RasterCircle(MEMIMG* image, int cx, int cy, int r, uint32_t color, int fill);
void RasterOval(MEMIMG* image, int cx, int cy, int rx, int ry, uint32_t color, int fill);
void FillMemImgRectBlend(MEMIMG* image, const IntRect* rect, uint32_t color);
void FillMemImgBox(MEMIMG* image, int x1, int y1, int x2, int y2, uint32_t color);
void DrawMemImgLine(MEMIMG* image, int x1, int y1, int x2, int y2, uint32_t color);
void DrawMemImgLineList(MEMIMG* image, const LineRecord* lines, int count);

// Rows the tall ellipse walk reaches beyond the centre (the walk can pass ry); callers that lock
// only the touched rectangle size it with this.
int OvalVerticalExtent(int rx, int ry);

}  // namespace zelvo
