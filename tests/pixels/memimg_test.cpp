// MEMIMG headers: initialisation (pitch, pitch log2, standard formats), release, views, rectangle
// fill, and the run code and premultiplied copy built after a whole-image transfer.
#include <gtest/gtest.h>

#include <cstring>
#include <vector>

#include "media/core/log.h"
#include "media/pixels/memimg.h"

namespace zelvo {
namespace {

struct Image {
  MEMIMG m;
  Image() { std::memset(&m, 0, sizeof m); }
  ~Image() { FreeMemImg(&m); }
};

TEST(MemImg, PitchAndPitchLog2) {
  struct Case {
    int width, type, alpha, pal, pitch, log2, bpp;
  } cases[] = {
      {100, kMemImg8888, 0, 0, 400, -1, 4},
      {64, kMemImg8888, 0, 0, 256, 8, 4},
      {4, kMemImg565, 0, 0, 16, -1, 2},
      {8, kMemImg565, 0, 0, 16, 4, 2},
      {3, kMemImg565, 1, 0, 16, 4, 4},
      {5, kMemImg8888, 0, 1, 16, -1, 1},
      {7, kMemImgSingle8, 1, 1, 16, -1, 1},  // alpha and palette forced off
  };
  for (const Case& c : cases) {
    Image img;
    ASSERT_EQ(0, InitMemImg(&img.m, c.width, 3, -1, 0, c.type, c.pal, c.alpha, 0));
    EXPECT_EQ(c.pitch, img.m.pitch) << c.width;
    EXPECT_EQ(c.log2, img.m.pitchLog2) << c.width;
    EXPECT_EQ(c.bpp, img.m.format->BytesPerPixel) << c.width;
    EXPECT_EQ(kMemImgMagic, img.m.magic);
    EXPECT_EQ(img.m.format, GetMemImgPixelFormat(c.type, img.m.alphaFlag, img.m.paletteFlag));
  }
  Image tooShort;
  EXPECT_EQ(-1, InitMemImg(&tooShort.m, 10, 2, 19, 0, kMemImg565, 0, 0, 0));  // rows would overlap
  EXPECT_EQ(0u, tooShort.m.magic);
  Image given;
  ASSERT_EQ(0, InitMemImg(&given.m, 10, 2, 64, 0, kMemImg565, 0, 0, 0));
  EXPECT_EQ(64, given.m.pitch);
  EXPECT_EQ(6, given.m.pitchLog2);
}

TEST(MemImg, StandardFormats) {
  const PixelFormat* a565 = GetMemImgPixelFormat(kMemImg565, 1, 0);
  EXPECT_EQ(32, a565->ColorBitDepth);
  EXPECT_EQ(0xFF0000u, a565->ChannelMask[3]);
  EXPECT_EQ(0xF800u, a565->ChannelMask[0]);
  const PixelFormat* x8888 = GetMemImgPixelFormat(kMemImg8888, 0, 0);
  EXPECT_EQ(0u, x8888->ChannelMask[3]);
  const PixelFormat* depth = GetMemImgPixelFormat(kMemImgDepth16, 0, 0);
  EXPECT_EQ(16, depth->ChannelWidth[2]);
  EXPECT_EQ(0xFFFFu, depth->ChannelMask[0]);
  EXPECT_EQ(nullptr, GetMemImgPixelFormat(4, 0, 0));
  EXPECT_EQ(0x40u, GetMemImgDDPixelFormat(kMemImg8888, 1, 0)->Flags);
}

TEST(MemImg, SecondInitFailsAndReleaseFreesEverything) {
  const TrackedTotals before = TrackedAllocatorTotals();
  {
    Image img;
    ASSERT_EQ(0, InitMemImg(&img.m, 16, 16, -1, 0, kMemImg8888, 0, 1, 1));
    ASSERT_NE(nullptr, img.m.premultiplied);
    ASSERT_NE(nullptr, img.m.runCode);
    const MEMIMG copy = img.m;
    EXPECT_EQ(-1, InitMemImg(&img.m, 8, 8, -1, 0, kMemImg565, 0, 0, 0));
    EXPECT_EQ(0, std::memcmp(&copy, &img.m, sizeof copy));
    FreeMemImg(&img.m);
    EXPECT_EQ(0u, img.m.magic);
    EXPECT_EQ(nullptr, img.m.pixels);
    FreeMemImg(&img.m);  // without the magic: nothing
  }
  EXPECT_EQ(before.liveCount, TrackedAllocatorTotals().liveCount);
  // caller-supplied pixels are not freed
  uint8_t own[64];
  Image img;
  img.m.pixels = own;
  ASSERT_EQ(0, InitMemImg(&img.m, 4, 4, 16, 0, kMemImg8888, 0, 0, 0));
  EXPECT_EQ(1, img.m.pixelsNotOwned);
  EXPECT_EQ(1, IsMemImgValid(&img.m));
}

TEST(MemImg, ScreenImagesFollowTheRequestedDepth) {
  Image img;
  ASSERT_EQ(0, InitScreenMemImg(&img.m, 8, 8, -1));
  EXPECT_EQ(kMemImg8888, img.m.colorType);  // the default screen is 32-bit
  Image depth;
  ASSERT_EQ(0, InitDepthMemImg(&depth.m, 8, 8));
  EXPECT_EQ(kMemImgDepth16, depth.m.colorType);
}

// The rectangle fill against the pixel-by-pixel rule: every colour type's pixel size, values of
// one repeated byte or not, widths across the whole-block fill, whole images and rectangles
// clipped on each side; the pixels outside stay as they were.
TEST(MemImg, RectangleFillMatchesThePixelRule) {
  struct Type {
    int colorType, alpha, palette;
  } types[] = {{kMemImg565, 0, 0}, {kMemImg565, 1, 0}, {kMemImg8888, 0, 0}, {kMemImg8888, 0, 1}, {kMemImgDepth16, 0, 0}};
  for (const uint32_t value : {0xA1B2C3D4u, 0u, 0xFFFFu, 0x3F3F3F3Fu})
  for (const Type& t : types) {
    for (const IntRect r : {IntRect{0, 0, 70, 3}, IntRect{1, 0, 2, 3}, IntRect{3, 1, 36, 2}, IntRect{-4, -1, 19, 9},
                            IntRect{5, 0, 90, 3}, IntRect{17, 1, 33, 3}, IntRect{6, 1, 6, 2}}) {
      Image img;
      ASSERT_EQ(0, InitMemImg(&img.m, 70, 3, -1, 0, t.colorType, t.palette, t.alpha, 0));
      const int bpp = img.m.format->BytesPerPixel;
      std::vector<uint8_t> expected(static_cast<size_t>(img.m.pitch) * 3);
      for (size_t i = 0; i < expected.size(); ++i) expected[i] = static_cast<uint8_t>(i * 7 + 1);
      std::memcpy(img.m.pixels, expected.data(), expected.size());
      for (int y = r.top < 0 ? 0 : r.top; y < r.bottom && y < 3; ++y)
        for (int x = r.left < 0 ? 0 : r.left; x < r.right && x < 70; ++x)
          std::memcpy(&expected[static_cast<size_t>(y * img.m.pitch + x * bpp)], &value, static_cast<size_t>(bpp));
      FillMemImgRect(&img.m, &r, value);
      ASSERT_EQ(0, std::memcmp(expected.data(), img.m.pixels, expected.size()))
          << "type " << t.colorType << " bpp " << bpp << " rect " << r.left << "," << r.top << "," << r.right << "," << r.bottom;
    }
  }
}

TEST(MemImg, ViewsAndRectangleFill) {
  Image img;
  ASSERT_EQ(0, InitMemImg(&img.m, 8, 4, -1, 0x1234, kMemImg565, 0, 0, 0));
  FillMemImgRect(&img.m, nullptr, 0x1111);
  MEMIMG view;
  std::memset(&view, 0, sizeof view);
  MakeMemImgView(&view, &img.m, 2, 1, 3, 2);
  EXPECT_EQ(img.m.pixels + 16 + 4, view.pixels);
  EXPECT_EQ(0x1234u, view.transparentColor);
  EXPECT_EQ(img.m.palette, view.palette);
  EXPECT_EQ(0, view.runsValid);
  EXPECT_EQ(1, view.pixelsNotOwned);
  const IntRect r{-5, 1, 2, 99};  // clipped to the view
  FillMemImgRect(&view, &r, 0xBEEF);
  uint16_t v;
  std::memcpy(&v, img.m.pixels + 2 * img.m.pitch + 3 * 2, 2);
  EXPECT_EQ(0xBEEF, v);
  std::memcpy(&v, img.m.pixels + 3 * img.m.pitch + 3 * 2, 2);
  EXPECT_EQ(0x1111, v);  // row 2 of the view does not exist
  const IntRect empty{5, 1, 5, 3};
  FillMemImgRect(&view, &empty, 0);
  std::memcpy(&v, img.m.pixels + 2 * img.m.pitch + 7 * 2, 2);
  EXPECT_EQ(0x1111, v);
  FreeMemImg(&view);  // a released view leaves the parent's pixels alone
  EXPECT_EQ(nullptr, view.pixels);
  std::memcpy(&v, img.m.pixels + 2 * img.m.pitch + 3 * 2, 2);
  EXPECT_EQ(0xBEEF, v);
}

std::vector<uint8_t> RowCode(const MEMIMG& m, int row) {
  const uint8_t* p = m.runCode;
  for (int y = 0; y < row; ++y)
    while (*p++ != kRunEndOfRow) {
    }
  std::vector<uint8_t> out;
  do out.push_back(*p); while (*p++ != kRunEndOfRow);
  return out;
}

TEST(MemImg, RunCodeOfKeyedAndAlphaRows) {
  Image keyed;
  ASSERT_EQ(0, InitMemImg(&keyed.m, 73, 1, -1, 0x00FF00FF, kMemImg8888, 0, 0, 1));
  uint32_t* p = reinterpret_cast<uint32_t*>(keyed.m.pixels);
  for (int x = 0; x < 73; ++x) p[x] = x < 70 ? 0x00FF00FF : 0x00123456;
  ASSERT_EQ(0, CompleteMemImgTransfer(&keyed.m, 73, 1));
  EXPECT_EQ(1, keyed.m.runsValid);
  EXPECT_EQ((std::vector<uint8_t>{0x3F, 0x05, 0x42, 0xC0}), RowCode(keyed.m, 0));

  Image alpha;
  ASSERT_EQ(0, InitMemImg(&alpha.m, 5, 2, -1, 0, kMemImg8888, 0, 1, 1));
  const uint8_t alphas[5] = {0, 0, 128, 255, 255};
  for (int y = 0; y < 2; ++y)
    for (int x = 0; x < 5; ++x) {
      uint32_t v = static_cast<uint32_t>(alphas[x]) << 24 | 0x00C08040;
      std::memcpy(alpha.m.pixels + y * alpha.m.pitch + x * 4, &v, 4);
    }
  ASSERT_EQ(0, CompleteMemImgTransfer(&alpha.m, 5, 2));
  EXPECT_EQ((std::vector<uint8_t>{0x01, 0x80, 0x41, 0xC0}), RowCode(alpha.m, 1));
  EXPECT_EQ(1, alpha.m.premultipliedValid);
  const uint8_t* pm = alpha.m.premultiplied + 2 * 4;
  EXPECT_EQ((std::vector<uint8_t>{0x40 * 128 >> 8, 0x80 * 128 >> 8, 0xC0 * 128 >> 8, 128}),
            (std::vector<uint8_t>{pm[0], pm[1], pm[2], pm[3]}));

  // part of the image: the flags clear and nothing is built
  ASSERT_EQ(0, CompleteMemImgTransfer(&alpha.m, 4, 2));
  EXPECT_EQ(0, alpha.m.runsValid);
  EXPECT_EQ(0, alpha.m.premultipliedValid);
}

TEST(MemImg, PaletteFromPictureFormat) {
  Image img;
  ASSERT_EQ(0, InitMemImg(&img.m, 4, 1, -1, 0, kMemImg565, 1, 0, 0));
  PixelFormat f{};
  f.Palette[5][0] = 0xFF;  // blue
  f.Palette[5][2] = 0x80;  // red
  SetMemImgPaletteFromFormat(&img.m, &f);
  uint16_t v;
  std::memcpy(&v, static_cast<uint8_t*>(img.m.palette) + 10, 2);
  EXPECT_EQ((0x80 / 8) << 11 | 0x1F, v);
  EXPECT_EQ(0, std::memcmp(img.m.palette, img.m.paletteCopy, 512));
}

}  // namespace
}  // namespace zelvo
