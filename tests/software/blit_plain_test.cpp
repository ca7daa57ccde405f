// BlitMemImg: the per-pixel rules of every mode in both colour types, the shortcut forms, the
// transparent-run path, clipping, colour keys, source alpha, tint, blend graph and the refusals.
#include <gtest/gtest.h>

#include "media/software/blit.h"
#include "soft_image.h"

namespace zelvo {
namespace {

using testing_soft::ResetSoft;
using testing_soft::SetBlend;
using testing_soft::TestImage;

struct PixelCase {
  int mode, param, mmx;
  uint32_t expected;
};

uint32_t BlitOne(int type, uint32_t s, uint32_t d, int mode, int param, int mmx) {
  ResetSoft();
  TestImage src(1, 1, type), dst(1, 1, type);
  src.set(0, 0, s);
  dst.set(0, 0, d);
  SetBlend(mode, param);
  g_softBlend.mmxUsable = mmx;
  BlitMemImg(dst.get(), src.get(), 0, 0, 0, nullptr);
  return dst.px(0, 0);
}

TEST(BlitPlain, EveryMode32Bit) {
  // s: red 200, green 100, blue 50; d: red 32, green 64, blue 128, byte 3 0x11.
  const PixelCase cases[] = {
      {0, 0, 1, 0x00C86432},    // copy: whole word
      {1, 255, 1, 0x00C86432},  // alpha 255 is a copy
      {1, 64, 1, 0x114A496C},   // lerp, byte 3 kept
      {1, 128, 1, 0x00745259},  // half blend: byte 3 becomes 0
      {2, 128, 1, 0x00847299},  // scaled add
      {2, 255, 1, 0x11E8A4B2},  // packed: exact per-byte saturation, byte 3 too
      {2, 255, 0, 0x00E8A4B2},  // whole-word form without the low OR term
      {3, 128, 1, 0x00000F67},  // scaled subtract; green's low bit carries the borrow
      {3, 255, 1, 0x1100004E},  // packed: byte 3 subtracted as well
      {3, 255, 0, 0x0000004E},
      {4, 0, 1, 0x11191919},    // multiply, byte 3 kept
      {1, 0, 1, 0x11204080},    // parameter 0 draws nothing
      {2, 0, 1, 0x11204080},
      {3, 0, 1, 0x11204080},
      {5, 255, 1, 0x11204080},  // modes above 4 draw nothing
  };
  for (const PixelCase& c : cases) {
    EXPECT_EQ(c.expected, BlitOne(kMemImg8888, 0x00C86432, 0x11204080, c.mode, c.param, c.mmx))
        << "mode " << c.mode << " param " << c.param << " mmx " << c.mmx;
  }
}

TEST(BlitPlain, EveryMode16Bit) {
  // s: red 25, green 40, blue 6; d: red 4, green 16, blue 30.
  const PixelCase cases[] = {
      {0, 0, 1, 0xCD06}, {1, 255, 1, 0xCD06},
      {1, 64, 1, 0x4AD7},   // six-bit lerp table
      {1, 128, 1, 0x7392},  // half blend
      {2, 128, 1, 0x84BF}, {2, 255, 1, 0xE73F},
      {3, 128, 1, 0x001B}, {3, 255, 1, 0x0018},
      {4, 0, 1, 0x1945},
      {1, 0, 1, 0x221E}, {5, 0, 1, 0x221E},
  };
  for (const PixelCase& c : cases) {
    EXPECT_EQ(c.expected, BlitOne(kMemImg565, 0xCD06, 0x221E, c.mode, c.param, c.mmx))
        << "mode " << c.mode << " param " << c.param;
  }
}

TEST(BlitPlain, AddAndSubtractWorkedExamples) {
  EXPECT_EQ(0x00FFFFFFu, BlitOne(kMemImg8888, 0x00808080, 0x00808080, 2, 255, 1));
  EXPECT_EQ(0x01FFFFFFu, BlitOne(kMemImg8888, 0x00808080, 0x00808080, 2, 255, 0));
  EXPECT_EQ(0x00000000u, BlitOne(kMemImg8888, 0x00FFFFFF, 0x00FFFFFF, 3, 255, 1));
  EXPECT_EQ(0x00010100u, BlitOne(kMemImg8888, 0x00FFFFFF, 0x00FFFFFF, 3, 255, 0));
  // Subtracting black sets the lowest bits of green and red and clears byte 3.
  EXPECT_EQ(0x00214180u, BlitOne(kMemImg8888, 0x00000000, 0x77204080, 3, 128, 1));
}

TEST(BlitPlain, HalfBlendOnlyAt128) {
  EXPECT_NE(BlitOne(kMemImg8888, 0x00FF0101, 0x00000303, 1, 128, 1),
            BlitOne(kMemImg8888, 0x00FF0101, 0x00000303, 1, 127, 1));
  // An alpha source at 128 is never half-blended: byte 3 of the destination stays.
  ResetSoft();
  TestImage src(1, 1, kMemImg8888, 0, 1), dst(1, 1, kMemImg8888);
  src.set(0, 0, 0xFFC86432);
  dst.set(0, 0, 0x11204080);
  SetBlend(1, 128);
  BlitMemImg(dst.get(), src.get(), 0, 0, 1, nullptr);
  EXPECT_EQ(0x11u, dst.px(0, 0) >> 24);
}

TEST(BlitPlain, RefusalsDrawNothing) {
  ResetSoft();
  TestImage src32(2, 2, kMemImg8888), dst16(2, 2, kMemImg565), dstPal(2, 2, kMemImg8888, 1),
      dstAlpha(2, 2, kMemImg8888, 0, 1), src8(2, 2, kMemImgSingle8), dst8(2, 2, kMemImgSingle8);
  src32.fill(0x123456);
  src8.fill(7);
  dst16.fill(0xAAAA);
  dstPal.fill(0x55);
  dstAlpha.fill(0x99999999);
  BlitMemImg(dst16.get(), src32.get(), 0, 0, 0, nullptr);
  BlitMemImg(dstPal.get(), src32.get(), 0, 0, 0, nullptr);
  BlitMemImg(dstAlpha.get(), src32.get(), 0, 0, 0, nullptr);
  BlitMemImg(dst8.get(), src8.get(), 0, 0, 0, nullptr);
  EXPECT_EQ(0xAAAAu, dst16.px(1, 1));
  EXPECT_EQ(0x55u, dstPal.px(1, 1));
  EXPECT_EQ(0x99999999u, dstAlpha.px(1, 1));
  EXPECT_EQ(0u, dst8.px(1, 1));
}

TEST(BlitPlain, ClipsToDrawRegionAndReadsFromFirstVisiblePixel) {
  ResetSoft();
  TestImage src(4, 3, kMemImg8888), dst(8, 8, kMemImg8888), graph(4, 3, kMemImgSingle8);
  for (int y = 0; y < 3; ++y)
    for (int x = 0; x < 4; ++x) {
      src.set(x, y, static_cast<uint32_t>(0x100 * y + 0x10 * x + 1));
      graph.set(x, y, static_cast<uint32_t>(x == 3 ? 255 : 0));
    }
  dst.fill(0xEEEEEEEE);
  g_softBlend.drawRegion = {2, 2, 6, 6};
  BlitMemImg(dst.get(), src.get(), 0, 1, 0, nullptr);
  // visible: columns 2..3 of the source, rows 1..2, at destination (2..3, 2..3)
  EXPECT_EQ(0x121u, dst.px(2, 2));
  EXPECT_EQ(0x131u, dst.px(3, 2));
  EXPECT_EQ(0x231u, dst.px(3, 3));
  EXPECT_EQ(0xEEEEEEEEu, dst.px(1, 2));
  EXPECT_EQ(0xEEEEEEEEu, dst.px(2, 1));
  EXPECT_EQ(0xEEEEEEEEu, dst.px(4, 2));
  // The blend graph is read at the same source coordinates: only source column 3 has weight, and a
  // weight of 255 scales by 255 / 256 (blue 0x31 becomes 0x30, green 1 becomes 0).
  dst.fill(0);
  BuildBlendGraphTable(nullptr, 128, 0);  // hard threshold: G[0] = 0, G[255] = 255
  BlitMemImg(dst.get(), src.get(), 0, 1, 0, graph.get());
  EXPECT_EQ(0u, dst.px(2, 2));
  EXPECT_EQ(0x30u, dst.px(3, 2));
  // wholly outside, and a zero-sized picture, draw nothing
  dst.fill(0x5A5A5A5A);
  BlitMemImg(dst.get(), src.get(), 6, 6, 0, nullptr);
  BlitMemImg(dst.get(), src.get(), -4, 2, 0, nullptr);
  EXPECT_EQ(0x5A5A5A5Au, dst.px(5, 5));
  EXPECT_EQ(0x5A5A5A5Au, dst.px(2, 2));
}

TEST(BlitPlain, PaletteSourcesKeyOnTheIndex) {
  ResetSoft();
  TestImage src(4, 1, kMemImg8888, 1, 0, 3), dst(4, 1, kMemImg8888);
  src.setPalette(3, 0x00ABCDEF);
  src.setPalette(7, 0x00ABCDEF);  // same colour, different index
  src.setPalette(1, 0x00010203);
  const uint8_t idx[4] = {3, 7, 1, 3};
  for (int x = 0; x < 4; ++x) src.set(x, 0, idx[x]);
  dst.fill(0x11111111);
  BlitMemImg(dst.get(), src.get(), 0, 0, 1, nullptr);
  EXPECT_EQ((std::vector<uint32_t>{0x11111111, 0x00ABCDEF, 0x00010203, 0x11111111}), dst.row(0));
  // transparent flag 2 keys through the per-pixel path as well
  dst.fill(0x11111111);
  BlitMemImg(dst.get(), src.get(), 0, 0, 2, nullptr);
  EXPECT_EQ(0x11111111u, dst.px(3, 0));
}

TEST(BlitPlain, SixteenBitKeyAndAlphaSourceStep) {
  ResetSoft();
  TestImage src(3, 1, kMemImg565, 0, 0, 0xF81F), dst(3, 1, kMemImg565);
  src.set(0, 0, 0xF81F);
  src.set(1, 0, 0x07E0);
  src.set(2, 0, 0xF81F);
  dst.fill(0x1234);
  BlitMemImg(dst.get(), src.get(), 0, 0, 1, nullptr);
  EXPECT_EQ((std::vector<uint32_t>{0x1234, 0x07E0, 0x1234}), dst.row(0));
  // A 16-bit alpha source advances 4 bytes per pixel while the destination advances 2.
  TestImage asrc(3, 1, kMemImg565, 0, 1), adst(3, 1, kMemImg565);
  asrc.set(0, 0, 0x00FF001F);
  asrc.set(1, 0, 0x000007E0);  // alpha 0: skipped with the transparent flag
  asrc.set(2, 0, 0x00FFF800);
  adst.fill(0x4321);
  BlitMemImg(adst.get(), asrc.get(), 0, 0, 1, nullptr);
  EXPECT_EQ((std::vector<uint32_t>{0x001F, 0x4321, 0xF800}), adst.row(0));
}

TEST(BlitPlain, AlphaSourceInModeZero) {
  ResetSoft();
  TestImage src(2, 1, kMemImg8888, 0, 1), dst(2, 1, kMemImg8888);
  src.set(0, 0, 0x80FFFFFF);
  src.set(1, 0, 0x00FFFFFF);
  dst.fill(0x33000000);
  // transparent flag off, no tint or graph: copied whole, alpha ignored
  BlitMemImg(dst.get(), src.get(), 0, 0, 0, nullptr);
  EXPECT_EQ((std::vector<uint32_t>{0x80FFFFFF, 0x00FFFFFF}), dst.row(0));
  // with a tint the alpha weights every pixel, alpha 0 included; byte 3 stays
  dst.fill(0x33000000);
  g_softBlend.drawTint = 0xFFFFFE;
  BlitMemImg(dst.get(), src.get(), 0, 0, 0, nullptr);
  EXPECT_EQ((std::vector<uint32_t>{0x337F7F7F, 0x33000000}), dst.row(0));
  // transparent flag on: alpha 0 skipped, 255 copied whole, others blended
  g_softBlend.drawTint = kTintOff;
  dst.fill(0x33000000);
  src.set(1, 0, 0xFF102030);
  BlitMemImg(dst.get(), src.get(), 0, 0, 1, nullptr);
  EXPECT_EQ((std::vector<uint32_t>{0x337F7F7F, 0xFF102030}), dst.row(0));
}

TEST(BlitPlain, MultiplyWithAlphaSource) {
  ResetSoft();
  TestImage src(1, 1, kMemImg8888, 0, 1), dst(1, 1, kMemImg8888);
  src.set(0, 0, 0x00FFFFFF);
  dst.fill(0x00808080);
  SetBlend(kBlendMultiply, 0);
  BlitMemImg(dst.get(), src.get(), 0, 0, 1, nullptr);
  EXPECT_EQ(0x00808080u, dst.px(0, 0));
  BlitMemImg(dst.get(), src.get(), 0, 0, 0, nullptr);
  EXPECT_EQ(0u, dst.px(0, 0));
}

TEST(BlitPlain, TintKeepsTheChannelsItSays) {
  ResetSoft();
  TestImage src(1, 1, kMemImg8888), dst(1, 1, kMemImg8888);
  src.set(0, 0, 0x00FFFFFF);
  dst.fill(0x77000000);
  g_softBlend.drawTint = 0x00FF0000;
  BlitMemImg(dst.get(), src.get(), 0, 0, 0, nullptr);
  EXPECT_EQ(0x77FF0000u, dst.px(0, 0));
}

TEST(BlitPlain, RunPathUnclippedPerPixelPathClipped) {
  ResetSoft();
  TestImage src(4, 2, kMemImg8888, 0, 0, 0, 1), dstRun(4, 2, kMemImg8888), dstPixel(4, 2, kMemImg8888);
  src.fill(0x00FF0001);
  src.set(1, 0, 0);  // key colour
  ASSERT_EQ(0, CompleteMemImgTransfer(src.get(), 4, 2));
  ASSERT_EQ(1, src.get()->runsValid);
  SetBlend(kBlendAlpha, 128);
  dstRun.fill(0x00000003);
  dstPixel.fill(0x00000003);
  BlitMemImg(dstRun.get(), src.get(), 0, 0, 1, nullptr);    // run path: general lerp at 128
  BlitMemImg(dstPixel.get(), src.get(), 0, 0, 2, nullptr);  // per-pixel: half blend
  EXPECT_EQ(0x00000003u, dstRun.px(1, 0));
  EXPECT_EQ(0x00000003u, dstPixel.px(1, 0));
  EXPECT_EQ(0x007F0002u, dstRun.px(0, 0));
  EXPECT_EQ(0x007F0001u, dstPixel.px(0, 0));
  // clipped by one pixel: the per-pixel path even with transparent flag 1
  dstRun.fill(0x00000003);
  g_softBlend.drawRegion = {0, 0, 3, 2};
  BlitMemImg(dstRun.get(), src.get(), 0, 0, 1, nullptr);
  EXPECT_EQ(0x007F0001u, dstRun.px(0, 0));
  EXPECT_EQ(0x00000003u, dstRun.px(3, 0));
}

}  // namespace
}  // namespace zelvo

namespace zelvo {
namespace {

// 16-bit whole-word add at 255 goes in pixel pairs from the first drawn pixel: the second pixel's
// blue low bit is the guard of the first pixel's red carry, so pairing shows in the result.
TEST(BlitPlain, SixteenBitPairsAtParameter255) {
  testing_soft::ResetSoft();
  testing_soft::TestImage src(3, 1, kMemImg565, 0, 0, 0xFFFF), dst(3, 1, kMemImg565);
  src.set(0, 0, 0xF800);
  src.set(1, 0, 0x0001);
  src.set(2, 0, 0x0001);
  dst.set(0, 0, 0x0800);
  testing_soft::SetBlend(kBlendAdd, 255);
  BlitMemImg(dst.get(), src.get(), 0, 0, 1, nullptr);
  EXPECT_EQ((std::vector<uint32_t>{0xF000, 0x0000, 0x0001}), dst.row(0));  // the lone third pixel keeps it
  // drawn from column 1 on, pixels 1 and 2 pair up instead
  dst.fill(0);
  g_softBlend.drawRegion = {1, 0, 3, 1};
  BlitMemImg(dst.get(), src.get(), 0, 0, 1, nullptr);
  EXPECT_EQ((std::vector<uint32_t>{0x0000, 0x0001, 0x0000}), dst.row(0));
  // a pair with one key pixel goes through the single-pixel form
  dst.fill(0);
  g_softBlend.drawRegion = {0, 0, 3, 1};
  src.set(0, 0, 0xFFFF);
  BlitMemImg(dst.get(), src.get(), 0, 0, 1, nullptr);
  EXPECT_EQ((std::vector<uint32_t>{0x0000, 0x0001, 0x0001}), dst.row(0));
}

}  // namespace
}  // namespace zelvo
