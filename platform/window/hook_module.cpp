// The layer's own modules, and the message hook of the one module it holds: "zzvv_MesHoooooook.dll",
// whose "SetMSGHookDll" hooks a window so that system key combinations (Alt+Tab, the Windows key)
// stay with it. The host's keyboard grab is what keeps them; it lasts while any hook stands.
#include <array>
#include <mutex>

#include "platform/host/host.h"
#include "platform/kernel/kernel_testing.h"
#include "platform/kernel/name_compare.h"
#include "platform/window/window.h"
#include "platform/window/window_internal.h"

namespace pf {

struct ModuleRecord {
  const char* name;
  int loadCount;
};

struct HookRecord {
  WindowHandle window;
};

namespace {

constexpr int kMaxHooks = 8;

struct HookModuleState {
  std::mutex mutex;
  ModuleRecord messageHook{"zzvv_MesHoooooook.dll", 0};
  std::array<HookRecord, kMaxHooks> hooks{};
};

HookModuleState& State() {
  static HookModuleState state;
  return state;
}

int LiveHooks(const HookModuleState& state) {
  int live = 0;
  for (const HookRecord& hook : state.hooks) live += hook.window != nullptr ? 1 : 0;
  return live;
}

void ApplyGrab(bool on) {
  if (host::Host* current = host::CurrentHost(); current != nullptr) current->SetKeyboardGrab(on);
}

// The module's export: hooks the window's thread; null for no window or a full hook table.
HookHandle SetMSGHookDll(WindowHandle window) {
  if (window == nullptr || testing::ShouldFail("SetMSGHookDll")) return nullptr;
  HookModuleState& state = State();
  std::lock_guard<std::mutex> lock(state.mutex);
  for (HookRecord& hook : state.hooks) {
    if (hook.window != nullptr) continue;
    hook.window = window;
    ApplyGrab(true);
    return &hook;
  }
  return nullptr;
}

}  // namespace

ModuleHandle LoadLibrary(const char* name) {
  if (name == nullptr || testing::ShouldFail("LoadLibrary")) return nullptr;
  HookModuleState& state = State();
  std::lock_guard<std::mutex> lock(state.mutex);
  if (!names::SameIgnoringCase(name, state.messageHook.name)) return nullptr;
  ++state.messageHook.loadCount;
  return &state.messageHook;
}

ProcAddress GetProcAddress(ModuleHandle module, const char* name) {
  HookModuleState& state = State();
  if (module != &state.messageHook || name == nullptr || std::string_view(name) != "SetMSGHookDll") return nullptr;
  return reinterpret_cast<ProcAddress>(&SetMSGHookDll);
}

bool FreeLibrary(ModuleHandle module) {
  HookModuleState& state = State();
  std::lock_guard<std::mutex> lock(state.mutex);
  if (module != &state.messageHook || state.messageHook.loadCount == 0) return false;
  --state.messageHook.loadCount;
  return true;
}

bool UnhookWindowsHookEx(HookHandle hook) {
  HookModuleState& state = State();
  std::lock_guard<std::mutex> lock(state.mutex);
  if (hook == nullptr || hook < state.hooks.data() || hook >= state.hooks.data() + kMaxHooks ||
      hook->window == nullptr) {
    return false;
  }
  hook->window = nullptr;
  if (LiveHooks(state) == 0) ApplyGrab(false);
  return true;
}

namespace window_system {

void ForgetHooks(WindowHandle window) {
  HookModuleState& state = State();
  std::lock_guard<std::mutex> lock(state.mutex);
  bool hooked = false;
  for (HookRecord& hook : state.hooks) {
    if (hook.window != window) continue;
    hook.window = nullptr;
    hooked = true;
  }
  if (hooked && LiveHooks(state) == 0) ApplyGrab(false);
}

}  // namespace window_system

namespace testing {

int LoadedModuleCount(const char* name) {
  HookModuleState& state = State();
  std::lock_guard<std::mutex> lock(state.mutex);
  return name != nullptr && names::SameIgnoringCase(name, state.messageHook.name) ? state.messageHook.loadCount : 0;
}

}  // namespace testing

}  // namespace pf
