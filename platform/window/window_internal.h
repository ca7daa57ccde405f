#pragma once
// What the window system's files share: the window records, the registry that validates handles,
// and the per-thread queues.
#include <cstdint>
#include <deque>
#include <mutex>
#include <string>
#include <vector>

#include "platform/window/display_link.h"
#include "platform/window/window.h"

namespace pf {

struct TimerRecord {
  std::uintptr_t id;
  std::uint32_t period;
  std::uint32_t due;
};

struct WindowRecord {
  std::string className;
  WindowProc procedure;
  std::uint32_t style;
  std::uint32_t exStyle;
  Rect windowRect;             // screen coordinates
  std::string title;
  std::uint32_t threadId;
  bool visible;
  bool iconic;
  bool needsPaint;
  Rect paintRect;              // client coordinates
  bool imeEnabled;
  bool imeOpen;
  bool hostWindow;             // shown through the host
  MenuHandle menu;
  bool shaped;
  std::vector<Rect> regionRects;
  std::vector<TimerRecord> timers;
  std::vector<std::uint32_t> clientPixels;   // what GDI fills drew, presented through the host
};

// One per thread that created a window or was posted to.
struct MessageQueue {
  std::deque<Message> posted;
  bool quitPosted = false;
  int quitCode = 0;
};

namespace window_system {

// Guards the registry, every window record and every queue.
std::recursive_mutex& Mutex();
// The record behind a handle, or nullptr when the handle names no live window. Call with Mutex held.
WindowRecord* Find(WindowHandle window);
MessageQueue& QueueOf(std::uint32_t threadId);
std::vector<WindowRecord*>& Windows();
// The window shown through the host, or nullptr.
WindowRecord* HostWindow();
// Client rectangle in screen coordinates, from the window rectangle and the styles.
Rect ClientScreenRect(const WindowRecord& record);
// Moves and sizes a window (window rectangle, screen coordinates), sending WM_MOVE and WM_SIZE
// for what changed and following on the host. `previousClient` is the client rectangle to compare
// with when the caller already changed what it depends on. Call without Mutex held.
void PlaceWindow(WindowHandle window, const Rect& newRect, bool redraw, const Rect* previousClient = nullptr);
// Translates the host's pending events into messages (IME messages are sent at once).
void PumpHostEvents();
// Drops what the windows' IME and drop records hold for a window that goes away.
void ForgetInputState(WindowHandle window);
// Removes the message hooks that a window going away still holds.
void ForgetHooks(WindowHandle window);
// Sends the IME messages for one host text or editing event to the window; false when the editor is
// off for it (the text then becomes WM_CHAR).
bool DeliverImeText(WindowHandle window, const std::string& cp932, bool result);
bool DeliverImeEditing(WindowHandle window, const std::string& cp932, int cursorChars);
// Collects one dropped file; the drop is posted as WM_DROPFILES when the host says it is complete.
void AddDroppedFile(const std::string& cp932);
void CompleteDrop(WindowHandle window);

}  // namespace window_system
}  // namespace pf
