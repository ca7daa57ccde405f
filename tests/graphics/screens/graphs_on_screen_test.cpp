// Graphs on screen through the public entry points: pictures loaded loose and from an archive,
// palette sprites keyed by index, drawn plain, rotated and into cells with each blend mode, every
// shape, presented, and the screen saved as BMP, PNG and JPEG; in each rendering mode (one row of
// the mode table each: DirectDraw, Direct3D, software). Only the copy of the screen into a graph,
// which no entry offers, calls the library operation itself.
#include <gtest/gtest.h>

#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <iterator>
#include <string>
#include <vector>

#include <zelvo/zelvo.h>

#include "support/library_fixture.h"
#include "media/core/library_lock.h"
#include "media/display/screen_state.h"
#include "media/graphics/screens/screen_to_graph.h"
#include "platform/testing.h"
#include "support/picture_writers.h"
#include "support/saved_bmp.h"
#include "support/zva_writer.h"

namespace zelvo_test {
namespace {

// Copying the screen into a graph is a library operation behind no public entry; the test takes the
// lock around it as an entry would.
int CopyScreenToGraph(int x1, int y1, int x2, int y2, int graph, int flag) {
  zelvo::LibraryLockGuard lock;
  return zelvo::CopyScreenToGraph(x1, y1, x2, y2, graph, flag);
}

Bytes Bmp24(int width, int height, const std::vector<Rgb>& pixels) {
  std::vector<Bytes> rows;
  for (int y = height - 1; y >= 0; --y) {
    Bytes row;
    for (int x = 0; x < width; ++x) {
      const Rgb& c = pixels[y * width + x];
      row.insert(row.end(), {static_cast<std::uint8_t>(c.b), static_cast<std::uint8_t>(c.g),
                             static_cast<std::uint8_t>(c.r)});
    }
    rows.push_back(row);
  }
  BmpLayout layout;
  layout.width = width;
  layout.height = height;
  layout.pixels = PadRows(rows);
  return WriteBmp(layout);
}

Bytes Png24(int width, int height, const std::vector<Rgb>& pixels) {
  PngLayout layout;
  layout.width = width;
  layout.height = height;
  for (int y = 0; y < height; ++y) {
    Bytes row;
    for (int x = 0; x < width; ++x) {
      const Rgb& c = pixels[y * width + x];
      row.insert(row.end(), {static_cast<std::uint8_t>(c.r), static_cast<std::uint8_t>(c.g),
                             static_cast<std::uint8_t>(c.b)});
    }
    layout.rows.push_back(row);
  }
  return WritePng(layout);
}

std::vector<Rgb> Solid(int count, Rgb c) { return std::vector<Rgb>(static_cast<std::size_t>(count), c); }

constexpr Rgb kBlack{0, 0, 0};
constexpr Rgb kGrey{100, 100, 100};
constexpr Rgb kRed{200, 0, 0};
constexpr Rgb kGreen{0, 200, 0};
constexpr Rgb kBlue{0, 0, 200};
constexpr Rgb kWhite{255, 255, 255};

enum Mode { kDirectDraw, kSoftware, kFullScreen, kFullScreen555, kDirect3D };

class GraphsOnScreen : public LibraryTest, public ::testing::WithParamInterface<Mode> {
 protected:
  void SetUp() override {
    LibraryTest::SetUp();
    // A 4x4 picture: black key pixel top-left, red elsewhere in the left half, blue on the right.
    std::vector<Rgb> keyed = Solid(16, kRed);
    for (int y = 0; y < 4; ++y) keyed[y * 4 + 2] = keyed[y * 4 + 3] = kBlue;
    keyed[0] = kBlack;
    WriteFileBytes(folder_ + "/keyed.bmp", Bmp24(4, 4, keyed));
    WriteFileBytes(folder_ + "/green.png", Png24(8, 8, Solid(64, kGreen)));
    // Four 4x4 cells in a 2x2 grid: red, green / blue, white.
    std::vector<Rgb> cells(64);
    for (int y = 0; y < 8; ++y) {
      for (int x = 0; x < 8; ++x) cells[y * 8 + x] = y < 4 ? (x < 4 ? kRed : kGreen) : (x < 4 ? kBlue : kWhite);
    }
    WriteFileBytes(folder_ + "/PACK.ZVA", BuildZva({{"PIC\\CELLS.BMP", Bmp24(8, 8, cells), true},
                                                   {"PIC\\RED.PNG", Png24(6, 6, Solid(36, kRed)), true}},
                                                  ZvaOptions{}));
    // The Z buffer cannot be attached: the screen falls back to software rendering.
    if (GetParam() == kSoftware) pf::testing::FailNextCalls("AddAttachedSurface", 1);
    // Full screen: a 16-bit display mode with a flipping chain.
    if (GetParam() == kFullScreen || GetParam() == kFullScreen555) SwitchWindowMode(0);
    // A display whose 16-bit mode is 5:5:5: every software draw works on 5:6:5 and converts.
    pf::testing::SetDisplay16Bit555(GetParam() == kFullScreen555);
    // Every mode but Direct3D draws its graphs as DirectDraw surfaces.
    zelvo::SetDirect3DOffFlag(GetParam() != kDirect3D);
    ASSERT_EQ(StartUpLibrary(), 0);
    ASSERT_EQ(SelectDrawTarget(ZELVO_BACK_BUFFER), 0);
    bits_ = GetDisplayPixelFormat()->RGBBitCount;
    greenBits_ = GetDisplayPixelFormat()->GreenMask == 0x3E0 ? 5 : 6;
  }
  void TearDown() override {
    EXPECT_EQ(ShutDownLibrary(), 0);
    zelvo::SetDirect3DOffFlag(0);
    LibraryTest::TearDown();
  }

  // The colour a 24-bit value becomes on this screen.
  Rgb OnScreen(Rgb c) const {
    if (bits_ != 16) return c;
    return Rgb{c.r & 0xF8, c.g & (greenBits_ == 5 ? 0xF8 : 0xFC), c.b & 0xF8};
  }
  unsigned Packed(Rgb c) const { return PackColor(c.r, c.g, c.b); }

  SavedBmp Save() {
    const std::string path = folder_ + "/shot.bmp";
    EXPECT_EQ(SaveScreenRectToFile(0, 0, 640, 480, "shot.bmp", 0, 0, 0), 0);
    return ReadSavedBmp(path);
  }

  void Background(Rgb c) {
    SetBlendMode(0, 0);
    ASSERT_EQ(DrawRectangle(0, 0, 640, 480, Packed(c), 1), 0);
  }

  unsigned bits_ = 0;
  int greenBits_ = 6;
};

TEST_P(GraphsOnScreen, LoosePicturesDrawPlainWithAndWithoutTheKey) {
  const int keyed = LoadGraphFile("keyed.bmp", 0);
  const int green = LoadGraphFile("green.png", 0);
  ASSERT_GE(keyed, 0);
  ASSERT_GE(green, 0);
  Background(kGrey);
  EXPECT_EQ(BlitGraph(10, 10, keyed, 0), 0);
  EXPECT_EQ(BlitGraph(20, 10, keyed, 1), 0);
  EXPECT_EQ(BlitGraph(30, 10, green, 0), 0);
  const SavedBmp shot = Save();
  ASSERT_EQ(shot.width, 640);
  ASSERT_EQ(shot.height, 480);
  EXPECT_EQ(shot.At(10, 10), kBlack);
  EXPECT_EQ(shot.At(11, 10), OnScreen(kRed));
  EXPECT_EQ(shot.At(12, 13), OnScreen(kBlue));
  EXPECT_EQ(shot.At(14, 10), OnScreen(kGrey));
  EXPECT_EQ(shot.At(20, 10), OnScreen(kGrey));   // the black key is see-through
  EXPECT_EQ(shot.At(21, 10), OnScreen(kRed));
  EXPECT_EQ(shot.At(37, 17), OnScreen(kGreen));
  EXPECT_EQ(shot.At(38, 18), OnScreen(kGrey));
}

TEST_P(GraphsOnScreen, ArchivePicturesCutIntoCellsAndDrawRotated) {
  int cells[4] = {-1, -1, -1, -1};
  ASSERT_EQ(LoadGraphFileDivided("pack\\pic\\cells.bmp", 4, 2, 2, 4, 4, cells, 0), 0);
  const int red = LoadGraphFile("PACK\\PIC\\RED.PNG", 0);
  ASSERT_GE(red, 0);
  Background(kGrey);
  for (int i = 0; i < 4; ++i) EXPECT_EQ(BlitGraph(10 + 10 * i, 10, cells[i], 0), 0);
  // A quarter turn of a square about its centre covers the same square.
  EXPECT_EQ(BlitGraphRotated(100, 100, 1.0, 1.5707963267948966, red, 0, 0), 0);
  EXPECT_EQ(BlitGraphRotated(200, 100, 2.0, 0.0, red, 0, 0), 0);
  // About a pivot at angle 0 and scale 1 the draw is the plain one at (x - cx, y - cy).
  EXPECT_EQ(BlitGraphRotatedPivot(305, 102, 5, 2, 1.0, 0.0, cells[3], 0, 0), 0);
  const SavedBmp shot = Save();
  const Rgb expected[4] = {kRed, kGreen, kBlue, kWhite};
  for (int i = 0; i < 4; ++i) {
    SCOPED_TRACE(i);
    EXPECT_EQ(shot.At(10 + 10 * i, 10), OnScreen(expected[i]));
    EXPECT_EQ(shot.At(13 + 10 * i, 13), OnScreen(expected[i]));
    EXPECT_EQ(shot.At(14 + 10 * i, 10), OnScreen(kGrey));
  }
  EXPECT_EQ(shot.At(100, 100), OnScreen(kRed));
  EXPECT_EQ(shot.At(98, 98), OnScreen(kRed));
  EXPECT_EQ(shot.At(105, 105), OnScreen(kGrey));
  EXPECT_EQ(shot.At(195, 95), OnScreen(kRed));
  EXPECT_EQ(shot.At(205, 105), OnScreen(kRed));
  EXPECT_EQ(shot.At(208, 100), OnScreen(kGrey));
  EXPECT_EQ(shot.At(300, 100), OnScreen(kWhite));
  EXPECT_EQ(shot.At(303, 103), OnScreen(kWhite));
  EXPECT_EQ(shot.At(304, 100), OnScreen(kGrey));
  EXPECT_EQ(shot.At(299, 100), OnScreen(kGrey));
}

TEST_P(GraphsOnScreen, ReleasedAndForgedHandlesFail) {
  const int green = LoadGraphFile("green.png", 0);
  ASSERT_GE(green, 0);
  EXPECT_EQ(green & 0x78000000, 1 << 27);   // a graph handle
  EXPECT_EQ(BlitGraph(0, 0, green | 0x8000, 0), -1);
  EXPECT_EQ(BlitGraph(0, 0, green ^ (1 << 16), 0), -1);
  EXPECT_EQ(BlitGraph(0, 0, -1, 0), -1);
  EXPECT_EQ(ReleaseGraph(green, 0), 0);
  EXPECT_EQ(ReleaseGraph(green, 0), -1);
  EXPECT_EQ(BlitGraph(0, 0, green, 0), -1);
  // The slot is reused with the next check number.
  const int again = LoadGraphFile("green.png", 0);
  EXPECT_EQ(again & 0xFFFF, green & 0xFFFF);
  EXPECT_NE(again, green);
  EXPECT_EQ(BlitGraph(0, 0, green, 0), -1);
  EXPECT_EQ(LoadGraphFile("missing.bmp", 0), -1);
  EXPECT_NE(ReadLog().find("グラフィックファイル missing.bmp がありません"), std::string::npos);
}

TEST_P(GraphsOnScreen, PaletteSpritesKeyTheIndexOfTheTransparentColour) {
  // Index 5 holds black, the transparent colour; index 255 is an opaque red.
  BmpLayout layout;
  layout.width = 4;
  layout.height = -2;
  layout.bits = 8;
  layout.palette.assign(256, 0x404040);
  layout.palette[0] = 0x00C800;
  layout.palette[5] = 0x000000;
  layout.palette[255] = 0xC80000;
  layout.pixels = PadRows({{5, 0, 255, 5}, {255, 5, 0, 255}});
  WriteFileBytes(folder_ + "/palette.bmp", WriteBmp(layout));
  const int sprite = LoadGraphFile("palette.bmp", 0);
  ASSERT_GE(sprite, 0);
  Background(kGrey);
  EXPECT_EQ(BlitGraph(10, 10, sprite, 1), 0);
  EXPECT_EQ(BlitGraph(20, 10, sprite, 0), 0);
  const SavedBmp shot = Save();
  const struct {
    int x, y;
    Rgb colour;
  } probes[] = {
      {10, 10, kGrey}, {11, 10, kGreen}, {12, 10, kRed}, {13, 10, kGrey},
      {10, 11, kRed},  {11, 11, kGrey},  {12, 11, kGreen}, {13, 11, kRed},
      {20, 10, kBlack}, {21, 10, kGreen}, {22, 10, kRed}, {21, 11, kBlack},
  };
  for (const auto& p : probes) {
    SCOPED_TRACE(testing::Message() << "(" << p.x << ", " << p.y << ")");
    EXPECT_EQ(shot.At(p.x, p.y), OnScreen(p.colour));
  }
}

struct BlendCase {
  int mode, param;
  Rgb expected;   // green (0, 200, 0) drawn over grey (100, 100, 100)
};

TEST_P(GraphsOnScreen, EachBlendModeCombinesPictureAndScreen) {
  const int green = LoadGraphFile("green.png", 0);
  ASSERT_GE(green, 0);
  const BlendCase cases[] = {
      {0, 0, {0, 200, 0}},      {1, 255, {0, 200, 0}},    {1, 0, {100, 100, 100}},
      {2, 255, {100, 255, 100}}, {2, 128, {100, 200, 100}}, {3, 255, {100, 0, 100}},
      {3, 128, {100, 0, 100}},   {4, 255, {0, 78, 0}},
  };
  Background(kGrey);
  for (int i = 0; i < static_cast<int>(std::size(cases)); ++i) {
    ASSERT_EQ(SetBlendMode(cases[i].mode, cases[i].param), 0);
    EXPECT_EQ(BlitGraph(10 + 10 * i, 10, green, 0), 0);
  }
  SetBlendMode(0, 0);
  const SavedBmp shot = Save();
  // 16-bit screens keep 5 and 6 bits a channel: the arithmetic runs on those.
  const int tolerance = bits_ == 16 ? 8 : 1;
  for (int i = 0; i < static_cast<int>(std::size(cases)); ++i) {
    SCOPED_TRACE(testing::Message() << "mode " << cases[i].mode << " param " << cases[i].param);
    const Rgb got = shot.At(12 + 10 * i, 12);
    EXPECT_NEAR(got.r, cases[i].expected.r, tolerance) << got;
    EXPECT_NEAR(got.g, cases[i].expected.g, tolerance) << got;
    EXPECT_NEAR(got.b, cases[i].expected.b, tolerance) << got;
  }
}

TEST_P(GraphsOnScreen, EveryShapeDrawsItsPixels) {
  Background(kBlack);
  const unsigned white = Packed(kWhite);
  EXPECT_EQ(DrawRectangle(20, 20, 10, 10, white, 1), 0);   // reversed corners fill the same box
  EXPECT_EQ(DrawRectangle(30, 10, 40, 20, white, 0), 0);
  EXPECT_EQ(DrawLineSegment(50, 10, 60, 10, white, 1), 0);
  EXPECT_EQ(DrawCircleShape(100, 100, 10, white, 1), 0);
  EXPECT_EQ(DrawCircleShape(100, 200, 10, white, 0), 0);
  EXPECT_EQ(DrawCircleShape(100, 300, -1, white, 1), 0);
  EXPECT_EQ(DrawEllipse(150, 100, 20, 5, white, 1), 0);
  EXPECT_EQ(DrawTriangleShape(200, 10, 240, 10, 200, 50, white, 1), 0);
  EXPECT_EQ(DrawTriangleShape(300, 10, 340, 10, 300, 50, white, 0), 0);
  EXPECT_EQ(DrawLineSegment(400, 300, 500, 300, white, 6), 0);   // a quad six pixels across
  const SavedBmp shot = Save();
  const Rgb w = OnScreen(kWhite);
  const struct {
    int x, y;
    Rgb colour;
  } probes[] = {
      {10, 10, w},     {19, 19, w},       {20, 20, kBlack}, {30, 10, w},  {35, 15, kBlack}, {39, 19, w},
      {50, 10, w},     {59, 10, w},       {60, 10, kBlack}, {100, 100, w}, {100, 91, w},    {112, 100, kBlack},
      {110, 200, w},   {100, 200, kBlack}, {100, 300, kBlack}, {169, 100, w}, {150, 107, kBlack}, {205, 15, w},
      {235, 45, kBlack}, {320, 10, w},    {310, 20, kBlack}, {450, 305, kBlack}, {395, 300, kBlack},
  };
  for (const auto& p : probes) {
    SCOPED_TRACE(testing::Message() << "(" << p.x << ", " << p.y << ")");
    EXPECT_EQ(shot.At(p.x, p.y), p.colour);
  }
  // The thick line goes through the triangle rasterizer, whose colour product can lose a step.
  for (int y : {298, 302}) EXPECT_GE(shot.At(450, y).g, w.g - 4) << y;
}

TEST_P(GraphsOnScreen, PresentsAndSavesPngAndJpegThatLoadBack) {
  const int keyed = LoadGraphFile("keyed.bmp", 0);
  ASSERT_GE(keyed, 0);
  Background(kGrey);
  EXPECT_EQ(BlitGraph(0, 0, keyed, 0), 0);
  EXPECT_EQ(SaveScreenRectToFile(0, 0, 8, 8, "shot.png", 2, 0, 6), 0);
  EXPECT_EQ(SaveScreenRectToFile(8, 8, 0, 0, "shot.jpg", 1, 100, 0), 0);
  // In full screen the flip hands the previous frame to the back buffer.
  EXPECT_EQ(PresentBackBuffer(), 0);
  EXPECT_EQ(SaveScreenRectToFile(5, 5, 5, 50, "empty.bmp", 0, 0, 0), -1);
  const int png = LoadGraphFile("shot.png", 0);
  const int jpeg = LoadGraphFile("shot.jpg", 0);
  ASSERT_GE(png, 0);
  ASSERT_GE(jpeg, 0);
  Background(kBlack);
  EXPECT_EQ(BlitGraph(100, 100, png, 0), 0);
  EXPECT_EQ(BlitGraph(200, 100, jpeg, 0), 0);
  const SavedBmp shot = Save();
  EXPECT_EQ(shot.At(101, 100), OnScreen(kRed));
  EXPECT_EQ(shot.At(103, 100), OnScreen(kBlue));
  EXPECT_EQ(shot.At(106, 106), OnScreen(kGrey));
  EXPECT_EQ(shot.At(108, 108), kBlack);
  const Rgb lossy = shot.At(206, 106);
  EXPECT_NEAR(lossy.r, OnScreen(kGrey).r, 12);
  EXPECT_NEAR(lossy.g, OnScreen(kGrey).g, 12);
}

TEST_P(GraphsOnScreen, DrawingOnTheFrontScreenShowsAtOnceAndPresentShowsTheBackScreen) {
  const int keyed = LoadGraphFile("keyed.bmp", 0);
  ASSERT_GE(keyed, 0);
  std::vector<std::uint32_t> frame;
  int width = 0, height = 0;
  ASSERT_EQ(SelectDrawTarget(ZELVO_FRONT_BUFFER), 0);
  EXPECT_EQ(DrawRectangle(10, 10, 20, 20, Packed(kWhite), 1), 0);
  EXPECT_EQ(BlitGraph(30, 10, keyed, 0), 0);
  EXPECT_EQ(DrawRectangle(40, 10, 44, 14, Packed(kWhite), 1), 0);
  EXPECT_EQ(BlitGraph(40, 10, keyed, 1), 0);   // a keyed copy: the white shows through the key
  pf::testing::LastPresentedFrame(&frame, &width, &height);
  ASSERT_EQ(width, 640);
  // The window shows 16-bit pixels widened to 8 bits a channel: compare what 16 bits keep.
  const std::uint32_t keep = bits_ != 16 ? 0xFFFFFFu : greenBits_ == 5 ? 0xF8F8F8u : 0xF8FCF8u;
  auto at = [&](int x, int y) { return frame[static_cast<std::size_t>(y) * width + x] & keep; };
  EXPECT_EQ(at(15, 15), 0xFFFFFFu & keep);
  EXPECT_EQ(at(31, 10), 0xC80000u & keep);
  EXPECT_EQ(at(25, 15), 0u);
  EXPECT_EQ(at(40, 10), 0xFFFFFFu & keep);
  EXPECT_EQ(at(41, 10), 0xC80000u & keep);
  ASSERT_EQ(SelectDrawTarget(ZELVO_BACK_BUFFER), 0);
  Background(kBlue);
  EXPECT_EQ(PresentBackBuffer(), 0);
  pf::testing::LastPresentedFrame(&frame, &width, &height);
  EXPECT_EQ(at(15, 15), 0xC8u & keep);
}

TEST_P(GraphsOnScreen, SavedBmpHasTheLibrarysOwnHeaderAndPaddedBottomUpRows) {
  Background(kGrey);
  ASSERT_EQ(DrawRectangle(10, 10, 13, 11, Packed(kRed), 1), 0);
  ASSERT_EQ(SaveScreenRectToFile(13, 12, 10, 10, "small.bmp", 0, 0, 0), 0);
  const Bytes bytes = ReadFileBytes(folder_ + "/small.bmp");
  ASSERT_EQ(bytes.size(), 54u + 12u * 2u);   // 3 pixels of 3 bytes padded to 12, two rows
  auto u32 = [&](std::size_t at) { return bytes[at] | bytes[at + 1] << 8 | bytes[at + 2] << 16 | bytes[at + 3] << 24; };
  EXPECT_EQ(bytes[0], 'B');
  EXPECT_EQ(bytes[1], 'M');
  EXPECT_EQ(u32(2), 78u);
  EXPECT_EQ(u32(10), 54u);
  EXPECT_EQ(u32(14), 40u);
  EXPECT_EQ(u32(18), 3u);
  EXPECT_EQ(u32(22), 2u);
  EXPECT_EQ(bytes[26], 1);
  EXPECT_EQ(bytes[28], 24);
  for (std::size_t at = 30; at < 54; ++at) EXPECT_EQ(bytes[at], 0) << at;
  // Bottom row (y 11) first: grey; then the top row (y 10): red; padding bytes zero.
  const Rgb grey = OnScreen(kGrey), red = OnScreen(kRed);
  EXPECT_EQ((Rgb{bytes[56], bytes[55], bytes[54]}), grey);
  EXPECT_EQ((Rgb{bytes[68], bytes[67], bytes[66]}), red);
  EXPECT_EQ(bytes[63], 0);
  EXPECT_EQ(bytes[77], 0);
  // Other types write nothing.
  EXPECT_EQ(SaveScreenRectToFile(0, 0, 4, 4, "other.bmp", 3, 0, 0), 0);
  EXPECT_TRUE(ReadFileBytes(folder_ + "/other.bmp").empty());
}

// The same frame drawn through Direct3D and in software rendering, read back pixel by pixel.
class ScreensCompared : public LibraryTest {
 protected:
  void SetUp() override {
    LibraryTest::SetUp();
    // A 4x4 picture: black key top-left, red on the left half, blue on the right; and a 6x6 green one.
    std::vector<Rgb> keyed = Solid(16, kRed);
    for (int y = 0; y < 4; ++y) keyed[y * 4 + 2] = keyed[y * 4 + 3] = kBlue;
    keyed[0] = kBlack;
    WriteFileBytes(folder_ + "/keyed.bmp", Bmp24(4, 4, keyed));
    WriteFileBytes(folder_ + "/green.png", Png24(6, 6, Solid(36, kGreen)));
    // Two columns: black then white, for the filter.
    std::vector<Rgb> halves(4);
    halves[0] = halves[2] = kBlack;
    halves[1] = halves[3] = kWhite;
    WriteFileBytes(folder_ + "/halves.bmp", Bmp24(2, 2, halves));
  }

  // Starts the library (in software rendering when asked), draws the frame and saves it.
  SavedBmp DrawFrame(bool software, void (*extra)(int keyed, int green, int halves)) {
    if (software) pf::testing::FailNextCalls("AddAttachedSurface", 1);
    EXPECT_EQ(StartUpLibrary(), 0);
    EXPECT_EQ(SelectDrawTarget(ZELVO_BACK_BUFFER), 0);
    const int keyed = LoadGraphFile("keyed.bmp", 0), green = LoadGraphFile("green.png", 0);
    const int halves = LoadGraphFile("halves.bmp", 0);
    EXPECT_GE(keyed, 0);
    EXPECT_GE(green, 0);
    SetBlendMode(0, 0);
    DrawRectangle(0, 0, 640, 480, PackColor(100, 100, 100), 1);
    BlitGraph(10, 10, keyed, 0);
    BlitGraph(20, 10, keyed, 1);
    BlitGraph(-2, 30, keyed, 1);        // cut at the region's left edge
    BlitGraphRotated(50, 50, 2.0, 0.0, keyed, 1, 0);
    BlitGraphRotated(80, 50, 1.0, 0.0, keyed, 0, 1);
    SetDrawTint(128, 255, 64);
    BlitGraph(100, 10, green, 0);
    SetDrawTint(255, 255, 255);
    const int modes[][2] = {{1, 128}, {2, 128}, {3, 128}, {4, 255}};
    for (int i = 0; i < 4; ++i) {
      SetBlendMode(modes[i][0], modes[i][1]);
      BlitGraph(120 + 10 * i, 10, green, 0);
    }
    SetBlendMode(0, 0);
    if (extra != nullptr) extra(keyed, green, halves);
    EXPECT_EQ(SaveScreenRectToFile(0, 0, 640, 480, "frame.bmp", 0, 0, 0), 0);
    EXPECT_EQ(ShutDownLibrary(), 0);
    return ReadSavedBmp(folder_ + "/frame.bmp");
  }
};

TEST_F(ScreensCompared, Direct3DAndSoftwareRenderingAgreeOnPlainKeyedTintedAndBlendedDraws) {
  const SavedBmp device = DrawFrame(false, nullptr);
  const SavedBmp software = DrawFrame(true, nullptr);
  ASSERT_EQ(device.width, 640);
  ASSERT_EQ(software.width, 640);
  int differing = 0;
  for (int y = 0; y < 100; ++y) {
    for (int x = 0; x < 200; ++x) {
      const Rgb a = device.At(x, y), b = software.At(x, y);
      // The device rounds each blend factor's product on its own, the software tables round the sum:
      // blended pixels may differ by one step a channel; every other pixel is the same.
      // The mirrored quarter-size draw is centred differently by design: compared on its own below.
      if (y >= 48 && y < 52 && x >= 76 && x < 84) continue;
      const bool blended = y >= 10 && y < 16 && x >= 120 && x < 160;
      const int allowed = blended ? 1 : 0;
      if (std::abs(a.r - b.r) > allowed || std::abs(a.g - b.g) > allowed || std::abs(a.b - b.b) > allowed) {
        if (++differing <= 5) ADD_FAILURE() << "(" << x << ", " << y << ") " << a << " vs " << b;
      }
    }
  }
  EXPECT_EQ(differing, 0);
  // A 4-pixel-wide graph mirrored about centre 80: the device turns it about the line x = 79.5
  // (columns 78..81), software rendering about x = 80.5 (columns 79..82). Each reads the picture's
  // top row backwards: blue, blue, red, then the unkeyed black corner.
  const Rgb row[4] = {kBlue, kBlue, kRed, kBlack};
  for (int i = 0; i < 4; ++i) {
    EXPECT_EQ(device.At(78 + i, 48), row[i]) << i;
    EXPECT_EQ(software.At(79 + i, 48), row[i]) << i;
  }
  EXPECT_EQ(device.At(82, 48), kGrey);
  EXPECT_EQ(software.At(78, 48), kGrey);
}

TEST_F(ScreensCompared, BilinearFilteringDiffersByDesignAndEachSideFollowsItsOwnRule) {
  // Two texels (black, white) stretched to 16 pixels with the filter on.
  auto stretched = [](int, int, int halves) {
    SetTextureFilter(1);
    BlitGraphRotated(300, 300, 8.0, 0.0, halves, 0, 0);
    SetTextureFilter(0);
  };
  const SavedBmp device = DrawFrame(false, stretched);
  const SavedBmp software = DrawFrame(true, stretched);
  // The device samples between texel centres: pixel x of the 16 reads u = (x + 0.5) / 16 of the
  // picture, clamped at the edges, so the row rises from black to white in the middle eight pixels.
  const int left = 292;
  for (int x = 0; x < 16; ++x) {
    const double u = (x + 0.5) / 16.0 * 2.0 - 0.5;
    const double weight = u < 0 ? 0.0 : (u > 1 ? 1.0 : u);
    EXPECT_NEAR(device.At(left + x, 300).r, 255.0 * weight, 3.0) << x;
  }
  // Software rendering filters in its own way; it still runs from black on the left to white on the right.
  EXPECT_EQ(software.At(left, 300), kBlack);
  EXPECT_EQ(software.At(left + 15, 300), kWhite);
  for (int x = 1; x < 16; ++x) EXPECT_GE(software.At(left + x, 300).r, software.At(left + x - 1, 300).r) << x;
}

std::string ScreenModeName(const ::testing::TestParamInfo<Mode>& info) {
  static const char* const kNames[] = {"DirectDraw", "Software", "FullScreen", "FullScreen555", "Direct3D"};
  return kNames[info.param];
}

TEST_P(GraphsOnScreen, ScreenRectanglesCopyIntoAGraphOfExactlyTheirSize) {
  const int graph = LoadGraphFile("green.png", 0);
  ASSERT_GE(graph, 0);
  Background(kGrey);
  ASSERT_EQ(DrawRectangle(10, 10, 14, 14, Packed(kRed), 1), 0);
  ASSERT_EQ(DrawRectangle(14, 10, 18, 14, Packed(kBlue), 1), 0);
  EXPECT_EQ(CopyScreenToGraph(10, 10, 18, 18, graph, 0), 0);
  // From the front screen: in a window that is the client area of the desktop's primary.
  const int front = LoadGraphFile("keyed.bmp", 0);
  ASSERT_GE(front, 0);
  ASSERT_EQ(SelectDrawTarget(ZELVO_FRONT_BUFFER), 0);
  ASSERT_EQ(DrawRectangle(0, 0, 4, 4, Packed(kWhite), 1), 0);
  // Flag 1: the draw target's own rectangle (with flag 0 a texture graph copies from the whole desktop).
  EXPECT_EQ(CopyScreenToGraph(0, 0, 4, 4, front, 1), 0);
  ASSERT_EQ(SelectDrawTarget(ZELVO_BACK_BUFFER), 0);
  const struct {
    int x1, y1, x2, y2, graph;
  } refused[] = {
      {10, 10, 17, 18, graph},    // one column short of the graph's width
      {-1, 0, 7, 8, graph},       // starts left of the screen
      {636, 0, 644, 8, graph},    // ends right of the screen
      {10, 10, 10, 10, graph},    // empty
      {10, 10, 18, 18, graph + 1},
  };
  for (const auto& c : refused) {
    // A texture graph takes any rectangle it can hold, cut at the screen's edge: a narrower one and
    // one running off the screen are copied there, not refused.
    if (GetParam() == kDirect3D && (c.x2 == 17 || c.x1 == 636)) continue;
    EXPECT_EQ(CopyScreenToGraph(c.x1, c.y1, c.x2, c.y2, c.graph, 0), -1) << c.x1 << "," << c.y1 << "," << c.x2;
  }
  Background(kBlack);
  EXPECT_EQ(BlitGraph(100, 100, graph, 0), 0);
  EXPECT_EQ(BlitGraph(200, 100, front, 0), 0);
  const SavedBmp shot = Save();
  EXPECT_EQ(shot.At(100, 100), OnScreen(kRed));
  EXPECT_EQ(shot.At(107, 103), OnScreen(kBlue));
  EXPECT_EQ(shot.At(103, 107), OnScreen(kGrey));
  EXPECT_EQ(shot.At(203, 103), OnScreen(kWhite));
}

INSTANTIATE_TEST_SUITE_P(Modes, GraphsOnScreen, ::testing::Values(kDirectDraw, kSoftware, kFullScreen, kFullScreen555, kDirect3D),
                         ScreenModeName);

}  // namespace
}  // namespace zelvo_test
