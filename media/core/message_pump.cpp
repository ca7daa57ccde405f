// ProcessMessage: the window's messages with a budget of five per call, the wait while the
// application is inactive, a requested mode switch, then the library's periodic work. And the
// inactive wait of the drawing entries, the pumping sleep and the microsecond clock.
#include "media/core/message_pump.h"

#include "media/core/clock.h"
#include "media/core/core_state.h"
#include "media/core/runtime_routines.h"
#include "media/core/library_lock.h"
#include "media/core/main_window.h"
#include "media/core/menu.h"
#include "media/core/subsystem_hooks.h"
#include "media/core/system_report.h"
#include "media/core/text_input.h"
#include "media/core/window_mode.h"
#include "media/core/window_state.h"
#include "platform/kernel/kernel.h"

namespace zelvo {
namespace {

constexpr int kMessageBudget = 4;   // the fifth dispatched message ends the pass

bool TakeNextMessage(pf::Message* message) {
  if (pf::PeekMessage(message, nullptr, 0, 0, pf::PM_NOREMOVE)) {
    return pf::PeekMessage(message, nullptr, 0, 0, pf::PM_REMOVE);
  }
  return pf::PeekMessage(message, pf::kThreadMessagesOnly, 0, 0, pf::PM_REMOVE) ||
         pf::PeekMessage(message, g_window.window, 0, 0, pf::PM_REMOVE);
}

// The loop of passes. On the main thread it keeps going while the application is inactive (unless
// it runs in the background or the library itself posted the close); the message thread makes one
// pass per call.
void RunPasses() {
  int budget = 0;
  int lastPassHandled = 0;
  const int mainThread = IsMainThread();
  do {
    const int waitInactive = g_window.active == 0 && g_windowSettings.runInBackground == 0;
    if (g_window.active == 0 && g_window.inactiveSinceSet == 0) {
      g_window.inactiveSince = pf::timeGetTime();
      g_window.inactiveSinceSet = 1;
    }
    int nothingHandled = 1;
    if (waitInactive) pf::Sleep(1);
    pf::Message message{};
    while (TakeNextMessage(&message)) {
      if (message.message == pf::WM_ACTIVATEAPP && g_windowSettings.windowMode != 0) {
        g_window.active = static_cast<int>(message.wParam & 0xFFFF);
      }
      if (WindowClosed() != 0) return;
      if (message.message == pf::WM_QUIT) MarkWindowClosed();
      pf::TranslateMessage(&message);
      pf::DispatchMessage(&message);
      if (++budget > kMessageBudget) {
        budget = 0;
        nothingHandled = 1;
        break;
      }
      nothingHandled = 0;
    }
    if (g_window.active == 0) {
      CallSubsystem(kSubsystemNetwork, &SubsystemHooks::pumpWhileInactive);
      CallSubsystem(kSubsystemSound, &SubsystemHooks::pumpWhileInactive);
      pf::Sleep(1);
    }
    if (WindowClosed() != 0 || mainThread == 0) return;
    lastPassHandled = nothingHandled == 0 ? 1 : 0;
  } while ((g_window.closePosted == 0 && g_window.active == 0 && g_windowSettings.runInBackground == 0) ||
           (lastPassHandled != 0 && WindowClosed() == 0));
}

}  // namespace

int ProcessMessage() {
  if (g_window.inTextInputStep != 0) return 0;
  if (g_startUpOptions.noWindow == 0) {
    if (g_window.window == nullptr) return WindowClosed() != 0 ? -1 : 0;
    if (g_startUpOptions.hosted == 0) {
      if (g_window.modeSwitchRequested != 0 && g_windowSettings.maximizeSwitch != 0 && IsMainThread() != 0) {
        g_window.modeSwitchRequested = 0;
        ChangeWindowMode(g_windowSettings.windowMode == 0 ? 1 : 0);
        if (g_windowSettings.modeSwitchCallback != nullptr) {
          g_windowSettings.modeSwitchCallback(g_windowSettings.modeSwitchUser);
        }
      }
      RunPasses();
      if (IsMainThread() != 0 && g_windowSettings.alwaysShowMenu == 0) UpdateFullScreenMouseUi();
    }
  }
  CallSubsystem(kSubsystemSound, &SubsystemHooks::pump);
  CallSubsystem(kSubsystemInput, &SubsystemHooks::pump);
  CallSubsystem(kSubsystemNetwork, &SubsystemHooks::pump);
  g_window.inTextInputStep = 1;
  RunTextInputStep();
  g_window.inTextInputStep = 0;
  return WindowClosed() != 0 ? -1 : 0;
}

int UpdateFullScreenMouseUi() {
  if (g_windowSettings.windowMode != 0) return 0;
  int x = 0, y = 0;
  GetMousePosition(&x, &y);
  g_window.mouseNearTop = y <= 59 ? 1 : 0;
  ScreenApplyGdiSurfaceMode(ScreenGdiSurfaceMode());
  SetCursorVisible(g_window.cursorShown);
  SetMenuBarVisible(g_menu.hidden == 0 ? 1 : 0);
  return 0;
}

void WaitWhileInactive() {
  if (g_window.painting != 0 || g_window.active != 0 || g_startUpOptions.hosted != 0) return;
  if (g_windowSettings.runInBackground != 0 && (g_windowSettings.windowMode != 0 || ScreenGdiSurfaceMode() != 0)) {
    return;
  }
  g_window.inactiveSince = pf::timeGetTime();
  g_window.inactiveSinceSet = 1;
  while (ProcessMessage() == 0 && g_window.active == 0) {
  }
  CallSubsystem(kSubsystemGraphics, &SubsystemHooks::recreateSurfaces);
}

namespace {
// Each pass and each clock reading takes the library lock on its own, so other threads draw
// between the passes of the wait.
int LockedPump() {
  LibraryLockGuard lock;
  return ProcessMessage();
}
std::uint32_t LockedMilliseconds() {
  LibraryLockGuard lock;
  return static_cast<std::uint32_t>(CurrentMilliseconds(0));
}
}  // namespace

int WaitWithMessages(int milliseconds) {
  const std::uint32_t start = LockedMilliseconds();
  const auto span = static_cast<std::uint32_t>(milliseconds > 0 ? milliseconds : 0);
  // Elapsed time as an unsigned difference, so the wait survives the clock's wrap.
  while (LockedPump() == 0 && LockedMilliseconds() - start < span) {
    pf::Sleep(1);
  }
  return 0;
}

std::uint64_t CurrentMicroseconds(int useTimeStamp) {
  const SystemInfo* info = SystemInfoRecord();
  UInt128 product{};
  std::uint64_t result = 0;
  if (info->timeStampCounter != 0 && useTimeStamp == 1 && g_runState.ready != 0 && info->timeStampFrequency != 0) {
    Multiply64To128(pf::ReadTimeStampCounter(), 1000000, &product);
    Divide128By64(&product, info->timeStampFrequency, &result);
    return result;
  }
  if (g_timeSource.usePerformanceCounter == 0 || g_timeSource.performanceFrequency <= 0) {
    return static_cast<std::uint64_t>(pf::timeGetTime()) * 1000;
  }
  std::int64_t counter = 0;
  pf::QueryPerformanceCounter(&counter);
  Multiply64To128(static_cast<std::uint64_t>(counter), 1000000, &product);
  Divide128By64(&product, static_cast<std::uint64_t>(g_timeSource.performanceFrequency), &result);
  return result;
}

}  // namespace zelvo
