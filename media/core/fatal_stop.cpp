// The library's fatal stop: the message goes to the log, the library is shut down, the lock's
// events are closed and the process ends with exit code -1.
#include <atomic>
#include <cstdarg>
#include <cstdlib>

#include "media/core/runtime_routines.h"
#include "media/core/library_lock.h"
#include "media/core/log.h"

namespace zelvo {

namespace {

void (*g_abortShutdownHook)() = nullptr;
// A fatal stop met while one is already shutting down only logs its text and ends the process, so
// a failure inside the shut-down cannot recurse into it.
std::atomic<int> g_aborting{0};

}  // namespace

void SetAbortShutdownHook(void (*hook)()) {
  g_abortShutdownHook = hook;
}

void AbortWithLog(const char* text) {
  WriteLogText(text);
  WriteLogText("\n");
  if (g_aborting.exchange(1) == 0) {
    if (g_abortShutdownHook != nullptr) {
      g_abortShutdownHook();
    }
    CloseLibraryLock();
  }
  // Ends at once, like the platform's process exit: no static destructors run under other threads.
  std::_Exit(-1);
}

void AbortWithLogFormat(const char* format, ...) {
  char buffer[1024];
  va_list args;
  va_start(args, format);
  StringVPrintf(buffer, sizeof buffer, format, args);
  va_end(args);
  AbortWithLog(buffer);
}

}  // namespace zelvo
