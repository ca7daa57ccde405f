#pragma once
// The pixel kernels the rotated blitter and the triangle mapper share. Both samplers hand the
// kernels one destination row at a time as a run of pixels with a source position in 14.18 fixed
// point that steps by a fixed amount per pixel; a pixel whose position lies outside the source is
// passed over. One span loop per cell of the grid (palette or direct source, blend mode, blend
// picture, tint, source alpha, transparent flag) runs the general rule of pixel_rules.h with the
// colour key compared over the whole stored value. A flat-colour span per blend mode serves the
// untextured triangle.
#include <array>
#include <climits>
#include <cstdint>

#include "media/software/blit_grid.h"

namespace zelvo::soft {

constexpr int kFixedShift = 18;                 // 14.18 fixed point
constexpr int32_t kFixedOne = 1 << kFixedShift;
// Widest and tallest source the samplers accept: width << 18 must stay an unsigned 32-bit bound.
constexpr int32_t kMaxMappedSource = 8192;

// Everything one mapped draw fixes before its first row.
struct MapCall {
  const uint8_t* src;        // source row 0
  int32_t srcPitch;
  const uint8_t* graph;      // blend picture row 0, or null
  int32_t graphPitch;
  uint32_t uLimit, vLimit;   // source width and height << 18
  uint32_t du, dv;           // position step per destination pixel
  uint32_t flatColour;       // flat spans: the tinted colour
  BlitCall op;               // key, palette and table rows for the pixel rule
  void (*scalar)(const MapCall&, uint8_t*, int, uint32_t, uint32_t);   // the cell's scalar span
};

// Draws `count` pixels from d rightwards, the first at source position (u, v).
using MapSpan = void (*)(const MapCall& c, uint8_t* d, int count, uint32_t u, uint32_t v);

// Vector spans for the direct cells without blend picture or tint, by run-time processor check;
// each gives the same bytes as its scalar cell. Null for a cell without one.
MapSpan VectorMapSpan(int level, int type, const LoopCell& cell);

struct MapSpanTable {
  std::array<MapSpan, kCellCount> textured;        // indexed by CellIndex
  std::array<MapSpan, kBlendModeCount> flat;       // indexed by blend mode
};

template <PixelType Type>
const MapSpanTable& GetMapSpanTable();
extern template const MapSpanTable& GetMapSpanTable<PixelType::k565>();
extern template const MapSpanTable& GetMapSpanTable<PixelType::k8888>();

// The scalar span of a cell, and the flat span of a blend mode.
MapSpan ChooseMapSpan(int type, const LoopCell& cell);
MapSpan ChooseFlatSpan(int type, BlendMode mode);

// Set-up both samplers share for a textured draw: the refusals (colour types, destination with a
// palette or alpha, a source too large for 14.18 positions, a blend picture that is not an 8-bit
// picture covering the source, a blend mode that draws nothing), the call's constants except the
// steps, and its span. Null when the call draws nothing.
MapSpan PrepareTexturedCall(MapCall* c, const MEMIMG* destination, const MEMIMG* source, int transparentFlag,
                            const MEMIMG* blendGraph);
// The same for a flat-colour draw of `colour` into the destination.
MapSpan PrepareFlatCall(MapCall* c, const MEMIMG* destination, uint32_t colour);

// Blend mode after the parameter shortcuts for a textured draw (palette sources still subtract at
// parameter 0), or -1 when the call draws nothing.
int MappedBlendMode(bool palette);
// The same for a flat-colour draw.
int FlatBlendMode();

// The pixels j of [0, count) whose position p + j * step lies inside [0, limit), as [*first, *end).
// Positions wrap at 32 bits and are compared unsigned; as long as the progression stays inside the
// signed 32-bit range over the span, the positions inside form one run. Its ends need a division
// only where the span crosses an edge of the source, and every quotient fits 32 unsigned bits.
// False when the progression leaves that range: the span then tests each pixel.
inline bool InsideRun(uint32_t p, uint32_t step, uint32_t limit, int count, int* first, int* end) {
  const int64_t p0 = static_cast<int32_t>(p), s = static_cast<int32_t>(step), L = limit;
  const int64_t last = p0 + s * (count - 1);
  if (last < INT32_MIN || last > INT32_MAX) return false;
  int64_t lo = 0, hi = count - 1;   // inclusive
  if (s == 0) {
    if (p0 < 0 || p0 >= L) hi = -1;
  } else if (s > 0) {
    const uint32_t t = static_cast<uint32_t>(s);
    if (p0 < 0) lo = (static_cast<uint32_t>(-p0) + t - 1) / t;
    if (p0 >= L) hi = -1;
    else if (last >= L) hi = static_cast<uint32_t>(L - 1 - p0) / t;
  } else {
    const uint32_t t = static_cast<uint32_t>(-s);
    if (p0 >= L) lo = (static_cast<uint32_t>(p0 - (L - 1)) + t - 1) / t;
    if (p0 < 0) hi = -1;
    else if (last < 0) hi = static_cast<uint32_t>(p0) / t;
  }
  if (hi > count - 1) hi = count - 1;
  *first = static_cast<int>(lo < count ? lo : count);
  *end = static_cast<int>(hi < lo ? *first : hi + 1);
  return true;
}

// The pixels of a span that lie inside the source, as a run [first, end); the whole span with the
// per-pixel test (checked) where the positions wrap within it.
struct SpanRun {
  int first, end;
  bool checked;
};
inline SpanRun FindSpanRun(const MapCall& c, int count, uint32_t u, uint32_t v) {
  SpanRun r{0, count, true};
  int f1, e1, f2, e2;
  if (InsideRun(u, c.du, c.uLimit, count, &f1, &e1) && InsideRun(v, c.dv, c.vLimit, count, &f2, &e2)) {
    r.first = f1 > f2 ? f1 : f2;
    r.end = e1 < e2 ? e1 : e2;
    if (r.end < r.first) r.end = r.first;
    r.checked = false;
  }
  return r;
}

template <PixelType Type, bool Palette, BlendMode Mode, bool BlendGraph, bool Tint, bool Alpha, bool Transparent>
void TexturedSpan(const MapCall& c, uint8_t* d, int count, uint32_t u, uint32_t v) {
  using Op = GeneralOp<Type, Palette, Mode, BlendGraph, Tint, Alpha, Transparent, KeyRule::kWhole>;
  auto visit = [&c](uint8_t* dp, uint32_t pu, uint32_t pv) {
    const uint32_t column = pu >> kFixedShift, row = pv >> kFixedShift;
    const uint8_t* s = c.src + static_cast<ptrdiff_t>(row) * c.srcPitch + column * Op::kSrcBytes;
    const uint8_t* g = nullptr;
    if constexpr (BlendGraph) g = c.graph + static_cast<ptrdiff_t>(row) * c.graphPitch + column;
    Op::Apply(c.op, dp, s, g);
  };
  const SpanRun run = FindSpanRun(c, count, u, v);
  if (run.checked) {
    for (int i = 0; i < count; ++i, d += Op::kDstBytes, u += c.du, v += c.dv) {
      if (u < c.uLimit && v < c.vLimit) visit(d, u, v);
    }
    return;
  }
  u += static_cast<uint32_t>(run.first) * c.du;
  v += static_cast<uint32_t>(run.first) * c.dv;
  d += run.first * Op::kDstBytes;
  for (int i = run.first; i < run.end; ++i, d += Op::kDstBytes, u += c.du, v += c.dv) visit(d, u, v);
}

template <PixelType Type, BlendMode Mode>
void FlatSpan(const MapCall& c, uint8_t* d, int count, uint32_t, uint32_t) {
  constexpr int kBytes = DestBytes<Type>();
  for (int i = 0; i < count; ++i, d += kBytes) Combine<Type, Mode, false, false, false>(c.op.rows, d, c.flatColour, 0, 0);
}

namespace mapgrid {

template <PixelType Type, int I>
constexpr MapSpan TexturedCell() {
  constexpr LoopCell k = CellAt(I);
  return &TexturedSpan<Type, k.palette, k.mode, k.blendGraph, k.tint, k.alpha, k.transparent>;
}

template <PixelType Type, int... I>
constexpr auto MakeTextured(std::integer_sequence<int, I...>) {
  return std::array<MapSpan, sizeof...(I)>{TexturedCell<Type, I>()...};
}

}  // namespace mapgrid

template <PixelType Type>
const MapSpanTable& GetMapSpanTable() {
  static const MapSpanTable table = [] {
    MapSpanTable t{};
    t.textured = mapgrid::MakeTextured<Type>(std::make_integer_sequence<int, kCellCount>{});
    t.flat = {&FlatSpan<Type, BlendMode::kNone>, &FlatSpan<Type, BlendMode::kAlpha>, &FlatSpan<Type, BlendMode::kAdd>,
              &FlatSpan<Type, BlendMode::kSubtract>, &FlatSpan<Type, BlendMode::kMultiply>};
    return t;
  }();
  return table;
}

}  // namespace zelvo::soft
