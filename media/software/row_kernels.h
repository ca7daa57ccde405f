#pragma once
// Whole-row forms of the blends that need no per-pixel test of the call's state (no colour
// key, blend picture or tint; source alpha only in kRowAlphaSource): source colours in a row, destination pixels in a row. Each kind exists as
// the scalar reference and as SSE2 and AVX2 versions that give the same bytes; SoftPathLevel picks.
#include <cstdint>

#include "media/software/pixel_rules.h"

namespace zelvo::soft {

enum RowKind : int {
  kRowLerp,          // mode 1, general rule, parameter 1..254
  kRowHalf,          // mode 1 at 128, half blend (byte 3 becomes 0)
  kRowAdd,           // mode 2, general rule with the parameter's scaling
  kRowAddWord,       // mode 2 at 255, whole-word form without the low OR term
  kRowAddSaturate,   // mode 2 at 255, exact per-byte saturation of all four bytes
  kRowSub,           // mode 3, general rule with the parameter's scaling
  kRowSubSaturate,   // mode 3 at 255, exact per-byte saturation of all four bytes
  kRowMultiply,      // mode 4
  kRowAlphaSource,   // mode 0, source alpha with the transparent flag: 0 skips, 255 copies the word
  kRowCopy,          // mode 0 with a colour key
  kRowAlphaParam,    // mode 1, source alpha with the transparent flag: 0 skips, 255 weighs by the parameter only
  kRowAlphaParamAll, // mode 1, source alpha without the transparent flag: every alpha weighs
};

// 16-bit (565) row forms.
enum Row16Kind : int {
  kRow16Lerp6,       // mode 1 through the six-bit lerp table (plain blitter)
  kRow16Half,        // mode 1 at 128, half blend (plain blitter)
  kRow16SignedLerp,  // mode 1 as d + S[p][s - d]
  kRow16Add,         // mode 2, general rule with the parameter's scaling
  kRow16Sub,         // mode 3, general rule with the parameter's scaling
  kRow16Multiply,    // mode 4
  kRow16Copy,        // mode 0 with a colour key
  kRow16PairAdd,     // mode 2 at 255, pixel pairs from the row's first pixel (plain blitter)
  kRow16PairSub,     // mode 3 at 255, likewise
  kRow16AlphaSource, // mode 0, source alpha with the transparent flag; source pixels are 4 bytes
};

// `key` null: every pixel is drawn; else source pixels equal to *key leave the destination alone.
void BlendRow32(int kind, uint8_t* dst, const uint8_t* src, int count, int param, const uint32_t* key = nullptr);
void BlendRow16(int kind, uint8_t* dst, const uint8_t* src, int count, int param, const uint32_t* key = nullptr);
void BlendRow16Reference(int kind, uint8_t* dst, const uint8_t* src, int count, int param, const uint32_t* key = nullptr);
void BlendRow32Reference(int kind, uint8_t* dst, const uint8_t* src, int count, int param, const uint32_t* key = nullptr);

// dst[i] = the 32-bit pixel at srcRow + columns[i] pixels. Columns may be negative; every column
// from `lowest` to `highest` (relative to srcRow) may be read.
void GatherRow32(uint8_t* dst, const uint8_t* srcRow, const int32_t* columns, int count, int32_t lowest, int32_t highest);

}  // namespace zelvo::soft
