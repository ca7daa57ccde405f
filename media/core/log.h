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

}  // namespace zelvo

#define ZELVO_ALLOC(size) ::zelvo::TrackedAlloc((size), __FILE__, __LINE__)
#define ZELVO_ALLOC_ZEROED(size) ::zelvo::TrackedAllocZeroed((size), __FILE__, __LINE__)
