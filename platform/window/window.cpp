// Window classes and windows: creation and destruction, visibility, title, rectangles and styles,
// placement, foreground and topmost, painting bookkeeping. The first top-level window of the
// process is shown through the host; its client area is the host window.
#include "platform/host/host.h"
#include "platform/kernel/kernel.h"
#include "platform/kernel/kernel_testing.h"
#include "platform/window/window_internal.h"
#include "platform/window/window_testing.h"

#include <algorithm>
#include <map>
#include <memory>

namespace pf {
namespace {

struct ClassRecord {
  WindowClass info;
  std::string name;
};

std::map<std::string, ClassRecord>& Classes() {
  static std::map<std::string, ClassRecord> classes;
  return classes;
}

WindowHandle foreground = nullptr;

// Frame sizes of the styles: fixed dialog frame 3, sizable frame 4, thin border 1, client edge 2,
// caption 19, menu bar 19.
constexpr int kFixedFrame = 3;
constexpr int kSizableFrame = 4;
constexpr int kThinBorder = 1;
constexpr int kClientEdge = 2;
constexpr int kCaptionHeight = 19;
constexpr int kMenuHeight = 19;
constexpr std::uint32_t kDialogFrame = 0x00400000u;

int FrameWidth(std::uint32_t style, std::uint32_t exStyle) {
  int frame = 0;
  if (style & WS_THICKFRAME) {
    frame = kSizableFrame;
  } else if (style & kDialogFrame) {
    frame = kFixedFrame;
  } else if (style & WS_BORDER) {
    frame = kThinBorder;
  }
  if (exStyle & WS_EX_CLIENTEDGE) frame += kClientEdge;
  return frame;
}

host::Host* Host() { return host::CurrentHost(); }

}  // namespace

namespace window_system {

std::recursive_mutex& Mutex() {
  static std::recursive_mutex mutex;
  return mutex;
}

std::vector<WindowRecord*>& Windows() {
  static std::vector<WindowRecord*> windows;
  return windows;
}

WindowRecord* Find(WindowHandle window) {
  if (window == nullptr) return nullptr;
  auto& all = Windows();
  return std::find(all.begin(), all.end(), window) != all.end() ? window : nullptr;
}

WindowRecord* HostWindow() {
  for (WindowRecord* record : Windows()) {
    if (record->hostWindow) return record;
  }
  return nullptr;
}

Rect ClientScreenRect(const WindowRecord& record) {
  Rect zero{0, 0, 0, 0};
  AdjustWindowRectEx(&zero, record.style, record.menu != nullptr, record.exStyle);
  return Rect{record.windowRect.left - zero.left, record.windowRect.top - zero.top,
              record.windowRect.right - zero.right, record.windowRect.bottom - zero.bottom};
}

void PlaceWindow(WindowHandle window, const Rect& newRect, bool redraw, const Rect* previousClient) {
  bool moved = false, sized = false;
  Rect client{};
  {
    std::lock_guard<std::recursive_mutex> lock(Mutex());
    WindowRecord* record = Find(window);
    if (record == nullptr) return;
    Rect oldClient = previousClient != nullptr ? *previousClient : ClientScreenRect(*record);
    record->windowRect = newRect;
    client = ClientScreenRect(*record);
    moved = client.left != oldClient.left || client.top != oldClient.top;
    sized = client.right - client.left != oldClient.right - oldClient.left ||
            client.bottom - client.top != oldClient.bottom - oldClient.top;
    if (record->hostWindow && Host() != nullptr) {
      if (moved) Host()->SetPosition(client.left, client.top);
      if (sized) Host()->SetClientSize(client.right - client.left, client.bottom - client.top);
    }
    if (sized || redraw) {
      record->needsPaint = true;
      record->paintRect = Rect{0, 0, client.right - client.left, client.bottom - client.top};
    }
  }
  auto pack = [](int low, int high) {
    return static_cast<LParam>((static_cast<std::uint32_t>(low) & 0xFFFF) | (static_cast<std::uint32_t>(high) << 16));
  };
  if (moved) SendMessage(window, WM_MOVE, 0, pack(client.left, client.top));
  if (sized) SendMessage(window, WM_SIZE, SIZE_RESTORED, pack(client.right - client.left, client.bottom - client.top));
}

}  // namespace window_system

using window_system::Find;
using window_system::Mutex;

std::uint16_t RegisterClass(const WindowClass* windowClass) {
  if (windowClass == nullptr || windowClass->className == nullptr || windowClass->procedure == nullptr ||
      testing::ShouldFail("RegisterClass")) {
    return 0;
  }
  std::lock_guard<std::recursive_mutex> lock(Mutex());
  std::string name = windowClass->className;
  if (Classes().count(name) != 0) return 0;
  ClassRecord record{*windowClass, name};
  record.info.className = nullptr;
  Classes().emplace(name, record);
  return static_cast<std::uint16_t>(0xC000 + Classes().size());
}

bool UnregisterClass(const char* className, void*) {
  if (className == nullptr) return false;
  std::lock_guard<std::recursive_mutex> lock(Mutex());
  for (WindowRecord* record : window_system::Windows()) {
    if (record->className == className) return false;   // still in use
  }
  return Classes().erase(className) != 0;
}

WindowHandle CreateWindowEx(std::uint32_t exStyle, const char* className, const char* title, std::uint32_t style,
                            int x, int y, int width, int height, WindowHandle parent, void* menu, void* /*instance*/) {
  if (className == nullptr || testing::ShouldFail("CreateWindowEx")) return nullptr;
  auto record = std::make_unique<WindowRecord>();
  {
    std::lock_guard<std::recursive_mutex> lock(Mutex());
    auto found = Classes().find(className);
    if (found == Classes().end()) return nullptr;
    record->className = className;
    record->procedure = found->second.info.procedure;
    record->style = style;
    record->exStyle = exStyle;
    record->windowRect = Rect{x, y, x + std::max(width, 0), y + std::max(height, 0)};
    record->title = title != nullptr ? title : "";
    record->threadId = GetCurrentThreadId();
    record->imeEnabled = true;
    record->menu = static_cast<MenuHandle>(menu);
    record->hostWindow = parent == nullptr && window_system::HostWindow() == nullptr;
    if (record->hostWindow) {
      Rect client = window_system::ClientScreenRect(*record);
      host::Host* current = Host();
      if (current == nullptr || !current->OpenWindow(Cp932ToUtf8(record->title).c_str(), client.right - client.left,
                                                     client.bottom - client.top, (style & WS_VISIBLE) != 0)) {
        return nullptr;
      }
      current->SetPosition(client.left, client.top);
    }
    record->visible = (style & WS_VISIBLE) != 0;
    if (record->visible) {
      Rect client = window_system::ClientScreenRect(*record);
      record->needsPaint = true;
      record->paintRect = Rect{0, 0, client.right - client.left, client.bottom - client.top};
    }
    window_system::Windows().push_back(record.get());
    window_system::QueueOf(record->threadId);
  }
  WindowHandle handle = record.release();
  SendMessage(handle, WM_CREATE, 0, 0);
  return handle;
}

bool DestroyWindow(WindowHandle window) {
  {
    std::lock_guard<std::recursive_mutex> lock(Mutex());
    if (Find(window) == nullptr) return false;
  }
  SendMessage(window, WM_DESTROY, 0, 0);
  std::lock_guard<std::recursive_mutex> lock(Mutex());
  WindowRecord* record = Find(window);
  if (record == nullptr) return true;   // destroyed again from inside WM_DESTROY
  auto& all = window_system::Windows();
  all.erase(std::find(all.begin(), all.end(), record));
  auto& posted = window_system::QueueOf(record->threadId).posted;
  posted.erase(std::remove_if(posted.begin(), posted.end(), [&](const Message& m) { return m.window == window; }),
               posted.end());
  window_system::ForgetInputState(window);
  window_system::ForgetHooks(window);
  if (record->hostWindow && Host() != nullptr) Host()->CloseWindow();
  if (foreground == window) foreground = nullptr;
  delete record;
  return true;
}

bool IsWindow(WindowHandle window) {
  std::lock_guard<std::recursive_mutex> lock(Mutex());
  return Find(window) != nullptr;
}

bool ShowWindow(WindowHandle window, int command) {
  std::lock_guard<std::recursive_mutex> lock(Mutex());
  WindowRecord* record = Find(window);
  if (record == nullptr) return false;
  bool was = record->visible;
  record->visible = command != SW_HIDE;
  record->iconic = command == SW_MINIMIZE;
  if (record->visible) {
    record->style |= WS_VISIBLE;
  } else {
    record->style &= ~WS_VISIBLE;
  }
  if (record->hostWindow && Host() != nullptr) {
    Host()->Show(record->visible);
    if (record->iconic) Host()->Minimize();
  }
  if (record->visible && !was) {
    Rect client = window_system::ClientScreenRect(*record);
    record->needsPaint = true;
    record->paintRect = Rect{0, 0, client.right - client.left, client.bottom - client.top};
    if (!record->iconic) foreground = window;
  }
  return was;
}

bool UpdateWindow(WindowHandle window) {
  bool paint;
  {
    std::lock_guard<std::recursive_mutex> lock(Mutex());
    WindowRecord* record = Find(window);
    if (record == nullptr) return false;
    paint = record->needsPaint && record->visible;
  }
  if (paint) SendMessage(window, WM_PAINT, 0, 0);
  return true;
}

bool SetWindowText(WindowHandle window, const char* text) {
  std::lock_guard<std::recursive_mutex> lock(Mutex());
  WindowRecord* record = Find(window);
  if (record == nullptr) return false;
  record->title = text != nullptr ? text : "";
  if (record->hostWindow && Host() != nullptr) Host()->SetTitle(Cp932ToUtf8(record->title).c_str());
  return true;
}

bool InvalidateRect(WindowHandle window, const Rect* rect, bool) {
  std::lock_guard<std::recursive_mutex> lock(Mutex());
  WindowRecord* record = Find(window);
  if (record == nullptr) return false;
  Rect client = window_system::ClientScreenRect(*record);
  Rect whole{0, 0, client.right - client.left, client.bottom - client.top};
  Rect add = rect != nullptr ? *rect : whole;
  if (record->needsPaint) {
    Rect& r = record->paintRect;
    r = Rect{std::min(r.left, add.left), std::min(r.top, add.top), std::max(r.right, add.right),
             std::max(r.bottom, add.bottom)};
  } else {
    record->paintRect = add;
  }
  record->needsPaint = true;
  return true;
}

bool ValidateRect(WindowHandle window, const Rect*) {
  std::lock_guard<std::recursive_mutex> lock(Mutex());
  WindowRecord* record = Find(window);
  if (record == nullptr) return false;
  record->needsPaint = false;
  return true;
}

bool BeginPaint(WindowHandle window, PaintInfo* out) {
  std::lock_guard<std::recursive_mutex> lock(Mutex());
  WindowRecord* record = Find(window);
  if (record == nullptr || out == nullptr) return false;
  out->paint = record->needsPaint ? record->paintRect : Rect{0, 0, 0, 0};
  out->erase = false;
  record->needsPaint = false;
  return true;
}

bool EndPaint(WindowHandle window, const PaintInfo*) { return IsWindow(window); }

bool FillClientRect(WindowHandle window, const Rect* rect, std::uint32_t color) {
  std::lock_guard<std::recursive_mutex> lock(Mutex());
  WindowRecord* record = Find(window);
  if (record == nullptr || rect == nullptr) return false;
  Rect client = window_system::ClientScreenRect(*record);
  int width = client.right - client.left, height = client.bottom - client.top;
  if (width <= 0 || height <= 0) return true;
  auto& pixels = record->clientPixels;
  if (pixels.size() != static_cast<std::size_t>(width) * height) pixels.assign(static_cast<std::size_t>(width) * height, 0);
  int left = std::max(rect->left, 0), right = std::min(rect->right, width);
  int top = std::max(rect->top, 0), bottom = std::min(rect->bottom, height);
  for (int y = top; y < bottom; ++y) {
    std::fill(pixels.begin() + static_cast<std::ptrdiff_t>(y) * width + left,
              pixels.begin() + static_cast<std::ptrdiff_t>(y) * width + right, color & 0xFFFFFFu);
  }
  if (record->hostWindow && Host() != nullptr) Host()->Present(pixels.data(), width, height, width * 4);
  return true;
}

std::int32_t GetWindowLong(WindowHandle window, int index) {
  std::lock_guard<std::recursive_mutex> lock(Mutex());
  WindowRecord* record = Find(window);
  if (record == nullptr) return 0;
  if (index == GWL_STYLE) return static_cast<std::int32_t>(record->style);
  if (index == GWL_EXSTYLE) return static_cast<std::int32_t>(record->exStyle);
  return 0;
}

std::int32_t SetWindowLong(WindowHandle window, int index, std::int32_t value) {
  std::lock_guard<std::recursive_mutex> lock(Mutex());
  WindowRecord* record = Find(window);
  if (record == nullptr) return 0;
  std::uint32_t* field = index == GWL_STYLE ? &record->style : index == GWL_EXSTYLE ? &record->exStyle : nullptr;
  if (field == nullptr) return 0;
  std::int32_t old = static_cast<std::int32_t>(*field);
  *field = static_cast<std::uint32_t>(value);
  return old;
}

bool GetWindowRect(WindowHandle window, Rect* out) {
  std::lock_guard<std::recursive_mutex> lock(Mutex());
  WindowRecord* record = Find(window);
  if (record == nullptr || out == nullptr) return false;
  *out = record->windowRect;
  return true;
}

bool GetClientRect(WindowHandle window, Rect* out) {
  std::lock_guard<std::recursive_mutex> lock(Mutex());
  WindowRecord* record = Find(window);
  if (record == nullptr || out == nullptr) return false;
  Rect client = window_system::ClientScreenRect(*record);
  *out = Rect{0, 0, std::max(client.right - client.left, 0), std::max(client.bottom - client.top, 0)};
  return true;
}

bool ClientToScreen(WindowHandle window, Point* point) {
  std::lock_guard<std::recursive_mutex> lock(Mutex());
  WindowRecord* record = Find(window);
  if (record == nullptr || point == nullptr) return false;
  Rect client = window_system::ClientScreenRect(*record);
  point->x += client.left;
  point->y += client.top;
  return true;
}

bool AdjustWindowRectEx(Rect* rect, std::uint32_t style, bool menu, std::uint32_t exStyle) {
  if (rect == nullptr) return false;
  int frame = FrameWidth(style, exStyle);
  int caption = (style & WS_CAPTION) == WS_CAPTION ? kCaptionHeight : 0;
  rect->left -= frame;
  rect->right += frame;
  rect->top -= frame + caption + (menu ? kMenuHeight : 0);
  rect->bottom += frame;
  return true;
}

bool SetWindowPos(WindowHandle window, WindowHandle insertAfter, int x, int y, int width, int height,
                  std::uint32_t flags) {
  Rect rect;
  {
    std::lock_guard<std::recursive_mutex> lock(Mutex());
    WindowRecord* record = Find(window);
    if (record == nullptr) return false;
    rect = record->windowRect;
    if (!(flags & SWP_NOZORDER) && (insertAfter == kTopmost || insertAfter == kNoTopmost)) {
      bool topmost = insertAfter == kTopmost;
      record->exStyle = topmost ? (record->exStyle | WS_EX_TOPMOST) : (record->exStyle & ~WS_EX_TOPMOST);
      if (record->hostWindow && Host() != nullptr) Host()->SetAlwaysOnTop(topmost);
    }
    if (flags & SWP_SHOWWINDOW) {
      record->visible = true;
      record->style |= WS_VISIBLE;
      if (record->hostWindow && Host() != nullptr) Host()->Show(true);
    }
  }
  if (!(flags & SWP_NOMOVE)) {
    rect.right += x - rect.left;
    rect.bottom += y - rect.top;
    rect.left = x;
    rect.top = y;
  }
  if (!(flags & SWP_NOSIZE)) {
    rect.right = rect.left + std::max(width, 0);
    rect.bottom = rect.top + std::max(height, 0);
  }
  window_system::PlaceWindow(window, rect, !(flags & SWP_NOREDRAW));
  return true;
}

bool MoveWindow(WindowHandle window, int x, int y, int width, int height, bool repaint) {
  if (!IsWindow(window)) return false;
  window_system::PlaceWindow(window, Rect{x, y, x + std::max(width, 0), y + std::max(height, 0)}, repaint);
  return true;
}

WindowHandle GetForegroundWindow() {
  std::lock_guard<std::recursive_mutex> lock(Mutex());
  return Find(foreground);
}

bool SetForegroundWindow(WindowHandle window) {
  std::lock_guard<std::recursive_mutex> lock(Mutex());
  WindowRecord* record = Find(window);
  if (record == nullptr) return false;
  foreground = window;
  if (record->hostWindow && Host() != nullptr) Host()->Raise();
  return true;
}

bool BringWindowToTop(WindowHandle window) {
  std::lock_guard<std::recursive_mutex> lock(Mutex());
  WindowRecord* record = Find(window);
  if (record == nullptr) return false;
  if (record->hostWindow && Host() != nullptr) Host()->Raise();
  return true;
}

WindowHandle SetActiveWindow(WindowHandle window) {
  std::lock_guard<std::recursive_mutex> lock(Mutex());
  WindowHandle previous = Find(foreground);
  if (Find(window) != nullptr) foreground = window;
  return previous;
}

bool IsIconic(WindowHandle window) {
  std::lock_guard<std::recursive_mutex> lock(Mutex());
  WindowRecord* record = Find(window);
  return record != nullptr && record->iconic;
}

std::uint32_t GetWindowThreadProcessId(WindowHandle window, std::uint32_t* processId) {
  std::lock_guard<std::recursive_mutex> lock(Mutex());
  WindowRecord* record = Find(window);
  if (processId != nullptr) *processId = record != nullptr ? 1 : 0;
  return record != nullptr ? record->threadId : 0;
}

bool AttachThreadInput(std::uint32_t, std::uint32_t, bool) { return true; }

void BroadcastDisplayChange(int bitsPerPixel, int width, int height) {
  std::vector<WindowHandle> targets;
  {
    std::lock_guard<std::recursive_mutex> lock(Mutex());
    targets.assign(window_system::Windows().begin(), window_system::Windows().end());
  }
  LParam size = static_cast<LParam>((static_cast<std::uint32_t>(width) & 0xFFFF) |
                                    ((static_cast<std::uint32_t>(height) & 0xFFFF) << 16));
  for (WindowHandle window : targets) PostMessage(window, WM_DISPLAYCHANGE, static_cast<WParam>(bitsPerPixel), size);
}

namespace testing {

WindowHandle HostWindowHandle() {
  std::lock_guard<std::recursive_mutex> lock(Mutex());
  return window_system::HostWindow();
}

bool WindowNeedsPaint(WindowHandle window) {
  std::lock_guard<std::recursive_mutex> lock(Mutex());
  WindowRecord* record = Find(window);
  return record != nullptr && record->needsPaint;
}

bool ClientPixels(WindowHandle window, std::vector<std::uint32_t>* pixels) {
  std::lock_guard<std::recursive_mutex> lock(Mutex());
  WindowRecord* record = Find(window);
  if (record == nullptr || pixels == nullptr) return false;
  *pixels = record->clientPixels;
  return true;
}

}  // namespace testing
}  // namespace pf
