// The library lock: recursive for its owner, and handed over in arrival order. A thread that must
// wait joins the tail of a queue of at most 4096 waiters, each parked on a manual-reset event of its
// own; a release wakes only the head. The guard is held only for the few field updates, never
// across a wait, and the uncontended path touches no event, so it makes no system call.
#include "media/core/library_lock.h"

#include <atomic>
#include <mutex>

#include "platform/kernel/kernel.h"

namespace zelvo {

namespace {

constexpr int kMaxWaiters = 4096;
constexpr std::uint32_t kNoOwner = 0xFFFFFFFFu;
constexpr std::uint32_t kClosedPollMs = 1000;

struct Waiter {
  std::uint32_t threadId;
  pf::Handle event;
};

struct LibraryLockState {
  std::atomic<int> initialised{0};
  int depth = 0;
  int locked = 0;
  std::uint32_t owner = kNoOwner;
  Waiter waiters[kMaxWaiters] = {};
  int waiterCount = 0;
  pf::CriticalSection guard{};
};
LibraryLockState g_libraryLock;
// Serialises only the creation and closing of the events, never a take or release.
std::mutex g_lockSetup;

// The thread id, asked of the system once per thread.
std::uint32_t CallerId() {
  thread_local std::uint32_t id = pf::GetCurrentThreadId();
  return id;
}

void EnsureInitialised() {
  if (g_libraryLock.initialised.load(std::memory_order_acquire) != 0) {
    return;
  }
  std::lock_guard<std::mutex> setup(g_lockSetup);
  if (g_libraryLock.initialised.load(std::memory_order_relaxed) != 0) {
    return;
  }
  for (Waiter& waiter : g_libraryLock.waiters) {
    waiter.threadId = 0;
    waiter.event = pf::CreateEvent(true, false);
  }
  pf::InitializeCriticalSection(&g_libraryLock.guard);
  g_libraryLock.initialised.store(1, std::memory_order_release);
}

// Position of the thread in the queue, or -1. Guard held.
int QueuePosition(std::uint32_t id) {
  for (int i = 0; i < g_libraryLock.waiterCount; ++i) {
    if (g_libraryLock.waiters[i].threadId == id) {
      return i;
    }
  }
  return -1;
}

// Takes the waiter at `position` out of the queue: the entries behind it move up one place with
// their events and its event goes to the slot freed at the tail. Guard held.
void RemoveWaiter(int position) {
  const pf::Handle event = g_libraryLock.waiters[position].event;
  for (int i = position; i < g_libraryLock.waiterCount - 1; ++i) {
    g_libraryLock.waiters[i] = g_libraryLock.waiters[i + 1];
  }
  g_libraryLock.waiterCount -= 1;
  g_libraryLock.waiters[g_libraryLock.waiterCount].threadId = 0;
  g_libraryLock.waiters[g_libraryLock.waiterCount].event = event;
}

enum class Attempt { kTaken, kQueued, kQueueFull };

// One pass of the take protocol under the guard. On kTaken the caller owns the lock; on kQueued
// `*event` is the event it parks on.
Attempt TryTake(std::uint32_t id, pf::Handle* event) {
  pf::EnterCriticalSection(&g_libraryLock.guard);
  Attempt result;
  const bool isFree = g_libraryLock.locked == 0;
  int position = -1;
  if (g_libraryLock.locked != 0 && g_libraryLock.owner == id) {
    result = Attempt::kTaken;
  } else if (isFree && g_libraryLock.waiterCount == 0) {
    result = Attempt::kTaken;
  } else if (isFree && g_libraryLock.waiters[0].threadId == id) {
    RemoveWaiter(0);
    result = Attempt::kTaken;
  } else if ((position = QueuePosition(id)) >= 0) {
    // Woken while still queued behind others (a waiter that gave up signalled it): wait again.
    *event = g_libraryLock.waiters[position].event;
    result = Attempt::kQueued;
  } else if (g_libraryLock.waiterCount == kMaxWaiters) {
    result = Attempt::kQueueFull;
  } else {
    Waiter& tail = g_libraryLock.waiters[g_libraryLock.waiterCount];
    tail.threadId = id;
    *event = tail.event;
    g_libraryLock.waiterCount += 1;
    result = Attempt::kQueued;
  }
  if (result == Attempt::kTaken) {
    g_libraryLock.locked = 1;
    g_libraryLock.owner = id;
    g_libraryLock.depth += 1;
  }
  pf::LeaveCriticalSection(&g_libraryLock.guard);
  return result;
}

// Gives up one level; returns the head waiter's event when the lock became free with threads
// queued, else null.
pf::Handle ReleaseOneLevel() {
  pf::Handle wake = nullptr;
  pf::EnterCriticalSection(&g_libraryLock.guard);
  if (g_libraryLock.depth > 0) {
    if (g_libraryLock.depth == 1) {
      g_libraryLock.locked = 0;
      g_libraryLock.owner = kNoOwner;
      if (g_libraryLock.waiterCount > 0) {
        wake = g_libraryLock.waiters[0].event;
      }
    }
    g_libraryLock.depth -= 1;
  }
  pf::LeaveCriticalSection(&g_libraryLock.guard);
  return wake;
}

// The message thread leaves the queue for good; if it stood at the head and others still wait, the
// new head is woken so the queue does not stall behind it.
void LeaveQueue(std::uint32_t id) {
  pf::Handle wake = nullptr;
  pf::EnterCriticalSection(&g_libraryLock.guard);
  const int position = QueuePosition(id);
  if (position >= 0) {
    pf::ResetEvent(g_libraryLock.waiters[position].event);
    RemoveWaiter(position);
    if (position == 0 && g_libraryLock.waiterCount > 0) {
      wake = g_libraryLock.waiters[0].event;
    }
  }
  pf::LeaveCriticalSection(&g_libraryLock.guard);
  if (wake != nullptr) {
    pf::SetEvent(wake);
  }
}

}  // namespace

void TakeLibraryLock() {
  EnsureInitialised();
  const std::uint32_t id = CallerId();
  for (;;) {
    pf::Handle event = nullptr;
    const Attempt attempt = TryTake(id, &event);
    if (attempt == Attempt::kTaken) {
      return;
    }
    if (attempt == Attempt::kQueueFull) {
      pf::Sleep(1);
      continue;
    }
    pf::WaitForSingleObject(event, pf::kInfinite);
    pf::ResetEvent(event);
  }
}

void ReleaseLibraryLock() {
  const pf::Handle wake = ReleaseOneLevel();
  if (wake != nullptr) {
    pf::SetEvent(wake);
    pf::Sleep(0);
  }
}

int TakeLibraryLockUnlessClosed(int* windowClosed) {
  const std::atomic_ref<int> closed(*windowClosed);
  EnsureInitialised();
  const std::uint32_t id = CallerId();
  for (;;) {
    pf::Handle event = nullptr;
    const Attempt attempt = TryTake(id, &event);
    if (attempt == Attempt::kTaken) {
      return 1;
    }
    if (closed.load() != 0) {
      LeaveQueue(id);
      return 0;
    }
    if (attempt == Attempt::kQueueFull) {
      pf::Sleep(1);
      continue;
    }
    while (pf::WaitForSingleObject(event, kClosedPollMs) == pf::kWaitTimeout) {
      if (closed.load() != 0) {
        LeaveQueue(id);
        return 0;
      }
    }
    pf::ResetEvent(event);
    if (closed.load() != 0) {
      LeaveQueue(id);
      return 0;
    }
  }
}

void WakeLibraryLockWaiter(std::uint32_t threadId) {
  if (g_libraryLock.initialised.load(std::memory_order_acquire) == 0) return;
  pf::Handle wake = nullptr;
  pf::EnterCriticalSection(&g_libraryLock.guard);
  const int position = QueuePosition(threadId);
  if (position >= 0) wake = g_libraryLock.waiters[position].event;
  pf::LeaveCriticalSection(&g_libraryLock.guard);
  if (wake != nullptr) pf::SetEvent(wake);
}

void ReleaseLibraryLockNoYield() {
  const pf::Handle wake = ReleaseOneLevel();
  if (wake != nullptr) {
    pf::SetEvent(wake);
  }
}

void CloseLibraryLock() {
  std::lock_guard<std::mutex> setup(g_lockSetup);
  if (g_libraryLock.initialised.load(std::memory_order_relaxed) == 0) {
    return;
  }
  for (Waiter& waiter : g_libraryLock.waiters) {
    pf::CloseHandle(waiter.event);
    waiter.event = nullptr;
    waiter.threadId = 0;
  }
  pf::DeleteCriticalSection(&g_libraryLock.guard);
  g_libraryLock.depth = 0;
  g_libraryLock.locked = 0;
  g_libraryLock.owner = kNoOwner;
  g_libraryLock.waiterCount = 0;
  g_libraryLock.initialised.store(0, std::memory_order_release);
}

int LibraryLockWaiterCount() {
  if (g_libraryLock.initialised.load(std::memory_order_acquire) == 0) {
    return 0;
  }
  pf::EnterCriticalSection(&g_libraryLock.guard);
  const int count = g_libraryLock.waiterCount;
  pf::LeaveCriticalSection(&g_libraryLock.guard);
  return count;
}

}  // namespace zelvo
