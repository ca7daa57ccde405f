// Full-screen presenting and saving on two screens the usual 16/32-bit window path never meets:
// an 8-bit palette screen saved as an 8-bit BMP, and the GDI-surface mode that copies instead of
// flipping.
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "media/display/present.h"
#include "media/graphics/screens/screen_save.h"
#include "media/graphics/graphs/graph_image.h"
#include "media/graphics/graphs/picture_codecs.h"
#include "media/graphics/graphs/draw_state.h"
#include "media/graphics/graphs/soft_target.h"
#include "tests/display/screen_fixture.h"
#include "support/picture_writers.h"

namespace screen_test {
namespace {

using namespace zelvo;

class FullScreenOutput : public ScreenTest {
 protected:
  void SetUp() override {
    ScreenTest::SetUp();
    neighbours.windowMode = 0;
    char folder[] = "/tmp/zelvo_present_XXXXXX";
    ASSERT_NE(mkdtemp(folder), nullptr);
    folder_ = folder;
  }
  void TearDown() override {
    std::remove((folder_ + "/screen.bmp").c_str());
    std::remove(folder_.c_str());
    g_softTarget = SoftTargetState{};
    ScreenTest::TearDown();
  }
  // The back surface as the draw target of the whole screen.
  void TargetBackSurface() {
    g_draw.target = kTargetBackBuffer;
    g_draw.region = IntRect{0, 0, g_screen.width, g_screen.height};
    g_draw.drawOffset = IntRect{0, 0, 0, 0};
    g_softTarget = SoftTargetState{};
    g_softTarget.surface = g_screen.backSurface;
  }
  template <typename Pixel>
  static void Poke(pf::DirectDrawSurface7* surface, int x, int y, Pixel value) {
    pf::SurfaceDesc desc{};
    desc.size = sizeof desc;
    ASSERT_EQ(surface->Lock(nullptr, &desc, pf::DDLOCK_WAIT, nullptr), pf::DD_OK);
    std::memcpy(static_cast<std::uint8_t*>(desc.surface) + y * desc.pitch + x * sizeof(Pixel), &value, sizeof value);
    surface->Unlock(nullptr);
  }
  template <typename Pixel>
  static Pixel Peek(pf::DirectDrawSurface7* surface, int x, int y) {
    pf::SurfaceDesc desc{};
    desc.size = sizeof desc;
    Pixel value{};
    if (surface->Lock(nullptr, &desc, pf::DDLOCK_WAIT | pf::DDLOCK_READONLY, nullptr) != pf::DD_OK) return value;
    std::memcpy(&value, static_cast<std::uint8_t*>(desc.surface) + y * desc.pitch + x * sizeof(Pixel), sizeof value);
    surface->Unlock(nullptr);
    return value;
  }
  std::vector<std::uint8_t> ReadSaved() const {
    std::ifstream in(folder_ + "/screen.bmp", std::ios::binary);
    return std::vector<std::uint8_t>(std::istreambuf_iterator<char>(in), {});
  }

  std::string folder_;
};

TEST_F(FullScreenOutput, PaletteScreenSavesAnEightBitBmpWithTheCurrentPalette) {
  g_screen.colorDepth = 8;
  ASSERT_EQ(InitDirectDraw(), 0);
  ASSERT_NE(g_screen.palette, nullptr);
  const pf::PaletteEntry changed{10, 20, 30, 0};
  ASSERT_EQ(g_screen.palette->SetEntries(0, 7, 1, &changed), pf::DD_OK);
  TargetBackSurface();
  Poke<std::uint8_t>(g_screen.backSurface, 1, 0, 7);
  Poke<std::uint8_t>(g_screen.backSurface, 4, 2, 255);
  const std::string path = folder_ + "/screen.bmp";
  ASSERT_EQ(SaveScreenToImageFile(0, 0, 5, 3, path.c_str(), 0, 0, 0), 0);
  const std::vector<std::uint8_t> bmp = ReadSaved();
  ASSERT_EQ(bmp.size(), 1078u + 8 * 3);   // rows of 5 indices padded to 8
  EXPECT_EQ(bmp[2] | bmp[3] << 8, 1078 + 24);
  EXPECT_EQ(bmp[10] | bmp[11] << 8, 1078);
  EXPECT_EQ(bmp[28], 8);
  EXPECT_EQ(bmp[30], 0);
  // Colour 7 as the palette holds it now, blue first; white at 255.
  const std::vector<std::uint8_t> seven(bmp.begin() + 54 + 7 * 4, bmp.begin() + 54 + 8 * 4);
  EXPECT_EQ(seven, (std::vector<std::uint8_t>{30, 20, 10, 0}));
  EXPECT_EQ(bmp[54 + 255 * 4], 255);
  // Bottom row first: y = 2 holds index 255 at x = 4, y = 0 (the last row) index 7 at x = 1.
  EXPECT_EQ(bmp[1078 + 4], 255);
  EXPECT_EQ(bmp[1078 + 16 + 1], 7);
  EXPECT_EQ(bmp[1078 + 16 + 5] | bmp[1078 + 16 + 6] | bmp[1078 + 16 + 7], 0);
  // A PNG of the same screen shows the palette's colours.
  const std::string png = folder_ + "/screen.png";
  ASSERT_EQ(SaveScreenToImageFile(0, 0, 5, 3, png.c_str(), 2, 0, 6), 0);
  std::ifstream in(png, std::ios::binary);
  const zelvo_test::Bytes bytes{std::istreambuf_iterator<char>(in), {}};
  std::remove(png.c_str());
  GraphImage image{};
  ASSERT_EQ(zelvo_test::DecodeBytes(LoadPngFromStream, bytes, &image), 0);
  int r = 0, g = 0, b = 0, a = 0;
  GetGraphImagePixel(&image, 1, 0, &r, &g, &b, &a);
  EXPECT_EQ((std::vector<int>{r, g, b}), (std::vector<int>{10, 20, 30}));
  GetGraphImagePixel(&image, 4, 2, &r, &g, &b, &a);
  EXPECT_EQ((std::vector<int>{r, g, b}), (std::vector<int>{255, 255, 255}));
  zelvo::FreeGraphImage(&image);
}

TEST_F(FullScreenOutput, PaletteScreenSaveThatFailsPartWayKeepsTheOldFile) {
  g_screen.colorDepth = 8;
  ASSERT_EQ(InitDirectDraw(), 0);
  TargetBackSurface();
  const std::string path = folder_ + "/screen.bmp";
  { std::ofstream(path, std::ios::binary) << "old"; }
  for (const char* fault : {"WriteFile", "FlushFileBuffers", "MoveFileReplace"}) {
    SCOPED_TRACE(fault);
    pf::testing::FailNextCalls(fault, 1);
    EXPECT_EQ(SaveScreenToImageFile(0, 0, 5, 3, path.c_str(), 0, 0, 0), -1);
    pf::testing::ClearFaults();
    EXPECT_EQ(ReadSaved(), (std::vector<std::uint8_t>{'o', 'l', 'd'}));
  }
  ASSERT_EQ(SaveScreenToImageFile(0, 0, 5, 3, path.c_str(), 0, 0, 0), 0);
  EXPECT_EQ(ReadSaved().size(), 1078u + 8 * 3);
}

TEST_F(FullScreenOutput, GdiSurfaceModeCopiesTheBackScreenInsteadOfFlipping) {
  ASSERT_EQ(InitDirectDraw(), 0);
  TargetBackSurface();
  ASSERT_EQ(SetGdiSurfaceMode(1), 0);
  g_softTarget.surface = g_screen.backSurface;
  const int bytes = g_screen.colorDepth / 8;
  ASSERT_TRUE(bytes == 2 || bytes == 4);
  auto peek = [&](pf::DirectDrawSurface7* s) {
    return bytes == 2 ? Peek<std::uint16_t>(s, 3, 3) : Peek<std::uint32_t>(s, 3, 3);
  };
  if (bytes == 2) {
    Poke<std::uint16_t>(g_screen.backSurface, 3, 3, 0x1234);
  } else {
    Poke<std::uint32_t>(g_screen.backSurface, 3, 3, 0x123456);
  }
  const std::uint32_t drawn = peek(g_screen.backSurface);
  pf::DirectDrawSurface7* back = g_screen.backSurface;
  const std::uint64_t flips = GetFlipCounter();
  EXPECT_EQ(PresentBackScreen(), 0);
  EXPECT_EQ(GetFlipCounter(), flips + 1);
  EXPECT_EQ(peek(g_screen.primarySurface), drawn);
  // No flip: the back screen keeps the frame and stays the same surface.
  EXPECT_EQ(g_screen.backSurface, back);
  EXPECT_EQ(peek(g_screen.backSurface), drawn);
  // Without the mode the chain flips: the frame goes to the front and the old front comes back.
  ASSERT_EQ(SetGdiSurfaceMode(0), 0);
  if (bytes == 2) {
    Poke<std::uint16_t>(g_screen.backSurface, 3, 3, 0x0F0F);
  } else {
    Poke<std::uint32_t>(g_screen.backSurface, 3, 3, 0x0F0F0F);
  }
  const std::uint32_t next = peek(g_screen.backSurface);
  EXPECT_EQ(PresentBackScreen(), 0);
  EXPECT_EQ(peek(g_screen.primarySurface), next);
  EXPECT_EQ(peek(g_screen.backSurface), drawn);
}

TEST_F(FullScreenOutput, WithTheMenuOrOnVistaTheBackScreenStillHoldsTheFrameShown) {
  ASSERT_EQ(InitDirectDraw(), 0);
  TargetBackSurface();
  ASSERT_EQ(g_screen.colorDepth, 16);
  const struct {
    const char* name;
    int menu, os;
    int (*show)();
    std::uint16_t pixel;
  } cases[] = {
      {"present with the menu in use: copied, not flipped", 1, 0x107, PresentBackScreen, 0x1234},
      {"repaint on Vista: flipped, then the shown frame copied back", 0, 0x108, CopyBackScreenToWindow, 0x0F0F},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    neighbours.menuEnabled = c.menu;
    Services().osVersionCode = c.os == 0x108 ? +[] { return 0x108; } : +[] { return 0x107; };
    Poke<std::uint16_t>(g_screen.backSurface, 3, 3, c.pixel);
    EXPECT_EQ(c.show(), 0);
    EXPECT_EQ(Peek<std::uint16_t>(g_screen.primarySurface, 3, 3), c.pixel);
    EXPECT_EQ(Peek<std::uint16_t>(g_screen.backSurface, 3, 3), c.pixel);
  }
}

}  // namespace
}  // namespace screen_test
