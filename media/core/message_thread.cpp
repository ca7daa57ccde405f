// The message thread: every 17 ms it takes the library lock and runs ProcessMessage, so streams
// keep playing and the periodic work keeps running while the program is busy between frames.
#include <atomic>

#include "media/core/library_lock.h"
#include "media/core/message_pump.h"
#include "media/core/window_state.h"
#include "platform/kernel/kernel.h"

namespace zelvo {
namespace {

constexpr std::uint32_t kMessageThreadPeriodMs = 17;
std::atomic<std::uint64_t> g_messageThreadPasses{0};
std::atomic<std::uint32_t> g_messageThreadId{0};

std::uint32_t MessageThreadMain(void*) {
  g_messageThreadId.store(pf::GetCurrentThreadId());
  while (WindowClosed() == 0) {
    if (TakeLibraryLockUnlessClosed(&g_window.closed) == 0) break;
    int result = ProcessMessage();
    g_messageThreadPasses.fetch_add(1, std::memory_order_relaxed);
    ReleaseLibraryLockNoYield();
    if (result < 0) break;
    pf::Sleep(kMessageThreadPeriodMs);
  }
  std::atomic_ref<int>(g_window.messageThreadEnded).store(1);
  return 0;
}

}  // namespace

int StartMessageThread() {
  std::atomic_ref<int>(g_window.messageThreadEnded).store(0);
  g_window.messageThread = pf::CreateThread(MessageThreadMain, nullptr, nullptr);
  return g_window.messageThread != nullptr ? 0 : -1;
}

void WaitForMessageThread() {
  if (g_window.messageThread == nullptr) return;
  // The thread may be queued for the lock this thread holds: wake it to see the closed window.
  if (const std::uint32_t id = g_messageThreadId.load(); id != 0) WakeLibraryLockWaiter(id);
  while (std::atomic_ref<int>(g_window.messageThreadEnded).load() == 0) pf::Sleep(1);
  pf::CloseHandle(g_window.messageThread);
  g_window.messageThread = nullptr;
}

std::uint64_t MessageThreadPassCount() { return g_messageThreadPasses.load(std::memory_order_relaxed); }

}  // namespace zelvo
