// DDS decoding: every format code, formats from masks, pitches, and malformed files.
#include <gtest/gtest.h>

#include "media/core/log.h"
#include "media/graphics/graphs/picture_codecs.h"
#include "support/picture_writers.h"

namespace zelvo {
namespace {

using zelvo_test::Bytes;
using zelvo_test::DdsLayout;

struct FormatCase {
  std::uint32_t code;
  int bits;
  std::uint32_t red, green, blue, alpha;
};

const FormatCase kFormats[] = {
    {20, 24, 0xFF0000, 0xFF00, 0xFF, 0},           {21, 32, 0xFF0000, 0xFF00, 0xFF, 0xFF000000},
    {22, 32, 0xFF0000, 0xFF00, 0xFF, 0},           {23, 16, 0xF800, 0x7E0, 0x1F, 0},
    {24, 16, 0x7C00, 0x3E0, 0x1F, 0},              {25, 16, 0x7C00, 0x3E0, 0x1F, 0x8000},
    {26, 16, 0xF00, 0xF0, 0xF, 0xF000},            {29, 16, 0xE0, 0x1C, 0x3, 0xFF00},
    {30, 16, 0xF00, 0xF0, 0xF, 0},                 {31, 32, 0x3FF, 0xFFC00, 0x3FF00000, 0xC0000000},
    {32, 32, 0xFF, 0xFF00, 0xFF0000, 0xFF000000},  {33, 32, 0xFF, 0xFF00, 0xFF0000, 0},
    {35, 32, 0x3FF00000, 0xFFC00, 0x3FF, 0xC0000000},
};

Bytes Counting(std::size_t n) {
  Bytes b(n);
  for (std::size_t i = 0; i < n; ++i) b[i] = static_cast<std::uint8_t>(i + 1);
  return b;
}

void ExpectFormat(const GraphImage& image, int bits, std::uint32_t red, std::uint32_t green, std::uint32_t blue,
                  std::uint32_t alpha) {
  EXPECT_EQ(image.format.ColorBitDepth, bits);
  EXPECT_EQ(image.format.ChannelMask[0], red);
  EXPECT_EQ(image.format.ChannelMask[1], green);
  EXPECT_EQ(image.format.ChannelMask[2], blue);
  EXPECT_EQ(image.format.ChannelMask[3], alpha);
}

TEST(PictureDds, EveryFormatCodeKeepsItsPixels) {
  for (const FormatCase& f : kFormats) {
    SCOPED_TRACE("format " + std::to_string(f.code));
    DdsLayout layout;
    layout.width = 3;
    layout.height = 2;
    layout.fourCC = f.code;
    layout.pixels = Counting(6 * f.bits / 8);
    GraphImage image{};
    ASSERT_EQ(zelvo_test::DecodeBytes(LoadDdsFromStream, zelvo_test::WriteDds(layout), &image), 0);
    ExpectFormat(image, f.bits, f.red, f.green, f.blue, f.alpha);
    EXPECT_EQ(image.pitch, 3 * f.bits / 8);
    EXPECT_EQ(zelvo_test::PictureRow(image, 1, image.pitch), Bytes(layout.pixels.begin() + image.pitch, layout.pixels.end()));
    FreeGraphImage(&image);
  }
}

TEST(PictureDds, EightBitColourIsWidenedSoItCannotPassForPaletteIndices) {
  DdsLayout layout;
  layout.width = 2;
  layout.fourCC = 27;   // R3G3B2
  layout.pixels = {0xE0, 0x1F};
  GraphImage image{};
  ASSERT_EQ(zelvo_test::DecodeBytes(LoadDdsFromStream, zelvo_test::WriteDds(layout), &image), 0);
  EXPECT_EQ(image.format.ColorBitDepth, 24);
  EXPECT_EQ(zelvo_test::PictureRow(image, 0, 6), (Bytes{0, 0, 255, 255, 255, 0}));
  FreeGraphImage(&image);
}

TEST(PictureDds, FormatsFromMasksAndPitches) {
  DdsLayout layout;
  layout.width = 2;
  layout.height = 2;
  layout.formatFlags = 0x41;   // RGB with alpha
  layout.bitCount = 32;
  std::uint32_t masks[4] = {0xFF, 0xFF00, 0xFF0000, 0xFF000000};
  std::copy(masks, masks + 4, layout.masks);
  layout.headerFlags |= 0x8;
  layout.pitch = 12;   // wider than the 8 bytes of a row: kept
  layout.pixels = Counting(24);
  GraphImage image{};
  ASSERT_EQ(zelvo_test::DecodeBytes(LoadDdsFromStream, zelvo_test::WriteDds(layout), &image), 0);
  ExpectFormat(image, 32, 0xFF, 0xFF00, 0xFF0000, 0xFF000000);
  EXPECT_EQ(image.pitch, 12);
  EXPECT_EQ(zelvo_test::PictureRow(image, 1, 12), Bytes(layout.pixels.begin() + 12, layout.pixels.end()));
  FreeGraphImage(&image);

  // RGB without the alpha flag: the alpha mask is not taken.
  layout.formatFlags = 0x40;
  ASSERT_EQ(zelvo_test::DecodeBytes(LoadDdsFromStream, zelvo_test::WriteDds(layout), &image), 0);
  ExpectFormat(image, 32, 0xFF, 0xFF00, 0xFF0000, 0);
  FreeGraphImage(&image);
}

TEST(PictureDds, RefusesMalformedFilesAndKeepsNothing) {
  auto with = [](auto change) {
    DdsLayout layout;
    layout.width = 2;
    layout.height = 2;
    layout.pixels = Counting(16);
    change(layout);
    return zelvo_test::WriteDds(layout);
  };
  Bytes good = with([](DdsLayout&) {});
  struct Case {
    const char* name;
    Bytes file;
  } cases[] = {
      {"not DDS", [&] { Bytes b = good; b[2] = 'X'; return b; }()},
      {"DXT1", with([](DdsLayout& s) { s.fourCC = 0x31545844; })},
      {"unknown format code", with([](DdsLayout& s) { s.fourCC = 28; })},
      {"code with other flags", with([](DdsLayout& s) { s.formatFlags = 0x5; })},
      {"luminance", with([](DdsLayout& s) { s.formatFlags = 0x20000; s.bitCount = 8; })},
      {"4 bits from masks", with([](DdsLayout& s) { s.formatFlags = 0x41; s.bitCount = 4; })},
      {"pitch below a row", with([](DdsLayout& s) { s.headerFlags |= 0x8; s.pitch = 7; })},
      {"pitch past the data", with([](DdsLayout& s) { s.headerFlags |= 0x8; s.pitch = 0x40000000; })},
      {"width 0", with([](DdsLayout& s) { s.width = 0; })},
      {"width past the limit", with([](DdsLayout& s) { s.width = 40000; })},
      {"pixels cut short", Bytes(good.begin(), good.end() - 1)},
      {"header cut short", Bytes(good.begin(), good.begin() + 100)},
  };
  TrackedTotals before = TrackedAllocatorTotals();
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    GraphImage image{};
    EXPECT_EQ(zelvo_test::DecodeBytes(LoadDdsFromStream, c.file, &image), -1);
    EXPECT_EQ(image.pixels, nullptr);
  }
  EXPECT_EQ(TrackedAllocatorTotals().liveCount, before.liveCount);
}

}  // namespace
}  // namespace zelvo
