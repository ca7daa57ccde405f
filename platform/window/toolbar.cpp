// Common-control tool bars: a strip of buttons across the top of the parent's client area.
#include <set>

#include "platform/kernel/kernel_testing.h"
#include "platform/window/window_internal.h"

namespace pf {

struct ToolbarRecord {
  WindowHandle parent;
  int buttonStructSize;
  const void* bitmap;
  int imageCount;
  int buttonWidth, buttonHeight;
  int width;                     // follows the parent's client width on WM_SIZE
};

namespace {

// A fresh tool bar's buttons are 24 x 22; the strip is the button height plus this margin.
constexpr int kDefaultButtonWidth = 24;
constexpr int kDefaultButtonHeight = 22;
constexpr int kStripMargin = 6;

std::set<ToolbarHandle>& Toolbars() {
  static std::set<ToolbarHandle> toolbars;
  return toolbars;
}

// Call with the window system's mutex held.
ToolbarRecord* FindToolbar(ToolbarHandle toolbar) { return Toolbars().count(toolbar) != 0 ? toolbar : nullptr; }

int ParentClientWidth(WindowHandle parent) {
  WindowRecord* record = window_system::Find(parent);
  if (record == nullptr) return 0;
  Rect client = window_system::ClientScreenRect(*record);
  return client.right - client.left;
}

}  // namespace

ToolbarHandle CreateToolbarWindow(WindowHandle parent) {
  if (testing::ShouldFail("CreateToolbarWindow")) return nullptr;
  std::lock_guard<std::recursive_mutex> lock(window_system::Mutex());
  if (window_system::Find(parent) == nullptr) return nullptr;
  auto* toolbar = new ToolbarRecord{parent, 0, nullptr, 0, kDefaultButtonWidth, kDefaultButtonHeight,
                                    ParentClientWidth(parent)};
  Toolbars().insert(toolbar);
  return toolbar;
}

bool DestroyToolbarWindow(ToolbarHandle toolbar) {
  std::lock_guard<std::recursive_mutex> lock(window_system::Mutex());
  if (Toolbars().erase(toolbar) == 0) return false;
  delete toolbar;
  return true;
}

bool SetToolbarButtonStructSize(ToolbarHandle toolbar, int size) {
  std::lock_guard<std::recursive_mutex> lock(window_system::Mutex());
  ToolbarRecord* record = FindToolbar(toolbar);
  if (record == nullptr || size <= 0) return false;
  record->buttonStructSize = size;
  return true;
}

int AddToolbarBitmap(ToolbarHandle toolbar, const void* bitmap, int imageCount) {
  std::lock_guard<std::recursive_mutex> lock(window_system::Mutex());
  ToolbarRecord* record = FindToolbar(toolbar);
  if (record == nullptr || bitmap == nullptr || imageCount <= 0) return -1;
  int first = record->imageCount;
  record->bitmap = bitmap;
  record->imageCount += imageCount;
  return first;
}

bool ReplaceToolbarBitmap(ToolbarHandle toolbar, const void* oldBitmap, const void* newBitmap, int imageCount) {
  std::lock_guard<std::recursive_mutex> lock(window_system::Mutex());
  ToolbarRecord* record = FindToolbar(toolbar);
  if (record == nullptr || newBitmap == nullptr || imageCount <= 0 || record->bitmap != oldBitmap) return false;
  record->bitmap = newBitmap;
  record->imageCount = imageCount;
  return true;
}

bool SetToolbarButtonSize(ToolbarHandle toolbar, int width, int height) {
  std::lock_guard<std::recursive_mutex> lock(window_system::Mutex());
  ToolbarRecord* record = FindToolbar(toolbar);
  if (record == nullptr || width <= 0 || height <= 0) return false;
  record->buttonWidth = width;
  record->buttonHeight = height;
  return true;
}

void PassSizeToToolbar(ToolbarHandle toolbar, WParam, LParam) {
  std::lock_guard<std::recursive_mutex> lock(window_system::Mutex());
  ToolbarRecord* record = FindToolbar(toolbar);
  if (record != nullptr) record->width = ParentClientWidth(record->parent);
}

bool GetToolbarRect(ToolbarHandle toolbar, Rect* out) {
  std::lock_guard<std::recursive_mutex> lock(window_system::Mutex());
  ToolbarRecord* record = FindToolbar(toolbar);
  WindowRecord* parent = record != nullptr ? window_system::Find(record->parent) : nullptr;
  if (parent == nullptr || out == nullptr) return false;
  Rect client = window_system::ClientScreenRect(*parent);
  *out = Rect{client.left, client.top, client.left + record->width, client.top + record->buttonHeight + kStripMargin};
  return true;
}

}  // namespace pf
