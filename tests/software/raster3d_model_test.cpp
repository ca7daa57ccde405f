// Every cell of the triangle rasterizer's grid against a separate model of its pixel formulas,
// written from the formulas as stated (plain run-time tests, 64-bit arithmetic): random texels,
// destinations, blend-picture weights, parameters, tints, keys and vertex colours over one pixel.
#include <gtest/gtest.h>

#include <cstdint>
#include <random>

#include "channel_rules.h"
#include "raster3d_fixture.h"

namespace zelvo {
namespace {

using testing_soft::DrawCover;
using testing_soft::DrawOptions;
using testing_soft::ResetSoft;
using testing_soft::SetBlend;
using testing_soft::TestImage;

struct ModelInput {
  int type, pal, mode, param, bg, alpha, trans, modulate;
  uint32_t tint, texel, entry, key, dst, diffuse;
  int G;
};

int64_t P(int64_t i, int64_t j) { return i * j / 255; }

uint32_t AddWord32(uint32_t s, uint32_t d) { return testing_soft::DocumentedAdd(s, d, true, true); }
uint32_t SubWord32(uint32_t s, uint32_t d) { return testing_soft::DocumentedSubtract(s, d, true); }
uint32_t AddWord16(uint32_t s, uint32_t d) { return testing_soft::DocumentedAdd(s, d, false, true); }
uint32_t SubWord16(uint32_t s, uint32_t d) { return testing_soft::DocumentedSubtract(s, d, false); }

// The destination pixel after the draw.
uint32_t Model(const ModelInput& in) {
  const bool wide = in.type == kMemImg8888;
  const int shift[3] = {0, wide ? 8 : 5, wide ? 16 : 11};
  const int width[3] = {wide ? 8 : 5, wide ? 8 : 6, wide ? 8 : 5};
  int mode = in.mode;
  if (mode < 0 || mode > 4) return in.dst;
  if (!in.modulate) {
    if (mode == 1 && in.param == 255) mode = 0;
    if ((mode == 1 || mode == 2) && in.param == 0) return in.dst;
    if (mode == 3 && in.param == 0 && !in.pal) return in.dst;
  }
  const bool alpha = in.alpha && !in.pal;
  const uint32_t raw = in.pal ? (in.texel & 0xFF) : (wide ? in.texel : (in.texel & 0xFFFF));
  const uint32_t colour = in.pal ? in.entry : raw;
  const int64_t a = alpha ? (wide ? in.texel >> 24 : (in.texel >> 16) & 0xFF) : 0;
  bool useA = false;
  if (alpha && in.trans) {
    if (mode != 4 && a == 0) return in.dst;
    useA = a != 255;
  } else if (alpha) {
    useA = true;
  } else if (in.trans && raw == in.key) {
    return in.dst;
  }
  const bool tint = !in.modulate && (in.tint & 0xFFFFFF) != 0xFFFFFF;
  int64_t F = 1;
  int k = 0;
  if (in.bg) F *= in.G, ++k;
  if (useA) F *= a, ++k;
  int64_t s[3], t[3], d[3], out[3];
  const int64_t vertex[3] = {in.diffuse & 0xFF, (in.diffuse >> 8) & 0xFF, (in.diffuse >> 16) & 0xFF};
  const int64_t A = in.diffuse >> 24;
  for (int i = 0; i < 3; ++i) {
    const int64_t mask = (1 << width[i]) - 1;
    s[i] = (colour >> shift[i]) & mask;
    d[i] = (in.dst >> shift[i]) & mask;
    t[i] = tint ? P((in.tint >> (8 * i)) & 0xFF, s[i]) : s[i];
  }
  auto weighted = [](int64_t x, int64_t dc, int64_t f, int n) { return (x * f + dc * ((int64_t{1} << n) - f)) >> n; };
  auto pack = [&](const int64_t* c) {
    return static_cast<uint32_t>(c[0] | c[1] << shift[1] | c[2] << shift[2]);
  };
  const uint32_t keep3 = wide ? (in.dst & 0xFF000000u) : 0;
  if (in.modulate) {
    int64_t q[3];
    for (int i = 0; i < 3; ++i) q[i] = (s[i] * vertex[i]) >> 8;
    if (mode == 0 || mode == 1) {
      const int64_t f = F * (mode == 1 ? A : 1);
      const int n = 8 * (k + (mode == 1 ? 1 : 0));
      for (int i = 0; i < 3; ++i) out[i] = n == 0 ? q[i] : weighted(q[i], d[i], f, n);
      return keep3 | pack(out);
    }
    for (int i = 0; i < 3; ++i) {
      const int64_t last = mode == 4 ? d[i] : A;
      const int tail = mode == 4 ? width[i] : 8;
      out[i] = k == 2 ? (q[i] * F * last) >> (16 + tail) : (s[i] * vertex[i] * F * last) >> (8 * (k + 1) + tail);
    }
    if (mode == 4) return keep3 | pack(out);
    const uint32_t sp = pack(out);
    if (wide) return mode == 2 ? AddWord32(sp, in.dst) : SubWord32(sp, in.dst);
    return mode == 2 ? AddWord16(sp, in.dst) : SubWord16(sp, in.dst);
  }
  const int64_t p = in.param;
  switch (mode) {
    case 0:
      if (k == 0 && !tint) return wide ? colour : (colour & 0xFFFF);
      for (int i = 0; i < 3; ++i) out[i] = k == 0 ? t[i] : weighted(t[i], d[i], F, 8 * k);
      return keep3 | pack(out);
    case 1:
      for (int i = 0; i < 3; ++i) {
        if (!wide && k == 0) {
          const int64_t diff = t[i] - d[i];
          out[i] = d[i] + (p * diff < 0 ? -((-p * diff) / 255) : (p * diff) / 255);
        } else {
          out[i] = weighted(t[i], d[i], F * p, 8 * (k + 1));
        }
      }
      return keep3 | pack(out);
    case 2:
    case 3: {
      for (int i = 0; i < 3; ++i) {
        if (wide) {
          out[i] = k == 0 ? P(p, t[i]) : (t[i] * F * p) >> (8 * (k + 1));
        } else if (in.bg) {
          out[i] = P(p, (t[i] * F) >> (8 * k));
        } else {
          int64_t x = useA ? (s[i] * a) >> 8 : s[i];
          if (tint) x = P((in.tint >> (8 * i)) & 0xFF, x);
          out[i] = P(p, x);
        }
      }
      const uint32_t sp = pack(out);
      if (wide) return mode == 2 ? AddWord32(sp, in.dst) : SubWord32(sp, in.dst);
      return mode == 2 ? AddWord16(sp, in.dst) : SubWord16(sp, in.dst);
    }
    default:
      for (int i = 0; i < 3; ++i) out[i] = (t[i] * F * d[i]) >> (width[i] + 8 * k);
      return keep3 | pack(out);
  }
}

uint32_t Drawn(const ModelInput& in) {
  ResetSoft();
  SetBlend(in.mode, in.param);
  g_softBlend.drawTint = in.tint;
  TestImage tex(1, 1, in.type, in.pal, in.alpha, in.key), dst(1, 1, in.type), graph(1, 1, kMemImgSingle8);
  tex.set(0, 0, in.pal ? (in.texel & 0xFF) : in.texel);
  if (in.pal) tex.setPalette(static_cast<int>(in.texel & 0xFF), in.entry);
  dst.set(0, 0, in.dst);
  graph.set(0, 0, 3);
  g_softBlend.blendGraphTable[3] = static_cast<uint8_t>(in.G);
  DrawOptions o;
  o.tex = tex.get();
  o.trans = in.trans;
  o.graph = in.bg ? graph.get() : nullptr;
  o.modulate = in.modulate;
  DrawCover(dst.get(), o, in.diffuse);
  return dst.px(0, 0);
}

TEST(Raster3DModel, EveryCellFollowsTheFormulas) {
  std::mt19937 rng(2024);
  auto byteish = [&rng]() -> uint32_t {
    switch (rng() % 4) {
      case 0: return 0;
      case 1: return 255;
      default: return rng() & 0xFF;
    }
  };
  for (int i = 0; i < 20000; ++i) {
    ModelInput in{};
    in.type = rng() % 2 ? kMemImg8888 : kMemImg565;
    in.pal = static_cast<int>(rng() % 3 == 0);
    in.mode = static_cast<int>(rng() % 7) - 1;
    in.param = static_cast<int>(byteish());
    in.bg = static_cast<int>(rng() % 2);
    in.alpha = static_cast<int>(rng() % 2);
    in.trans = static_cast<int>(rng() % 2);
    in.modulate = static_cast<int>(rng() % 2);
    in.tint = rng() % 3 == 0 ? kTintOff : (byteish() | byteish() << 8 | byteish() << 16);
    const uint32_t colour = in.type == kMemImg8888 ? rng() : (rng() & 0xFFFF);
    const uint32_t alphaByte = byteish();
    in.texel = in.type == kMemImg8888 ? ((colour & 0xFFFFFF) | alphaByte << 24)
                                      : (in.alpha ? (colour | alphaByte << 16 | (rng() & 0xFF000000u)) : colour);
    in.entry = in.type == kMemImg8888 ? rng() : (rng() & 0xFFFF);
    in.key = rng() % 2 ? (in.pal ? (in.texel & 0xFF) : (in.type == kMemImg8888 || in.alpha ? in.texel : colour)) : rng();
    in.dst = in.type == kMemImg8888 ? rng() : (rng() & 0xFFFF);
    in.diffuse = byteish() | byteish() << 8 | byteish() << 16 | byteish() << 24;
    in.G = static_cast<int>(byteish());
    const uint32_t expected = Model(in), drawn = Drawn(in);
    ASSERT_EQ(expected, drawn) << "type " << in.type << " pal " << in.pal << " mode " << in.mode << " param "
                               << in.param << " bg " << in.bg << " alpha " << in.alpha << " trans " << in.trans
                               << " modulate " << in.modulate << std::hex << " tint " << in.tint << " texel "
                               << in.texel << " entry " << in.entry << " key " << in.key << " dst " << in.dst
                               << " diffuse " << in.diffuse << std::dec << " G " << in.G;
  }
}

}  // namespace
}  // namespace zelvo
