#include "media/core/system_keys.h"

#include "media/core/system_report.h"
#include "media/core/window_state.h"

namespace zelvo {
namespace {

constexpr int kHookOsCode = 260;

void InstallSystemKeyHook(pf::WindowHandle window) {
  // A second activation without a deactivation between keeps the hook it has.
  if (g_window.systemKeyHook != nullptr) return;
  pf::ModuleHandle module = pf::LoadLibrary("zzvv_MesHoooooook.dll");
  if (module == nullptr) return;
  const auto setHook = reinterpret_cast<pf::MessageHookSetter>(pf::GetProcAddress(module, "SetMSGHookDll"));
  pf::HookHandle hook = setHook != nullptr ? setHook(window) : nullptr;
  if (hook == nullptr) {
    pf::FreeLibrary(module);
    return;
  }
  g_window.systemKeyHookModule = module;
  g_window.systemKeyHook = hook;
}

}  // namespace

void FollowSystemKeyBlock(pf::WindowHandle window, int active) {
  if (g_windowSettings.blockSystemKeys == 0) return;
  if (SystemInfoRecord()->osCode < kHookOsCode) {
    pf::SystemParametersInfo(pf::SPI_SCREENSAVERRUNNING, active != 0 ? 1 : 0, nullptr, 0);
    return;
  }
  if (active != 0) {
    InstallSystemKeyHook(window);
  } else {
    RemoveSystemKeyHook();
  }
}

void RemoveSystemKeyHook() {
  if (g_window.systemKeyHook != nullptr) pf::UnhookWindowsHookEx(g_window.systemKeyHook);
  if (g_window.systemKeyHookModule != nullptr) pf::FreeLibrary(g_window.systemKeyHookModule);
  g_window.systemKeyHook = nullptr;
  g_window.systemKeyHookModule = nullptr;
}

}  // namespace zelvo
