#pragma once
// Fonts and font handles: a table of 40 font records, each a GDI font with its glyph cache (a
// memory strip of square cells and a screen-sized work surface for blended text), the library's
// default font and its settings, and the double-byte lead test every text routine uses.
#include <cstdint>

#include "platform/gdi/gdi.h"

namespace zelvo {

constexpr int kFontSlots = 40;
constexpr int kGlyphSlotEntries = 2025;
constexpr int kMaxGlyphCells = 2024;
constexpr int kCodeMapEntries = 65536;

// Style flags.
enum : int { kFontStyleEdge = 1, kFontStyleAntialias = 2 };
// Character-set kinds.
enum : int { kCharsetDefault = 0, kCharsetShiftJis = 1, kCharsetHangul = 2 };

struct GlyphSlot {
  int inUse;
  int ownerCode;     // the code-map entry that maps to this slot
  int cell;          // cell index, -1 past the last cell
  int originX, originY;   // of the glyph bitmap inside the character box
  int advance;
  int width, height; // 0 x 0 for a blank glyph
};

struct CodeMapEntry {
  std::uint16_t present;
  std::uint16_t slot;
};

struct FontRecord {
  std::int32_t check;
  int* lostFlag;
  GlyphSlot glyphSlots[kGlyphSlotEntries];
  CodeMapEntry codeMap[kCodeMapEntries];
  int cursor;
  int cellCount;
  std::uint8_t* strip;
  int stripPitch;
  int stripBits;          // 1 plain style, 8 edge or antialias
  char face[256];
  int thickness;
  int size;
  int lineHeight;
  int italic;
  int extraSpacing;
  int cellSize;
  pf::GdiFont gdiFont;
  int style;
  int charsetKind;
  int edgeSize;
  int cellsPerColumn;
  int workSurface;        // 2D surface handle, -1 none
  int memoryRebuildPending;
  int usesTextureCache;
  int cacheGraph;         // texture cache graph, -1 none
  int edgeCacheGraph;     // its right half in edge style, -1 none
  int textureRebuildPending;
  int textureWidth, textureHeight;
  int ascent;             // text-metric ascent: where the baseline lies in the character box
};

struct DefaultFontSettings {
  char face[256];
  int size, thickness, style, charsetKind, edgeSize, italic, extraSpacing;
};

struct FontState {
  FontRecord* slots[kFontSlots];
  int count;
  int checkCounter;
  int defaultFont;
  DefaultFontSettings defaults;
};
extern FontState g_fonts;
void ResetFontState();

int CreateFontToHandle(const char* face, int size, int thickness, int style, int charsetKind, int edgeSize,
                       int italic, int slot, int check);
int ReleaseFontHandle(int font);
int RecreateAllFonts();
int ResetGlyphCache(int font);
int BuildFontCacheSurface(int font);
int SetFontExtraValue(int extra, int font);
int SetFontLostFlagPointer(int font, int* flag);
int GetFontInfo(char* face, int* size, int* thickness, int font);
int GetStandardFontHandle();
int MakeFontHandleOfSlot(int slot);   // the handle of an occupied slot
FontRecord* GetFontRecord(int font);
int IsFontHandleValid(int font);
int IsLeadByte(const char* p, int charsetKind);

// The default font and the font manager.
int RefreshDefaultFont();
int SetDefaultFontSizeThickness(const char* face, int size, int thickness);
int SetDefaultFontStyle(int style);
void SetDefaultFontSettings();
int StartFonts();
int EndFonts();

}  // namespace zelvo
