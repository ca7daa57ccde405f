// The lookup tables and the blend-graph table.
#include <gtest/gtest.h>

#include "media/software/blend_state.h"

namespace zelvo {
namespace {

TEST(BlendTables, EntriesFollowTheirFormulas) {
  InitSoftBlendTables();
  EXPECT_EQ(255, BlendProductTable[255][255]);
  EXPECT_EQ(128, BlendProductTable[128][255]);
  EXPECT_EQ(0, BlendProductTable[1][254]);
  for (int j = 0; j < 256; ++j) EXPECT_EQ(j, BlendProductTable[255][j]);
  for (int i = 0; i < 256; ++i) EXPECT_EQ(0, BlendProductTable[i][0]);
  EXPECT_EQ(0, SignedProductRow(1)[-1]);
  EXPECT_EQ(-255, SignedProductRow(255)[-255]);
  EXPECT_EQ(-64, SignedProductRow(128)[-128]);  // toward zero: -16384 / 255 = -64.25
  for (int p = 0; p < 256; ++p) EXPECT_EQ(0, SignedProductRow(p)[0]);
  for (int s = 0; s < 64; ++s) {
    for (int d = 0; d < 64; ++d) {
      EXPECT_EQ(s, BlendLerp6Table[63 * 4096 + s * 64 + d]);
      EXPECT_EQ(d, BlendLerp6Table[0 * 4096 + s * 64 + d]);
    }
  }
  EXPECT_EQ((10 * 40 + 53 * 7) / 63, BlendLerp6Table[10 * 4096 + 40 * 64 + 7]);
}

TEST(BlendTables, BlendGraphTableRamps) {
  InitSoftBlendTables();
  BuildBlendGraphTable(nullptr, 128, 0);  // hard threshold at 128
  EXPECT_EQ(0, g_softBlend.blendGraphTable[127]);
  EXPECT_EQ(128, g_softBlend.blendGraphTable[128]);
  EXPECT_EQ(255, g_softBlend.blendGraphTable[129]);
  BuildBlendGraphTable(nullptr, 0, 0);
  EXPECT_EQ(255, g_softBlend.blendGraphTable[0]);
  BuildBlendGraphTable(nullptr, 100, 255);  // soft ramp: clamp(v + 256 - 2p)
  for (int v = 0; v < 256; ++v) {
    int expected = v + 256 - 200;
    EXPECT_EQ(expected > 255 ? 255 : expected, g_softBlend.blendGraphTable[v]) << v;
  }
  BuildBlendGraphTable(nullptr, 999, -5);  // clamped to 255 and 0
  EXPECT_EQ(0, g_softBlend.blendGraphTable[254]);
  EXPECT_EQ(1, g_softBlend.blendGraphTable[255]);
}

TEST(BlendTables, DefaultsAfterInit) {
  g_softBlend.blendMode = 7;
  InitSoftBlendTables();
  EXPECT_EQ(kBlendNone, g_softBlend.blendMode);
  EXPECT_EQ(255, g_softBlend.blendParam);
  EXPECT_FALSE(TintIsOn(g_softBlend.drawTint));
  EXPECT_FALSE(TintIsOn(0xAAFFFFFF));  // the top byte is never read
  EXPECT_TRUE(TintIsOn(0x00FF0000));
  EXPECT_EQ(-1, g_softBlend.blendGraph);
  EXPECT_EQ(1, g_softBlend.mmxUsable);
}

}  // namespace
}  // namespace zelvo
