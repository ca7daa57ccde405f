// Text through the Direct3D device: fonts whose glyph cache is a texture graph draw the same pixels
// as the software text path, plain and edged, also when the string outgrows the cache; fonts without
// one, and targets the device cannot render into, are drawn by the software path.
#include <gtest/gtest.h>

#include <cstdint>
#include <cstring>
#include <string>
#include <vector>

#include "media/core/library_lock.h"
#include "media/display/d3d_device.h"
#include "media/display/d3d_scene_wrappers.h"
#include "media/display/screen_state.h"
#include "media/graphics/drawing/draw_options.h"
#include "media/graphics/graphs/draw_state.h"
#include "media/graphics/text/font_table.h"
#include "media/graphics/graphs/graph_record.h"
#include "media/graphics/graphs/surface2d.h"
#include "media/graphics/graphs/surface_data.h"
#include "media/graphics/text/text_draw.h"
#include "media/pixels/pixel_format.h"
#include "platform/d3d/d3d_testing.h"
#include "tests/graphics/direct3d_library_fixture.h"
#include "support/library_fixture.h"

namespace zelvo_test {
namespace {

using namespace zelvo;

class Direct3DText : public Direct3DLibraryTest {
 protected:
  static std::vector<std::uint32_t> Pixels(int width, int height) { return BackPixels(0, 0, width, height); }
  // The text drawn by the device path and by the software path, on a cleared back buffer each.
  void ExpectSamePixels(int font, const char* text, std::uint32_t colour, std::uint32_t edge, int width, int height) {
    ASSERT_EQ(::ClearDrawTarget(), 0);
    {
      LibraryLockGuard lock;
      ASSERT_EQ(DrawTextWithFont(2, 3, text, colour, font, edge, 0), 0);
    }
    const std::vector<std::uint32_t> device = Pixels(width, height);
    ASSERT_EQ(::ClearDrawTarget(), 0);
    {
      LibraryLockGuard lock;
      ASSERT_EQ(DrawStringSoft(2, 3, text, colour, font, edge, 0), 0);
    }
    const std::vector<std::uint32_t> software = Pixels(width, height);
    int lit = 0, differing = 0;
    for (std::size_t i = 0; i < device.size(); ++i) {
      lit += software[i] != 0;
      if (device[i] != software[i] && differing++ < 5) {
        ADD_FAILURE() << "(" << i % width << ", " << i / width << "): " << std::hex << device[i] << " against "
                      << software[i];
      }
    }
    EXPECT_GT(lit, 20);
    EXPECT_EQ(differing, 0);
  }
  static int TexturedDraws() {
    int n = 0;
    for (const std::string& line : pf::testing::TakeDirect3DTrace()) {
      n += line.rfind("DrawPrimitive TRIANGLELIST 0x144 ", 0) == 0;
    }
    return n;
  }
  // The device draws a string whose glyphs are all cached: the whole string is one batch.
  static int TexturedDrawsOfCachedString(int font, const char* text, std::uint32_t colour, std::uint32_t edge) {
    EXPECT_EQ(DrawTextWithFont(2, 3, text, colour, font, edge, 0), 0);
    G_D3D_EndSceneCurrent();
    pf::testing::TraceDirect3D(true);
    pf::testing::TakeDirect3DTrace();
    EXPECT_EQ(DrawTextWithFont(2, 3, text, colour, font, edge, 0), 0);
    G_D3D_EndSceneCurrent();
    const int draws = TexturedDraws();
    pf::testing::TraceDirect3D(false);
    return draws;
  }
};

TEST_F(Direct3DText, ATextureCacheFontDrawsTheSoftwarePathsPixels) {
  LibraryLockGuard lock;
  const int font = CreateFontToHandle(nullptr, 16, 6, 0, -1, -1, 0, -1, -1);
  ASSERT_GE(font, 0);
  const FontRecord* record = GetFontRecord(font);
  ASSERT_EQ(record->usesTextureCache, 1);
  ASSERT_EQ(GetGraphRecord(record->cacheGraph)->flags.isTexture, 1);
  pf::testing::TraceDirect3D(true);
  pf::testing::TakeDirect3DTrace();
  ExpectSamePixels(font, "Zelvo 123 テスト", 0xFFFF00, 0, 200, 24);
  EXPECT_GT(TexturedDraws(), 0);
  pf::testing::TraceDirect3D(false);
  EXPECT_EQ(TexturedDrawsOfCachedString(font, "Zelvo 123 テスト", 0xFFFF00, 0), 1);
  EXPECT_EQ(ReleaseFontHandle(font), 0);
}

TEST_F(Direct3DText, EdgedTextPutsTheEdgeUnderTheGlyphs) {
  LibraryLockGuard lock;
  const int font = CreateFontToHandle(nullptr, 16, 6, 1, -1, 2, 0, -1, -1);
  ASSERT_GE(font, 0);
  ASSERT_EQ(GetFontRecord(font)->usesTextureCache, 1);
  ASSERT_NE(GetFontRecord(font)->edgeCacheGraph, -1);
  ExpectSamePixels(font, "AbgWx", 0xFFFFFF, 0x0000FF, 120, 28);
  // Edge and glyph alternate their tints without breaking the batch.
  EXPECT_EQ(TexturedDrawsOfCachedString(font, "AbgWx", 0xFFFFFF, 0x0000FF), 1);
}

TEST_F(Direct3DText, AStringWithMoreCharactersThanCellsDrawsEveryOne) {
  LibraryLockGuard lock;
  const int font = CreateFontToHandle(nullptr, 120, 6, 0, -1, -1, 0, -1, -1);
  ASSERT_GE(font, 0);
  ASSERT_EQ(GetFontRecord(font)->usesTextureCache, 1);
  ASSERT_LT(GetFontRecord(font)->cellCount, 20);
  const char* text = "ABCDEFGHJKMNPQRSTUVW";
  ExpectSamePixels(font, text, 0xFFFFFF, 0, 640, 140);
}

TEST_F(Direct3DText, FontsWithoutATextureCacheUseTheSoftwarePath) {
  LibraryLockGuard lock;
  g_draw.use3D = 0;
  const int font = CreateFontToHandle(nullptr, 16, 6, 0, -1, -1, 0, -1, -1);
  g_draw.use3D = 1;
  ASSERT_GE(font, 0);
  ASSERT_EQ(GetFontRecord(font)->usesTextureCache, 0);
  pf::testing::TraceDirect3D(true);
  pf::testing::TakeDirect3DTrace();
  ExpectSamePixels(font, "Zelvo", 0xFFFFFF, 0, 80, 24);
  EXPECT_EQ(TexturedDraws(), 0);
}

TEST_F(Direct3DText, ATargetTheDeviceCannotRenderIntoGetsSoftwareText) {
  LibraryLockGuard lock;
  const int font = CreateFontToHandle(nullptr, 16, 6, 0, -1, -1, 0, -1, -1);
  ASSERT_EQ(GetFontRecord(font)->usesTextureCache, 1);
  SetSystemMemoryOption(1);
  const int graph = CreateBlankGraph(64, 32, 1);
  SetSystemMemoryOption(0);
  ASSERT_EQ(zelvo::SelectDrawTarget(graph), 0);
  ASSERT_EQ(g_d3d.targetInvalid, 1);
  EXPECT_EQ(DrawTextWithFont(0, 0, "WW", 0xFFFFFF, font, 0, 0), 0);
  const Surface2DEntry* entry = GetSurface2D(GetGraphRecord(graph)->backEnds[0]);
  const MEMIMG& image = GetSurfaceRecord(entry->record)->image;
  int lit = 0;
  for (int y = 0; y < 20; ++y) {
    for (int x = 0; x < 32; ++x) {
      std::uint32_t value = 0;
      std::memcpy(&value, image.pixels + y * image.pitch + x * image.format->BytesPerPixel,
                  image.format->BytesPerPixel);
      int r = 0, g = 0, b = 0, a = 0;
      ColorValueToRgba(image.format, value, &r, &g, &b, &a);
      lit += r == 255 && g == 255 && b == 255;
    }
  }
  EXPECT_GT(lit, 10);
  ASSERT_EQ(zelvo::SelectDrawTarget(ZELVO_BACK_BUFFER), 0);
}

}  // namespace
}  // namespace zelvo_test
