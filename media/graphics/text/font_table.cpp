// The font table: creating a font from a GDI font with its fall-backs and sizing its glyph cache,
// releasing it, re-creating every font in its own slot after a display change, and the queries.
#include "media/graphics/text/font_table.h"

#include <cstring>

#include "media/core/log.h"
#include "media/display/screen_state.h"
#include "media/graphics/text/d3d_text.h"
#include "media/graphics/graphs/surface2d.h"
#include "media/graphics/graphs/draw_state.h"
#include "media/core/handle_table.h"

namespace zelvo {

FontState g_fonts{{}, 0, 0, -1, {}};

namespace {

constexpr std::uint32_t kCharsets[3] = {pf::DEFAULT_CHARSET, pf::SHIFTJIS_CHARSET, pf::HANGUL_CHARSET};
// "ＭＳ ゴシック"
constexpr char kDefaultFace[] = "ＭＳ ゴシック";
constexpr int kMemoryCacheBytes = 0x50000;
// Past this the strip of 20 cells would run to hundreds of megabytes.
constexpr int kMaxCellSize = 1024;

int GraphicsUp() { return GetDirectDrawObject() != nullptr || !IsDirectDrawMode(); }

int ScreenDepth() {
  const int depth = GetScreenColorBitDepth();
  return depth == 0 ? 16 : depth;
}

pf::GdiFont MakeGdiFont(const char* face, int size, int weight, int italic, std::uint32_t charset) {
  // Quality 3: not antialiased; pitch and family 1: fixed pitch.
  return pf::CreateFontA(size, 0, 0, 0, weight, static_cast<std::uint32_t>(italic), 0, 0, charset, 0, 0, 3, 1,
                         face);
}

// The GDI font with the fall-back chain of a named face or of the default face; null with the
// failure logged.
pf::GdiFont CreateGdiFontWithFallbacks(const FontRecord* font) {
  const int weight = font->thickness * 100;
  const std::uint32_t charset = kCharsets[font->charsetKind];
  if (font->face[0] != '\0') {
    for (std::uint32_t tried : {charset, static_cast<std::uint32_t>(pf::DEFAULT_CHARSET),
                                static_cast<std::uint32_t>(pf::SHIFTJIS_CHARSET)}) {
      if (pf::GdiFont made = MakeGdiFont(font->face, font->size, weight, font->italic, tried)) return made;
    }
    WriteLogText("指定のフォントの作成に失敗しました\n");
    return nullptr;
  }
  if (pf::GdiFont made = MakeGdiFont(kDefaultFace, font->size, weight, font->italic, charset)) return made;
  if (pf::GdiFont made = MakeGdiFont(kDefaultFace, font->size, 0, 0, pf::DEFAULT_CHARSET)) return made;
  if (pf::GdiFont made = MakeGdiFont(nullptr, font->size, 0, 0, pf::DEFAULT_CHARSET)) return made;
  WriteLogText("フォントの作成に失敗しました\n");
  return nullptr;
}

// Reads the text metrics through a memory context and sizes the cell and the line; -1 logged.
int MeasureFont(FontRecord* font, pf::GdiFont gdiFont) {
  pf::DeviceContext dc = pf::CreateCompatibleDC(nullptr);
  if (dc == nullptr) return WriteLogText("ＤＣの取得に失敗しました\n");
  pf::GdiFont old = pf::SelectObject(dc, gdiFont);
  pf::TextMetric metrics{};
  const bool measured = pf::GetTextMetricsA(dc, &metrics);
  pf::SelectObject(dc, old);
  pf::DeleteDC(dc);
  if (!measured) return WriteLogText("ＤＣの取得に失敗しました\n");
  const int edge = (font->style & kFontStyleEdge) ? 2 * font->edgeSize : 0;
  int cell = (metrics.maxCharWidth + 2 + edge + 7) / 8 * 8;
  int line = metrics.height + edge;
  if (line % 2 != 0) ++line;
  font->lineHeight = line;
  font->cellSize = cell > line ? cell : line;
  font->ascent = metrics.ascent;
  return 0;
}

// The memory strip: one cell wide, the cells stacked; the work surface comes with the cache build.
int MakeMemoryCache(FontRecord* font, int handle) {
  const int cell = font->cellSize;
  if (cell > kMaxCellSize) return WriteLogText("フォントのキャッシュ用メモリの確保に失敗しました in CreateFontToHandle");
  font->stripBits = font->style == 0 ? 1 : 8;
  if (font->usesTextureCache) {
    // The texture cache's cells are rendered in memory first: the strip has as many.
    SizeTextureCache(font);
    font->textureRebuildPending = 1;
    if (BuildTextureCache(font, handle) < 0) {
      WriteLogText("テクスチャ文字キャッシュの作成に失敗しました\n");
      font->usesTextureCache = 0;
    }
  }
  int cells = font->cellCount;
  if (!font->usesTextureCache) {
    cells = kMemoryCacheBytes / (cell * cell);
    if (cells < 20) cells = 20;
    if (cells > kMaxGlyphCells) cells = kMaxGlyphCells;
    font->cellCount = cells;
    font->cellsPerColumn = cells;
  }
  font->stripPitch = (font->stripBits * cell + 7) / 8;
  const std::size_t bytes = static_cast<std::size_t>(font->stripPitch) * static_cast<std::size_t>(cells) *
                            static_cast<std::size_t>(cell);
  font->strip = static_cast<std::uint8_t*>(TrackedAllocZeroed(bytes, __FILE__, __LINE__));
  if (font->strip == nullptr) {
    return WriteLogText("フォントのキャッシュ用メモリの確保に失敗しました in CreateFontToHandle");
  }
  font->memoryRebuildPending = 1;
  if (BuildFontCacheSurface(handle) < 0) return WriteLogText("フォント用描画スクリーンの作成に失敗しました\n");
  return 0;
}

void FreeFontResources(FontRecord* font) {
  if (font->gdiFont != nullptr) pf::DeleteObject(font->gdiFont);
  font->gdiFont = nullptr;
  if (font->strip != nullptr) TrackedFree(font->strip);
  font->strip = nullptr;
  if (font->workSurface != -1) DeleteSurface2D(font->workSurface);
  font->workSurface = -1;
  ReleaseTextureCache(font);
}

void FreeSlot(int slot) {
  FontRecord* font = g_fonts.slots[slot];
  if (font->lostFlag != nullptr) *font->lostFlag = 1;
  TrackedFree(font);
  g_fonts.slots[slot] = nullptr;
  --g_fonts.count;
}

void ResetGlyphSlots(FontRecord* font) {
  std::memset(font->glyphSlots, 0, sizeof font->glyphSlots);
  for (int i = 0; i < kGlyphSlotEntries; ++i) font->glyphSlots[i].cell = i < font->cellCount ? i : -1;
  font->cursor = 0;
}

}  // namespace

void ResetFontState() {
  std::memset(&g_fonts, 0, sizeof g_fonts);
  g_fonts.defaultFont = -1;
}

FontRecord* GetFontRecord(int font) {
  if (font < 0 || HandleTypeOf(font) != kHandleFont) return nullptr;
  const int slot = HandleSlotOf(font);
  if (slot >= kFontSlots || g_fonts.slots[slot] == nullptr) return nullptr;
  if ((g_fonts.slots[slot]->check << kHandleCheckShift) != (font & kHandleCheckMask)) return nullptr;
  return g_fonts.slots[slot];
}

int IsFontHandleValid(int font) { return GetFontRecord(font) != nullptr ? 1 : 0; }

int IsLeadByte(const char* p, int charsetKind) {
  const auto b = static_cast<std::uint8_t>(*p);
  if (charsetKind == kCharsetHangul) return (b & 0x80) != 0;
  return static_cast<std::uint8_t>((b ^ 0x20) + 0x5F) < 60;
}

int CreateFontToHandle(const char* face, int size, int thickness, int style, int charsetKind, int edgeSize,
                       int italic, int slot, int check) {
  if (!GraphicsUp()) return -1;
  if (style == -1) style = 0;
  if (edgeSize > 1) style |= kFontStyleEdge;
  if (edgeSize == -1) edgeSize = 1;
  if (charsetKind == -1) charsetKind = pf::GetOEMCP() == 949 ? kCharsetHangul : kCharsetShiftJis;
  if (charsetKind < kCharsetDefault || charsetKind > kCharsetHangul) charsetKind = kCharsetShiftJis;
  // Edges wider than the disc tables are squares; beyond 64 pixels the cell would not fit a strip.
  if (edgeSize < 1 || edgeSize > 64) edgeSize = 1;

  if (slot == -1) {
    for (slot = 0; slot < kFontSlots && g_fonts.slots[slot] != nullptr; ++slot) {
    }
    if (slot == kFontSlots) {
      char line[128];
      StringPrintf(line, sizeof line, "作成できるフォントハンドル数 %d の限界を超えました", kFontSlots);
      return WriteLogText(line);
    }
  } else if (slot < 0 || slot >= kFontSlots || g_fonts.slots[slot] != nullptr) {
    return -1;
  }

  auto* font = static_cast<FontRecord*>(TrackedAllocZeroed(sizeof(FontRecord), __FILE__, __LINE__));
  if (font == nullptr) return WriteLogText("フォント管理用メモリ領域の確保に失敗しました\n");
  g_fonts.slots[slot] = font;
  ++g_fonts.count;
  font->workSurface = -1;
  font->cacheGraph = font->edgeCacheGraph = -1;
  if (ScreenDepth() == 8) style &= ~kFontStyleAntialias;
  if (face != nullptr) StringPrintf(font->face, sizeof font->face, "%s", face);
  font->size = size == -1 ? 16 : size;
  font->thickness = thickness == -1 ? 6 : thickness;
  font->style = style & (kFontStyleEdge | kFontStyleAntialias);
  font->edgeSize = edgeSize;
  font->italic = italic != 0 ? 1 : 0;
  font->charsetKind = charsetKind;
  if (check == -1) {
    font->check = g_fonts.checkCounter;
    g_fonts.checkCounter = (g_fonts.checkCounter + 1) % kCheckNumberLimit;
  } else {
    font->check = check & 0x7FF;
  }
  const int handle = MakeHandle(slot, kHandleFont, font->check);

  font->usesTextureCache = TextureCacheUsable();
  int failed = 0;
  pf::GdiFont gdiFont = CreateGdiFontWithFallbacks(font);
  if (gdiFont == nullptr || MeasureFont(font, gdiFont) < 0) {
    if (gdiFont != nullptr) pf::DeleteObject(gdiFont);
    failed = 1;
  } else {
    font->gdiFont = gdiFont;
    failed = MakeMemoryCache(font, handle) < 0;
  }
  if (failed) {
    FreeFontResources(font);
    font->lostFlag = nullptr;
    FreeSlot(slot);
    return -1;
  }
  // A new record's code map is zero already: writing it again would touch every page of it.
  ResetGlyphSlots(font);
  return handle;
}

int BuildFontCacheSurface(int handle) {
  FontRecord* font = GetFontRecord(handle);
  if (font == nullptr) return -1;
  if (font->usesTextureCache && BuildTextureCache(font, handle) < 0) return -1;
  if (!font->memoryRebuildPending) return 0;
  if (font->workSurface != -1) DeleteSurface2D(font->workSurface);
  font->workSurface = -1;
  int width = 0, height = 0;
  GetScreenSize(&width, &height);
  if (width == 0 || height == 0) width = 640, height = 480;
  GraphFlags flags{};
  flags.alphaCh = (font->style & kFontStyleAntialias) ? 1 : 0;
  flags.systemMemory = 1;
  flags.colorBitDepth = static_cast<std::uint8_t>(ScreenDepth());
  const int surface = AddSurface2D(width, height, 0, 0, -1, nullptr, 0, 0, &flags);
  if (surface < 0) return -1;
  font->workSurface = surface;
  SetSurface2DLostFlag(surface, &font->memoryRebuildPending);
  return 0;
}

int ResetGlyphCache(int handle) {
  FontRecord* font = GetFontRecord(handle);
  if (font == nullptr) return -1;
  std::memset(font->codeMap, 0, sizeof font->codeMap);
  ResetGlyphSlots(font);
  return 0;
}

int ReleaseFontHandle(int handle) {
  FontRecord* font = GetFontRecord(handle);
  if (font == nullptr) return -1;
  FreeFontResources(font);
  FreeSlot(HandleSlotOf(handle));
  if (handle == g_fonts.defaultFont) g_fonts.defaultFont = -1;
  return 0;
}

int RecreateAllFonts() {
  for (int slot = 0; slot < kFontSlots; ++slot) {
    const FontRecord* font = g_fonts.slots[slot];
    if (font == nullptr) continue;
    char face[256];
    std::memcpy(face, font->face, sizeof face);
    const FontRecord kept = *font;
    int* lostFlag = font->lostFlag;
    const int handle = MakeHandle(slot, kHandleFont, font->check);
    const int wasDefault = handle == g_fonts.defaultFont;
    // The owner's flag must not see a release that keeps the handle.
    g_fonts.slots[slot]->lostFlag = nullptr;
    ReleaseFontHandle(handle);
    const int made = CreateFontToHandle(face, kept.size, kept.thickness, kept.style, kept.charsetKind, kept.edgeSize,
                                        kept.italic, slot, kept.check);
    if (made < 0) {
      if (lostFlag != nullptr) *lostFlag = 1;
      continue;
    }
    if (wasDefault) g_fonts.defaultFont = made;
    SetFontExtraValue(kept.extraSpacing, made);
    SetFontLostFlagPointer(made, lostFlag);
  }
  return 0;
}

int SetFontExtraValue(int extra, int handle) {
  FontRecord* font = GetFontRecord(handle);
  if (font == nullptr) return -1;
  font->extraSpacing = extra;
  return 0;
}

int SetFontLostFlagPointer(int handle, int* flag) {
  FontRecord* font = GetFontRecord(handle);
  if (font == nullptr) return -1;
  font->lostFlag = flag;
  return 0;
}

int GetFontInfo(char* face, int* size, int* thickness, int handle) {
  const FontRecord* font = GetFontRecord(handle);
  if (font == nullptr) return -1;
  if (face != nullptr) std::memcpy(face, font->face, sizeof font->face);
  if (size != nullptr) *size = font->size;
  if (thickness != nullptr) *thickness = font->thickness;
  return 0;
}

int GetStandardFontHandle() { return g_fonts.defaultFont; }

int MakeFontHandleOfSlot(int slot) { return MakeHandle(slot, kHandleFont, g_fonts.slots[slot]->check); }

}  // namespace zelvo
