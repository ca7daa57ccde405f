#pragma once
// The host the platform layer shows and hears through: a real SDL2 window, or a headless stand-in
// with a memory framebuffer and scripted input. ZELVO_HOST picks it ("sdl", the default when a
// display is present, or "headless"). Window calls and event polling happen on the thread that
// opened the window; Present and the frame readback may come from any thread.
#include <cstdint>
#include <mutex>
#include <string>
#include <vector>

namespace pf::host {

// Key codes are USB HID usage codes (the same numbers as SDL scancodes).
enum class EventKind : int {
  kNone, kKeyDown, kKeyUp, kText, kEditing, kFocus, kClose, kExposed, kMoved, kResized, kMinimized,
  kRestored, kMouseMove, kMouseButton, kMouseWheel, kDropFile, kDropComplete,
  kPad,               // a scripted pad change; applied to the host's virtual pads, never a message
};

struct Event {
  EventKind kind;
  int key;            // key events: scancode; mouse button: 1 left, 2 middle, 3 right
  int modifiers;      // key events: kModShift | kModCtrl | kModAlt
  int value;          // focus 1/0, button down 1/0, wheel steps, editing cursor (characters), key repeat
  int x, y;           // moved, resized, mouse
  char text[256];     // UTF-8: text, editing, dropped file
};
enum : int { kModShift = 1, kModCtrl = 2, kModAlt = 4 };

struct DesktopMode { int width, height, bitsPerPixel; };

// Joypads. A pad is named by a number that stays its own while it is plugged in; its reading has
// axes -32768..32767, a bit per button and hats as SDL's hat bits (1 up, 2 right, 4 down, 8 left).
constexpr int kMaxPadAxes = 8;
constexpr int kMaxPadButtons = 32;
constexpr int kMaxPadHats = 4;
struct PadInfo {
  int id;
  char name[128];     // UTF-8
  char path[128];     // UTF-8; empty when the host knows none
  int axisCount, buttonCount, hatCount;
  bool rumble;
};
struct PadReading {
  std::int16_t axes[kMaxPadAxes];
  std::uint32_t buttons;
  std::uint8_t hats[kMaxPadHats];
};
// Scripted pad changes (Event::kind kPad): Event::key the virtual pad slot, Event::value the change,
// Event::x the axis, button or hat index, Event::y the new value, Event::text the name on plugging.
enum : int { kPadPlug = 1, kPadUnplug, kPadButton, kPadAxis, kPadHat };

class Host {
 public:
  virtual ~Host() = default;
  virtual const char* Name() const = 0;

  // One window per process. False when no window can be opened (no display).
  virtual bool OpenWindow(const char* titleUtf8, int clientWidth, int clientHeight, bool visible) = 0;
  virtual void CloseWindow() = 0;
  virtual bool HasWindow() const = 0;
  virtual void SetTitle(const char* titleUtf8) = 0;
  virtual void SetClientSize(int width, int height) = 0;
  virtual void SetPosition(int x, int y) = 0;
  virtual void Show(bool visible) = 0;
  virtual void Raise() = 0;
  virtual void Minimize() = 0;
  virtual void SetAlwaysOnTop(bool on) = 0;
  virtual void SetFullscreen(bool on) = 0;
  virtual void SetCursorVisible(bool visible) = 0;
  virtual void SetTextInput(bool on) = 0;
  virtual void SetScreenSaver(bool enabled) = 0;
  virtual void ShowMessageBox(const char* captionUtf8, const char* textUtf8) = 0;
  virtual DesktopMode Desktop() const = 0;

  // Events of the host itself; injected events (host_testing.h) come first.
  bool PollEvent(Event* out);

  // Shows a 32-bit (0x00RRGGBB) frame of width x height; pitch in bytes. Thread-safe.
  void Present(const std::uint32_t* pixels, int width, int height, int pitchBytes);
  // The last presented frame (empty when none); returns the number of frames presented so far.
  std::uint64_t ReadLastFrame(std::vector<std::uint32_t>* pixels, int* width, int* height);
  std::uint64_t PresentedFrameCount();

  // Keys held down as seen through the polled events (scancodes 0..511). A key pressed and let go
  // before any read saw it counts as down until a read has seen it and a frame is presented.
  bool IsKeyDown(int scancode) const;
  // The mouse as last seen through the polled events, relative to the client area.
  void MousePosition(int* x, int* y) const;

  // What the host window is: open or not, client size, title. For tests and the frame dump.
  bool WindowInfo(int* width, int* height, std::string* titleUtf8) const;

  // The pads plugged in now: the virtual pads of tests and scripts first, then the host's own.
  // Returns how many were written.
  int ListPads(PadInfo* out, int max);
  // The pad's reading; false once it is unplugged.
  bool ReadPad(int id, PadReading* out);
  // Starts (or with both strengths 0 stops) the pad's rumble, strengths 0..65535, for a time or
  // (negative) until changed; false without one.
  bool RumblePad(int id, int lowStrength, int highStrength, int milliseconds);
  // Called for every keyboard, mouse-button and pad event the host takes in, with the kind of
  // device: 0 keyboard, 1 mouse, 2 pad. One listener; nullptr removes it.
  using InputNotice = void (*)(int device);
  void SetInputNotice(InputNotice notice);
  // Mouse buttons held down as seen through the polled events: bit 0 left, 1 right, 2 middle.
  int MouseButtons() const;
  // Whether the window has the keyboard focus, as last seen through the polled events.
  bool HasFocus() const;
  // System key combinations (Alt+Tab, the Windows key, ...) kept inside the window while on.
  void SetKeyboardGrab(bool on);
  bool KeyboardGrabbed() const;
  // Every key let go before a read saw it is up at once (host_testing.h).
  void ForgetTappedKeys();

 protected:
  // Kept up to date by each host's window calls.
  bool windowOpen_ = false;
  int clientWidth_ = 0;
  int clientHeight_ = 0;
  std::string title_;

  virtual bool PollHostEvent(Event* out) = 0;
  virtual void ShowFrame(const std::uint32_t* pixels, int width, int height) = 0;
  // The host's own pads (none by default). Ids from 1000 on, so they never meet a virtual pad's.
  virtual int ListHostPads(PadInfo*, int) { return 0; }
  virtual bool ReadHostPad(int, PadReading*) { return false; }
  virtual bool RumbleHostPad(int, int, int, int) { return false; }
  // The host's own grab of system keys (none by default).
  virtual void ApplyKeyboardGrab(bool) {}

 private:
  mutable std::mutex frameMutex_;
  std::vector<std::uint32_t> lastFrame_;
  int lastWidth_ = 0;
  int lastHeight_ = 0;
  std::uint64_t framesPresented_ = 0;
  // How long a tapped key stays down at most when no frame is presented after it.
  static constexpr std::uint64_t kTapHoldNs = 250000000;
  void NoteKey(int scancode, bool down);
  void ReleaseTappedKeys();
  mutable std::mutex keyMutex_;
  bool keyDown_[512] = {};
  mutable bool unseenDown_[512] = {};   // down, and no read has seen it yet
  bool tapHeld_[512] = {};              // let go unseen: still reported down
  mutable bool tapSeen_[512] = {};      // a held tap a read has seen
  std::uint64_t heldUntilNs_[512] = {};   // on the monotonic clock
  int mouseX_ = 0;
  int mouseY_ = 0;
  int mouseButtons_ = 0;
  bool focused_ = true;
  bool keyboardGrab_ = false;
  InputNotice inputNotice_ = nullptr;
};

// The process's host, chosen at the first call; nullptr when the chosen host cannot work at all.
Host* CurrentHost();

}  // namespace pf::host
