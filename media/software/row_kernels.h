#pragma once
// Whole-row forms of the blends that need no per-pixel test of the call's state (no colour key,
// blend picture or tint; source alpha only in the alpha-source kinds): source colours in a row,
// destination pixels in a row. Each kind exists as the scalar reference and as SSE2 and AVX2
// versions that give the same bytes; SoftPathLevel picks.
#include <cstdint>

#include "media/software/pixel_rules.h"

namespace zelvo::soft {

enum RowKind : int {
  kRowLerp,          // alpha mode, general rule, parameter 1..254
  kRowHalf,          // alpha mode at 128, half blend (byte 3 becomes 0)
  kRowAdd,           // add mode, general rule with the parameter's scaling
  kRowAddWord,       // add mode at 255, whole-word form without the low OR term
  kRowAddSaturate,   // add mode at 255, exact per-byte saturation of all four bytes
  kRowSub,           // subtract mode, general rule with the parameter's scaling
  kRowSubSaturate,   // subtract mode at 255, exact per-byte saturation of all four bytes
  kRowMultiply,      // multiply mode
  kRowAlphaSource,   // none mode, source alpha with the transparent flag: 0 skips, 255 copies the word
  kRowCopy,          // none mode with a colour key
  kRowAlphaParam,    // alpha mode, source alpha with the transparent flag: 0 skips, 255 weighs by the parameter only
  kRowAlphaParamAll, // alpha mode, source alpha without the transparent flag: every alpha weighs
};

// 16-bit (565) row forms.
enum Row16Kind : int {
  kRow16Lerp6,       // alpha mode through the six-bit lerp table (plain blitter)
  kRow16Half,        // alpha mode at 128, half blend (plain blitter)
  kRow16SignedLerp,  // alpha mode as d + S[p][s - d]
  kRow16Add,         // add mode, general rule with the parameter's scaling
  kRow16Sub,         // subtract mode, general rule with the parameter's scaling
  kRow16Multiply,    // multiply mode
  kRow16Copy,        // none mode with a colour key
  kRow16PairAdd,     // add mode at 255, pixel pairs from the row's first pixel (plain blitter)
  kRow16PairSub,     // subtract mode at 255, likewise
  kRow16AlphaSource, // none mode, source alpha with the transparent flag; source pixels are 4 bytes
  kRow16AlphaParam,    // alpha mode, source alpha with the transparent flag: 0 skips, 255 weighs by the parameter only
  kRow16AlphaParamAll, // alpha mode, source alpha without the transparent flag: every alpha weighs
};

// The 16-bit kinds whose source pixels are 4 bytes: 565 in bytes 0-1, alpha in byte 2.
constexpr bool Row16HasAlpha(int kind) { return kind >= kRow16AlphaSource; }

// `key` null: every pixel is drawn; else source pixels equal to *key leave the destination alone.
void BlendRow32(int kind, uint8_t* dst, const uint8_t* src, int count, int param, const uint32_t* key = nullptr);
void BlendRow16(int kind, uint8_t* dst, const uint8_t* src, int count, int param, const uint32_t* key = nullptr);
void BlendRow16Reference(int kind, uint8_t* dst, const uint8_t* src, int count, int param, const uint32_t* key = nullptr);
void BlendRow32Reference(int kind, uint8_t* dst, const uint8_t* src, int count, int param, const uint32_t* key = nullptr);

// A row form fixed for the many rows of one draw, with the loop of the path level in use picked
// once: `whole` draws a row of any length to its end (the AVX2 loops); where it is null the rows go
// through `row` (BlendRow32 or BlendRow16).
struct RowBlend {
  int (*whole)(uint8_t* dst, const uint8_t* src, int count, int param, uint32_t key);
  void (*row)(int kind, uint8_t* dst, const uint8_t* src, int count, int param, const uint32_t* key);
  int kind;
  const uint32_t* key;
};
RowBlend PickRowBlend32(int kind, const uint32_t* key);
RowBlend PickRowBlend16(int kind, const uint32_t* key);
inline void BlendRowWith(const RowBlend& form, uint8_t* dst, const uint8_t* src, int count, int param) {
  if (form.whole != nullptr) form.whole(dst, src, count, param, form.key ? *form.key : 0);
  else form.row(form.kind, dst, src, count, param, form.key);
}

// dst[i] = the 32-bit pixel at srcRow + columns[i] pixels. Columns may be negative; every column
// from `lowest` to `highest` (relative to srcRow) may be read.
void GatherRow32(uint8_t* dst, const uint8_t* srcRow, const int32_t* columns, int count, int32_t lowest, int32_t highest);

}  // namespace zelvo::soft
