#pragma once
// Helpers for the triangle rasterizer tests: vertices, a triangle that covers a whole small
// destination with one texel, and a quad that maps a texture onto a rectangle texel for pixel.
#include <cstdint>

#include "media/software/raster3d.h"
#include "soft_image.h"

namespace zelvo::testing_soft {

inline ScreenVertex Vtx(float x, float y, float z = 0.5f, float rhw = 1.0f, uint32_t diffuse = 0xFFFFFFFF,
                        float u = 0.5f, float v = 0.5f) {
  return ScreenVertex{x, y, z, rhw, diffuse, u, v};
}

// The options of one RasterizeTriangle3D call after dst and the vertices.
struct DrawOptions {
  MEMIMG* zbuf = nullptr;
  const MEMIMG* tex = nullptr;
  int trans = 0;
  const MEMIMG* graph = nullptr;
  int zWrite = 0;
  int clipZWrite = 0;
  int modulate = 0;
  int depthClip = 0;
};

inline void Draw(MEMIMG* dst, const ScreenVertex* v, const DrawOptions& o) {
  RasterizeTriangle3D(dst, o.zbuf, o.tex, v, o.trans, o.graph, o.zWrite, o.clipZWrite, o.modulate, o.depthClip);
}

// One triangle over the whole destination with constant attributes: u = v = 0.5 (the middle
// texel), the given depth and vertex colour.
inline void DrawCover(MEMIMG* dst, const DrawOptions& o, uint32_t diffuse = 0xFFFFFFFF, float z = 0.5f) {
  const float w = static_cast<float>(dst->width) * 3 + 3, h = static_cast<float>(dst->height) * 3 + 3;
  const ScreenVertex v[3] = {Vtx(-1, -1, z, 1, diffuse), Vtx(w, -1, z, 1, diffuse), Vtx(-1, h, z, 1, diffuse)};
  Draw(dst, v, o);
}

// Two triangles mapping u, v 0..1 onto [x0, x1] x [y0, y1] with rhw 1.
inline void DrawQuad(MEMIMG* dst, float x0, float y0, float x1, float y1, const DrawOptions& o,
                     uint32_t diffuse = 0xFFFFFFFF, float z = 0.5f) {
  const ScreenVertex a = Vtx(x0, y0, z, 1, diffuse, 0, 0), b = Vtx(x1, y0, z, 1, diffuse, 1, 0),
                     c = Vtx(x0, y1, z, 1, diffuse, 0, 1), d = Vtx(x1, y1, z, 1, diffuse, 1, 1);
  const ScreenVertex t1[3] = {a, b, c}, t2[3] = {b, d, c};
  Draw(dst, t1, o);
  Draw(dst, t2, o);
}

}  // namespace zelvo::testing_soft
