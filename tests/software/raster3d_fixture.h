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
  int transparent = 0;
  const MEMIMG* graph = nullptr;
  int zWrite = 0;
  int clipZWrite = 0;
  int modulate = 0;
  int depthClip = 0;
};

inline void Draw(MEMIMG* dst, const ScreenVertex* v, const DrawOptions& o) {
  RasterizeTriangle3D(dst, o.zbuf, o.tex, v, o.transparent, o.graph, o.zWrite, o.clipZWrite, o.modulate, o.depthClip);
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

// One texel drawn over one pixel under a blend state.
inline constexpr int kNoGraph = -1;

struct BlendCase {
  const char* name;
  int mode, param;
  uint32_t tint;
  int graphWeight;   // BlendGraphTable weight of the blend picture's pixel, or kNoGraph
  int alphaTexture, transparent;
  uint32_t texel, dst, expected;
  uint32_t key = 0xDEADBEEF;
};

inline uint32_t DrawOne(int type, const BlendCase& c, int modulate = 0, uint32_t diffuse = 0xFFFFFFFF) {
  ResetSoft();
  SetBlend(c.mode, c.param);
  g_softBlend.drawTint = c.tint;
  TestImage tex(1, 1, type, 0, c.alphaTexture, c.key), dst(1, 1, type), graph(1, 1, kMemImgSingle8);
  tex.set(0, 0, c.texel);
  dst.set(0, 0, c.dst);
  graph.set(0, 0, 7);
  g_softBlend.blendGraphTable[7] = static_cast<uint8_t>(c.graphWeight < 0 ? 0 : c.graphWeight);
  DrawOptions o;
  o.tex = tex.get();
  o.transparent = c.transparent;
  o.graph = c.graphWeight == kNoGraph ? nullptr : graph.get();
  o.modulate = modulate;
  DrawCover(dst.get(), o, diffuse);
  return dst.px(0, 0);
}

}  // namespace zelvo::testing_soft
