// Texture graphs on the Direct3D device. Pictures are placed half a pixel up and left so that their
// texel centres fall on pixel centres; every draw adds the draw offset, and the draw region is the
// device viewport.
#include "media/graphics/graphs/d3d_graph_draw.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <utility>

#include "media/core/window_mode.h"
#include "media/display/d3d_device.h"
#include "media/display/screen_state.h"
#include "media/graphics/graphs/d3d_render_target.h"
#include "media/graphics/graphs/d3d_shapes.h"
#include "media/graphics/graphs/draw_state.h"
#include "media/graphics/graphs/graph_record.h"
#include "media/graphics/graphs/mask_screen.h"
#include "media/graphics/graphs/surface3d.h"
#include "media/graphics/graphs/surface_data.h"
#include "media/pixels/pixel_format.h"
#include "media/pixels/rectangles.h"
#include "media/software/blend_state.h"

namespace zelvo {
namespace {

struct Corner {
  float x, y, u, v;
  float blendU, blendV;   // graph point, for the blend graph's coordinates
};

int Slot() { return g_d3d.currentDevice; }

}  // namespace

int BeginDirect3DDraw() {
  Device3DSlot* slot = UsableSlot(Slot());
  if (slot == nullptr || slot->device == nullptr) return -1;
  pf::DirectDrawSurface7* target = Direct3DTargetSurface();
  if (target == nullptr) return 0;
  // While the mask is active the device draws into the mask screen.
  if (MaskRenderTarget() != nullptr) target = MaskRenderTarget();
  Direct3DDrawInputs& in = g_d3d.inputs;
  in.zEnable = g_draw.depthTest;
  in.zWrite = g_draw.depthWrite;
  in.zFunc = g_draw.depthCompare;
  in.drawZ = g_draw.depth2D;
  in.offsetX = g_draw.drawOffset.left;
  in.offsetY = g_draw.drawOffset.top;
  in.textureFilter = g_draw.textureFilter;
  if (G_D3D_SetRenderTarget(target, Slot()) < 0) return 0;
  // Drawing on the front buffer shows at once: each draw ends its scene.
  g_d3d.sceneEndsAfterEachDraw = target == GetFrontSurface() ? 1 : 0;
  if (G_D3D_SetDrawRegion(&g_draw.region) < 0) return 0;
  if (slot->filter != g_draw.textureFilter) G_D3D_SetFilterState(g_draw.textureFilter, Slot());
  G_D3D_UpdateVertexColor();
  const GraphRecord* blend = g_draw.blendGraph != -1 ? GetGraphRecord(g_draw.blendGraph) : nullptr;
  if (blend != nullptr && blend->flags.isTexture) {
    G_D3D_SetBlendGraph(blend, g_draw.blendGraphBorderParam, g_draw.blendGraphBorderRange);
  } else {
    G_D3D_SetBlendGraph(nullptr, -1, -1);
  }
  return 1;
}

void EndDirect3DDraw() {
  if (g_d3d.sceneEndsAfterEachDraw) G_D3D_EndScene(Slot());
}

namespace {

int DepthFlag() { return g_draw.depthTest ? kPrepareDepth : 0; }

void WriteVertex(unsigned char* at, int kind, const Corner& c) {
  const float z = g_d3d.inputs.drawZ;
  if (kind == 2) {
    const BlendGraphVertex v{c.x, c.y, z, 1.0f, g_d3d.vertexColor, 0xFFFFFFFF,
                             c.blendU * BlendGraphTextureScale[2], c.blendV * BlendGraphTextureScale[3], c.u, c.v};
    std::memcpy(at, &v, sizeof v);
  } else {
    const ScreenVertex v{c.x, c.y, z, 1.0f, g_d3d.vertexColor, c.u, c.v};
    std::memcpy(at, &v, sizeof v);
  }
}

// Binds a piece's texture (a change flushes) and queues its two triangles.
int QueuePiece(const Surface3DRecord* piece, const Corner quad[4]) {
  Device3DSlot* slot = UsableSlot(Slot());
  const TextureFacts facts = PieceTextureFacts(piece);
  if (facts.texture != slot->currentTexture) G_D3D_SetTexture(facts.texture, Slot());
  if (slot->blendDirty || slot->textureDirty) G_D3D_ApplyStageStates(Slot());
  unsigned char* at = G_D3D_ReserveTriangleVertices(Slot(), 6);
  if (at == nullptr) return -1;
  const int kind = slot->batchKind;
  const int size = kVertexSizes[kind];
  const int order[6] = {0, 1, 2, 3, 2, 1};
  for (int i = 0; i < 6; ++i) WriteVertex(at + i * size, kind, quad[order[i]]);
  G_D3D_CommitVertices(Slot(), 6);
  return 0;
}

// The piece's corners placed by `place` (graph point to screen point).
template <typename Place>
void PlacedCorners(const Surface3DRecord* piece, Place place, Corner out[4]) {
  for (int i = 0; i < 4; ++i) {
    const ScreenVertex& c = piece->corners[i];
    float x = 0, y = 0;
    place(c.x, c.y, &x, &y);
    out[i] = Corner{x, y, c.u, c.v, c.x, c.y};
  }
}

// Clamps the corners to the offset float rectangle `region`, moving the texture coordinates by the
// distance cut off (in texels scaled by the stretch).
void ClampCorners(Corner quad[4], const Surface3DRecord* piece, float scaleX, float scaleY, const FloatRect& region) {
  const SurfaceRecord* texture = GetSurfaceRecord(piece->texture);
  if (texture == nullptr) return;
  const float texW = texture->width * std::fabs(scaleX), texH = texture->height * std::fabs(scaleY);
  const float signX = scaleX < 0 ? -1.0f : 1.0f, signY = scaleY < 0 ? -1.0f : 1.0f;
  const float ox = static_cast<float>(g_draw.drawOffset.left), oy = static_cast<float>(g_draw.drawOffset.top);
  const float left = region.left + ox, right = region.right + ox;
  const float top = region.top + oy, bottom = region.bottom + oy;
  for (int i = 0; i < 4; ++i) {
    Corner& c = quad[i];
    if (c.x < left) {
      const float d = left - c.x;
      c.x = left, c.u += signX * d / texW, c.blendU += signX * d / std::fabs(scaleX);
    } else if (c.x > right) {
      const float d = c.x - right;
      c.x = right, c.u -= signX * d / texW, c.blendU -= signX * d / std::fabs(scaleX);
    }
    if (c.y < top) {
      const float d = top - c.y;
      c.y = top, c.v += signY * d / texH, c.blendV += signY * d / std::fabs(scaleY);
    } else if (c.y > bottom) {
      const float d = c.y - bottom;
      c.y = bottom, c.v -= signY * d / texH, c.blendV -= signY * d / std::fabs(scaleY);
    }
  }
}

// The common frame of the batch draws: scene, state from the first piece, every piece queued; with
// `clampTo` the corners are clamped to that rectangle.
template <typename Place>
int QueueGraph(const GraphRecord* graph, int flags, Place place, const FloatRect* clampTo, float scaleX, float scaleY) {
  G_D3D_BeginScene(Slot());
  const Surface3DRecord* first = graph->backEndCount > 0 ? GetSurface3DRecord(graph->backEnds[0]) : nullptr;
  if (first == nullptr) return -1;
  const TextureFacts facts = PieceTextureFacts(first);
  G_D3D_PrepareDrawState(&facts, flags);
  for (int i = 0; i < graph->backEndCount; ++i) {
    const Surface3DRecord* piece = GetSurface3DRecord(graph->backEnds[i]);
    if (piece == nullptr) return -1;
    Corner quad[4];
    PlacedCorners(piece, place, quad);
    if (clampTo != nullptr) ClampCorners(quad, piece, scaleX, scaleY, *clampTo);
    if (QueuePiece(piece, quad) < 0) return -1;
  }
  EndDirect3DDraw();
  return 0;
}

// -1 wholly outside `r`, 0 partly, 1 wholly inside.
int RectTest(const IntRect& r, int left, int top, int right, int bottom) {
  if (left >= r.right || right <= r.left || top >= r.bottom || bottom <= r.top) return -1;
  return r.left <= left && right <= r.right && r.top <= top && bottom <= r.bottom ? 1 : 0;
}

int RegionTest(int left, int top, int right, int bottom) { return RectTest(g_draw.region, left, top, right, bottom); }

const FloatRect* ClampToRegionWhen(bool partly) { return partly ? &g_draw.regionFloat : nullptr; }

}  // namespace

void EndDirect3DScene() { G_D3D_EndScene(Slot()); }

int G_D3D_BlitGraph(int x, int y, const GraphRecord* graph, int transparent) {
  const int ready = BeginDirect3DDraw();
  if (ready <= 0) return ready;
  const int inside = RegionTest(x, y, x + graph->width, y + graph->height);
  if (inside < 0) return 0;
  const float ox = g_draw.drawOffset.left + (x - 0.5f), oy = g_draw.drawOffset.top + (y - 0.5f);
  auto place = [&](float cx, float cy, float* px, float* py) { *px = ox + cx, *py = oy + cy; };
  return QueueGraph(graph, (transparent ? kPrepareTransparent : 0) | kPrepareKeepColorKey | DepthFlag(), place,
                    ClampToRegionWhen(inside == 0), 1.0f, 1.0f);
}

int G_D3D_BlitGraphPart(int x, int y, const IntRect& part, const GraphRecord* graph, int transparent, int modulated) {
  const int ready = BeginDirect3DDraw();
  if (ready <= 0) return ready;
  // The part is cut by clamping the corners to it: the viewport stays the draw region, so parts drawn
  // one after another share one batch.
  IntRect cut = part;
  ClipRect(&cut, &g_draw.region);
  if (cut.left == cut.right || cut.top == cut.bottom) return 0;
  const int inside = RectTest(cut, x, y, x + graph->width, y + graph->height);
  if (inside < 0) return 0;
  const FloatRect cutFloat{static_cast<float>(cut.left), static_cast<float>(cut.top), static_cast<float>(cut.right),
                           static_cast<float>(cut.bottom)};
  const float ox = g_draw.drawOffset.left + (x - 0.5f), oy = g_draw.drawOffset.top + (y - 0.5f);
  auto place = [&](float cx, float cy, float* px, float* py) { *px = ox + cx, *py = oy + cy; };
  const int flags = (transparent ? kPrepareTransparent : 0) | kPrepareKeepColorKey | DepthFlag() |
                    (modulated ? kPrepareModulation : 0);
  return QueueGraph(graph, flags, place, inside == 0 ? &cutFloat : nullptr, 1.0f, 1.0f);
}

int G_D3D_BlitGraphStretched(float x1, float y1, float x2, float y2, const GraphRecord* graph, int transparent,
                             int integerCoords) {
  const int ix1 = FloatToInt(x1), iy1 = FloatToInt(y1), ix2 = FloatToInt(x2), iy2 = FloatToInt(y2);
  if (ix1 == ix2 || iy1 == iy2) return -1;
  const int ready = BeginDirect3DDraw();
  if (ready <= 0) return ready;
  const int inside = RegionTest(std::min(ix1, ix2), std::min(iy1, iy2), std::max(ix1, ix2), std::max(iy1, iy2));
  if (inside < 0) return 0;
  const float sx = (x2 - x1) / graph->width, sy = (y2 - y1) / graph->height;
  const float ox = g_draw.drawOffset.left + (x1 - 0.5f), oy = g_draw.drawOffset.top + (y1 - 0.5f);
  auto place = [&](float cx, float cy, float* px, float* py) { *px = ox + cx * sx, *py = oy + cy * sy; };
  const int keep = integerCoords && g_draw.textureFilter != 1 ? kPrepareKeepColorKey : 0;
  return QueueGraph(graph, (transparent ? kPrepareTransparent : 0) | keep | DepthFlag(), place,
                    ClampToRegionWhen(inside == 0), sx, sy);
}

int G_D3D_BlitGraphRotated(float x, float y, double scale, double angle, const GraphRecord* graph, int transparent,
                           int mirror) {
  if (scale == 0.0) return -1;
  const int ready = BeginDirect3DDraw();
  if (ready <= 0) return ready;
  float centreX = g_draw.drawOffset.left + x, centreY = g_draw.drawOffset.top + y;
  const int w = graph->width, h = graph->height;
  float hx = w * 0.5f, hy = h * 0.5f;
  if (scale == 1.0) {
    if (w % 2 == 0 && h % 2 == 0) {
      centreX -= 0.5f, centreY -= 0.5f;
    } else if (w % 2 != h % 2) {
      if (w % 2 == 0) hx -= 0.5f;
      if (h % 2 == 0) hy -= 0.5f;
    }
  } else {
    centreX -= 0.5f, centreY -= 0.5f;
  }
  float s = 0.0f, c = 1.0f;
  if (angle != 0.0) SinCosFloat(static_cast<float>(angle), &s, &c);
  const float scaleX = static_cast<float>(mirror == 1 ? -scale : scale), scaleY = static_cast<float>(scale);
  auto place = [&](float cx, float cy, float* px, float* py) {
    const float dx = (cx - hx) * scaleX, dy = (cy - hy) * scaleY;
    *px = centreX + dx * c - dy * s;
    *py = centreY + dy * c + dx * s;
  };
  return QueueGraph(graph, (transparent ? kPrepareTransparent : 0) | DepthFlag(), place, nullptr, 1.0f, 1.0f);
}

int G_D3D_BlitGraphQuad(const float corners[8], const GraphRecord* graph, int transparent) {
  // A blend graph's coordinates follow the graph's own pixels through the two affine halves.
  if (g_draw.blendGraph != -1) {
    int truncated[8];
    for (int i = 0; i < 8; ++i) truncated[i] = FloatToInt(corners[i]);
    return G_D3D_BlitGraphQuadInt(truncated, graph, transparent);
  }
  const int ready = BeginDirect3DDraw();
  if (ready <= 0) return ready;
  G_D3D_BeginScene(Slot());
  const Surface3DRecord* first = graph->backEndCount > 0 ? GetSurface3DRecord(graph->backEnds[0]) : nullptr;
  if (first == nullptr) return -1;
  const TextureFacts facts = PieceTextureFacts(first);
  G_D3D_PrepareDrawState(&facts, (transparent ? kPrepareTransparent : 0) | DepthFlag());
  const float ox = static_cast<float>(g_draw.drawOffset.left), oy = static_cast<float>(g_draw.drawOffset.top);
  const float p[8] = {corners[0] + ox, corners[1] + oy, corners[2] + ox, corners[3] + oy,
                      corners[4] + ox, corners[5] + oy, corners[6] + ox, corners[7] + oy};
  if (graph->backEndCount == 1) {
    if (G_D3D_DrawQuadPiece(p[0], p[1], p[2], p[3], p[4], p[5], p[6], p[7], graph->backEnds[0]) < 0) return -1;
    EndDirect3DDraw();
    return 0;
  }
  // Each piece's corners placed bilinearly between the four points.
  auto place = [&](float cx, float cy, float* px, float* py) {
    const double s = static_cast<double>(cx) / graph->width, t = static_cast<double>(cy) / graph->height;
    const double lx = p[0] + (static_cast<double>(p[4]) - p[0]) * t, ly = p[1] + (static_cast<double>(p[5]) - p[1]) * t;
    const double rx = p[2] + (static_cast<double>(p[6]) - p[2]) * t, ry = p[3] + (static_cast<double>(p[7]) - p[3]) * t;
    *px = static_cast<float>(lx + (rx - lx) * s);
    *py = static_cast<float>(ly + (ry - ly) * s);
  };
  for (int i = 0; i < graph->backEndCount; ++i) {
    const Surface3DRecord* piece = GetSurface3DRecord(graph->backEnds[i]);
    if (piece == nullptr) return -1;
    Corner q[4];
    PlacedCorners(piece, place, q);
    if (G_D3D_DrawQuadPiece(q[0].x, q[0].y, q[1].x, q[1].y, q[2].x, q[2].y, q[3].x, q[3].y, graph->backEnds[i]) < 0) {
      return -1;
    }
  }
  EndDirect3DDraw();
  return 0;
}

int G_D3D_BlitGraphQuadInt(const int corners[8], const GraphRecord* graph, int transparent) {
  const int x1 = corners[0], y1 = corners[1], x2 = corners[2], y2 = corners[3];
  const int x3 = corners[4], y3 = corners[5], x4 = corners[6], y4 = corners[7];
  if (x1 == x3 && x2 == x4 && y1 == y2 && y3 == y4) {
    return G_D3D_BlitGraphStretched(static_cast<float>(x1), static_cast<float>(y1), static_cast<float>(x4),
                                    static_cast<float>(y4), graph, transparent, 1);
  }
  if (g_draw.blendGraph == -1) {
    float asFloats[8];
    for (int i = 0; i < 8; ++i) asFloats[i] = static_cast<float>(corners[i]);
    return G_D3D_BlitGraphQuad(asFloats, graph, transparent);
  }
  const int ready = BeginDirect3DDraw();
  if (ready <= 0) return ready;
  G_D3D_FlushBatch(Slot());
  G_D3D_BeginScene(Slot());
  const Surface3DRecord* first = graph->backEndCount > 0 ? GetSurface3DRecord(graph->backEnds[0]) : nullptr;
  if (first == nullptr) return -1;
  const TextureFacts firstFacts = PieceTextureFacts(first);
  G_D3D_PrepareDrawState(&firstFacts, (transparent ? kPrepareTransparent : 0) | kPrepareKeepColorKey | DepthFlag());
  // Map A carries the graph's top-left triangle from the top-left corner, map B the bottom-right one
  // from the bottom-right corner.
  const float ox = static_cast<float>(g_draw.drawOffset.left), oy = static_cast<float>(g_draw.drawOffset.top);
  const float w = static_cast<float>(graph->width), h = static_cast<float>(graph->height);
  auto mapA = [&](float cx, float cy, float* px, float* py) {
    *px = x1 + ox - 0.5f + cx * (x2 - x1) / w + cy * (x3 - x1) / h;
    *py = y1 + oy - 0.5f + cy * (y3 - y1) / h + cx * (y2 - y1) / w;
  };
  auto mapB = [&](float cx, float cy, float* px, float* py) {
    *px = x4 + ox - 0.5f + (cx - w) * (x3 - x4) / -w + (cy - h) * (x2 - x4) / -h;
    *py = y4 + oy - 0.5f + (cy - h) * (y2 - y4) / -h + (cx - w) * (y3 - y4) / -w;
  };
  Device3DSlot* slot = UsableSlot(Slot());
  for (int i = 0; i < graph->backEndCount; ++i) {
    const Surface3DRecord* piece = GetSurface3DRecord(graph->backEnds[i]);
    if (piece == nullptr) return -1;
    const TextureFacts facts = PieceTextureFacts(piece);
    if (facts.texture != slot->currentTexture) G_D3D_SetTexture(facts.texture, Slot());
    if (slot->blendDirty || slot->textureDirty) G_D3D_ApplyStageStates(Slot());
    Corner q[4];
    for (int k = 0; k < 4; ++k) {
      const ScreenVertex& c = piece->corners[k];
      q[k] = Corner{0, 0, c.u, c.v, c.x, c.y};
      if (piece->cornerSides[k]) {
        mapA(c.x, c.y, &q[k].x, &q[k].y);
      } else {
        mapB(c.x, c.y, &q[k].x, &q[k].y);
      }
    }
    const float c1 = (q[1].x - q[0].x) * (q[2].y - q[0].y) - (q[2].x - q[0].x) * (q[1].y - q[0].y);
    const float c2 = (q[1].y - q[3].y) * (q[2].x - q[3].x) - (q[1].x - q[3].x) * (q[2].y - q[3].y);
    if ((c1 <= 0 && c2 <= 0) || (c1 < 0 && c2 > 0)) std::swap(q[1], q[2]);
    const int kind = slot->batchKind;
    unsigned char strip[4 * sizeof(BlendGraphVertex)];
    for (int k = 0; k < 4; ++k) WriteVertex(strip + k * kVertexSizes[kind], kind, q[k]);
    // Drawn at once, outside the batch; a batch that would be thrown away draws nothing here either.
    if (!IsWindowClosed() && !slot->discardBatch) {
      slot->device->DrawPrimitive(pf::D3DPT_TRIANGLESTRIP, kVertexFormats[kind], strip, 4, 0);
    }
  }
  EndDirect3DDraw();
  return 0;
}

int G_D3D_DrawVertexList(const ScreenVertex* vertices, int triangleCount, const GraphRecord* graph, int transparent) {
  const int ready = BeginDirect3DDraw();
  if (ready <= 0) return ready;
  G_D3D_BeginScene(Slot());
  Device3DSlot* slot = UsableSlot(Slot());
  // Vertex lists never use the blend graph.
  if (slot->blendGraphTexture != nullptr || slot->force) {
    G_D3D_FlushBatch(Slot());
    slot->blendGraphTexture = nullptr;
    slot->blendDirty = 1;
  }
  TextureFacts facts{nullptr, 0, 0};
  if (graph != nullptr) {
    const Surface3DRecord* first = graph->backEndCount > 0 ? GetSurface3DRecord(graph->backEnds[0]) : nullptr;
    if (first == nullptr) return -1;
    facts = PieceTextureFacts(first);
  }
  G_D3D_PrepareDrawState(graph != nullptr ? &facts : nullptr,
                         (transparent ? kPrepareTransparent : 0) | kPrepareGouraud | kPreparePerspective |
                             kPrepareModulation | kPrepareBlending);
  G_D3D_FlushBatch(Slot());
  if (triangleCount > 0) {
    slot->device->DrawPrimitive(pf::D3DPT_TRIANGLELIST, kVertexFormats[1], vertices,
                                static_cast<std::uint32_t>(triangleCount * 3), 0);
  }
  EndDirect3DDraw();
  return 0;
}

namespace {
struct SubtractSaved {
  std::uint32_t tint;
  int param;
};
SubtractSaved g_subtractSaved;

void InvertRect(const IntRect* rect) {
  SetDrawTintPacked(0xFFFFFF);
  g_softBlend.blendMode = 3;
  g_softBlend.blendParam = 255;
  G_D3D_FillBox(rect->left, rect->top, rect->right, rect->bottom, RgbToScreenColor(255, 255, 255));
  SetDrawTintPacked(g_subtractSaved.tint);
}
}  // namespace

// On a target the device cannot render into, graph draws draw nothing and shapes go to the software
// path, which subtracts by itself: there the blend mode stays as it is.
void BeginSubtractEmulation(const IntRect* rect) {
  if (g_d3d.targetInvalid) return;
  g_subtractSaved = SubtractSaved{g_draw.drawTint, g_draw.blendParam};
  InvertRect(rect);
  g_softBlend.blendMode = 5;
  g_softBlend.blendParam = g_subtractSaved.param;
}

void EndSubtractEmulation(const IntRect* rect) {
  if (g_d3d.targetInvalid) return;
  InvertRect(rect);
  g_softBlend.blendMode = 3;
  g_softBlend.blendParam = g_subtractSaved.param;
}

}  // namespace zelvo
