// PNG reading through libpng from memory streams, and writing PNG files.
#include <gtest/gtest.h>

#include <png.h>
#include <zlib.h>

#include "media/core/core_state.h"
#include "media/core/log.h"
#include "media/graphics/graphs/picture_codecs.h"
#include "platform/kernel/kernel.h"
#include "platform/kernel/kernel_testing.h"
#include "support/picture_writers.h"
#include "support/test_paths.h"
#include "support/zva_writer.h"

namespace zelvo {
namespace {

using zelvo_test::Bytes;
using zelvo_test::PngLayout;

PngLayout MakeLayout(int width, int colorType, int bitDepth, std::vector<Bytes> rows) {
  PngLayout layout;
  layout.width = width;
  layout.height = static_cast<int>(rows.size());
  layout.colorType = colorType;
  layout.bitDepth = bitDepth;
  layout.rows = std::move(rows);
  return layout;
}

struct PngCase {
  const char* name;
  PngLayout layout;
  int depth;       // of the decoded picture
  int pitch;
  Bytes lastRow;   // decoded bytes of the last row
};

std::vector<PngCase> Cases() {
  std::vector<PngCase> cases;
  cases.push_back({"grey 1-bit", MakeLayout(3, PNG_COLOR_TYPE_GRAY, 1, {{0xA0}}), 8, 3, {255, 0, 255}});
  cases.push_back({"grey 2-bit", MakeLayout(3, PNG_COLOR_TYPE_GRAY, 2, {{0x1B}}), 8, 3, {0, 85, 170}});
  cases.push_back({"grey 4-bit", MakeLayout(3, PNG_COLOR_TYPE_GRAY, 4, {{0xF0, 0x80}}), 8, 3, {255, 0, 136}});
  cases.push_back({"grey 8-bit", MakeLayout(3, PNG_COLOR_TYPE_GRAY, 8, {{1, 2, 3}, {4, 5, 6}}), 8, 3, {4, 5, 6}});
  cases.push_back({"grey 16-bit", MakeLayout(2, PNG_COLOR_TYPE_GRAY, 16, {{0xAB, 0xCD, 0x12, 0x34}}), 8, 2, {0xAB, 0x12}});
  cases.push_back({"grey with alpha", MakeLayout(2, PNG_COLOR_TYPE_GRAY_ALPHA, 8, {{7, 200, 9, 100}}), 16, 4, {7, 200, 9, 100}});
  PngLayout greyKey = MakeLayout(2, PNG_COLOR_TYPE_GRAY, 8, {{7, 9}});
  greyKey.transparency = {0, 9};
  cases.push_back({"grey with a transparent key", greyKey, 16, 4, {7, 255, 9, 0}});
  for (int bits : {1, 4, 8}) {
    std::vector<Bytes> rows = {bits == 1 ? Bytes{0x40} : bits == 4 ? Bytes{0x01, 0x00} : Bytes{0, 1, 0}};
    PngLayout palette = MakeLayout(3, PNG_COLOR_TYPE_PALETTE, bits, rows);
    palette.palette = {0x102030, 0x405060};
    cases.push_back({bits == 1 ? "palette 1-bit" : bits == 4 ? "palette 4-bit" : "palette 8-bit", palette, 8, 3, {0, 1, 0}});
  }
  PngLayout keyed = MakeLayout(2, PNG_COLOR_TYPE_PALETTE, 8, {{0, 1}});
  keyed.palette = {0x102030, 0x405060};
  keyed.transparency = {0};
  cases.push_back({"palette with transparency", keyed, 32, 8, {0x30, 0x20, 0x10, 0, 0x60, 0x50, 0x40, 255}});
  cases.push_back({"RGB 8-bit", MakeLayout(2, PNG_COLOR_TYPE_RGB, 8, {{1, 2, 3, 4, 5, 6}}), 24, 6, {3, 2, 1, 6, 5, 4}});
  cases.push_back({"RGB 16-bit", MakeLayout(1, PNG_COLOR_TYPE_RGB, 16, {{1, 0, 2, 0, 3, 0}}), 24, 3, {3, 2, 1}});
  cases.push_back({"RGBA", MakeLayout(1, PNG_COLOR_TYPE_RGB_ALPHA, 8, {{1, 2, 3, 4}}), 32, 4, {3, 2, 1, 4}});
  PngLayout interlaced = MakeLayout(3, PNG_COLOR_TYPE_RGB, 8, {{1, 2, 3, 4, 5, 6, 7, 8, 9}, {9, 8, 7, 6, 5, 4, 3, 2, 1}});
  interlaced.interlaced = true;
  cases.push_back({"interlaced RGB", interlaced, 24, 9, {7, 8, 9, 4, 5, 6, 1, 2, 3}});
  return cases;
}

TEST(PicturePng, DecodesEveryColourTypeAndDepth) {
  for (const PngCase& c : Cases()) {
    SCOPED_TRACE(c.name);
    GraphImage image{};
    ASSERT_EQ(zelvo_test::DecodeBytes(LoadPngFromStream, zelvo_test::WritePng(c.layout), &image), 0);
    EXPECT_EQ(image.width, c.layout.width);
    EXPECT_EQ(image.height, c.layout.height);
    EXPECT_EQ(image.format.ColorBitDepth, c.depth);
    EXPECT_EQ(image.pitch, c.pitch);
    EXPECT_EQ(zelvo_test::PictureRow(image, image.height - 1, c.pitch), c.lastRow);
    FreeGraphImage(&image);
  }
}

TEST(PicturePng, PaletteAndGreyFormats) {
  PngLayout palette = MakeLayout(1, PNG_COLOR_TYPE_PALETTE, 8, {{1}});
  palette.palette = {0x102030, 0x405060};
  GraphImage image{};
  ASSERT_EQ(zelvo_test::DecodeBytes(LoadPngFromStream, zelvo_test::WritePng(palette), &image), 0);
  EXPECT_EQ(image.format.Palette[1][0], 0x60);   // blue, green, red, 0
  EXPECT_EQ(image.format.Palette[1][2], 0x40);
  EXPECT_EQ(image.format.Palette[2][2], 0);
  FreeGraphImage(&image);

  // Grey with alpha: two bytes a pixel, the grey read from the low byte, no alpha channel.
  ASSERT_EQ(zelvo_test::DecodeBytes(LoadPngFromStream, zelvo_test::WritePng(MakeLayout(1, PNG_COLOR_TYPE_GRAY_ALPHA, 8, {{77, 9}})), &image), 0);
  EXPECT_EQ(image.format.ChannelWidth[3], 0);
  EXPECT_EQ(image.format.OutsideBitsMask, 0xFF00u);
  int r, g, b, a;
  GetGraphImagePixel(&image, 0, 0, &r, &g, &b, &a);
  EXPECT_EQ(r, 77);
  EXPECT_EQ(b, 77);
  FreeGraphImage(&image);
}

TEST(PicturePng, RefusesDamagedFilesAndKeepsNothing) {
  std::vector<Bytes> rows(16, Bytes(48, 0x5A));
  for (int y = 0; y < 16; ++y) rows[y][y] = static_cast<std::uint8_t>(y);
  Bytes good = zelvo_test::WritePng(MakeLayout(16, PNG_COLOR_TYPE_RGB, 8, rows));
  struct Case {
    const char* name;
    Bytes file;
  } cases[] = {
      {"cut inside the image data", Bytes(good.begin(), good.begin() + static_cast<long>(good.size() / 2))},
      {"cut before the end chunk", Bytes(good.begin(), good.end() - 12)},
      {"signature only", Bytes(good.begin(), good.begin() + 8)},
      {"damaged header checksum", [&] { Bytes b = good; b[29] ^= 0xFF; return b; }()},
      {"not a PNG", Bytes{'B', 'M', 0, 0, 0, 0, 0, 0, 0, 0}},
      {"width past the limit", [&] { Bytes b = zelvo_test::WritePng(MakeLayout(1, PNG_COLOR_TYPE_GRAY, 8, {{0}})); return b; }()},
  };
  // Raise the width in the header past the limit and fix its checksum.
  Bytes& wide = cases[5].file;
  wide[16] = 0; wide[17] = 1; wide[18] = 0; wide[19] = 0;
  std::uint32_t crc = static_cast<std::uint32_t>(::crc32(0, wide.data() + 12, 17));
  for (int i = 0; i < 4; ++i) wide[29 + i] = static_cast<std::uint8_t>(crc >> (24 - 8 * i));
  TrackedTotals before = TrackedAllocatorTotals();
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    GraphImage image{};
    EXPECT_EQ(zelvo_test::DecodeBytes(LoadPngFromStream, c.file, &image), -1);
    EXPECT_EQ(image.pixels, nullptr);
  }
  EXPECT_EQ(TrackedAllocatorTotals().liveCount, before.liveCount);
}

TEST(PicturePng, ReadingPastTheEndIsLoggedAsAReadError) {
  Bytes file = zelvo_test::WritePng(MakeLayout(2, PNG_COLOR_TYPE_RGB, 8, {{1, 2, 3, 4, 5, 6}}));
  file.resize(file.size() - 12);
  // A hosted library logs to the debugger output, which the test captures.
  g_startUpOptions.hosted = 1;
  pf::testing::CaptureDebugOutput(true);
  GraphImage image{};
  EXPECT_EQ(zelvo_test::DecodeBytes(LoadPngFromStream, file, &image), -1);
  EXPECT_NE(pf::testing::TakeDebugOutput().find("Read Error"), std::string::npos);
  pf::testing::CaptureDebugOutput(false);
  g_startUpOptions.hosted = 0;
}

class PicturePngFiles : public ::testing::Test {
 protected:
  void SetUp() override {
    FillStreamOpsTables();
    folder_ = zelvo_test::MakeScratchFolder("picture_png");
  }
  void TearDown() override { zelvo_test::RemoveFolderTree(folder_); }
  std::string LibraryPath(const std::string& name) { return pf::HostPathToWindows(folder_ + "/" + name); }
  std::string folder_;
};

TEST_F(PicturePngFiles, SavedPicturesRoundTripWithoutAlpha) {
  GraphImage source{};
  ASSERT_EQ(AllocGraphImageArgb32(5, 3, &source), 0);
  for (int y = 0; y < 3; ++y)
    for (int x = 0; x < 5; ++x) SetGraphImagePixel(&source, x, y, x * 50, y * 100, 7, 99);
  std::string path = LibraryPath("round.png");
  ASSERT_EQ(SavePngFile(path.c_str(), &source, 9), 0);

  GraphImage loaded{};
  ASSERT_EQ(LoadGraphImage(path.c_str(), nullptr, 0, 0, &loaded, 0), 0);
  EXPECT_EQ(loaded.format.ColorBitDepth, 24);   // written as 8-bit RGB: alpha dropped
  for (int y = 0; y < 3; ++y)
    for (int x = 0; x < 5; ++x) {
      int r, g, b, a;
      GetGraphImagePixel(&loaded, x, y, &r, &g, &b, &a);
      EXPECT_EQ(r, x * 50);
      EXPECT_EQ(g, y * 100);
      EXPECT_EQ(b, 7);
    }
  FreeGraphImage(&loaded);
  FreeGraphImage(&source);
}

TEST_F(PicturePngFiles, AFailedSaveReportsItAndKeepsTheOldFile) {
  GraphImage source{};
  ASSERT_EQ(AllocGraphImageRgb24(2, 2, &source), 0);
  std::string path = LibraryPath("missing_folder/x.png");
  EXPECT_EQ(SavePngFile(path.c_str(), &source, 6), -1);

  // A failed write is reported, frees what the saver made and leaves the old file as it was.
  zelvo_test::WriteFileBytes(folder_ + "/x.png", {'o', 'l', 'd'});
  TrackedTotals before = TrackedAllocatorTotals();
  path = LibraryPath("x.png");
  pf::testing::FailNextCalls("TextFileWrite", 1);
  EXPECT_EQ(SavePngFile(path.c_str(), &source, 6), -1);
  EXPECT_EQ(TrackedAllocatorTotals().liveCount, before.liveCount);
  EXPECT_EQ(zelvo_test::ReadFileBytes(folder_ + "/x.png"), (Bytes{'o', 'l', 'd'}));
  FreeGraphImage(&source);
}

}  // namespace
}  // namespace zelvo
