// Text through the public entries, checked against FreeType's own rendering of the same characters
// at the same size: a mixed Japanese and ASCII line drawn plain, edged and antialiased with the
// default font, presented, the screen saved and read back, in DirectDraw mode (window and 16-bit
// full screen) and in software rendering. The console's line is drawn before presenting.
#include <fontconfig/fontconfig.h>
#include <ft2build.h>
#include FT_FREETYPE_H
#include FT_OUTLINE_H
#include FT_TRUETYPE_TABLES_H
#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <string>
#include <vector>

#include <zelvo/zelvo.h>

#include "support/library_fixture.h"
#include "platform/testing.h"
#include "support/picture_writers.h"
#include "support/saved_bmp.h"
#include "support/test_paths.h"

namespace zelvo_test {
namespace {

// The default font as FreeType draws it: IPAGothic with a 16-pixel cell, emboldened by a pixel
// (thickness 6 asks for a bold the face does not have). Each character's pixels are placed by the
// advance rules: pen + left bearing, ascent - top bearing, the pen moving by the rounded advance
// plus the bold pixel plus twice the edge.
class ReferenceFont {
 public:
  ReferenceFont() {
    FT_Init_FreeType(&library_);
    FcInit();
    FcPattern* pattern = FcNameParse(reinterpret_cast<const FcChar8*>("IPAGothic"));
    FcConfigSubstitute(nullptr, pattern, FcMatchPattern);
    FcDefaultSubstitute(pattern);
    FcResult result;
    FcPattern* match = FcFontMatch(nullptr, pattern, &result);
    FcChar8* file = nullptr;
    FcPatternGetString(match, FC_FILE, 0, &file);
    FT_New_Face(library_, reinterpret_cast<const char*>(file), 0, &face_);
    FcPatternDestroy(match);
    FcPatternDestroy(pattern);
    const auto* os2 = static_cast<const TT_OS2*>(FT_Get_Sfnt_Table(face_, FT_SFNT_OS2));
    const double ppem = 16.0 * face_->units_per_EM / (os2->usWinAscent + os2->usWinDescent);
    FT_Set_Char_Size(face_, 0, std::lround(ppem * 64), 72, 72);
    ascent_ = static_cast<int>(std::lround(os2->usWinAscent * ppem / face_->units_per_EM));
  }
  ~ReferenceFont() {
    FT_Done_Face(face_);
    FT_Done_FreeType(library_);
  }

  // Coverage 0..16 (grey) or 0/1 (mono) of every pixel of a w x h canvas.
  std::vector<int> Draw(const char32_t* text, int x, int y, bool grey, int edge, int w, int h) const {
    std::vector<int> canvas(static_cast<std::size_t>(w) * h, 0);
    int pen = 0;
    for (const char32_t* c = text; *c != 0; ++c) {
      FT_Load_Char(face_, *c, grey ? FT_LOAD_DEFAULT : FT_LOAD_TARGET_MONO);
      FT_Outline_EmboldenXY(&face_->glyph->outline, 64, 0);
      FT_Render_Glyph(face_->glyph, grey ? FT_RENDER_MODE_NORMAL : FT_RENDER_MODE_MONO);
      const FT_Bitmap& b = face_->glyph->bitmap;
      const bool space = *c == U' ' || *c == U'\u3000';
      for (unsigned row = 0; row < b.rows && !space; ++row) {
        for (unsigned col = 0; col < b.width; ++col) {
          const std::uint8_t* line = b.buffer + static_cast<std::ptrdiff_t>(row) * b.pitch;
          const int value = grey ? (line[col] * 16 + 127) / 255 : (line[col >> 3] >> (7 - (col & 7))) & 1;
          const int px = x + pen + face_->glyph->bitmap_left + edge + static_cast<int>(col);
          const int py = y + ascent_ - face_->glyph->bitmap_top + edge + static_cast<int>(row);
          if (px >= 0 && px < w && py >= 0 && py < h) canvas[static_cast<std::size_t>(py) * w + px] = value;
        }
      }
      pen += static_cast<int>((face_->glyph->advance.x + 32) >> 6) + 1 + 2 * edge;
    }
    return canvas;
  }

 private:
  FT_Library library_ = nullptr;
  FT_Face face_ = nullptr;
  int ascent_ = 0;
};

enum Mode { kDirectDraw, kSoftware, kFullScreen };

// "日本語のテキスト Abc 123　ｶﾅ": kanji, hiragana, katakana, ASCII, a space, a full-width space and
// half-width katakana (single bytes).
const char kLine[] = "日本語のテキスト Abc 123　ｶﾅ";
const char32_t kLineUnicode[] = U"日本語のテキスト Abc 123\u3000ｶﾅ";
constexpr int kX = 20, kY = 40, kW = 400, kH = 80;

class TextOnScreen : public LibraryTest, public ::testing::WithParamInterface<Mode> {
 protected:
  void SetUp() override {
    LibraryTest::SetUp();
    if (GetParam() == kSoftware) pf::testing::FailNextCalls("AddAttachedSurface", 1);
    if (GetParam() == kFullScreen) SwitchWindowMode(0);
    ASSERT_EQ(StartUpLibrary(), 0);
    ASSERT_EQ(SelectDrawTarget(ZELVO_BACK_BUFFER), 0);
    bits_ = GetDisplayPixelFormat()->RGBBitCount;
    Background();
  }
  void TearDown() override {
    EXPECT_EQ(ShutDownLibrary(), 0);
    LibraryTest::TearDown();
  }
  void Background() {
    SetBlendMode(0, 0);
    ASSERT_EQ(DrawRectangle(0, 0, 640, 480, PackColor(0, 0, 0), 1), 0);
  }
  SavedBmp Save() {
    EXPECT_EQ(SaveScreenRectToFile(0, 0, 640, 480, "shot.bmp", 0, 0, 0), 0);
    return ReadSavedBmp(folder_ + "/shot.bmp");
  }
  Rgb OnScreen(Rgb c) const { return bits_ == 16 ? Rgb{c.r & 0xF8, c.g & 0xFC, c.b & 0xF8} : c; }

  unsigned bits_ = 0;
  ReferenceFont reference_;
};

TEST_P(TextOnScreen, PlainLineHasFreeTypeCoverageAtTheAdvancePositions) {
  ASSERT_EQ(SetDefaultFontStyle(0), 0);
  ASSERT_EQ(DrawTextDefaultFont(kX, kY, kLine, PackColor(255, 255, 255), 0), 0);
  const SavedBmp shot = Save();
  ASSERT_EQ(shot.width, 640);
  const std::vector<int> expected = reference_.Draw(kLineUnicode, kX, kY, false, 0, kW, kH);
  int lit = 0;
  for (int y = 0; y < kH; ++y) {
    for (int x = 0; x < kW; ++x) {
      const bool on = expected[static_cast<std::size_t>(y) * kW + x] != 0;
      lit += on;
      ASSERT_EQ(shot.At(x, y), (on ? OnScreen(Rgb{255, 255, 255}) : Rgb{0, 0, 0})) << x << ", " << y;
    }
  }
  EXPECT_GT(lit, 500);
}

TEST_P(TextOnScreen, EdgedLineSpreadsTheEdgeOnePixelAroundTheGlyphs) {
  ASSERT_EQ(SetDefaultFontStyle(1), 0);
  ASSERT_EQ(DrawTextDefaultFont(kX, kY, kLine, PackColor(255, 255, 255), PackColor(255, 0, 0)), 0);
  const SavedBmp shot = Save();
  const std::vector<int> glyph = reference_.Draw(kLineUnicode, kX, kY, false, 1, kW, kH);
  auto on = [&](int x, int y) {
    return x >= 0 && y >= 0 && x < kW && y < kH && glyph[static_cast<std::size_t>(y) * kW + x] != 0;
  };
  for (int y = 0; y < kH; ++y) {
    for (int x = 0; x < kW; ++x) {
      // The edge of size 1 is the cross around each glyph pixel.
      const bool edge = on(x - 1, y) || on(x + 1, y) || on(x, y - 1) || on(x, y + 1);
      const Rgb want = on(x, y) ? OnScreen(Rgb{255, 255, 255}) : (edge ? OnScreen(Rgb{255, 0, 0}) : Rgb{0, 0, 0});
      ASSERT_EQ(shot.At(x, y), want) << x << ", " << y;
    }
  }
}

TEST_P(TextOnScreen, AntialiasedLineBlendsFreeTypeGreyLevels) {
  ASSERT_EQ(SetDefaultFontStyle(2), 0);
  ASSERT_EQ(DrawTextDefaultFont(kX, kY, kLine, PackColor(255, 255, 255), 0), 0);
  const SavedBmp shot = Save();
  const std::vector<int> grey = reference_.Draw(kLineUnicode, kX, kY, true, 0, kW, kH);
  // The device blends each glyph cell over the target at 4-bit alpha, overlapping cells one over
  // the other: within one alpha step of the grey level.
  const int tolerance = GetParam() != kSoftware ? 18 : (bits_ == 16 ? 8 : 2);
  for (int y = 0; y < kH; ++y) {
    for (int x = 0; x < kW; ++x) {
      // Grey level L counts from 1: level 1 is empty, 16 solid.
      const int level = grey[static_cast<std::size_t>(y) * kW + x];
      const int g = level > 0 ? level - 1 : 0;
      // Outside software rendering the device draws from the 4:4:4:4 texture cache, whose 4-bit
      // alpha g widens to 17 g; the software path writes 16 g.
      const int alpha = GetParam() != kSoftware ? 17 * g : (g == 15 ? 255 : 16 * g);
      const Rgb got = shot.At(x, y);
      ASSERT_EQ(got.g == 0, alpha == 0) << x << ", " << y << " level " << level << " got " << got;
      ASSERT_NEAR(got.g, alpha, tolerance) << x << ", " << y;
    }
  }
}

// What the window shows (a full screen's flip leaves the back buffer behind): bright pixels of the
// presented frame in a rectangle of the 640x480 screen.
int BrightPixelsShown(int x0, int y0, int x1, int y1) {
  std::vector<std::uint32_t> frame;
  int w = 0, h = 0;
  pf::testing::LastPresentedFrame(&frame, &w, &h);
  int bright = 0;
  for (int y = y0; y < y1; ++y) {
    for (int x = x0; x < x1; ++x) {
      const std::uint32_t p = frame[static_cast<std::size_t>(y * h / 480) * w + x * w / 640];
      bright += (p & 0xF0F0F0) == 0xF0F0F0;
    }
  }
  return bright;
}

TEST_P(TextOnScreen, ConsoleLineIsDrawnWhenPresentingAndGoesWithTheClear) {
  ASSERT_EQ(ScreenLogPrintf("Now Loading..."), 0);
  ASSERT_EQ(PresentBackBuffer(), 0);
  EXPECT_GT(BrightPixelsShown(0, 0, 120, 18), 80);
  EXPECT_EQ(BrightPixelsShown(150, 0, 640, 18), 0);
  // Cleared: the next frame shows no console.
  Background();
  ASSERT_EQ(ScreenLogClear(), 0);
  ASSERT_EQ(PresentBackBuffer(), 0);
  EXPECT_EQ(BrightPixelsShown(0, 0, 120, 18), 0);
}

const char* ModeName(const ::testing::TestParamInfo<Mode>& info) {
  static const char* kNames[] = {"DirectDraw", "Software", "FullScreen16"};
  return kNames[info.param];
}
INSTANTIATE_TEST_SUITE_P(Modes, TextOnScreen, ::testing::Values(kDirectDraw, kSoftware, kFullScreen), ModeName);

}  // namespace
}  // namespace zelvo_test
