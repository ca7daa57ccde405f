#pragma once
// Test controls of the kernel stand-in.
#include <cstdint>
#include <string>

namespace pf::testing {

// Fault switches: the next `count` calls of the named platform function fail as the platform would
// report it. The kernel knows "CreateFile", "ReadFile", "WriteFile", "FlushFileBuffers", "DeleteFile",
// "CreateDirectory", "RemoveDirectory", "MoveFileReplace", "GetTempFileName", "FindFirstFile",
// "CreateThread", "CreateEvent", "HeapAlloc", and for CRT files "TextFileOpen" and "TextFileWrite" (a failed
// write makes TextFileClose return -1; "FlushFileBuffers" also fails the flush at close). Other areas
// of the layer use the same switches for their own calls ("DirectDrawCreate", "Lock", ...).
void FailNextCalls(const char* function, int count);
// The same, after the next `skip` calls of the function have succeeded.
void FailCallsAfter(const char* function, int skip, int count);
void ClearFaults();
// Called by the layer at each call that can fail: true when this call must fail.
bool ShouldFail(const char* function);

// Virtual clock (see pf::SetVirtualClock).
void SetVirtualTime(std::uint32_t milliseconds);

// Processor identification switched off, as on a processor without it.
void SetCpuIdAvailable(bool available);

// Debugger output captured into a string (CP932 bytes as written) while on.
void CaptureDebugOutput(bool on);
std::string TakeDebugOutput();

}  // namespace pf::testing
