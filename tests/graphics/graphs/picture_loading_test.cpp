// GraphImage operations, the loader table's dispatch by content, and the "_a" alpha picture.
#include <gtest/gtest.h>

#include <png.h>

#include "media/core/archive_files.h"
#include "media/core/log.h"
#include "media/graphics/graphs/graph_image.h"
#include "media/pixels/pixel_format.h"
#include "platform/kernel/kernel.h"
#include "support/picture_writers.h"
#include "support/test_paths.h"
#include "support/zva_writer.h"

namespace zelvo {
namespace {

using zelvo_test::Bytes;

TEST(GraphImageOps, AllocateFillReadWriteAndMirror) {
  GraphImage image{};
  ASSERT_EQ(AllocGraphImageRgb24(5, 2, &image), 0);
  EXPECT_EQ(image.pitch, 16);
  EXPECT_EQ(image.format.ColorBitDepth, 24);
  FillGraphImage(&image, 255, 0, 0, 0);
  EXPECT_EQ(zelvo_test::PictureRow(image, 1, 15), (Bytes{0, 0, 255, 0, 0, 255, 0, 0, 255, 0, 0, 255, 0, 0, 255}));
  FreeGraphImage(&image);
  EXPECT_EQ(image.pixels, nullptr);

  ASSERT_EQ(AllocGraphImageArgb32(3, 1, &image), 0);
  EXPECT_EQ(image.pitch, 12);
  for (int x = 0; x < 3; ++x) SetGraphImagePixel(&image, x, 0, x, 10 + x, 20 + x, 30 + x);
  EXPECT_EQ(MirrorGraphImage(&image), 0);
  int r, g, b, a;
  GetGraphImagePixel(&image, 0, 0, &r, &g, &b, &a);
  EXPECT_EQ((std::vector<int>{r, g, b, a}), (std::vector<int>{2, 12, 22, 32}));
  GetGraphImagePixel(&image, 1, 0, &r, nullptr, nullptr, &a);
  EXPECT_EQ(r, 1);
  EXPECT_EQ(a, 31);
  FreeGraphImage(&image);
  EXPECT_EQ(MirrorGraphImage(&image), -1);
}

TEST(GraphImageOps, PalettePicturesAndTheTopLeftColour) {
  std::uint8_t index = 7;
  GraphImage palette{};
  InitPixelFormatPal8(&palette.format);
  palette.format.Palette[7][0] = 30;   // blue, green, red
  palette.format.Palette[7][1] = 20;
  palette.format.Palette[7][2] = 10;
  palette.width = palette.height = palette.pitch = 1;
  palette.pixels = &index;
  int r, g, b, a;
  GetGraphImagePixel(&palette, 0, 0, &r, &g, &b, &a);
  EXPECT_EQ((std::vector<int>{r, g, b, a}), (std::vector<int>{10, 20, 30, 0}));
  FillGraphImage(&palette, 1, 2, 3, 4);
  EXPECT_EQ(index, 7);
  EXPECT_EQ(GraphImageTopLeftColor(&palette), 0u);

  // Channels move to the top of their byte without scaling: a 5-bit 31 gives 0xF8.
  std::uint16_t white = 0xFFFF;
  GraphImage rgb565{};
  SetupPixelFormatFromMasks(&rgb565.format, 16, 0xF800, 0x7E0, 0x1F, 0);
  rgb565.width = rgb565.height = 1;
  rgb565.pitch = 4;
  rgb565.pixels = &white;
  EXPECT_EQ(GraphImageTopLeftColor(&rgb565), 0xF8FCF8u);
  rgb565.pixels = nullptr;
  EXPECT_EQ(GraphImageTopLeftColor(&rgb565), 0u);
}

// One small file of every kind the table reads.
struct KindCase {
  const char* name;
  Bytes file;
  int depth;
};

std::vector<KindCase> EveryKind() {
  zelvo_test::PngLayout png;
  png.rows = {{1, 2, 3}};
  zelvo_test::TgaLayout tga;
  tga.pixels = {1, 2, 3};
  zelvo_test::DdsLayout dds;
  dds.pixels = {1, 2, 3, 4};
  return {
      {"BMP", zelvo_test::WriteBmp(zelvo_test::BmpLayout{1, 1, 24, 0, {}, {}, 40, {1, 2, 3, 0}}), 24},
      {"JPEG", zelvo_test::WriteJpeg(1, 1, 1, {9}, 90), 8},
      {"PNG", zelvo_test::WritePng(png), 24},
      {"raw BGRA", zelvo_test::WriteRawBgra(0x08080808, 1, 1, {1, 2, 3, 4}), 32},
      {"TGA", zelvo_test::WriteTga(tga), 24},
      {"DDS", zelvo_test::WriteDds(dds), 32},
  };
}

TEST(PictureLoading, EveryKindIsFoundByContent) {
  for (const KindCase& c : EveryKind()) {
    SCOPED_TRACE(c.name);
    GraphImage image{};
    ASSERT_EQ(LoadGraphImage(nullptr, c.file.data(), static_cast<int>(c.file.size()), 1, &image, 0), 0);
    EXPECT_EQ(image.format.ColorBitDepth, c.depth);
    FreeGraphImage(&image);
  }
}

TEST(PictureLoading, DataNoLoaderTakesIsRefusedAndNothingStays) {
  TrackedTotals before = TrackedAllocatorTotals();
  Bytes junk = {'B', 'M', 0xFF, 0xD8, 0x89, 'P', 'N', 'G', 'D', 'D', 'S', ' ', 1, 2, 3, 4, 5, 6, 7, 8};
  GraphImage image{};
  EXPECT_EQ(LoadGraphImage(nullptr, junk.data(), static_cast<int>(junk.size()), 1, &image, 0), -1);
  EXPECT_EQ(LoadGraphImage(nullptr, junk.data(), 0, 1, &image, 0), -1);
  EXPECT_EQ(LoadGraphImage(nullptr, nullptr, 0, 1, &image, 0), -1);
  EXPECT_EQ(image.pixels, nullptr);
  EXPECT_EQ(TrackedAllocatorTotals().liveCount, before.liveCount);
}

TEST(PictureLoading, AlphaPictureNames) {
  struct Case {
    const char* path;
    const char* alpha;
  } cases[] = {
      {"bmp\\chr.png", "bmp\\chr_a.png"},
      {"data\\a.b\\pic", "data\\a_a.b\\pic"},
      {"pic", "pic_a"},
      {"x.tar.bmp", "x.tar_a.bmp"},
  };
  for (const Case& c : cases) {
    char out[260];
    ASSERT_EQ(MakeAlphaPictureName(c.path, out, sizeof out), 0);
    EXPECT_STREQ(out, c.alpha);
  }
  std::string fits(257, 'a'), tooLong(258, 'a');
  char out[260];
  EXPECT_EQ(MakeAlphaPictureName(fits.c_str(), out, sizeof out), 0);
  EXPECT_EQ(MakeAlphaPictureName(tooLong.c_str(), out, sizeof out), -1);
}

class PictureLoadingFiles : public ::testing::Test {
 protected:
  void SetUp() override {
    FillStreamOpsTables();
    folder_ = zelvo_test::MakeScratchFolder("picture_loading");
    colour_ = zelvo_test::WriteBmp(zelvo_test::BmpLayout{2, 1, 24, 0, {}, {}, 40, {1, 2, 3, 4, 5, 6, 0, 0}});
    zelvo_test::PngLayout alpha;
    alpha.width = 2;
    alpha.colorType = PNG_COLOR_TYPE_GRAY;
    alpha.rows = {{0, 255}};
    alpha_ = zelvo_test::WritePng(alpha);
  }
  void TearDown() override {
    ResetArchiveState();
    zelvo_test::RemoveFolderTree(folder_);
  }
  std::string LibraryPath(const std::string& name) { return pf::HostPathToWindows(folder_ + "/" + name); }
  std::string folder_;
  Bytes colour_, alpha_;
};

TEST_F(PictureLoadingFiles, TheAlphaPictureIsReadBesideThePicture) {
  zelvo_test::WriteFileBytes(folder_ + "/chr.bmp", colour_);
  zelvo_test::WriteFileBytes(folder_ + "/chr_a.bmp", alpha_);   // judged by content, not by name
  std::string path = LibraryPath("chr.bmp");
  GraphImage image{}, alpha{};
  ASSERT_EQ(LoadGraphImageWithAlpha(path.c_str(), nullptr, 0, 0, nullptr, 0, 0, &image, &alpha, 0), 0);
  EXPECT_EQ(image.format.ColorBitDepth, 24);
  EXPECT_EQ(alpha.format.ColorBitDepth, 8);
  EXPECT_EQ(zelvo_test::PictureRow(alpha, 0, 2), (Bytes{0, 255}));
  FreeGraphImage(&alpha);
  FreeGraphImage(&image);

  // Any flag other than 0 and 1 skips the alpha picture.
  ASSERT_EQ(LoadGraphImageWithAlpha(path.c_str(), nullptr, 0, 0, nullptr, 0, 2, &image, &alpha, 0), 1);
  EXPECT_EQ(alpha.pixels, nullptr);
  FreeGraphImage(&image);
}

TEST_F(PictureLoadingFiles, AMissingAlphaPictureOnlyChangesTheResult) {
  zelvo_test::WriteFileBytes(folder_ + "/solo.bmp", colour_);
  std::string path = LibraryPath("solo.bmp");
  GraphImage image{}, alpha{};
  ASSERT_EQ(LoadGraphImageWithAlpha(path.c_str(), nullptr, 0, 0, nullptr, 0, 0, &image, &alpha, 0), 1);
  EXPECT_EQ(image.width, 2);
  FreeGraphImage(&image);

  std::string missing = LibraryPath("missing.bmp");
  EXPECT_EQ(LoadGraphImageWithAlpha(missing.c_str(), nullptr, 0, 0, nullptr, 0, 0, &image, &alpha, 0), -1);
  EXPECT_EQ(image.pixels, nullptr);
}

TEST_F(PictureLoadingFiles, AlphaPicturesFromMemory) {
  GraphImage image{}, alpha{};
  int colourSize = static_cast<int>(colour_.size()), alphaSize = static_cast<int>(alpha_.size());
  ASSERT_EQ(LoadGraphImageWithAlpha(nullptr, colour_.data(), colourSize, 1, alpha_.data(), alphaSize, 1, &image, &alpha, 0), 0);
  EXPECT_EQ(alpha.width, 2);
  FreeGraphImage(&alpha);
  FreeGraphImage(&image);
  // Without a block the alpha picture is not tried.
  ASSERT_EQ(LoadGraphImageWithAlpha(nullptr, colour_.data(), colourSize, 1, nullptr, 0, 1, &image, &alpha, 0), 1);
  FreeGraphImage(&image);
}

TEST_F(PictureLoadingFiles, PicturesAndAlphaPicturesReadFromAnArchive) {
  // A stored colour picture and a compressed alpha picture inside DATA.ZVA, which stands for data\.
  zelvo_test::ZvaItem colour{"BMP\\CHR.BMP", colour_};
  zelvo_test::ZvaItem alpha{"BMP\\CHR_A.BMP", alpha_};
  alpha.compress = true;
  zelvo_test::WriteFileBytes(folder_ + "/DATA.ZVA", zelvo_test::BuildZva({colour, alpha}, zelvo_test::ZvaOptions{}));
  ASSERT_TRUE(pf::SetCurrentDirectory(pf::HostPathToWindows(folder_).c_str()));
  GraphImage image{}, alphaImage{};
  ASSERT_EQ(LoadGraphImageWithAlpha("data\\bmp\\chr.bmp", nullptr, 0, 0, nullptr, 0, 0, &image, &alphaImage, 0), 0);
  EXPECT_EQ(zelvo_test::PictureRow(image, 0, 6), (Bytes{1, 2, 3, 4, 5, 6}));
  EXPECT_EQ(zelvo_test::PictureRow(alphaImage, 0, 2), (Bytes{0, 255}));
  FreeGraphImage(&alphaImage);
  FreeGraphImage(&image);
}

}  // namespace
}  // namespace zelvo
