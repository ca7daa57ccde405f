// Raw "BGRA" decoding: both channel sizes and malformed files.
#include <gtest/gtest.h>

#include "media/core/log.h"
#include "media/graphics/graphs/picture_codecs.h"
#include "support/picture_writers.h"

namespace zelvo {
namespace {

using zelvo_test::Bytes;

TEST(PictureRaw, EightBitChannelsAreReadStraight) {
  Bytes pixels = {1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12};
  GraphImage image{};
  ASSERT_EQ(zelvo_test::DecodeBytes(LoadBgraFromStream, zelvo_test::WriteRawBgra(0x08080808, 1, 3, pixels), &image), 0);
  EXPECT_EQ(image.width, 1);
  EXPECT_EQ(image.height, 3);
  EXPECT_EQ(image.pitch, 4);
  EXPECT_EQ(image.format.ColorBitDepth, 32);
  EXPECT_EQ(image.format.ChannelMask[3], 0xFF000000u);
  EXPECT_EQ(zelvo_test::PictureRow(image, 2, 4), (Bytes{9, 10, 11, 12}));
  FreeGraphImage(&image);
}

TEST(PictureRaw, SixteenBitChannelsKeepTheirHighByte) {
  Bytes pixels;
  for (std::uint32_t v : {0x1234u, 0xABCDu, 0x00FFu, 0xFF00u, 1u, 2u, 3u, 0xFFFFu}) zelvo_test::PutLe16(pixels, v);
  GraphImage image{};
  ASSERT_EQ(zelvo_test::DecodeBytes(LoadBgraFromStream, zelvo_test::WriteRawBgra(0x10101010, 2, 1, pixels), &image), 0);
  EXPECT_EQ(image.pitch, 8);
  EXPECT_EQ(zelvo_test::PictureRow(image, 0, 8), (Bytes{0x12, 0xAB, 0x00, 0xFF, 0, 0, 0, 0xFF}));
  FreeGraphImage(&image);
}

TEST(PictureRaw, RefusesMalformedFilesAndKeepsNothing) {
  Bytes four(16, 7);
  struct Case {
    const char* name;
    Bytes file;
  } cases[] = {
      {"wrong magic", [&] { Bytes b = zelvo_test::WriteRawBgra(0x08080808, 2, 2, four); b[0] = 'X'; return b; }()},
      {"other channel bits", zelvo_test::WriteRawBgra(0x08080810, 2, 2, four)},
      {"pixels cut short", zelvo_test::WriteRawBgra(0x08080808, 2, 2, Bytes(15, 7))},
      {"16-bit pixels cut short", zelvo_test::WriteRawBgra(0x10101010, 2, 2, Bytes(31, 7))},
      {"width 0", zelvo_test::WriteRawBgra(0x08080808, 0, 2, four)},
      {"size overflowing 32 bits", zelvo_test::WriteRawBgra(0x08080808, 0x40000000, 4, four)},
      {"negative as signed", zelvo_test::WriteRawBgra(0x08080808, 0xFFFFFFFF, 1, four)},
      {"header cut short", Bytes{'B', 'G', 'R', 'A', 8, 8, 8, 8}},
  };
  TrackedTotals before = TrackedAllocatorTotals();
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    GraphImage image{};
    EXPECT_EQ(zelvo_test::DecodeBytes(LoadBgraFromStream, c.file, &image), -1);
    EXPECT_EQ(image.pixels, nullptr);
  }
  EXPECT_EQ(TrackedAllocatorTotals().liveCount, before.liveCount);
}

}  // namespace
}  // namespace zelvo
