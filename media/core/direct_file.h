#pragma once
// The direct set of file operations: files opened straight from the platform, optionally served by
// a read-ahead thread (with a 128 KiB cache or for asynchronous reads), and the platform's searches.
#include <atomic>
#include <cstdint>

#include "media/core/file_ops.h"
#include "platform/kernel/kernel.h"

namespace zelvo {

constexpr std::int32_t kReadAheadCacheSize = 131072;

enum ReadAheadCommand : std::int32_t {
  kCommandOpen = 0,
  kCommandCloseFile = 1,
  kCommandRead = 2,
  kCommandSeek = 3,
  kCommandEnd = 4,
};

// Shared between the caller and its ReadAheadThread; the caller writes the command fields only while
// the done event is set, the thread writes its results before it sets the done event.
struct ReadAheadBlock {
  std::uint32_t threadId;
  pf::Handle thread;
  pf::Handle file;             // the thread's own platform handle
  pf::Handle commandEvent;     // manual reset, initially clear
  pf::Handle doneEvent;        // manual reset, initially set
  std::int32_t command;
  std::atomic<int> exited;
  std::int32_t openFailed;
  char fileName[260];
  unsigned char* readBuffer;
  std::int32_t readPosition;
  std::int32_t readBytes;
  std::int32_t seekPosition;
  unsigned char* cache;        // kReadAheadCacheSize bytes, only with the cache flag
  std::int32_t cacheStart;     // file position of the cache's first valid byte
  std::atomic<std::int32_t> cacheFill;   // valid bytes in the cache (watched by tests while it fills)
  std::int32_t cacheHead;      // where the first valid byte sits in the cache buffer
};

struct DirectFile {
  pf::Handle file;             // used when no thread serves the file
  std::int32_t threaded;
  std::int32_t cacheFlag;
  std::int32_t asyncFlag;
  std::int32_t endFlag;
  std::int32_t position;
  std::int32_t size;
  ReadAheadBlock thread;
};

FileHandle DirectFileOpen(const char* path, int cacheFlag, int unused, int asyncFlag);
int DirectFileClose(FileHandle file);
std::int32_t DirectFileTell(FileHandle file);
int DirectFileSeek(FileHandle file, std::int32_t offset, int origin);
int DirectFileRead(void* buffer, int size, int count, FileHandle file);
int DirectFileEof(FileHandle file);
int DirectFileIdle(FileHandle file);
int DirectChdir(const char* path);
int DirectGetcwd(char* buffer);
FindHandle DirectFindFirst(const char* pattern, FileFindInfo* out);
int DirectFindNext(FindHandle search, FileFindInfo* out);
int DirectFindClose(FindHandle search);

// Blocks until the file's thread has finished its command (a plain file is always idle).
void DirectFileWaitIdle(DirectFile* file);

extern const FileOpsTable kDirectFileOps;

}  // namespace zelvo
