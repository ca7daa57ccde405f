// StretchBlitMemImg: 16.16 sampling (general and fast advance), mirroring, clipping, the hand-off to
// the plain blitter, and the rules where the stretched walk differs from the plain blitter.
#include <gtest/gtest.h>

#include "media/software/blit.h"
#include "soft_image.h"

namespace zelvo {
namespace {

using testing_soft::ResetSoft;
using testing_soft::SetBlend;
using testing_soft::TestImage;

// Green byte of each destination pixel of row 0, minus one: the source column shown there.
std::vector<int> ShownColumns(TestImage& dst, int from, int to) {
  std::vector<int> out;
  for (int x = from; x < to; ++x) out.push_back(static_cast<int>((dst.px(x, 0) >> 8) & 0xFF) - 1);
  return out;
}

void FillColumns(TestImage& src) {
  for (int y = 0; y < src.get()->height; ++y)
    for (int x = 0; x < src.get()->width; ++x) src.set(x, y, static_cast<uint32_t>((x + 1) << 8 | 0x10));
}

struct SampleCase {
  const char* name;
  int srcWidth;
  IntRect rect;
  int regionLeft;
  bool tint;
  int from, to;
  std::vector<int> expected;
};

TEST(BlitStretch, SamplesSourceColumns) {
  const SampleCase cases[] = {
      {"mirrored 1:1", 4, {10, 0, 6, 1}, 0, false, 6, 10, {3, 2, 1, 0}},
      {"doubled", 2, {0, 0, 4, 1}, 0, false, 0, 4, {0, 0, 1, 1}},
      {"doubled, clipped left", 3, {0, 0, 6, 1}, 2, false, 2, 6, {1, 1, 2, 2}},
      {"halved, general advance", 8, {0, 0, 4, 1}, 0, true, 0, 4, {0, 2, 4, 6}},
      {"halved, fast advance", 8, {0, 0, 4, 1}, 0, false, 0, 4, {0, 1, 3, 5}},
      {"halved, fast, clipped left", 8, {0, 0, 4, 1}, 1, false, 1, 4, {2, 3, 5}},
  };
  for (const SampleCase& c : cases) {
    ResetSoft();
    TestImage src(c.srcWidth, 1, kMemImg8888), dst(16, 1, kMemImg8888);
    FillColumns(src);
    g_softBlend.drawRegion.left = c.regionLeft;
    if (c.tint) g_softBlend.drawTint = 0xFFFFFE;  // general loops; green untouched
    StretchBlitMemImg(dst.get(), src.get(), &c.rect, 0, nullptr);
    EXPECT_EQ(c.expected, ShownColumns(dst, c.from, c.to)) << c.name;
  }
}

TEST(BlitStretch, MirroredRowsAndBlendPictureFollowTheSource) {
  ResetSoft();
  TestImage src(2, 2, kMemImg8888), dst(2, 2, kMemImg8888), graph(2, 2, kMemImgSingle8);
  src.fill(0x00FFFFFF);
  graph.set(0, 0, 255);  // only source (0, 0) weighs
  BuildBlendGraphTable(nullptr, 128, 0);
  const IntRect both{2, 2, 0, 0};
  StretchBlitMemImg(dst.get(), src.get(), &both, 0, graph.get());
  EXPECT_EQ(0x00FEFEFEu, dst.px(1, 1));
  EXPECT_EQ(0u, dst.px(0, 0));
  EXPECT_EQ(0u, dst.px(1, 0));
}

TEST(BlitStretch, EmptyRectanglesAndRefusals) {
  ResetSoft();
  TestImage src(2, 2, kMemImg8888), dst(4, 4, kMemImg8888), dst16(4, 4, kMemImg565), dstPal(4, 4, kMemImg8888, 1),
      dstAlpha(4, 4, kMemImg8888, 0, 1);
  src.fill(0x00ABCDEF);
  const IntRect flat{0, 0, 0, 4}, flatMirrored{0, 4, 0, 0}, doubled{0, 0, 4, 4}, same{0, 0, 2, 2};
  StretchBlitMemImg(dst.get(), src.get(), &flat, 0, nullptr);
  StretchBlitMemImg(dst.get(), src.get(), &flatMirrored, 0, nullptr);
  EXPECT_EQ(0u, dst.px(0, 0));
  for (const IntRect* r : {&doubled, &same}) {
    StretchBlitMemImg(dst16.get(), src.get(), r, 0, nullptr);
    StretchBlitMemImg(dstPal.get(), src.get(), r, 0, nullptr);
    StretchBlitMemImg(dstAlpha.get(), src.get(), r, 0, nullptr);
  }
  EXPECT_EQ(0u, dst16.px(0, 0));
  EXPECT_EQ(0u, dstPal.px(0, 0));
  EXPECT_EQ(0u, dstAlpha.px(0, 0));
  SetBlend(5, 255);
  StretchBlitMemImg(dst.get(), src.get(), &doubled, 0, nullptr);
  EXPECT_EQ(0u, dst.px(0, 0));
  // a zero-sized source is refused rather than divided by
  TestImage empty(0, 0, kMemImg8888);
  SetBlend(0, 255);
  StretchBlitMemImg(dst.get(), empty.get(), &doubled, 0, nullptr);
  EXPECT_EQ(0u, dst.px(0, 0));
}

TEST(BlitStretch, SameSizeGoesToThePlainBlitterRunPathIncluded) {
  ResetSoft();
  TestImage src(4, 2, kMemImg8888, 0, 0, 0, 1), dst(4, 2, kMemImg8888);
  src.fill(0x00FF0001);
  ASSERT_EQ(0, CompleteMemImgTransfer(src.get(), 4, 2));
  dst.fill(3);
  SetBlend(kBlendAlpha, 128);
  const IntRect same{0, 0, 4, 2};
  StretchBlitMemImg(dst.get(), src.get(), &same, 1, nullptr);
  EXPECT_EQ(0x007F0002u, dst.px(0, 0));  // run path: lerp, not the half blend
}

uint32_t StretchOne(uint32_t s, uint32_t d, int mode, int param, int mmx, int alphaFlag = 0, int transparent = 0,
                    int paletteFlag = 0) {
  ResetSoft();
  TestImage src(1, 1, kMemImg8888, paletteFlag, alphaFlag), dst(1, 1, kMemImg8888);
  if (paletteFlag) {
    src.setPalette(0, s);
    src.set(0, 0, 0);
  } else {
    src.set(0, 0, s);
  }
  dst.set(0, 0, d);
  SetBlend(mode, param);
  g_softBlend.mmxUsable = mmx;
  const IntRect mirrored{1, 0, 0, 1};  // 1:1 but mirrored: the stretched walk
  StretchBlitMemImg(dst.get(), src.get(), &mirrored, transparent, nullptr);
  return dst.px(0, 0);
}

TEST(BlitStretch, PixelRulesOfTheStretchedWalk) {
  // No half blend at 128: the ordinary lerp, byte 3 kept.
  EXPECT_EQ(0x11745259u, StretchOne(0x00C86432, 0x11204080, 1, 128, 1));
  // Add keeps its low OR term at 255; byte 3 takes the red carry.
  EXPECT_EQ(0x01FFFFFFu, StretchOne(0x00808080, 0x00808080, 2, 255, 1));
  // Unscaled subtract: packed over all four bytes with MMX, the word formula without.
  EXPECT_EQ(0x1100004Eu, StretchOne(0x00C86432, 0x11204080, 3, 255, 1));
  EXPECT_EQ(0x0000004Eu, StretchOne(0x00C86432, 0x11204080, 3, 255, 0));
  // Subtract at parameter 0: a direct source draws nothing, a palette source subtracts zero.
  EXPECT_EQ(0x77204080u, StretchOne(0x00C86432, 0x77204080, 3, 0, 1));
  EXPECT_EQ(0x00214180u, StretchOne(0x00C86432, 0x77204080, 3, 0, 1, 0, 0, 1));
  // Alpha source in the none mode: alpha always weighs with the transparent flag off (255 gives 0xFE).
  EXPECT_EQ(0x44FEFEFEu, StretchOne(0xFFFFFFFF, 0x44000000, 0, 255, 1, 1, 0));
  EXPECT_EQ(0xFFFFFFFFu, StretchOne(0xFFFFFFFF, 0x44000000, 0, 255, 1, 1, 1));
  EXPECT_EQ(0x44000000u, StretchOne(0x00FFFFFF, 0x44000000, 0, 255, 1, 1, 1));
  // Multiply with an alpha source: alpha 0 left with the flag, black without.
  EXPECT_EQ(0x00808080u, StretchOne(0x00FFFFFF, 0x00808080, 4, 0, 1, 1, 1));
  EXPECT_EQ(0x00000000u, StretchOne(0x00FFFFFF, 0x00808080, 4, 0, 1, 1, 0));
}

TEST(BlitStretch, SixteenBitKeys) {
  ResetSoft();
  // The plain-copy fast loop compares the low 16 bits of the key; the general loops the whole key.
  TestImage src(1, 1, kMemImg565, 0, 0, 0x1F81F), dst(2, 1, kMemImg565);
  src.set(0, 0, 0xF81F);
  const IntRect doubled{0, 0, 2, 1};
  dst.fill(0x1111);
  StretchBlitMemImg(dst.get(), src.get(), &doubled, 1, nullptr);
  EXPECT_EQ(0x1111u, dst.px(0, 0));
  g_softBlend.drawTint = 0xFFFFFE;
  StretchBlitMemImg(dst.get(), src.get(), &doubled, 1, nullptr);
  EXPECT_NE(0x1111u, dst.px(0, 0));
}

}  // namespace
}  // namespace zelvo
