#pragma once
// The software blend state every software drawing routine reads at the start of a call, and the
// three lookup tables that keep divisions out of the pixel loops.
#include <cstdint>

#include "media/core/runtime_routines.h"

namespace zelvo {

enum : int32_t {
  kBlendNone = 0,
  kBlendAlpha = 1,
  kBlendAdd = 2,
  kBlendSubtract = 3,
  kBlendMultiply = 4,
};

constexpr uint32_t kTintOff = 0xFFFFFF;

struct SoftBlendState {
  int32_t blendMode;           // values above 4 make every software routine draw nothing
  int32_t blendParam;          // 0..255
  uint32_t drawTint;           // 0x00RRGGBB; off when the low 24 bits are 0xFFFFFF
  IntRect drawRegion;          // clip rectangle, right and bottom exclusive
  int32_t blendGraph;          // graph handle, -1 for none
  int32_t blendGraphBorderParam;
  int32_t blendGraphBorderRange;
  uint8_t blendGraphTable[256];
  int32_t mmxUsable;           // 1: the whole-word forms saturate each byte exactly
};
extern SoftBlendState g_softBlend;

inline bool TintIsOn(uint32_t tint) { return (tint & 0xFFFFFF) != kTintOff; }

// P[i][j] = i * j / 255; S[i][j] = i * j / 255 for j = -255..255 (row addressed at j = 0 by
// SignedProductRow); L[a][s][d] = (a * s + (63 - a) * d) / 63 at a * 4096 + s * 64 + d.
extern int32_t BlendProductTable[256][256];
extern int32_t BlendSignedProductTable[256][512];
extern uint8_t BlendLerp6Table[64 * 64 * 64];
inline const int32_t* SignedProductRow(int i) { return &BlendSignedProductTable[i][255]; }

// Builds the three tables (once; later calls do nothing) and puts the state at its defaults.
// Graphics start-up calls it in every rendering mode before the first software draw.
int InitSoftBlendTables();
void ResetSoftBlendState();   // mode 0, parameter 255, tint off, region 640x480, no blend graph

// Fills BlendGraphTable from the border parameter and range (clamped to 0..255); the graph record
// is not read.
int BuildBlendGraphTable(const void* graphRecord, int borderParam, int borderRange);

// Clamps each edge of `rect` into `clip` after putting a reversed edge onto its partner.
inline void ClipSoftRect(IntRect* rect, const IntRect* clip) {
  if (rect->right < rect->left) rect->right = rect->left;
  if (rect->bottom < rect->top) rect->bottom = rect->top;
  auto clampTo = [](int v, int lo, int hi) { return v < lo ? lo : (v > hi ? hi : v); };
  rect->left = clampTo(rect->left, clip->left, clip->right);
  rect->right = clampTo(rect->right, clip->left, clip->right);
  rect->top = clampTo(rect->top, clip->top, clip->bottom);
  rect->bottom = clampTo(rect->bottom, clip->top, clip->bottom);
}

// Which pixel-loop implementation the software routines use. Every level gives the same bytes;
// tests force the scalar reference to compare.
enum : int { kSoftPathReference = 0, kSoftPathSse2 = 1, kSoftPathAvx2 = 2 };
int SoftPathLevel();                  // the level in use
int BestSoftPathLevel();              // the best level the processor offers
void ForceSoftReferencePath(int on);  // 1: scalar reference only; 0: best the processor offers
void LimitSoftPathLevel(int level);   // at most this level (tests step through every level)

}  // namespace zelvo
