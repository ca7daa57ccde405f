// Circle, ellipse, box and line rasterizers. One colour for the whole call, tinted once by a shift
// of 8, combined by the general rule with no weights; the walks are templates over colour type and
// blend mode, so the pixel loops test nothing of the blend state.
#include "media/software/shapes.h"

#include <climits>
#include <cstring>
#include <cstdlib>
#include <type_traits>

#include "media/core/log.h"
#include "media/software/pixel_rules.h"
#include "media/software/row_kernels.h"

namespace zelvo {

namespace {

using soft::BlendMode;
using soft::BlendRows;
using soft::PixelType;

// What every shape call fixes at entry: the colour after the tint, the clip bounds (inclusive) and
// the blend mode after its shortcuts, or -1 when nothing is drawn.
struct ShapeSetup {
  int mode;
  uint32_t colour;
  int L, T, R, B;
  BlendRows rows;
};

ShapeSetup PrepareShape(const MEMIMG* image, uint32_t colour) {
  ShapeSetup s{};
  s.mode = -1;
  const IntRect region = soft::SoftClipRegion(image);
  s.L = region.left;
  s.T = region.top;
  s.R = region.right - 1;
  s.B = region.bottom - 1;
  if (image->colorType != kMemImg565 && image->colorType != kMemImg8888) return s;
  const uint32_t tint = g_softBlend.drawTint;
  if (image->colorType == kMemImg565) {
    // Colours are unchecked public values: keep a 16-bit target's colour inside 16 bits.
    colour &= 0xFFFF;
    if (TintIsOn(tint)) {
      uint32_t r5 = (colour >> 11) * ((tint >> 16) & 0xFF) >> 8, g6 = ((colour >> 5) & 63) * ((tint >> 8) & 0xFF) >> 8,
               b5 = (colour & 31) * (tint & 0xFF) >> 8;
      colour = r5 << 11 | g6 << 5 | b5;
    }
  } else if (TintIsOn(tint)) {
    uint32_t out = colour & 0xFF000000u;
    for (int i = 0; i < 24; i += 8) out |= (((colour >> i) & 0xFF) * ((tint >> i) & 0xFF) >> 8) << i;
    colour = out;
  }
  int mode = g_softBlend.blendMode;
  const int param = g_softBlend.blendParam;
  if (mode < kBlendNone || mode > kBlendMultiply) return s;
  if (mode == kBlendAlpha && param == 255) mode = kBlendNone;
  if ((mode == kBlendAlpha || mode == kBlendAdd || mode == kBlendSubtract) && param == 0) return s;
  s.mode = mode;
  s.colour = colour;
  s.rows = soft::MakeBlendRows(param, kTintOff);
  return s;
}

// Runs fn.template operator()<Type, Mode>() for the call's colour type and mode.
template <class Fn>
void WithVariant(int type, int mode, Fn&& fn) {
  auto byMode = [&]<PixelType Type>() {
    switch (mode) {
      case kBlendNone: fn.template operator()<Type, BlendMode::kNone>(); break;
      case kBlendAlpha: fn.template operator()<Type, BlendMode::kAlpha>(); break;
      case kBlendAdd: fn.template operator()<Type, BlendMode::kAdd>(); break;
      case kBlendSubtract: fn.template operator()<Type, BlendMode::kSubtract>(); break;
      default: fn.template operator()<Type, BlendMode::kMultiply>(); break;
    }
  };
  if (type == kMemImg565) byMode.template operator()<PixelType::k565>();
  else byMode.template operator()<PixelType::k8888>();
}

template <PixelType Type, BlendMode Mode>
struct Painter {
  static constexpr int kBytes = Type == PixelType::k8888 ? 4 : 2;
  const ShapeSetup& s;
  MEMIMG* image;
  uint8_t* rowFlags;

  uint8_t* At(int x, int y) const {
    return image->pixels + static_cast<ptrdiff_t>(y) * image->pitch + static_cast<ptrdiff_t>(x) * kBytes;
  }
  ZELVO_PIXEL_INLINE void Pixel(uint8_t* d) const { soft::Combine<Type, Mode, false, false, false>(s.rows, d, s.colour, 0, 0); }
  // Coordinates are 64-bit: centre plus radius may lie beyond the int range.
  void Point(int64_t x, int64_t y) const {
    if (x < s.L || x > s.R || y < s.T || y > s.B) return;
    Pixel(At(static_cast<int>(x), static_cast<int>(y)));
  }
  void Span(int64_t y, int64_t xa, int64_t xb) const {
    if (xb < s.L || xa > s.R || y < s.T || y > s.B) return;
    if (rowFlags[y]) return;
    rowFlags[y] = 1;
    if (xa < s.L) xa = s.L;
    if (xb > s.R) xb = s.R;
    uint8_t* d = At(static_cast<int>(xa), static_cast<int>(y));
    for (int64_t x = xa; x <= xb; ++x, d += kBytes) Pixel(d);
  }
};

// Circle walk: X = 0, Y = r, D = 3 - 2r.
// The decision values are 64-bit so that no radius overflows them.
struct CircleWalk {
  int64_t X, Y, D;
  explicit CircleWalk(int r) : X(0), Y(r), D(3 - 2 * static_cast<int64_t>(r)) {}
  void Step() {
    if (D >= 0) {
      --Y;
      D -= 4 * Y;
    }
    ++X;
    D += 4 * X + 2;
  }
};

template <PixelType Type, BlendMode Mode, bool Fill>
void DrawCircle(const Painter<Type, Mode>& p, int64_t cx, int64_t cy, int64_t r) {
  CircleWalk w(r);
  if constexpr (Fill) {
    p.Span(cy, cx - r, cx + r);
    if (w.D >= 0) {
      p.Span(cy + w.Y, cx - w.X, cx + w.X);
      p.Span(cy - w.Y, cx - w.X, cx + w.X);
    }
    w.Step();
    while (w.Y >= w.X) {
      p.Span(cy + w.X, cx - w.Y, cx + w.Y);
      p.Span(cy - w.X, cx - w.Y, cx + w.Y);
      if (w.D >= 0) {
        p.Span(cy + w.Y, cx - w.X, cx + w.X);
        p.Span(cy - w.Y, cx - w.X, cx + w.X);
      }
      w.Step();
    }
  } else {
    p.Point(cx - r, cy);
    p.Point(cx + r, cy);
    p.Point(cx, cy + r);
    p.Point(cx, cy - r);
    w.Step();
    while (w.Y >= w.X) {
      const int64_t X = w.X, Y = w.Y;
      p.Point(cx - Y, cy + X);
      p.Point(cx + Y, cy + X);
      p.Point(cx - Y, cy - X);
      p.Point(cx + Y, cy - X);
      p.Point(cx - X, cy + Y);
      p.Point(cx + X, cy + Y);
      p.Point(cx - X, cy - Y);
      p.Point(cx + X, cy - Y);
      w.Step();
    }
  }
}

// Ellipse walk over one quadrant: W half-width of the row, V row offset, two decision values and an
// accumulator that squeezes the shorter axis. Outline steps also flag a change of W.
template <bool Tall, bool Outline>
struct OvalWalk {
  int64_t rx, ry, W, V, D1, D2, acc, K;
  bool changed;
  OvalWalk(int rxIn, int ryIn)
      : rx(rxIn), ry(ryIn), W(rxIn), V(0), D1(3 - 2 * rx), D2(3 - 4 * rx), acc(0), K(Tall ? ry * ry / rx : rx * rx / ry),
        changed(false) {}
  void Step() {
    changed = false;
    if constexpr (!Tall) {
      if (D1 < 0) {
        acc += ry;
        if (acc >= K) {
          ++V;
          acc -= K;
          changed = true;
        }
        D1 += 4 * V + 2;
        D2 += 4 * V;
      } else {
        --W;
        if (Outline) changed = true;
        if (D2 >= 0) {
          D1 -= 4 * W;
          D2 -= 4 * W - 2;
        } else {
          acc += ry;
          if (acc >= K) {
            ++V;
            acc -= K;
            changed = true;
          }
          D1 += 4 * V - 4 * W + 2;
          D2 += 4 * V - 4 * W + 2;
        }
      }
    } else {
      if (D1 < 0) {
        ++V;
        changed = true;
        D1 += 4 * V + 2;
        D2 += 4 * V;
      } else if (D2 >= 0) {
        acc += rx;
        if (acc >= K) {
          --W;
          acc -= K;
          if (Outline) changed = true;
        }
        D1 -= 4 * W;
        D2 -= 4 * W - 2;
      } else {
        changed = true;
        acc += rx;
        if (acc >= K) {
          --W;
          acc -= K;
        }
        ++V;
        D1 += 4 * V - 4 * W + 2;
        D2 += 4 * V - 4 * W + 2;
      }
    }
  }
};

template <PixelType Type, BlendMode Mode, bool Tall, bool Fill>
void DrawOval(const Painter<Type, Mode>& p, int64_t cx, int64_t cy, int rx, int ry) {
  OvalWalk<Tall, !Fill> w(rx, ry);
  if constexpr (Fill) {
    p.Span(cy, cx - rx, cx + rx);
    for (;;) {
      w.Step();
      if (w.W <= 0) break;
      if (w.changed) {
        p.Span(cy + w.V, cx - w.W, cx + w.W);
        p.Span(cy - w.V, cx - w.W, cx + w.W);
      }
    }
    p.Span(cy - w.V, cx - w.W, cx + w.W);
    p.Span(cy + w.V, cx - w.W, cx + w.W);
  } else {
    p.Point(cx - rx, cy);
    p.Point(cx + rx, cy);
    for (;;) {
      w.Step();
      if (w.W <= 0) break;
      if (w.changed) {
        p.Point(cx - w.W, cy + w.V);
        p.Point(cx + w.W, cy + w.V);
        p.Point(cx - w.W, cy - w.V);
        p.Point(cx + w.W, cy - w.V);
      }
    }
    p.Point(cx + w.W, cy - w.V);
    p.Point(cx - w.W, cy + w.V);
  }
}

int Magnitude(int v) { return v == INT32_MIN ? INT32_MAX : (v < 0 ? -v : v); }

uint8_t* AllocRowFlags(const MEMIMG* image) {
  const int rows = soft::SoftClipRegion(image).bottom;
  return static_cast<uint8_t*>(ZELVO_ALLOC_ZEROED(rows > 0 ? static_cast<size_t>(rows) : 1));
}

}  // namespace

void RasterCircle(MEMIMG* image, int cx, int cy, int r, uint32_t color, int fill) {
  const ShapeSetup s = PrepareShape(image, color);
  if (r < 0) return;
  uint8_t* flags = nullptr;
  if (fill) {
    flags = AllocRowFlags(image);
    if (!flags) return;
  }
  if (s.mode >= 0) {
    WithVariant(image->colorType, s.mode, [&]<PixelType Type, BlendMode Mode>() {
      const Painter<Type, Mode> p{s, image, flags};
      if (fill) DrawCircle<Type, Mode, true>(p, cx, cy, r);
      else DrawCircle<Type, Mode, false>(p, cx, cy, r);
    });
  }
  TrackedFree(flags);
}

void RasterOval(MEMIMG* image, int cx, int cy, int rx, int ry, uint32_t color, int fill) {
  rx = Magnitude(rx);
  ry = Magnitude(ry);
  if (rx == 0 || ry == 0) return;
  const ShapeSetup s = PrepareShape(image, color);
  uint8_t* flags = nullptr;
  if (fill) {
    flags = AllocRowFlags(image);
    if (!flags) return;
  }
  if (s.mode >= 0) {
    const bool tall = rx < ry;
    WithVariant(image->colorType, s.mode, [&]<PixelType Type, BlendMode Mode>() {
      const Painter<Type, Mode> p{s, image, flags};
      if (tall) {
        if (fill) DrawOval<Type, Mode, true, true>(p, cx, cy, rx, ry);
        else DrawOval<Type, Mode, true, false>(p, cx, cy, rx, ry);
      } else {
        if (fill) DrawOval<Type, Mode, false, true>(p, cx, cy, rx, ry);
        else DrawOval<Type, Mode, false, false>(p, cx, cy, rx, ry);
      }
    });
  }
  TrackedFree(flags);
}

int OvalVerticalExtent(int rx, int ry) {
  rx = Magnitude(rx);
  ry = Magnitude(ry);
  if (rx == 0 || ry == 0) return 0;
  int64_t extent = 0;
  auto run = [&](auto walk) {
    for (;;) {
      walk.Step();
      if (walk.W <= 0) break;
      if (walk.V > extent) extent = walk.V;
    }
    if (walk.V > extent) extent = walk.V;
  };
  if (rx < ry) run(OvalWalk<true, false>(rx, ry));
  else run(OvalWalk<false, false>(rx, ry));
  return static_cast<int>(extent > INT32_MAX ? INT32_MAX : extent);
}

namespace {

template <PixelType Type, BlendMode Mode>
void FillBox(MEMIMG* image, const ShapeSetup& s, const IntRect& r) {
  constexpr int kBytes = Type == PixelType::k8888 ? 4 : 2;
  const int w = r.right - r.left;
  // A row of the constant colour, handed over in chunks: copied in the none mode (whole words, two
  // 16-bit pixels per word), blended by the row forms otherwise.
  constexpr int kChunk = 1024;
  uint32_t source[kChunk];
  for (uint32_t& v : source) v = Type == PixelType::k8888 ? s.colour : (s.colour | s.colour << 16);
  for (int y = r.top; y < r.bottom; ++y) {
    uint8_t* d = image->pixels + static_cast<ptrdiff_t>(y) * image->pitch + static_cast<ptrdiff_t>(r.left) * kBytes;
    if constexpr (Mode == BlendMode::kNone) {
      for (int x = 0; x < w; x += kChunk) {
        const int n = w - x < kChunk ? w - x : kChunk;
        std::memcpy(d + x * kBytes, source, static_cast<size_t>(n) * kBytes);
      }
    } else if constexpr (Type == PixelType::k8888) {
      constexpr int kind = Mode == BlendMode::kAlpha ? soft::kRowLerp
                           : Mode == BlendMode::kAdd ? soft::kRowAdd
                           : Mode == BlendMode::kSubtract ? soft::kRowSub
                                                    : soft::kRowMultiply;
      for (int x = 0; x < w; x += kChunk) {
        const int n = w - x < kChunk ? w - x : kChunk;
        soft::BlendRow32(kind, d + x * 4, reinterpret_cast<const uint8_t*>(source), n, s.rows.param);
      }
    } else {
      constexpr int kind = Mode == BlendMode::kAlpha ? soft::kRow16SignedLerp
                           : Mode == BlendMode::kAdd ? soft::kRow16Add
                           : Mode == BlendMode::kSubtract ? soft::kRow16Sub
                                                    : soft::kRow16Multiply;
      for (int x = 0; x < w; x += kChunk) {
        const int n = w - x < kChunk ? w - x : kChunk;
        soft::BlendRow16(kind, d + x * 2, reinterpret_cast<const uint8_t*>(source), n, s.rows.param);
      }
    }
  }
}

}  // namespace

void FillMemImgRectBlend(MEMIMG* image, const IntRect* rect, uint32_t color) {
  if (image->paletteFlag || image->alphaFlag) return;
  IntRect r;
  if (rect) {
    r.left = rect->left < rect->right ? rect->left : rect->right;
    r.right = rect->left < rect->right ? rect->right : rect->left;
    r.top = rect->top < rect->bottom ? rect->top : rect->bottom;
    r.bottom = rect->top < rect->bottom ? rect->bottom : rect->top;
  } else {
    r = {0, 0, image->width, image->height};
  }
  const IntRect region = soft::SoftClipRegion(image);
  ClipSoftRect(&r, &region);
  if (r.right - r.left <= 0 || r.bottom - r.top <= 0) return;
  const ShapeSetup s = PrepareShape(image, color);
  if (s.mode < 0) return;
  WithVariant(image->colorType, s.mode, [&]<PixelType Type, BlendMode Mode>() { FillBox<Type, Mode>(image, s, r); });
}

void FillMemImgBox(MEMIMG* image, int x1, int y1, int x2, int y2, uint32_t color) {
  const IntRect r{x1, y1, x2, y2};
  FillMemImgRectBlend(image, &r, color);
}

namespace {

template <PixelType Type, BlendMode Mode, bool XMajor>
void WalkLine(const Painter<Type, Mode>& p, int x, int y, int sx, int sy, int adx, int ady) {
  constexpr int kBytes = Type == PixelType::k8888 ? 4 : 2;
  uint8_t* d = p.At(x, y);
  const ptrdiff_t stepX = sx * kBytes, stepY = static_cast<ptrdiff_t>(sy) * p.image->pitch;
  const int major = XMajor ? adx : ady, minor = XMajor ? ady : adx;
  int e = 0;
  for (int i = 0; i < major; ++i) {
    p.Pixel(d);
    d += XMajor ? stepX : stepY;
    e += minor;
    if (e >= major) {
      d += XMajor ? stepY : stepX;
      e -= major;
    }
  }
}

int Trunc(double v) { return DoubleToInt(v); }

}  // namespace

void DrawMemImgLine(MEMIMG* image, int x1, int y1, int x2, int y2, uint32_t color) {
  const IntRect region = soft::SoftClipRegion(image);
  const int L = region.left, T = region.top, R = region.right, B = region.bottom;
  if ((x1 > x2 ? x1 : x2) < L || (y1 > y2 ? y1 : y2) < T || (x1 < x2 ? x1 : x2) >= R || (y1 < y2 ? y1 : y2) >= B) return;
  const double dxTotal = static_cast<double>(x2) - x1, dyTotal = static_cast<double>(y2) - y1;
  const double a = y1 == y2 ? 0.0 : dxTotal / dyTotal;
  const double b = x1 == x2 ? 0.0 : dyTotal / dxTotal;
  const double x0 = x1 - y1 * a, y0 = y1 - x1 * b;
  if (x1 < L) {
    x1 = L;
    y1 = Trunc(y0 + L * b);
  } else if (x1 >= R) {
    x1 = R - 1;
    y1 = Trunc(y0 + (R - 1) * b);
  }
  if (x2 < L) {
    x2 = L - 1;
    y2 = Trunc(y0 + (L - 1) * b);
  } else if (x2 >= R) {
    x2 = R;
    y2 = Trunc(y0 + R * b);
  }
  if (y1 < T) {
    y1 = T;
    x1 = Trunc(x0 + T * a);
  } else if (y1 >= B) {
    y1 = B - 1;
    x1 = Trunc(x0 + (B - 1) * a);
  }
  if (y2 < T) {
    y2 = T - 1;
    x2 = Trunc(x0 + (T - 1) * a);
  } else if (y2 >= B) {
    y2 = B;
    x2 = Trunc(x0 + B * a);
  }
  x1 = x1 < L ? L : (x1 > R - 1 ? R - 1 : x1);
  x2 = x2 < L ? L - 1 : (x2 >= R ? R : x2);
  y1 = y1 < T ? T : (y1 > B - 1 ? B - 1 : y1);
  y2 = y2 < T ? T - 1 : (y2 >= B ? B : y2);
  const int dx = x2 - x1, dy = y2 - y1;
  if (dx == 0 && dy == 0) return;
  const int sx = dx < 0 ? -1 : 1, sy = dy < 0 ? -1 : 1;
  const int adx = std::abs(dx), ady = std::abs(dy);
  const ShapeSetup s = PrepareShape(image, color);
  if (s.mode < 0) return;
  WithVariant(image->colorType, s.mode, [&]<PixelType Type, BlendMode Mode>() {
    const Painter<Type, Mode> p{s, image, nullptr};
    if (adx >= ady) WalkLine<Type, Mode, true>(p, x1, y1, sx, sy, adx, ady);
    else WalkLine<Type, Mode, false>(p, x1, y1, sx, sy, adx, ady);
  });
}

void DrawMemImgLineList(MEMIMG* image, const LineRecord* lines, int count) {
  for (int i = 0; i < count; ++i) {
    DrawMemImgLine(image, lines[i].x1, lines[i].y1, lines[i].x2, lines[i].y2, static_cast<uint32_t>(lines[i].color));
  }
}

}  // namespace zelvo
