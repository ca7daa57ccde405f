#pragma once
// The pixel loops of the software triangle rasterizer: one span walk (depth test and write,
// perspective division, texel addressing and bounds) over the span table, and the per-pixel
// operations of every cell of the grid (texture kind, blend mode, blend picture, tint, texture
// alpha, transparent flag), with and without vertex-colour modulation. Every call-wide choice is a
// template argument; inside a loop only the depth buffer's presence and zWrite are tested.
#include <array>
#include <cstddef>
#include <cstdint>
#include <utility>

#include "media/software/pixel_rules.h"
#include "media/software/raster3d_setup.h"

namespace zelvo::soft {

struct Raster3DCall;

// Where a span's walk stands: the interpolants at the current pixel, the destination and depth
// pointers there, and the pixels left.
struct SpanCursor {
  uint32_t cur[kInterpCount];
  uint8_t* d;
  uint8_t* z;
  int count;
};

// A vector body for some cells of the grid: draws whole blocks of pixels from the cursor and
// advances it, giving the same bytes as the scalar loop; the scalar loop draws the rest.
using SpanBlocks = void (*)(const Raster3DCall&, SpanCursor&);

// Everything a loop reads, fixed for the call.
struct Raster3DCall {
  const TriangleSpanRow* spans;
  int32_t rowCount;
  uint8_t* dstRow;            // destination row of span-table row 0
  int32_t dstPitch;
  uint8_t* depthRow;          // null without a depth buffer
  int32_t depthPitch;
  int32_t depthWrite;
  const uint8_t* texels;
  int32_t texPitch;
  int32_t texWidth;
  int32_t texHeight;
  const uint8_t* palette;
  uint32_t key;               // texel value, or palette index, that the colour key skips
  const uint8_t* graph;       // blend picture, read at texel coordinates
  int32_t graphPitch;
  BlendRows rows;
  int32_t rowBase[kInterpCount];
  int32_t stepX[kInterpCount];
  int32_t stepY[kInterpCount];
  SpanBlocks blocks;          // null: scalar only
};

using Raster3DLoop = void (*)(const Raster3DCall&);

template <PixelType Type, bool Palette, bool Alpha>
constexpr int TexelBytes() {
  return Palette ? 1 : (Type == PixelType::k8888 ? 4 : (Alpha ? 4 : 2));
}

// The stored texel (a palette index for palette textures), its colour and its alpha byte.
template <PixelType Type, bool Palette, bool Alpha>
ZELVO_PIXEL_INLINE void FetchTexel(const Raster3DCall& c, const uint8_t* t, uint32_t& raw, uint32_t& colour, uint32_t& a) {
  FetchPixel<Type, Palette, Alpha>(c.palette, t, raw, colour, a);
}

// Without modulation: colour key or alpha tests, then the general rule of pixel_rules.h with the
// blend picture and the texel alpha as weights. Multiply tests only alpha 255, so alpha 0 draws
// black there rather than being skipped.
template <PixelType Type, bool Palette, BlendMode Mode, bool BlendGraph, bool Tint, bool Alpha, bool Transparent>
struct PlainTexelOp {
  static constexpr int kTexelBytes = TexelBytes<Type, Palette, Alpha>();
  static constexpr bool kUsesColour = false;
  ZELVO_PIXEL_INLINE static void Apply(const Raster3DCall& c, uint8_t* d, const uint8_t* t, const uint8_t* g,
                                       const uint32_t*) {
    uint32_t raw, colour, a = 0;
    FetchTexel<Type, Palette, Alpha>(c, t, raw, colour, a);
    uint32_t G = 0;
    if constexpr (BlendGraph) G = c.rows.graphTable[*g];
    if constexpr (Alpha) {
      if constexpr (Transparent) {
        if (Mode != BlendMode::kMultiply && a == 0) return;
        if (a == 255) {
          Combine<Type, Mode, Tint, BlendGraph, false>(c.rows, d, colour, G, 0);
          return;
        }
      }
      Combine<Type, Mode, Tint, BlendGraph, true>(c.rows, d, colour, G, a);
    } else {
      if constexpr (Transparent) {
        if (raw == c.key) return;
      }
      Combine<Type, Mode, Tint, BlendGraph, false>(c.rows, d, colour, G, 0);
    }
  }
};

// The vertex colour at the pixel: an interpolant over 2^14, truncated toward zero, not clamped.
ZELVO_PIXEL_INLINE uint32_t VertexLevel(uint32_t interpolant) {
  return static_cast<uint32_t>(static_cast<int32_t>(interpolant) / 16384);
}

// Modulated blends on the channels of either colour type. k holds the vertex colour for blue,
// green and red, A the vertex alpha. Arithmetic wraps at 32 bits; every result is cut to its
// channel, which gives the stated bytes whether a shift is taken as arithmetic or logical.
template <PixelType Type, BlendMode Mode, bool GraphWeight, bool AlphaWeight>
ZELVO_PIXEL_INLINE void Modulate(uint8_t* d, uint32_t s, const uint32_t k[3], uint32_t A, uint32_t G, uint32_t a) {
  using Ch = Channels<Type>;
  const uint32_t dv = Type == PixelType::k8888 ? Load32(d) : Load16(d);
  uint32_t sc[3], dc[3];
  for (int i = 0; i < 3; ++i) {
    sc[i] = (s >> Ch::shift[i]) & Ch::mask[i];
    dc[i] = (dv >> Ch::shift[i]) & Ch::mask[i];
  }
  const uint32_t weights = (GraphWeight ? G : 1u) * (AlphaWeight ? a : 1u);
  constexpr int kWeights = (GraphWeight ? 1 : 0) + (AlphaWeight ? 1 : 0);
  if constexpr (Mode == BlendMode::kAdd || Mode == BlendMode::kSubtract) {
    // s' = texel x vertex colour x weights x vertex alpha, the modulated texel first where five
    // factors would meet.
    uint32_t sp = 0;
    for (int i = 0; i < 3; ++i) {
      uint32_t x;
      if constexpr (kWeights == 2) x = (((sc[i] * k[i]) >> 8) * weights * A) >> 24;
      else x = (sc[i] * k[i] * weights * A) >> (8 * (kWeights + 2));
      sp |= (x & Ch::mask[i]) << Ch::shift[i];
    }
    if constexpr (Type == PixelType::k8888) Store32(d, Mode == BlendMode::kAdd ? Add32(sp, dv) : Sub32(sp, dv));
    else Store16(d, Mode == BlendMode::kAdd ? Add16(sp, dv) : Sub16(sp, dv));
    return;
  }
  uint32_t out[3];
  for (int i = 0; i < 3; ++i) {
    if constexpr (Mode == BlendMode::kMultiply) {
      if constexpr (kWeights == 2) out[i] = (((sc[i] * k[i]) >> 8) * weights * dc[i]) >> (16 + Ch::width[i]);
      else out[i] = (sc[i] * k[i] * weights * dc[i]) >> (8 * (kWeights + 1) + Ch::width[i]);
    } else {
      // None and alpha: the modulated texel interpolated toward the destination by the weights,
      // the vertex alpha being one more weight in the alpha mode.
      constexpr int n = 8 * (kWeights + (Mode == BlendMode::kAlpha ? 1 : 0));
      const uint32_t q = (sc[i] * k[i]) >> 8;
      if constexpr (n == 0) {
        out[i] = q;
      } else {
        const uint32_t F = weights * (Mode == BlendMode::kAlpha ? A : 1u);
        out[i] = ((q - dc[i]) * F + (dc[i] << n)) >> n;
      }
    }
    out[i] &= Ch::mask[i];
  }
  if constexpr (Type == PixelType::k8888) Store32(d, (dv & 0xFF000000u) | out[2] << 16 | out[1] << 8 | out[0]);
  else Store16(d, out[2] << 11 | out[1] << 5 | out[0]);
}

// With modulation: the same tests on the unmodulated texel, then Modulate. Tint and the blend
// parameter are not read.
template <PixelType Type, bool Palette, BlendMode Mode, bool BlendGraph, bool Alpha, bool Transparent>
struct ModulatedTexelOp {
  static constexpr int kTexelBytes = TexelBytes<Type, Palette, Alpha>();
  static constexpr bool kUsesColour = true;
  ZELVO_PIXEL_INLINE static void Apply(const Raster3DCall& c, uint8_t* d, const uint8_t* t, const uint8_t* g,
                                       const uint32_t* cur) {
    uint32_t raw, colour, a = 0;
    FetchTexel<Type, Palette, Alpha>(c, t, raw, colour, a);
    uint32_t G = 0;
    if constexpr (BlendGraph) G = c.rows.graphTable[*g];
    const uint32_t k[3] = {VertexLevel(cur[kInterpBlue]), VertexLevel(cur[kInterpGreen]), VertexLevel(cur[kInterpRed])};
    const uint32_t A = VertexLevel(cur[kInterpAlpha]);
    if constexpr (Alpha) {
      if constexpr (Transparent) {
        if (Mode != BlendMode::kMultiply && a == 0) return;
        if (a == 255) {
          Modulate<Type, Mode, BlendGraph, false>(d, colour, k, A, G, 0);
          return;
        }
      }
      Modulate<Type, Mode, BlendGraph, true>(d, colour, k, A, G, a);
    } else {
      if constexpr (Transparent) {
        if (raw == c.key) return;
      }
      Modulate<Type, Mode, BlendGraph, false>(d, colour, k, A, G, 0);
    }
  }
};

// The 16-bit depth of a z interpolant (z x 2^24): z x 2^16, held to 0..0xFFFF so that z = 1.0 stays
// the farthest depth instead of wrapping to the nearest, and z below 0 stays the nearest.
ZELVO_PIXEL_INLINE uint32_t DepthValue(uint32_t z) {
  const int32_t depth = static_cast<int32_t>(z) >> 8;
  return depth < 0 ? 0u : (depth > 0xFFFF ? 0xFFFFu : static_cast<uint32_t>(depth));
}

// 0x20000000 / rhw truncated toward zero: eight times w. The quotient of a 30-bit numerator by a
// 32-bit divisor is exact in double precision and truncates to the integer quotient, and the
// floating-point divider is much faster than the integer one.
ZELVO_PIXEL_INLINE uint32_t PerspectiveRecip(int32_t rhw) {
  return static_cast<uint32_t>(static_cast<int32_t>(536870912.0 / static_cast<double>(rhw)));
}

// The span walk. Each span starts at its first pixel's centre; a span whose first pixel has rhw 0
// is left out, and so is any later pixel whose rhw is 0 (after its depth test and write).
template <PixelType Type, class Op>
void SpanWalk3D(const Raster3DCall& c) {
  constexpr int kDstBytes = Type == PixelType::k8888 ? 4 : 2;
  constexpr int kInterps = Op::kUsesColour ? kInterpCount : kInterpZ + 1;
  uint32_t rowBase[kInterpCount];
  for (int i = 0; i < kInterpCount; ++i) rowBase[i] = static_cast<uint32_t>(c.rowBase[i]);
  uint8_t* dRow = c.dstRow;
  uint8_t* zRow = c.depthRow;
  const uint32_t W = static_cast<uint32_t>(c.texWidth), H = static_cast<uint32_t>(c.texHeight);
  for (int r = 0; r < c.rowCount; ++r) {
    const int count = c.spans[r].count;
    if (count != 0) {
      const int x0 = c.spans[r].first;
      uint32_t cur[kInterpCount];
      for (int i = 0; i < kInterps; ++i) {
        cur[i] = rowBase[i] + static_cast<uint32_t>(c.stepX[i]) * static_cast<uint32_t>(x0) +
                 static_cast<uint32_t>(c.stepX[i] / 2);
      }
      if (cur[kInterpRhw] != 0 && count > 0) {
        SpanCursor span;
        for (int i = 0; i < kInterps; ++i) span.cur[i] = cur[i];
        span.d = dRow + static_cast<ptrdiff_t>(x0) * kDstBytes;
        span.z = zRow ? zRow + static_cast<ptrdiff_t>(x0) * 2 : nullptr;
        span.count = count;
        if (c.blocks) c.blocks(c, span);
        for (int i = 0; i < kInterps; ++i) cur[i] = span.cur[i];
        uint8_t* d = span.d;
        uint8_t* z = span.z;
        // Neighbouring pixels often share rhw (always, when w is the same at every vertex).
        int32_t lastRhw = 0;
        uint32_t recip = 0;
        for (int n = span.count; n > 0; --n) {
          do {
            if (z) {
              const uint32_t z16 = DepthValue(cur[kInterpZ]);
              if (z16 > Load16(z)) break;
              if (c.depthWrite) Store16(z, z16);
            }
            const int32_t rhw = static_cast<int32_t>(cur[kInterpRhw]);
            if (rhw == 0) break;
            if (rhw != lastRhw) {
              lastRhw = rhw;
              recip = PerspectiveRecip(rhw);
            }
            const uint32_t tu = (static_cast<uint32_t>(static_cast<int32_t>(cur[kInterpU]) >> 10) * W * recip) >> 19;
            const uint32_t tv = (static_cast<uint32_t>(static_cast<int32_t>(cur[kInterpV]) >> 10) * H * recip) >> 19;
            if (static_cast<int32_t>(tu | tv | (W - 1 - tu) | (H - 1 - tv)) < 0) break;
            const uint8_t* t = c.texels + static_cast<ptrdiff_t>(tv) * c.texPitch + static_cast<ptrdiff_t>(tu) * Op::kTexelBytes;
            const uint8_t* g = c.graph ? c.graph + static_cast<ptrdiff_t>(tv) * c.graphPitch + tu : nullptr;
            Op::Apply(c, d, t, g, cur);
          } while (false);
          for (int i = 0; i < kInterps; ++i) cur[i] += static_cast<uint32_t>(c.stepX[i]);
          d += kDstBytes;
          if (z) z += 2;
        }
      }
    }
    for (int i = 0; i < kInterpCount; ++i) rowBase[i] += static_cast<uint32_t>(c.stepY[i]);
    dRow += c.dstPitch;
    if (zRow) zRow += c.depthPitch;
  }
}

// The tables hold one loop per cell of the grid; with modulation the tint flag is not read.
// Palette textures have no alpha.
// The AVX2 bodies for a cell of the grid (mode after the parameter's shortcuts), or null. Call only
// when SoftPathLevel() reports AVX2. They serve cells without vertex colour, so they advance only
// the interpolants up to z.
SpanBlocks Raster3DAvx2Blocks(int type, const LoopCell& cell, bool modulate);

using PlainRaster3DTable = std::array<Raster3DLoop, kCellCount>;
using ModulatedRaster3DTable = std::array<Raster3DLoop, kCellCount>;

template <PixelType Type>
const PlainRaster3DTable& GetPlainRaster3DTable();
template <PixelType Type>
const ModulatedRaster3DTable& GetModulatedRaster3DTable();

extern template const PlainRaster3DTable& GetPlainRaster3DTable<PixelType::k565>();
extern template const PlainRaster3DTable& GetPlainRaster3DTable<PixelType::k8888>();
extern template const ModulatedRaster3DTable& GetModulatedRaster3DTable<PixelType::k565>();
extern template const ModulatedRaster3DTable& GetModulatedRaster3DTable<PixelType::k8888>();

namespace raster3d_grid {

template <PixelType Type, int I>
constexpr Raster3DLoop PlainCell() {
  constexpr LoopCell k = CellAt(I);
  return &SpanWalk3D<Type, PlainTexelOp<Type, k.palette, k.mode, k.blendGraph, k.tint, k.alpha, k.transparent>>;
}

template <PixelType Type, int I>
constexpr Raster3DLoop ModulatedCell() {
  constexpr LoopCell k = CellAt(I);
  return &SpanWalk3D<Type, ModulatedTexelOp<Type, k.palette, k.mode, k.blendGraph, k.alpha, k.transparent>>;
}

template <PixelType Type, int... I>
constexpr PlainRaster3DTable MakePlain(std::integer_sequence<int, I...>) {
  return {PlainCell<Type, I>()...};
}
template <PixelType Type, int... I>
constexpr ModulatedRaster3DTable MakeModulated(std::integer_sequence<int, I...>) {
  return {ModulatedCell<Type, I>()...};
}

}  // namespace raster3d_grid

template <PixelType Type>
const PlainRaster3DTable& GetPlainRaster3DTable() {
  static constexpr PlainRaster3DTable table = raster3d_grid::MakePlain<Type>(std::make_integer_sequence<int, kCellCount>{});
  return table;
}

template <PixelType Type>
const ModulatedRaster3DTable& GetModulatedRaster3DTable() {
  static constexpr ModulatedRaster3DTable table =
      raster3d_grid::MakeModulated<Type>(std::make_integer_sequence<int, kCellCount>{});
  return table;
}

}  // namespace zelvo::soft
