#pragma once
// What the GDI files share: the records behind contexts and bitmaps, and the pixel access of both.
#include <cstdint>
#include <functional>
#include <mutex>
#include <vector>

#include "platform/ddraw/ddraw.h"
#include "platform/ddraw/pixel_view.h"
#include "platform/gdi/gdi.h"
#include "platform/gdi/view_context.h"
#include "platform/window/window.h"

namespace pf {

// A bitmap: compatible (display format) or a DIB section (the caller's layout and row order).
struct GdiObjectRecord {
  bool dib;
  bool topDown;
  int width, height;
  int stride;
  pixels::Layout layout;
  std::vector<std::uint8_t> memory;
  std::uint32_t palette[256];
  DeviceContextRecord* selectedInto;
};

enum class ContextKind { kWindow, kMemory, kView };

struct DeviceContextRecord {
  ContextKind kind;
  WindowHandle window;                 // kWindow
  GdiObjectRecord* bitmap;             // kMemory: the selected bitmap, or null
  pixels::View view;                   // kView
  void (*written)(void* context);
  void* context;
  GdiFontRecord* font;                 // the selected font, or null for the stock font
};

namespace gdi {

std::mutex& Mutex();
// A context that goes away lets go of its font (under Mutex()).
void ContextDropsFont(GdiFontRecord* font);
bool LiveContext(DeviceContext dc);
bool LiveObject(GdiObject object);
pixels::View BitmapView(GdiObjectRecord* bitmap);
GdiObjectRecord* NewBitmap(int width, int height, const pixels::Layout& layout, bool dib, bool topDown);
// Runs `draw` over the context's pixels (a window: its client area) and, when it wrote, shows the
// result. False when the context has no pixels.
bool WithPixels(DeviceContext dc, bool writes, const std::function<void(const pixels::View&)>& draw);
// The layout a DIB header describes; false for one GDI does not take.
bool DibLayout(const BitmapInfo* info, pixels::Layout* out);
// A view of caller-held DIB bits, upright: row 0 is the picture's top row.
pixels::View DibView(const void* bits, const BitmapInfo* info, const pixels::Layout& layout,
                     std::uint32_t* paletteOut);
// Nearest-neighbour stretch of a source rectangle onto a destination rectangle, both clipped to
// their views; returns false when nothing was inside.
bool StretchClipped(const pixels::View& destination, const Rect& to, const pixels::View& source, const Rect& from);

}  // namespace gdi
}  // namespace pf
