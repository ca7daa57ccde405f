#pragma once
// The grid the software pixel loops are generated over. Every loop is a template over the colour
// type, the blend mode and the flags of a draw (the vocabulary below); every dispatch table holds
// one loop per cell of the grid, built from CellAt and looked up through CellIndex, so the two
// always agree on the layout.
#include <cstdint>

#include "media/software/blend_state.h"

namespace zelvo::soft {

// The colour types a loop draws: 16-bit 565 and 32-bit 8888 pictures.
enum class PixelType : uint8_t { k565, k8888 };
enum class BlendMode : uint8_t {
  kNone = kBlendNone,
  kAlpha = kBlendAlpha,
  kAdd = kBlendAdd,
  kSubtract = kBlendSubtract,
  kMultiply = kBlendMultiply,
};
constexpr int kBlendModeCount = 5;

// What a draw's source, blend state and flags select among the loops. A table whose loops do not
// depend on a flag (no tint under vertex colour, no transparent flag on the run path) holds the
// same loop in the cells that differ only in it.
struct LoopCell {
  bool palette;       // the source holds palette indices
  BlendMode mode;     // after the parameter's shortcuts
  bool blendGraph;    // an 8-bit blend picture weighs each pixel
  bool tint;
  bool alpha;         // the source's own alpha weighs each pixel; never with a palette
  bool transparent;   // the transparent flag: colour key, or alpha 0 passed over
};

constexpr int kCellCount = 2 * kBlendModeCount * 2 * 2 * 2 * 2;

constexpr int CellIndex(const LoopCell& cell) {
  int index = cell.palette ? 1 : 0;
  index = index * kBlendModeCount + static_cast<int>(cell.mode);
  index = index * 2 + (cell.blendGraph ? 1 : 0);
  index = index * 2 + (cell.tint ? 1 : 0);
  index = index * 2 + (cell.alpha && !cell.palette ? 1 : 0);
  return index * 2 + (cell.transparent ? 1 : 0);
}

// The cell at an index; CellIndex(CellAt(i)) == i for every cell a draw can select.
constexpr LoopCell CellAt(int index) {
  LoopCell cell{};
  cell.transparent = index & 1;
  cell.alpha = (index >> 1) & 1;
  cell.tint = (index >> 2) & 1;
  cell.blendGraph = (index >> 3) & 1;
  cell.mode = static_cast<BlendMode>((index >> 4) % kBlendModeCount);
  cell.palette = (index >> 4) / kBlendModeCount != 0;
  cell.alpha = cell.alpha && !cell.palette;
  return cell;
}

constexpr bool CellsRoundTrip() {
  for (int i = 0; i < kCellCount; ++i) {
    const LoopCell cell = CellAt(i);
    const bool paletteWithAlpha = cell.palette && ((i >> 1) & 1);
    if (!paletteWithAlpha && CellIndex(cell) != i) return false;
  }
  return true;
}
static_assert(CellsRoundTrip());

}  // namespace zelvo::soft
