#pragma once
// The dispatch tables of the plain and stretched blitters: one loop per cell of the grid, built from
// the templates of blit_kernels.h. The tables of each colour type are instantiated in one file.
#include <array>
#include <utility>

#include "media/software/blit_kernels.h"

namespace zelvo::soft {

// Index of a general-rule cell: ((((palette * 5 + mode) * 2 + graph) * 2 + tint) * 2 + alpha) * 2 + trans.
constexpr int kGridCells = 2 * 5 * 2 * 2 * 2 * 2;
constexpr int GridIndex(bool pal, int mode, bool bg, bool tint, bool alpha, bool trans) {
  return ((((static_cast<int>(pal) * 5 + mode) * 2 + bg) * 2 + tint) * 2 + (alpha && !pal)) * 2 + trans;
}

// Run-path cells have no trans axis: index = GridIndex(...) / 2.
constexpr int kRunCells = kGridCells / 2;

// Special loops: [palette][trans][kind].
constexpr int kSpecialKinds = 6;
// Stretched fast loops: [palette][trans][kind]: 0 plain copy, 1 subtract, 2 saturating subtract.
constexpr int kStretchFastKinds = 3;

struct BlitTables {
  std::array<BlitLoop, kGridCells> plain;
  std::array<BlitLoop, kRunCells> run;
  std::array<BlitLoop, 2 * 2 * kSpecialKinds> special;
  std::array<BlitLoop, 2 * 2> pairAdd;   // 16-bit only: [palette][trans]
  std::array<BlitLoop, 2 * 2> pairSub;
  std::array<BlitLoop, kGridCells> stretch;
  std::array<BlitLoop, 2 * 2 * kStretchFastKinds> stretchFast;
};

// What the source, the blend state and the flags choose among the loops. The mode is the one drawn
// with: alpha at parameter 255 is a copy. False when the draw cannot change the destination (alpha,
// add, or a direct-colour subtract at parameter 0) or the mode is not one of the five.
struct BlitChoice {
  int mode, param;
  bool pal, bg, tint, alpha, trans;
};

inline bool ChooseBlit(const MEMIMG* source, const MEMIMG* blendGraph, int transparentFlag, BlitChoice* out) {
  int mode = g_softBlend.blendMode;
  const int param = g_softBlend.blendParam;
  const bool pal = source->paletteFlag != 0;
  if (mode < kBlendNone || mode > kBlendMultiply) return false;
  if (mode == kBlendAlpha) {
    if (param == 255) mode = kBlendNone;
    else if (param == 0) return false;
  }
  if ((mode == kBlendAdd || (mode == kBlendSubtract && !pal)) && param == 0) return false;
  *out = BlitChoice{mode, param, pal, blendGraph != nullptr, TintIsOn(g_softBlend.drawTint),
                    !pal && source->alphaFlag != 0, transparentFlag != 0};
  return true;
}

template <int Type>
const BlitTables& GetBlitTables();

extern template const BlitTables& GetBlitTables<kMemImg565>();
extern template const BlitTables& GetBlitTables<kMemImg8888>();

namespace grid {

template <int I>
constexpr bool Bit(int n) {
  return (I >> n) & 1;
}

template <int Type, int I>
constexpr BlitLoop PlainCell() {
  constexpr bool trans = Bit<I>(0), alpha = Bit<I>(1), tint = Bit<I>(2), bg = Bit<I>(3);
  constexpr int mode = (I >> 4) % 5;
  constexpr bool pal = (I >> 4) / 5;
  constexpr bool ignoreAlpha = mode == kBlendNone && alpha && !trans && !bg && !tint;
  using Op = GeneralOp<Type, pal, mode, bg, tint, alpha && !pal, trans, kKeyCut, ignoreAlpha>;
  return &PlainWalk<Op, ignoreAlpha ? kRowNone : GeneralRowForm<Type, pal, mode, bg, tint, alpha && !pal, trans>()>;
}

template <int Type, int I>
constexpr BlitLoop RunCell() {
  constexpr bool alpha = Bit<I>(0), tint = Bit<I>(1), bg = Bit<I>(2);
  constexpr int mode = (I >> 3) % 5;
  constexpr bool pal = (I >> 3) / 5;
  return &RunWalk<Type, pal, mode, bg, tint, alpha && !pal>;
}

template <int Type, int I>
constexpr BlitLoop SpecialCell() {
  constexpr int kind = I % kSpecialKinds;
  constexpr bool trans = (I / kSpecialKinds) & 1, pal = I / kSpecialKinds / 2;
  using Op = SpecialOp<Type, pal, trans, kind, kKeyCut>;
  return &PlainWalk<Op, SpecialRowForm<Type, pal, trans, kind>()>;
}

template <int Type, int I>
constexpr BlitLoop StretchCell() {
  constexpr bool trans = Bit<I>(0), alpha = Bit<I>(1), tint = Bit<I>(2), bg = Bit<I>(3);
  constexpr int mode = (I >> 4) % 5;
  constexpr bool pal = (I >> 4) / 5;
  return &StretchWalk<GeneralOp<Type, pal, mode, bg, tint, alpha && !pal, trans, kKeyWhole>, false,
                      GeneralRowForm<Type, pal, mode, bg, tint, alpha && !pal, trans>()>;
}

template <int Type, int I>
constexpr BlitLoop StretchFastCell() {
  constexpr int kind = I % kStretchFastKinds;
  constexpr bool trans = (I / kStretchFastKinds) & 1, pal = I / kStretchFastKinds / 2;
  if constexpr (kind == 0) {
    constexpr int rule = (Type == kMemImg565 && !pal) ? kKeyLow16 : kKeyWhole;
    return &StretchWalk<GeneralOp<Type, pal, kBlendNone, false, false, false, trans, rule>, true,
                        GeneralRowForm<Type, pal, kBlendNone, false, false, false, trans>()>;
  } else {
    constexpr int special = kind == 1 ? kSpecialSub : kSpecialSubSaturate;
    return &StretchWalk<SpecialOp<Type, pal, trans, special, kKeyWhole>, true, SpecialRowForm<Type, pal, trans, special>()>;
  }
}

template <int Type, int... I>
constexpr auto MakePlain(std::integer_sequence<int, I...>) {
  return std::array<BlitLoop, sizeof...(I)>{PlainCell<Type, I>()...};
}
template <int Type, int... I>
constexpr auto MakeRun(std::integer_sequence<int, I...>) {
  return std::array<BlitLoop, sizeof...(I)>{RunCell<Type, I>()...};
}
template <int Type, int... I>
constexpr auto MakeSpecial(std::integer_sequence<int, I...>) {
  return std::array<BlitLoop, sizeof...(I)>{SpecialCell<Type, I>()...};
}
template <int Type, int... I>
constexpr auto MakeStretch(std::integer_sequence<int, I...>) {
  return std::array<BlitLoop, sizeof...(I)>{StretchCell<Type, I>()...};
}
template <int Type, int... I>
constexpr auto MakeStretchFast(std::integer_sequence<int, I...>) {
  return std::array<BlitLoop, sizeof...(I)>{StretchFastCell<Type, I>()...};
}

}  // namespace grid

template <int Type>
const BlitTables& GetBlitTables() {
  static const BlitTables tables = [] {
    BlitTables t{};
    t.plain = grid::MakePlain<Type>(std::make_integer_sequence<int, kGridCells>{});
    t.run = grid::MakeRun<Type>(std::make_integer_sequence<int, kRunCells>{});
    t.special = grid::MakeSpecial<Type>(std::make_integer_sequence<int, 2 * 2 * kSpecialKinds>{});
    t.stretch = grid::MakeStretch<Type>(std::make_integer_sequence<int, kGridCells>{});
    t.stretchFast = grid::MakeStretchFast<Type>(std::make_integer_sequence<int, 2 * 2 * kStretchFastKinds>{});
    if constexpr (Type == kMemImg565) {
      t.pairAdd = {&PairWalk16<false, false, true>, &PairWalk16<false, true, true>, &PairWalk16<true, false, true>,
                   &PairWalk16<true, true, true>};
      t.pairSub = {&PairWalk16<false, false, false>, &PairWalk16<false, true, false>, &PairWalk16<true, false, false>,
                   &PairWalk16<true, true, false>};
    }
    return t;
  }();
  return tables;
}

}  // namespace zelvo::soft
