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

}  // namespace pf
