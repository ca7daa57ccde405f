// The software drawing front ends. In software rendering the target is a MEMIMG and the routines
// draw into it at once; on a DirectDraw target each draw opens one SoftDrawLock bracket over the
// rectangle it can touch.
#include "media/graphics/graphs/soft_draw.h"

#include <algorithm>
#include <cmath>
#include <vector>

#include "media/core/runtime_routines.h"
#include "media/display/screen_state.h"
#include "media/graphics/graphs/soft_draw_lock.h"
#include "media/graphics/graphs/surface2d.h"
#include "media/graphics/graphs/draw_state.h"
#include "media/pixels/pixel_format.h"
#include "media/graphics/graphs/soft_target.h"
#include "media/graphics/graphs/surface_data.h"
#include "media/software/blend_state.h"
#include "media/software/blit.h"
#include "media/software/raster3d.h"
#include "media/software/rotate_blit.h"

namespace zelvo {
namespace {

int DisplayUp() { return GetDirectDrawObject() != nullptr || !IsDirectDrawMode(); }
int SoftwareTargets() { return IsSoftwareRenderMode() && GetScreenColorBitDepth() != 8; }
int Ready() { return DisplayUp() && !g_softTarget.notReady; }

const Surface2DEntry* GraphEntry(const GraphRecord* graph) {
  return graph != nullptr && graph->backEndCount > 0 ? GetSurface2D(graph->backEnds[0]) : nullptr;
}

// Opens the bracket over `rect` (with the graph's source when given); the caller draws when a
// target image is there and closes it.
// Shapes write only the caller's colour, which the bracket may turn into the drawing's format.
int BeginOn(const Surface2DEntry* source, const IntRect* sourceRect, const IntRect& rect,
            std::uint32_t* colour = nullptr) {
  return BeginSoftDrawOnTarget(source, 0, sourceRect, &rect, colour != nullptr ? 1 : 0, colour, nullptr);
}

IntRect Ordered(int x1, int y1, int x2, int y2) {
  return IntRect{std::min(x1, x2), std::min(y1, y2), std::max(x1, x2), std::max(y1, y2)};
}

// The source columns or rows [first, last) a stretched span of `length` destination pixels shows
// from `skipped` pixels into it: the 16.16 walk from the first shown one, and one more for the
// walk's advance on an exact boundary.
void StretchSourceSpan(std::int64_t length, std::int64_t skipped, std::int64_t shown, int size, bool mirrored,
                       int* first, int* last) {
  const std::int64_t step = (length << 16) / size;
  std::int64_t from = 0, to = size;
  if (step > 0) {
    from = (skipped << 16) / step;
    to = from + ((shown << 16) + step - 1) / step + 1;
  }
  from = std::clamp<std::int64_t>(from, 0, size);
  to = std::clamp<std::int64_t>(to, from, size);
  *first = static_cast<int>(mirrored ? size - to : from);
  *last = static_cast<int>(mirrored ? size - from : to);
}

IntRect StretchSourceWindow(const IntRect& whole, const IntRect& clipped, int width, int height, bool mirrorX,
                            bool mirrorY) {
  IntRect window{};
  StretchSourceSpan(std::int64_t{whole.right} - whole.left, std::int64_t{clipped.left} - whole.left,
                    std::int64_t{clipped.right} - clipped.left, width, mirrorX, &window.left, &window.right);
  StretchSourceSpan(std::int64_t{whole.bottom} - whole.top, std::int64_t{clipped.top} - whole.top,
                    std::int64_t{clipped.bottom} - clipped.top, height, mirrorY, &window.top, &window.bottom);
  return window;
}

// The source pixels a mapped triangle can read: the box of its u, v corners widened by what one
// destination pixel spans in the source (spans include both end pixels), inside the source.
IntRect TriangleSourceWindow(const TriangleMapVertex* v, int width, int height) {
  double marginU = 1, marginV = 1;
  const double dx1 = v[1].x - v[0].x, dy1 = v[1].y - v[0].y, dx2 = v[2].x - v[0].x, dy2 = v[2].y - v[0].y;
  const double det = dx1 * dy2 - dx2 * dy1;
  if (det != 0) {
    const double du1 = v[1].u - v[0].u, du2 = v[2].u - v[0].u, dv1 = v[1].v - v[0].v, dv2 = v[2].v - v[0].v;
    marginU += std::ceil(std::fabs((du1 * dy2 - du2 * dy1) / det) + std::fabs((du2 * dx1 - du1 * dx2) / det));
    marginV += std::ceil(std::fabs((dv1 * dy2 - dv2 * dy1) / det) + std::fabs((dv2 * dx1 - dv1 * dx2) / det));
  }
  auto inside = [](double value, int size) { return static_cast<int>(std::clamp(value, 0.0, static_cast<double>(size))); };
  return IntRect{inside(std::min({v[0].u, v[1].u, v[2].u}) - marginU, width),
                 inside(std::min({v[0].v, v[1].v, v[2].v}) - marginV, height),
                 inside(std::max({v[0].u, v[1].u, v[2].u}) + 1 + marginU, width),
                 inside(std::max({v[0].v, v[1].v, v[2].v}) + 1 + marginV, height)};
}

// `colour` is the variable the draw reads.
template <typename Draw>
int DrawShape(const IntRect& touched, std::uint32_t* colour, Draw draw) {
  if (!DisplayUp()) return -1;
  if (SoftwareTargets()) {
    if (g_softTarget.image != nullptr) draw(g_softTarget.image);
    return 0;
  }
  if (BeginOn(nullptr, nullptr, touched, colour) < 0) return -1;
  if (SoftLockTarget() != nullptr) draw(SoftLockTarget());
  EndSoftDrawOnTarget();
  return 0;
}

}  // namespace

int BlitGraphSoft(float x, float y, const GraphRecord* graph, int trans, int /*integerCoordinates*/) {
  if (!Ready()) return -1;
  if (graph == nullptr || graph->backEndCount < 1) return -1;
  return DrawGraphSoft(static_cast<int>(x), static_cast<int>(y), graph->backEnds[0], trans);
}

int StretchGraphSoft(float fx1, float fy1, float fx2, float fy2, const GraphRecord* graph, int trans,
                     int integerCoordinates) {
  (void)integerCoordinates;
  if (!Ready()) return -1;
  const Surface2DEntry* entry = GraphEntry(graph);
  if (entry == nullptr) return -1;
  const int x1 = static_cast<int>(fx1), y1 = static_cast<int>(fy1);
  const int x2 = static_cast<int>(fx2), y2 = static_cast<int>(fy2);
  const IntRect rect{x1, y1, x2, y2};
  if (SoftwareTargets()) {
    MEMIMG view;
    const MEMIMG* source = Surface2DSourceImage(entry, &view);
    if (source != nullptr && g_softTarget.image != nullptr) {
      StretchBlitMemImg(g_softTarget.image, source, &rect, trans, GetBlendGraphMemImg());
    }
    return 0;
  }
  const IntRect ordered = Ordered(x1, y1, x2, y2);
  if (ordered.left == ordered.right || ordered.top == ordered.bottom) return -1;
  const int w = graph->width, h = graph->height;
  if (x2 - x1 == w && y2 - y1 == h) return BlitGraphSoft(fx1, fy1, graph, trans, 1);
  IntRect clipped = ordered;
  ClipRect(&clipped, &g_draw.region);
  if (clipped.right <= clipped.left || clipped.bottom <= clipped.top) return -1;
  // Only the source pixels the clipped destination shows are locked.
  const IntRect source = StretchSourceWindow(ordered, clipped, w, h, x2 < x1, y2 < y1);
  if (BeginOn(entry, &source, clipped) < 0) return -1;
  if (SoftLockTarget() != nullptr && SoftLockSource() != nullptr) {
    StretchBlitMemImg(SoftLockTarget(), SoftLockSource(), &rect, trans, GetBlendGraphMemImg());
  }
  EndSoftDrawOnTarget();
  return 0;
}

int RotateGraphSoft(float x, float y, double scale, double angle, const GraphRecord* graph, int trans, int mirror) {
  if (!Ready()) return -1;
  const Surface2DEntry* entry = GraphEntry(graph);
  if (entry == nullptr) return -1;
  const int ix = FloatToInt(x), iy = FloatToInt(y);
  const float fAngle = static_cast<float>(angle), fScale = static_cast<float>(scale);
  if (SoftwareTargets()) {
    MEMIMG view;
    const MEMIMG* source = Surface2DSourceImage(entry, &view);
    if (source != nullptr && g_softTarget.image != nullptr) {
      RotateBlitMemImg(g_softTarget.image, source, ix, iy, fAngle, fScale, trans, mirror, GetBlendGraphMemImg());
    }
    return 0;
  }
  const double hw = graph->width * scale / 2, hh = graph->height * scale / 2;
  const double c = std::cos(fAngle), s = std::sin(fAngle);
  const double corners[4][2] = {{-hw, -hh}, {hw, -hh}, {-hw, hh}, {hw, hh}};
  IntRect box{0x7FFFFFFF, 0x7FFFFFFF, -0x7FFFFFFF, -0x7FFFFFFF};
  // Corners far off screen are held inside the int range so the box arithmetic cannot overflow.
  auto corner = [](double offset, int centre) {
    return static_cast<int>(std::clamp(std::trunc(offset) + centre, -1073741824.0, 1073741823.0));
  };
  for (const auto& p : corners) {
    const int px = corner(p[0] * c - p[1] * s, ix);
    const int py = corner(p[0] * s + p[1] * c, iy);
    box = IntRect{std::min(box.left, px), std::min(box.top, py), std::max(box.right, px), std::max(box.bottom, py)};
  }
  // The rotated edge pixels can reach one past the truncated corner.
  box.right += 1;
  box.bottom += 1;
  const IntRect source{0, 0, graph->width, graph->height};
  if (BeginOn(entry, &source, box) < 0) return -1;
  if (SoftLockTarget() != nullptr && SoftLockSource() != nullptr) {
    RotateBlitMemImg(SoftLockTarget(), SoftLockSource(), ix, iy, fAngle, fScale, trans, mirror, GetBlendGraphMemImg());
  }
  EndSoftDrawOnTarget();
  return 0;
}

int DrawMappedTriangleSoft(const TriangleMapVertex* v, const GraphRecord* graph, int trans, std::uint32_t flatColour) {
  if (!Ready()) return -1;
  const Surface2DEntry* entry = graph != nullptr ? GraphEntry(graph) : nullptr;
  if (graph != nullptr && entry == nullptr) return -1;
  const MEMIMG* blend = graph != nullptr ? GetBlendGraphMemImg() : nullptr;
  if (SoftwareTargets()) {
    MEMIMG view;
    const MEMIMG* source = entry != nullptr ? Surface2DSourceImage(entry, &view) : nullptr;
    if (g_softTarget.image != nullptr) TriangleMapMemImg(g_softTarget.image, source, v, trans, blend, flatColour);
    return 0;
  }
  const IntRect box{std::min({v[0].x, v[1].x, v[2].x}), std::min({v[0].y, v[1].y, v[2].y}),
                    std::max({v[0].x, v[1].x, v[2].x}) + 1, std::max({v[0].y, v[1].y, v[2].y}) + 1};
  const IntRect source =
      entry != nullptr ? TriangleSourceWindow(v, entry->width, entry->height) : IntRect{0, 0, 0, 0};
  if (BeginOn(entry, entry != nullptr ? &source : nullptr, box, entry == nullptr ? &flatColour : nullptr) < 0) {
    return -1;
  }
  if (SoftLockTarget() != nullptr) TriangleMapMemImg(SoftLockTarget(), SoftLockSource(), v, trans, blend, flatColour);
  EndSoftDrawOnTarget();
  return 0;
}

int DrawFourCornersSoft(const float* corners, const GraphRecord* graph, int trans) {
  int p[8];
  for (int i = 0; i < 8; ++i) p[i] = static_cast<int>(corners[i]);
  const int w = graph->width, h = graph->height;
  const TriangleMapVertex first[3] = {{p[0], p[1], 0, 0}, {p[2], p[3], w, 0}, {p[4], p[5], 0, h}};
  const TriangleMapVertex second[3] = {{p[2], p[3], w, 0}, {p[4], p[5], 0, h}, {p[6], p[7], w, h}};
  DrawMappedTriangleSoft(first, graph, trans, 0);
  DrawMappedTriangleSoft(second, graph, trans, 0);
  return 0;
}

int DrawLineListSoft(const LineRecord* lines, int count) {
  if (!DisplayUp()) return -1;
  IntRect box{0x7FFFFFFF, 0x7FFFFFFF, -0x7FFFFFFF, -0x7FFFFFFF};
  for (int i = 0; i < count; ++i) {
    box.left = std::min({box.left, lines[i].x1, lines[i].x2});
    box.top = std::min({box.top, lines[i].y1, lines[i].y2});
    box.right = std::max({box.right, lines[i].x1 + 1, lines[i].x2 + 1});
    box.bottom = std::max({box.bottom, lines[i].y1 + 1, lines[i].y2 + 1});
  }
  if (!DisplayUp()) return -1;
  if (SoftwareTargets()) {
    if (g_softTarget.image != nullptr) DrawMemImgLineList(g_softTarget.image, lines, count);
    return 0;
  }
  // Drawn from a copy whose colours the bracket turns into the drawing's format.
  std::vector<LineRecord> copy(lines, lines + count);
  if (BeginSoftDrawOnTarget(nullptr, 0, nullptr, &box, 1, nullptr, nullptr) < 0) return -1;
  if (SoftLockTarget() != nullptr) {
    for (LineRecord& line : copy) line.color = static_cast<std::int32_t>(SoftLockColour(static_cast<std::uint32_t>(line.color)));
    DrawMemImgLineList(SoftLockTarget(), copy.data(), count);
  }
  EndSoftDrawOnTarget();
  return 0;
}

int DrawPolygonSoft(const ScreenVertex* triangles, int count, const GraphRecord* graph, int trans, int plain,
                    int depth) {
  if (!Ready()) return -1;
  const Surface2DEntry* entry = graph != nullptr ? GraphEntry(graph) : nullptr;
  if (graph != nullptr && entry == nullptr) return -1;
  const MEMIMG* blend = GetBlendGraphMemImg();
  if (SoftwareTargets()) {
    MEMIMG view;
    const MEMIMG* texture = entry != nullptr ? Surface2DSourceImage(entry, &view) : nullptr;
    MEMIMG* zbuffer = depth == 1 ? g_softTarget.depthImage : nullptr;
    if (g_softTarget.image == nullptr) return 0;
    for (int i = 0; i < count; ++i) {
      if (plain) {
        RasterizeTriangle3D(g_softTarget.image, zbuffer, texture, triangles + 3 * i, trans, blend, 0, 0, 0, 0);
      } else {
        RasterizeTriangle3D(g_softTarget.image, zbuffer, texture, triangles + 3 * i, trans, blend, g_draw.depthWrite,
                            1, 1, 0);
      }
    }
    return 0;
  }
  float minX = 1e30f, minY = 1e30f, maxX = -1e30f, maxY = -1e30f;
  for (int i = 0; i < count * 3; ++i) {
    minX = std::min(minX, triangles[i].x), maxX = std::max(maxX, triangles[i].x);
    minY = std::min(minY, triangles[i].y), maxY = std::max(maxY, triangles[i].y);
  }
  const IntRect box{static_cast<int>(minX - 1), static_cast<int>(minY - 1), static_cast<int>(maxX + 1),
                    static_cast<int>(maxY + 1)};
  const IntRect source = entry != nullptr ? IntRect{0, 0, entry->width, entry->height} : IntRect{0, 0, 0, 0};
  if (BeginOn(entry, entry != nullptr ? &source : nullptr, box) < 0) return -1;
  if (SoftLockTarget() != nullptr) {
    // Untextured triangles take their vertex colour (a white texture times the colour), and textured
    // ones are tinted by it, as the Direct3D and software paths draw them: drawn without it, a list's
    // colours would be lost on this path alone.
    const int modulate = plain ? 0 : 1;
    for (int i = 0; i < count; ++i) {
      RasterizeTriangle3D(SoftLockTarget(), nullptr, SoftLockSource(), triangles + 3 * i, trans, blend, plain ? 0 : 1,
                          plain ? 0 : 1, modulate, 1);
    }
  }
  EndSoftDrawOnTarget();
  return 0;
}

int FillGraphSurfacesSoft(const GraphRecord* graph, int red, int green, int blue, int alpha) {
  if (!DisplayUp()) return -1;
  for (int i = 0; i < graph->backEndCount; ++i) {
    const Surface2DEntry* entry = GetSurface2D(graph->backEnds[i]);
    if (entry == nullptr || FillSurfaceRecord(entry->record, red, green, blue, alpha) < 0) return -1;
  }
  return 0;
}

int ClearTargetSoft() {
  if (!Ready()) return -1;
  if (SoftwareTargets()) {
    MEMIMG* image = g_softTarget.image;
    if (image == nullptr) return -1;
    FillMemImgRect(image, nullptr, RgbaToColorValue(image->format, 0, 0, 0, 255));
    if (g_softTarget.depthImage != nullptr) FillMemImgRect(g_softTarget.depthImage, nullptr, 0xFFFF);
    return 0;
  }
  if (g_softTarget.image != nullptr) {
    if (g_softTarget.depthImage != nullptr) FillMemImgRect(g_softTarget.depthImage, nullptr, 0xFFFF);
    const IntRect whole{0, 0, g_softTarget.image->width, g_softTarget.image->height};
    FillMemImgRectBlend(g_softTarget.image, &whole, RgbaToColorValue(g_softTarget.image->format, 0, 0, 0, 255));
    return 0;
  }
  if (g_softTarget.surface == nullptr) return -1;
  pf::DDBltFx fx{sizeof(pf::DDBltFx), RgbToScreenColor(0, 0, 0), 0};
  int width = 0, height = 0;
  GetScreenSize(&width, &height);
  const pf::Rect area{g_draw.drawOffset.left, g_draw.drawOffset.top, g_draw.drawOffset.left + width,
                      g_draw.drawOffset.top + height};
  g_softTarget.surface->Blt(g_draw.target < 0 ? &area : nullptr, nullptr, nullptr, pf::DDBLT_COLORFILL, &fx);
  return 0;
}

int DrawSoftCircle(int x, int y, int r, std::uint32_t colour, int fill) {
  if (!SoftwareTargets() && r == 0) return DisplayUp() ? 0 : -1;
  return DrawShape(IntRect{x - r - 1, y - r - 1, x + r + 1, y + r + 1}, &colour,
                   [&](MEMIMG* image) { RasterCircle(image, x, y, r, colour, fill); });
}

int DrawSoftOval(int x, int y, int rx, int ry, std::uint32_t colour, int fill) {
  if (!SoftwareTargets() && (rx == 0 || ry == 0)) return DisplayUp() ? 0 : -1;
  // The tall walk can pass ry by a row; the lock covers what it reaches.
  const int extent = std::max(ry, OvalVerticalExtent(rx, ry));
  return DrawShape(IntRect{x - rx - 1, y - extent - 1, x + rx + 1, y + extent + 1}, &colour,
                   [&](MEMIMG* image) { RasterOval(image, x, y, rx, ry, colour, fill); });
}

int DrawSoftTriangle(int x1, int y1, int x2, int y2, int x3, int y3, std::uint32_t colour, int fill) {
  if (fill == 1) {
    const TriangleMapVertex v[3] = {{x1, y1, 0, 0}, {x2, y2, 0, 0}, {x3, y3, 0, 0}};
    return DrawMappedTriangleSoft(v, nullptr, 0, colour);
  }
  const std::int32_t c = static_cast<std::int32_t>(colour);
  const LineRecord lines[3] = {{x1, y1, x2, y2, c, g_draw.blendParam},
                               {x2, y2, x3, y3, c, g_draw.blendParam},
                               {x3, y3, x1, y1, c, g_draw.blendParam}};
  return DrawLineListSoft(lines, 3);
}

int DrawBoxSoft(int x1, int y1, int x2, int y2, std::uint32_t colour) {
  const IntRect box = Ordered(x1, y1, x2, y2);
  return DrawShape(box, &colour, [&](MEMIMG* image) { FillMemImgBox(image, x1, y1, x2, y2, colour); });
}

int DrawLineSoft(int x1, int y1, int x2, int y2, std::uint32_t colour) {
  if (!SoftwareTargets() && x1 == x2 && y1 == y2) return DisplayUp() ? 0 : -1;
  const IntRect box{std::min(x1, x2), std::min(y1, y2), std::max(x1, x2) + 1, std::max(y1, y2) + 1};
  return DrawShape(box, &colour, [&](MEMIMG* image) { DrawMemImgLine(image, x1, y1, x2, y2, colour); });
}

int DrawBoxOutlineSoft(int x1, int y1, int x2, int y2, std::uint32_t colour) {
  const std::int32_t c = static_cast<std::int32_t>(colour);
  const int p = g_draw.blendParam;
  const LineRecord lines[4] = {{x1, y1, x2 - 1, y1, c, p},
                               {x2 - 1, y1, x2 - 1, y2 - 1, c, p},
                               {x2 - 1, y2 - 1, x1, y2 - 1, c, p},
                               {x1, y2 - 1, x1, y1, c, p}};
  return DrawLineListSoft(lines, 4);
}

}  // namespace zelvo
