#pragma once
// The recursive, first-come-first-served lock that serialises all library state.
#include <cstdint>

namespace zelvo {

void TakeLibraryLock();
void ReleaseLibraryLock();
void CloseLibraryLock();

// The message thread's variant: waits in 1000 ms slices and gives up (leaving the queue) once
// *windowClosed becomes nonzero (read atomically: its writer holds the lock); returns 1 when the
// lock was taken, 0 when it gave up.
int TakeLibraryLockUnlessClosed(int* windowClosed);
// The message thread's release: signals the next waiter without yielding.
void ReleaseLibraryLockNoYield();
// Wakes the thread if it waits in the queue, so a waiter that gives up when the window closes
// sees the close at once instead of at the end of its slice.
void WakeLibraryLockWaiter(std::uint32_t threadId);

// Number of threads queued for the lock (for tests that line threads up).
int LibraryLockWaiterCount();

class LibraryLockGuard {
 public:
  LibraryLockGuard() { TakeLibraryLock(); }
  ~LibraryLockGuard() { ReleaseLibraryLock(); }
  LibraryLockGuard(const LibraryLockGuard&) = delete;
  LibraryLockGuard& operator=(const LibraryLockGuard&) = delete;
};

}  // namespace zelvo
