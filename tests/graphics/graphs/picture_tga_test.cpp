// TGA decoding: the four image types at 16, 24 and 32 bits in every row and column order, the
// footer rule, colour maps, and malformed files.
#include <gtest/gtest.h>

#include "media/core/log.h"
#include "media/graphics/graphs/picture_codecs.h"
#include "support/picture_writers.h"

namespace zelvo {
namespace {

using zelvo_test::Bytes;
using zelvo_test::TgaLayout;

const std::uint32_t kPicture[2][3] = {{0xFF0000, 0x00FF00, 0x0000FF}, {0xFFFFFF, 0x000000, 0xFFFF00}};

// A colour as the file stores it at the given depth (alpha 0x80, the 16-bit attribute bit set).
Bytes Value(std::uint32_t rgb, int depth) {
  Bytes v;
  if (depth == 16) {
    zelvo_test::PutLe16(v, 0x8000 | ((rgb >> 19) & 0x1F) << 10 | ((rgb >> 11) & 0x1F) << 5 | ((rgb >> 3) & 0x1F));
    return v;
  }
  v = {static_cast<std::uint8_t>(rgb), static_cast<std::uint8_t>(rgb >> 8), static_cast<std::uint8_t>(rgb >> 16)};
  if (depth == 32) v.push_back(0x80);
  return v;
}

// The picture's pixels (or palette indices) in the file's order for a descriptor.
Bytes FileOrder(int descriptor, int depth, bool indices) {
  Bytes out;
  for (int r = 0; r < 2; ++r)
    for (int c = 0; c < 3; ++c) {
      int y = (descriptor & 0x20) ? r : 1 - r;
      int x = (descriptor & 0x10) ? 2 - c : c;
      if (indices) {
        out.push_back(static_cast<std::uint8_t>(10 + y * 3 + x));   // map entries start at 10
      } else {
        Bytes v = Value(kPicture[y][x], depth);
        out.insert(out.end(), v.begin(), v.end());
      }
    }
  return out;
}

TgaLayout Fixture(int type, int depth, int descriptor) {
  bool mapped = type == 1 || type == 9;
  TgaLayout layout;
  layout.imageType = type;
  layout.width = 3;
  layout.height = 2;
  layout.descriptor = descriptor;
  layout.pixelBits = mapped ? 8 : depth;
  layout.id = {'i', 'd'};
  if (mapped) {
    layout.colorMapType = 1;
    layout.mapFirst = 10;
    layout.mapLength = 6;
    layout.mapEntryBits = depth;
    for (int i = 0; i < 6; ++i) {
      Bytes v = Value(kPicture[i / 3][i % 3], depth);
      layout.colorMap.insert(layout.colorMap.end(), v.begin(), v.end());
    }
  }
  Bytes values = FileOrder(descriptor, depth, mapped);
  layout.pixels = type >= 9 ? zelvo_test::EncodeTgaRle(values, mapped ? 1 : depth / 8) : values;
  layout.footer = type >= 9;
  return layout;
}

void ExpectPicture(const GraphImage& image, int depth) {
  ASSERT_EQ(image.width, 3);
  ASSERT_EQ(image.height, 2);
  EXPECT_EQ(image.format.ColorBitDepth, depth);
  EXPECT_EQ(image.pitch, 3 * depth / 8);
  for (int y = 0; y < 2; ++y)
    for (int x = 0; x < 3; ++x) {
      int r, g, b, a;
      GetGraphImagePixel(&image, x, y, &r, &g, &b, &a);
      EXPECT_EQ(static_cast<std::uint32_t>((r << 16) | (g << 8) | b), kPicture[y][x]) << "at " << x << "," << y;
      if (depth == 32) {
        EXPECT_EQ(a, 0x80);
      }
    }
}

TEST(PictureTga, DecodesEveryTypeDepthAndOrder) {
  for (int type : {1, 2, 9, 10})
    for (int depth : {16, 24, 32})
      for (int descriptor : {0x00, 0x10, 0x20, 0x30}) {
        SCOPED_TRACE("type " + std::to_string(type) + " depth " + std::to_string(depth) + " descriptor " +
                     std::to_string(descriptor));
        GraphImage image{};
        ASSERT_EQ(zelvo_test::DecodeBytes(LoadTgaFromStream, zelvo_test::WriteTga(Fixture(type, depth, descriptor)), &image), 0);
        ExpectPicture(image, depth);
        FreeGraphImage(&image);
      }
}

TEST(PictureTga, SixteenBitKeepsTheAttributeBitOutsideTheChannels) {
  GraphImage image{};
  ASSERT_EQ(zelvo_test::DecodeBytes(LoadTgaFromStream, zelvo_test::WriteTga(Fixture(2, 16, 0x20)), &image), 0);
  EXPECT_EQ(image.format.ChannelMask[0], 0x7C00u);
  EXPECT_EQ(image.format.ChannelWidth[3], 0);
  EXPECT_EQ(image.format.OutsideBitsMask, 0x8000u);
  FreeGraphImage(&image);
}

TEST(PictureTga, FooterAndColourMapEdges) {
  struct Case {
    const char* name;
    TgaLayout layout;
  };
  std::vector<Case> cases;
  // A footer with an extension area does not count; the packets still end the picture.
  TgaLayout extension = Fixture(10, 24, 0x20);
  extension.extensionOffset = 40;
  cases.push_back({"footer with an extension area", extension});
  TgaLayout noFooter = Fixture(10, 24, 0x20);
  noFooter.footer = false;
  cases.push_back({"run-length without footer", noFooter});
  // A colour map on a true-colour file is skipped whole.
  TgaLayout unusedMap = Fixture(2, 24, 0x20);
  unusedMap.colorMapType = 1;
  unusedMap.mapLength = 3;
  unusedMap.mapEntryBits = 15;
  unusedMap.colorMap = Bytes(6, 0xEE);
  cases.push_back({"true colour with a colour map", unusedMap});
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    GraphImage image{};
    ASSERT_EQ(zelvo_test::DecodeBytes(LoadTgaFromStream, zelvo_test::WriteTga(c.layout), &image), 0);
    ExpectPicture(image, 24);
    FreeGraphImage(&image);
  }

  // A file shorter than a footer still loads: 1x1 at 24 bits is 21 bytes.
  TgaLayout tiny;
  tiny.pixels = {1, 2, 3};
  GraphImage image{};
  ASSERT_EQ(zelvo_test::DecodeBytes(LoadTgaFromStream, zelvo_test::WriteTga(tiny), &image), 0);
  EXPECT_EQ(zelvo_test::PictureRow(image, 0, 3), (Bytes{1, 2, 3}));
  FreeGraphImage(&image);

  // A run packet longer than the picture is cut at its end.
  TgaLayout longRun;
  longRun.imageType = 10;
  longRun.width = 2;
  longRun.pixels = {0xFF, 4, 5, 6};
  ASSERT_EQ(zelvo_test::DecodeBytes(LoadTgaFromStream, zelvo_test::WriteTga(longRun), &image), 0);
  EXPECT_EQ(zelvo_test::PictureRow(image, 0, 6), (Bytes{4, 5, 6, 4, 5, 6}));
  FreeGraphImage(&image);

  // Map entries past index 255 are dropped: index 255 is the last one kept.
  TgaLayout high = Fixture(1, 24, 0x20);
  high.mapFirst = 254;
  high.mapLength = 3;
  high.colorMap = {1, 1, 1, 2, 2, 2, 3, 3, 3};
  high.width = 2;
  high.height = 1;
  high.pixels = {255, 0};
  ASSERT_EQ(zelvo_test::DecodeBytes(LoadTgaFromStream, zelvo_test::WriteTga(high), &image), 0);
  EXPECT_EQ(zelvo_test::PictureRow(image, 0, 6), (Bytes{2, 2, 2, 0, 0, 0}));
  FreeGraphImage(&image);
}

TEST(PictureTga, RefusesMalformedFilesAndKeepsNothing) {
  auto with = [](auto change) {
    TgaLayout layout = Fixture(2, 24, 0x20);
    change(layout);
    return zelvo_test::WriteTga(layout);
  };
  Bytes rle = zelvo_test::WriteTga(Fixture(10, 24, 0x20));
  Bytes raw = zelvo_test::WriteTga(Fixture(2, 24, 0x20));
  struct Case {
    const char* name;
    Bytes file;
  } cases[] = {
      {"x origin", with([](TgaLayout& s) { s.xOrigin = 1; })},
      {"y origin", with([](TgaLayout& s) { s.yOrigin = 2; })},
      {"width 4096", with([](TgaLayout& s) { s.width = 4096; })},
      {"height 0", with([](TgaLayout& s) { s.height = 0; })},
      {"grey type", with([](TgaLayout& s) { s.imageType = 3; })},
      {"8-bit true colour", with([](TgaLayout& s) { s.pixelBits = 8; })},
      {"15-bit true colour", with([](TgaLayout& s) { s.pixelBits = 15; })},
      {"mapped with 16-bit indices", [] { TgaLayout s = Fixture(1, 24, 0x20); s.pixelBits = 16; return zelvo_test::WriteTga(s); }()},
      {"raw pixels cut short", Bytes(raw.begin(), raw.end() - 1)},
      {"run-length packets cut short", Bytes(rle.begin(), rle.end() - 27)},
      {"colour map past the end", [] { TgaLayout s = Fixture(1, 24, 0x20); s.mapLength = 60000; return zelvo_test::WriteTga(s); }()},
      {"header only", Bytes(raw.begin(), raw.begin() + 17)},
  };
  TrackedTotals before = TrackedAllocatorTotals();
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    GraphImage image{};
    EXPECT_EQ(zelvo_test::DecodeBytes(LoadTgaFromStream, c.file, &image), -1);
    EXPECT_EQ(image.pixels, nullptr);
  }
  EXPECT_EQ(TrackedAllocatorTotals().liveCount, before.liveCount);
}

}  // namespace
}  // namespace zelvo
