// The main window's shape: a region made of rectangles, kept across start-up like the other window
// settings and put on the window whenever it is made.
#include "media/core/window_region.h"

#include "media/core/window_state.h"

namespace zelvo {
namespace {

pf::RegionHandle g_region = nullptr;

}  // namespace

int ClearWindowRegion() {
  if (g_window.window != nullptr) pf::SetWindowRgn(g_window.window, nullptr, true);
  if (g_region != nullptr) pf::DeleteRegion(g_region);
  g_region = nullptr;
  return 0;
}

int SetWindowRegionFromRects(const pf::Rect* rects, int count) {
  pf::RegionHandle region = pf::ExtCreateRegion(rects, count);
  if (region == nullptr) return -1;
  if (g_region != nullptr) pf::DeleteRegion(g_region);
  g_region = region;
  ApplyWindowRegion(g_window.window, 1);
  return 0;
}

int HasWindowRegion() { return g_region != nullptr ? 1 : 0; }

void ApplyWindowRegion(pf::WindowHandle window, int redraw) {
  if (window != nullptr && g_region != nullptr) pf::SetWindowRgn(window, g_region, redraw != 0);
}

void RemoveWindowRegion(pf::WindowHandle window) {
  if (window != nullptr) pf::SetWindowRgn(window, nullptr, false);
}

}  // namespace zelvo
