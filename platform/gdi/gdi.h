#pragma once
// The GDI the screen calls: device contexts over the window, over memory bitmaps and over DirectDraw
// surfaces; compatible bitmaps and DIB sections; BitBlt, StretchDIBits, SetDIBitsToDevice and
// GetDIBits; device capabilities; display settings; the keyboard state of the modifier keys.
#include <cstdint>

#include "platform/ddraw/ddraw.h"
#include "platform/window/window.h"

namespace pf {

struct GdiObjectRecord;
using GdiObject = GdiObjectRecord*;

// ---------------------------------------------------------------- device contexts and bitmaps
// A device context over the window's client area (what the window shows).
DeviceContext GetDC(WindowHandle window);
int ReleaseDC(WindowHandle window, DeviceContext context);
// A memory device context; it draws nothing until a bitmap is selected into it.
DeviceContext CreateCompatibleDC(DeviceContext context);
bool DeleteDC(DeviceContext context);
// A bitmap in the display's format.
GdiObject CreateCompatibleBitmap(DeviceContext context, int width, int height);
// The previously selected bitmap, or nullptr when the object cannot be selected.
GdiObject SelectObject(DeviceContext context, GdiObject object);
bool DeleteObject(GdiObject object);

struct BitmapInfoHeader {
  std::uint32_t size;            // 40
  std::int32_t width;
  std::int32_t height;           // negative: rows top-down
  std::uint16_t planes;
  std::uint16_t bitCount;        // 8, 16, 24 or 32
  std::uint32_t compression;     // BI_RGB or BI_BITFIELDS
  std::uint32_t sizeImage;
  std::int32_t xPelsPerMeter, yPelsPerMeter;
  std::uint32_t colorsUsed, colorsImportant;
};
static_assert(sizeof(BitmapInfoHeader) == 40);
// The header followed by three channel masks (BI_BITFIELDS) or 256 colours (blue, green, red, 0).
struct BitmapInfo {
  BitmapInfoHeader header;
  std::uint32_t colors[256];
};
enum : std::uint32_t { BI_RGB = 0, BI_BITFIELDS = 3 };
enum : std::uint32_t { DIB_RGB_COLORS = 0 };
enum : std::uint32_t { SRCCOPY = 0x00CC0020 };

// A bitmap whose pixels the caller reaches at *bits (rows padded to 4 bytes, bottom-up unless the
// height is negative).
GdiObject CreateDIBSection(DeviceContext context, const BitmapInfo* info, std::uint32_t usage, void** bits,
                           void* section, std::uint32_t offset);

struct BitmapDescription {
  std::int32_t type;
  std::int32_t width, height;
  std::int32_t widthBytes;
  std::uint16_t planes, bitsPerPixel;
  void* bits;                    // DIB sections only
};
// Bytes written (the size of BitmapDescription), 0 for an object that is no bitmap.
int GetObject(GdiObject object, int size, void* out);

// Copies a rectangle between device contexts, converting between their formats; clipped to both.
bool BitBlt(DeviceContext destination, int x, int y, int width, int height, DeviceContext source, int sourceX,
            int sourceY, std::uint32_t rop);
bool GdiFlush();

// Source rows count from the DIB's bottom for bottom-up and top-down DIBs alike: the source
// rectangle's top row is |height| - sourceY - sourceHeight. Nearest-neighbour stretch. Returns the
// number of source rows, 0 on failure.
int StretchDIBits(DeviceContext context, int x, int y, int width, int height, int sourceX, int sourceY,
                  int sourceWidth, int sourceHeight, const void* bits, const BitmapInfo* info, std::uint32_t usage,
                  std::uint32_t rop);
int SetDIBitsToDevice(DeviceContext context, int x, int y, int width, int height, int sourceX, int sourceY,
                      int startScan, int lines, const void* bits, const BitmapInfo* info, std::uint32_t usage);
// Reads rows of a bitmap in the format the header asks for; with null bits it fills in the header.
int GetDIBits(DeviceContext context, GdiObject bitmap, int startScan, int lines, void* bits, BitmapInfo* info,
              std::uint32_t usage);

enum : int { HORZRES = 8, VERTRES = 10, BITSPIXEL = 12, PLANES = 14, VREFRESH = 116 };
// A null context asks about the screen.
int GetDeviceCaps(DeviceContext context, int index);

// ---------------------------------------------------------------- display settings
struct DevMode {
  char deviceName[32];
  std::uint16_t specVersion, driverVersion, size, driverExtra;
  std::uint32_t fields;
  std::uint8_t unused[60];
  std::uint32_t bitsPerPel, pelsWidth, pelsHeight, displayFlags, displayFrequency;
  std::uint8_t rest[32];
};
static_assert(sizeof(DevMode) == 156);
enum : std::uint32_t {
  DM_BITSPERPEL = 0x40000, DM_PELSWIDTH = 0x80000, DM_PELSHEIGHT = 0x100000, DM_DISPLAYFREQUENCY = 0x400000,
};
enum : std::uint32_t { CDS_FULLSCREEN = 0x4 };
enum : std::int32_t { DISP_CHANGE_SUCCESSFUL = 0, DISP_CHANGE_FAILED = -1, DISP_CHANGE_BADMODE = -2 };
// Null restores the desktop's mode.
std::int32_t ChangeDisplaySettings(const DevMode* mode, std::uint32_t flags);

// Bit 0x8000 (and the low byte's top bit) set while the key is down: VK_SHIFT, VK_CONTROL, VK_MENU.
std::int16_t GetKeyState(int virtualKey);

// ---------------------------------------------------------------- fonts (platform/gdi/font_*.cpp)
// GDI fonts over FreeType and fontconfig. Face names and character codes are CP932 bytes (CP949
// with the Hangul character set); the Windows face names of the Japanese system fonts are aliased
// to the IPA faces, any other face is what fontconfig matches for it.
struct GdiFontRecord;
using GdiFont = GdiFontRecord*;

enum : std::uint32_t { DEFAULT_CHARSET = 1, SHIFTJIS_CHARSET = 128, HANGUL_CHARSET = 129 };

// height > 0: the cell height (ascent + descent) in pixels; < 0: the character (em) height.
// Weight 600 and above emboldens a face that has no bold style. Null when no face can be had.
GdiFont CreateFontA(int height, int width, int escapement, int orientation, int weight, std::uint32_t italic,
                    std::uint32_t underline, std::uint32_t strikeOut, std::uint32_t charset,
                    std::uint32_t outputPrecision, std::uint32_t clipPrecision, std::uint32_t quality,
                    std::uint32_t pitchAndFamily, const char* face);
// Selects a font into a memory context; the previous font (the stock font at first), or nullptr.
GdiFont SelectObject(DeviceContext context, GdiFont font);
// False while the font is selected into a context.
bool DeleteObject(GdiFont font);

struct TextMetric {
  std::int32_t height, ascent, descent, internalLeading, externalLeading;
  std::int32_t aveCharWidth, maxCharWidth, weight;
  std::uint8_t italic, charSet;
};
// The metrics of the context's selected font; false without one.
bool GetTextMetricsA(DeviceContext context, TextMetric* metrics);

struct GlyphMetrics {
  std::uint32_t blackBoxX, blackBoxY;   // bitmap size (1 x 1 for a glyph without pixels)
  Point glyphOrigin;                    // bitmap's left edge from the pen, top edge above the baseline
  std::int16_t cellIncX, cellIncY;      // advance
};
struct Fixed16 { std::uint16_t fract; std::int16_t value; };
struct Mat2 { Fixed16 m11, m12, m21, m22; };
enum : std::uint32_t { GGO_METRICS = 0, GGO_BITMAP = 1, GGO_GRAY2_BITMAP = 4, GGO_GRAY4_BITMAP = 5, GGO_GRAY8_BITMAP = 6 };
constexpr std::uint32_t GDI_ERROR = 0xFFFFFFFFu;
// The glyph of `character` (a byte, or lead << 8 | trail) in the context's font. Bitmaps: rows
// padded to 4 bytes; GGO_BITMAP 1 bit a pixel, most significant first; the grey formats one byte a
// pixel of 0..4, 0..16 or 0..64. With no buffer (or size 0) returns the size the bitmap needs; a
// glyph without pixels needs 0. A code the font lacks draws its missing-glyph shape. GDI_ERROR for
// a bad context, format or matrix, or an engine failure.
std::uint32_t GetGlyphOutlineA(DeviceContext context, std::uint32_t character, std::uint32_t format,
                               GlyphMetrics* metrics, std::uint32_t bufferSize, void* buffer, const Mat2* matrix);

}  // namespace pf
