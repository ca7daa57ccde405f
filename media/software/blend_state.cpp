// The software blend state, its lookup tables and the blend-graph table.
#include "media/software/blend_state.h"

namespace zelvo {

SoftBlendState g_softBlend = {0, 255, kTintOff, {0, 0, 640, 480}, -1, 0, 0, {}, 1};

int32_t BlendProductTable[256][256];
int32_t BlendSignedProductTable[256][512];
uint8_t BlendLerp6Table[64 * 64 * 64];

namespace {
bool g_tablesBuilt = false;
int g_levelLimit = kSoftPathAvx2;
}  // namespace

int InitSoftBlendTables() {
  if (!g_tablesBuilt) {
    for (int i = 0; i < 256; ++i) {
      for (int j = -255; j <= 255; ++j) BlendSignedProductTable[i][j + 255] = i * j / 255;
      BlendSignedProductTable[i][511] = 0;
    }
    for (int i = 0; i < 256; ++i) {
      for (int j = 0; j < 256; ++j) BlendProductTable[i][j] = i * j / 255;
    }
    for (int a = 0; a < 64; ++a) {
      for (int s = 0; s < 64; ++s) {
        for (int d = 0; d < 64; ++d) BlendLerp6Table[a * 4096 + s * 64 + d] = static_cast<uint8_t>((a * s + (63 - a) * d) / 63);
      }
    }
    g_tablesBuilt = true;
  }
  ResetSoftBlendState();
  return 0;
}

void ResetSoftBlendState() {
  g_softBlend.blendMode = kBlendNone;
  g_softBlend.blendParam = 255;
  g_softBlend.drawTint = kTintOff;
  g_softBlend.drawRegion = {0, 0, 640, 480};
  g_softBlend.blendGraph = -1;
  g_softBlend.blendGraphBorderParam = 0;
  g_softBlend.blendGraphBorderRange = 0;
  BuildBlendGraphTable(nullptr, 0, 0);
  g_softBlend.mmxUsable = 1;
}

int BuildBlendGraphTable(const void* /*graphRecord*/, int borderParam, int borderRange) {
  auto clamp255 = [](int v) { return v < 0 ? 0 : (v > 255 ? 255 : v); };
  const int p = clamp255(borderParam), r = clamp255(borderRange);
  const int n = r + 1;
  const int q = 65536 / n;
  const int t = (q + 256) * p / 256;
  const int c = 256 - t;
  for (int v = 0; v < 256; ++v) g_softBlend.blendGraphTable[v] = static_cast<uint8_t>(clamp255(v * 256 / n + c));
  return 0;
}

int BestSoftPathLevel() {
  static const int level = [] {
    __builtin_cpu_init();
    if (__builtin_cpu_supports("avx2")) return static_cast<int>(kSoftPathAvx2);
    if (__builtin_cpu_supports("sse2")) return static_cast<int>(kSoftPathSse2);
    return static_cast<int>(kSoftPathReference);
  }();
  return level;
}

int SoftPathLevel() {
  const int best = BestSoftPathLevel();
  return g_levelLimit < best ? g_levelLimit : best;
}

void ForceSoftReferencePath(int on) { g_levelLimit = on ? kSoftPathReference : kSoftPathAvx2; }

void LimitSoftPathLevel(int level) { g_levelLimit = level; }

}  // namespace zelvo
