#pragma once
// The pixel operations and walks the plain and stretched blitters are generated from. A walk moves
// over source, destination and blend picture; an operation draws one source pixel onto one
// destination pixel. Both are templates over everything a call fixes, and each blitter's dispatch
// table holds one instantiation per cell of its grid.
#include <cstdint>
#include <cstring>

#include "media/core/runtime_routines.h"
#include "media/software/pixel_rules.h"
#include "media/software/row_kernels.h"

namespace zelvo::soft {

// Everything one call fixes before the first pixel.
struct BlitCall {
  uint8_t* dst;
  int32_t dstPitch;
  const uint8_t* src;
  int32_t srcRowStride;      // bytes; negative when mirrored
  const uint8_t* graph;      // blend picture at the first drawn pixel, or null
  int32_t graphRowStride;
  int32_t width;             // pixels drawn per row
  int32_t height;            // rows drawn
  uint32_t key;              // the source's transparent colour
  uint32_t rowKey;           // row forms: the key as their loops compare it
  bool rowKeyed;             // row forms: false when no stored value can equal the key
  const uint8_t* palette;    // palette sources: 2- or 4-byte entries
  const uint8_t* runCode;    // run path: the first byte of the source's TransparentRunCode
  const int32_t* columns;    // stretch: source column of each drawn pixel (StretchColumns)
  uint8_t* rowBuffer;        // stretch: room for one gathered row of 32-bit colours
  int32_t lowestColumn;      // stretch: the source row's columns relative to the first one read
  int32_t highestColumn;
  uint32_t stepY;            // stretch: 16.16 destination rows per source row
  int32_t phaseY;            // stretch: row accumulator at the first drawn row
  BlendRows rows;
};

using BlitLoop = void (*)(const BlitCall&);

// How a loop compares the colour key: the plain blitter compares the stored value with the key cut
// to the source's pixel width (its multi-pixel compares use the key repeated into bytes or halves);
// the stretched blitter compares with the whole key, except its 16-bit plain-copy fast loop.
enum class KeyRule : uint8_t { kCut, kWhole, kLow16 };

template <PixelType Type, bool Palette, bool Alpha>
constexpr int SourceBytes() {
  return Palette ? 1 : (Type == PixelType::k8888 ? 4 : (Alpha ? 4 : 2));
}
template <PixelType Type>
constexpr int DestBytes() {
  return Type == PixelType::k8888 ? 4 : 2;
}

// The stored value of a source pixel, its colour (palette looked up) and its alpha.
template <PixelType Type, bool Palette, bool Alpha>
ZELVO_PIXEL_INLINE void FetchSource(const BlitCall& c, const uint8_t* s, uint32_t& raw, uint32_t& colour, uint32_t& a) {
  FetchPixel<Type, Palette, Alpha>(c.palette, s, raw, colour, a);
}

template <PixelType Type, bool Palette, KeyRule Rule>
ZELVO_PIXEL_INLINE bool IsKeyed(uint32_t raw, uint32_t key) {
  if constexpr (Rule == KeyRule::kWhole) {
    return raw == key;
  } else if constexpr (Rule == KeyRule::kLow16) {
    return raw == (key & 0xFFFF);
  } else {
    return raw == (Palette ? (key & 0xFF) : (Type == PixelType::k8888 ? key : (key & 0xFFFF)));
  }
}

// The general rule over the grid: colour key (direct sources without alpha, and palette sources),
// source alpha (0 skips and 255 is no weight when the transparent flag is on), blend picture weight,
// then Combine. IgnoreAlpha is the plain blitter's alpha-ignoring copy.
template <PixelType Type, bool Palette, BlendMode Mode, bool BlendGraph, bool Tint, bool Alpha, bool Transparent,
          KeyRule Rule, bool IgnoreAlpha = false>
struct GeneralOp {
  static constexpr int kSrcBytes = SourceBytes<Type, Palette, Alpha>();
  static constexpr int kDstBytes = DestBytes<Type>();
  static constexpr bool kKeyed = Transparent && !Alpha;
  ZELVO_PIXEL_INLINE static void Apply(const BlitCall& c, uint8_t* d, const uint8_t* s, const uint8_t* g) {
    uint32_t raw, colour, a = 0;
    FetchSource<Type, Palette, Alpha>(c, s, raw, colour, a);
    uint32_t G = 0;
    if constexpr (BlendGraph) G = c.rows.graphTable[*g];
    if constexpr (Alpha && !IgnoreAlpha) {
      if constexpr (Transparent) {
        if (a == 0) return;
        if (a == 255) {
          Combine<Type, Mode, Tint, BlendGraph, false>(c.rows, d, colour, G, 0);
          return;
        }
      }
      Combine<Type, Mode, Tint, BlendGraph, true>(c.rows, d, colour, G, a);
    } else {
      if constexpr (Transparent && !Alpha) {
        if (IsKeyed<Type, Palette, Rule>(raw, c.key)) return;
      }
      Combine<Type, Mode, Tint, BlendGraph, false>(c.rows, d, colour, G, 0);
    }
  }
};

// Shortcut forms of the plain blitter and the stretched fast subtract: no blend picture, tint or
// source alpha; an optional colour key.
enum class SpecialKind : uint8_t { kHalf, kLerp6, kAddWord, kAddSaturate, kSub, kSubSaturate };

template <PixelType Type, bool Palette, bool Transparent, SpecialKind Kind, KeyRule Rule>
struct SpecialOp {
  static constexpr bool kKeyed = Transparent;
  static constexpr int kSrcBytes = SourceBytes<Type, Palette, false>();
  static constexpr int kDstBytes = DestBytes<Type>();
  ZELVO_PIXEL_INLINE static void Apply(const BlitCall& c, uint8_t* d, const uint8_t* s, const uint8_t*) {
    uint32_t raw, colour, a = 0;
    FetchSource<Type, Palette, false>(c, s, raw, colour, a);
    if constexpr (Transparent) {
      if (IsKeyed<Type, Palette, Rule>(raw, c.key)) return;
    }
    if constexpr (Type == PixelType::k8888) {
      const uint32_t dv = Load32(d);
      uint32_t v;
      if constexpr (Kind == SpecialKind::kHalf) v = Half32(colour, dv);
      else if constexpr (Kind == SpecialKind::kAddWord) v = Add32NoLowTerm(colour, dv);
      else if constexpr (Kind == SpecialKind::kAddSaturate) v = AddBytesSaturated(colour, dv);
      else if constexpr (Kind == SpecialKind::kSub) v = Sub32(colour, dv);
      else v = SubBytesSaturated(colour, dv);
      Store32(d, v);
    } else {
      const uint32_t dv = Load16(d);
      uint32_t v;
      if constexpr (Kind == SpecialKind::kHalf) v = Half16(colour, dv);
      else if constexpr (Kind == SpecialKind::kLerp6) v = Lerp6(c.rows.lerp6, colour, dv);
      else if constexpr (Kind == SpecialKind::kAddWord) v = Add16NoLowTerm(colour, dv);
      else v = Sub16(colour, dv);
      Store16(d, v);
    }
  }
};

// Rows a plain loop can hand over whole: a move of the row's bytes, or a row form of row_kernels.h.
// Only unkeyed direct sources without weights or tint qualify (row forms: 32-bit only).
constexpr int kRowNone = -1;
constexpr int kRowMove = 100;

template <PixelType Type, bool Palette, BlendMode Mode, bool BlendGraph, bool Tint, bool Alpha, bool Transparent>
constexpr int GeneralRowForm() {
  if (Mode == BlendMode::kNone && Alpha && Transparent && !BlendGraph && !Tint) {
    return Type == PixelType::k8888 ? static_cast<int>(kRowAlphaSource) : static_cast<int>(kRow16AlphaSource);
  }
  if (Mode == BlendMode::kAlpha && Alpha && !BlendGraph && !Tint) {
    if (Type == PixelType::k8888) return Transparent ? static_cast<int>(kRowAlphaParam) : static_cast<int>(kRowAlphaParamAll);
    return Transparent ? static_cast<int>(kRow16AlphaParam) : static_cast<int>(kRow16AlphaParamAll);
  }
  if (Palette || BlendGraph || Tint || Alpha) return kRowNone;
  if (Mode == BlendMode::kNone) {
    if (!Transparent) return kRowMove;
    return Type == PixelType::k8888 ? static_cast<int>(kRowCopy) : static_cast<int>(kRow16Copy);
  }
  if (Type == PixelType::k565) {
    switch (Mode) {
      case BlendMode::kAlpha: return kRow16SignedLerp;
      case BlendMode::kAdd: return kRow16Add;
      case BlendMode::kSubtract: return kRow16Sub;
      default: return kRow16Multiply;
    }
  }
  switch (Mode) {
    case BlendMode::kAlpha: return kRowLerp;
    case BlendMode::kAdd: return kRowAdd;
    case BlendMode::kSubtract: return kRowSub;
    default: return kRowMultiply;
  }
}

template <PixelType Type, bool Palette, bool Transparent, SpecialKind Kind>
constexpr int SpecialRowForm() {
  if (Palette) return kRowNone;
  if (Type == PixelType::k565) {
    switch (Kind) {
      case SpecialKind::kHalf: return kRow16Half;
      case SpecialKind::kLerp6: return kRow16Lerp6;
      case SpecialKind::kSub: return kRow16Sub;
      default: return kRowNone;
    }
  }
  switch (Kind) {
    case SpecialKind::kHalf: return kRowHalf;
    case SpecialKind::kAddWord: return kRowAddWord;
    case SpecialKind::kAddSaturate: return kRowAddSaturate;
    case SpecialKind::kSub: return kRowSub;
    case SpecialKind::kSubSaturate: return kRowSubSaturate;
    default: return kRowNone;
  }
}

// Hands rows of source colours to the row form of the destination's colour type, with the call's
// colour key when the loop has the transparent flag; the loop is picked once per call.
template <class Op>
class RowBlendOf {
 public:
  RowBlendOf(const BlitCall& c, int form) : call_(c) {
    const uint32_t* key = Op::kKeyed && c.rowKeyed ? &c.rowKey : nullptr;
    if (form == kRowNone || form == kRowMove) return;
    blend_ = Op::kDstBytes == 4 ? PickRowBlend32(form, key) : PickRowBlend16(form, key);
  }
  void Blend(uint8_t* dst, const uint8_t* src) const { BlendRowWith(blend_, dst, src, call_.width, call_.rows.param); }

 private:
  const BlitCall& call_;
  RowBlend blend_{};
};

// The plain walk: rows top to bottom, pixels left to right.
template <class Op, int RowForm>
void PlainWalk(const BlitCall& c) {
  if constexpr (RowForm != kRowNone) {
    // Rows that follow each other without a gap in both pictures go over as one long row.
    if (c.height > 1 && c.dstPitch == c.width * Op::kDstBytes && c.srcRowStride == c.width * Op::kSrcBytes &&
        static_cast<int64_t>(c.width) * c.height <= 0x7FFFFFFF) {
      BlitCall whole = c;
      whole.width = c.width * c.height;
      whole.height = 1;
      PlainWalk<Op, RowForm>(whole);
      return;
    }
  }
  uint8_t* dRow = c.dst;
  const uint8_t* sRow = c.src;
  const uint8_t* gRow = c.graph;
  [[maybe_unused]] const RowBlendOf<Op> rows(c, RowForm);
  for (int y = 0; y < c.height; ++y) {
    if constexpr (RowForm == kRowMove) {
      CopyRowBytes(dRow, sRow, static_cast<size_t>(c.width) * Op::kDstBytes);
    } else if constexpr (RowForm != kRowNone) {
      rows.Blend(dRow, sRow);
    } else {
      uint8_t* d = dRow;
      const uint8_t* s = sRow;
      const uint8_t* g = gRow;
      for (int x = 0; x < c.width; ++x) {
        Op::Apply(c, d, s, g);
        d += Op::kDstBytes;
        s += Op::kSrcBytes;
        if (g) ++g;
      }
    }
    dRow += c.dstPitch;
    sRow += c.srcRowStride;
    if (gRow) gRow += c.graphRowStride;
  }
}

// The source column (in pixels from the row's first drawn pixel, negative when mirrored) shown by
// each drawn destination pixel: the 16.16 column walk, the same for every row, done once per call.
// The general loops advance the source while the accumulator is 0 or below, the fast loops while it
// is below 0.
inline void StretchColumns(int32_t* columns, int count, int32_t phase, uint32_t step, int direction, bool fastAdvance) {
  int64_t acc = phase;
  int32_t column = 0;
  for (int i = 0;; ++i) {
    columns[i] = column;
    if (i == count - 1) break;
    acc -= 0x10000;
    if (acc > 0) continue;
    do {
      column += direction;
      acc += step;
    } while (fastAdvance ? acc < 0 : acc <= 0);
  }
}

// The stretched walk: rows by the 16.16 row accumulator, columns from the call's column table.
// Rows a loop can hand over whole are gathered into the row buffer first; a plain copy that shows
// the same source row again copies the destination row above.
template <class Op, bool FastAdvance, int RowForm>
void StretchWalk(const BlitCall& c) {
  constexpr int kSrcBytes = Op::kSrcBytes, kDstBytes = Op::kDstBytes;
  const int32_t* columns = c.columns;
  uint8_t* dRow = c.dst;
  const uint8_t* sRow = c.src;
  const uint8_t* gRow = c.graph;
  int64_t phaseY = c.phaseY;
  bool sameRow = false;
  [[maybe_unused]] const RowBlendOf<Op> rows(c, RowForm);
  for (int y = 0;; ++y) {
    if constexpr (RowForm == kRowMove) {
      if (sameRow) {
        std::memcpy(dRow, dRow - c.dstPitch, static_cast<size_t>(c.width) * kDstBytes);
      } else if constexpr (kDstBytes == 4) {
        GatherRow32(dRow, sRow, columns, c.width, c.lowestColumn, c.highestColumn);
      } else {
        for (int i = 0; i < c.width; ++i) std::memcpy(dRow + i * kDstBytes, sRow + columns[i] * kSrcBytes, kDstBytes);
      }
    } else if constexpr (RowForm != kRowNone) {
      if constexpr (kDstBytes == 4) {
        GatherRow32(c.rowBuffer, sRow, columns, c.width, c.lowestColumn, c.highestColumn);
      } else {
        for (int i = 0; i < c.width; ++i) {
          std::memcpy(c.rowBuffer + i * kSrcBytes, sRow + columns[i] * kSrcBytes, kSrcBytes);
        }
      }
      rows.Blend(dRow, c.rowBuffer);
    } else {
      for (int i = 0; i < c.width; ++i) {
        Op::Apply(c, dRow + i * kDstBytes, sRow + columns[i] * kSrcBytes, gRow ? gRow + columns[i] : nullptr);
      }
    }
    if (y == c.height - 1) break;
    dRow += c.dstPitch;
    phaseY -= 0x10000;
    sameRow = phaseY > 0;
    if (sameRow) continue;
    do {
      sRow += c.srcRowStride;
      if (gRow) gRow += c.graphRowStride;
      phaseY += c.stepY;
    } while (FastAdvance ? phaseY < 0 : phaseY <= 0);
  }
}

// The plain blitter's whole-word add and subtract at parameter 255 on 16-bit pictures: pixels in
// pairs from the first drawn pixel of each row; a pair with one key pixel, and a lone last pixel,
// go through the single-pixel forms.
template <bool Palette, bool Transparent, bool Add>
void PairWalk16(const BlitCall& c) {
  if constexpr (!Palette && !Transparent) {
    uint8_t* dRow = c.dst;
    const uint8_t* sRow = c.src;
    const RowBlend rows = PickRowBlend16(Add ? kRow16PairAdd : kRow16PairSub, nullptr);
    for (int y = 0; y < c.height; ++y, dRow += c.dstPitch, sRow += c.srcRowStride) BlendRowWith(rows, dRow, sRow, c.width, 255);
    return;
  }
  constexpr int kSrcBytes = Palette ? 1 : 2;
  auto colourOf = [&c](const uint8_t* s) { return Palette ? Load16(c.palette + *s * 2) : Load16(s); };
  auto rawOf = [](const uint8_t* s) { return Palette ? static_cast<uint32_t>(*s) : Load16(s); };
  const uint32_t key = Palette ? (c.key & 0xFF) : (c.key & 0xFFFF);
  auto single = [](uint32_t s, uint8_t* d) { Store16(d, Add ? Add16NoLowTerm(s, Load16(d)) : Sub16(s, Load16(d))); };
  uint8_t* dRow = c.dst;
  const uint8_t* sRow = c.src;
  for (int y = 0; y < c.height; ++y) {
    uint8_t* d = dRow;
    const uint8_t* s = sRow;
    int x = 0;
    for (; x + 2 <= c.width; x += 2, d += 4, s += 2 * kSrcBytes) {
      const uint32_t s0 = colourOf(s), s1 = colourOf(s + kSrcBytes);
      if constexpr (Transparent) {
        const bool k0 = rawOf(s) == key, k1 = rawOf(s + kSrcBytes) == key;
        if (k0 && k1) continue;
        if (k0 || k1) {
          if (!k0) single(s0, d);
          if (!k1) single(s1, d + 2);
          continue;
        }
      }
      const uint32_t s2 = s0 | s1 << 16, d2 = Load32(d);
      Store32(d, Add ? AddPair16(s2, d2) : SubPair16(s2, d2));
    }
    if (x < c.width) {
      if (!Transparent || rawOf(s) != key) single(colourOf(s), d);
    }
    dRow += c.dstPitch;
    sRow += c.srcRowStride;
  }
}

// The transparent-run path: the source's run code says which pixels to skip, draw opaque or draw
// by their own alpha. Runs are cut at the row's end, so a damaged code cannot write past the row.
template <PixelType Type, bool Palette, BlendMode Mode, bool BlendGraph, bool Tint, bool Alpha>
void RunWalk(const BlitCall& c) {
  constexpr int kSrcBytes = SourceBytes<Type, Palette, Alpha>();
  constexpr int kDstBytes = DestBytes<Type>();
  constexpr bool kMoveOpaque = Mode == BlendMode::kNone && !BlendGraph && !Tint && !Palette && kSrcBytes == kDstBytes;
  const uint8_t* code = c.runCode;
  uint8_t* dRow = c.dst;
  const uint8_t* sRow = c.src;
  const uint8_t* gRow = c.graph;
  for (int y = 0; y < c.height; ++y) {
    uint8_t* d = dRow;
    const uint8_t* s = sRow;
    const uint8_t* g = gRow;
    int x = 0;
    for (;;) {
      const uint8_t b = *code++;
      const int kind = b >> 6;
      if (kind == kRunEnd) break;
      int n = (b & 0x3F) + 1;
      if (n > c.width - x) n = c.width - x;
      if (kind == kRunSkip) {
        // passed over
      } else if (kMoveOpaque && (kind == kRunOpaque || !Alpha)) {
        std::memcpy(d, s, static_cast<size_t>(n) * kDstBytes);
      } else {
        for (int i = 0; i < n; ++i) {
          uint32_t raw, colour, a = 0;
          FetchSource<Type, Palette, Alpha>(c, s + i * kSrcBytes, raw, colour, a);
          const uint32_t G = BlendGraph ? c.rows.graphTable[g[i]] : 0;
          bool ownAlpha = false;
          if constexpr (Alpha) ownAlpha = kind == kRunOwnAlpha;
          if (ownAlpha) {
            if constexpr (Alpha) Combine<Type, Mode, Tint, BlendGraph, true>(c.rows, d + i * kDstBytes, colour, G, a);
          } else {
            Combine<Type, Mode, Tint, BlendGraph, false>(c.rows, d + i * kDstBytes, colour, G, 0);
          }
        }
      }
      x += n;
      d += n * kDstBytes;
      s += n * kSrcBytes;
      if (g) g += n;
    }
    dRow += c.dstPitch;
    sRow += c.srcRowStride;
    if (gRow) gRow += c.graphRowStride;
  }
}

}  // namespace zelvo::soft
