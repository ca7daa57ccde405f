// Device contexts (window, memory, surface), compatible bitmaps and BitBlt.
#include <algorithm>
#include <cstring>
#include <set>

#include "platform/ddraw/display.h"
#include "platform/gdi/gdi_internal.h"
#include "platform/kernel/kernel_testing.h"
#include "platform/window/display_link.h"

namespace pf {
namespace gdi {
namespace {

std::set<DeviceContextRecord*>& Contexts() {
  static auto* contexts = new std::set<DeviceContextRecord*>;
  return *contexts;
}

std::set<GdiObjectRecord*>& Objects() {
  static auto* objects = new std::set<GdiObjectRecord*>;
  return *objects;
}

// What a new memory context holds before a bitmap is selected: one pixel, as on the platform.
GdiObjectRecord* StockBitmap() {
  static GdiObjectRecord* stock = [] {
    auto* bitmap = new GdiObjectRecord{};
    bitmap->width = bitmap->height = 1;
    bitmap->stride = 4;
    bitmap->layout = pixels::Xrgb8888();
    bitmap->memory.assign(4, 0);
    return bitmap;
  }();
  return stock;
}

DeviceContextRecord* NewContext(ContextKind kind) {
  auto* dc = new DeviceContextRecord{};
  dc->kind = kind;
  std::lock_guard<std::mutex> lock(Mutex());
  Contexts().insert(dc);
  return dc;
}

bool FreeContext(DeviceContext dc) {
  std::lock_guard<std::mutex> lock(Mutex());
  if (Contexts().erase(dc) == 0) return false;
  if (dc->bitmap != nullptr) dc->bitmap->selectedInto = nullptr;
  if (dc->font != nullptr) ContextDropsFont(dc->font);
  delete dc;
  return true;
}

bool WindowPixels(WindowHandle window, bool writes, const std::function<void(const pixels::View&)>& draw) {
  if (window == nullptr) return false;
  return window_system::DrawClientPixels(window, writes, [&draw](std::uint32_t* clientPixels, int width, int height,
                                                                 const Rect&) {
    draw(pixels::View{reinterpret_cast<std::uint8_t*>(clientPixels), width, height, width * 4, pixels::Xrgb8888(),
                      nullptr});
  });
}

}  // namespace

std::mutex& Mutex() {
  static auto* mutex = new std::mutex;
  return *mutex;
}

bool LiveContext(DeviceContext dc) {
  std::lock_guard<std::mutex> lock(Mutex());
  return dc != nullptr && Contexts().count(dc) != 0;
}

bool LiveObject(GdiObject object) {
  std::lock_guard<std::mutex> lock(Mutex());
  return object != nullptr && Objects().count(object) != 0;
}

pixels::View BitmapView(GdiObjectRecord* bitmap) {
  pixels::View view{bitmap->memory.data(), bitmap->width, bitmap->height, bitmap->stride, bitmap->layout,
                    bitmap->layout.bitsPerPixel == 8 ? bitmap->palette : nullptr};
  if (bitmap->dib && !bitmap->topDown) {
    view.origin += static_cast<std::ptrdiff_t>(bitmap->height - 1) * bitmap->stride;
    view.pitch = -bitmap->stride;
  }
  return view;
}

bool WithPixels(DeviceContext dc, bool writes, const std::function<void(const pixels::View&)>& draw) {
  if (!LiveContext(dc)) return false;
  switch (dc->kind) {
    case ContextKind::kWindow: return WindowPixels(dc->window, writes, draw);
    case ContextKind::kMemory:
      draw(BitmapView(dc->bitmap != nullptr ? dc->bitmap : StockBitmap()));
      return true;
    case ContextKind::kView:
      draw(dc->view);
      if (writes && dc->written != nullptr) dc->written(dc->context);
      return true;
  }
  return false;
}

DeviceContext CreateViewContext(const pixels::View& view, void (*written)(void* context), void* context) {
  DeviceContextRecord* dc = NewContext(ContextKind::kView);
  dc->view = view;
  dc->written = written;
  dc->context = context;
  return dc;
}

void DeleteViewContext(DeviceContext dc) { FreeContext(dc); }

GdiObjectRecord* NewBitmap(int width, int height, const pixels::Layout& layout, bool dib, bool topDown) {
  auto* bitmap = new GdiObjectRecord{};
  bitmap->dib = dib;
  bitmap->topDown = topDown;
  bitmap->width = width;
  bitmap->height = height;
  bitmap->layout = layout;
  bitmap->stride = (width * layout.bitsPerPixel + 31) / 32 * 4;
  bitmap->memory.assign(static_cast<std::size_t>(bitmap->stride) * height, 0);
  std::lock_guard<std::mutex> lock(Mutex());
  Objects().insert(bitmap);
  return bitmap;
}

}  // namespace gdi

DeviceContext GetDC(WindowHandle window) {
  if (testing::ShouldFail("GetDC") || !IsWindow(window)) return nullptr;
  DeviceContextRecord* dc = gdi::NewContext(ContextKind::kWindow);
  dc->window = window;
  return dc;
}

int ReleaseDC(WindowHandle, DeviceContext context) {
  if (!gdi::LiveContext(context) || context->kind != ContextKind::kWindow) return 0;
  return gdi::FreeContext(context) ? 1 : 0;
}

DeviceContext CreateCompatibleDC(DeviceContext context) {
  if (testing::ShouldFail("CreateCompatibleDC")) return nullptr;
  if (context != nullptr && !gdi::LiveContext(context)) return nullptr;
  return gdi::NewContext(ContextKind::kMemory);
}

bool DeleteDC(DeviceContext context) {
  if (!gdi::LiveContext(context) || context->kind != ContextKind::kMemory) return false;
  return gdi::FreeContext(context);
}

GdiObject CreateCompatibleBitmap(DeviceContext context, int width, int height) {
  if (testing::ShouldFail("CreateCompatibleBitmap") || width <= 0 || height <= 0 || width > 16384 || height > 16384) {
    return nullptr;
  }
  if (context != nullptr && !gdi::LiveContext(context)) return nullptr;
  return gdi::NewBitmap(width, height, display::LayoutForDepth(display::Current().bitsPerPixel), false, false);
}

GdiObject SelectObject(DeviceContext context, GdiObject object) {
  if (!gdi::LiveContext(context) || context->kind != ContextKind::kMemory) return nullptr;
  if (object != gdi::StockBitmap() && !gdi::LiveObject(object)) return nullptr;
  std::lock_guard<std::mutex> lock(gdi::Mutex());
  if (object->selectedInto != nullptr && object->selectedInto != context) return nullptr;
  GdiObject previous = context->bitmap != nullptr ? context->bitmap : gdi::StockBitmap();
  if (context->bitmap != nullptr) context->bitmap->selectedInto = nullptr;
  context->bitmap = object == gdi::StockBitmap() ? nullptr : object;
  if (context->bitmap != nullptr) context->bitmap->selectedInto = context;
  return previous;
}

bool DeleteObject(GdiObject object) {
  std::lock_guard<std::mutex> lock(gdi::Mutex());
  if (object == nullptr || gdi::Objects().count(object) == 0 || object->selectedInto != nullptr) return false;
  gdi::Objects().erase(object);
  delete object;
  return true;
}

int GetObject(GdiObject object, int size, void* out) {
  if (!gdi::LiveObject(object) || out == nullptr || size < static_cast<int>(sizeof(BitmapDescription))) return 0;
  BitmapDescription description{};
  description.width = object->width;
  description.height = object->height;
  description.widthBytes = object->stride;
  description.planes = 1;
  description.bitsPerPixel = static_cast<std::uint16_t>(object->layout.bitsPerPixel);
  description.bits = object->dib ? object->memory.data() : nullptr;
  std::memcpy(out, &description, sizeof description);
  return sizeof description;
}

bool BitBlt(DeviceContext destination, int x, int y, int width, int height, DeviceContext source, int sourceX,
            int sourceY, std::uint32_t rop) {
  if (testing::ShouldFail("BitBlt") || rop != SRCCOPY || !gdi::LiveContext(source)) return false;
  return gdi::WithPixels(destination, true, [&](const pixels::View& to) {
    gdi::WithPixels(source, false, [&](const pixels::View& from) {
      pixels::View snapshotView = from;
      std::vector<std::uint8_t> snapshot;
      if (destination == source) {   // overlapping copy within one context: read from a copy
        snapshot.resize(static_cast<std::size_t>(std::abs(from.pitch)) * from.height);
        std::uint8_t* low = from.pitch >= 0 ? from.origin : from.origin + (from.height - 1) * from.pitch;
        std::memcpy(snapshot.data(), low, snapshot.size());
        snapshotView.origin = from.pitch >= 0 ? snapshot.data() : snapshot.data() + (from.height - 1) * -from.pitch;
      }
      gdi::StretchClipped(to, Rect{x, y, x + width, y + height}, snapshotView,
                                 Rect{sourceX, sourceY, sourceX + width, sourceY + height});
    });
  });
}

bool GdiFlush() { return true; }

}  // namespace pf
