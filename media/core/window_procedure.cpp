// The main window's procedure: closing and destruction, placement and sizing, painting, activation,
// display changes, typed characters into the text input, and the notices of other subsystems.
#include <cstring>

#include "media/core/core_state.h"
#include "media/core/runtime_routines.h"
#include "media/core/log.h"
#include "media/core/main_window.h"
#include "media/core/menu.h"
#include "media/core/subsystem_hooks.h"
#include "media/core/system_keys.h"
#include "media/core/text_input.h"
#include "media/core/toolbar.h"
#include "media/core/window_mode.h"
#include "media/core/window_region.h"
#include "media/core/window_state.h"

namespace zelvo {
namespace {

constexpr std::uint32_t kMciNotify = 953;
constexpr std::uint32_t kF10Notice = 1135;
constexpr std::uint32_t kSecondInputNotice = 1136;
constexpr std::uint32_t kSocketNotice = 1285;

int LowWord(std::uintptr_t value) { return static_cast<int>(value & 0xFFFF); }
int HighWord(std::uintptr_t value) { return static_cast<int>((value >> 16) & 0xFFFF); }
int SignedLow(std::intptr_t value) { return static_cast<std::int16_t>(value & 0xFFFF); }
int SignedHigh(std::intptr_t value) { return static_cast<std::int16_t>((value >> 16) & 0xFFFF); }

void PostCloseOnce(pf::WindowHandle window) {
  if (g_window.closePosted != 0) return;
  g_window.closePosted = 1;
  pf::PostMessage(window, pf::WM_CLOSE, 0, 0);
}

void OnActivate(pf::WindowHandle window, int active, int minimized) {
  g_window.active = active;
  if (g_window.creating != 0) return;
  if (active != 0) {
    if (g_runState.ending == 0) {
      CallSubsystem(kSubsystemDisplay, &SubsystemHooks::restoreLostSurfaces);
      if (g_windowSettings.windowMode != 0 || g_runState.ready == 0) {
        CallSubsystem(kSubsystemMovies, &SubsystemHooks::resume);
      } else if (minimized == 0) {
        CallSubsystem(kSubsystemDisplay, &SubsystemHooks::rebuildDisplay);
      }
    }
    CallSubsystem(kSubsystemInput, &SubsystemHooks::activate, active);
    if (g_textInput.editorEnabled != 0 && g_textInput.editorOpen != 0) g_textInput.reopenStep = 1;
  } else {
    if (g_windowSettings.windowMode == 0 && ScreenFullScreenModeSet() != 0 && ScreenGdiSurfaceMode() != 0) {
      CallSubsystem(kSubsystemDisplay, &SubsystemHooks::releaseDisplay);
      pf::ShowWindow(window, pf::SW_MINIMIZE);
    }
    // The graphics' built-in restore always stands ready, so losing the screen in full screen ends
    // the program only when no graphics are there to restore it: lost surfaces come back on the next
    // activation.
    if (g_windowSettings.windowMode != 0 || ScreenFullScreenModeSet() == 0 || ScreenHasDirectDraw() == 0) {
      CallSubsystem(kSubsystemMovies, &SubsystemHooks::suspend);
      CallSubsystem(kSubsystemInput, &SubsystemHooks::activate, active);
    } else if (!IsSubsystemPresent(kSubsystemGraphics) && g_startUpOptions.hosted == 0) {
      WriteLogText("復元関数が登録されていないため終了します\n");
      PostCloseOnce(window);
    }
    if (g_window.inactiveImage != 0 && g_window.closePosted == 0) {
      CallSubsystem(kSubsystemGraphics, &SubsystemHooks::paintInactive);
    }
  }
  CallSubsystem(kSubsystemInput, &SubsystemHooks::afterActivation);
  if (g_windowSettings.activationCallback != nullptr) {
    g_windowSettings.activationCallback(active, g_windowSettings.activationUser);
  }
  FollowSystemKeyBlock(window, active);
}

void OnDisplayChange(pf::WindowHandle window, pf::WParam wParam, pf::LParam lParam) {
  int bits = static_cast<int>(wParam);
  int width = LowWord(static_cast<std::uintptr_t>(lParam));
  int height = HighWord(static_cast<std::uintptr_t>(lParam));
  if (g_windowSettings.windowMode != 0 && g_window.modeChangeRunning == 0 &&
      (bits != g_window.desktopBits || width != g_window.desktopWidth || height != g_window.desktopHeight)) {
    int screenWidth = 0, screenHeight = 0;
    ScreenSize(&screenWidth, &screenHeight);
    if (bits != 24 && (bits == g_window.desktopBits || bits != 8) && width >= screenWidth && height >= screenHeight) {
      g_window.desktopBits = bits;
      g_window.desktopWidth = width;
      g_window.desktopHeight = height;
      CallSubsystem(kSubsystemMovies, &SubsystemHooks::releaseObjects);
      ScreenLogPixelFormat();
      CallSubsystem(kSubsystemDisplay, &SubsystemHooks::rebuildDisplay);
      CallSubsystem(kSubsystemMovies, &SubsystemHooks::resume);
    } else {
      WriteLogText("復元関数が登録されていないためか画面が２４ビットカラーに変更されたため終了します\n");
      WriteLogText("またはスクリーンが小さすぎるためか色ビット数の違いが大きいためか終了します\n");
      PostCloseOnce(window);
    }
    return;
  }
  g_window.displayChanged = 1;
}

// Keeps the dragged client area at the screen's aspect ratio.
void OnSizing(pf::WParam edge, pf::Rect* rect) {
  int screenWidth = 0, screenHeight = 0;
  ScreenSize(&screenWidth, &screenHeight);
  pf::Rect frame{0, 0, 0, 0};
  pf::AdjustWindowRectEx(&frame, static_cast<std::uint32_t>(pf::GetWindowLong(g_window.window, pf::GWL_STYLE)),
                         pf::GetMenu(g_window.window) != nullptr,
                         static_cast<std::uint32_t>(pf::GetWindowLong(g_window.window, pf::GWL_EXSTYLE)));
  int frameWidth = frame.right - frame.left;
  int frameHeight = frame.bottom - frame.top + GetToolbarHeight();
  int w = rect->right - rect->left - frameWidth;
  int h = rect->bottom - rect->top - frameHeight;
  bool heightRule;
  switch (edge) {
    case pf::WMSZ_TOP:
    case pf::WMSZ_BOTTOM: heightRule = true; break;
    case pf::WMSZ_LEFT:
    case pf::WMSZ_RIGHT: heightRule = false; break;
    default: heightRule = static_cast<double>(h) / screenHeight >= static_cast<double>(w) / screenWidth; break;
  }
  if (heightRule) {
    w = h * screenWidth / screenHeight;
    rect->right = rect->left + w + frameWidth;
  } else {
    h = w * screenHeight / screenWidth;
    rect->bottom = rect->top + h + frameHeight;
  }
  g_windowSettings.scaleRate = static_cast<double>(w) / screenWidth;
}

void OnPaint(pf::WindowHandle window) {
  g_window.painting = 1;
  if (g_window.active == 0 && g_window.inactiveImage != 0 && g_windowSettings.runInBackground == 0) {
    CallSubsystem(kSubsystemGraphics, &SubsystemHooks::paintInactive);
  } else if (g_runState.ready != 0 || HasWindowRegion() != 0) {
    if (ScreenBackBufferIsTarget() != 0) {
      int vblank = ScreenVblankWaitEnabled();
      ScreenEnableVblankWait(0);
      ScreenCopyBackScreenToWindow();
      ScreenEnableVblankWait(vblank);
    }
  } else {
    pf::PaintInfo paint{};
    pf::BeginPaint(window, &paint);
    std::uint32_t color = 0;
    if (g_windowSettings.backgroundSet != 0) {
      color = (static_cast<std::uint32_t>(g_windowSettings.backgroundRed & 255) << 16) |
              (static_cast<std::uint32_t>(g_windowSettings.backgroundGreen & 255) << 8) |
              static_cast<std::uint32_t>(g_windowSettings.backgroundBlue & 255);
    }
    pf::FillClientRect(window, &paint.paint, color);
    pf::EndPaint(window, &paint);
  }
  g_window.painting = 0;
}

void OnChar(pf::WParam code) {
  if (code <= 7 || code == 11 || code == 12 || code == 14 || code == 15 || (code >= 17 && code <= 26) ||
      (code >= 28 && code <= 31)) {
    return;
  }
  PutTypedChar(code == 10 ? 13 : static_cast<int>(code & 0xFF));
}

void OnKeyDown(pf::WParam key) {
  struct KeyCode { pf::WParam key; int code; };
  static const KeyCode kCodes[] = {
      {pf::VK_DELETE, 16}, {pf::VK_LEFT, 29}, {pf::VK_RIGHT, 28}, {pf::VK_UP, 30}, {pf::VK_DOWN, 31},
  };
  for (const KeyCode& entry : kCodes) {
    if (entry.key == key) PutTypedChar(entry.code);
  }
}

void OnDropFiles(pf::WParam wParam) {
  auto drop = reinterpret_cast<pf::DropHandle>(wParam);
  std::uint32_t count = pf::DragQueryFile(drop, 0xFFFFFFFFu, nullptr, 0);
  for (std::uint32_t i = 0; i < count && g_window.droppedFileCount < kMaxDroppedFiles; ++i) {
    std::uint32_t length = pf::DragQueryFile(drop, i, nullptr, 0);
    auto* name = static_cast<char*>(ZELVO_ALLOC(length + 1));
    if (name == nullptr) break;
    pf::DragQueryFile(drop, i, name, length + 1);
    g_window.droppedFiles[g_window.droppedFileCount++] = name;
  }
  pf::DragFinish(drop);
}

}  // namespace

pf::LResult MainWindowProc(pf::WindowHandle window, std::uint32_t message, pf::WParam wParam, pf::LParam lParam) {
  if (g_windowSettings.messageCallback != nullptr) g_windowSettings.messageCallback(window, message, wParam, lParam);
  switch (message) {
    case pf::WM_CREATE: ApplyWindowRegion(window, 0); break;
    case pf::WM_DESTROY:
      WriteLogText("ウインドウが破棄されようとしています\n");
      WriteLogText("ソフトを終了する準備が整いました\n");
      if (g_windowSettings.noQuitMessage == 0) pf::PostQuitMessage(0);
      MarkWindowClosed();
      break;
    case pf::WM_CLOSE:
      WriteLogText("ウインドウを閉じようとしています\n");
      // Destroyed before the user's close is recorded, so WM_DESTROY always marks the window closed.
      if (g_windowSettings.closeNotAllowed == 0 || g_runState.ending != 0) pf::DestroyWindow(window);
      if (g_runState.ending == 0) g_runState.ending = 4;
      return 0;
    case pf::WM_MOVE:
      if (g_windowSettings.windowMode != 0 && g_window.modeChangeRunning == 0) {
        pf::Rect& r = g_window.clientRect;
        int width = r.right - r.left, height = r.bottom - r.top;
        r.left = SignedLow(lParam);
        r.top = SignedHigh(lParam);
        r.right = r.left + width;
        r.bottom = r.top + height;
        CallSubsystem(kSubsystemGraphics, &SubsystemHooks::windowMoved);
      }
      break;
    case pf::WM_SIZE:
      if (wParam != pf::SIZE_MAXIMIZED) {
        if (wParam != pf::SIZE_MINIMIZED) FitWindowToScreen();
      } else if (g_windowSettings.windowMode != 0 && g_windowSettings.maximizeSwitch != 0 &&
                 g_window.modeChangeRunning == 0 && g_window.creating == 0) {
        g_window.modeSwitchRequested = 1;
      }
      PassSizeToToolbar(wParam, lParam);
      break;
    case pf::WM_SIZING:
      if (g_windowSettings.windowMode != 0 && lParam != 0) {
        OnSizing(wParam, reinterpret_cast<pf::Rect*>(lParam));
        return 1;
      }
      break;
    case pf::WM_MOVING:
      if (g_windowSettings.windowMode == 0 && lParam != 0) pf::GetWindowRect(window, reinterpret_cast<pf::Rect*>(lParam));
      break;
    case pf::WM_PAINT:
      if (g_windowSettings.windowMode != 0) OnPaint(window);
      break;
    case pf::WM_ACTIVATEAPP:
      if (wParam == 0) OnActivate(window, 0, 0);
      break;
    case pf::WM_ACTIVATE: OnActivate(window, LowWord(wParam) != 0 ? 1 : 0, HighWord(wParam)); break;
    case pf::WM_SETCURSOR:
    case pf::WM_MOUSEMOVE:
    case pf::WM_LBUTTONDOWN:
    case pf::WM_LBUTTONUP:
    case pf::WM_RBUTTONDOWN:
    case pf::WM_RBUTTONUP:
    case pf::WM_MBUTTONDOWN:
    case pf::WM_MBUTTONUP:
      if (g_window.cursorShown == 0 && g_menu.shown == 0) {
        int count = pf::ShowCursor(true);
        do {
          count = pf::ShowCursor(false);
        } while (count >= 0);
      }
      break;
    case pf::WM_DISPLAYCHANGE: OnDisplayChange(window, wParam, lParam); break;
    case pf::WM_KEYDOWN: OnKeyDown(wParam); break;
    case pf::WM_CHAR: OnChar(wParam); break;
    case pf::WM_SYSCHAR:
      if (wParam == 13 && g_windowSettings.maximizeSwitch != 0) {
        g_window.modeSwitchRequested = 1;
        return 0;
      }
      break;
    case pf::WM_IME_STARTCOMPOSITION:
    case pf::WM_IME_ENDCOMPOSITION:
    case pf::WM_IME_COMPOSITION:
    case pf::WM_IME_SETCONTEXT:
    case pf::WM_IME_NOTIFY: return InputMethodProc(window, message, wParam, lParam);
    case pf::WM_COMMAND:
      if (OnToolbarCommand(LowWord(wParam)) == 0 && g_menu.inUse != 0) OnMenuCommand(LowWord(wParam));
      break;
    case pf::WM_SYSCOMMAND:
      if ((wParam & 0xFFF0) == pf::SC_KEYMENU && g_windowSettings.blockSystemKeys != 0) return 0;
      if ((wParam & 0xFFF0) == pf::SC_SCREENSAVE) return 1;
      g_window.f10Flag = 0;
      break;
    case pf::WM_MOUSEWHEEL:
      g_window.wheelCount += static_cast<std::int16_t>(HighWord(wParam)) > 0 ? 1 : -1;
      break;
    case pf::WM_DROPFILES: OnDropFiles(wParam); return 0;
    case kMciNotify: CallSubsystem(kSubsystemSound, &SubsystemHooks::windowMessage, message, wParam, lParam); break;
    case kF10Notice: g_window.f10Flag = wParam == 1 ? 1 : 0; break;
    case kSecondInputNotice: g_window.secondInputFlag = wParam == 1 ? 1 : 0; break;
    case kSocketNotice: CallSubsystem(kSubsystemNetwork, &SubsystemHooks::windowMessage, message, wParam, lParam); break;
    default: break;
  }
  return pf::DefWindowProc(window, message, wParam, lParam);
}

}  // namespace zelvo
