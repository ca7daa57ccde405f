#pragma once
// The dispatch tables of the plain and stretched blitters: one loop per cell of the grid, built from
// the templates of blit_kernels.h, and the fast paths that fixed parameters open. The tables of
// each colour type are instantiated in one file.
#include <array>
#include <utility>

#include "media/software/blit_kernels.h"

namespace zelvo::soft {

// What the source, the blend state and the flags choose among the loops. The mode is the one drawn
// with: alpha at parameter 255 is a copy. False when the draw cannot change the destination (alpha,
// add, or a direct-colour subtract at parameter 0) or the mode is not one of the five.
struct BlitChoice {
  LoopCell cell;
  int param;
};

inline bool ChooseBlit(const MEMIMG* source, const MEMIMG* blendGraph, int transparentFlag, BlitChoice* out) {
  int mode = g_softBlend.blendMode;
  const int param = g_softBlend.blendParam;
  const bool palette = source->paletteFlag != 0;
  if (mode < kBlendNone || mode > kBlendMultiply) return false;
  if (mode == kBlendAlpha) {
    if (param == 255) mode = kBlendNone;
    else if (param == 0) return false;
  }
  if ((mode == kBlendAdd || (mode == kBlendSubtract && !palette)) && param == 0) return false;
  out->cell = LoopCell{palette, static_cast<BlendMode>(mode), blendGraph != nullptr, TintIsOn(g_softBlend.drawTint),
                       !palette && source->alphaFlag != 0, transparentFlag != 0};
  out->param = param;
  return true;
}

// The fast paths: loops for draws without blend picture, tint or source alpha, opened by a fixed
// parameter, a colour type or the packed-forms switch (g_softBlend.mmxUsable). The first row that
// matches the draw gives its loops, which differ only in the palette and transparent flags.
enum class BlitOperation : uint8_t { kPlain, kStretch };
enum class FastLoop : uint8_t {
  kHalf,                // alpha at 128: the half blend
  kLerp6,               // 16-bit alpha through the six-bit lerp table
  kPairAdd,             // 16-bit add at 255, pixels in pairs
  kPairSub,             // 16-bit subtract at 255, pixels in pairs
  kAddSaturate,         // 32-bit add at 255, each byte saturated
  kAddWord,             // 32-bit add at 255, whole-word form
  kSubSaturate,         // 32-bit subtract at 255, each byte saturated
  kSub,                 // 32-bit subtract at 255, whole-word form
  kStretchCopy,         // stretched copy
  kStretchSubSaturate,  // stretched 32-bit subtract at 255, each byte saturated
  kStretchSub,          // stretched subtract at 255, whole-word form
};
constexpr int kFastLoopCount = static_cast<int>(FastLoop::kStretchSub) + 1;
enum class Packed : uint8_t { kAny, kYes, kNo };
constexpr int kAnyType = -1;
constexpr int kAnyParam = -1;

struct FastPath {
  BlitOperation operation;
  int type;          // colour type, or kAnyType
  BlendMode mode;
  int param;         // blend parameter, or kAnyParam
  Packed packed;
  FastLoop loop;
};

inline constexpr FastPath kFastPaths[] = {
    // operation              type         mode                  param      packed        loops
    {BlitOperation::kPlain,   kAnyType,    BlendMode::kAlpha,    128,       Packed::kAny, FastLoop::kHalf},
    {BlitOperation::kPlain,   kMemImg565,  BlendMode::kAlpha,    kAnyParam, Packed::kAny, FastLoop::kLerp6},
    {BlitOperation::kPlain,   kMemImg565,  BlendMode::kAdd,      255,       Packed::kAny, FastLoop::kPairAdd},
    {BlitOperation::kPlain,   kMemImg565,  BlendMode::kSubtract, 255,       Packed::kAny, FastLoop::kPairSub},
    {BlitOperation::kPlain,   kMemImg8888, BlendMode::kAdd,      255,       Packed::kYes, FastLoop::kAddSaturate},
    {BlitOperation::kPlain,   kMemImg8888, BlendMode::kAdd,      255,       Packed::kNo,  FastLoop::kAddWord},
    {BlitOperation::kPlain,   kMemImg8888, BlendMode::kSubtract, 255,       Packed::kYes, FastLoop::kSubSaturate},
    {BlitOperation::kPlain,   kMemImg8888, BlendMode::kSubtract, 255,       Packed::kNo,  FastLoop::kSub},
    {BlitOperation::kStretch, kAnyType,    BlendMode::kNone,     kAnyParam, Packed::kAny, FastLoop::kStretchCopy},
    {BlitOperation::kStretch, kMemImg8888, BlendMode::kSubtract, 255,       Packed::kYes, FastLoop::kStretchSubSaturate},
    {BlitOperation::kStretch, kAnyType,    BlendMode::kSubtract, 255,       Packed::kAny, FastLoop::kStretchSub},
};

// The fast path a draw of colour type `type` takes, or null.
inline const FastPath* FindFastPath(BlitOperation operation, int type, const BlitChoice& choice) {
  const LoopCell& cell = choice.cell;
  if (cell.blendGraph || cell.tint || cell.alpha) return nullptr;
  const Packed packed = g_softBlend.mmxUsable != 0 ? Packed::kYes : Packed::kNo;
  for (const FastPath& row : kFastPaths) {
    if (row.operation == operation && (row.type == kAnyType || row.type == type) && row.mode == cell.mode &&
        (row.param == kAnyParam || row.param == choice.param) && (row.packed == Packed::kAny || row.packed == packed)) {
      return &row;
    }
  }
  return nullptr;
}

// Where a fast path's loop for the palette and transparent flags sits among its four.
constexpr int FastFlagIndex(bool palette, bool transparent) { return (palette ? 2 : 0) + (transparent ? 1 : 0); }

using FastLoops = std::array<BlitLoop, 4>;

struct BlitTables {
  std::array<BlitLoop, kCellCount> plain;
  std::array<BlitLoop, kCellCount> run;       // the transparent flag is implied
  std::array<BlitLoop, kCellCount> stretch;
  std::array<FastLoops, kFastLoopCount> fast;  // null where the colour type has no such path
};

template <PixelType Type>
const BlitTables& GetBlitTables();

extern template const BlitTables& GetBlitTables<PixelType::k565>();
extern template const BlitTables& GetBlitTables<PixelType::k8888>();

namespace grid {

template <PixelType Type, LoopCell K, KeyRule Rule, bool IgnoreAlpha = false>
using CellOp = GeneralOp<Type, K.palette, K.mode, K.blendGraph, K.tint, K.alpha, K.transparent, Rule, IgnoreAlpha>;

template <PixelType Type, LoopCell K>
constexpr int CellRowForm() {
  return GeneralRowForm<Type, K.palette, K.mode, K.blendGraph, K.tint, K.alpha, K.transparent>();
}

template <PixelType Type, int I>
constexpr BlitLoop PlainCell() {
  constexpr LoopCell k = CellAt(I);
  // An opaque copy of an alpha source without the transparent flag moves the stored words.
  constexpr bool ignoreAlpha = k.mode == BlendMode::kNone && k.alpha && !k.transparent && !k.blendGraph && !k.tint;
  return &PlainWalk<CellOp<Type, k, KeyRule::kCut, ignoreAlpha>, ignoreAlpha ? kRowNone : CellRowForm<Type, k>()>;
}

template <PixelType Type, int I>
constexpr BlitLoop RunCell() {
  constexpr LoopCell k = CellAt(I);
  return &RunWalk<Type, k.palette, k.mode, k.blendGraph, k.tint, k.alpha>;
}

template <PixelType Type, int I>
constexpr BlitLoop StretchCell() {
  constexpr LoopCell k = CellAt(I);
  return &StretchWalk<CellOp<Type, k, KeyRule::kWhole>, false, CellRowForm<Type, k>()>;
}

template <PixelType Type, bool Palette, bool Transparent, SpecialKind Kind, KeyRule Rule, bool Stretched>
constexpr BlitLoop SpecialLoop() {
  using Op = SpecialOp<Type, Palette, Transparent, Kind, Rule>;
  constexpr int rowForm = SpecialRowForm<Type, Palette, Transparent, Kind>();
  if constexpr (Stretched) return &StretchWalk<Op, true, rowForm>;
  else return &PlainWalk<Op, rowForm>;
}

template <PixelType Type, FastLoop Loop, bool Palette, bool Transparent>
constexpr BlitLoop FastCell() {
  constexpr bool k565 = Type == PixelType::k565;
  if constexpr (Loop == FastLoop::kHalf) {
    return SpecialLoop<Type, Palette, Transparent, SpecialKind::kHalf, KeyRule::kCut, false>();
  } else if constexpr (Loop == FastLoop::kLerp6) {
    return k565 ? SpecialLoop<Type, Palette, Transparent, SpecialKind::kLerp6, KeyRule::kCut, false>() : nullptr;
  } else if constexpr (Loop == FastLoop::kPairAdd || Loop == FastLoop::kPairSub) {
    if constexpr (k565) return &PairWalk16<Palette, Transparent, Loop == FastLoop::kPairAdd>;
    else return nullptr;
  } else if constexpr (Loop == FastLoop::kAddSaturate || Loop == FastLoop::kAddWord ||
                       Loop == FastLoop::kSubSaturate || Loop == FastLoop::kSub) {
    constexpr SpecialKind kind = Loop == FastLoop::kAddSaturate ? SpecialKind::kAddSaturate
                                 : Loop == FastLoop::kAddWord   ? SpecialKind::kAddWord
                                 : Loop == FastLoop::kSubSaturate ? SpecialKind::kSubSaturate
                                                                  : SpecialKind::kSub;
    if constexpr (k565) return nullptr;
    else return SpecialLoop<Type, Palette, Transparent, kind, KeyRule::kCut, false>();
  } else if constexpr (Loop == FastLoop::kStretchCopy) {
    // The 16-bit copy of a direct source compares the low 16 bits of the key.
    constexpr KeyRule rule = (k565 && !Palette) ? KeyRule::kLow16 : KeyRule::kWhole;
    constexpr LoopCell k{Palette, BlendMode::kNone, false, false, false, Transparent};
    return &StretchWalk<CellOp<Type, k, rule>, true, CellRowForm<Type, k>()>;
  } else if constexpr (Loop == FastLoop::kStretchSubSaturate) {
    if constexpr (k565) return nullptr;
    else return SpecialLoop<Type, Palette, Transparent, SpecialKind::kSubSaturate, KeyRule::kWhole, true>();
  } else {
    return SpecialLoop<Type, Palette, Transparent, SpecialKind::kSub, KeyRule::kWhole, true>();
  }
}

template <PixelType Type, FastLoop Loop>
constexpr FastLoops MakeFastLoops() {
  FastLoops loops{};
  loops[FastFlagIndex(false, false)] = FastCell<Type, Loop, false, false>();
  loops[FastFlagIndex(false, true)] = FastCell<Type, Loop, false, true>();
  loops[FastFlagIndex(true, false)] = FastCell<Type, Loop, true, false>();
  loops[FastFlagIndex(true, true)] = FastCell<Type, Loop, true, true>();
  return loops;
}

template <PixelType Type, int... I>
constexpr auto MakePlain(std::integer_sequence<int, I...>) {
  return std::array<BlitLoop, sizeof...(I)>{PlainCell<Type, I>()...};
}
template <PixelType Type, int... I>
constexpr auto MakeRun(std::integer_sequence<int, I...>) {
  return std::array<BlitLoop, sizeof...(I)>{RunCell<Type, I>()...};
}
template <PixelType Type, int... I>
constexpr auto MakeStretch(std::integer_sequence<int, I...>) {
  return std::array<BlitLoop, sizeof...(I)>{StretchCell<Type, I>()...};
}
template <PixelType Type, int... L>
constexpr auto MakeFast(std::integer_sequence<int, L...>) {
  return std::array<FastLoops, sizeof...(L)>{MakeFastLoops<Type, static_cast<FastLoop>(L)>()...};
}

}  // namespace grid

template <PixelType Type>
const BlitTables& GetBlitTables() {
  static const BlitTables tables = [] {
    BlitTables t{};
    t.plain = grid::MakePlain<Type>(std::make_integer_sequence<int, kCellCount>{});
    t.run = grid::MakeRun<Type>(std::make_integer_sequence<int, kCellCount>{});
    t.stretch = grid::MakeStretch<Type>(std::make_integer_sequence<int, kCellCount>{});
    t.fast = grid::MakeFast<Type>(std::make_integer_sequence<int, kFastLoopCount>{});
    return t;
  }();
  return tables;
}

inline const BlitTables& BlitTablesFor(int type) {
  return type == kMemImg565 ? GetBlitTables<PixelType::k565>() : GetBlitTables<PixelType::k8888>();
}

}  // namespace zelvo::soft
