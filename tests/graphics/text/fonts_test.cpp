// The font table, the glyph cache and the text renderer through the library's own operations
// (under the library lock, as an entry point would call them) on a started library.
#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include <zelvo/zelvo.h>

#include "support/library_fixture.h"
#include "media/core/library_lock.h"
#include "media/graphics/graphs/draw_state.h"
#include "media/graphics/text/font_table.h"
#include "media/graphics/text/glyph_cache.h"
#include "media/pixels/memimg.h"
#include "media/graphics/text/text_draw.h"
#include "media/graphics/text/text_render.h"
#include "platform/testing.h"
#include "support/picture_writers.h"

namespace zelvo_test {
namespace {

using zelvo::LibraryLockGuard;

// A cleared MEMIMG of one colour type, freed with the test.
struct Image {
  zelvo::MEMIMG image{};
  Image(int width, int height, int colorType, int alpha) {
    EXPECT_EQ(zelvo::InitMemImg(&image, width, height, -1, 0, colorType, 0, alpha, 0), 0);
    zelvo::FillMemImgRect(&image, nullptr, 0);
  }
  ~Image() { zelvo::FreeMemImg(&image); }
  std::uint32_t At(int x, int y) const {
    const std::uint8_t* p = image.pixels + static_cast<std::ptrdiff_t>(y) * image.pitch + x * image.format->BytesPerPixel;
    switch (image.format->BytesPerPixel) {
      case 1: return *p;
      case 2: { std::uint16_t v; std::memcpy(&v, p, 2); return v; }
      default: { std::uint32_t v; std::memcpy(&v, p, 4); return v; }
    }
  }
};

// 2,000 distinct kanji, Shift-JIS rows 0x89 onwards.
std::string DistinctKanji(int count) {
  std::string text;
  for (int lead = 0x89; count > 0; ++lead) {
    for (int trail = 0x40; trail <= 0xFC && count > 0; ++trail) {
      if (trail == 0x7F) continue;
      text += static_cast<char>(lead);
      text += static_cast<char>(trail);
      --count;
    }
  }
  return text;
}

class Fonts : public LibraryTest {
 protected:
  void SetUp() override {
    LibraryTest::SetUp();
    ASSERT_EQ(StartUpLibrary(), 0);
    ASSERT_EQ(SelectDrawTarget(ZELVO_BACK_BUFFER), 0);
  }
  void TearDown() override {
    pf::testing::ClearFaults();
    EXPECT_EQ(ShutDownLibrary(), 0);
    LibraryTest::TearDown();
  }
  // A thickness-4 font of the default face, or of `face`.
  static int MakeFont(int style, int edge = -1, const char* face = nullptr, int size = 16) {
    LibraryLockGuard lock;
    return zelvo::CreateFontToHandle(face, size, 4, style, -1, edge, 0, -1, -1);
  }
  static int Measure(const char* text, int font, int length = -1, int vertical = 0, int* size = nullptr) {
    LibraryLockGuard lock;
    return zelvo::RenderTextWithFont(zelvo::kTextMeasure, 0, 0, 0, 1.0, 1.0, text, 0, nullptr, nullptr, 0, font, 0,
                                     length, vertical, size);
  }
  static int Render(zelvo::MEMIMG* target, int x, int y, const char* text, std::uint32_t colour, int font,
                    std::uint32_t edge = 0, int vertical = 0) {
    LibraryLockGuard lock;
    return zelvo::RenderTextWithFont(zelvo::kTextDraw, x, y, 0, 1.0, 1.0, text, colour, target, nullptr, 1, font, edge,
                                     -1, vertical, nullptr);
  }
  static const zelvo::GlyphSlot& Glyph(int font, const char* character) {
    LibraryLockGuard lock;
    zelvo::FontRecord* record = zelvo::GetFontRecord(font);
    int at = 0;
    const int code = zelvo::NextCharacterCode(character, static_cast<int>(std::strlen(character)), &at, 1);
    return *zelvo::FindGlyph(record, font, code);
  }
};

TEST_F(Fonts, TheFortyFirstHandleIsRefusedWithTheLimitLineAndAFreedSlotIsReused) {
  std::vector<int> made;
  for (;;) {
    const int font = MakeFont(0);
    if (font == -1) break;
    made.push_back(font);
    ASSERT_LE(made.size(), 40u);
  }
  EXPECT_EQ(zelvo::g_fonts.count, 40);
  EXPECT_NE(ReadLog().find("作成できるフォントハンドル数 40 の限界を超えました"), std::string::npos);
  const int freed = made[3];
  {
    LibraryLockGuard lock;
    EXPECT_EQ(zelvo::ReleaseFontHandle(freed), 0);
    EXPECT_EQ(zelvo::ReleaseFontHandle(freed), -1);
    EXPECT_EQ(zelvo::IsFontHandleValid(freed), 0);
  }
  const int again = MakeFont(0);
  EXPECT_EQ(again & 0xFFFF, freed & 0xFFFF);   // the first empty slot
  EXPECT_NE(again, freed);                     // with the next check number
  EXPECT_EQ(again >> 27, 4);
}

TEST_F(Fonts, CreationFallsBackThroughCharsetsAndFacesAndAFailureOccupiesNoSlot) {
  struct Case {
    const char* face;
    int failures;
    bool made;
    const char* logLine;
  };
  const Case cases[] = {
      {"ＭＳ 明朝", 1, true, nullptr},  // DEFAULT_CHARSET
      {"ＭＳ 明朝", 2, true, nullptr},  // SHIFTJIS_CHARSET
      {"ＭＳ 明朝", 3, false, "指定のフォントの作成に失敗しました"},
      {nullptr, 1, true, nullptr},      // the default face, weight 0, no italic
      {nullptr, 2, true, nullptr},      // no face at all
      {nullptr, 3, false, "フォントの作成に失敗しました"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(std::string(c.face != nullptr ? "face " : "no face ") + std::to_string(c.failures));
    const int before = zelvo::g_fonts.count;
    pf::testing::FailNextCalls("CreateFontA", c.failures);
    const int font = MakeFont(0, -1, c.face);
    pf::testing::ClearFaults();
    EXPECT_EQ(font != -1, c.made);
    EXPECT_EQ(zelvo::g_fonts.count, before + (c.made ? 1 : 0));
    if (c.logLine != nullptr) {
      EXPECT_NE(ReadLog().find(c.logLine), std::string::npos);
    }
    if (font != -1) {
      EXPECT_GT(Glyph(font, "あ").width, 0);
    }
  }
}

TEST_F(Fonts, AMissingFaceFallsToAFaceWithJapaneseGlyphs) {
  const int font = MakeFont(0, -1, "NoSuchFaceAnywhere");
  ASSERT_NE(font, -1);
  EXPECT_GT(Glyph(font, "漢").width, 4);
  EXPECT_GT(Glyph(font, "A").width, 2);
}

TEST_F(Fonts, EdgeSizeSetsTheEdgeStyleAndWidensTheCellAndEveryAdvance) {
  const int plain = MakeFont(0);
  const int edged = MakeFont(0, 3);
  ASSERT_NE(edged, -1);
  const zelvo::FontRecord* p = zelvo::GetFontRecord(plain);
  const zelvo::FontRecord* e = zelvo::GetFontRecord(edged);
  EXPECT_EQ(e->style & zelvo::kFontStyleEdge, zelvo::kFontStyleEdge);
  EXPECT_EQ(e->edgeSize, 3);
  pf::DeviceContext dc = pf::CreateCompatibleDC(nullptr);
  pf::GdiFont old = pf::SelectObject(dc, p->gdiFont);
  pf::TextMetric metrics{};
  ASSERT_TRUE(pf::GetTextMetricsA(dc, &metrics));
  pf::SelectObject(dc, old);
  pf::DeleteDC(dc);
  EXPECT_EQ(e->cellSize, std::max((metrics.maxCharWidth + 2 + 6 + 7) / 8 * 8, (metrics.height + 6 + 1) / 2 * 2));
  EXPECT_EQ(p->cellSize, std::max((metrics.maxCharWidth + 2 + 7) / 8 * 8, (metrics.height + 1) / 2 * 2));
  EXPECT_EQ(e->lineHeight % 2, 0);
  EXPECT_EQ(Glyph(edged, "字").advance, Glyph(plain, "字").advance + 6);
  EXPECT_EQ(Glyph(edged, "字").width, Glyph(plain, "字").width + 6);
  EXPECT_EQ(Measure("ab字", edged), Measure("ab字", plain) + 18);
}

TEST_F(Fonts, RecreatingAllFontsKeepsEveryHandleAndItsSettings) {
  const int a = MakeFont(zelvo::kFontStyleAntialias);
  const int b = MakeFont(0, 2, "ＭＳ Ｐゴシック", 24);
  int lost = 0;
  {
    LibraryLockGuard lock;
    zelvo::SetFontExtraValue(3, b);
    zelvo::SetFontLostFlagPointer(b, &lost);
  }
  const int widthBefore = Measure("テキスト", b);
  {
    LibraryLockGuard lock;
    EXPECT_EQ(zelvo::RecreateAllFonts(), 0);
  }
  ASSERT_EQ(zelvo::IsFontHandleValid(a), 1);
  ASSERT_EQ(zelvo::IsFontHandleValid(b), 1);
  const zelvo::FontRecord* record = zelvo::GetFontRecord(b);
  EXPECT_EQ(record->size, 24);
  EXPECT_EQ(record->style, zelvo::kFontStyleEdge);
  EXPECT_EQ(record->edgeSize, 2);
  EXPECT_EQ(record->extraSpacing, 3);
  EXPECT_STREQ(record->face, "ＭＳ Ｐゴシック");
  EXPECT_EQ(zelvo::GetFontRecord(a)->style, zelvo::kFontStyleAntialias);
  EXPECT_EQ(Measure("テキスト", b), widthBefore);
  // The handle lives on, so its owner is not told it was lost.
  EXPECT_EQ(lost, 0);
  LibraryLockGuard lock;
  zelvo::ReleaseFontHandle(b);
  EXPECT_EQ(lost, 1);
}

TEST_F(Fonts, LeadBytesFollowTheCharacterSet) {
  struct Case {
    std::uint8_t byte;
    int shiftJis, hangul;
  };
  const Case cases[] = {{0x41, 0, 0}, {0x80, 0, 1}, {0x81, 1, 1}, {0x9F, 1, 1}, {0xA0, 0, 1},
                        {0xB1, 0, 1}, {0xDF, 0, 1}, {0xE0, 1, 1}, {0xFC, 1, 1}, {0xFD, 0, 1}};
  for (const Case& c : cases) {
    const char byte = static_cast<char>(c.byte);
    EXPECT_EQ(zelvo::IsLeadByte(&byte, zelvo::kCharsetShiftJis), c.shiftJis) << int(c.byte);
    EXPECT_EQ(zelvo::IsLeadByte(&byte, zelvo::kCharsetDefault), c.shiftJis) << int(c.byte);
    EXPECT_EQ(zelvo::IsLeadByte(&byte, zelvo::kCharsetHangul), c.hangul) << int(c.byte);
  }
  // On a Korean system a font without a character set takes Hangul.
  pf::testing::SetOemCodePage(949);
  const int korean = MakeFont(0);
  pf::testing::SetOemCodePage(932);
  EXPECT_EQ(zelvo::GetFontRecord(korean)->charsetKind, zelvo::kCharsetHangul);
}

TEST_F(Fonts, MeasuringFollowsTheAdvanceRules) {
  const int font = MakeFont(0);
  const int a = Glyph(font, "a").advance, kan = Glyph(font, "漢").advance;
  EXPECT_EQ(Measure("a漢a", font), 2 * a + kan);
  EXPECT_EQ(Measure("a漢a", font, 0), 0);
  EXPECT_EQ(Measure("a漢a", font, 3), a + kan);
  EXPECT_EQ(Measure("", font), 0);
  // Extra spacing widens every character.
  {
    LibraryLockGuard lock;
    zelvo::SetFontExtraValue(2, font);
  }
  EXPECT_EQ(Measure("a漢a", font), 2 * a + kan + 6);
  // Vertical text reports its size as (line height, advance).
  int size[2] = {0, 0};
  EXPECT_EQ(Measure("a漢a", font, -1, 1, size), 2 * a + kan + 6);
  EXPECT_EQ(size[0], zelvo::GetFontRecord(font)->lineHeight);
  EXPECT_EQ(size[1], 2 * a + kan + 6);
  Measure("a漢a", font, -1, 0, size);
  EXPECT_EQ(size[0], 2 * a + kan + 6);
  EXPECT_EQ(size[1], zelvo::GetFontRecord(font)->lineHeight);
}

TEST_F(Fonts, SpacesAreBlankGlyphsThatOnlyAdvance) {
  const int font = MakeFont(zelvo::kFontStyleEdge);
  for (const char* space : {" ", "　"}) {
    const zelvo::GlyphSlot& glyph = Glyph(font, space);
    EXPECT_EQ(glyph.width, 0);
    EXPECT_EQ(glyph.height, 0);
    EXPECT_GT(glyph.advance, 2);
  }
  EXPECT_GT(Glyph(font, "　").advance, Glyph(font, " ").advance);
  Image image(64, 32, zelvo::kMemImg8888, 1);
  EXPECT_GT(Render(&image.image, 0, 0, " 　 ", 0xFFFFFF, font, 0x123456), 0);
  for (int y = 0; y < 32; ++y) {
    for (int x = 0; x < 64; ++x) ASSERT_EQ(image.At(x, y), 0u);
  }
}

TEST_F(Fonts, LoneLeadBytesAndUnmappedCodesAreSafe) {
  const int font = MakeFont(0);
  // A string cut inside a double-byte character ends before it.
  EXPECT_EQ(Measure("あ\x82", font), Measure("あ", font));
  const char cut[] = {'\x82', '\xA0', '\x82'};   // "あ" and a lone lead, no terminator
  EXPECT_EQ(Measure(cut, font, 3), Measure("あ", font));
  // Codes the code page does not map draw the font's missing-glyph shape, not a failure.
  Image image(64, 32, zelvo::kMemImg8888, 0);
  EXPECT_GT(Render(&image.image, 0, 0, "\x85\x40\xEF\xFC", 0xFFFFFF, font), 0);
}

TEST_F(Fonts, AFullPageDrawnTwiceRendersEachGlyphOncePerFillOfTheCache) {
  const int font = MakeFont(0);
  const int cells = zelvo::GetFontRecord(font)->cellCount;
  ASSERT_LT(cells, 2000);
  const std::string page = DistinctKanji(2000);
  Image image(640, 480, zelvo::kMemImg8888, 0);
  std::uint64_t before = pf::testing::GlyphBitmapsRendered();
  ASSERT_GT(Render(&image.image, 0, 0, page.c_str(), 0xFFFFFF, font), 0);
  EXPECT_EQ(pf::testing::GlyphBitmapsRendered() - before, 2000u);
  // Every glyph fell out of the first-in-first-out cache before it came round again.
  before = pf::testing::GlyphBitmapsRendered();
  ASSERT_GT(Render(&image.image, 0, 0, page.c_str(), 0xFFFFFF, font), 0);
  EXPECT_EQ(pf::testing::GlyphBitmapsRendered() - before, 2000u);
  // What the cache still holds is never rendered again, however often it is drawn.
  const std::string tail = page.substr(page.size() - 2 * static_cast<std::size_t>(cells));
  before = pf::testing::GlyphBitmapsRendered();
  for (int i = 0; i < 3; ++i) Render(&image.image, 0, 0, tail.c_str(), 0xFFFFFF, font);
  EXPECT_EQ(pf::testing::GlyphBitmapsRendered() - before, 0u);
  // A character repeated in one string is rendered once.
  const int fresh = MakeFont(0);
  before = pf::testing::GlyphBitmapsRendered();
  Render(&image.image, 0, 0, "ああああいい", 0xFFFFFF, fresh);
  EXPECT_EQ(pf::testing::GlyphBitmapsRendered() - before, 2u);
}

TEST_F(Fonts, VerticalTextIsTheHorizontalGlyphTurnedAQuarterClockwise) {
  const int font = MakeFont(0);
  const zelvo::FontRecord* record = zelvo::GetFontRecord(font);
  Image across(64, 64, zelvo::kMemImg8888, 0), down(64, 64, zelvo::kMemImg8888, 0);
  Render(&across.image, 0, 0, "字", 0xFFFFFF, font);
  Render(&down.image, 0, 0, "字", 0xFFFFFF, font, 0, 1);
  const int line = record->lineHeight;
  int lit = 0;
  for (int y = 0; y < line; ++y) {
    for (int x = 0; x < 32; ++x) {
      // Horizontal (x, y) lands at (line - 1 - y, x).
      ASSERT_EQ(across.At(x, y), down.At(line - 1 - y, x)) << x << ", " << y;
      lit += across.At(x, y) != 0;
    }
  }
  EXPECT_GT(lit, 20);
}

TEST_F(Fonts, AntialiasedEdgedGlyphsComposeTextOverEdgeWithAlpha) {
  // "■" fills its box: solid inside, grey only on its border, the edge around it.
  const int font = MakeFont(zelvo::kFontStyleEdge | zelvo::kFontStyleAntialias, 2);
  const zelvo::GlyphSlot& glyph = Glyph(font, "■");
  Image image(64, 64, zelvo::kMemImg8888, 1);
  Render(&image.image, 0, 0, "■", 0xFF0000, font, 0x0000FF);
  const int cx = glyph.originX + glyph.width / 2, cy = glyph.originY + glyph.height / 2;
  EXPECT_EQ(image.At(cx, cy), 0xFFFF0000u);
  // Left of the box on its middle row: a solid edge pixel before the first text pixel.
  bool solidEdge = false;
  for (int x = 0; x < cx && (image.At(x, cy) & 0x00FFFFFF) != 0xFF0000u; ++x) {
    const std::uint32_t pixel = image.At(x, cy);
    if (pixel != 0) {
      EXPECT_EQ(pixel & 0x00FFFFFF, 0x0000FFu) << x;
    }
    solidEdge |= pixel == 0xFF0000FFu;
  }
  EXPECT_TRUE(solidEdge);
  // Nothing beyond the edge.
  EXPECT_EQ(image.At(cx, glyph.originY + glyph.height + 1), 0u);
}

TEST_F(Fonts, EightBitTargetsTakeTheColourIndexAndEdgeIndex) {
  const int font = MakeFont(zelvo::kFontStyleEdge);
  Image image(64, 32, zelvo::kMemImgSingle8, 0);
  Render(&image.image, 0, 0, "字", 7, font, 3);
  int glyph = 0, edge = 0;
  for (int y = 0; y < 32; ++y) {
    for (int x = 0; x < 64; ++x) {
      const std::uint32_t v = image.At(x, y);
      ASSERT_TRUE(v == 0 || v == 7 || v == 3) << v;
      glyph += v == 7;
      edge += v == 3;
    }
  }
  EXPECT_GT(glyph, 20);
  EXPECT_GT(edge, glyph / 2);
}

TEST_F(Fonts, VectorRowsWriteWhatTheScalarLoopWrites) {
  const char* line = "ゼルボの文字：日本語とASCII text、ｶﾅ";
  struct Case {
    int style, colorType, alpha;
  };
  // Plain and edged text on a 32-bit target; antialiased levels on the targets with alpha that the
  // work surface has (32-bit, and 16-bit with its alpha byte).
  const Case cases[] = {{0, zelvo::kMemImg8888, 0},
                        {zelvo::kFontStyleEdge, zelvo::kMemImg8888, 0},
                        {zelvo::kFontStyleAntialias, zelvo::kMemImg8888, 1},
                        {zelvo::kFontStyleAntialias, zelvo::kMemImg565, 1}};
  for (const Case& c : cases) {
    const int font = MakeFont(c.style);
    for (int x : {-7, 0, 3, 250, 293}) {   // cut on the left, aligned, unaligned, cut on the right
      SCOPED_TRACE(std::to_string(c.style) + "/" + std::to_string(c.colorType) + " at " + std::to_string(x));
      Image vector(300, 24, c.colorType, c.alpha), scalar(300, 24, c.colorType, c.alpha);
      // A background that is not black, so kept pixels show.
      zelvo::FillMemImgRect(&vector.image, nullptr, 0x00345678);
      zelvo::FillMemImgRect(&scalar.image, nullptr, 0x00345678);
      Render(&vector.image, x, 2, line, 0xFFFFFF, font, 0xFF0000);
      zelvo::UseVectorTextRows(0);
      Render(&scalar.image, x, 2, line, 0xFFFFFF, font, 0xFF0000);
      zelvo::UseVectorTextRows(1);
      const int rowBytes = 300 * vector.image.format->BytesPerPixel;
      for (int y = 0; y < 24; ++y) {
        ASSERT_EQ(std::memcmp(vector.image.pixels + y * vector.image.pitch, scalar.image.pixels + y * scalar.image.pitch,
                              static_cast<std::size_t>(rowBytes)),
                  0)
            << "row " << y;
      }
    }
  }
}

TEST_F(Fonts, BadTextDrawsNothingOutsideTheRegionAndNeverFails) {
  SetBlendMode(0, 0);
  ASSERT_EQ(DrawRectangle(0, 0, 640, 480, PackColor(0, 0, 0), 1), 0);
  ASSERT_EQ(SetDefaultFontStyle(1), 0);
  {
    LibraryLockGuard lock;
    zelvo::SetDrawRegion(100, 100, 300, 120);
  }
  std::string huge(64 * 1024, 'W');
  for (std::size_t i = 0; i + 1 < huge.size(); i += 7) huge[i] = '\x88', huge[i + 1] = '\x9F';
  huge.back() = '\x82';   // ends in a lone lead byte
  const unsigned white = PackColor(255, 255, 255);
  EXPECT_EQ(DrawTextDefaultFont(90, 95, huge.c_str(), white, PackColor(255, 0, 0)), 0);
  EXPECT_EQ(DrawTextDefaultFont(90, 110, "\x82", white, 0), 0);
  EXPECT_EQ(DrawTextDefaultFont(90, 110, "", white, 0), 0);
  EXPECT_EQ(DrawTextDefaultFont(90, 110, nullptr, white, 0), 0);
  EXPECT_EQ(DrawTextFormatted(90, 110, white, nullptr), 0);
  EXPECT_EQ(DrawTextFormatted(90, 100, white, "%s%d", "漢字", 42), 0);
  {
    LibraryLockGuard lock;
    zelvo::SetDrawRegion(0, 0, 640, 480);
  }
  EXPECT_EQ(SaveScreenRectToFile(0, 0, 640, 480, "shot.bmp", 0, 0, 0), 0);
  const Bytes bmp = ReadFileBytes(folder_ + "/shot.bmp");
  ASSERT_GT(bmp.size(), 54u + 640 * 480 * 3 - 1);
  int inside = 0;
  for (int y = 0; y < 480; ++y) {
    for (int x = 0; x < 640; ++x) {
      const std::size_t at = 54 + static_cast<std::size_t>(479 - y) * 640 * 3 + x * 3;
      const bool lit = bmp[at] != 0 || bmp[at + 1] != 0 || bmp[at + 2] != 0;
      const bool inRegion = x >= 100 && x < 300 && y >= 100 && y < 120;
      if (!inRegion) {
        ASSERT_FALSE(lit) << x << ", " << y;
      }
      inside += lit;
    }
  }
  EXPECT_GT(inside, 200);
}

}  // namespace
}  // namespace zelvo_test
