// The main window's state records.
#include "media/core/window_state.h"

#include <atomic>
#include <cstring>

namespace zelvo {

namespace {
WindowSettings DefaultWindowSettings() {
  WindowSettings settings{};
  settings.scaleRate = 1.0;
  return settings;
}
}  // namespace

WindowSettings g_windowSettings = DefaultWindowSettings();

WindowState g_window{};

void ClearWindowState() {
  g_window = WindowState{};
}

void ResetWindowState() {
  g_windowSettings = DefaultWindowSettings();
  ClearWindowState();
}

const char* EffectiveClassName() {
  if (g_window.className[0] != '\0') return g_window.className;
  if (g_windowSettings.className[0] != '\0') return g_windowSettings.className;
  if (g_windowSettings.title[0] != '\0') return g_windowSettings.title;
  return "D123987X";
}

void FixClassName() {
  std::strncpy(g_window.className, EffectiveClassName(), sizeof g_window.className - 1);
}

int WindowClosed() { return std::atomic_ref<int>(g_window.closed).load(); }

void MarkWindowClosed() { std::atomic_ref<int>(g_window.closed).store(1); }

int IsMainThread() {
  return g_window.mainThreadId != 0 && pf::GetCurrentThreadId() == g_window.mainThreadId ? 1 : 0;
}

}  // namespace zelvo
