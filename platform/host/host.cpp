// The parts every host shares: injected events first, the key state seen through the events, the
// last presented frame and its optional dump as PNG, and the choice of host.
#include "platform/host/host.h"

#include "platform/host/frame_dump.h"
#include "platform/host/host_testing.h"
#include "platform/host/hosts.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <deque>
#include <memory>

namespace pf::host {
namespace {

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

bool DisplayPresent() {
  const char* x11 = std::getenv("DISPLAY");
  const char* wayland = std::getenv("WAYLAND_DISPLAY");
  return (x11 != nullptr && *x11 != '\0') || (wayland != nullptr && *wayland != '\0');
}

std::unique_ptr<Host> ChooseHost() {
  const char* chosen = std::getenv("ZELVO_HOST");
  bool headless = chosen != nullptr ? std::strcmp(chosen, "headless") == 0 : !DisplayPresent();
  return headless ? MakeHeadlessHost() : MakeSdlHost();
}

}  // namespace

bool Host::PollEvent(Event* out) {
  if (!TakeInjected(out) && !PollHostEvent(out)) return false;
  if ((out->kind == EventKind::kKeyDown || out->kind == EventKind::kKeyUp) && out->key >= 0 && out->key < 512) {
    keyDown_[out->key] = out->kind == EventKind::kKeyDown;
  }
  if (out->kind == EventKind::kMouseMove || out->kind == EventKind::kMouseButton) {
    mouseX_ = out->x;
    mouseY_ = out->y;
  }
  if (out->kind == EventKind::kFocus && out->value == 0) {
    std::memset(keyDown_, 0, sizeof keyDown_);   // keys released while away are never reported
  }
  return true;
}

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
    DumpFrameIfAsked(number, lastFrame_.data(), width, height);
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

bool Host::IsKeyDown(int scancode) const { return scancode >= 0 && scancode < 512 && keyDown_[scancode]; }

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

void InjectDropFile(const char* utf8Path) {
  Event event = host::MakeEvent(EventKind::kDropFile);
  host::CopyText(event.text, utf8Path);
  host::Inject(event);
  host::Inject(host::MakeEvent(EventKind::kDropComplete));
}

void InjectExposed() { host::Inject(host::MakeEvent(EventKind::kExposed)); }

std::uint64_t LastPresentedFrame(std::vector<std::uint32_t>* pixels, int* width, int* height) {
  host::Host* current = host::CurrentHost();
  return current != nullptr ? current->ReadLastFrame(pixels, width, height) : 0;
}

bool HostWindowState(int* width, int* height, std::string* titleUtf8) {
  host::Host* current = host::CurrentHost();
  return current != nullptr && current->WindowInfo(width, height, titleUtf8);
}

}  // namespace pf::testing
