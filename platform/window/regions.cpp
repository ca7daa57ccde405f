// Window regions as rectangle sets.
#include <set>

#include "platform/window/window_internal.h"

namespace pf {

struct RegionRecord {
  std::vector<Rect> rects;
};

namespace {

std::set<RegionHandle>& Regions() {
  static std::set<RegionHandle> regions;
  return regions;
}

}  // namespace

RegionHandle ExtCreateRegion(const Rect* rects, int count) {
  if (count < 0 || (count > 0 && rects == nullptr)) return nullptr;
  std::lock_guard<std::recursive_mutex> lock(window_system::Mutex());
  auto* region = new RegionRecord{std::vector<Rect>(rects, rects + count)};
  Regions().insert(region);
  return region;
}

bool DeleteRegion(RegionHandle region) {
  std::lock_guard<std::recursive_mutex> lock(window_system::Mutex());
  if (Regions().erase(region) == 0) return false;
  delete region;
  return true;
}

int SetWindowRgn(WindowHandle window, RegionHandle region, bool redraw) {
  {
    std::lock_guard<std::recursive_mutex> lock(window_system::Mutex());
    WindowRecord* record = window_system::Find(window);
    if (record == nullptr || (region != nullptr && Regions().count(region) == 0)) return 0;
    record->shaped = region != nullptr;
    record->regionRects = region != nullptr ? region->rects : std::vector<Rect>();
  }
  if (redraw) InvalidateRect(window, nullptr, true);
  return 1;
}

bool GetWindowRegionRects(WindowHandle window, std::vector<Rect>* rects) {
  std::lock_guard<std::recursive_mutex> lock(window_system::Mutex());
  WindowRecord* record = window_system::Find(window);
  if (record == nullptr || !record->shaped) return false;
  if (rects != nullptr) *rects = record->regionRects;
  return true;
}

}  // namespace pf
