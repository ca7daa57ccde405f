// Graphs on screen through the public entry points only: pictures loaded loose and from an
// archive, drawn plain, rotated and into cells with each blend mode, every shape, presented, and
// the screen saved as BMP, PNG and JPEG; in DirectDraw mode and in software rendering.
#include <gtest/gtest.h>

#include <cstdint>
#include <cstring>
#include <string>
#include <vector>

#include <zelvo/zelvo.h>

#include "core/library_fixture.h"
#include "platform/testing.h"
#include "support/picture_writers.h"
#include "support/zva_writer.h"

namespace zelvo_test {
namespace {

struct Rgb {
  int r, g, b;
  bool operator==(const Rgb& o) const { return r == o.r && g == o.g && b == o.b; }
};
std::ostream& operator<<(std::ostream& out, const Rgb& c) {
  return out << "(" << c.r << ", " << c.g << ", " << c.b << ")";
}

// A 24-bit bottom-up BMP as the library writes it.
struct SavedBmp {
  int width = 0, height = 0;
  Bytes bytes;
  Rgb At(int x, int y) const {
    const int stride = (width * 3 + 3) & ~3;
    const std::size_t at = 54 + static_cast<std::size_t>(height - 1 - y) * stride + x * 3;
    return Rgb{bytes[at + 2], bytes[at + 1], bytes[at]};
  }
};

SavedBmp ReadSavedBmp(const std::string& path) {
  SavedBmp bmp;
  bmp.bytes = ReadFileBytes(path);
  if (bmp.bytes.size() < 54) return bmp;
  std::memcpy(&bmp.width, &bmp.bytes[18], 4);
  std::memcpy(&bmp.height, &bmp.bytes[22], 4);
  return bmp;
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
  BmpSpec spec;
  spec.width = width;
  spec.height = height;
  spec.pixels = PadRows(rows);
  return WriteBmp(spec);
}

Bytes Png24(int width, int height, const std::vector<Rgb>& pixels) {
  PngSpec spec;
  spec.width = width;
  spec.height = height;
  for (int y = 0; y < height; ++y) {
    Bytes row;
    for (int x = 0; x < width; ++x) {
      const Rgb& c = pixels[y * width + x];
      row.insert(row.end(), {static_cast<std::uint8_t>(c.r), static_cast<std::uint8_t>(c.g),
                             static_cast<std::uint8_t>(c.b)});
    }
    spec.rows.push_back(row);
  }
  return WritePng(spec);
}

std::vector<Rgb> Solid(int count, Rgb c) { return std::vector<Rgb>(static_cast<std::size_t>(count), c); }

constexpr Rgb kBlack{0, 0, 0};
constexpr Rgb kGrey{100, 100, 100};
constexpr Rgb kRed{200, 0, 0};
constexpr Rgb kGreen{0, 200, 0};
constexpr Rgb kBlue{0, 0, 200};
constexpr Rgb kWhite{255, 255, 255};

enum Mode { kDirectDraw, kSoftware };

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
    ASSERT_EQ(StartUpLibrary(), 0);
    ASSERT_EQ(SelectDrawTarget(ZELVO_BACK_BUFFER), 0);
    bits_ = GetDisplayPixelFormat()->RGBBitCount;
  }
  void TearDown() override {
    EXPECT_EQ(ShutDownLibrary(), 0);
    LibraryTest::TearDown();
  }

  // The colour a 24-bit value becomes on this screen.
  Rgb OnScreen(Rgb c) const {
    if (bits_ != 16) return c;
    return Rgb{c.r & 0xF8, c.g & 0xFC, c.b & 0xF8};
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

}  // namespace

INSTANTIATE_TEST_SUITE_P(Modes, GraphsOnScreen, ::testing::Values(kDirectDraw, kSoftware),
                         [](const ::testing::TestParamInfo<Mode>& info) {
                           return std::string(info.param == kDirectDraw ? "DirectDraw" : "Software");
                         });

}  // namespace zelvo_test
