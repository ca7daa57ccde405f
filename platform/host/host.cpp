// The parts every host shares: injected events first, the key and mouse-button state seen through
// the events, the virtual pads of tests and scripts, the last presented frame and its optional dump
// as PNG, and the choice of host.
#include "platform/host/host.h"

#include "platform/host/frame_dump.h"
#include "platform/host/host_testing.h"
#include "platform/host/hosts.h"

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <deque>
#include <ctime>
#include <memory>

namespace pf::host {
namespace {

std::atomic<pf::testing::PresentedFrameWatcher> g_frameWatcher{nullptr};

std::mutex injectedMutex;
std::deque<Event> injectedEvents;

bool TakeInjected(Event* out) {
  std::lock_guard<std::mutex> lock(injectedMutex);
  if (injectedEvents.empty()) return false;
  *out = injectedEvents.front();
  injectedEvents.pop_front();
  return true;
}

void Inject(const Event& event) {
  std::lock_guard<std::mutex> lock(injectedMutex);
  injectedEvents.push_back(event);
}

Event MakeEvent(EventKind kind) {
  Event event{};
  event.kind = kind;
  return event;
}

void CopyText(char (&dst)[256], const char* src) {
  std::snprintf(dst, sizeof dst, "%s", src != nullptr ? src : "");
}

// Pads that tests and input scripts plug in; on every host, listed before the host's own.
constexpr int kVirtualPadSlots = 16;
struct VirtualPad {
  bool plugged;
  PadInfo info;
  PadReading reading;
  int rumbleLow, rumbleHigh, rumbleMilliseconds;
};
std::mutex virtualPadMutex;
VirtualPad virtualPads[kVirtualPadSlots];

VirtualPad* VirtualPadAt(int slot) { return slot >= 0 && slot < kVirtualPadSlots ? &virtualPads[slot] : nullptr; }

void PlugVirtualPad(int slot, const char* name, int axes, int buttons, int hats, bool rumble) {
  std::lock_guard<std::mutex> lock(virtualPadMutex);
  VirtualPad* pad = VirtualPadAt(slot);
  if (pad == nullptr) return;
  *pad = VirtualPad{};
  pad->plugged = true;
  pad->info.id = slot;
  std::snprintf(pad->info.name, sizeof pad->info.name, "%s", name != nullptr && *name != '\0' ? name : "Virtual Pad");
  std::snprintf(pad->info.path, sizeof pad->info.path, "virtual/%d", slot);
  pad->info.axisCount = std::clamp(axes, 0, kMaxPadAxes);
  pad->info.buttonCount = std::clamp(buttons, 0, kMaxPadButtons);
  pad->info.hatCount = std::clamp(hats, 0, kMaxPadHats);
  pad->info.rumble = rumble;
}

// One scripted change: plug, unplug, a button, an axis or a hat.
void ApplyPadEvent(const Event& event) {
  if (event.value == kPadPlug) {
    PlugVirtualPad(event.key, event.text, kMaxPadAxes, kMaxPadButtons, kMaxPadHats, true);
    return;
  }
  std::lock_guard<std::mutex> lock(virtualPadMutex);
  VirtualPad* pad = VirtualPadAt(event.key);
  if (pad == nullptr || !pad->plugged) return;
  switch (event.value) {
    case kPadUnplug: pad->plugged = false; break;
    case kPadButton:
      if (event.x >= 0 && event.x < kMaxPadButtons) {
        const std::uint32_t bit = 1u << event.x;
        pad->reading.buttons = event.y != 0 ? (pad->reading.buttons | bit) : (pad->reading.buttons & ~bit);
      }
      break;
    case kPadAxis:
      if (event.x >= 0 && event.x < kMaxPadAxes) {
        pad->reading.axes[event.x] = static_cast<std::int16_t>(std::clamp(event.y, -32768, 32767));
      }
      break;
    case kPadHat:
      if (event.x >= 0 && event.x < kMaxPadHats) pad->reading.hats[event.x] = static_cast<std::uint8_t>(event.y & 15);
      break;
    default: break;
  }
}

std::uint64_t MonotonicNs() {
  timespec now{};
  clock_gettime(CLOCK_MONOTONIC, &now);
  return static_cast<std::uint64_t>(now.tv_sec) * 1000000000u + static_cast<std::uint64_t>(now.tv_nsec);
}

bool DisplayPresent() {
  const char* x11 = std::getenv("DISPLAY");
  const char* wayland = std::getenv("WAYLAND_DISPLAY");
  return (x11 != nullptr && *x11 != '\0') || (wayland != nullptr && *wayland != '\0');
}

// Without a display the window cannot be shown; running on unseen would leave the user with a
// program that never ends, so headless must be asked for.
std::unique_ptr<Host> ChooseHost() {
  const char* chosen = std::getenv("ZELVO_HOST");
  if (chosen == nullptr || *chosen == '\0') {
    if (!DisplayPresent()) {
      std::fprintf(stderr,
                   "%s: no display to open the window on (DISPLAY and WAYLAND_DISPLAY are not set); "
                   "set ZELVO_HOST=headless to run without one\n",
                   program_invocation_short_name);
      return nullptr;
    }
    return MakeSdlHost();
  }
  return std::strcmp(chosen, "headless") == 0 ? MakeHeadlessHost() : MakeSdlHost();
}

}  // namespace

bool Host::PollEvent(Event* out) {
  for (;;) {
    if (!TakeInjected(out) && !PollHostEvent(out)) return false;
    if (out->kind != EventKind::kPad) break;
    ApplyPadEvent(*out);
    if (inputNotice_ != nullptr) inputNotice_(2);
  }
  if ((out->kind == EventKind::kKeyDown || out->kind == EventKind::kKeyUp) && out->key >= 0 && out->key < 512) {
    NoteKey(out->key, out->kind == EventKind::kKeyDown);
    if (inputNotice_ != nullptr) inputNotice_(0);
  }
  if (out->kind == EventKind::kMouseMove || out->kind == EventKind::kMouseButton) {
    mouseX_ = out->x;
    mouseY_ = out->y;
  }
  if (out->kind == EventKind::kMouseButton) {
    static const int kBits[] = {0, 1, 4, 2};   // left, middle, right as bits 0, 2, 1
    const int bit = out->key >= 1 && out->key <= 3 ? kBits[out->key] : 0;
    mouseButtons_ = out->value != 0 ? (mouseButtons_ | bit) : (mouseButtons_ & ~bit);
    if (inputNotice_ != nullptr) inputNotice_(1);
  }
  if (out->kind == EventKind::kFocus) focused_ = out->value != 0;
  if (out->kind == EventKind::kFocus && out->value == 0) {
    // Keys and buttons released while away are never reported.
    std::lock_guard<std::mutex> lock(keyMutex_);
    std::memset(keyDown_, 0, sizeof keyDown_);
    std::memset(unseenDown_, 0, sizeof unseenDown_);
    std::memset(tapHeld_, 0, sizeof tapHeld_);
    mouseButtons_ = 0;
  }
  return true;
}

int Host::ListPads(PadInfo* out, int max) {
  int count = 0;
  {
    std::lock_guard<std::mutex> lock(virtualPadMutex);
    for (const VirtualPad& pad : virtualPads) {
      if (pad.plugged && count < max) out[count++] = pad.info;
    }
  }
  return count + ListHostPads(out + count, max - count);
}

bool Host::ReadPad(int id, PadReading* out) {
  {
    std::lock_guard<std::mutex> lock(virtualPadMutex);
    if (const VirtualPad* pad = VirtualPadAt(id)) {
      if (!pad->plugged) return false;
      *out = pad->reading;
      return true;
    }
  }
  return ReadHostPad(id, out);
}

bool Host::RumblePad(int id, int lowStrength, int highStrength, int milliseconds) {
  {
    std::lock_guard<std::mutex> lock(virtualPadMutex);
    if (VirtualPad* pad = VirtualPadAt(id)) {
      if (!pad->plugged || !pad->info.rumble) return false;
      pad->rumbleLow = lowStrength;
      pad->rumbleHigh = highStrength;
      pad->rumbleMilliseconds = milliseconds;
      return true;
    }
  }
  return RumbleHostPad(id, lowStrength, highStrength, milliseconds);
}

void Host::SetInputNotice(InputNotice notice) { inputNotice_ = notice; }

int Host::MouseButtons() const { return mouseButtons_; }

bool Host::HasFocus() const { return focused_; }

void Host::SetKeyboardGrab(bool on) {
  keyboardGrab_ = on;
  ApplyKeyboardGrab(on);
}

bool Host::KeyboardGrabbed() const { return keyboardGrab_; }

void Host::Present(const std::uint32_t* pixels, int width, int height, int pitchBytes) {
  if (pixels == nullptr || width <= 0 || height <= 0) return;
  std::uint64_t number;
  {
    std::lock_guard<std::mutex> lock(frameMutex_);
    lastFrame_.resize(static_cast<std::size_t>(width) * height);
    for (int y = 0; y < height; ++y) {
      const auto* row = reinterpret_cast<const std::uint32_t*>(reinterpret_cast<const unsigned char*>(pixels) +
                                                               static_cast<std::ptrdiff_t>(y) * pitchBytes);
      std::memcpy(&lastFrame_[static_cast<std::size_t>(y) * width], row, static_cast<std::size_t>(width) * 4);
    }
    lastWidth_ = width;
    lastHeight_ = height;
    number = ++framesPresented_;
    ReleaseTappedKeys();
    DumpFrameIfAsked(number, lastFrame_.data(), width, height);
    if (const pf::testing::PresentedFrameWatcher watcher = g_frameWatcher.load()) {
      watcher(number, lastFrame_.data(), width, height);
    }
    ShowFrame(lastFrame_.data(), width, height);
  }
}

std::uint64_t Host::ReadLastFrame(std::vector<std::uint32_t>* pixels, int* width, int* height) {
  std::lock_guard<std::mutex> lock(frameMutex_);
  if (pixels != nullptr) *pixels = lastFrame_;
  if (width != nullptr) *width = lastWidth_;
  if (height != nullptr) *height = lastHeight_;
  return framesPresented_;
}

std::uint64_t Host::PresentedFrameCount() {
  std::lock_guard<std::mutex> lock(frameMutex_);
  return framesPresented_;
}

bool Host::IsKeyDown(int scancode) const {
  if (scancode < 0 || scancode >= 512) return false;
  std::lock_guard<std::mutex> lock(keyMutex_);
  if (keyDown_[scancode]) {
    unseenDown_[scancode] = false;
    return true;
  }
  if (tapHeld_[scancode] && MonotonicNs() < heldUntilNs_[scancode]) {
    tapSeen_[scancode] = true;
    return true;
  }
  return false;
}

// A key let go before any read saw it down (pressed and released between two frames) stays down
// until a read has seen it and the next frame is presented, so the tap counts for one frame. A
// program that presents no frames sees it for a short while instead.
void Host::NoteKey(int scancode, bool down) {
  std::lock_guard<std::mutex> lock(keyMutex_);
  keyDown_[scancode] = down;
  if (down) {
    unseenDown_[scancode] = true;
    tapHeld_[scancode] = false;
  } else if (unseenDown_[scancode]) {
    unseenDown_[scancode] = false;
    tapHeld_[scancode] = true;
    tapSeen_[scancode] = false;
    heldUntilNs_[scancode] = MonotonicNs() + kTapHoldNs;
  }
}

void Host::ForgetTappedKeys() {
  std::lock_guard<std::mutex> lock(keyMutex_);
  std::memset(tapHeld_, 0, sizeof tapHeld_);
}

void Host::ReleaseTappedKeys() {
  std::lock_guard<std::mutex> lock(keyMutex_);
  for (int scancode = 0; scancode < 512; ++scancode) {
    if (tapSeen_[scancode]) tapHeld_[scancode] = false;
  }
}

void Host::MousePosition(int* x, int* y) const {
  if (x != nullptr) *x = mouseX_;
  if (y != nullptr) *y = mouseY_;
}

bool Host::WindowInfo(int* width, int* height, std::string* titleUtf8) const {
  if (width != nullptr) *width = clientWidth_;
  if (height != nullptr) *height = clientHeight_;
  if (titleUtf8 != nullptr) *titleUtf8 = title_;
  return windowOpen_;
}

Host* CurrentHost() {
  static std::unique_ptr<Host> host = ChooseHost();
  return host.get();
}

}  // namespace pf::host

namespace pf::testing {

using host::Event;
using host::EventKind;

void InjectKey(int scancode, bool down, int modifiers) {
  Event event = host::MakeEvent(down ? EventKind::kKeyDown : EventKind::kKeyUp);
  event.key = scancode;
  event.modifiers = modifiers;
  host::Inject(event);
}

void InjectText(const char* utf8) {
  Event event = host::MakeEvent(EventKind::kText);
  host::CopyText(event.text, utf8);
  host::Inject(event);
}

void InjectComposition(const char* utf8, int cursor) {
  Event event = host::MakeEvent(EventKind::kEditing);
  host::CopyText(event.text, utf8);
  event.value = cursor;
  host::Inject(event);
}

void InjectFocus(bool focused) {
  Event event = host::MakeEvent(EventKind::kFocus);
  event.value = focused ? 1 : 0;
  host::Inject(event);
}

void InjectClose() { host::Inject(host::MakeEvent(EventKind::kClose)); }

void InjectMouseWheel(int steps) {
  Event event = host::MakeEvent(EventKind::kMouseWheel);
  event.value = steps;
  host::Inject(event);
}

void InjectMouseMove(int x, int y) {
  Event event = host::MakeEvent(EventKind::kMouseMove);
  event.x = x;
  event.y = y;
  host::Inject(event);
}

void InjectMouseButton(int button, bool down) {
  Event event = host::MakeEvent(EventKind::kMouseButton);
  event.key = button;
  event.value = down ? 1 : 0;
  host::Inject(event);
}

void InjectDropFile(const char* utf8Path) {
  Event event = host::MakeEvent(EventKind::kDropFile);
  host::CopyText(event.text, utf8Path);
  host::Inject(event);
  host::Inject(host::MakeEvent(EventKind::kDropComplete));
}

void InjectExposed() { host::Inject(host::MakeEvent(EventKind::kExposed)); }

void ForgetTappedKeys() {
  if (host::Host* current = host::CurrentHost()) current->ForgetTappedKeys();
}

void PlugPad(int slot, const char* name, int axes, int buttons, int hats, bool rumble) {
  host::PlugVirtualPad(slot, name, axes, buttons, hats, rumble);
}

namespace {
void ChangePad(int slot, int change, int index, int value) {
  Event event = host::MakeEvent(EventKind::kPad);
  event.key = slot;
  event.value = change;
  event.x = index;
  event.y = value;
  host::ApplyPadEvent(event);
}
}  // namespace

void UnplugPad(int slot) { ChangePad(slot, host::kPadUnplug, 0, 0); }
void SetPadButton(int slot, int button, bool down) { ChangePad(slot, host::kPadButton, button, down ? 1 : 0); }
void SetPadAxis(int slot, int axis, int value) { ChangePad(slot, host::kPadAxis, axis, value); }
void SetPadHat(int slot, int hat, int bits) { ChangePad(slot, host::kPadHat, hat, bits); }

bool PadRumble(int slot, int* lowStrength, int* highStrength, int* milliseconds) {
  std::lock_guard<std::mutex> lock(host::virtualPadMutex);
  const host::VirtualPad* pad = host::VirtualPadAt(slot);
  if (pad == nullptr || !pad->plugged) return false;
  if (lowStrength != nullptr) *lowStrength = pad->rumbleLow;
  if (highStrength != nullptr) *highStrength = pad->rumbleHigh;
  if (milliseconds != nullptr) *milliseconds = pad->rumbleMilliseconds;
  return true;
}

void WatchPresentedFrames(PresentedFrameWatcher watcher) { host::g_frameWatcher.store(watcher); }

std::uint64_t LastPresentedFrame(std::vector<std::uint32_t>* pixels, int* width, int* height) {
  host::Host* current = host::CurrentHost();
  return current != nullptr ? current->ReadLastFrame(pixels, width, height) : 0;
}

bool HostWindowState(int* width, int* height, std::string* titleUtf8) {
  host::Host* current = host::CurrentHost();
  return current != nullptr && current->WindowInfo(width, height, titleUtf8);
}

bool HostKeyboardGrabbed() {
  host::Host* current = host::CurrentHost();
  return current != nullptr && current->KeyboardGrabbed();
}

}  // namespace pf::testing
