// The blitters against a plain model of the per-pixel rules, written separately from the library's
// pixel code: random one-pixel draws over the whole grid (colour type, palette, mode, parameter,
// blend graph, tint, source alpha, transparent flag) through the plain blitter's per-pixel path, its
// run path and the stretched walk.
#include <gtest/gtest.h>

#include <random>

#include "media/software/blit.h"
#include "channel_rules.h"
#include "soft_image.h"

namespace zelvo {
namespace {

using testing_soft::ResetSoft;
using testing_soft::TestImage;

enum Route { kPerPixel, kRuns, kStretched };

struct Draw {
  int type, pal, alpha, mode, param, trans, mmx;
  uint32_t tint, src, dst, key;
  int graph;  // -1 none, else the BlendGraphTable weight
};

uint32_t P(uint32_t i, uint32_t j) { return i * j / 255; }

// Channel i (0 blue, 1 green, 2 red) of a pixel value, and its width.
uint32_t Chan(int type, uint32_t v, int i) {
  if (type == kMemImg8888) return (v >> (8 * i)) & 0xFF;
  static const int shift[3] = {0, 5, 11}, mask[3] = {31, 63, 31};
  return (v >> shift[i]) & static_cast<uint32_t>(mask[i]);
}
uint32_t Pack(int type, const uint32_t c[3], uint32_t keepTop) {
  if (type == kMemImg8888) return (keepTop & 0xFF000000u) | c[2] << 16 | c[1] << 8 | c[0];
  return c[2] << 11 | c[1] << 5 | c[0];
}

uint32_t Model(const Draw& d, Route route) {
  const int type = d.type;
  const bool tintOn = (d.tint & 0xFFFFFF) != 0xFFFFFF;
  const bool pal = d.pal, hasAlpha = d.alpha && !pal;
  const uint32_t colour = type == kMemImg8888 ? d.src : d.src & 0xFFFF;
  const uint32_t a = type == kMemImg8888 ? d.src >> 24 : (d.src >> 16) & 0xFF;
  int mode = d.mode, p = d.param;
  if (mode > 4) return d.dst;
  if (mode == 1 && p == 255) mode = 0;
  if (mode == 1 && p == 0) return d.dst;
  if ((mode == 2 || (mode == 3 && !pal)) && p == 0) return d.dst;
  const bool trans = route == kRuns ? true : d.trans != 0;
  // weights and skips
  bool useA = false;
  if (hasAlpha) {
    if (trans) {
      if (a == 0) return d.dst;
      useA = a != 255;
    } else {
      useA = true;
    }
  } else if (trans && route != kRuns) {
    // the stored value (palette index 5) against the key: cut to the pixel's width by the plain
    // blitter, whole in the stretched walk
    const uint32_t raw = pal ? 5u : colour;
    // (the stretched 16-bit plain-copy fast loop cuts it to 16 bits too)
    const bool fastCopy16 = route == kStretched && type == kMemImg565 && !pal && mode == 0 && d.graph < 0 && !tintOn;
    const uint32_t key = (route == kStretched && !fastCopy16) ? d.key
                                                              : (pal ? d.key & 0xFF : (type == kMemImg8888 ? d.key : d.key & 0xFFFF));
    if (raw == key) return d.dst;
  } else if (route == kRuns) {
    // the run code marks keyed pixels as skips: a palette index against the key's low byte, a
    // direct colour against the whole key
    if (pal ? (d.key & 0xFF) == 5u : colour == d.key) return d.dst;
  }
  const bool useG = d.graph >= 0;
  const bool plain = route == kPerPixel;
  // plain blitter shortcuts
  if (plain && !useG && !tintOn) {
    if (mode == 0 && hasAlpha && !trans) return type == kMemImg8888 ? d.src : (d.src & 0xFFFF);
    if (!hasAlpha) {
      if (mode == 1 && p == 128) {
        return type == kMemImg8888 ? ((colour >> 1) & 0x7F7F7F) + ((d.dst >> 1) & 0x7F7F7F)
                                   : ((colour >> 1) & 0x7BEF) + ((d.dst >> 1) & 0x7BEF);
      }
      if (mode == 1 && type == kMemImg565) {
        uint32_t c[3];
        for (int i = 0; i < 3; ++i) {
          c[i] = (static_cast<uint32_t>(p >> 2) * Chan(type, colour, i) + (63 - static_cast<uint32_t>(p >> 2)) * Chan(type, d.dst, i)) / 63;
        }
        return Pack(type, c, 0);
      }
      if ((mode == 2 || mode == 3) && p == 255 && type == kMemImg8888) {
        uint32_t r = 0;
        if (d.mmx) {
          for (int i = 0; i < 32; i += 8) {
            int v = static_cast<int>((d.dst >> i) & 0xFF) + (mode == 2 ? 1 : -1) * static_cast<int>((colour >> i) & 0xFF);
            r |= static_cast<uint32_t>(v < 0 ? 0 : (v > 255 ? 255 : v)) << i;
          }
          return r;
        }
        // The whole-word forms without the packed loops: add without the OR term.
        if (mode == 3) return testing_soft::DocumentedSubtract(colour, d.dst, true);
        return testing_soft::DocumentedAdd(colour, d.dst, true, false);
      }
      if ((mode == 2 || mode == 3) && p == 255) {  // 16-bit lone pixel
        if (mode == 2) return testing_soft::DocumentedAdd(colour, d.dst, false, false);
        return testing_soft::DocumentedSubtract(colour, d.dst, false);
      }
    }
  }
  if (route == kStretched && !useG && !tintOn && !hasAlpha && mode == 3 && p == 255 && type == kMemImg8888 && d.mmx) {
    uint32_t r = 0;
    for (int i = 0; i < 32; i += 8) {
      int v = static_cast<int>((d.dst >> i) & 0xFF) - static_cast<int>((colour >> i) & 0xFF);
      r |= static_cast<uint32_t>(v < 0 ? 0 : v) << i;
    }
    return r;
  }
  const int k = (useG ? 1 : 0) + (useA ? 1 : 0);
  const int64_t F = static_cast<int64_t>(useG ? d.graph : 1) * (useA ? a : 1);
  auto tintOf = [&](int i, uint32_t c) {
    return tintOn ? P((d.tint >> (8 * i)) & 0xFF, c) : c;
  };
  if (mode == 0 && k == 0 && !tintOn) return type == kMemImg8888 ? colour : colour & 0xFFFF;
  uint32_t out[3];
  uint32_t sp = 0;
  for (int i = 0; i < 3; ++i) {
    const int64_t sc = Chan(type, colour, i), tc = tintOf(i, static_cast<uint32_t>(sc)), dc = Chan(type, d.dst, i);
    switch (mode) {
      case 0:
        out[i] = static_cast<uint32_t>(k == 0 ? tc : ((tc - dc) * F + (dc << (8 * k))) >> (8 * k));
        break;
      case 1:
        if (type == kMemImg565 && k == 0) {
          const int64_t diff = tc - dc;
          out[i] = static_cast<uint32_t>(dc + (p * diff) / 255);
        } else {
          out[i] = static_cast<uint32_t>(((tc - dc) * F * p + (dc << (8 * (k + 1)))) >> (8 * (k + 1)));
        }
        break;
      case 2:
      case 3: {
        int64_t x;
        if (type == kMemImg8888) {
          x = k == 0 ? P(static_cast<uint32_t>(p), static_cast<uint32_t>(tc)) : (tc * F * p) >> (8 * (k + 1));
        } else if (!useG) {
          x = useA ? (sc * a) >> 8 : sc;
          x = tintOf(i, static_cast<uint32_t>(x));
          x = P(static_cast<uint32_t>(p), static_cast<uint32_t>(x));
        } else {
          x = P(static_cast<uint32_t>(p), static_cast<uint32_t>((tc * F) >> (8 * k)));
        }
        sp |= static_cast<uint32_t>(x) << (type == kMemImg8888 ? 8 * i : (i == 0 ? 0 : (i == 1 ? 5 : 11)));
        break;
      }
      default: {
        const int w = type == kMemImg8888 ? 8 : (i == 1 ? 6 : 5);
        out[i] = static_cast<uint32_t>((tc * F * dc) >> (w + 8 * k));
      }
    }
  }
  if (mode == 2) return testing_soft::DocumentedAdd(sp, d.dst, type == kMemImg8888, true);
  if (mode == 3) return testing_soft::DocumentedSubtract(sp, d.dst, type == kMemImg8888);
  return Pack(type, out, d.dst);
}

uint32_t Draw1x1(const Draw& d, Route route) {
  ResetSoft();
  g_softBlend.blendMode = d.mode;
  g_softBlend.blendParam = d.param;
  g_softBlend.drawTint = d.tint;
  g_softBlend.mmxUsable = d.mmx;
  TestImage src(1, 1, d.type, d.pal, d.alpha, d.key, route == kRuns ? 1 : 0), dst(1, 1, d.type);
  TestImage graph(1, 1, kMemImgSingle8);
  if (d.pal) {
    src.setPalette(5, d.src & (d.type == kMemImg8888 ? 0xFFFFFFFFu : 0xFFFFu));
    src.set(0, 0, 5);
  } else {
    src.set(0, 0, d.src);
  }
  dst.set(0, 0, d.dst);
  if (d.graph >= 0) {
    for (int v = 0; v < 256; ++v) g_softBlend.blendGraphTable[v] = static_cast<uint8_t>(d.graph);
  }
  const MEMIMG* bg = d.graph >= 0 ? graph.get() : nullptr;
  if (route == kRuns) {
    CompleteMemImgTransfer(src.get(), 1, 1);
    BlitMemImg(dst.get(), src.get(), 0, 0, 1, bg);
  } else if (route == kPerPixel) {
    BlitMemImg(dst.get(), src.get(), 0, 0, d.trans, bg);
  } else {
    const IntRect mirrored{1, 0, 0, 1};
    StretchBlitMemImg(dst.get(), src.get(), &mirrored, d.trans, bg);
  }
  return dst.px(0, 0);
}

TEST(BlitModel, RandomOnePixelDrawsFollowTheRules) {
  std::mt19937 rng(4242);
  auto pick = [&rng](int n) { return static_cast<int>(rng() % static_cast<uint32_t>(n)); };
  static const int kParams[] = {0, 1, 64, 128, 200, 254, 255};
  int failures = 0;
  for (int i = 0; i < 20000 && failures < 10; ++i) {
    Draw d{};
    d.type = pick(2) ? kMemImg8888 : kMemImg565;
    d.pal = pick(4) == 0;
    d.alpha = d.pal ? 0 : pick(2);
    d.mode = pick(11) == 0 ? 5 : pick(5);
    d.param = pick(2) ? kParams[pick(7)] : pick(256);
    d.trans = pick(3);
    d.mmx = pick(2);
    d.tint = pick(2) ? 0xFFFFFF : rng() & 0xFFFFFF;
    d.graph = pick(2) ? -1 : pick(256);
    d.src = rng();
    if (d.alpha && pick(3) == 0) d.src = (d.src & 0x00FFFFFF) | (pick(2) ? 0xFF000000u : 0);
    if (d.type == kMemImg565 && d.alpha) d.src = (d.src & 0xFFFF) | (d.src >> 24) << 16;
    if (d.type == kMemImg565 && !d.alpha) d.src &= 0xFFFF;
    d.dst = d.type == kMemImg8888 ? rng() : rng() & 0xFFFF;
    const uint32_t raw = d.pal ? 5u : d.src;
    switch (pick(3)) {
      case 0: d.key = raw; break;
      case 1: d.key = raw | 0x10000; break;  // matches only where the key is cut
      default: d.key = rng(); break;
    }
    for (Route route : {kPerPixel, kRuns, kStretched}) {
      const uint32_t expected = Model(d, route), got = Draw1x1(d, route);
      if (expected != got) {
        ++failures;
        ADD_FAILURE() << "route " << route << " type " << d.type << " pal " << d.pal << " alpha " << d.alpha << " mode "
                      << d.mode << " param " << d.param << " trans " << d.trans << " mmx " << d.mmx << std::hex
                      << " tint " << d.tint << " graph " << d.graph << " src " << d.src << " dst " << d.dst
                      << " expected " << expected << " got " << got;
      }
    }
  }
}

}  // namespace
}  // namespace zelvo
