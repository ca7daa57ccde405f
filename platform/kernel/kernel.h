#pragma once
// The kernel services the library calls: files and folders, threads and synchronisation, time,
// memory status, processor identification and debugger output. Call shapes and results follow the
// platform the library was written for; paths and names on this side are CP932 Windows paths
// ("Z:\home\u\game\bmp\a.bmp", "bmp\a.bmp") mapped onto the POSIX tree in UTF-8.
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

namespace pf {

// ---------------------------------------------------------------- handles
struct KernelObject;                       // file, event, thread or search
using Handle = KernelObject*;
inline Handle const kInvalidHandle = reinterpret_cast<Handle>(static_cast<std::intptr_t>(-1));

bool CloseHandle(Handle handle);

// ---------------------------------------------------------------- files
enum : std::uint32_t { kGenericRead = 0x80000000u, kGenericWrite = 0x40000000u };
enum : std::uint32_t { kShareNone = 0, kShareRead = 1, kShareWrite = 2 };
enum : std::uint32_t { kCreateNew = 1, kCreateAlways = 2, kOpenExisting = 3, kOpenAlways = 4, kTruncateExisting = 5 };
enum : std::uint32_t { kFileBegin = 0, kFileCurrent = 1, kFileEnd = 2 };
constexpr std::uint32_t kAttributeDirectory = 0x10;
constexpr std::uint32_t kAttributeNormal = 0x80;
constexpr std::uint32_t kInvalidFileAttributes = 0xFFFFFFFFu;
constexpr std::uint32_t kInvalidSetFilePointer = 0xFFFFFFFFu;
constexpr int kMaxPath = 260;

// kInvalidHandle on failure (missing file with kOpenExisting, existing file with kCreateNew, ...).
Handle CreateFile(const char* path, std::uint32_t access, std::uint32_t share, std::uint32_t disposition);
bool ReadFile(Handle file, void* buffer, std::uint32_t bytes, std::uint32_t* bytesRead);
bool WriteFile(Handle file, const void* buffer, std::uint32_t bytes, std::uint32_t* bytesWritten);
// New position (low 32 bits), or kInvalidSetFilePointer when the target would be negative.
std::uint32_t SetFilePointer(Handle file, std::int32_t distance, std::uint32_t method);
std::uint32_t GetFileSize(Handle file, std::uint32_t* sizeHigh);
bool FlushFileBuffers(Handle file);
bool DeleteFile(const char* path);
bool CreateDirectory(const char* path);
bool RemoveDirectory(const char* path);
// Renames over an existing target in one step.
bool MoveFileReplace(const char* from, const char* to);
std::uint32_t GetFileAttributes(const char* path);

// Current folder as "Z:\..." in CP932; returns the length, or the size needed when the buffer is too small.
std::uint32_t GetCurrentDirectory(std::uint32_t size, char* buffer);
bool SetCurrentDirectory(const char* path);
// Temporary folder with a trailing backslash; returns the length.
std::uint32_t GetTempPath(std::uint32_t size, char* buffer);
// Creates an empty file named folder + prefix (3 chars) + hex + ".tmp" and writes its name to out
// (kMaxPath bytes); returns the number used, 0 on failure. A non-zero `unique` only forms the name
// from that number (low 16 bits) and creates nothing.
std::uint32_t GetTempFileName(const char* folder, const char* prefix, std::uint32_t unique, char* out);

struct FileTime { std::uint32_t low, high; };          // 100 ns units since 1601-01-01 UTC
struct SystemTime {
  std::uint16_t year, month, dayOfWeek, day, hour, minute, second, milliseconds;
};
struct FindData {
  std::uint32_t attributes;
  FileTime creationTime, lastAccessTime, lastWriteTime;
  std::uint32_t sizeHigh, sizeLow;
  char name[kMaxPath];                                   // CP932
};
// Windows wildcards ('*', '?', "*.*"), case-insensitive; lists "." and ".." in folders other than the root.
Handle FindFirstFile(const char* pattern, FindData* out);    // kInvalidHandle when nothing matches
bool FindNextFile(Handle search, FindData* out);
bool FindClose(Handle search);
bool FileTimeToLocalFileTime(const FileTime* utc, FileTime* local);
bool FileTimeToSystemTime(const FileTime* time, SystemTime* out);
void GetLocalTime(SystemTime* out);

// Path mapping between the library's side and the host's.
std::string Cp932ToUtf8(std::string_view cp932);
std::string Utf8ToCp932(std::string_view utf8);
// UTF-16 text (`length` units, or up to its terminator when negative, which is then written too) in
// the ANSI code page, CP932. The bytes written; with no room given, the bytes needed; 0 when `out`
// is too small.
int WideCharToMultiByte(const char16_t* text, int length, char* out, int outBytes);
// A Windows path (absolute "Z:\...", rooted "\...", or relative to the current folder) as a host path.
// Each existing component is found case-insensitively (exact name first); missing ones keep their spelling.
std::string MapPathToHost(const char* path);
// An absolute host path as the Windows form "Z:\..." in CP932.
std::string HostPathToWindows(std::string_view hostPath);

// ---------------------------------------------------------------- CRT text-mode files
// "r", "w", "a", optionally with "b" for binary and "+". In text mode "\n" is written as CR LF and
// CR LF reads back as "\n". A file opened for writing ("w") is written to a temporary file beside the
// target and renamed over it when closed, after a flush to disk, so a crash never leaves half a file.
struct TextFile;
TextFile* TextFileOpen(const char* path, const char* mode);
int TextFileClose(TextFile* file);                   // 0, or -1 when the data could not be stored
int TextFilePuts(const char* text, TextFile* file);  // non-negative, or -1
int TextFilePrintf(TextFile* file, const char* format, ...) __attribute__((format(printf, 2, 3)));
char* TextFileGets(char* buffer, int size, TextFile* file);
std::size_t TextFileRead(void* buffer, std::size_t size, std::size_t count, TextFile* file);
std::size_t TextFileWrite(const void* buffer, std::size_t size, std::size_t count, TextFile* file);
int TextFileGetc(TextFile* file);                    // -1 at the end

// ---------------------------------------------------------------- threads and synchronisation
using ThreadProc = std::uint32_t (*)(void* argument);
Handle CreateThread(ThreadProc proc, void* argument, std::uint32_t* threadId);   // nullptr on failure
std::uint32_t GetCurrentThreadId();
bool GetExitCodeThread(Handle thread, std::uint32_t* code);   // code 259 while running
constexpr std::uint32_t kStillActive = 259;

Handle CreateEvent(bool manualReset, bool initiallySet);      // nullptr on failure
bool SetEvent(Handle event);
bool ResetEvent(Handle event);

constexpr std::uint32_t kInfinite = 0xFFFFFFFFu;
constexpr std::uint32_t kWaitObject0 = 0;
constexpr std::uint32_t kWaitTimeout = 258;
constexpr std::uint32_t kWaitFailed = 0xFFFFFFFFu;
// Events and threads (a thread is signalled once it has ended). Waits run on real time.
std::uint32_t WaitForSingleObject(Handle object, std::uint32_t milliseconds);

// Recursive for its owner, like the platform's critical section; uncontended use makes no system call.
struct CriticalSection {
  alignas(std::max_align_t) unsigned char storage[64];
};
void InitializeCriticalSection(CriticalSection* section);
void EnterCriticalSection(CriticalSection* section);
void LeaveCriticalSection(CriticalSection* section);
void DeleteCriticalSection(CriticalSection* section);

// ---------------------------------------------------------------- process heap
// Blocks of the process heap (zero-filled when asked); nullptr when none can be had.
void* HeapAlloc(std::size_t bytes, bool zeroed);
void HeapFree(void* block);

// ---------------------------------------------------------------- time
void Sleep(std::uint32_t milliseconds);          // 0 yields the rest of the time slice
std::uint32_t timeGetTime();                     // milliseconds, wrapping at 2^32
bool QueryPerformanceCounter(std::int64_t* count);
bool QueryPerformanceFrequency(std::int64_t* frequency);
std::uint32_t timeBeginPeriod(std::uint32_t period);
std::uint32_t timeEndPeriod(std::uint32_t period);
std::uint32_t TimerMinimumPeriod();              // what the multimedia timer reports as its finest period

// The virtual clock: time advances by one millisecond on every query and by the full amount on
// Sleep, so waits finish at once and deterministically. Off unless switched on (or ZELVO_VIRTUAL_CLOCK=1).
// It starts at 0; the performance counter counts its nanoseconds (frequency 10^9), the time-stamp
// counter runs at 3 GHz of it (each reading moves it on by 1 us); GetLocalTime stays on the wall clock.
void SetVirtualClock(bool on);
bool VirtualClockEnabled();
void AdvanceVirtualClock(std::uint32_t milliseconds);

// ---------------------------------------------------------------- system information
struct MemoryStatus {
  std::uint64_t totalPhysical, availablePhysical, totalVirtual, availableVirtual;
};
void GlobalMemoryStatus(MemoryStatus* out);

struct CpuIdRegisters { std::uint32_t eax, ebx, ecx, edx; };
bool CpuIdAvailable();                           // false when the test switch says so or off x86
void CpuId(std::uint32_t leaf, CpuIdRegisters* out);
std::uint64_t ReadTimeStampCounter();

// Debugger output: to stderr when ZELVO_TRACE is set, else dropped; a test sink can capture it.
void OutputDebugString(const char* text);

}  // namespace pf
