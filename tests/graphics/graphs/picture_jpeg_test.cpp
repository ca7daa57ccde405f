// JPEG reading through libjpeg from memory streams, and writing JPEG files.
#include <gtest/gtest.h>

#include <cstdlib>

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

Bytes Solid(int width, int height, int components, Bytes colour) {
  Bytes pixels;
  for (int i = 0; i < width * height; ++i) pixels.insert(pixels.end(), colour.begin(), colour.begin() + components);
  return pixels;
}

void ExpectNear(const Bytes& actual, const Bytes& expected) {
  ASSERT_EQ(actual.size(), expected.size());
  for (std::size_t i = 0; i < actual.size(); ++i) EXPECT_NEAR(actual[i], expected[i], 4) << "byte " << i;
}

TEST(PictureJpeg, ColourPicturesComeOutBlueGreenRedWithAnUnroundedPitch) {
  GraphImage image{};
  ASSERT_EQ(zelvo_test::DecodeBytes(LoadJpegFromStream, zelvo_test::WriteJpeg(99, 5, 3, Solid(99, 5, 3, {250, 10, 20}), 95), &image), 0);
  EXPECT_EQ(image.width, 99);
  EXPECT_EQ(image.pitch, 297);
  EXPECT_EQ(image.format.ColorBitDepth, 24);
  ExpectNear(zelvo_test::PictureRow(image, 4, 3), {20, 10, 250});
  FreeGraphImage(&image);
}

TEST(PictureJpeg, GreyPicturesUseTheGreyPalette) {
  GraphImage image{};
  ASSERT_EQ(zelvo_test::DecodeBytes(LoadJpegFromStream, zelvo_test::WriteJpeg(7, 3, 1, Solid(7, 3, 1, {128}), 95), &image), 0);
  EXPECT_EQ(image.pitch, 7);
  EXPECT_EQ(image.format.ColorBitDepth, 8);
  EXPECT_EQ(image.format.Palette[128][0], 128);
  ExpectNear(zelvo_test::PictureRow(image, 2, 1), {128});
  FreeGraphImage(&image);
}

TEST(PictureJpeg, ACutOffPictureStillDecodes) {
  Bytes pixels(64 * 64 * 3);
  for (std::size_t i = 0; i < pixels.size(); ++i) pixels[i] = static_cast<std::uint8_t>(std::rand());
  Bytes file = zelvo_test::WriteJpeg(64, 64, 3, pixels, 90);
  file.resize(file.size() / 2);
  GraphImage image{};
  ASSERT_EQ(zelvo_test::DecodeBytes(LoadJpegFromStream, file, &image), 0);
  EXPECT_EQ(image.height, 64);
  FreeGraphImage(&image);
}

TEST(PictureJpeg, LibraryMessagesGoToTheLog) {
  Bytes pixels(64 * 64 * 3);
  for (std::size_t i = 0; i < pixels.size(); ++i) pixels[i] = static_cast<std::uint8_t>(i * 7);
  Bytes file = zelvo_test::WriteJpeg(64, 64, 3, pixels, 90);
  file.resize(file.size() / 2);
  // A hosted library logs to the debugger output, which the test captures.
  g_startUpOptions.hosted = 1;
  pf::testing::CaptureDebugOutput(true);
  GraphImage image{};
  ASSERT_EQ(zelvo_test::DecodeBytes(LoadJpegFromStream, file, &image), 0);
  EXPECT_NE(pf::testing::TakeDebugOutput().find("Premature end of JPEG file"), std::string::npos);
  FreeGraphImage(&image);
  EXPECT_EQ(zelvo_test::DecodeBytes(LoadJpegFromStream, Bytes{0xFF, 0xD8, 0xFF, 0xD9}, &image), -1);
  EXPECT_NE(pf::testing::TakeDebugOutput().find("no image"), std::string::npos);
  pf::testing::CaptureDebugOutput(false);
  g_startUpOptions.hosted = 0;
}

TEST(PictureJpeg, RefusesWhatItCannotDecodeAndKeepsNothing) {
  Bytes good = zelvo_test::WriteJpeg(8, 8, 3, Solid(8, 8, 3, {1, 2, 3}), 80);
  struct Case {
    const char* name;
    Bytes file;
  } cases[] = {
      {"empty", {}},
      {"start marker only", {0xFF, 0xD8}},
      {"not a JPEG", {'B', 'M', 1, 2, 3}},
      {"four components", zelvo_test::WriteJpeg(8, 8, 4, Solid(8, 8, 4, {1, 2, 3, 4}), 80)},
      {"cut inside the header", Bytes(good.begin(), good.begin() + 100)},
  };
  TrackedTotals before = TrackedAllocatorTotals();
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    GraphImage image{};
    EXPECT_EQ(zelvo_test::DecodeBytes(LoadJpegFromStream, c.file, &image), -1);
    EXPECT_EQ(image.pixels, nullptr);
  }
  EXPECT_EQ(TrackedAllocatorTotals().liveCount, before.liveCount);
}

class PictureJpegFiles : public ::testing::Test {
 protected:
  void SetUp() override {
    FillStreamOpsTables();
    folder_ = zelvo_test::MakeScratchFolder("picture_jpeg");
  }
  void TearDown() override { zelvo_test::RemoveFolderTree(folder_); }
  std::string folder_;
};

TEST_F(PictureJpegFiles, SavedPicturesAreBaselineAndRoundTrip) {
  GraphImage source{};
  ASSERT_EQ(AllocGraphImageRgb24(40, 24, &source), 0);
  FillGraphImage(&source, 30, 140, 220, 0);
  std::string path = pf::HostPathToWindows(folder_ + "/round.jpg");
  ASSERT_EQ(SaveJpegFile(path.c_str(), &source, 90), 0);

  Bytes file = zelvo_test::ReadFileBytes(folder_ + "/round.jpg");
  bool baseline = false;
  for (std::size_t i = 0; i + 1 < file.size(); ++i) baseline |= file[i] == 0xFF && file[i + 1] == 0xC0;
  EXPECT_TRUE(baseline);

  GraphImage loaded{};
  ASSERT_EQ(LoadGraphImage(path.c_str(), nullptr, 0, 0, &loaded, 0), 0);
  EXPECT_EQ(loaded.width, 40);
  EXPECT_EQ(loaded.height, 24);
  ExpectNear(zelvo_test::PictureRow(loaded, 23, 3), {220, 140, 30});
  FreeGraphImage(&loaded);
  FreeGraphImage(&source);
}

TEST_F(PictureJpegFiles, AFailedSaveReportsItAndKeepsTheOldFile) {
  GraphImage source{};
  ASSERT_EQ(AllocGraphImageRgb24(2, 2, &source), 0);
  std::string path = pf::HostPathToWindows(folder_ + "/missing_folder/x.jpg");
  EXPECT_EQ(SaveJpegFile(path.c_str(), &source, 90), -1);

  // A failed write is reported, frees what the saver made and leaves the old file as it was.
  zelvo_test::WriteFileBytes(folder_ + "/x.jpg", {'o', 'l', 'd'});
  TrackedTotals before = TrackedAllocatorTotals();
  path = pf::HostPathToWindows(folder_ + "/x.jpg");
  pf::testing::FailNextCalls("TextFileWrite", 1);
  EXPECT_EQ(SaveJpegFile(path.c_str(), &source, 90), -1);
  EXPECT_EQ(TrackedAllocatorTotals().liveCount, before.liveCount);
  EXPECT_EQ(zelvo_test::ReadFileBytes(folder_ + "/x.jpg"), (Bytes{'o', 'l', 'd'}));
  FreeGraphImage(&source);
}

}  // namespace
}  // namespace zelvo
