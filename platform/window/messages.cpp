// The message queue of each thread: post, send, peek (with WM_QUIT, WM_PAINT and WM_TIMER made up
// when the queue holds nothing else), translate, dispatch and the default procedure; and the host's
// events turned into the messages of the host window.
#include "platform/host/host.h"
#include "platform/kernel/kernel.h"
#include "platform/window/window_internal.h"
#include "platform/window/window_testing.h"

#include <algorithm>
#include <atomic>
#include <map>
#include <mutex>

namespace pf {
namespace {

bool InRange(std::uint32_t message, std::uint32_t first, std::uint32_t last) {
  return (first == 0 && last == 0) || (message >= first && message <= last);
}

bool Matches(const Message& message, WindowHandle filter, std::uint32_t first, std::uint32_t last) {
  bool window = filter == nullptr || (filter == kThreadMessagesOnly ? message.window == nullptr : message.window == filter);
  return window && InRange(message.message, first, last);
}

bool WindowFilterAllows(WindowHandle window, WindowHandle filter) {
  return filter == nullptr || filter == window;
}

LParam PackPoint(int x, int y) {
  return static_cast<LParam>((static_cast<std::uint32_t>(x) & 0xFFFF) | ((static_cast<std::uint32_t>(y) & 0xFFFF) << 16));
}

// Host scancodes (USB HID usage numbers) to virtual keys.
std::uint32_t VirtualKeyOf(int scancode) {
  if (scancode >= 4 && scancode <= 29) return 'A' + static_cast<std::uint32_t>(scancode - 4);
  if (scancode >= 30 && scancode <= 38) return '1' + static_cast<std::uint32_t>(scancode - 30);
  if (scancode == 39) return '0';
  if (scancode >= 58 && scancode <= 69) return VK_F1 + static_cast<std::uint32_t>(scancode - 58);
  struct Pair { int scancode; std::uint32_t key; };
  static const Pair kKeys[] = {
      {40, VK_RETURN}, {41, VK_ESCAPE}, {42, VK_BACK}, {43, VK_TAB}, {44, VK_SPACE}, {73, VK_INSERT},
      {74, VK_HOME}, {75, VK_PRIOR}, {76, VK_DELETE}, {77, VK_END}, {78, VK_NEXT}, {79, VK_RIGHT},
      {80, VK_LEFT}, {81, VK_DOWN}, {82, VK_UP}, {88, VK_RETURN}, {224, VK_CONTROL}, {225, VK_SHIFT},
      {226, VK_MENU}, {228, VK_CONTROL}, {229, VK_SHIFT}, {230, VK_MENU},
  };
  for (const Pair& pair : kKeys) {
    if (pair.scancode == scancode) return pair.key;
  }
  return 0;
}

void PostKey(WindowHandle window, const host::Event& event) {
  std::uint32_t key = VirtualKeyOf(event.key);
  if (key == 0) return;
  bool down = event.kind == host::EventKind::kKeyDown;
  bool system = (event.modifiers & host::kModAlt) != 0 || key == VK_F10;
  std::uint32_t message = system ? (down ? WM_SYSKEYDOWN : WM_SYSKEYUP) : (down ? WM_KEYDOWN : WM_KEYUP);
  std::uint32_t lParam = 1u | ((static_cast<std::uint32_t>(event.key) & 0x1FF) << 16);
  if (system) lParam |= 1u << 29;
  if (down && event.value != 0) lParam |= 1u << 30;
  if (!down) lParam |= 0xC0000000u;
  PostMessage(window, message, key, static_cast<LParam>(static_cast<std::int32_t>(lParam)));
}

void PostCharacters(WindowHandle window, const std::string& cp932) {
  for (unsigned char byte : cp932) PostMessage(window, WM_CHAR, byte, 1);
}

void FollowHostMove(WindowHandle window, int x, int y) {
  {
    std::lock_guard<std::recursive_mutex> lock(window_system::Mutex());
    WindowRecord* record = window_system::Find(window);
    if (record == nullptr) return;
    Rect client = window_system::ClientScreenRect(*record);
    int dx = x - client.left, dy = y - client.top;
    if (dx == 0 && dy == 0) return;
    Rect& r = record->windowRect;
    r = Rect{r.left + dx, r.top + dy, r.right + dx, r.bottom + dy};
  }
  PostMessage(window, WM_MOVE, 0, PackPoint(x, y));
}

void FollowHostSize(WindowHandle window, std::uint32_t kind, int width, int height) {
  {
    std::lock_guard<std::recursive_mutex> lock(window_system::Mutex());
    WindowRecord* record = window_system::Find(window);
    if (record == nullptr) return;
    record->iconic = kind == SIZE_MINIMIZED;
    Rect client = window_system::ClientScreenRect(*record);
    if (kind != SIZE_MINIMIZED) {
      if (width <= 0) width = client.right - client.left;
      if (height <= 0) height = client.bottom - client.top;
      record->windowRect.right += width - (client.right - client.left);
      record->windowRect.bottom += height - (client.bottom - client.top);
    }
  }
  PostMessage(window, WM_SIZE, kind, PackPoint(width, height));
}

void TranslateHostEvent(WindowHandle window, const host::Event& event) {
  using host::EventKind;
  switch (event.kind) {
    case EventKind::kKeyDown:
    case EventKind::kKeyUp: PostKey(window, event); break;
    case EventKind::kText: {
      std::string text = Utf8ToCp932(event.text);
      if (!window_system::DeliverImeText(window, text, true)) PostCharacters(window, text);
      break;
    }
    case EventKind::kEditing: window_system::DeliverImeEditing(window, Utf8ToCp932(event.text), event.value); break;
    case EventKind::kFocus: {
      bool active = event.value != 0;
      if (active) SetActiveWindow(window);
      WParam thread = GetCurrentThreadId();
      if (active) {
        PostMessage(window, WM_ACTIVATEAPP, 1, static_cast<LParam>(thread));
        PostMessage(window, WM_ACTIVATE, WA_ACTIVE | (IsIconic(window) ? 0x10000u : 0u), 0);
      } else {
        PostMessage(window, WM_ACTIVATE, WA_INACTIVE | (IsIconic(window) ? 0x10000u : 0u), 0);
        PostMessage(window, WM_ACTIVATEAPP, 0, static_cast<LParam>(thread));
      }
      break;
    }
    case EventKind::kClose: PostMessage(window, WM_CLOSE, 0, 0); break;
    case EventKind::kExposed: InvalidateRect(window, nullptr, false); break;
    case EventKind::kMoved: FollowHostMove(window, event.x, event.y); break;
    case EventKind::kResized: FollowHostSize(window, SIZE_RESTORED, event.x, event.y); break;
    case EventKind::kMinimized: FollowHostSize(window, SIZE_MINIMIZED, 0, 0); break;
    case EventKind::kRestored: FollowHostSize(window, SIZE_RESTORED, 0, 0); break;
    case EventKind::kMouseMove: PostMessage(window, WM_MOUSEMOVE, 0, PackPoint(event.x, event.y)); break;
    case EventKind::kMouseButton: {
      static const std::uint32_t kDown[] = {0, WM_LBUTTONDOWN, WM_MBUTTONDOWN, WM_RBUTTONDOWN};
      if (event.key >= 1 && event.key <= 3) {
        std::uint32_t message = kDown[event.key] + (event.value != 0 ? 0 : 1);
        PostMessage(window, message, 0, PackPoint(event.x, event.y));
      }
      break;
    }
    case EventKind::kMouseWheel: {
      auto delta = static_cast<std::uint16_t>(static_cast<std::int16_t>(event.value * 120));
      PostMessage(window, WM_MOUSEWHEEL, static_cast<WParam>(delta) << 16, 0);
      break;
    }
    case EventKind::kDropFile: window_system::AddDroppedFile(HostPathToWindows(event.text)); break;
    case EventKind::kDropComplete: window_system::CompleteDrop(window); break;
    case EventKind::kPad:
    case EventKind::kNone: break;
  }
}

}  // namespace

namespace window_system {

namespace {
constexpr int kMaxMessageSources = 8;
struct MessageSourceList {
  std::mutex mutex;
  MessageSource sources[kMaxMessageSources] = {};
  std::atomic<int> count{0};
};
MessageSourceList& MessageSources() {
  static MessageSourceList list;
  return list;
}
}  // namespace

MessageQueue& QueueOf(std::uint32_t threadId) {
  static std::map<std::uint32_t, MessageQueue> queues;
  return queues[threadId];
}

void PumpHostEvents() {
  host::Host* current = host::CurrentHost();
  WindowHandle window;
  {
    std::lock_guard<std::recursive_mutex> lock(Mutex());
    window = HostWindow();
    if (current == nullptr || window == nullptr || window->threadId != GetCurrentThreadId()) return;
  }
  host::Event event;
  while (IsWindow(window) && current->PollEvent(&event)) TranslateHostEvent(window, event);
}

void RunMessageSources(std::uint32_t threadId) {
  MessageSourceList& list = MessageSources();
  if (list.count.load(std::memory_order_acquire) == 0) return;
  MessageSource sources[kMaxMessageSources];
  int n;
  {
    std::lock_guard<std::mutex> lock(list.mutex);
    n = list.count.load(std::memory_order_relaxed);
    std::copy(list.sources, list.sources + n, sources);
  }
  for (int i = 0; i < n; ++i) sources[i](threadId);
}

}  // namespace window_system

void AddMessageSource(MessageSource source) {
  auto& list = window_system::MessageSources();
  std::lock_guard<std::mutex> lock(list.mutex);
  const int n = list.count.load(std::memory_order_relaxed);
  if (source == nullptr || n == window_system::kMaxMessageSources) return;
  for (int i = 0; i < n; ++i) {
    if (list.sources[i] == source) return;
  }
  list.sources[n] = source;
  list.count.store(n + 1, std::memory_order_release);
}

bool PostMessage(WindowHandle window, std::uint32_t message, WParam wParam, LParam lParam) {
  std::lock_guard<std::recursive_mutex> lock(window_system::Mutex());
  WindowRecord* record = window_system::Find(window);
  if (record == nullptr) return false;
  window_system::QueueOf(record->threadId).posted.push_back(Message{window, message, wParam, lParam, 0});
  return true;
}

bool PostThreadMessage(std::uint32_t threadId, std::uint32_t message, WParam wParam, LParam lParam) {
  std::lock_guard<std::recursive_mutex> lock(window_system::Mutex());
  window_system::QueueOf(threadId).posted.push_back(Message{nullptr, message, wParam, lParam, 0});
  return true;
}

void PostQuitMessage(int exitCode) {
  std::lock_guard<std::recursive_mutex> lock(window_system::Mutex());
  MessageQueue& queue = window_system::QueueOf(GetCurrentThreadId());
  queue.quitPosted = true;
  queue.quitCode = exitCode;
}

LResult SendMessage(WindowHandle window, std::uint32_t message, WParam wParam, LParam lParam) {
  WindowProc procedure;
  {
    std::lock_guard<std::recursive_mutex> lock(window_system::Mutex());
    WindowRecord* record = window_system::Find(window);
    if (record == nullptr) return 0;
    procedure = record->procedure;
  }
  return procedure(window, message, wParam, lParam);
}

bool PeekMessage(Message* out, WindowHandle filter, std::uint32_t first, std::uint32_t last, std::uint32_t remove) {
  if (out == nullptr) return false;
  std::uint32_t thread = GetCurrentThreadId();
  window_system::PumpHostEvents();
  window_system::RunMessageSources(thread);
  std::lock_guard<std::recursive_mutex> lock(window_system::Mutex());
  MessageQueue& queue = window_system::QueueOf(thread);
  for (auto it = queue.posted.begin(); it != queue.posted.end(); ++it) {
    if (!Matches(*it, filter, first, last)) continue;
    *out = *it;
    if (remove & PM_REMOVE) queue.posted.erase(it);
    return true;
  }
  if (queue.quitPosted && (filter == nullptr || filter == kThreadMessagesOnly) && InRange(WM_QUIT, first, last)) {
    *out = Message{nullptr, WM_QUIT, static_cast<WParam>(queue.quitCode), 0, 0};
    if (remove & PM_REMOVE) queue.quitPosted = false;
    return true;
  }
  if (filter == kThreadMessagesOnly) return false;
  for (WindowRecord* record : window_system::Windows()) {
    if (record->threadId != thread || !WindowFilterAllows(record, filter)) continue;
    if (record->needsPaint && record->visible && InRange(WM_PAINT, first, last)) {
      *out = Message{record, WM_PAINT, 0, 0, 0};
      return true;
    }
  }
  for (WindowRecord* record : window_system::Windows()) {
    if (record->threadId != thread || !WindowFilterAllows(record, filter) || record->timers.empty() ||
        !InRange(WM_TIMER, first, last)) {
      continue;
    }
    std::uint32_t now = timeGetTime();
    for (TimerRecord& timer : record->timers) {
      if (static_cast<std::int32_t>(now - timer.due) < 0) continue;
      *out = Message{record, WM_TIMER, timer.id, 0, now};
      if (remove & PM_REMOVE) timer.due = now + timer.period;
      return true;
    }
  }
  return false;
}

bool TranslateMessage(const Message* message) {
  if (message == nullptr || (message->message != WM_KEYDOWN && message->message != WM_SYSKEYDOWN)) return false;
  std::uint32_t key = static_cast<std::uint32_t>(message->wParam);
  if (key != VK_BACK && key != VK_TAB && key != VK_RETURN && key != VK_ESCAPE) return false;
  std::uint32_t character = message->message == WM_SYSKEYDOWN ? WM_SYSCHAR : WM_CHAR;
  // The character is the next message the thread reads, ahead of what was posted meanwhile.
  std::lock_guard<std::recursive_mutex> lock(window_system::Mutex());
  WindowRecord* record = window_system::Find(message->window);
  if (record == nullptr) return false;
  window_system::QueueOf(record->threadId).posted.push_front(
      Message{message->window, character, key, message->lParam, 0});
  return true;
}

LResult DispatchMessage(const Message* message) {
  if (message == nullptr || message->window == nullptr) return 0;
  return SendMessage(message->window, message->message, message->wParam, message->lParam);
}

LResult DefWindowProc(WindowHandle window, std::uint32_t message, WParam wParam, LParam) {
  constexpr std::uint32_t kScClose = 0xF060;
  switch (message) {
    case WM_CLOSE: DestroyWindow(window); return 0;
    case WM_PAINT: ValidateRect(window, nullptr); return 0;
    case WM_SYSCOMMAND:
      if ((wParam & 0xFFF0) == kScClose) PostMessage(window, WM_CLOSE, 0, 0);
      return 0;
    default: return 0;
  }
}

std::uintptr_t SetTimer(WindowHandle window, std::uintptr_t id, std::uint32_t milliseconds) {
  std::uint32_t now = timeGetTime();
  std::lock_guard<std::recursive_mutex> lock(window_system::Mutex());
  WindowRecord* record = window_system::Find(window);
  if (record == nullptr || id == 0) return 0;
  for (TimerRecord& timer : record->timers) {
    if (timer.id == id) {
      timer = TimerRecord{id, milliseconds, now + milliseconds};
      return id;
    }
  }
  record->timers.push_back(TimerRecord{id, milliseconds, now + milliseconds});
  return id;
}

bool KillTimer(WindowHandle window, std::uintptr_t id) {
  std::lock_guard<std::recursive_mutex> lock(window_system::Mutex());
  WindowRecord* record = window_system::Find(window);
  if (record == nullptr) return false;
  auto& timers = record->timers;
  auto it = std::find_if(timers.begin(), timers.end(), [&](const TimerRecord& t) { return t.id == id; });
  if (it == timers.end()) return false;
  timers.erase(it);
  return true;
}

namespace testing {

int QueuedMessageCount(std::uint32_t threadId) {
  std::lock_guard<std::recursive_mutex> lock(window_system::Mutex());
  return static_cast<int>(window_system::QueueOf(threadId).posted.size());
}

}  // namespace testing
}  // namespace pf
