// GDI fonts over FreeType: face aliases, the cell height, the glyph bitmap layouts, blank and
// unmapped glyphs, selection and deletion, CP932 and CP949 codes, and the fault switches.
#include <gtest/gtest.h>

#include <cstdint>
#include <vector>

#include "platform/gdi/gdi.h"
#include "platform/testing.h"

namespace {

// Texts here are CP932 bytes, as the library passes them.
constexpr char kMsGothic[] = "\x82\x6C\x82\x72\x20\x83\x53\x83\x56\x83\x62\x83\x4E";   // ＭＳ ゴシック
constexpr std::uint32_t kKan = 0x8ABF;   // 漢, lead << 8 | trail
constexpr pf::Mat2 kIdentity{{0, 1}, {0, 0}, {0, 0}, {0, 1}};

class GdiFont : public ::testing::Test {
 protected:
  void SetUp() override { dc_ = pf::CreateCompatibleDC(nullptr); }
  // The context goes first: it lets go of its font, and every font made here is deleted.
  void TearDown() override {
    pf::testing::ClearFaults();
    pf::DeleteDC(dc_);
    for (pf::GdiFont font : made_) pf::DeleteObject(font);
  }
  pf::GdiFont Font(const char* face, int height, int weight = 400, std::uint32_t charset = pf::SHIFTJIS_CHARSET) {
    pf::GdiFont font = pf::CreateFontA(height, 0, 0, 0, weight, 0, 0, 0, charset, 0, 0, 3, 1, face);
    if (font != nullptr) made_.push_back(font);
    return font;
  }
  std::vector<pf::GdiFont> made_;
  std::vector<std::uint8_t> Glyph(std::uint32_t code, std::uint32_t format, pf::GlyphMetrics* gm) {
    const std::uint32_t size = pf::GetGlyphOutlineA(dc_, code, format, gm, 0, nullptr, &kIdentity);
    EXPECT_NE(size, pf::GDI_ERROR);
    std::vector<std::uint8_t> bits(size);
    if (size > 0) {
      EXPECT_EQ(pf::GetGlyphOutlineA(dc_, code, format, gm, size, bits.data(), &kIdentity), size);
    }
    return bits;
  }
  pf::DeviceContext dc_ = nullptr;
};

TEST_F(GdiFont, WindowsJapaneseFacesHaveTheCellHeightAsked) {
  for (const char* face : {kMsGothic, "MS Gothic", "", "NoSuchFace"}) {
    SCOPED_TRACE(face);
    pf::GdiFont font = Font(face, 16);
    ASSERT_NE(font, nullptr);
    pf::GdiFont old = pf::SelectObject(dc_, font);
    ASSERT_NE(old, nullptr);
    pf::TextMetric m{};
    ASSERT_TRUE(pf::GetTextMetricsA(dc_, &m));
    EXPECT_EQ(m.height, 16);
    EXPECT_EQ(m.ascent + m.descent, 16);
    EXPECT_GE(m.maxCharWidth, 14);
    // A Japanese face: the kanji has pixels and is about as wide as the cell is high.
    pf::GlyphMetrics gm{};
    const std::vector<std::uint8_t> bits = Glyph(kKan, pf::GGO_BITMAP, &gm);
    EXPECT_GT(gm.blackBoxX, 10u);
    EXPECT_GE(gm.cellIncX, 14);
    EXPECT_FALSE(bits.empty());
    pf::SelectObject(dc_, old);
    EXPECT_TRUE(pf::DeleteObject(font));
  }
}

TEST_F(GdiFont, BitmapsComeInTheGdiLayouts) {
  pf::GdiFont font = Font(kMsGothic, 24);
  pf::SelectObject(dc_, font);
  pf::GlyphMetrics gm{};
  const std::vector<std::uint8_t> mono = Glyph(kKan, pf::GGO_BITMAP, &gm);
  EXPECT_EQ(mono.size(), (gm.blackBoxX + 31) / 32 * 4 * gm.blackBoxY);
  struct Case {
    std::uint32_t format;
    int levels;
  };
  for (const Case c : {Case{pf::GGO_GRAY2_BITMAP, 4}, Case{pf::GGO_GRAY4_BITMAP, 16}, Case{pf::GGO_GRAY8_BITMAP, 64}}) {
    pf::GlyphMetrics grey{};
    const std::vector<std::uint8_t> bits = Glyph(kKan, c.format, &grey);
    EXPECT_EQ(bits.size(), (grey.blackBoxX + 3) / 4 * 4 * grey.blackBoxY);
    int top = 0;
    for (std::uint8_t v : bits) top = std::max<int>(top, v);
    EXPECT_EQ(top, c.levels);   // the strokes are solid somewhere
  }
  // Metrics only.
  pf::GlyphMetrics only{};
  EXPECT_EQ(pf::GetGlyphOutlineA(dc_, 'A', pf::GGO_METRICS, &only, 0, nullptr, &kIdentity), 0u);
  EXPECT_GT(only.cellIncX, 0);
  // Bad requests fail as GDI does.
  EXPECT_EQ(pf::GetGlyphOutlineA(dc_, 'A', 2, &only, 0, nullptr, &kIdentity), pf::GDI_ERROR);
  EXPECT_EQ(pf::GetGlyphOutlineA(dc_, 'A', pf::GGO_BITMAP, &only, 0, nullptr, nullptr), pf::GDI_ERROR);
  std::uint8_t small[4];
  EXPECT_EQ(pf::GetGlyphOutlineA(dc_, kKan, pf::GGO_BITMAP, &only, sizeof small, small, &kIdentity), pf::GDI_ERROR);
}

TEST_F(GdiFont, BlankAndUnmappedGlyphsNeverFail) {
  pf::GdiFont font = Font(kMsGothic, 16);
  pf::SelectObject(dc_, font);
  pf::GlyphMetrics gm{};
  // A space has no pixels: size 0, a one-pixel black box, an advance.
  EXPECT_EQ(pf::GetGlyphOutlineA(dc_, ' ', pf::GGO_BITMAP, &gm, 0, nullptr, &kIdentity), 0u);
  EXPECT_EQ(gm.blackBoxX, 1u);
  EXPECT_GT(gm.cellIncX, 0);
  // A lone lead byte and a code CP932 leaves unassigned draw the missing-glyph shape.
  for (std::uint32_t code : {0x82u, 0x8540u, 0xEFFCu}) {
    EXPECT_NE(pf::GetGlyphOutlineA(dc_, code, pf::GGO_GRAY4_BITMAP, &gm, 0, nullptr, &kIdentity), pf::GDI_ERROR);
  }
}

TEST_F(GdiFont, HalfWidthKatakanaAndHangulCodesMapThroughTheirCodePages) {
  pf::GdiFont font = Font(kMsGothic, 16);
  pf::SelectObject(dc_, font);
  pf::GlyphMetrics half{}, full{};
  Glyph(0xB1, pf::GGO_BITMAP, &half);     // ｱ
  Glyph(0x8341, pf::GGO_BITMAP, &full);   // ア
  EXPECT_GT(half.blackBoxX, 2u);
  EXPECT_LT(half.cellIncX, full.cellIncX);
  // CP949 "가" (B0 A1): whatever face fontconfig offers for Korean, the code maps and renders.
  pf::GdiFont hangul = Font("", 16, 400, pf::HANGUL_CHARSET);
  ASSERT_NE(hangul, nullptr);
  pf::SelectObject(dc_, hangul);
  pf::GlyphMetrics gm{};
  EXPECT_NE(pf::GetGlyphOutlineA(dc_, 0xB0A1, pf::GGO_BITMAP, &gm, 0, nullptr, &kIdentity), pf::GDI_ERROR);
  pf::SelectObject(dc_, font);
  EXPECT_TRUE(pf::DeleteObject(hangul));
}

TEST_F(GdiFont, BoldWeightWidensTheGlyphAndItsAdvanceByAPixel) {
  pf::GdiFont regular = Font(kMsGothic, 16, 400), bold = Font(kMsGothic, 16, 600);
  pf::GlyphMetrics a{}, b{};
  pf::SelectObject(dc_, regular);
  Glyph(kKan, pf::GGO_BITMAP, &a);
  pf::SelectObject(dc_, bold);
  Glyph(kKan, pf::GGO_BITMAP, &b);
  EXPECT_EQ(b.cellIncX, a.cellIncX + 1);
  EXPECT_GE(b.blackBoxX, a.blackBoxX);
  pf::TextMetric ma{}, mb{};
  pf::GetTextMetricsA(dc_, &mb);
  pf::SelectObject(dc_, regular);
  pf::GetTextMetricsA(dc_, &ma);
  EXPECT_EQ(mb.maxCharWidth, ma.maxCharWidth + 1);
}

TEST_F(GdiFont, SelectedFontsAreNotDeletedAndContextsLetGoWhenTheyGo) {
  pf::GdiFont font = Font(kMsGothic, 16);
  pf::GdiFont stock = pf::SelectObject(dc_, font);
  EXPECT_FALSE(pf::DeleteObject(font));
  pf::DeviceContext other = pf::CreateCompatibleDC(nullptr);
  pf::SelectObject(other, font);
  pf::SelectObject(dc_, stock);
  EXPECT_FALSE(pf::DeleteObject(font));   // still in the other context
  pf::DeleteDC(other);
  EXPECT_TRUE(pf::DeleteObject(font));
  EXPECT_FALSE(pf::DeleteObject(font));
  // Without a font there are no metrics and no glyphs.
  pf::TextMetric m{};
  EXPECT_FALSE(pf::GetTextMetricsA(dc_, &m));
  pf::GlyphMetrics gm{};
  EXPECT_EQ(pf::GetGlyphOutlineA(dc_, 'A', pf::GGO_BITMAP, &gm, 0, nullptr, &kIdentity), pf::GDI_ERROR);
}

TEST_F(GdiFont, FaultSwitchesFailCreationAndRendering) {
  pf::testing::FailNextCalls("CreateFontA", 2);
  EXPECT_EQ(Font(kMsGothic, 16), nullptr);
  EXPECT_EQ(Font(kMsGothic, 16), nullptr);
  pf::GdiFont font = Font(kMsGothic, 16);
  ASSERT_NE(font, nullptr);
  pf::SelectObject(dc_, font);
  const std::uint64_t rendered = pf::testing::GlyphBitmapsRendered();
  pf::testing::FailNextCalls("GetGlyphOutlineA", 1);
  std::uint8_t bits[512];
  pf::GlyphMetrics gm{};
  EXPECT_EQ(pf::GetGlyphOutlineA(dc_, kKan, pf::GGO_BITMAP, &gm, sizeof bits, bits, &kIdentity), pf::GDI_ERROR);
  EXPECT_NE(pf::GetGlyphOutlineA(dc_, kKan, pf::GGO_BITMAP, &gm, sizeof bits, bits, &kIdentity), pf::GDI_ERROR);
  EXPECT_EQ(pf::testing::GlyphBitmapsRendered(), rendered + 1);
}

}  // namespace
