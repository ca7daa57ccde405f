// The SDL2 host: a real window that shows each presented frame scaled to its client area, with the
// keyboard, mouse, text input, input-method editing, focus and dropped files as host events, and
// the game controllers and joysticks as pads. SDL is
// only called on the thread that opened the window; frames presented from other threads are shown
// at that thread's next poll.
#include "platform/host/hosts.h"

#include <SDL.h>

#include <algorithm>
#include <atomic>
#include <cstdio>
#include <map>
#include <thread>

namespace pf::host {
namespace {

int Modifiers(Uint16 mod) {
  int result = 0;
  if (mod & KMOD_SHIFT) result |= kModShift;
  if (mod & KMOD_CTRL) result |= kModCtrl;
  if (mod & KMOD_ALT) result |= kModAlt;
  return result;
}

void CopyText(char (&dst)[256], const char* src) { std::snprintf(dst, sizeof dst, "%s", src != nullptr ? src : ""); }

bool TranslateWindowEvent(const SDL_WindowEvent& window, Event* out) {
  switch (window.event) {
    case SDL_WINDOWEVENT_CLOSE: out->kind = EventKind::kClose; return true;
    case SDL_WINDOWEVENT_FOCUS_GAINED: out->kind = EventKind::kFocus; out->value = 1; return true;
    case SDL_WINDOWEVENT_FOCUS_LOST: out->kind = EventKind::kFocus; out->value = 0; return true;
    case SDL_WINDOWEVENT_EXPOSED: out->kind = EventKind::kExposed; return true;
    case SDL_WINDOWEVENT_MOVED: out->kind = EventKind::kMoved; out->x = window.data1; out->y = window.data2; return true;
    case SDL_WINDOWEVENT_SIZE_CHANGED:
      out->kind = EventKind::kResized;
      out->x = window.data1;
      out->y = window.data2;
      return true;
    case SDL_WINDOWEVENT_MINIMIZED: out->kind = EventKind::kMinimized; return true;
    case SDL_WINDOWEVENT_RESTORED: out->kind = EventKind::kRestored; return true;
    default: return false;
  }
}

bool Translate(const SDL_Event& in, Event* out) {
  *out = Event{};
  switch (in.type) {
    case SDL_QUIT: out->kind = EventKind::kClose; return true;
    case SDL_WINDOWEVENT: return TranslateWindowEvent(in.window, out);
    case SDL_KEYDOWN:
    case SDL_KEYUP:
      out->kind = in.type == SDL_KEYDOWN ? EventKind::kKeyDown : EventKind::kKeyUp;
      out->key = in.key.keysym.scancode;
      out->modifiers = Modifiers(in.key.keysym.mod);
      out->value = in.key.repeat;
      return true;
    case SDL_TEXTINPUT: out->kind = EventKind::kText; CopyText(out->text, in.text.text); return true;
    case SDL_TEXTEDITING:
      out->kind = EventKind::kEditing;
      CopyText(out->text, in.edit.text);
      out->value = in.edit.start;
      return true;
    case SDL_MOUSEMOTION: out->kind = EventKind::kMouseMove; out->x = in.motion.x; out->y = in.motion.y; return true;
    case SDL_MOUSEBUTTONDOWN:
    case SDL_MOUSEBUTTONUP:
      out->kind = EventKind::kMouseButton;
      out->key = in.button.button;
      out->value = in.type == SDL_MOUSEBUTTONDOWN ? 1 : 0;
      out->x = in.button.x;
      out->y = in.button.y;
      return true;
    case SDL_MOUSEWHEEL: out->kind = EventKind::kMouseWheel; out->value = in.wheel.y; return true;
    case SDL_DROPFILE:
      out->kind = EventKind::kDropFile;
      CopyText(out->text, in.drop.file);
      SDL_free(in.drop.file);
      return true;
    case SDL_DROPCOMPLETE: out->kind = EventKind::kDropComplete; return true;
    default: return false;
  }
}

constexpr int kHostPadIdBase = 1000;

// A game controller reads in the order a pad read through DirectInput shows: left stick X and Y,
// right stick X, the two triggers, right stick Y; face, shoulder and menu buttons; the d-pad as hat 0.
void ReadController(SDL_GameController* controller, PadReading* out) {
  static const SDL_GameControllerAxis kAxes[] = {
      SDL_CONTROLLER_AXIS_LEFTX, SDL_CONTROLLER_AXIS_LEFTY, SDL_CONTROLLER_AXIS_RIGHTX,
      SDL_CONTROLLER_AXIS_TRIGGERLEFT, SDL_CONTROLLER_AXIS_TRIGGERRIGHT, SDL_CONTROLLER_AXIS_RIGHTY,
  };
  static const SDL_GameControllerButton kButtons[] = {
      SDL_CONTROLLER_BUTTON_A, SDL_CONTROLLER_BUTTON_B, SDL_CONTROLLER_BUTTON_X, SDL_CONTROLLER_BUTTON_Y,
      SDL_CONTROLLER_BUTTON_LEFTSHOULDER, SDL_CONTROLLER_BUTTON_RIGHTSHOULDER, SDL_CONTROLLER_BUTTON_BACK,
      SDL_CONTROLLER_BUTTON_START, SDL_CONTROLLER_BUTTON_LEFTSTICK, SDL_CONTROLLER_BUTTON_RIGHTSTICK,
      SDL_CONTROLLER_BUTTON_GUIDE,
  };
  *out = PadReading{};
  for (int i = 0; i < 6; ++i) out->axes[i] = SDL_GameControllerGetAxis(controller, kAxes[i]);
  for (int i = 0; i < 11; ++i) {
    if (SDL_GameControllerGetButton(controller, kButtons[i]) != 0) out->buttons |= 1u << i;
  }
  std::uint8_t hat = 0;
  if (SDL_GameControllerGetButton(controller, SDL_CONTROLLER_BUTTON_DPAD_UP) != 0) hat |= SDL_HAT_UP;
  if (SDL_GameControllerGetButton(controller, SDL_CONTROLLER_BUTTON_DPAD_RIGHT) != 0) hat |= SDL_HAT_RIGHT;
  if (SDL_GameControllerGetButton(controller, SDL_CONTROLLER_BUTTON_DPAD_DOWN) != 0) hat |= SDL_HAT_DOWN;
  if (SDL_GameControllerGetButton(controller, SDL_CONTROLLER_BUTTON_DPAD_LEFT) != 0) hat |= SDL_HAT_LEFT;
  out->hats[0] = hat;
}

void ReadJoystick(SDL_Joystick* joystick, PadReading* out) {
  *out = PadReading{};
  const int axes = std::min(SDL_JoystickNumAxes(joystick), kMaxPadAxes);
  const int buttons = std::min(SDL_JoystickNumButtons(joystick), kMaxPadButtons);
  const int hats = std::min(SDL_JoystickNumHats(joystick), kMaxPadHats);
  for (int i = 0; i < axes; ++i) out->axes[i] = SDL_JoystickGetAxis(joystick, i);
  for (int i = 0; i < buttons; ++i) {
    if (SDL_JoystickGetButton(joystick, i) != 0) out->buttons |= 1u << i;
  }
  for (int i = 0; i < hats; ++i) out->hats[i] = SDL_JoystickGetHat(joystick, i);
}

struct OpenPad {
  SDL_GameController* controller;   // or nullptr for a plain joystick
  SDL_Joystick* joystick;
};

class SdlHost final : public Host {
 public:
  ~SdlHost() override {
    ClosePads(true);
    CloseWindow();
  }

  const char* Name() const override { return "sdl"; }

  bool OpenWindow(const char* titleUtf8, int clientWidth, int clientHeight, bool visible) override {
    if (window_ != nullptr || !StartVideo()) return window_ != nullptr;
    Uint32 flags = visible ? SDL_WINDOW_SHOWN : SDL_WINDOW_HIDDEN;
    window_ = SDL_CreateWindow(titleUtf8, SDL_WINDOWPOS_CENTERED, SDL_WINDOWPOS_CENTERED, clientWidth, clientHeight,
                               flags);
    if (window_ == nullptr) {
      std::fprintf(stderr, "zelvo: no window: %s\n", SDL_GetError());
      return false;
    }
    renderer_ = SDL_CreateRenderer(window_, -1, SDL_RENDERER_ACCELERATED);
    if (renderer_ == nullptr) renderer_ = SDL_CreateRenderer(window_, -1, SDL_RENDERER_SOFTWARE);
    if (renderer_ == nullptr) {
      std::fprintf(stderr, "zelvo: no renderer: %s\n", SDL_GetError());
      SDL_DestroyWindow(window_);
      window_ = nullptr;
      return false;
    }
    SDL_SetRenderDrawColor(renderer_, 0, 0, 0, 255);
    SDL_RenderClear(renderer_);
    SDL_RenderPresent(renderer_);
    owner_ = std::this_thread::get_id();
    windowOpen_ = true;
    title_ = titleUtf8 != nullptr ? titleUtf8 : "";
    clientWidth_ = clientWidth;
    clientHeight_ = clientHeight;
    return true;
  }

  void CloseWindow() override {
    if (texture_ != nullptr) SDL_DestroyTexture(texture_);
    if (renderer_ != nullptr) SDL_DestroyRenderer(renderer_);
    if (window_ != nullptr) SDL_DestroyWindow(window_);
    texture_ = nullptr;
    renderer_ = nullptr;
    window_ = nullptr;
    textureWidth_ = textureHeight_ = 0;
    windowOpen_ = false;
  }

  bool HasWindow() const override { return window_ != nullptr; }

  void SetTitle(const char* titleUtf8) override {
    title_ = titleUtf8 != nullptr ? titleUtf8 : "";
    if (window_ != nullptr) SDL_SetWindowTitle(window_, title_.c_str());
  }
  void SetClientSize(int width, int height) override {
    clientWidth_ = width;
    clientHeight_ = height;
    if (window_ != nullptr && !fullscreen_) SDL_SetWindowSize(window_, width, height);
  }
  void SetPosition(int x, int y) override {
    if (window_ != nullptr && !fullscreen_) SDL_SetWindowPosition(window_, x, y);
  }
  void Show(bool visible) override {
    if (window_ == nullptr) return;
    if (visible) {
      SDL_ShowWindow(window_);
    } else {
      SDL_HideWindow(window_);
    }
  }
  void Raise() override {
    if (window_ != nullptr) SDL_RaiseWindow(window_);
  }
  void Minimize() override {
    if (window_ != nullptr) SDL_MinimizeWindow(window_);
  }
  void SetAlwaysOnTop(bool on) override {
    if (window_ != nullptr) SDL_SetWindowAlwaysOnTop(window_, on ? SDL_TRUE : SDL_FALSE);
  }
  void SetFullscreen(bool on) override {
    fullscreen_ = on;
    if (window_ != nullptr) SDL_SetWindowFullscreen(window_, on ? SDL_WINDOW_FULLSCREEN_DESKTOP : 0);
  }
  void SetCursorVisible(bool visible) override {
    if (videoStarted_) SDL_ShowCursor(visible ? SDL_ENABLE : SDL_DISABLE);
  }
  void SetTextInput(bool on) override {
    if (!videoStarted_) return;
    if (on) {
      SDL_StartTextInput();
    } else {
      SDL_StopTextInput();
    }
  }
  void ApplyKeyboardGrab(bool on) override {
    if (window_ == nullptr) return;
    // While the window has the focus, the window manager's own key combinations come to it as keys.
    SDL_SetWindowKeyboardGrab(window_, on ? SDL_TRUE : SDL_FALSE);
  }
  void SetScreenSaver(bool enabled) override {
    if (!videoStarted_) return;
    if (enabled) {
      SDL_EnableScreenSaver();
    } else {
      SDL_DisableScreenSaver();
    }
  }
  void ShowMessageBox(const char* captionUtf8, const char* textUtf8) override {
    if (SDL_ShowSimpleMessageBox(SDL_MESSAGEBOX_ERROR, captionUtf8, textUtf8, window_) != 0) {
      std::fprintf(stderr, "%s: %s\n", captionUtf8, textUtf8);
    }
  }
  DesktopMode Desktop() const override {
    SDL_DisplayMode mode{};
    if (!const_cast<SdlHost*>(this)->StartVideo() || SDL_GetDesktopDisplayMode(0, &mode) != 0) {
      return DesktopMode{0, 0, 0};
    }
    // Bits per pixel as the pixels are stored: a depth-24 X display keeps 4 bytes a pixel.
    return DesktopMode{mode.w, mode.h, static_cast<int>(SDL_BYTESPERPIXEL(mode.format)) * 8};
  }

 protected:
  bool PollHostEvent(Event* out) override {
    if (window_ == nullptr || std::this_thread::get_id() != owner_) return false;
    if (framePending_.exchange(false)) ShowPendingFrame();
    SDL_Event event;
    while (SDL_PollEvent(&event) != 0) {
      if (!Translate(event, out)) continue;
      // The window's content went away: show the last frame again at once.
      if (out->kind == EventKind::kExposed) ShowPendingFrame();
      return true;
    }
    return false;
  }

  // Pads are opened as the library lists them and closed once they are unplugged.
  int ListHostPads(PadInfo* out, int max) override {
    if (!StartPads()) return 0;
    ClosePads(false);
    SDL_JoystickUpdate();
    int count = 0;
    for (int index = 0; index < SDL_NumJoysticks() && count < max; ++index) {
      const SDL_JoystickID id = SDL_JoystickGetDeviceInstanceID(index);
      OpenPad* pad = OpenById(id);
      if (pad == nullptr) {
        OpenPad opened{nullptr, nullptr};
        if (SDL_IsGameController(index) != 0) opened.controller = SDL_GameControllerOpen(index);
        opened.joystick = opened.controller != nullptr ? SDL_GameControllerGetJoystick(opened.controller)
                                                       : SDL_JoystickOpen(index);
        if (opened.joystick == nullptr) continue;
        pad = &(pads_[id] = opened);
      }
      PadInfo& info = out[count++];
      info = PadInfo{};
      info.id = kHostPadIdBase + id;
      const char* name = pad->controller != nullptr ? SDL_GameControllerName(pad->controller)
                                                    : SDL_JoystickName(pad->joystick);
      const char* path = SDL_JoystickPath(pad->joystick);
      std::snprintf(info.name, sizeof info.name, "%s", name != nullptr ? name : "");
      std::snprintf(info.path, sizeof info.path, "%s", path != nullptr ? path : "");
      info.axisCount = pad->controller != nullptr ? 6 : std::min(SDL_JoystickNumAxes(pad->joystick), kMaxPadAxes);
      info.buttonCount =
          pad->controller != nullptr ? 11 : std::min(SDL_JoystickNumButtons(pad->joystick), kMaxPadButtons);
      info.hatCount = pad->controller != nullptr ? 1 : std::min(SDL_JoystickNumHats(pad->joystick), kMaxPadHats);
      info.rumble = SDL_JoystickHasRumble(pad->joystick) == SDL_TRUE;
    }
    return count;
  }

  bool ReadHostPad(int id, PadReading* out) override {
    OpenPad* pad = OpenById(id - kHostPadIdBase);
    if (pad == nullptr || SDL_JoystickGetAttached(pad->joystick) != SDL_TRUE) return false;
    if (pad->controller != nullptr) {
      ReadController(pad->controller, out);
    } else {
      ReadJoystick(pad->joystick, out);
    }
    return true;
  }

  bool RumbleHostPad(int id, int lowStrength, int highStrength, int milliseconds) override {
    OpenPad* pad = OpenById(id - kHostPadIdBase);
    if (pad == nullptr) return false;
    auto strength = [](int value) { return static_cast<Uint16>(std::clamp(value, 0, 65535)); };
    // A rumble without a time limit lasts as long as SDL allows; the library stops it itself.
    const Uint32 duration = milliseconds < 0 ? 0xFFFFu : static_cast<Uint32>(milliseconds);
    return SDL_JoystickRumble(pad->joystick, strength(lowStrength), strength(highStrength), duration) == 0;
  }

  void ShowFrame(const std::uint32_t* pixels, int width, int height) override {
    if (window_ == nullptr) return;
    if (std::this_thread::get_id() != owner_) {
      framePending_ = true;
      return;
    }
    Render(pixels, width, height);
  }

 private:
  bool StartVideo() {
    if (!videoStarted_) {
      SDL_SetHint(SDL_HINT_NO_SIGNAL_HANDLERS, "1");
      SDL_SetHint(SDL_HINT_VIDEO_ALLOW_SCREENSAVER, "1");
      if (SDL_InitSubSystem(SDL_INIT_VIDEO) != 0) {
        std::fprintf(stderr, "zelvo: no display: %s\n", SDL_GetError());
        return false;
      }
      videoStarted_ = true;
    }
    return true;
  }

  bool StartPads() {
    if (!padsStarted_) {
      if (SDL_InitSubSystem(SDL_INIT_GAMECONTROLLER) != 0) return false;
      padsStarted_ = true;
    }
    return true;
  }

  OpenPad* OpenById(int id) {
    auto found = pads_.find(id);
    return found != pads_.end() ? &found->second : nullptr;
  }

  // Closes the pads that are gone, or every pad.
  void ClosePads(bool all) {
    for (auto it = pads_.begin(); it != pads_.end();) {
      if (!all && SDL_JoystickGetAttached(it->second.joystick) == SDL_TRUE) {
        ++it;
        continue;
      }
      if (it->second.controller != nullptr) {
        SDL_GameControllerClose(it->second.controller);
      } else {
        SDL_JoystickClose(it->second.joystick);
      }
      it = pads_.erase(it);
    }
  }

  void ShowPendingFrame() {
    std::vector<std::uint32_t> pixels;
    int width = 0, height = 0;
    ReadLastFrame(&pixels, &width, &height);
    if (!pixels.empty()) Render(pixels.data(), width, height);
  }

  void Render(const std::uint32_t* pixels, int width, int height) {
    if (texture_ == nullptr || textureWidth_ != width || textureHeight_ != height) {
      if (texture_ != nullptr) SDL_DestroyTexture(texture_);
      texture_ = SDL_CreateTexture(renderer_, SDL_PIXELFORMAT_RGB888, SDL_TEXTUREACCESS_STREAMING, width, height);
      if (texture_ == nullptr) return;
      textureWidth_ = width;
      textureHeight_ = height;
      SDL_RenderSetLogicalSize(renderer_, width, height);
    }
    SDL_UpdateTexture(texture_, nullptr, pixels, width * 4);
    SDL_RenderClear(renderer_);
    SDL_RenderCopy(renderer_, texture_, nullptr, nullptr);
    SDL_RenderPresent(renderer_);
  }

  bool videoStarted_ = false;
  bool padsStarted_ = false;
  std::map<int, OpenPad> pads_;
  bool fullscreen_ = false;
  SDL_Window* window_ = nullptr;
  SDL_Renderer* renderer_ = nullptr;
  SDL_Texture* texture_ = nullptr;
  int textureWidth_ = 0;
  int textureHeight_ = 0;
  std::thread::id owner_;
  std::atomic<bool> framePending_{false};
};

}  // namespace

std::unique_ptr<Host> MakeSdlHost() { return std::make_unique<SdlHost>(); }

}  // namespace pf::host
