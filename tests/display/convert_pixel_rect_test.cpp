// ConvertPixelRect against hand-computed pixels over the format pairs, its options, the fast paths
// against the general conversion, and the choice of texture format descriptors.
#include "media/display/convert_pixel_rect.h"

#include <gtest/gtest.h>

#include <cstring>
#include <random>
#include <vector>

#include "media/pixels/pixel_format.h"

namespace {

using namespace zelvo;

enum FormatId { k565, k555, k1555, k4444, kX888, k8888, k24, kPal8, kGrey8 };

PixelFormat Format(FormatId id) {
  PixelFormat f{};
  switch (id) {
    case k565: zelvo::SetupPixelFormatFromMasks(&f, 16, 0xF800, 0x07E0, 0x001F, 0); break;
    case k555: zelvo::SetupPixelFormatFromMasks(&f, 16, 0x7C00, 0x03E0, 0x001F, 0); break;
    case k1555: zelvo::SetupPixelFormatFromMasks(&f, 16, 0x7C00, 0x03E0, 0x001F, 0x8000); break;
    case k4444: zelvo::SetupPixelFormatFromMasks(&f, 16, 0x0F00, 0x00F0, 0x000F, 0xF000); break;
    case kX888: zelvo::SetupPixelFormatFromMasks(&f, 32, 0xFF0000, 0xFF00, 0xFF, 0); break;
    case k8888: zelvo::SetupPixelFormatFromMasks(&f, 32, 0xFF0000, 0xFF00, 0xFF, 0xFF000000u); break;
    case k24: InitPixelFormatRgb24(&f); break;
    case kPal8:
      InitPixelFormatPal8(&f);
      for (int i = 0; i < 256; ++i) {   // entry i: red i, green 255 - i, blue i / 2
        f.Palette[i][0] = static_cast<uint8_t>(i / 2);
        f.Palette[i][1] = static_cast<uint8_t>(255 - i);
        f.Palette[i][2] = static_cast<uint8_t>(i);
      }
      f.Palette[5][0] = 0x40;   // entry 5 is 0xFF8040
      f.Palette[5][1] = 0x80;
      f.Palette[5][2] = 0xFF;
      f.Palette[6][0] = 0x41;   // entry 6 differs from it in the lowest blue bit
      f.Palette[6][1] = 0x80;
      f.Palette[6][2] = 0xFF;
      break;
    case kGrey8: InitPixelFormatGreyPal8(&f); break;
  }
  return f;
}

struct Options {
  int mirror = 0, alphaFromKey = 0;
  uint32_t key = 0;
  int reduction = 0, clearColor = 0, alphaFromRed = 0, skipKey = 0;
};

// Converts one row of pixels; the destination starts filled with `fill`.
std::vector<uint32_t> ConvertRow(FormatId from, FormatId to, const std::vector<uint32_t>& pixels, const Options& o = {},
                                 uint32_t fill = 0, const std::vector<uint8_t>* alpha = nullptr, int* result = nullptr) {
  const PixelFormat sf = Format(from), df = Format(to), af = Format(kGrey8);
  const int width = static_cast<int>(pixels.size());
  std::vector<uint8_t> src(static_cast<std::size_t>(width) * 4), dst(static_cast<std::size_t>(width) * 4);
  for (int x = 0; x < width; ++x) std::memcpy(&src[static_cast<std::size_t>(x) * sf.BytesPerPixel], &pixels[x], sf.BytesPerPixel);
  for (int x = 0; x < width; ++x) std::memcpy(&dst[static_cast<std::size_t>(x) * df.BytesPerPixel], &fill, df.BytesPerPixel);
  IntRect rect{0, 0, width, 1};
  int r = ConvertPixelRect(dst.data(), width * 4, &df, src.data(), width * 4, &sf, alpha ? alpha->data() : nullptr,
                           width, alpha ? &af : nullptr, 0, 0, &rect, o.mirror, o.alphaFromKey, o.key, o.reduction,
                           o.clearColor, o.alphaFromRed, o.skipKey);
  if (result != nullptr) *result = r;
  std::vector<uint32_t> out(static_cast<std::size_t>(width), 0);
  for (int x = 0; x < width; ++x) std::memcpy(&out[x], &dst[static_cast<std::size_t>(x) * df.BytesPerPixel], df.BytesPerPixel);
  return out;
}

uint32_t ConvertOne(FormatId from, FormatId to, uint32_t pixel, const Options& o = {}) {
  return ConvertRow(from, to, {pixel}, o)[0];
}

TEST(ConvertPixelRectTest, FormatPairsGiveHandComputedPixels) {
  struct Case {
    FormatId from, to;
    uint32_t pixel, expected;
    const char* what;
  };
  const Case cases[] = {
      {k24, k565, 0x123456, 0x11AA, "24 to 5:6:5 drops the low bits"},
      {k24, k555, 0x123456, 0x8000 | 0x0800 | 0x00C0 | 0x000A, "5:5:5 sets its unused top bit"},
      {k24, kX888, 0x123456, 0xFF123456, "x:8:8:8 sets its unused top byte"},
      {kX888, k565, 0x7F123456, 0x11AA, "the unused byte of the source is no colour"},
      {k565, kX888, 0xFFFF, 0xFFF8FCF8, "5:6:5 widens with low bits 0: 31 to 248, 63 to 252"},
      {k565, k24, 0xF800, 0xF80000, "to 24 bits the same way"},
      {k565, k555, 0x0060, 0x8020, "the lowest green bit is dropped"},
      {k555, k565, 0x0020, 0x0060, "green gains a low bit repeating its lowest bit (1 to 3)"},
      {k555, k565, 0x0040, 0x0080, "(2 to 4)"},
      {k555, kX888, 0x7E00, 0xFFFF8300, "the general widening: 31 to 255, 16 to 131"},
      {kPal8, k565, 5, 0xFC08, "a palette entry through its colour"},
      {kPal8, kX888, 5, 0xFFFF8040, "a palette entry with top byte 0xFF"},
      {kPal8, k555, 5, 0xFE08, "palette to 5:5:5"},
      {k24, k8888, 0x123456, 0xFF123456, "no alpha in the source: alpha full"},
      {k8888, k4444, 0x80FF8040, 0x8F84, "each channel cut, alpha too"},
      {k4444, k8888, 0x8F84, 0x88FF8844, "4 bits widened: 8 to 136, 15 to 255"},
      {k8888, k565, 0x00FF8040, 0xFC08, "alpha dropped"},
      {k1555, k8888, 0x7E08, 0x00FF8341, "alpha bit 0 stays 0 at 8 bits; 16 to 131, 8 to 65"},
  };
  for (const Case& c : cases) EXPECT_EQ(ConvertOne(c.from, c.to, c.pixel), c.expected) << c.what;
}

TEST(ConvertPixelRectTest, AlphaFromTheColourKey) {
  Options keyed;
  keyed.alphaFromKey = 1;
  keyed.key = 0xFF00FF;
  // An exact match is transparent in 8:8:8:8; a pixel differing only in the lowest bits of red and
  // blue is transparent in 1:5:5:5 (compared at 5 bits) but not in 8:8:8:8.
  EXPECT_EQ(ConvertOne(k24, k8888, 0xFF00FF, keyed), 0x00FF00FFu);
  EXPECT_EQ(ConvertOne(k24, k8888, 0xFE00FE, keyed), 0xFFFE00FEu);
  EXPECT_EQ(ConvertOne(k24, k1555, 0xFE00FE, keyed), 0x7C1Fu);
  EXPECT_EQ(ConvertOne(k24, k1555, 0x00FF00, keyed), 0x83E0u);
  EXPECT_EQ(ConvertOne(k565, k1555, 0xF81F, keyed), 0x7C1Fu);
  // A palette picture compares its colours exactly, also into 1:5:5:5.
  keyed.key = 0xFF8040;
  EXPECT_EQ(ConvertOne(kPal8, k1555, 5, keyed), 0x7E08u);
  EXPECT_EQ(ConvertOne(kPal8, k1555, 6, keyed), 0xFE08u);
  EXPECT_EQ(ConvertOne(kPal8, k8888, 5, keyed), 0x00FF8040u);
  // Same colour layout: only the alpha bits change.
  keyed.key = 0x123456;
  EXPECT_EQ(ConvertOne(kX888, k8888, 0xAB123456, keyed), 0x00123456u);
  EXPECT_EQ(ConvertOne(kX888, k8888, 0x00123457, keyed), 0xFF123457u);
  // A destination without alpha ignores the switch.
  EXPECT_EQ(ConvertOne(k24, k565, 0x123456, keyed), 0x11AAu);
}

TEST(ConvertPixelRectTest, OptionsOfTheGeneralConversion) {
  std::vector<uint8_t> alpha = {0x80, 0xFF};
  EXPECT_EQ(ConvertRow(k24, k8888, {0x112233, 0x445566}, {}, 0, &alpha),
            (std::vector<uint32_t>{0x80112233, 0xFF445566}));
  EXPECT_EQ(ConvertRow(k24, k4444, {0x112233, 0x445566}, {}, 0, &alpha), (std::vector<uint32_t>{0x8123, 0xF456}));
  Options red;
  red.alphaFromRed = 1;
  EXPECT_EQ(ConvertOne(k24, k8888, 0x7F0000), 0xFF7F0000u);
  EXPECT_EQ(ConvertOne(k24, k8888, 0x7F1122, red), 0x7F7F1122u);
  Options clear;
  clear.clearColor = 1;
  EXPECT_EQ(ConvertOne(k8888, k8888, 0x80123456, clear), 0x80000000u);
  EXPECT_EQ(ConvertOne(k565, k8888, 0xFFFF, clear), 0xFF000000u);
  // Mirroring writes the last source pixel at the destination x.
  Options mirror;
  mirror.mirror = 1;
  EXPECT_EQ(ConvertRow(k24, k565, {0x000008, 0x000010, 0x000018}, mirror), (std::vector<uint32_t>{3, 2, 1}));
  EXPECT_EQ(ConvertRow(k565, k565, {1, 2, 3}, mirror), (std::vector<uint32_t>{3, 2, 1}));
  // Skipping the key leaves those destination pixels as they were (raw compare at the source width).
  Options skip;
  skip.skipKey = 1;
  skip.key = 0xFFFF0002;   // cut to 16 bits: 0x0002
  EXPECT_EQ(ConvertRow(k565, k565, {1, 2, 3}, skip, 0x7777), (std::vector<uint32_t>{1, 0x7777, 3}));
  EXPECT_EQ(ConvertRow(k565, kX888, {0, 2}, skip, 0x7777), (std::vector<uint32_t>{0xFF000000, 0x7777}));
}

TEST(ConvertPixelRectTest, ReductionSpreadsTheDroppedBits) {
  // A flat red of 0x0C into 5:6:5: truncation gives 1 everywhere; the ordered dither a 4 x 4
  // pattern of 1s and 2s (the matrix entries below 8 round up), error diffusion every second pixel.
  const PixelFormat sf = Format(k24), df = Format(k565);
  std::vector<uint8_t> src(4 * 4 * 3);
  for (std::size_t i = 0; i < src.size(); i += 3) src[i + 2] = 0x0C;
  const int expectedDither[4][4] = {{2, 1, 2, 1}, {1, 2, 1, 2}, {2, 1, 2, 1}, {1, 2, 1, 2}};
  const int expectedDiffusion[4] = {1, 2, 1, 2};
  for (int reduction : {kReduceTruncate, kReduceOrderedDither, kReduceErrorDiffusion}) {
    uint16_t dst[16] = {};
    IntRect rect{0, 0, 4, 4};
    ASSERT_EQ(ConvertPixelRect(dst, 8, &df, src.data(), 12, &sf, nullptr, 0, nullptr, 0, 0, &rect, 0, 0, 0, reduction,
                               0, 0, 0),
              0);
    for (int y = 0; y < 4; ++y) {
      for (int x = 0; x < 4; ++x) {
        const int red = dst[y * 4 + x] >> 11;
        const int expected = reduction == kReduceTruncate       ? 1
                             : reduction == kReduceOrderedDither ? expectedDither[y][x]
                                                                 : expectedDiffusion[x];
        EXPECT_EQ(red, expected) << "reduction " << reduction << " at " << x << "," << y;
        EXPECT_EQ(dst[y * 4 + x] & 0x07FF, 0);
      }
    }
  }
  // A full channel never overflows into its neighbour.
  Options dither;
  dither.reduction = kReduceOrderedDither;
  EXPECT_EQ(ConvertRow(k24, k565, {0xFFFFFF, 0xFFFFFF}, dither), (std::vector<uint32_t>{0xFFFF, 0xFFFF}));
}

TEST(ConvertPixelRectTest, EightBitCopiesAndRefusals) {
  const PixelFormat pal = Format(kPal8), rgb = Format(k565);
  const uint8_t src[2][3] = {{1, 2, 3}, {4, 255, 6}};
  uint8_t dst[2][4] = {};
  IntRect rect{1, 0, 3, 2};
  // Plain copy of the rectangle at its place; the result is the largest byte copied.
  EXPECT_EQ(ConvertPixelRect(dst, 4, &pal, src, 3, &pal, nullptr, 0, nullptr, 1, 0, &rect, 0, 0, 0, 0, 0, 0, 0), 255);
  EXPECT_EQ(dst[0][1], 2);
  EXPECT_EQ(dst[0][2], 3);
  EXPECT_EQ(dst[1][1], 255);
  EXPECT_EQ(dst[1][0], 0);
  uint16_t wide[4] = {};
  EXPECT_EQ(ConvertPixelRect(dst, 4, &pal, wide, 8, &rgb, nullptr, 0, nullptr, 0, 0, &rect, 0, 0, 0, 0, 0, 0, 0), -1);
  IntRect empty{2, 0, 2, 2};
  EXPECT_EQ(ConvertPixelRect(wide, 8, &rgb, wide, 8, &rgb, nullptr, 0, nullptr, 0, 0, &empty, 0, 0, 0, 0, 0, 0, 0), -1);
}

TEST(ConvertPixelRectTest, FastPathsMatchTheGeneralConversion) {
  // Mirroring turns the fast paths off; for one pixel it changes nothing else, so both must agree
  // wherever the fast paths are not defined to differ.
  struct Pair {
    FormatId from, to;
    int keyed;
  };
  const Pair pairs[] = {{kPal8, k565, 0}, {kPal8, k555, 0}, {kPal8, kX888, 0}, {kPal8, k8888, 1},
                        {k24, k565, 0},   {k24, k555, 0},   {k24, kX888, 0},   {k24, k1555, 1},
                        {k24, k8888, 1},  {kX888, k565, 0}, {kX888, k555, 0},  {k565, k555, 0},
                        {k565, k1555, 1}};
  std::mt19937 random(7);
  for (const Pair& p : pairs) {
    for (int i = 0; i < 200; ++i) {
      const uint32_t limit = p.from == kPal8 ? 0xFF : p.from == k565 ? 0xFFFF : 0xFFFFFF;
      uint32_t pixel = random() & limit;
      Options fast;
      fast.alphaFromKey = p.keyed;
      fast.key = i % 4 == 0 ? ConvertOne(p.from, k24, pixel) : 0x123456;
      Options general = fast;
      general.mirror = 1;
      ASSERT_EQ(ConvertOne(p.from, p.to, pixel, fast), ConvertOne(p.from, p.to, pixel, general))
          << p.from << " to " << p.to << " pixel " << std::hex << pixel;
    }
  }
}

TEST(TextureFormatTest, DescriptorChoiceFollowsTheRequest) {
  const FormatId table[kTextureFormatCount] = {k565, kX888, k4444, k8888, k1555, k8888, k565, kX888, k8888};
  for (int i = 0; i < kTextureFormatCount; ++i) {
    TextureFormatTable[i].format = Format(table[i]);
    TextureFormatTable[i].ddFormat.RGBBitCount = TextureFormatTable[i].format.ColorBitDepth;
  }
  struct Case {
    int alphaChannel, drawValid, alphaTest, depth;
    int expected;
  };
  const Case cases[] = {{0, 0, 0, 16, 0}, {0, 0, 0, 32, 1}, {1, 0, 0, 16, 2}, {1, 0, 0, 32, 3}, {0, 0, 1, 16, 4},
                        {0, 0, 1, 32, 5}, {0, 1, 0, 16, 6}, {0, 1, 0, 32, 7}, {1, 1, 0, 16, 8}, {0, 1, 1, 32, 8}};
  for (const Case& c : cases) {
    PixelFormatRequest request{};
    request.bytes[1] = static_cast<uint8_t>(c.alphaChannel);
    request.bytes[2] = static_cast<uint8_t>(c.drawValid);
    request.bytes[4] = static_cast<uint8_t>(c.alphaTest);
    request.bytes[5] = static_cast<uint8_t>(c.depth);
    EXPECT_EQ(GetPixelFormatKind(&request), c.expected);
  }
  EXPECT_EQ(SelectPixelFormatDesc(1, 0, 0, 0), &TextureFormatTable[2].format);
  EXPECT_EQ(GetPixelFormatDesc(3)->ChannelMask[3], 0xFF000000u);
  EXPECT_EQ(GetColorFormatEntry(9), nullptr);
  // A device without 4:4:4:4: an alpha request takes the 32-bit alpha format instead of an empty one.
  TextureFormatTable[2].format = PixelFormat{};
  EXPECT_EQ(SelectPixelFormatDesc(1, 0, 0, 0), &TextureFormatTable[3].format);
}

}  // namespace
