// The headless host: no display, a memory framebuffer (the last presented frame), scripted input
// from ZELVO_INPUT_SCRIPT and a desktop of 1024x768x32 (or ZELVO_DESKTOP=WxHxBPP).
#include "platform/host/hosts.h"
#include "platform/host/host_testing.h"
#include "platform/host/input_script.h"

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <sstream>

namespace pf::host {
namespace {

DesktopMode headlessDesktop{0, 0, 0};

DesktopMode DesktopFromEnvironment() {
  DesktopMode mode{1024, 768, 32};
  const char* text = std::getenv("ZELVO_DESKTOP");
  int w = 0, h = 0, bpp = 0;
  if (text != nullptr && std::sscanf(text, "%dx%dx%d", &w, &h, &bpp) == 3 && w > 0 && h > 0 && bpp > 0) {
    mode = DesktopMode{w, h, bpp};
  }
  return mode;
}

std::vector<ScriptedEvent> LoadScript() {
  const char* path = std::getenv("ZELVO_INPUT_SCRIPT");
  if (path == nullptr || *path == '\0') return {};
  std::ifstream in(path, std::ios::binary);
  if (!in) {
    std::fprintf(stderr, "zelvo: input script %s cannot be read\n", path);
    return {};
  }
  std::stringstream text;
  text << in.rdbuf();
  std::vector<int> errors;
  std::vector<ScriptedEvent> events = ParseInputScript(text.str(), &errors);
  for (int line : errors) std::fprintf(stderr, "zelvo: input script %s line %d ignored\n", path, line);
  std::stable_sort(events.begin(), events.end(),
                   [](const ScriptedEvent& a, const ScriptedEvent& b) { return a.frame < b.frame; });
  return events;
}

class HeadlessHost final : public Host {
 public:
  HeadlessHost() : script_(LoadScript()) {}

  const char* Name() const override { return "headless"; }

  bool OpenWindow(const char* titleUtf8, int clientWidth, int clientHeight, bool /*visible*/) override {
    windowOpen_ = true;
    title_ = titleUtf8 != nullptr ? titleUtf8 : "";
    clientWidth_ = clientWidth;
    clientHeight_ = clientHeight;
    return true;
  }
  void CloseWindow() override { windowOpen_ = false; }
  bool HasWindow() const override { return windowOpen_; }
  void SetTitle(const char* titleUtf8) override { title_ = titleUtf8 != nullptr ? titleUtf8 : ""; }
  void SetClientSize(int width, int height) override {
    clientWidth_ = width;
    clientHeight_ = height;
  }
  void SetPosition(int, int) override {}
  void Show(bool) override {}
  void Raise() override {}
  void Minimize() override {}
  void SetAlwaysOnTop(bool) override {}
  void SetFullscreen(bool) override {}
  void SetCursorVisible(bool) override {}
  void SetTextInput(bool) override {}
  void SetScreenSaver(bool) override {}
  void ShowMessageBox(const char* captionUtf8, const char* textUtf8) override {
    std::fprintf(stderr, "%s: %s\n", captionUtf8, textUtf8);
  }
  DesktopMode Desktop() const override {
    return headlessDesktop.width > 0 ? headlessDesktop : DesktopFromEnvironment();
  }

 protected:
  bool PollHostEvent(Event* out) override {
    if (next_ >= script_.size() || script_[next_].frame > PresentedFrameCount()) return false;
    *out = script_[next_++].event;
    return true;
  }
  void ShowFrame(const std::uint32_t*, int, int) override {}

 private:
  std::vector<ScriptedEvent> script_;
  std::size_t next_ = 0;
};

}  // namespace

std::unique_ptr<Host> MakeHeadlessHost() { return std::make_unique<HeadlessHost>(); }

}  // namespace pf::host

namespace pf::testing {

void SetHeadlessDesktop(int width, int height, int bitsPerPixel) {
  host::headlessDesktop = host::DesktopMode{width, height, bitsPerPixel};
}

}  // namespace pf::testing
