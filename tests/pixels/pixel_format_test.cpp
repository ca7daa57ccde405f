// Colour formats: building records, packing and expanding colours, screen colours, conversions.
#include <gtest/gtest.h>

#include <zelvo/zelvo.h>

#include <cstring>
#include <vector>

#include "media/pixels/memimg.h"
#include "media/pixels/pixel_format.h"

namespace zelvo {
namespace {

class PixelFormats : public ::testing::Test {
 protected:
  void SetUp() override { ResetScreenColorState(); }
  void TearDown() override { ResetScreenColorState(); }
};

TEST_F(PixelFormats, BuildFromMasksDerivesWidthsShiftsAndOutsideBits) {
  PixelFormat f{};
  ASSERT_EQ(0, zelvo::SetupPixelFormatFromMasks(&f, 16, 0xF800, 0x7E0, 0x1F, 0));
  EXPECT_EQ(16, f.ColorBitDepth);
  EXPECT_EQ(2, f.BytesPerPixel);
  EXPECT_EQ((std::vector<int>{5, 6, 5, 0}), (std::vector<int>{f.ChannelWidth[0], f.ChannelWidth[1], f.ChannelWidth[2], f.ChannelWidth[3]}));
  EXPECT_EQ((std::vector<int>{11, 5, 0, 0}), (std::vector<int>{f.ChannelShift[0], f.ChannelShift[1], f.ChannelShift[2], f.ChannelShift[3]}));
  EXPECT_EQ(0u, f.OutsideBitsMask);

  ASSERT_EQ(0, zelvo::SetupPixelFormatFromMasks(&f, 32, 0xFF0000, 0xFF00, 0xFF, 0));
  EXPECT_EQ(0xFF000000u, f.OutsideBitsMask);
  EXPECT_EQ(24, f.OutsideBitsShift);
  EXPECT_EQ(8, f.OutsideBitsWidth);

  // a gap above the first run of a mask is ignored for the width
  ASSERT_EQ(0, zelvo::SetupPixelFormatFromMasks(&f, 16, 0x7C00, 0x3E0, 0x1F, 0x8000));
  EXPECT_EQ(15, f.ChannelShift[3]);
  EXPECT_EQ(1, f.ChannelWidth[3]);
  ASSERT_EQ(0, zelvo::SetupPixelFormatFromMasks(&f, 16, 0xF00F, 0, 0, 0));
  EXPECT_EQ(0, f.ChannelShift[0]);
  EXPECT_EQ(4, f.ChannelWidth[0]);

  DDPixelFormatRecord rec{};
  rec.RGBBitCount = 0x120;  // only the low byte counts
  rec.RedMask = 0xF800;
  rec.GreenMask = 0x7E0;
  rec.BlueMask = 0x1F;
  ASSERT_EQ(0, PixelFormatFromPixelFormat(&rec, &f));
  EXPECT_EQ(32, f.ColorBitDepth);
  EXPECT_EQ(0xFFFF0000u, f.OutsideBitsMask);
}

TEST_F(PixelFormats, DDRecordFromMasks) {
  DDPixelFormatRecord rec;
  std::memset(&rec, 0x77, sizeof rec);
  ASSERT_EQ(0, SetupDDPixelFormat(&rec, 32, 0xFF0000, 0xFF00, 0xFF, 0xFF000000));
  EXPECT_EQ(32u, rec.Size);
  EXPECT_EQ(0x40u, rec.Flags);
  EXPECT_EQ(0u, rec.FourCC);
  EXPECT_EQ(32u, rec.RGBBitCount);
  EXPECT_EQ(0xFF000000u, rec.AlphaMask);
}

TEST_F(PixelFormats, PublicEntriesForwardHere) {
  PixelFormat f{};
  ASSERT_EQ(0, ::SetupPixelFormatFromMasks(&f, 16, 0xF800, 0x7E0, 0x1F, 0));
  EXPECT_EQ(6, f.ChannelWidth[1]);
  DDPixelFormatRecord rec{};
  ASSERT_EQ(0, SetupPixelFormat32(&rec, 16, 0xF800, 0x7E0, 0x1F, 0));
  EXPECT_EQ(0x40u, rec.Flags);
  EXPECT_EQ(0xFFFFFFFFu, PackColor(255, 255, 255));  // X8R8G8B8 until a screen says otherwise
}

TEST_F(PixelFormats, FixedFormats) {
  PixelFormat f{};
  InitPixelFormatGreyPal8(&f);
  EXPECT_EQ(8, f.ColorBitDepth);
  EXPECT_EQ(0xFF000000u, f.OutsideBitsMask);
  EXPECT_EQ(128, f.Palette[128][0]);
  EXPECT_EQ(128, f.Palette[128][1]);
  EXPECT_EQ(128, f.Palette[128][2]);
  InitPixelFormatArgb32(&f);
  EXPECT_EQ(24, f.ChannelShift[3]);
  EXPECT_EQ(0u, f.OutsideBitsMask);
  InitPixelFormatRgb24(&f);
  EXPECT_EQ(3, f.BytesPerPixel);
  f.ChannelWidth[3] = 0;
  f.ColorBitDepth = 32;
  RecomputeOutsideBits(&f);
  EXPECT_EQ(0xFF000000u, f.OutsideBitsMask);
  f.ColorBitDepth = 24;
  RecomputeOutsideBits(&f);
  EXPECT_EQ(0u, f.OutsideBitsMask);
}

TEST_F(PixelFormats, PackingDropsLowBitsAndSetsOutsideBits) {
  PixelFormat f565{}, f32{}, argb{};
  zelvo::SetupPixelFormatFromMasks(&f565, 16, 0xF800, 0x7E0, 0x1F, 0);
  zelvo::SetupPixelFormatFromMasks(&f32, 32, 0xFF0000, 0xFF00, 0xFF, 0);
  InitPixelFormatArgb32(&argb);
  EXPECT_EQ(0xFFFFu, RgbaToColorValue(&f565, 255, 255, 255, 0));
  EXPECT_EQ(0xFFFFFFFFu, RgbaToColorValue(&f32, 255, 255, 255, 0));
  EXPECT_EQ(0x8410u, RgbaToColorValue(&f565, 0x87, 0x83, 0x87, 0));  // never rounded
  EXPECT_EQ(0x7F102030u, RgbaToColorValue(&argb, 0x10, 0x20, 0x30, 0x7F));
  int r, g, b, a;
  ColorValueToRgba(&f565, 0x8400, &r, &g, &b, &a);
  EXPECT_EQ(131, r);  // 5-bit 16 expands to 131
  EXPECT_EQ(0, a);    // no alpha channel
  ColorValueToRgba(&f565, 0xF800, &r, nullptr, nullptr, nullptr);
  EXPECT_EQ(255, r);
  EXPECT_EQ(0xFFF8FCF8u, ConvertColorValue(&argb, &f565, 0xFFFF));
  EXPECT_EQ(0xF81Fu, ConvertColorValue(&f565, &argb, 0x00FF00FF));
  EXPECT_TRUE(SamePixelFormat(&f32, &f32));
  EXPECT_FALSE(SamePixelFormat(&f32, &argb));
  // channels wider than 8 bits get the component shifted up, not by a negative amount
  PixelFormat wide{};
  zelvo::SetupPixelFormatFromMasks(&wide, 32, 0x3FF00000, 0xFFC00, 0x3FF, 0xC0000000);
  EXPECT_EQ(0x3FCu << 20 | 0xC0000000u, RgbaToColorValue(&wide, 0xFF, 0, 0, 0xFF) & 0xFFF00000u);
}

TEST_F(PixelFormats, ScreenColours) {
  EXPECT_EQ(0xFF102030u, RgbToScreenColor(0x110 /* only the low 8 bits count */, 0x20, 0x30));
  int r = -1, g = -1, b = -1;
  EXPECT_EQ(0, ScreenColorToRgb(0x00102030, &r, &g, &b));
  EXPECT_EQ(0x10, r);
  // software rendering at a requested depth of 16 packs in 565
  g_screenColor.softwareRendering = 1;
  g_screenColor.requestedDepth = 16;
  EXPECT_EQ(0xFFFFu, RgbToScreenColor(255, 255, 255));
  // 8-bit screens: the nearest palette entry, the lowest index on ties
  g_screenColor.depth = 8;
  for (int i = 0; i < 256; ++i) g_screenColor.palette[i][0] = g_screenColor.palette[i][1] = g_screenColor.palette[i][2] = 0;
  g_screenColor.palette[3][0] = g_screenColor.palette[7][0] = 200;
  EXPECT_EQ(3u, RgbToScreenColor(200, 0, 0));
  EXPECT_EQ(3u, RgbToScreenColor(190, 0, 0));
  EXPECT_EQ(0, ScreenColorToRgb(7, &r, &g, &b));
  EXPECT_EQ(200, r);
  r = 99;
  EXPECT_EQ(-1, ScreenColorToRgb(256, &r, &g, &b));
  EXPECT_EQ(99, r);
}

}  // namespace
}  // namespace zelvo
