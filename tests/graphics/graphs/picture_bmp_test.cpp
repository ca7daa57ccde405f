// BMP decoding: every bit depth and compression, both row orders, and malformed files.
#include <gtest/gtest.h>

#include "media/core/log.h"
#include "media/graphics/graphs/picture_codecs.h"
#include "support/picture_writers.h"

namespace zelvo {
namespace {

using zelvo_test::BmpLayout;
using zelvo_test::Bytes;

// The 3x2 picture every valid case encodes: red, green, blue over white, black, yellow.
const std::uint32_t kPicture[2][3] = {{0xFF0000, 0x00FF00, 0x0000FF}, {0xFFFFFF, 0x000000, 0xFFFF00}};
const std::vector<std::uint32_t> kPalette = {0xFF0000, 0x00FF00, 0x0000FF, 0xFFFFFF, 0x000000, 0xFFFF00};

void ExpectPicture(const GraphImage& image) {
  ASSERT_EQ(image.width, 3);
  ASSERT_EQ(image.height, 2);
  for (int y = 0; y < 2; ++y)
    for (int x = 0; x < 3; ++x) {
      int r, g, b, a;
      GetGraphImagePixel(&image, x, y, &r, &g, &b, &a);
      EXPECT_EQ(static_cast<std::uint32_t>((r << 16) | (g << 8) | b), kPicture[y][x]) << "at " << x << "," << y;
    }
}

// File rows for a bottom-up (or, with topDown, top-down) file.
Bytes Rows(const Bytes& top, const Bytes& bottom, bool topDown) {
  return topDown ? zelvo_test::PadRows({top, bottom}) : zelvo_test::PadRows({bottom, top});
}

Bytes Packed(int bits, std::uint32_t (*value)(std::uint32_t rgb), int y) {
  Bytes row;
  for (int x = 0; x < 3; ++x) {
    std::uint32_t v = value(kPicture[y][x]);
    for (int i = 0; i < bits / 8; ++i) row.push_back(static_cast<std::uint8_t>(v >> (8 * i)));
  }
  return row;
}

std::uint32_t As24(std::uint32_t rgb) { return rgb; }
std::uint32_t As555(std::uint32_t rgb) {
  return ((rgb >> 19) & 0x1F) << 10 | ((rgb >> 11) & 0x1F) << 5 | ((rgb >> 3) & 0x1F);
}
std::uint32_t As565(std::uint32_t rgb) {
  return ((rgb >> 19) & 0x1F) << 11 | ((rgb >> 10) & 0x3F) << 5 | ((rgb >> 3) & 0x1F);
}
std::uint32_t AsXbgr(std::uint32_t rgb) { return (rgb >> 16) | (rgb & 0xFF00) | ((rgb & 0xFF) << 16); }

struct BmpCase {
  const char* name;
  BmpLayout layout;
  int depth;    // of the decoded picture
  int pitch;
};

std::vector<BmpCase> ValidCases() {
  std::vector<BmpCase> cases;
  for (bool topDown : {false, true}) {
    int h = topDown ? -2 : 2;
    cases.push_back({topDown ? "24-bit top-down" : "24-bit bottom-up",
                     BmpLayout{3, h, 24, 0, {}, {}, 40, Rows(Packed(24, As24, 0), Packed(24, As24, 1), topDown)}, 24, 12});
    cases.push_back({topDown ? "8-bit top-down" : "8-bit bottom-up",
                     BmpLayout{3, h, 8, 0, kPalette, {}, 40, Rows({0, 1, 2}, {3, 4, 5}, topDown)}, 8, 4});
    cases.push_back({topDown ? "4-bit top-down" : "4-bit bottom-up",
                     BmpLayout{3, h, 4, 0, kPalette, {}, 40, Rows({0x01, 0x20}, {0x34, 0x50}, topDown)}, 8, 4});
    cases.push_back({topDown ? "32-bit top-down" : "32-bit bottom-up",
                     BmpLayout{3, h, 32, 0, {}, {}, 40, Rows(Packed(32, As24, 0), Packed(32, As24, 1), topDown)}, 24, 12});
  }
  cases.push_back({"16-bit 555", BmpLayout{3, 2, 16, 0, {}, {}, 40, Rows(Packed(16, As555, 0), Packed(16, As555, 1), false)}, 24, 12});
  cases.push_back({"16-bit 565 bit fields",
                   BmpLayout{3, 2, 16, 3, {}, {0xF800, 0x7E0, 0x1F}, 40, Rows(Packed(16, As565, 0), Packed(16, As565, 1), false)}, 24, 12});
  cases.push_back({"32-bit bit fields, red lowest",
                   BmpLayout{3, 2, 32, 3, {}, {0xFF, 0xFF00, 0xFF0000}, 40, Rows(Packed(32, AsXbgr, 0), Packed(32, AsXbgr, 1), false)}, 24, 12});
  // RLE8 from the bottom row: a padded odd literal, line end, single runs, picture end.
  cases.push_back({"RLE8", BmpLayout{3, 2, 8, 1, kPalette, {}, 40,
                                   Bytes{0, 3, 3, 4, 5, 0, 0, 0, 1, 0, 1, 1, 1, 2, 0, 1}}, 8, 4});
  // RLE4: a three-nibble literal padded to a word, then runs of one nibble.
  cases.push_back({"RLE4", BmpLayout{3, 2, 4, 2, kPalette, {}, 40,
                                   Bytes{0, 3, 0x34, 0x50, 0, 0, 1, 0x00, 1, 0x11, 1, 0x22, 0, 1}}, 8, 4});
  // A larger header: the palette follows it, not the first 40 bytes.
  cases.push_back({"8-bit with a 124-byte header", BmpLayout{3, 2, 8, 0, kPalette, {}, 124, Rows({0, 1, 2}, {3, 4, 5}, false)}, 8, 4});
  return cases;
}

TEST(PictureBmp, DecodesEveryDepthCompressionAndRowOrder) {
  for (const BmpCase& c : ValidCases()) {
    SCOPED_TRACE(c.name);
    GraphImage image{};
    ASSERT_EQ(zelvo_test::DecodeBytes(LoadBmpFromStream, zelvo_test::WriteBmp(c.layout), &image), 0);
    EXPECT_EQ(image.format.ColorBitDepth, c.depth);
    EXPECT_EQ(image.pitch, c.pitch);
    ExpectPicture(image);
    FreeGraphImage(&image);
  }
}

TEST(PictureBmp, FourBitPicturesKeepSixteenPaletteEntries) {
  std::vector<std::uint32_t> palette(16, 0x123456);
  GraphImage image{};
  ASSERT_EQ(zelvo_test::DecodeBytes(LoadBmpFromStream, zelvo_test::WriteBmp(BmpLayout{2, 1, 4, 0, palette, {}, 40, {0xF0, 0, 0, 0}}), &image), 0);
  EXPECT_EQ(static_cast<const std::uint8_t*>(image.pixels)[0], 15);
  EXPECT_EQ(image.format.Palette[15][2], 0x12);
  EXPECT_EQ(image.format.Palette[15][3], 0);
  EXPECT_EQ(image.format.Palette[16][2], 0);
  FreeGraphImage(&image);
}

TEST(PictureBmp, SixteenBitChannelsWidenByRepeatingTheirTopBits) {
  // 555 grey 16 widens to 0x84; 565 green 32 to 0x82.
  GraphImage image{};
  Bytes pixels = zelvo_test::PadRows({{0x10, 0x42}});
  ASSERT_EQ(zelvo_test::DecodeBytes(LoadBmpFromStream, zelvo_test::WriteBmp(BmpLayout{1, 1, 16, 0, {}, {}, 40, pixels}), &image), 0);
  EXPECT_EQ(zelvo_test::PictureRow(image, 0, 3), (Bytes{0x84, 0x84, 0x84}));
  FreeGraphImage(&image);
  pixels = zelvo_test::PadRows({{0x00, 0x04}});
  ASSERT_EQ(zelvo_test::DecodeBytes(LoadBmpFromStream,
                                    zelvo_test::WriteBmp(BmpLayout{1, 1, 16, 3, {}, {0xF800, 0x7E0, 0x1F}, 40, pixels}), &image), 0);
  EXPECT_EQ(zelvo_test::PictureRow(image, 0, 3), (Bytes{0, 0x82, 0}));
  FreeGraphImage(&image);
}

TEST(PictureBmp, OneBitPicturesBecomeTwentyFourBit) {
  GraphImage image{};
  // Top row 1 0 1, bottom row 0 1 1; palette black, white.
  Bytes pixels = zelvo_test::PadRows({{0x60}, {0xA0}});
  ASSERT_EQ(zelvo_test::DecodeBytes(LoadBmpFromStream, zelvo_test::WriteBmp(BmpLayout{3, 2, 1, 0, {0, 0xFFFFFF}, {}, 40, pixels}), &image), 0);
  EXPECT_EQ(image.format.ColorBitDepth, 24);
  EXPECT_EQ(zelvo_test::PictureRow(image, 0, 9), (Bytes{255, 255, 255, 0, 0, 0, 255, 255, 255}));
  EXPECT_EQ(zelvo_test::PictureRow(image, 1, 9), (Bytes{0, 0, 0, 255, 255, 255, 255, 255, 255}));
  FreeGraphImage(&image);
}

TEST(PictureBmp, RunLengthWritesStayInsideThePicture) {
  struct Case {
    const char* name;
    Bytes codes;
    Bytes top, bottom;   // expected indices
  } cases[] = {
      {"a run longer than the row is cut", {9, 7, 0, 1}, {0, 0, 0}, {7, 7, 7}},
      {"a literal longer than the row is cut", {0, 5, 1, 2, 3, 4, 5, 0, 0, 1}, {0, 0, 0}, {1, 2, 3}},
      {"a delta moves right and up", {0, 2, 1, 1, 1, 9, 0, 1}, {0, 9, 0}, {0, 0, 0}},
      {"a delta past the picture ends it", {0, 2, 0, 5, 1, 9}, {0, 0, 0}, {0, 0, 0}},
      {"data without a picture end", {2, 6}, {0, 0, 0}, {6, 6, 0}},
      {"a literal cut off by the file end", {1, 8, 0, 4, 1}, {0, 0, 0}, {8, 0, 0}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    GraphImage image{};
    ASSERT_EQ(zelvo_test::DecodeBytes(LoadBmpFromStream, zelvo_test::WriteBmp(BmpLayout{3, 2, 8, 1, kPalette, {}, 40, c.codes}), &image), 0);
    EXPECT_EQ(zelvo_test::PictureRow(image, 0, 3), c.top);
    EXPECT_EQ(zelvo_test::PictureRow(image, 1, 3), c.bottom);
    FreeGraphImage(&image);
  }
}

TEST(PictureBmp, RefusesMalformedFilesAndKeepsNothing) {
  Bytes good = zelvo_test::WriteBmp(BmpLayout{3, 2, 24, 0, {}, {}, 40, Rows(Packed(24, As24, 0), Packed(24, As24, 1), false)});
  auto patched = [&](std::size_t offset, std::uint32_t value) {
    Bytes b = good;
    for (int i = 0; i < 4; ++i) b[offset + i] = static_cast<std::uint8_t>(value >> (8 * i));
    return b;
  };
  struct Case {
    const char* name;
    Bytes file;
  } cases[] = {
      {"not BM", [&] { Bytes b = good; b[1] = 'A'; return b; }()},
      {"rows cut short", Bytes(good.begin(), good.end() - 8)},
      {"header only", Bytes(good.begin(), good.begin() + 54)},
      {"core header size", patched(14, 12)},
      {"header size past the file", patched(14, 4000)},
      {"width 0", patched(18, 0)},
      {"negative width", patched(18, 0xFFFFFFFD)},
      {"height 0", patched(22, 0)},
      {"smallest height", patched(22, 0x80000000)},
      {"width past the limit", patched(18, 40000)},
      {"huge width and height", [&] { Bytes b = patched(18, 30000); for (int i = 0; i < 4; ++i) b[22 + i] = (30000 >> (8 * i)) & 0xFF; return b; }()},
      {"pixel offset past the end", patched(10, 1000)},
      {"2 bits", [&] { Bytes b = good; b[28] = 2; return b; }()},
      {"RLE8 on 24 bits", patched(30, 1)},
      {"JPEG compression", patched(30, 4)},
      {"bit fields without masks", [&] { Bytes b = patched(30, 3); b[28] = 32; b.resize(60); return b; }()},
      {"run-length picture past the size limit", zelvo_test::WriteBmp(BmpLayout{30000, 30000, 8, 1, kPalette, {}, 40, {0, 1}})},
  };
  TrackedTotals before = TrackedAllocatorTotals();
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    GraphImage image{};
    EXPECT_EQ(zelvo_test::DecodeBytes(LoadBmpFromStream, c.file, &image), -1);
    EXPECT_EQ(image.pixels, nullptr);
  }
  EXPECT_EQ(TrackedAllocatorTotals().liveCount, before.liveCount);
}

}  // namespace
}  // namespace zelvo
