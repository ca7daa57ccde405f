// Window or full screen: the mode flag and its switch, the style table, the title, and the getters
// through which the rest of the library reads the window state.
#include "media/core/window_mode.h"

#include "media/core/core_state.h"
#include "media/core/runtime_routines.h"
#include "media/core/log.h"
#include "media/core/main_window.h"
#include "media/core/menu.h"
#include "media/core/message_pump.h"
#include "media/core/subsystem_hooks.h"
#include "media/core/system_report.h"
#include "media/core/toolbar.h"
#include "media/core/window_state.h"

namespace zelvo {
namespace {

// The display change the screen-mode switch waits for may never come; the wait gives up then.
constexpr std::uint32_t kDisplayChangeWaitMs = 2000;

struct StyleRow {
  std::uint32_t windowStyle, windowExStyle, fullStyle, fullExStyle;
};
constexpr StyleRow kStyleTable[7] = {
    {0x80CA0000u, 0x300u, 0x80000000u, 0x8u}, {0x80080000u, 0x300u, 0x80000000u, 0x8u},
    {0x80080000u, 0x0u, 0x80000000u, 0x8u},   {0x80CA0000u, 0x80u, 0x80000000u, 0x8u},
    {0x80080000u, 0x80u, 0x80000000u, 0x8u},  {0x80C80000u, 0x100u, 0x0u, 0x0u},
    {0x80CA0000u, 0x0u, 0x0u, 0x0u},
};

void ApplyWindowModeStyle() {
  WriteLogText("ウインドウスタイルをウインドウモード用に変更します... ");
  std::uint32_t style = 0, exStyle = 0;
  StyleForCurrentMode(&style, &exStyle);
  pf::SetWindowLong(g_window.window, pf::GWL_EXSTYLE, static_cast<std::int32_t>(exStyle));
  pf::SetWindowLong(g_window.window, pf::GWL_STYLE, static_cast<std::int32_t>(style));
  int width = 0, height = 0;
  WindowClientSize(&width, &height);
  pf::Rect rect{0, 0, width, height};
  pf::AdjustWindowRectEx(&rect, style, pf::GetMenu(g_window.window) != nullptr, exStyle);
  int windowWidth = rect.right - rect.left, windowHeight = rect.bottom - rect.top;
  int x = g_windowSettings.userPositionSet != 0 ? g_windowSettings.userX : (g_window.desktopWidth - windowWidth) / 2;
  int y = g_windowSettings.userPositionSet != 0 ? g_windowSettings.userY : (g_window.desktopHeight - windowHeight) / 2;
  pf::SetWindowPos(g_window.window, nullptr, x, y, windowWidth, windowHeight, pf::SWP_NOZORDER);
  pf::Point origin{0, 0};
  pf::ClientToScreen(g_window.window, &origin);
  int targetX = g_windowSettings.userPositionSet != 0 ? g_windowSettings.userX : 0;
  int targetY = g_windowSettings.userPositionSet != 0 ? g_windowSettings.userY : 0;
  if (origin.x < 0 || origin.y < 0) {
    int dx = origin.x < 0 ? targetX - origin.x : 0;
    int dy = origin.y < 0 ? targetY - origin.y : 0;
    pf::SetWindowPos(g_window.window, nullptr, x + dx, y + dy, 0, 0, pf::SWP_NOZORDER | pf::SWP_NOSIZE);
    origin = pf::Point{0, 0};
    pf::ClientToScreen(g_window.window, &origin);
  }
  pf::Rect client{};
  pf::GetClientRect(g_window.window, &client);
  g_window.clientRect = pf::Rect{origin.x, origin.y, origin.x + client.right, origin.y + client.bottom};
  SetCursorVisible(1);
  WriteLogText("完了\n");
}

void ApplyFullScreenStyle() {
  WriteLogText("ウインドウスタイルをフルスクリーンモード用に変更します... ");
  std::uint32_t style = 0, exStyle = 0;
  StyleForCurrentMode(&style, &exStyle);
  pf::SetWindowLong(g_window.window, pf::GWL_EXSTYLE, static_cast<std::int32_t>(exStyle));
  pf::SetWindowLong(g_window.window, pf::GWL_STYLE, static_cast<std::int32_t>(style));
  int width = 0, height = 0;
  ScreenSize(&width, &height);
  g_window.clientRect = pf::Rect{0, 0, width, height};
  pf::ShowWindow(g_window.window, pf::SW_SHOW);
  pf::UpdateWindow(g_window.window);
  pf::SetWindowPos(g_window.window, pf::kTopmost, 0, 0, width, height, pf::SWP_NOREDRAW);
  SetCursorVisible(0);
  WriteLogText("完了\n");
}

}  // namespace

void StyleForCurrentMode(std::uint32_t* style, std::uint32_t* exStyle) {
  const StyleRow& row = kStyleTable[g_windowSettings.styleIndex];
  if (g_windowSettings.windowMode == 0) {
    *style = row.fullStyle;
    *exStyle = row.fullExStyle;
    return;
  }
  *style = row.windowStyle;
  *exStyle = row.windowExStyle;
  if (g_windowSettings.maximizeSwitch != 0) *style |= pf::WS_MAXIMIZEBOX;
  if (g_windowSettings.styleApplied != 0) *style |= pf::WS_VISIBLE;
  if (g_windowSettings.sizable != 0) *style |= pf::WS_THICKFRAME;
  if (g_windowSettings.hidden != 0) *exStyle |= pf::WS_EX_TRANSPARENT;
}

int ChangeWindowMode(int flag) {
  WriteLogText("ChangeWindowMode実行 \n");
  if (flag == g_windowSettings.windowMode) return 0;
  g_windowSettings.styleApplied = 1;
  SetWindowModeFlag(flag);
  if (g_window.window == nullptr || g_startUpOptions.hosted != 0) return 0;
  g_window.modeChangeRunning = 1;
  g_window.displayChanged = 0;
  ApplyWindowStyle();
  int result = ScreenChangeModeForWindowSwitch();
  std::uint32_t start = pf::timeGetTime();
  while (ProcessMessage() == 0 && g_window.displayChanged == 0 && pf::timeGetTime() - start < kDisplayChangeWaitMs) {
  }
  g_window.modeChangeRunning = 0;
  return result;
}

int SetWindowModeFlag(int flag) {
  g_windowSettings.windowMode = flag;
  WriteLogText(flag != 0 ? "ウインドウモードフラグが立てられました\n" : "ウインドウモードフラグが倒されました\n");
  if (g_window.window != nullptr && g_menu.inUse != 0) {
    pf::SetMenu(g_window.window, flag != 0 ? g_menu.menu : nullptr);
    g_menu.shown = flag != 0 && g_menu.menu != nullptr ? 1 : 0;
  }
  return 0;
}

int ApplyWindowStyle() {
  if (g_window.window == nullptr || g_startUpOptions.hosted != 0) return 0;
  if (g_windowSettings.windowMode != 0) {
    ApplyWindowModeStyle();
  } else {
    ApplyFullScreenStyle();
  }
  g_windowSettings.styleApplied = 1;
  pf::SetActiveWindow(g_window.window);
  pf::PostMessage(g_window.window, pf::WM_SETCURSOR, reinterpret_cast<pf::WParam>(g_window.window), 0);
  return 0;
}

int SetWindowTitle(const char* text) {
  if (text == nullptr) text = "";
  if (g_window.window != nullptr) pf::SetWindowText(g_window.window, text);
  StringPrintf(g_windowSettings.title, sizeof g_windowSettings.title, "%s", text);
  return 0;
}

int SetWindowStyleIndex(int index) {
  if (index < 0 || index > 6) return -1;
  g_windowSettings.styleIndex = index;
  if (g_windowSettings.windowMode != 0) ApplyWindowStyle();
  if (g_window.window != nullptr) pf::UpdateWindow(g_window.window);
  return 0;
}

int IsWindowClosed() { return WindowClosed(); }
int IsClosePosted() { return g_window.closePosted; }
pf::WindowHandle QueryMainWindow() { return g_window.window; }
int QueryWindowMode() { return g_windowSettings.windowMode; }
int QueryAppActive() { return g_window.active; }
int QueryCursorSetting() { return g_window.cursorShown; }

int QueryDesktopMode(int* width, int* height, int* bits) {
  if (width != nullptr) *width = g_window.desktopWidth;
  if (height != nullptr) *height = g_window.desktopHeight;
  if (bits != nullptr) *bits = g_window.desktopBits;
  return 0;
}

int GetClientRectBelowToolbar(pf::Rect* out) {
  *out = g_window.clientRect;
  out->top += GetToolbarHeight();
  out->bottom += GetToolbarHeight();
  return 0;
}


double QueryWindowScaleRate() {
  if (g_windowSettings.scaleRate <= 0.0) g_windowSettings.scaleRate = 1.0;
  return g_windowSettings.windowMode != 0 ? g_windowSettings.scaleRate : 1.0;
}

int QuerySavedWindowOption() { return g_windowSettings.displayOption; }
int QueryMenuEnabled() { return g_menu.inUse; }

}  // namespace zelvo
