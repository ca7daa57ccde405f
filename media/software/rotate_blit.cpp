// RotateBlitMemImg: turns the picture's corners for the bounding box, then walks the box backwards,
// each destination pixel sampling the source at its top-left corner in 14.18 fixed point. The
// mirrored picture goes to the quad splitter instead.
#include "media/software/rotate_blit.h"

#include "media/core/runtime_routines.h"
#include "media/software/quad_split.h"
#include "media/software/rotate_kernels.h"

namespace zelvo {

namespace {

using soft::kFixedOne;
using soft::kFixedShift;

// Sine or cosine as a 14.18 factor.
int32_t Factor(float value) { return FloatToInt(value * 262144.0f); }

uint32_t Wrap(int32_t v) { return static_cast<uint32_t>(v); }

// Corner offsets from the centre: top-left, bottom-left, bottom-right, top-right.
constexpr int kCornerSigns[4][2] = {{-1, -1}, {-1, 1}, {1, 1}, {1, -1}};

}  // namespace

void RotateBlitMemImg(MEMIMG* destination, const MEMIMG* source, int centreX, int centreY, float angle, float scale,
                      int transparentFlag, int mirrorFlag, const MEMIMG* blendGraph) {
  if (source->colorType != destination->colorType || destination->paletteFlag != 0 || destination->alphaFlag != 0) {
    return;
  }
  float sinN, cosN, sinP, cosP;
  SinCosFloat(-angle, &sinN, &cosN);
  SinCosFloat(angle, &sinP, &cosP);
  const int32_t Sn = Factor(sinN), Cn = Factor(cosN), Sp = Factor(sinP), Cp = Factor(cosP);
  const uint32_t CX = Wrap(centreX) << kFixedShift, CY = Wrap(centreY) << kFixedShift;
  const uint32_t width = static_cast<uint32_t>(source->width), height = static_cast<uint32_t>(source->height);

  // The turned corners: x' = x cos - y sin, y' = x sin + y cos, in single precision.
  const float hw = static_cast<float>(width) * scale * 0.5f;
  const float hh = static_cast<float>(height) * scale * 0.5f;
  const float cpHw = static_cast<float>(Cp) * hw, spHw = static_cast<float>(Sp) * hw;
  const float cpHh = static_cast<float>(Cp) * hh, spHh = static_cast<float>(Sp) * hh;
  int32_t cornerX[4], cornerY[4];
  for (int i = 0; i < 4; ++i) {
    const float sx = static_cast<float>(kCornerSigns[i][0]), sy = static_cast<float>(kCornerSigns[i][1]);
    const float x = sx * cpHw - sy * spHh;
    const float y = sx * spHw + sy * cpHh;
    cornerX[i] = static_cast<int32_t>(Wrap(FloatToInt(x)) + CX);
    cornerY[i] = static_cast<int32_t>(Wrap(FloatToInt(y)) + CY);
  }

  if (mirrorFlag != 0) {
    // The source's left edge goes to the turned picture's right side.
    constexpr int kMirrorOrder[4] = {3, 0, 2, 1};
    int32_t points[8];
    for (int k = 0; k < 4; ++k) {
      points[k * 2] = cornerX[kMirrorOrder[k]] / kFixedOne;
      points[k * 2 + 1] = cornerY[kMirrorOrder[k]] / kFixedOne;
    }
    QuadMapMemImg(destination, source, points, transparentFlag, blendGraph);
    return;
  }

  soft::MapCall c;
  const soft::MapSpan span = soft::PrepareTexturedCall(&c, destination, source, transparentFlag, blendGraph);
  if (!span) return;

  int32_t minX = cornerX[0], maxX = cornerX[0], minY = cornerY[0], maxY = cornerY[0];
  for (int i = 1; i < 4; ++i) {
    if (cornerX[i] < minX) minX = cornerX[i];
    if (cornerX[i] > maxX) maxX = cornerX[i];
    if (cornerY[i] < minY) minY = cornerY[i];
    if (cornerY[i] > maxY) maxY = cornerY[i];
  }
  IntRect box{minX / kFixedOne - 2, minY / kFixedOne - 2, maxX / kFixedOne + 4, maxY / kFixedOne + 4};
  const IntRect region = soft::SoftClipRegion(destination);
  ClipSoftRect(&box, &region);
  if (box.left == box.right || box.top == box.bottom) return;
  if (minY == maxY) return;   // all corners on one row, scale 0 included
  const int32_t W = box.right - box.left, H = box.bottom - box.top;

  c.du = Wrap(FloatToInt(static_cast<float>(Cp) / scale));
  c.dv = Wrap(FloatToInt(static_cast<float>(Sn) / scale));
  // Source position of destination point (x, y); the source's centre corner is (width >> 1,
  // height >> 1). The numerators wrap at 32 bits; the quotients are rounded to single precision.
  auto positionU = [&](int32_t x, int32_t y) {
    const uint32_t dx = Wrap(x) - Wrap(centreX), dy = Wrap(y) - Wrap(centreY);
    const int32_t n = static_cast<int32_t>(Wrap(Cn) * dx - Wrap(Sn) * dy);
    return Wrap(FloatToInt(static_cast<float>(n / static_cast<double>(scale)))) + ((width >> 1) << kFixedShift);
  };
  auto positionV = [&](int32_t x, int32_t y) {
    const uint32_t dx = Wrap(x) - Wrap(centreX), dy = Wrap(y) - Wrap(centreY);
    const int32_t n = static_cast<int32_t>(Wrap(Sn) * dx + Wrap(Cn) * dy);
    return Wrap(FloatToInt(static_cast<float>(n / static_cast<double>(scale)))) + ((height >> 1) << kFixedShift);
  };
  const uint32_t ut = positionU(box.left, box.top), vt = positionV(box.left, box.top);
  const uint32_t ru = Wrap(static_cast<int32_t>(positionU(box.left, box.bottom) - ut) / H);
  const uint32_t rv = Wrap(static_cast<int32_t>(positionV(box.left, box.bottom) - vt) / H);

  const int bytes = destination->colorType == kMemImg8888 ? 4 : 2;
  uint8_t* d = destination->pixels + static_cast<ptrdiff_t>(box.top) * destination->pitch +
               static_cast<ptrdiff_t>(box.left) * bytes;
  uint32_t u = ut, v = vt;
  for (int32_t k = 0; k < H; ++k, d += destination->pitch, u += ru, v += rv) span(c, d, W, u, v);
}

}  // namespace zelvo
