// The headless host: no display, a memory framebuffer (the last presented frame), scripted input
// from ZELVO_INPUT_SCRIPT and a desktop of 1024x768x32 (or ZELVO_DESKTOP=WxHxBPP). An inactive
// application presents no frames, so while the script has taken the focus away its later events
// come without waiting for their frame, and a script that ends there gives the focus back: the
// library's wait for activation always ends.
#include "platform/host/hosts.h"
#include "platform/host/host_testing.h"
#include "platform/host/input_script.h"

#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <utility>

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

// The folder the program was started in, taken before main can change folder: a relative script
// path names a file from there, as it did on the command line that gave it.
std::string FolderAtStart() {
  char folder[4096];
  return getcwd(folder, sizeof folder) != nullptr ? std::string(folder) : std::string();
}
const std::string startFolder = FolderAtStart();

std::string ScriptPath(const char* path) {
  if (path[0] == '/' || startFolder.empty()) return path;
  return startFolder + "/" + path;
}

// The script named by ZELVO_INPUT_SCRIPT, sorted by frame; false when one is named but cannot be
// read, since a run that was meant to be driven would otherwise wait for input for ever.
bool LoadScript(std::vector<ScriptedEvent>* events) {
  const char* named = std::getenv("ZELVO_INPUT_SCRIPT");
  if (named == nullptr || *named == '\0') return true;
  const std::string path = ScriptPath(named);
  std::string text;
  std::FILE* file = std::fopen(path.c_str(), "rb");
  bool read = file != nullptr;
  if (read) {
    char block[4096];
    for (std::size_t got; (got = std::fread(block, 1, sizeof block, file)) > 0;) text.append(block, got);
    read = std::ferror(file) == 0;
    std::fclose(file);
  }
  if (!read) {
    std::fprintf(stderr, "zelvo: input script %s cannot be read: %s\n", path.c_str(), std::strerror(errno));
    return false;
  }
  std::vector<int> errors;
  *events = ParseInputScript(text, &errors);
  for (int line : errors) std::fprintf(stderr, "zelvo: input script %s line %d ignored\n", path.c_str(), line);
  std::stable_sort(events->begin(), events->end(),
                   [](const ScriptedEvent& a, const ScriptedEvent& b) { return a.frame < b.frame; });
  return true;
}

class HeadlessHost final : public Host {
 public:
  explicit HeadlessHost(std::vector<ScriptedEvent> script) : script_(std::move(script)) {}

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
    if (next_ >= script_.size()) {
      if (scriptFocused_) return false;
      *out = Event{};
      out->kind = EventKind::kFocus;
      out->value = 1;
      scriptFocused_ = true;
      return true;
    }
    if (scriptFocused_ && script_[next_].frame > PresentedFrameCount()) return false;
    *out = script_[next_++].event;
    if (out->kind == EventKind::kFocus) scriptFocused_ = out->value != 0;
    return true;
  }
  void ShowFrame(const std::uint32_t*, int, int) override {}

 private:
  std::vector<ScriptedEvent> script_;
  std::size_t next_ = 0;
  bool scriptFocused_ = true;   // as the script left it
};

}  // namespace

std::unique_ptr<Host> MakeHeadlessHost() {
  std::vector<ScriptedEvent> script;
  if (!LoadScript(&script)) return nullptr;
  return std::make_unique<HeadlessHost>(std::move(script));
}

}  // namespace pf::host

namespace pf::testing {

void SetHeadlessDesktop(int width, int height, int bitsPerPixel) {
  host::headlessDesktop = host::DesktopMode{width, height, bitsPerPixel};
}

}  // namespace pf::testing
