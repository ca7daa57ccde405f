#pragma once
// Per-pixel arithmetic shared by the software blitters and shape rasterizers: the general rules of
// every blend mode for 32-bit (8888) and 16-bit (565) pixels, and the shortcut forms the plain
// blitter uses. Everything the call fixes (mode, tint, which weights exist) is a template argument,
// so each instantiated loop carries no test of it.
#include <cstdint>
#include <cstring>
#include <type_traits>

#include "media/pixels/memimg.h"
#include "media/software/blend_state.h"

#define ZELVO_PIXEL_INLINE [[gnu::always_inline]] inline

namespace zelvo::soft {

// The clip rectangle of a software draw: the draw region, kept inside the destination image so that
// a region larger than the image can never lead to writes outside it.
inline IntRect SoftClipRegion(const MEMIMG* image) {
  IntRect r = g_softBlend.drawRegion;
  const IntRect whole{0, 0, image->width, image->height};
  ClipSoftRect(&r, &whole);
  return r;
}

// Table rows and values one call reads, picked once at its start.
struct BlendRows {
  const int32_t* product;      // P[param]
  const int32_t* signedRow;    // S[param], at j = 0
  const int32_t* tint[3];      // P[tint byte] for blue, green, red
  const uint8_t* lerp6;        // L[param >> 2]
  const uint8_t* graphTable;   // BlendGraphTable
  int32_t param;
};

inline BlendRows MakeBlendRows(int param, uint32_t tint) {
  BlendRows r;
  r.product = BlendProductTable[param];
  r.signedRow = SignedProductRow(param);
  r.tint[0] = BlendProductTable[tint & 0xFF];
  r.tint[1] = BlendProductTable[(tint >> 8) & 0xFF];
  r.tint[2] = BlendProductTable[(tint >> 16) & 0xFF];
  r.lerp6 = BlendLerp6Table + (param >> 2) * 4096;
  r.graphTable = g_softBlend.blendGraphTable;
  r.param = param;
  return r;
}

ZELVO_PIXEL_INLINE uint32_t Load32(const uint8_t* p) {
  uint32_t v;
  std::memcpy(&v, p, 4);
  return v;
}
ZELVO_PIXEL_INLINE uint32_t Load16(const uint8_t* p) {
  uint16_t v;
  std::memcpy(&v, p, 2);
  return v;
}
ZELVO_PIXEL_INLINE void Store32(uint8_t* p, uint32_t v) { std::memcpy(p, &v, 4); }
ZELVO_PIXEL_INLINE void Store16(uint8_t* p, uint32_t v) {
  uint16_t h = static_cast<uint16_t>(v);
  std::memcpy(p, &h, 2);
}

// The stored value of a source pixel (a palette index for palette pictures), its colour (palette
// looked up) and its alpha: byte 3 of 32-bit pixels, the byte after 16-bit ones with alpha.
template <int Type, bool Pal, bool Alpha>
ZELVO_PIXEL_INLINE void FetchPixel(const uint8_t* palette, const uint8_t* s, uint32_t& raw, uint32_t& colour,
                                   uint32_t& a) {
  if constexpr (Pal) {
    raw = *s;
    colour = Type == kMemImg8888 ? Load32(palette + raw * 4) : Load16(palette + raw * 2);
  } else if constexpr (Type == kMemImg8888) {
    raw = colour = Load32(s);
    a = raw >> 24;
  } else {
    raw = colour = Load16(s);
    if constexpr (Alpha) a = s[2];
  }
}

// Saturating add and subtract of packed words; byte 3 (32-bit) takes the red carry, or becomes 0.
ZELVO_PIXEL_INLINE uint32_t Add32(uint32_t s, uint32_t d) {
  uint32_t sum = (s & 0x00FEFEFF) + (d & 0x00FEFEFF);
  uint32_t c = sum & 0x01010100;
  return sum | (c - (c >> 8)) | ((d | s) & 0x00010100);
}
ZELVO_PIXEL_INLINE uint32_t Add32NoLowTerm(uint32_t s, uint32_t d) {
  uint32_t sum = (s & 0x00FEFEFF) + (d & 0x00FEFEFF);
  uint32_t c = sum & 0x01010100;
  return sum | (c - (c >> 8));
}
ZELVO_PIXEL_INLINE uint32_t Sub32(uint32_t s, uint32_t d) {
  uint32_t t = (d | 0x01010100) - (s & 0x00FEFEFF);
  uint32_t b = t & 0x01010100;
  return t & (b - (b >> 8));
}
ZELVO_PIXEL_INLINE uint32_t Add16(uint32_t s, uint32_t d) {
  uint32_t sum = (s & 0xF7DF) + (d & 0xF7DF);
  uint32_t c = sum & 0x10820;
  return (sum | (c - (c >> 5)) | ((d | s) & 0x0820)) & 0xFFFF;
}
ZELVO_PIXEL_INLINE uint32_t Add16NoLowTerm(uint32_t s, uint32_t d) {
  uint32_t sum = (s & 0xF7DF) + (d & 0xF7DF);
  uint32_t c = sum & 0x10820;
  return (sum | (c - (c >> 5))) & 0xFFFF;
}
ZELVO_PIXEL_INLINE uint32_t Sub16(uint32_t s, uint32_t d) {
  uint32_t t = (d | 0x10820) - (s & 0xF7DF);
  uint32_t b = t & 0x10820;
  return (t & (b - (b >> 5))) & 0xFFFF;
}
// Exact per-byte saturation over all four bytes (the packed forms).
ZELVO_PIXEL_INLINE uint32_t AddBytesSaturated(uint32_t s, uint32_t d) {
  uint32_t r = 0;
  for (int i = 0; i < 32; i += 8) {
    uint32_t v = ((s >> i) & 0xFF) + ((d >> i) & 0xFF);
    r |= (v > 255 ? 255 : v) << i;
  }
  return r;
}
ZELVO_PIXEL_INLINE uint32_t SubBytesSaturated(uint32_t s, uint32_t d) {
  uint32_t r = 0;
  for (int i = 0; i < 32; i += 8) {
    int v = static_cast<int>((d >> i) & 0xFF) - static_cast<int>((s >> i) & 0xFF);
    r |= static_cast<uint32_t>(v < 0 ? 0 : v) << i;
  }
  return r;
}
// Two 16-bit pixels as one word, the first in the low half.
ZELVO_PIXEL_INLINE uint32_t AddPair16(uint32_t s2, uint32_t d2) {
  uint64_t wide = static_cast<uint64_t>(s2 & 0xF7DEF7DF) + (d2 & 0xF7DEF7DF);
  uint32_t sum = static_cast<uint32_t>(wide), k = static_cast<uint32_t>(wide >> 32);
  uint32_t c = sum & 0x08210820;
  return sum | (c - ((c >> 5) | (k << 27)));
}
ZELVO_PIXEL_INLINE uint32_t SubPair16(uint32_t s2, uint32_t d2) {
  uint32_t a = d2 | 0x08210820, b2 = s2 & 0xF7DEF7DF;
  uint32_t t = a - b2;
  uint32_t k = a < b2 ? 1u : 0u;
  uint32_t b = t & 0x08210820;
  return t & ((b - (b >> 5)) | (k ? 0u : 0xF8000000u));
}
ZELVO_PIXEL_INLINE uint32_t Half32(uint32_t s, uint32_t d) { return ((s >> 1) & 0x7F7F7F) + ((d >> 1) & 0x7F7F7F); }
ZELVO_PIXEL_INLINE uint32_t Half16(uint32_t s, uint32_t d) { return ((s >> 1) & 0x7BEF) + ((d >> 1) & 0x7BEF); }
ZELVO_PIXEL_INLINE uint32_t Lerp6(const uint8_t* block, uint32_t s, uint32_t d) {
  uint32_t r = block[(s >> 11) * 64 + (d >> 11)];
  uint32_t g = block[((s >> 5) & 63) * 64 + ((d >> 5) & 63)];
  uint32_t b = block[(s & 31) * 64 + (d & 31)];
  return r << 11 | g << 5 | b;
}

// Channel layout of the two colour types: position and width of channel i (0 blue, 1 green, 2 red).
template <int Type>
struct Channels;
template <>
struct Channels<kMemImg8888> {
  static constexpr int shift[3] = {0, 8, 16};
  static constexpr int width[3] = {8, 8, 8};
  static constexpr uint32_t mask[3] = {0xFF, 0xFF, 0xFF};
};
template <>
struct Channels<kMemImg565> {
  static constexpr int shift[3] = {0, 5, 11};
  static constexpr int width[3] = {5, 6, 5};
  static constexpr uint32_t mask[3] = {31, 63, 31};
};

// The general rule: combines source colour s (already looked up from a palette) into the pixel at
// d. HasG and HasA say which weights exist (blend graph G, source alpha a); their product is F.
template <int Type, int Mode, bool Tint, bool HasG, bool HasA>
ZELVO_PIXEL_INLINE void Combine(const BlendRows& r, uint8_t* d, uint32_t s, uint32_t G, uint32_t a) {
  using Ch = Channels<Type>;
  constexpr int k = (HasG ? 1 : 0) + (HasA ? 1 : 0);
  // Every product of up to four 8-bit factors fits 32 unsigned bits; the signed lerp with three
  // weights (mode 1 with two weights) needs 64.
  using Signed = std::conditional_t<(Mode == kBlendAlpha && k == 2), int64_t, int32_t>;
  const uint32_t F = (HasG ? G : 1u) * (HasA ? a : 1u);
  const uint32_t dv = Type == kMemImg8888 ? Load32(d) : Load16(d);
  auto store = [d](uint32_t v) {
    if constexpr (Type == kMemImg8888) Store32(d, v); else Store16(d, v);
  };
  if constexpr (Mode == kBlendNone && k == 0 && !Tint) {
    store(Type == kMemImg8888 ? s : (s & 0xFFFF));
    return;
  }
  uint32_t tc[3], sc[3], dc[3];
  for (int i = 0; i < 3; ++i) {
    sc[i] = (s >> Ch::shift[i]) & Ch::mask[i];
    tc[i] = Tint ? static_cast<uint32_t>(r.tint[i][sc[i]]) : sc[i];
    dc[i] = (dv >> Ch::shift[i]) & Ch::mask[i];
  }
  uint32_t out[3];
  if constexpr (Mode == kBlendNone) {
    for (int i = 0; i < 3; ++i) {
      if constexpr (k == 0) {
        out[i] = tc[i];
      } else {
        const Signed v = (static_cast<Signed>(tc[i]) - static_cast<Signed>(dc[i])) * static_cast<Signed>(F) +
                         (static_cast<Signed>(dc[i]) << (8 * k));
        out[i] = static_cast<uint32_t>(v >> (8 * k));
      }
    }
  } else if constexpr (Mode == kBlendAlpha) {
    for (int i = 0; i < 3; ++i) {
      if constexpr (Type == kMemImg565 && k == 0) {
        out[i] = static_cast<uint32_t>(static_cast<int32_t>(dc[i]) + r.signedRow[static_cast<int32_t>(tc[i]) - static_cast<int32_t>(dc[i])]);
      } else {
        const Signed v = (static_cast<Signed>(tc[i]) - static_cast<Signed>(dc[i])) * static_cast<Signed>(F) * r.param +
                         (static_cast<Signed>(dc[i]) << (8 * (k + 1)));
        out[i] = static_cast<uint32_t>(v >> (8 * (k + 1)));
      }
    }
  } else if constexpr (Mode == kBlendAdd || Mode == kBlendSubtract) {
    uint32_t sp = 0;
    for (int i = 0; i < 3; ++i) {
      uint32_t x;
      if constexpr (Type == kMemImg8888) {
        x = k == 0 ? static_cast<uint32_t>(r.product[tc[i]]) : (tc[i] * F * static_cast<uint32_t>(r.param)) >> (8 * (k + 1));
      } else if constexpr (!HasG) {
        x = HasA ? (sc[i] * a) >> 8 : sc[i];
        if constexpr (Tint) x = static_cast<uint32_t>(r.tint[i][x]);
        x = static_cast<uint32_t>(r.product[x]);
      } else {
        x = static_cast<uint32_t>(r.product[(tc[i] * F) >> (8 * k)]);
      }
      sp |= x << Ch::shift[i];
    }
    uint32_t v;
    if constexpr (Type == kMemImg8888) {
      v = Mode == kBlendAdd ? Add32(sp, dv) : Sub32(sp, dv);
    } else {
      v = Mode == kBlendAdd ? Add16(sp, dv) : Sub16(sp, dv);
    }
    store(v);
    return;
  } else {
    for (int i = 0; i < 3; ++i) out[i] = (tc[i] * F * dc[i]) >> (Ch::width[i] + 8 * k);
  }
  if constexpr (Type == kMemImg8888) {
    store((dv & 0xFF000000u) | out[2] << 16 | out[1] << 8 | out[0]);
  } else {
    store(out[2] << 11 | out[1] << 5 | out[0]);
  }
}

}  // namespace zelvo::soft
