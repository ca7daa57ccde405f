// The plain model of the mapped draws (see triangle_map_model.h).
#include "tests/software/triangle_map_model.h"

#include <climits>
#include <cmath>
#include <cstring>

#include "media/software/blend_state.h"
#include "tests/software/channel_rules.h"

namespace zelvo::testing {

namespace {

uint32_t P(uint32_t i, uint32_t j) { return i * j / 255; }

int32_t Trunc(double v) {
  if (!(v > -2147483649.0 && v < 2147483648.0)) return INT_MIN;
  return static_cast<int32_t>(v);
}

struct Rect {
  int64_t left, top, right, bottom;
};

Rect Region(const MEMIMG* d) {
  const IntRect& r = g_softBlend.drawRegion;
  auto clamp = [](int64_t v, int64_t lo, int64_t hi) { return v < lo ? lo : (v > hi ? hi : v); };
  Rect out{r.left, r.top, r.right, r.bottom};
  if (out.right < out.left) out.right = out.left;
  if (out.bottom < out.top) out.bottom = out.top;
  out.left = clamp(out.left, 0, d->width);
  out.right = clamp(out.right, 0, d->width);
  out.top = clamp(out.top, 0, d->height);
  out.bottom = clamp(out.bottom, 0, d->height);
  return out;
}

uint32_t Load(const uint8_t* p, int bytes) {
  uint32_t v = 0;
  std::memcpy(&v, p, bytes);
  return v;
}
void Store(uint8_t* p, uint32_t v, int bytes) { std::memcpy(p, &v, bytes); }

// Everything a model draw fixes at its start.
struct Draw {
  MEMIMG* dst;
  const MEMIMG* src;   // null: flat
  const MEMIMG* graph;
  bool trans;
  int mode;            // after the parameter rules
  uint32_t flat;       // tinted flat colour
};

bool Is32(const MEMIMG* m) { return m->colorType == kMemImg8888; }

// Textured pixel rule for the source pixel at (column, row).
void TexturedPixel(const Draw& w, uint8_t* dp, uint32_t column, uint32_t row) {
  const MEMIMG* s = w.src;
  const bool is32 = Is32(s), pal = s->paletteFlag == 1, alphaSrc = !pal && s->alphaFlag == 1;
  const int srcBytes = pal ? 1 : (is32 ? 4 : (alphaSrc ? 4 : 2));
  const uint8_t* sp = s->pixels + static_cast<int64_t>(row) * s->pitch + column * srcBytes;
  uint32_t raw, colour, a = 0;
  if (pal) {
    raw = *sp;
    colour = Load(static_cast<const uint8_t*>(s->palette) + raw * (is32 ? 4 : 2), is32 ? 4 : 2);
  } else if (is32) {
    raw = colour = Load(sp, 4);
    a = raw >> 24;
  } else {
    raw = colour = Load(sp, 2);
    a = sp[2];
  }
  bool useA = alphaSrc;
  if (alphaSrc && w.trans) {
    if (a == 0) return;
    if (a == 255) useA = false;
  }
  if (!alphaSrc && w.trans && raw == s->transparentColor) return;

  const int dBytes = is32 ? 4 : 2;
  const uint32_t d = Load(dp, dBytes);
  const int shift[3] = {0, is32 ? 8 : 5, is32 ? 16 : 11};
  const int width[3] = {is32 ? 8 : 5, is32 ? 8 : 6, is32 ? 8 : 5};
  const uint32_t tint = g_softBlend.drawTint;
  const bool tintOn = (tint & 0xFFFFFF) != 0xFFFFFF;
  const uint32_t p = static_cast<uint32_t>(g_softBlend.blendParam);
  uint64_t F = 1;
  int k = 0;
  if (w.graph) {
    F *= g_softBlend.blendGraphTable[w.graph->pixels[static_cast<int64_t>(row) * w.graph->pitch + column]];
    ++k;
  }
  if (useA) {
    F *= a;
    ++k;
  }
  uint32_t c[3], t[3], dc[3], out[3];
  for (int i = 0; i < 3; ++i) {
    const uint32_t mask = (1u << width[i]) - 1;
    c[i] = (colour >> shift[i]) & mask;
    t[i] = tintOn ? P((tint >> (8 * i)) & 0xFF, c[i]) : c[i];
    dc[i] = (d >> shift[i]) & mask;
  }
  switch (w.mode) {
    case kBlendNone:
      if (k == 0 && !tintOn) {
        Store(dp, is32 ? colour : (colour & 0xFFFF), dBytes);
        return;
      }
      for (int i = 0; i < 3; ++i) {
        out[i] = k == 0 ? t[i]
                        : static_cast<uint32_t>(((static_cast<int64_t>(t[i]) - dc[i]) * static_cast<int64_t>(F) +
                                                 (static_cast<int64_t>(dc[i]) << (8 * k))) >> (8 * k));
      }
      break;
    case kBlendAlpha:
      for (int i = 0; i < 3; ++i) {
        if (!is32 && k == 0) {
          out[i] = static_cast<uint32_t>(static_cast<int32_t>(dc[i]) +
                                         static_cast<int32_t>(p) * (static_cast<int32_t>(t[i]) - static_cast<int32_t>(dc[i])) / 255);
        } else {
          out[i] = static_cast<uint32_t>(((static_cast<int64_t>(t[i]) - dc[i]) * static_cast<int64_t>(F) * p +
                                          (static_cast<int64_t>(dc[i]) << (8 * (k + 1)))) >> (8 * (k + 1)));
        }
      }
      break;
    case kBlendAdd:
    case kBlendSubtract: {
      uint32_t sp2 = 0;
      for (int i = 0; i < 3; ++i) {
        uint32_t x;
        if (is32) {
          x = k == 0 ? P(p, t[i]) : static_cast<uint32_t>((t[i] * F * p) >> (8 * (k + 1)));
        } else if (!w.graph) {
          x = useA ? (c[i] * a) >> 8 : c[i];
          if (tintOn) x = P((tint >> (8 * i)) & 0xFF, x);
          x = P(p, x);
        } else {
          x = P(p, static_cast<uint32_t>((t[i] * F) >> (8 * k)));
        }
        sp2 |= x << shift[i];
      }
      uint32_t r;
      r = w.mode == kBlendAdd ? testing_soft::DocumentedAdd(sp2, d, is32, true)
                              : testing_soft::DocumentedSubtract(sp2, d, is32);
      Store(dp, r, dBytes);
      return;
    }
    default:
      for (int i = 0; i < 3; ++i) out[i] = static_cast<uint32_t>((t[i] * F * dc[i]) >> (width[i] + 8 * k));
      break;
  }
  const uint32_t packed = out[0] << shift[0] | out[1] << shift[1] | out[2] << shift[2];
  Store(dp, is32 ? ((d & 0xFF000000u) | packed) : packed, dBytes);
}

void FlatPixel(const Draw& w, uint8_t* dp) {
  const bool is32 = Is32(w.dst);
  const int dBytes = is32 ? 4 : 2;
  const uint32_t d = Load(dp, dBytes), c = w.flat, p = static_cast<uint32_t>(g_softBlend.blendParam);
  const int shift[3] = {0, is32 ? 8 : 5, is32 ? 16 : 11};
  const int width[3] = {is32 ? 8 : 5, is32 ? 8 : 6, is32 ? 8 : 5};
  uint32_t cc[3], dc[3], s = 0;
  for (int i = 0; i < 3; ++i) {
    cc[i] = (c >> shift[i]) & ((1u << width[i]) - 1);
    dc[i] = (d >> shift[i]) & ((1u << width[i]) - 1);
    s |= P(p, cc[i]) << shift[i];
  }
  uint32_t r = 0;
  switch (w.mode) {
    case kBlendNone: r = is32 ? c : (c & 0xFFFF); break;
    case kBlendAlpha:
      for (int i = 0; i < 3; ++i) {
        const int32_t diff = static_cast<int32_t>(cc[i]) - static_cast<int32_t>(dc[i]);
        const int32_t v = is32 ? (diff * static_cast<int32_t>(p) + static_cast<int32_t>(dc[i]) * 256) >> 8
                               : static_cast<int32_t>(dc[i]) + diff * static_cast<int32_t>(p) / 255;
        r |= static_cast<uint32_t>(v) << shift[i];
      }
      if (is32) r |= d & 0xFF000000u;
      break;
    case kBlendAdd:
      r = testing_soft::DocumentedAdd(s, d, is32, true);
      break;
    case kBlendSubtract:
      r = testing_soft::DocumentedSubtract(s, d, is32);
      break;
    default:
      for (int i = 0; i < 3; ++i) r |= ((cc[i] * dc[i]) >> width[i]) << shift[i];
      if (is32) r |= d & 0xFF000000u;
      break;
  }
  Store(dp, r, dBytes);
}

bool PrepareDraw(Draw& w, MEMIMG* dst, const MEMIMG* src, int trans, const MEMIMG* graph, uint32_t flat) {
  if (dst->paletteFlag || dst->alphaFlag) return false;
  const int mode = g_softBlend.blendMode, p = g_softBlend.blendParam;
  w = Draw{dst, src, src ? graph : nullptr, trans != 0, mode, 0};
  if (mode < 0 || mode > 4) return false;
  if (mode == kBlendAlpha && p == 255) w.mode = kBlendNone;
  if (src) {
    if (src->colorType != dst->colorType || (src->colorType != kMemImg565 && src->colorType != kMemImg8888)) return false;
    if (src->width > 8192 || src->height > 8192) return false;
    if (graph && (graph->colorType != kMemImgSingle8 || graph->width < src->width || graph->height < src->height)) return false;
    const bool pal = src->paletteFlag == 1;
    if ((mode == kBlendAlpha || mode == kBlendAdd || (mode == kBlendSubtract && !pal)) && p == 0) return false;
  } else {
    if (dst->colorType != kMemImg565 && dst->colorType != kMemImg8888) return false;
    if ((mode == kBlendAlpha || mode == kBlendAdd || mode == kBlendSubtract) && p == 0) return false;
    const uint32_t tint = g_softBlend.drawTint;
    const uint32_t tb = tint & 0xFF, tg = (tint >> 8) & 0xFF, tr = (tint >> 16) & 0xFF;
    if (Is32(dst)) {
      w.flat = (flat & 0xFF000000u) | P(tr, (flat >> 16) & 0xFF) << 16 | P(tg, (flat >> 8) & 0xFF) << 8 | P(tb, flat & 0xFF);
    } else {
      flat &= 0xFFFF;
      w.flat = P(tr, flat >> 11) << 11 | P(tg, (flat >> 5) & 63) << 5 | P(tb, flat & 31);
    }
  }
  return true;
}

int64_t Floor18(int64_t v) { return v >= 0 ? v / 262144 : -((-v + 262143) / 262144); }

struct Seg {
  int64_t x, startRow, rows, step;
};

}  // namespace

void ModelTriangleMap(MEMIMG* destination, const MEMIMG* source, const TriangleMapVertex* vertices,
                      int transparentFlag, const MEMIMG* blendGraph, uint32_t flatColour) {
  Draw w;
  if (!PrepareDraw(w, destination, source, transparentFlag, blendGraph, flatColour)) return;
  for (int i = 0; i < 3; ++i) {
    if (vertices[i].x < -8192 || vertices[i].x > 8191 || vertices[i].y < -8192 || vertices[i].y > 8191) return;
    for (int j = 0; j < 3; ++j) {
      if (std::abs(int64_t{vertices[i].x} - vertices[j].x) > 8191 || std::abs(int64_t{vertices[i].y} - vertices[j].y) > 8191) {
        return;
      }
    }
  }
  int64_t X[3], Y[3];
  for (int i = 0; i < 3; ++i) {
    X[i] = int64_t{vertices[i].x} * 262144 + 131072;
    Y[i] = int64_t{vertices[i].y} * 262144 + 131072;
  }
  auto sort = [](int o[3], const int64_t* key) {
    o[0] = 0, o[1] = 1, o[2] = 2;
    for (int i = 0; i < 2; ++i) {
      for (int j = i + 1; j < 3; ++j) {
        if (key[o[i]] > key[o[j]]) std::swap(o[i], o[j]);
      }
    }
  };
  int oy[3], ox[3];
  sort(oy, Y);
  sort(ox, X);
  const int T = oy[0], M = oy[1], B = oy[2], a = ox[0], b = ox[1], c = ox[2];
  const TriangleMapVertex* v = vertices;
  const int32_t dxb = v[b].x - v[a].x, dyb = v[b].y - v[a].y, dub = v[b].u - v[a].u, dvb = v[b].v - v[a].v;
  const int32_t dxc = v[c].x - v[a].x, dyc = v[c].y - v[a].y, duc = v[c].u - v[a].u, dvc = v[c].v - v[a].v;
  const int32_t det = dxc * dyb - dxb * dyc;
  if (det == 0) return;
  const uint32_t dUdx = static_cast<uint32_t>(Trunc((duc * dyb - dub * dyc) * 262144.0 / det));
  const uint32_t dUdy = static_cast<uint32_t>(Trunc((dub * dxc - duc * dxb) * 262144.0 / det));
  const uint32_t dVdx = static_cast<uint32_t>(Trunc((dvc * dyb - dvb * dyc) * 262144.0 / det));
  const uint32_t dVdy = static_cast<uint32_t>(Trunc((dvb * dxc - dvc * dxb) * 262144.0 / det));
  const uint32_t U0 = static_cast<uint32_t>(v[a].u) << 18, V0 = static_cast<uint32_t>(v[a].v) << 18;

  auto seg = [&](int64_t x0, int64_t y0, int64_t x1, int64_t y1) {
    const int64_t rows = (y1 - y0) / 262144;
    return Seg{x0, Floor18(y0), rows, (x1 - x0) / rows};
  };
  Seg left[2], right[2];
  int nl = 1, nr = 1;
  if (Y[T] == Y[M]) {
    const int lt = X[T] > X[M] ? M : T, rt = lt == M ? T : M;
    left[0] = seg(X[lt], Y[lt], X[B], Y[B]);
    right[0] = seg(X[rt], Y[rt], X[B], Y[B]);
  } else if (Y[M] == Y[B]) {
    const int lb = X[M] > X[B] ? B : M, rb = lb == B ? M : B;
    left[0] = seg(X[T], Y[T], X[lb], Y[lb]);
    right[0] = seg(X[T], Y[T], X[rb], Y[rb]);
  } else if (static_cast<double>(X[M] - X[T]) / ((Y[M] - Y[T]) / 262144) >=
             static_cast<double>(X[B] - X[T]) / ((Y[B] - Y[T]) / 262144)) {
    left[0] = seg(X[T], Y[T], X[B], Y[B]);
    right[0] = seg(X[T], Y[T], X[M], Y[M]);
    right[1] = seg(X[M] + 1, Y[M], X[B], Y[B]);
    nr = 2;
  } else {
    left[0] = seg(X[T], Y[T], X[M], Y[M]);
    left[1] = seg(X[M], Y[M], X[B], Y[B]);
    nl = 2;
    right[0] = seg(X[T], Y[T], X[B], Y[B]);
  }
  auto edgeAt = [](const Seg* s, int n, int64_t row) {
    const Seg& g = (n == 2 && row >= s[1].startRow) ? s[1] : s[0];
    return Floor18(g.x + (row - g.startRow) * g.step);
  };
  const Rect r = Region(destination);
  const int bytes = Is32(destination) ? 4 : 2;
  const int64_t x0 = vertices[a].x, y0 = vertices[a].y;
  for (int64_t row = Floor18(Y[T]); row < Floor18(Y[B]); ++row) {
    int64_t xl = edgeAt(left, nl, row);
    const int64_t xr = edgeAt(right, nr, row);
    if (xl < r.left) xl = r.left;
    if (row < r.top || row >= r.bottom || xl >= r.right || xl > xr) continue;
    for (int64_t x = xl; x <= xr && x < r.right; ++x) {
      uint8_t* dp = destination->pixels + row * destination->pitch + x * bytes;
      if (!source) {
        FlatPixel(w, dp);
        continue;
      }
      const uint32_t u = static_cast<uint32_t>(x - x0) * dUdx + static_cast<uint32_t>(row - y0) * dUdy + U0;
      const uint32_t vv = static_cast<uint32_t>(x - x0) * dVdx + static_cast<uint32_t>(row - y0) * dVdy + V0;
      if (u < static_cast<uint32_t>(source->width) << 18 && vv < static_cast<uint32_t>(source->height) << 18) {
        TexturedPixel(w, dp, u >> 18, vv >> 18);
      }
    }
  }
}

void ModelRotateBlit(MEMIMG* destination, const MEMIMG* source, int centreX, int centreY, float angle, float scale,
                     int transparentFlag, int mirrorFlag, const MEMIMG* blendGraph) {
  if (source->colorType != destination->colorType || destination->paletteFlag || destination->alphaFlag) return;
  auto factor = [](long double x) { return Trunc(static_cast<float>(x) * 262144.0f); };
  const long double an = -static_cast<long double>(angle), ap = angle;
  const int32_t Sn = factor(std::sin(an)), Cn = factor(std::cos(an)), Sp = factor(std::sin(ap)), Cp = factor(std::cos(ap));
  const uint32_t w = static_cast<uint32_t>(source->width), h = static_cast<uint32_t>(source->height);
  const float hw = static_cast<float>(w) * scale * 0.5f, hh = static_cast<float>(h) * scale * 0.5f;
  const float cw = static_cast<float>(Cp) * hw, sw = static_cast<float>(Sp) * hw;
  const float ch = static_cast<float>(Cp) * hh, sh = static_cast<float>(Sp) * hh;
  // top-left, bottom-left, bottom-right, top-right
  const float ox[4] = {-cw, -cw, cw, cw}, oyS[4] = {-sh, sh, sh, -sh};
  const float oxS[4] = {-sw, -sw, sw, sw}, oyC[4] = {-ch, ch, ch, -ch};
  int32_t cx[4], cy[4];
  for (int i = 0; i < 4; ++i) {
    cx[i] = static_cast<int32_t>(static_cast<uint32_t>(Trunc(ox[i] - oyS[i])) + (static_cast<uint32_t>(centreX) << 18));
    cy[i] = static_cast<int32_t>(static_cast<uint32_t>(Trunc(oxS[i] + oyC[i])) + (static_cast<uint32_t>(centreY) << 18));
  }
  if (mirrorFlag) {
    const int order[4] = {3, 0, 2, 1};
    int32_t pt[8];
    for (int k = 0; k < 4; ++k) {
      pt[2 * k] = cx[order[k]] / 262144;
      pt[2 * k + 1] = cy[order[k]] / 262144;
    }
    int64_t minX = pt[0], maxX = pt[0], minY = pt[1], maxY = pt[1];
    for (int k = 1; k < 4; ++k) {
      minX = std::min<int64_t>(minX, pt[2 * k]), maxX = std::max<int64_t>(maxX, pt[2 * k]);
      minY = std::min<int64_t>(minY, pt[2 * k + 1]), maxY = std::max<int64_t>(maxY, pt[2 * k + 1]);
    }
    const Rect r = Region(destination);
    if (std::max(minX - 2, r.left) >= std::min(maxX + 4, r.right) || std::max(minY - 2, r.top) >= std::min(maxY + 4, r.bottom)) {
      return;
    }
    const int32_t sw2 = source->width, sh2 = source->height;
    const TriangleMapVertex q[4] = {{pt[0], pt[1], 0, 0}, {pt[2], pt[3], sw2, 0}, {pt[4], pt[5], 0, sh2}, {pt[6], pt[7], sw2, sh2}};
    ModelTriangleMap(destination, source, &q[0], transparentFlag, blendGraph, 0);
    ModelTriangleMap(destination, source, &q[1], transparentFlag, blendGraph, 0);
    return;
  }
  Draw d;
  if (!PrepareDraw(d, destination, source, transparentFlag, blendGraph, 0)) return;
  int32_t minX = cx[0], maxX = cx[0], minY = cy[0], maxY = cy[0];
  for (int i = 1; i < 4; ++i) {
    minX = std::min(minX, cx[i]), maxX = std::max(maxX, cx[i]);
    minY = std::min(minY, cy[i]), maxY = std::max(maxY, cy[i]);
  }
  const Rect r = Region(destination);
  auto clamp = [](int64_t v, int64_t lo, int64_t hi) { return v < lo ? lo : (v > hi ? hi : v); };
  const int64_t left = clamp(minX / 262144 - 2, r.left, r.right), right = clamp(maxX / 262144 + 4, r.left, r.right);
  const int64_t top = clamp(minY / 262144 - 2, r.top, r.bottom), bottom = clamp(maxY / 262144 + 4, r.top, r.bottom);
  if (left == right || top == bottom || minY == maxY) return;
  const int64_t W = right - left, H = bottom - top;
  const uint32_t du = static_cast<uint32_t>(Trunc(static_cast<float>(Cp) / scale));
  const uint32_t dv = static_cast<uint32_t>(Trunc(static_cast<float>(Sn) / scale));
  auto pos = [&](int64_t x, int64_t y, bool isV) {
    const uint32_t dx = static_cast<uint32_t>(x - centreX), dy = static_cast<uint32_t>(y - centreY);
    const uint32_t n = isV ? static_cast<uint32_t>(Sn) * dx + static_cast<uint32_t>(Cn) * dy
                           : static_cast<uint32_t>(Cn) * dx - static_cast<uint32_t>(Sn) * dy;
    const float q = static_cast<float>(static_cast<int32_t>(n) / static_cast<double>(scale));
    return static_cast<uint32_t>(Trunc(q)) + (((isV ? h : w) >> 1) << 18);
  };
  const uint32_t ut = pos(left, top, false), vt = pos(left, top, true);
  const uint32_t ru = static_cast<uint32_t>(static_cast<int32_t>(pos(left, bottom, false) - ut) / static_cast<int32_t>(H));
  const uint32_t rv = static_cast<uint32_t>(static_cast<int32_t>(pos(left, bottom, true) - vt) / static_cast<int32_t>(H));
  const int bytes = Is32(destination) ? 4 : 2;
  for (int64_t k = 0; k < H; ++k) {
    for (int64_t j = 0; j < W; ++j) {
      const uint32_t u = ut + static_cast<uint32_t>(k) * ru + static_cast<uint32_t>(j) * du;
      const uint32_t vv = vt + static_cast<uint32_t>(k) * rv + static_cast<uint32_t>(j) * dv;
      if (u < w << 18 && vv < h << 18) {
        TexturedPixel(d, destination->pixels + (top + k) * destination->pitch + (left + j) * bytes, u >> 18, vv >> 18);
      }
    }
  }
}

}  // namespace zelvo::testing
