// The draw bracket around every drawing back-end call: texture graphs go to the Direct3D back-end,
// everything else to the software front ends.
#include "media/graphics/drawing/draw_entries.h"

#include <algorithm>
#include <cmath>

#include "media/core/message_pump.h"
#include "media/core/log.h"
#include "media/core/runtime_routines.h"
#include "media/display/present.h"
#include "media/display/screen_state.h"
#include "media/graphics/graphs/d3d_graph_draw.h"
#include "media/graphics/graphs/d3d_render_target.h"
#include "media/graphics/graphs/d3d_shapes.h"
#include "media/graphics/graphs/draw_state.h"
#include "media/graphics/graphs/graph_record.h"
#include "media/graphics/graphs/mask_screen.h"
#include "media/graphics/graphs/movie_table.h"
#include "media/pixels/pixel_format.h"
#include "media/graphics/graphs/soft_draw.h"
#include "media/software/blend_state.h"

namespace zelvo {
namespace {

int Refused() { return g_graphics.ending || g_draw.regionEmpty; }
// Before graphics start there is nothing to draw on: such a draw fails.
int NotStarted() { return !g_graphics.started && !g_graphics.ending; }

// Drawing straight to the software front screen: the window shows each touched rectangle at once.
int SoftwareFront() { return IsSoftwareRenderMode() && g_draw.target == kTargetFrontBuffer; }

// -1 when a blend graph is set that is not a graph at least as large as the drawn one.
int BlendGraphFits(const GraphRecord* graph) {
  if (g_draw.blendGraph == -1) return 1;
  const GraphRecord* blend = GetGraphRecord(g_draw.blendGraph);
  return blend != nullptr && blend->width >= graph->width && blend->height >= graph->height;
}

// Every drawing entry runs inside this: the inactive wait, on the software front screen the
// window's pixels read back before `draw` and the touched rectangle copied to the window after,
// and the mask's save and restore around `draw` while the mask is active.
template <typename Draw>
int Bracket(IntRect touched, Draw draw) {
  WaitWhileInactiveForDrawing();
  // The stale screen is read back first: the mask's save step copies from it.
  if (SoftwareFront()) ReloadSoftScreenFromDisplay();
  BeginMaskedDraw(&touched);
  const int result = draw();
  EndMaskedDraw(&touched);
  if (SoftwareFront()) TransferSoftScreenRect(&touched);
  return result;
}

// A texture graph's draw; Direct3D cannot subtract, so subtraction is emulated around it.
template <typename Draw>
int Direct3DDraw(const IntRect& touched, Draw draw) {
  if (g_draw.blendMode != kBlendSubtract) return draw();
  BeginSubtractEmulation(&touched);
  const int result = draw();
  EndSubtractEmulation(&touched);
  return result;
}

// A shape on the device subtracts through the same emulation; lines and boxes skip it while the
// graphics option says so.
template <typename Draw>
int Direct3DShape(const IntRect& touched, bool lineOrBox, Draw draw) {
  if (lineOrBox && g_graphics.lineSkipsSubtractEmulation) return draw();
  return Direct3DDraw(touched, draw);
}

IntRect NormalizedRect(int x1, int y1, int x2, int y2) {
  return IntRect{std::min(x1, x2), std::min(y1, y2), std::max(x1, x2), std::max(y1, y2)};
}

const GraphRecord* DrawableGraph(int graph) {
  const GraphRecord* record = GetGraphRecord(graph);
  if (record == nullptr || !BlendGraphFits(record)) return nullptr;
  return record;
}

}  // namespace

int ClearDrawTarget() {
  if (NotStarted()) return -1;
  if (g_graphics.ending) return 0;
  WaitWhileInactiveForDrawing();
  EndDirect3DScene();
  if (g_graphics.direct3DUsable) G_D3D_ClearTarget();
  if (SoftwareFront()) ReloadSoftScreenFromDisplay();
  // The mask confines a clear like any other drawing.
  const IntRect target{0, 0, g_draw.targetWidth, g_draw.targetHeight};
  BeginMaskedDraw(&target);
  ClearTargetSoft();
  EndMaskedDraw(&target);
  if (SoftwareFront()) {
    int w = 0, h = 0;
    GetScreenSize(&w, &h);
    const IntRect whole{0, 0, w, h};
    TransferSoftScreenRect(&whole);
  }
  return 0;
}

int BlitGraph(int x, int y, int graph, int trans) {
  if (NotStarted()) return -1;
  if (Refused()) return 0;
  const GraphRecord* record = DrawableGraph(graph);
  if (record == nullptr) return -1;
  if (record->movie >= 0) AdvanceMovieFrame(graph, 0);
  const IntRect touched{x, y, x + record->width, y + record->height};
  return Bracket(touched, [&] {
    if (record->flags.isTexture) return Direct3DDraw(touched, [&] { return G_D3D_BlitGraph(x, y, record, trans); });
    return BlitGraphSoft(static_cast<float>(x), static_cast<float>(y), record, trans, 1);
  });
}

int BlitGraphStretched(int x1, int y1, int x2, int y2, int graph, int trans) {
  if (NotStarted()) return -1;
  if (Refused()) return 0;
  const GraphRecord* record = DrawableGraph(graph);
  if (record == nullptr) return -1;
  if (record->movie >= 0) AdvanceMovieFrame(graph, 0);
  const IntRect touched = NormalizedRect(x1, y1, x2, y2);
  const float fx1 = static_cast<float>(x1), fy1 = static_cast<float>(y1);
  const float fx2 = static_cast<float>(x2), fy2 = static_cast<float>(y2);
  return Bracket(touched, [&] {
    if (record->flags.isTexture) {
      return Direct3DDraw(touched, [&] { return G_D3D_BlitGraphStretched(fx1, fy1, fx2, fy2, record, trans, 1); });
    }
    return StretchGraphSoft(fx1, fy1, fx2, fy2, record, trans, 1);
  });
}

int BlitGraphStretchedFloat(float x1, float y1, float x2, float y2, int graph, int trans) {
  if (NotStarted()) return -1;
  if (Refused()) return 0;
  const GraphRecord* record = DrawableGraph(graph);
  if (record == nullptr) return -1;
  const IntRect touched =
      NormalizedRect(static_cast<int>(x1), static_cast<int>(y1), static_cast<int>(x2), static_cast<int>(y2));
  return Bracket(touched, [&] {
    if (record->flags.isTexture) {
      return Direct3DDraw(touched, [&] { return G_D3D_BlitGraphStretched(x1, y1, x2, y2, record, trans, 0); });
    }
    return StretchGraphSoft(x1, y1, x2, y2, record, trans, 0);
  });
}

int BlitGraphMirrored(int x, int y, int graph, int trans) {
  const GraphRecord* record = GetGraphRecord(graph);
  if (record == nullptr) return Refused() ? 0 : -1;
  return BlitGraphStretched(x + record->width, y, x, y + record->height, graph, trans);
}

int BlitGraphFourCorners(float x1, float y1, float x2, float y2, float x3, float y3, float x4, float y4, int graph,
                         int trans) {
  if (NotStarted()) return -1;
  if (Refused()) return 0;
  const GraphRecord* record = DrawableGraph(graph);
  if (record == nullptr) return -1;
  if (record->movie >= 0) AdvanceMovieFrame(graph, 0);
  const IntRect touched{static_cast<int>(std::min({x1, x2, x3, x4})), static_cast<int>(std::min({y1, y2, y3, y4})),
                        static_cast<int>(std::max({x1, x2, x3, x4})) + 1,
                        static_cast<int>(std::max({y1, y2, y3, y4})) + 1};
  // The back-end takes top left, top right, bottom left, bottom right.
  const float corners[8] = {x1, y1, x2, y2, x4, y4, x3, y3};
  return Bracket(touched, [&] {
    if (record->flags.isTexture) return Direct3DDraw(touched, [&] { return G_D3D_BlitGraphQuad(corners, record, trans); });
    return DrawFourCornersSoft(corners, record, trans);
  });
}

namespace {
// Runs a whole-graph draw with the draw region narrowed to `part` (clipped to the current region).
template <typename Draw>
int WithRegionNarrowed(IntRect part, Draw draw) {
  const IntRect saved = g_draw.region, requested = g_draw.requestedRegion;
  ClipRect(&part, &saved);
  SetDrawRegion(part.left, part.top, part.right, part.bottom);
  const int result = draw();
  SetDrawRegion(saved.left, saved.top, saved.right, saved.bottom);
  g_draw.requestedRegion = requested;
  return result;
}
}  // namespace

int BlitTextureGraphPart(int x, int y, int sx, int sy, int w, int h, int graph, int trans, int modulated) {
  if (NotStarted()) return -1;
  if (Refused()) return 0;
  const GraphRecord* record = DrawableGraph(graph);
  if (record == nullptr) return -1;
  if (!record->flags.isTexture) return BlitGraphPart(x, y, sx, sy, w, h, graph, trans, 0);
  if (record->movie >= 0) AdvanceMovieFrame(graph, 0);
  IntRect touched{x, y, x + w, y + h};
  ClipRect(&touched, &g_draw.region);
  if (touched.left == touched.right || touched.top == touched.bottom) return 0;
  return Bracket(touched, [&] {
    return Direct3DDraw(touched, [&] { return G_D3D_BlitGraphPart(x - sx, y - sy, touched, record, trans, modulated); });
  });
}

int BlitGraphPart(int x, int y, int sx, int sy, int w, int h, int graph, int trans, int mirror) {
  const GraphRecord* record = GetGraphRecord(graph);
  if (record == nullptr) return NotStarted() ? -1 : (Refused() ? 0 : -1);
  if (record->flags.isTexture && !mirror) return BlitTextureGraphPart(x, y, sx, sy, w, h, graph, trans, 0);
  const int width = record->width;
  return WithRegionNarrowed(IntRect{x, y, x + w, y + h}, [&] {
    return mirror ? BlitGraphMirrored(x + sx + w - width, y - sy, graph, trans)
                  : BlitGraph(x - sx, y - sy, graph, trans);
  });
}

int BlitGraphPartStretched(int x1, int y1, int x2, int y2, int sx, int sy, int sw, int sh, int graph, int trans) {
  const GraphRecord* record = GetGraphRecord(graph);
  if (record == nullptr || sw == 0 || sh == 0) return NotStarted() ? -1 : (Refused() ? 0 : -1);
  const bool mirrorX = x2 < x1, mirrorY = y2 < y1;
  const IntRect r = NormalizedRect(x1, y1, x2, y2);
  const double kx = static_cast<double>(r.right - r.left) / sw, ky = static_cast<double>(r.bottom - r.top) / sh;
  const int w = record->width, h = record->height;
  const int X1 = mirrorX ? r.right + static_cast<int>(sx * kx) : r.left - static_cast<int>(sx * kx);
  const int X2 = mirrorX ? r.right - static_cast<int>((w - sx) * kx) : r.left + static_cast<int>((w - sx) * kx);
  const int Y1 = mirrorY ? r.bottom + static_cast<int>(sy * ky) : r.top - static_cast<int>(sy * ky);
  const int Y2 = mirrorY ? r.bottom - static_cast<int>((h - sy) * ky) : r.top + static_cast<int>((h - sy) * ky);
  return WithRegionNarrowed(r, [&] { return BlitGraphStretched(X1, Y1, X2, Y2, graph, trans); });
}

int BlitGraphRotated(int x, int y, double scale, double angle, int graph, int trans, int mirror) {
  return BlitGraphRotatedFloat(static_cast<float>(x), static_cast<float>(y), scale, angle, graph, trans, mirror);
}

int BlitGraphRotatedFloat(float x, float y, double scale, double angle, int graph, int trans, int mirror) {
  // A centre beyond the int range (INT_MAX turned float is 2^31) takes the defined out-of-range value.
  const int cx = FloatToInt(x), cy = FloatToInt(y);
  if (NotStarted()) return -1;
  if (Refused()) return 0;
  const GraphRecord* record = DrawableGraph(graph);
  if (record == nullptr) return -1;
  if (record->movie >= 0) AdvanceMovieFrame(graph, 0);
  IntRect touched{0, 0, 0, 0};
  if (SoftwareFront() || g_draw.maskActive || (record->flags.isTexture && g_draw.blendMode == kBlendSubtract)) {
    const int w = record->width, h = record->height;
    const double corners[4][2] = {{static_cast<double>(-(w / 2)), static_cast<double>(-(h / 2))},
                                  {static_cast<double>(w - w / 2), static_cast<double>(-(h / 2))},
                                  {static_cast<double>(-(w / 2)), static_cast<double>(h - h / 2)},
                                  {static_cast<double>(w - w / 2), static_cast<double>(h - h / 2)}};
    const double s = std::sin(static_cast<float>(angle)), c = std::cos(static_cast<float>(angle));
    double minX = 1e300, minY = 1e300, maxX = -1e300, maxY = -1e300;
    for (const auto& p : corners) {
      const double px = (p[0] * c - p[1] * s) * scale + cx, py = (p[0] * s + p[1] * c) * scale + cy;
      minX = std::min(minX, px), maxX = std::max(maxX, px);
      minY = std::min(minY, py), maxY = std::max(maxY, py);
    }
    touched = IntRect{static_cast<int>(minX - 5), static_cast<int>(minY - 5), static_cast<int>(maxX + 5),
                      static_cast<int>(maxY + 5)};
  }
  return Bracket(touched, [&] {
    if (record->flags.isTexture) {
      return Direct3DDraw(touched, [&] { return G_D3D_BlitGraphRotated(x, y, scale, angle, record, trans & 0xFF, mirror); });
    }
    return RotateGraphSoft(x, y, scale, angle, record, trans, mirror);
  });
}

int BlitGraphRotatedPivot(int x, int y, int cx, int cy, double scale, double angle, int graph, int trans,
                              int mirror) {
  int w = 0, h = 0;
  if (GetGraphSize(graph, &w, &h) < 0 || graph < 0) return Refused() ? 0 : -1;
  if (angle != 0.0) {
    const float r = static_cast<float>(scale * (w / 2.0f - cx)), t = static_cast<float>(scale * (h / 2.0f - cy));
    const float s = std::sin(static_cast<float>(angle)), c = std::cos(static_cast<float>(angle));
    return BlitGraphRotatedFloat(x + (r * c - t * s), y + (r * s + t * c), scale, angle, graph, trans, mirror);
  }
  if (scale == 1.0) {
    return mirror ? BlitGraphMirrored(x - cx, y - cy, graph, trans) : BlitGraph(x - cx, y - cy, graph, trans);
  }
  float x1 = static_cast<float>(x - scale * cx), y1 = static_cast<float>(y - scale * cy);
  float x2 = static_cast<float>(x1 + scale * w);
  const float y2 = static_cast<float>(y1 + scale * h);
  if (mirror) std::swap(x1, x2);
  return BlitGraphStretchedFloat(x1, y1, x2, y2, graph, trans);
}

int FillGraphColor(int graph, int red, int green, int blue, int alpha) {
  const GraphRecord* record = GetGraphRecord(graph);
  if (record == nullptr) return -1;
  if (record->flags.isTexture) return G_D3D_FillSurface(record, red, green, blue, alpha);
  return FillGraphSurfacesSoft(record, red, green, blue, alpha) < 0 ? -1 : 0;
}

int DrawPolygonList(const PolygonVertex2D* vertices, int count, int kind, int texture, int trans) {
  if (NotStarted()) return -1;
  if (Refused()) return 0;
  const GraphRecord* record = nullptr;
  if (texture != kNoTexture) {
    record = GetGraphRecord(texture);
    if (record == nullptr) return -1;
  }
  int triangleCount = 0;
  if (kind == kTriangleList) {
    if (count % 3 != 0) return -1;
    triangleCount = count / 3;
  } else if (kind == kTriangleStrip || kind == kTriangleFan) {
    if (count < 3) return -1;
    triangleCount = count - 2;
  }
  if (count <= 0) return -1;
  if (record != nullptr && record->movie >= 0) AdvanceMovieFrame(texture, 0);
  auto* converted = static_cast<ScreenVertex*>(ZELVO_ALLOC(sizeof(ScreenVertex) * static_cast<std::size_t>(count)));
  if (converted == nullptr) return -1;
  auto* triangles = static_cast<ScreenVertex*>(
      ZELVO_ALLOC(sizeof(ScreenVertex) * 3 * static_cast<std::size_t>(triangleCount > 0 ? triangleCount : 1)));
  if (triangles == nullptr) {
    TrackedFree(converted);
    return -1;
  }
  const std::uint32_t tint = g_draw.drawTint;
  float minX = 1e30f, minY = 1e30f, maxX = -1e30f, maxY = -1e30f;
  for (int i = 0; i < count; ++i) {
    const PolygonVertex2D& in = vertices[i];
    const std::uint32_t b = BlendProductTable[in.blue][tint & 0xFF];
    const std::uint32_t g = BlendProductTable[in.green][(tint >> 8) & 0xFF];
    const std::uint32_t r = BlendProductTable[in.red][(tint >> 16) & 0xFF];
    const std::uint32_t a = g_draw.blendMode != 0 ? BlendProductTable[in.alpha][g_draw.blendParam] : in.alpha;
    converted[i] = ScreenVertex{in.x + g_draw.drawOffset.left, in.y + g_draw.drawOffset.top, 0.0f, 1.0f,
                                a << 24 | r << 16 | g << 8 | b, in.u, in.v};
    minX = std::min(minX, in.x - 1), maxX = std::max(maxX, in.x + 1);
    minY = std::min(minY, in.y - 1), maxY = std::max(maxY, in.y + 1);
  }
  for (int t = 0; t < triangleCount; ++t) {
    int i0 = 3 * t, i1 = 3 * t + 1, i2 = 3 * t + 2;
    if (kind == kTriangleStrip) {
      const int j = t + 2;
      i0 = t == 0 ? 0 : j;
      i1 = t == 0 ? 1 : (t % 2 == 1 ? j - 1 : j - 2);
      i2 = t == 0 ? 2 : (t % 2 == 1 ? j - 2 : j - 1);
    } else if (kind == kTriangleFan) {
      const int j = t + 2;
      i0 = t == 0 ? 0 : j;
      i1 = t == 0 ? 1 : 0;
      i2 = t == 0 ? 2 : j - 1;
    }
    triangles[3 * t] = converted[i0];
    triangles[3 * t + 1] = converted[i1];
    triangles[3 * t + 2] = converted[i2];
  }
  const IntRect touched{static_cast<int>(minX), static_cast<int>(minY), static_cast<int>(maxX), static_cast<int>(maxY)};
  const int result = triangleCount == 0
                         ? 0
                         : Bracket(touched, [&] {
                             if (record != nullptr ? record->flags.isTexture : Is3DDrawingInEffect()) {
                               return Direct3DDraw(touched, [&] {
                                 return G_D3D_DrawVertexList(triangles, triangleCount, record, trans);
                               });
                             }
                             return DrawPolygonSoft(triangles, triangleCount, record, trans, 0, 0);
                           });
  TrackedFree(triangles);
  TrackedFree(converted);
  return result;
}

// A line thicker than one pixel: a quad along the line as one triangle strip.
int DrawThickLine(int x1, int y1, int x2, int y2, std::uint32_t colour, int thickness) {
  if (thickness < 1) thickness = 1;
  double ox = y2 - y1, oy = -(x2 - x1);
  const double length = std::sqrt(ox * ox + oy * oy);
  if (length > 0) {
    ox = ox / length * thickness / 2;
    oy = oy / length * thickness / 2;
  }
  int r = 0, g = 0, b = 0;
  ScreenColorToRgb(colour, &r, &g, &b);
  auto vertex = [&](double x, double y) {
    return PolygonVertex2D{static_cast<float>(x), static_cast<float>(y), static_cast<std::uint8_t>(b),
                           static_cast<std::uint8_t>(g), static_cast<std::uint8_t>(r), 255, 0.0f, 0.0f};
  };
  const PolygonVertex2D strip[4] = {vertex(x1 + ox, y1 + oy), vertex(x2 + ox, y2 + oy), vertex(x1 - ox, y1 - oy),
                                    vertex(x2 - ox, y2 - oy)};
  return DrawPolygonList(strip, 4, kTriangleStrip, kNoTexture, 0);
}

int DrawLineSegment(int x1, int y1, int x2, int y2, std::uint32_t colour, int thickness) {
  if (NotStarted()) return -1;
  if (Refused()) return 0;
  IntRect touched = NormalizedRect(x1, y1, x2, y2);
  touched.right += 1;
  touched.bottom += 1;
  if (thickness > 1) return DrawThickLine(x1, y1, x2, y2, colour, thickness);
  return Bracket(touched, [&] {
    if (Is3DDrawingInEffect()) {
      return Direct3DShape(touched, true, [&] { return G_D3D_DrawLine(x1, y1, x2, y2, colour); });
    }
    return DrawLineSoft(x1, y1, x2, y2, colour);
  });
}

int DrawRectangle(int x1, int y1, int x2, int y2, std::uint32_t colour, int fill) {
  if (NotStarted()) return -1;
  if (Refused()) return 0;
  const IntRect touched = NormalizedRect(x1, y1, x2, y2);
  return Bracket(touched, [&] {
    if (Is3DDrawingInEffect()) {
      return Direct3DShape(touched, true, [&] {
        return fill ? G_D3D_FillBox(x1, y1, x2, y2, colour) : G_D3D_DrawBoxOutline(x1, y1, x2, y2, colour);
      });
    }
    return fill ? DrawBoxSoft(x1, y1, x2, y2, colour) : DrawBoxOutlineSoft(x1, y1, x2, y2, colour);
  });
}

int DrawCircleShape(int x, int y, int r, std::uint32_t colour, int fill) {
  if (NotStarted()) return -1;
  if (Refused() || r < 0) return 0;
  const IntRect touched{x - r - 1, y - r - 1, x + r + 1, y + r + 1};
  return Bracket(touched, [&] {
    if (Is3DDrawingInEffect()) {
      return Direct3DShape(touched, false, [&] { return G_D3D_DrawCircle(x, y, r, colour, fill); });
    }
    return DrawSoftCircle(x, y, r, colour, fill);
  });
}

int DrawEllipse(int x, int y, int rx, int ry, std::uint32_t colour, int fill) {
  if (NotStarted()) return -1;
  if (Refused() || rx < 0 || ry < 0) return 0;
  const IntRect touched{x - rx - 1, y - ry - 1, x + rx + 1, y + ry + 1};
  return Bracket(touched, [&] {
    if (Is3DDrawingInEffect()) {
      return Direct3DShape(touched, false, [&] { return G_D3D_DrawEllipse(x, y, rx, ry, colour, fill); });
    }
    return DrawSoftOval(x, y, rx, ry, colour, fill);
  });
}

int DrawTriangleShape(int x1, int y1, int x2, int y2, int x3, int y3, std::uint32_t colour, int fill) {
  if (NotStarted()) return -1;
  if (Refused()) return 0;
  // One past the far corner, so the window copy includes the last row and column.
  const IntRect box{std::min({x1, x2, x3}), std::min({y1, y2, y3}), std::max({x1, x2, x3}) + 1,
                    std::max({y1, y2, y3}) + 1};
  return Bracket(box, [&] {
    if (Is3DDrawingInEffect()) {
      return Direct3DShape(box, false, [&] { return G_D3D_DrawTriangle(x1, y1, x2, y2, x3, y3, colour, fill); });
    }
    return DrawSoftTriangle(x1, y1, x2, y2, x3, y3, colour, fill);
  });
}

}  // namespace zelvo
