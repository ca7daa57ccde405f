#pragma once
// The log file ("Log.txt" in the start folder, CP932 with CR LF, "%d:" stamps and TAB indents) and the
// tracked allocator through which all library heap memory goes.
#include <cstddef>

namespace zelvo {

int StartLogFile();
int WriteLogText(const char* text);                                    // always -1
int WriteLogFormat(const char* format, ...) __attribute__((format(printf, 1, 2)));  // always -1
int PushLogIndent();
int PopLogIndent();
[[noreturn]] void AbortWithLog(const char* text);
[[noreturn]] void AbortWithLogFormat(const char* format, ...) __attribute__((format(printf, 1, 2)));
int SetLogOff(int off);   // 1 suppresses all log output; the public switch passes (flag == 0)
void SetDatedLog(int on);
void SetLogTimestampOff(int off);

void* TrackedAlloc(std::size_t size, const char* file, int line);
void* TrackedAllocZeroed(std::size_t size, const char* file, int line);
int TrackedFree(void* pointer);
int VerifyTrackedBlocks();
int DumpTrackedBlocks();

struct TrackedTotals { std::size_t liveBytes; int liveCount; };
TrackedTotals TrackedAllocatorTotals();

// What the allocator writes to the log: blocks whose size equals watchSize (every block when it is
// negative, or with logEveryBlock), the totals after each operation, and a check of every header
// on each allocation and free. All off (watchSize 0) at load.
struct TrackedAllocOptions {
  int watchSize;
  int logEveryBlock;
  int logTotals;
  int verifyEach;
};
void SetTrackedAllocOptions(const TrackedAllocOptions& options);
TrackedAllocOptions GetTrackedAllocOptions();

// The shut-down that a fatal stop runs before the process ends; registered by start-up.
void SetAbortShutdownHook(void (*hook)());

// The log settings and position as at process start.
void ResetLogState();

}  // namespace zelvo

#define ZELVO_ALLOC(size) ::zelvo::TrackedAlloc((size), __FILE__, __LINE__)
#define ZELVO_ALLOC_ZEROED(size) ::zelvo::TrackedAllocZeroed((size), __FILE__, __LINE__)
