// Shapes on the Direct3D device. Vertex coordinates are the integer pixel coordinates plus the draw
// offset, with no half-pixel shift, so they fall on pixel centres; the colour is the screen colour
// scaled by the vertex colour (tint and blend parameter), and flat shading takes it from the first
// vertex of each triangle.
#include "media/graphics/graphs/d3d_shapes.h"

#include <algorithm>
#include <cstdlib>
#include <cstring>

#include "media/core/log.h"
#include "media/display/d3d_device.h"
#include "media/graphics/graphs/d3d_graph_draw.h"
#include "media/graphics/graphs/draw_state.h"
#include "media/graphics/graphs/soft_draw.h"
#include "media/pixels/pixel_format.h"

namespace zelvo {
namespace {

constexpr int kPointChunk = 40;

int Slot() { return g_d3d.currentDevice; }

std::uint32_t ShapeColor(std::uint32_t colour) {
  int r = 0, g = 0, b = 0;
  ScreenColorToRgb(colour, &r, &g, &b);
  const std::uint32_t vc = g_d3d.vertexColor;
  const std::uint32_t red = ((vc >> 16) & 0xFF) * static_cast<std::uint32_t>(r) / 255;
  const std::uint32_t green = ((vc >> 8) & 0xFF) * static_cast<std::uint32_t>(g) / 255;
  const std::uint32_t blue = (vc & 0xFF) * static_cast<std::uint32_t>(b) / 255;
  return (vc & 0xFF000000u) | red << 16 | green << 8 | blue;
}

ShapeVertex At(float x, float y, std::uint32_t diffuse) { return ShapeVertex{x, y, g_d3d.inputs.drawZ, 1.0f, diffuse}; }

float OffsetX() { return static_cast<float>(g_draw.drawOffset.left); }
float OffsetY() { return static_cast<float>(g_draw.drawOffset.top); }

// Queues vertices of one primitive type in the batch: scene open, no texture, the untextured state.
int QueueShape(const ShapeVertex* vertices, int count, pf::D3DPrimitiveType type) {
  G_D3D_BeginScene(Slot());
  G_D3D_SetTexture(nullptr, Slot());
  G_D3D_PrepareDrawState(nullptr, g_draw.depthTest ? kPrepareDepth : 0);
  unsigned char* at = G_D3D_ReserveVertices(Slot(), count, type);
  if (at == nullptr) return -1;
  std::memcpy(at, vertices, sizeof(ShapeVertex) * static_cast<std::size_t>(count));
  G_D3D_CommitVertices(Slot(), count);
  EndDirect3DDraw();
  return 0;
}

// The start of a shape drawn at once: queued vertices go first, then the untextured state.
Device3DSlot* OpenDirectShape() {
  G_D3D_FlushBatch(Slot());
  G_D3D_BeginScene(Slot());
  G_D3D_SetTexture(nullptr, Slot());
  G_D3D_PrepareDrawState(nullptr, 0);
  return UsableSlot(Slot());
}

void DrawNow(Device3DSlot* slot, pf::D3DPrimitiveType type, const ShapeVertex* vertices, int count) {
  if (count > 0) slot->device->DrawPrimitive(type, kVertexFormats[0], vertices, static_cast<std::uint32_t>(count), 0);
}

// The draw region after the draw offset, last column and row inclusive.
struct PixelBounds {
  int left, top, right, bottom;
};
PixelBounds RegionBounds() {
  const IntRect& r = g_draw.region;
  const int ox = g_draw.drawOffset.left, oy = g_draw.drawOffset.top;
  return PixelBounds{r.left + ox, r.top + oy, r.right + ox - 1, r.bottom + oy - 1};
}

// Outline points gathered and sent 40 at a time; points outside the region are dropped.
struct PointGatherer {
  Device3DSlot* slot;
  PixelBounds bounds;
  std::uint32_t diffuse;
  ShapeVertex points[kPointChunk];
  int count;

  void Add(int x, int y) {
    if (x < bounds.left || x > bounds.right || y < bounds.top || y > bounds.bottom) return;
    points[count++] = At(static_cast<float>(x), static_cast<float>(y), diffuse);
    if (count == kPointChunk) Send();
  }
  void Send() {
    DrawNow(slot, pf::D3DPT_POINTLIST, points, count);
    count = 0;
  }
};

// Filled rows, each drawn once as a line: the flags are indexed from the region's top row, so a
// region that starts above the surface indexes nothing outside them.
struct SpanFiller {
  Device3DSlot* slot;
  PixelBounds bounds;
  std::uint32_t diffuse;
  unsigned char* rowDone;

  void Span(int y, int xa, int xb) {
    if (y < bounds.top || y > bounds.bottom || rowDone[y - bounds.top]) return;
    if (xb < bounds.left || xa > bounds.right) return;
    xa = std::max(xa, bounds.left);
    // The region's last column is inside it, as outlines and boxes reach it.
    xb = std::min(xb, bounds.right);
    rowDone[y - bounds.top] = 1;
    const ShapeVertex line[2] = {At(static_cast<float>(xa), static_cast<float>(y), diffuse),
                                 At(static_cast<float>(xb + 1), static_cast<float>(y), diffuse)};
    DrawNow(slot, pf::D3DPT_LINELIST, line, 2);
  }
};

unsigned char* AllocateRowFlags(const PixelBounds& bounds) {
  const std::size_t rows = static_cast<std::size_t>(bounds.bottom - bounds.top + 1);
  auto* flags = static_cast<unsigned char*>(ZELVO_ALLOC_ZEROED(rows));
  if (flags == nullptr) AbortWithLog("メモリの確保に失敗しました in G_D3D_DrawCircle");
  return flags;
}

// Midpoint circle stepping.
struct CircleWalk {
  long long px, py, d;
  void Step() {
    if (d >= 0) {
      --px;
      d -= 4 * px;
    }
    ++py;
    d += 4 * py + 2;
  }
};

// The ellipse's stepping: form A for tall ellipses, form B for wide ones. Step answers whether the
// new point is plotted. Kept in 64 bits so large radii do not overflow the divisor.
struct EllipseWalk {
  long long rx, ry, x, y, acc, d1, d2, k;
  bool tall;

  EllipseWalk(long long radiusX, long long radiusY)
      : rx(radiusX), ry(radiusY), x(radiusX), y(0), acc(0), d1(3 - 2 * radiusX), d2(3 - 4 * radiusX),
        k(radiusX < radiusY ? radiusY * radiusY / radiusX : radiusX * radiusX / radiusY), tall(radiusX < radiusY) {}

  void Diagonal() {
    d1 += 4 * y - 4 * x + 2;
    d2 += 4 * y - 4 * x + 2;
  }
  void Across() {
    d1 -= 4 * x;
    d2 -= 4 * x - 2;
  }
  bool Step() { return tall ? StepTall() : StepWide(); }
  bool StepTall() {
    if (d1 < 0) {
      ++y;
      d1 += 4 * y + 2;
      d2 += 4 * y;
      return true;
    }
    if (d2 < 0) {
      acc += rx;
      if (acc >= k) --x, acc -= k;
      ++y;
      Diagonal();
      return true;
    }
    acc += rx;
    const bool plot = acc >= k;
    if (plot) --x, acc -= k;
    Across();
    return plot;
  }
  bool StepWide() {
    if (d1 < 0) {
      acc += ry;
      const bool plot = acc >= k;
      if (plot) ++y, acc -= k;
      d1 += 4 * y + 2;
      d2 += 4 * y;
      return plot;
    }
    --x;
    if (d2 < 0) {
      acc += ry;
      if (acc >= k) ++y, acc -= k;
      Diagonal();
    } else {
      Across();
    }
    return true;
  }
};

int I(long long value) { return static_cast<int>(value); }

}  // namespace

int G_D3D_FillBox(int x1, int y1, int x2, int y2, std::uint32_t colour) {
  if (g_d3d.targetInvalid) return DrawBoxSoft(x1, y1, x2, y2, colour);
  const int ready = BeginDirect3DDraw();
  if (ready <= 0) return ready;
  IntRect box{std::min(x1, x2), std::min(y1, y2), std::max(x1, x2), std::max(y1, y2)};
  ClipRect(&box, &g_draw.region);
  if (box.left == box.right || box.top == box.bottom) return 0;
  const std::uint32_t diffuse = ShapeColor(colour);
  const float l = box.left + OffsetX(), t = box.top + OffsetY(), r = box.right + OffsetX(), b = box.bottom + OffsetY();
  const ShapeVertex v[6] = {At(l, t, diffuse), At(r, t, diffuse), At(l, b, diffuse),
                            At(r, b, diffuse), At(l, b, diffuse), At(r, t, diffuse)};
  return QueueShape(v, 6, pf::D3DPT_TRIANGLELIST);
}

int G_D3D_DrawLine(int x1, int y1, int x2, int y2, std::uint32_t colour) {
  if (g_d3d.targetInvalid) return DrawLineSoft(x1, y1, x2, y2, colour);
  const int ready = BeginDirect3DDraw();
  if (ready <= 0) return ready;
  if (x1 == x2 && y1 == y2) return 0;
  float endX = x2 + OffsetX(), endY = y2 + OffsetY();
  // An axis-aligned line stops short of its end pixel.
  if (x1 == x2) endY += y1 < y2 ? -0.1f : 0.1f;
  if (y1 == y2) endX += x1 < x2 ? -0.1f : 0.1f;
  const std::uint32_t diffuse = ShapeColor(colour);
  const ShapeVertex v[2] = {At(x1 + OffsetX(), y1 + OffsetY(), diffuse), At(endX, endY, diffuse)};
  return QueueShape(v, 2, pf::D3DPT_LINELIST);
}

int G_D3D_DrawBoxOutline(int x1, int y1, int x2, int y2, std::uint32_t colour) {
  if (g_d3d.targetInvalid) return DrawBoxOutlineSoft(x1, y1, x2, y2, colour);
  const int ready = BeginDirect3DDraw();
  if (ready <= 0) return ready;
  if (x2 < x1 || y2 < y1) {
    std::swap(x1, x2);
    std::swap(y1, y2);
  }
  const float l = x1 + OffsetX(), t = y1 + OffsetY(), r = x2 + OffsetX() - 1, b = y2 + OffsetY() - 1;
  const std::uint32_t c = ShapeColor(colour);
  const ShapeVertex v[8] = {At(l, t, c), At(r - 0.1f, t, c),        At(r, t, c), At(r, b - 0.1f, c),
                            At(l, b, c), At(r + 0.9f, b, c), At(l, t + 1.0f, c), At(l, b - 0.1f, c)};
  return QueueShape(v, 8, pf::D3DPT_LINELIST);
}

int G_D3D_DrawCircle(int x, int y, int r, std::uint32_t colour, int fill) {
  if (g_d3d.targetInvalid) return DrawSoftCircle(x, y, r, colour, fill);
  const int ready = BeginDirect3DDraw();
  if (ready <= 0) return ready;
  Device3DSlot* slot = OpenDirectShape();
  const std::uint32_t diffuse = ShapeColor(colour);
  const PixelBounds bounds = RegionBounds();
  const long long cx = static_cast<long long>(x) + g_draw.drawOffset.left;
  const long long cy = static_cast<long long>(y) + g_draw.drawOffset.top;
  CircleWalk walk{r, 0, 3 - 2 * static_cast<long long>(r)};
  if (fill == 0) {
    PointGatherer points{slot, bounds, diffuse, {}, 0};
    points.Add(I(cx - r), I(cy));
    points.Add(I(cx + r), I(cy));
    points.Add(I(cx), I(cy + r));
    points.Add(I(cx), I(cy - r));
    walk.Step();
    while (walk.py <= walk.px) {
      const long long px = walk.px, py = walk.py;
      points.Add(I(cx + px), I(cy + py));
      points.Add(I(cx - px), I(cy + py));
      points.Add(I(cx + px), I(cy - py));
      points.Add(I(cx - px), I(cy - py));
      points.Add(I(cx + py), I(cy + px));
      points.Add(I(cx - py), I(cy + px));
      points.Add(I(cx + py), I(cy - px));
      points.Add(I(cx - py), I(cy - px));
      walk.Step();
    }
    points.Send();
  } else if (bounds.bottom >= bounds.top) {
    SpanFiller spans{slot, bounds, diffuse, AllocateRowFlags(bounds)};
    auto capRows = [&] {
      spans.Span(I(cy + walk.px), I(cx - walk.py), I(cx + walk.py));
      spans.Span(I(cy - walk.px), I(cx - walk.py), I(cx + walk.py));
    };
    spans.Span(I(cy), I(cx - r), I(cx + r));
    if (walk.d >= 0) capRows();
    walk.Step();
    while (walk.py <= walk.px) {
      spans.Span(I(cy + walk.py), I(cx - walk.px), I(cx + walk.px));
      spans.Span(I(cy - walk.py), I(cx - walk.px), I(cx + walk.px));
      if (walk.d >= 0) capRows();
      walk.Step();
    }
    TrackedFree(spans.rowDone);
  }
  EndDirect3DDraw();
  return 0;
}

int G_D3D_DrawEllipse(int x, int y, int rx, int ry, std::uint32_t colour, int fill) {
  if (g_d3d.targetInvalid) return DrawSoftOval(x, y, rx, ry, colour, fill);
  const int ready = BeginDirect3DDraw();
  if (ready <= 0) return ready;
  const long long radiusX = std::llabs(static_cast<long long>(rx)), radiusY = std::llabs(static_cast<long long>(ry));
  if (radiusX == 0 || radiusY == 0) return 0;
  Device3DSlot* slot = OpenDirectShape();
  const std::uint32_t diffuse = ShapeColor(colour);
  const PixelBounds bounds = RegionBounds();
  const long long cx = static_cast<long long>(x) + g_draw.drawOffset.left;
  const long long cy = static_cast<long long>(y) + g_draw.drawOffset.top;
  EllipseWalk walk(radiusX, radiusY);
  if (fill == 0) {
    PointGatherer points{slot, bounds, diffuse, {}, 0};
    points.Add(I(cx - radiusX), I(cy));
    points.Add(I(cx + radiusX), I(cy));
    bool plot = walk.Step();
    while (walk.x > 0) {
      if (plot) {
        points.Add(I(cx - walk.x), I(cy + walk.y));
        points.Add(I(cx + walk.x), I(cy + walk.y));
        points.Add(I(cx - walk.x), I(cy - walk.y));
        points.Add(I(cx + walk.x), I(cy - walk.y));
      }
      plot = walk.Step();
    }
    points.Add(I(cx + walk.x), I(cy - walk.y));
    points.Add(I(cx - walk.x), I(cy + walk.y));
    points.Send();
  } else if (bounds.bottom >= bounds.top) {
    SpanFiller spans{slot, bounds, diffuse, AllocateRowFlags(bounds)};
    auto rowPair = [&] {
      spans.Span(I(cy + walk.y), I(cx - walk.x), I(cx + walk.x));
      spans.Span(I(cy - walk.y), I(cx - walk.x), I(cx + walk.x));
    };
    spans.Span(I(cy), I(cx - radiusX), I(cx + radiusX));
    bool plot = walk.Step();
    while (walk.x > 0) {
      if (plot) rowPair();
      plot = walk.Step();
    }
    rowPair();
    TrackedFree(spans.rowDone);
  }
  EndDirect3DDraw();
  return 0;
}

int G_D3D_DrawTriangle(int x1, int y1, int x2, int y2, int x3, int y3, std::uint32_t colour, int fill) {
  if (g_d3d.targetInvalid) return DrawSoftTriangle(x1, y1, x2, y2, x3, y3, colour, fill);
  const int ready = BeginDirect3DDraw();
  if (ready <= 0) return ready;
  Device3DSlot* slot = OpenDirectShape();
  const std::uint32_t c = ShapeColor(colour);
  const double ox = g_draw.drawOffset.left, oy = g_draw.drawOffset.top;
  double p[3][2] = {{x1 + ox, y1 + oy}, {x2 + ox, y2 + oy}, {x3 + ox, y3 + oy}};
  // Corners run clockwise on the screen whichever way they were given.
  const double turn = (p[2][1] - p[0][1]) * (p[1][0] - p[0][0]) - (p[1][1] - p[0][1]) * (p[2][0] - p[0][0]);
  if (turn <= 0) std::swap(p[1], p[2]);
  ShapeVertex v[4];
  for (int i = 0; i < 4; ++i) v[i] = At(static_cast<float>(p[i % 3][0]), static_cast<float>(p[i % 3][1]), c);
  if (fill == 0) {
    DrawNow(slot, pf::D3DPT_LINESTRIP, v, 4);
  } else {
    DrawNow(slot, pf::D3DPT_TRIANGLELIST, v, 3);
  }
  EndDirect3DDraw();
  return 0;
}

}  // namespace zelvo
