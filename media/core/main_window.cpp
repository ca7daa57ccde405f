// The main window's start and end, and its accessories: foreground, fitting to the screen, cursor
// visibility, mouse position and the dropped-file list.
#include "media/core/main_window.h"

#include <atomic>
#include <cerrno>
#include <cstdio>
#include <cstring>

#include "media/core/core_state.h"
#include "media/core/runtime_routines.h"
#include "media/core/log.h"
#include "media/core/menu.h"
#include "media/core/message_pump.h"
#include "media/core/random.h"
#include "media/core/subsystem_hooks.h"
#include "media/core/system_keys.h"
#include "media/core/system_report.h"
#include "media/core/text_input.h"
#include "media/core/toolbar.h"
#include "media/core/window_mode.h"
#include "media/core/window_region.h"
#include "media/core/window_state.h"
#include "platform/kernel/kernel.h"

namespace zelvo {
namespace {

// Waits for messages the platform may never send are bounded by these.
constexpr std::uint32_t kCloseWaitLimitMs = 5000;
constexpr std::uint32_t kCreationPumpMs = 200;

void LogMemory() {
  pf::MemoryStatus status{};
  pf::GlobalMemoryStatus(&status);
  SystemInfo* info = SystemInfoRecord();
  info->totalPhysicalMemory = status.totalPhysical;
  info->freePhysicalMemory = status.availablePhysical;
  const double kMiB = 1.0 / 1048576.0;
  WriteLogFormat("メモリ総量:%.2fMB  空きメモリ領域:%.2fMB ", static_cast<double>(status.totalPhysical) * kMiB,
                 static_cast<double>(status.availablePhysical) * kMiB);
  char line[64];
  StringPrintf(line, sizeof line, "%.2fMB\n", static_cast<double>(status.availablePhysical) * kMiB);
  pf::OutputDebugString(line);
}

// How often timeGetTime and the performance counter change over a short pumped interval decides
// which of them is the finer clock.
void TestTimerPrecision() {
  std::uint32_t period = pf::TimerMinimumPeriod();
  pf::timeBeginPeriod(period);
  if (g_timeSource.usePerformanceCounter == 0) return;
  WriteLogText("タイマーの精度を検査します\n");
  int multimediaCount = 0, counterCount = 0;
  std::uint32_t start = pf::timeGetTime(), lastTime = start;
  std::int64_t lastCounter = 0;
  pf::QueryPerformanceCounter(&lastCounter);
  while (ProcessMessage() == 0 && multimediaCount < 60 && counterCount < 60) {
    std::uint32_t now = pf::timeGetTime();
    std::int64_t counter = 0;
    pf::QueryPerformanceCounter(&counter);
    if (now != lastTime) ++multimediaCount;
    if (counter != lastCounter) ++counterCount;
    lastTime = now;
    lastCounter = counter;
    if (now - start >= 1000) break;
  }
  WriteLogFormat("精度結果 更新回数 マルチメディアタイマー：%d  パフォーマンスカウンター：%d", multimediaCount,
                 counterCount);
  if (counterCount < multimediaCount) {
    WriteLogFormat("マルチメディアタイマーを使用します タイマー分解能 : %d.00 ms ", static_cast<int>(period));
    g_timeSource.usePerformanceCounter = 0;
  } else {
    WriteLogFormat("パフォーマンスカウンターを使用します タイマー分解能 : %lf KHz ",
                   static_cast<double>(g_timeSource.performanceFrequency) * 0.001);
  }
}

// The start of the window start that is not window work: the state is cleared (the settings stay),
// memory and desktop are recorded, the clock is chosen and the random generator seeded.
void PrepareWindowStart() {
  ClearWindowState();
  FixClassName();
  g_window.mainThreadId = pf::GetCurrentThreadId();
  LogMemory();
  pf::GetDesktopMode(&g_window.desktopWidth, &g_window.desktopHeight, &g_window.desktopBits);
  TestTimerPrecision();
  SeedRandom(pf::timeGetTime());
  pf::SystemParametersInfo(pf::SPI_SETSCREENSAVEACTIVE, 0, nullptr, 0);
}

int CheckDoubleLaunch() {
  WriteLogText("ソフトの二重起動検査... ");
  int taken = pf::AcquireInstanceLock(EffectiveClassName());
  g_window.instanceLocked = taken == 1 ? 1 : 0;
  if (taken == 0) {
    if (g_windowSettings.allowDoubleLaunch == 0) {
      WriteLogText("二重起動されています、ソフトを終了します\n");
      // The log is often off: the user who started this copy is told why it ends at once.
      std::fprintf(stderr, "%s: already running (another copy is open); this copy ends\n",
                   program_invocation_short_name);
      MarkWindowClosed();
      return -1;
    }
    WriteLogText("二重起動されていますが続行します\n");
    return 0;
  }
  WriteLogText("二重起動はされていませんでした\n");
  return 0;
}

pf::WindowHandle CreateMainWindow() {
  std::uint32_t style = 0, exStyle = 0;
  StyleForCurrentMode(&style, &exStyle);
  int screenWidth = 0, screenHeight = 0;
  ScreenSize(&screenWidth, &screenHeight);
  if (g_windowSettings.windowMode != 0) {
    WriteLogText("ウインドウモード起動用のウインドウを作成します\n");
    int width = 0, height = 0;
    WindowClientSize(&width, &height);
    pf::Rect rect{0, 0, width, height};
    pf::AdjustWindowRectEx(&rect, style, g_menu.menu != nullptr, exStyle);
    width = rect.right - rect.left;
    height = rect.bottom - rect.top;
    int x = g_windowSettings.userPositionSet != 0 ? g_windowSettings.userX : (g_window.desktopWidth - width) / 2;
    int y = g_windowSettings.userPositionSet != 0 ? g_windowSettings.userY : (g_window.desktopHeight - height) / 2;
    pf::WindowHandle window = pf::CreateWindowEx(exStyle, EffectiveClassName(), g_windowSettings.title, style, x, y,
                                                 width, height, nullptr, g_menu.menu, g_window.instance);
    g_menu.shown = window != nullptr && g_menu.menu != nullptr ? 1 : 0;
    return window;
  }
  WriteLogText("フルスクリーンモード用のウインドウを作成します\n");
  return pf::CreateWindowEx(exStyle, EffectiveClassName(), g_windowSettings.title, style, 0, 0, screenWidth,
                            screenHeight, nullptr, nullptr, g_window.instance);
}

void RecordClientRect() {
  pf::Rect client{};
  pf::GetClientRect(g_window.window, &client);
  pf::Point origin{0, 0};
  pf::ClientToScreen(g_window.window, &origin);
  g_window.clientRect = pf::Rect{origin.x, origin.y, origin.x + client.right, origin.y + client.bottom};
}

void LowerShowCountBelowZero() {
  int count = pf::ShowCursor(true);
  do {
    count = pf::ShowCursor(false);
  } while (count >= 0);
}

void RaiseShowCountToZero() {
  int count = pf::ShowCursor(false);
  do {
    count = pf::ShowCursor(true);
  } while (count < 0);
}

}  // namespace

void WindowClientSize(int* width, int* height) {
  int screenWidth = 0, screenHeight = 0;
  ScreenSize(&screenWidth, &screenHeight);
  double rate = QueryWindowScaleRate();
  *width = static_cast<int>(screenWidth * rate);
  *height = static_cast<int>(screenHeight * rate) + GetToolbarHeight();
}

int StartMainWindow() {
  PrepareWindowStart();
  if (CheckDoubleLaunch() != 0) return -1;
  if (g_menu.inUse != 0) BuildMenuItemTable(g_menu.menu);

  g_window.creating = 1;
  WriteLogText("ウインドウクラスを登録します... ");
  pf::WindowClass windowClass{pf::CS_HREDRAW | pf::CS_VREDRAW,
                              MainWindowProc,
                              g_window.instance,
                              g_windowSettings.iconId != 0 ? g_windowSettings.iconId : pf::kIdiApplication,
                              0,
                              0,
                              nullptr,
                              EffectiveClassName()};
  if (pf::RegisterClass(&windowClass) == 0) {
    MarkWindowClosed();
    WriteLogText("ウインドウクラスの登録に失敗しました\n");
    pf::ReleaseInstanceLock();
    return -1;
  }
  WriteLogText("登録に成功しました\n");
  if (g_windowSettings.title[0] == '\0') CopyString(g_windowSettings.title, "Zelvo");

  g_window.window = CreateMainWindow();
  if (g_window.window == nullptr) {
    MarkWindowClosed();
    WriteLogText("ウインドウの作成に失敗しました\n");
    // Left registered, the class would refuse the next start-up's registration.
    pf::UnregisterClass(EffectiveClassName(), g_window.instance);
    pf::ReleaseInstanceLock();
    return -1;
  }
  if (g_windowSettings.hidden != 0) {
    pf::ShowWindow(g_window.window, pf::SW_HIDE);
  } else {
    pf::ShowWindow(g_window.window, pf::SW_SHOW);
    pf::UpdateWindow(g_window.window);
  }
  g_window.closePosted = 0;
  g_window.active = 1;
  if (g_windowSettings.windowMode == 0) WriteLogText("カーソルを不可視にしました\n");
  WriteLogText("ＩＭＥを無効にしました\n");
  pf::WINNLSEnableIME(g_window.window, false);
  if (g_windowSettings.windowMode != 0) RecordClientRect();
  g_textInput.codePageKind = pf::GetOEMCP() == 949 ? 2 : 1;
  SetCursorVisible(g_windowSettings.windowMode != 0 ? 1 : 0);

  g_runState.ending = 0;
  if (g_windowSettings.hidden == 0) pf::BringWindowToTop(g_window.window);
  std::uint32_t start = pf::timeGetTime();
  while (pf::timeGetTime() - start < kCreationPumpMs) ProcessMessage();
  if (g_windowSettings.hidden == 0) FitWindowToScreen();
  g_window.creating = 0;

  if (StartMessageThread() != 0) {
    WriteLogText("ProcessMessage をひたすら呼びつづけるスレッドの立ち上げに失敗しました\n");
  }
  return 0;
}

int EndMainWindow() {
  if (g_window.window == nullptr) return 0;
  // A fatal stop on the message thread must neither wait for itself nor touch a window it does
  // not own; the process ends right after.
  if (IsMainThread() == 0) {
    std::atomic_ref<int>(g_window.messageThreadEnded).store(1);
    g_window.window = nullptr;
    return 0;
  }
  pf::SystemParametersInfo(pf::SPI_SETSCREENSAVEACTIVE, 1, nullptr, 0);
  pf::WINNLSEnableIME(g_window.window, true);
  SetCursorVisible(1);
  RemoveSystemKeyHook();
  RemoveWindowRegion(g_window.window);
  pf::SetMenu(g_window.window, nullptr);
  g_menu.shown = 0;
  RemoveToolbar();
  if (g_window.closePosted == 0) {
    pf::PostMessage(g_window.window, pf::WM_CLOSE, 0, 0);
    g_window.closePosted = 1;
  }
  std::uint32_t start = pf::timeGetTime();
  while (ProcessMessage() == 0 && pf::timeGetTime() - start < kCloseWaitLimitMs) {
  }
  if (pf::IsWindow(g_window.window)) pf::DestroyWindow(g_window.window);
  MarkWindowClosed();
  pf::UnregisterClass(EffectiveClassName(), g_window.instance);
  DeleteAllKeyInputs();
  ClearImeState();
  FreeDroppedFiles();
  WaitForMessageThread();
  pf::timeEndPeriod(pf::TimerMinimumPeriod());
  g_window.window = nullptr;
  if (g_window.instanceLocked != 0) pf::ReleaseInstanceLock();
  g_window.instanceLocked = 0;
  return 0;
}

void BringWindowToForeground(pf::WindowHandle window, int topmost) {
  pf::WindowHandle current = pf::GetForegroundWindow();
  std::uint32_t self = pf::GetCurrentThreadId();
  std::uint32_t other = current != nullptr ? pf::GetWindowThreadProcessId(current, nullptr) : self;
  pf::AttachThreadInput(self, other, true);
  std::uint32_t timeout = 0;
  pf::SystemParametersInfo(pf::SPI_GETFOREGROUNDLOCKTIMEOUT, 0, &timeout, 0);
  pf::SystemParametersInfo(pf::SPI_SETFOREGROUNDLOCKTIMEOUT, 0, nullptr, 0);
  pf::SetForegroundWindow(window);
  pf::SystemParametersInfo(pf::SPI_SETFOREGROUNDLOCKTIMEOUT, 0, reinterpret_cast<void*>(std::uintptr_t{timeout}), 0);
  pf::AttachThreadInput(self, other, false);
  if (topmost != 0) {
    pf::SetWindowPos(g_window.window, pf::kTopmost, 0, 0, 0, 0, pf::SWP_NOMOVE | pf::SWP_NOSIZE | pf::SWP_NOREDRAW);
  }
}

int FitWindowToScreen() {
  if (g_window.window == nullptr) return 0;
  if (g_windowSettings.windowMode != 0 && g_windowSettings.styleApplied == 0) {
    ApplyWindowStyle();
    return 0;
  }
  int width = 0, height = 0;
  WindowClientSize(&width, &height);
  std::uint32_t style = static_cast<std::uint32_t>(pf::GetWindowLong(g_window.window, pf::GWL_STYLE));
  std::uint32_t exStyle = static_cast<std::uint32_t>(pf::GetWindowLong(g_window.window, pf::GWL_EXSTYLE));
  pf::Rect frame{0, 0, width, height};
  pf::AdjustWindowRectEx(&frame, style, pf::GetMenu(g_window.window) != nullptr, exStyle);
  pf::Rect current{};
  pf::GetWindowRect(g_window.window, &current);
  pf::MoveWindow(g_window.window, current.left, current.top, frame.right - frame.left, frame.bottom - frame.top, true);
  return 0;
}

int SetCursorVisible(int flag) {
  int visible = flag == 1 || g_menu.shown != 0 ? 1 : 0;
  if (g_window.window != nullptr && (g_window.cursorStateKnown == 0 || visible != g_window.cursorVisible)) {
    if (visible != 0) {
      RaiseShowCountToZero();
    } else {
      LowerShowCountBelowZero();
    }
    pf::PostMessage(g_window.window, pf::WM_SETCURSOR, reinterpret_cast<pf::WParam>(g_window.window), 0);
    g_window.cursorVisible = visible;
    g_window.cursorStateKnown = 1;
  }
  g_window.cursorShown = flag;
  return 0;
}

int GetMousePosition(int* x, int* y) {
  pf::Point point{0, 0};
  pf::GetCursorPos(&point);
  if (g_windowSettings.windowMode != 0) {
    double rate = QueryWindowScaleRate();
    point.x = static_cast<int>((point.x - g_window.clientRect.left) / rate);
    point.y = static_cast<int>((point.y - g_window.clientRect.top - GetToolbarHeight()) / rate);
  }
  if (x != nullptr) *x = point.x;
  if (y != nullptr) *y = point.y;
  return 0;
}

int FreeDroppedFiles() {
  for (int i = 0; i < g_window.droppedFileCount; ++i) TrackedFree(g_window.droppedFiles[i]);
  g_window.droppedFileCount = 0;
  return 0;
}

}  // namespace zelvo
