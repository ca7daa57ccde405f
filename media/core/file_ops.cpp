// The file-operation table and its dispatchers, the two stream-operation tables, memory streams and
// the small helpers built on the table.
#include "media/core/file_ops.h"

#include <cstring>

#include "media/core/archive_files.h"
#include "media/core/direct_file.h"
#include "media/core/log.h"
#include "platform/kernel/kernel.h"

namespace zelvo {

namespace {

constexpr FileOpsTable kArchiveAwareFileOps = {
    ArchiveAwareOpen, ArchiveAwareClose,  ArchiveAwareTell,      ArchiveAwareSeek,
    ArchiveAwareRead, ArchiveAwareEof,    ArchiveAwareIdle,      ArchiveAwareChdir,
    ArchiveAwareGetcwd, ArchiveAwareFindFirst, ArchiveAwareFindNext, ArchiveAwareFindClose,
};

}  // namespace

// Filled at program load, so a caller can read files before the library is started.
constinit FileOpsTable g_fileOps = kArchiveAwareFileOps;
int g_directFileOption = 0;

int SetupFileOpsTable(const FileOpsTable* table) {
  if (table != nullptr) {
    g_fileOps = *table;
  } else if (g_directFileOption == 1) {
    g_fileOps = kDirectFileOps;
  } else {
    g_fileOps = kArchiveAwareFileOps;
  }
  return 0;
}

FileHandle FileOpen(const char* path, int cacheFlag, int unused, int asyncFlag) {
  return g_fileOps.open(path, cacheFlag, unused, asyncFlag);
}
int FileClose(FileHandle file) { return g_fileOps.close(file); }
std::int32_t FileTell(FileHandle file) { return g_fileOps.tell(file); }
int FileSeek(FileHandle file, std::int32_t offset, int origin) { return g_fileOps.seek(file, offset, origin); }
int FileRead(void* buffer, int size, int count, FileHandle file) { return g_fileOps.read(buffer, size, count, file); }
int FileEof(FileHandle file) { return g_fileOps.eof(file); }
int FileIdleCheck(FileHandle file) { return g_fileOps.idle(file); }
int FileChdir(const char* path) { return g_fileOps.chdir(path); }
int FileGetcwd(char* buffer) { return g_fileOps.getcwd(buffer); }

// ---------------------------------------------------------------- stream-operation tables

namespace {

FileHandle AsFile(void* data) { return reinterpret_cast<FileHandle>(data); }
MemoryStream* AsMemory(void* data) { return static_cast<MemoryStream*>(data); }

std::int32_t FileStreamTell(void* data) { return FileTell(AsFile(data)); }
int FileStreamSeek(void* data, std::int32_t offset, int origin) { return FileSeek(AsFile(data), offset, origin); }
int FileStreamRead(void* buffer, int size, int count, void* data) { return FileRead(buffer, size, count, AsFile(data)); }
int FileStreamEof(void* data) { return FileEof(AsFile(data)); }
int FileStreamIdle(void* data) { return FileIdleCheck(AsFile(data)); }
int FileStreamClose(void* data) { return FileClose(AsFile(data)); }

std::int32_t MemoryTell(void* data) { return MemoryStreamTell(AsMemory(data)); }
int MemorySeek(void* data, std::int32_t offset, int origin) { return MemoryStreamSeek(AsMemory(data), offset, origin); }
int MemoryRead(void* buffer, int size, int count, void* data) { return MemoryStreamRead(buffer, size, count, AsMemory(data)); }
int MemoryEof(void* data) { return MemoryStreamEof(AsMemory(data)); }
int MemoryIdle(void* data) { return MemoryStreamIdle(AsMemory(data)); }
int MemoryClose(void* data) { return CloseMemoryStream(AsMemory(data)); }

constexpr StreamOpsTable kFileStreamOps = {FileStreamTell, FileStreamSeek, FileStreamRead,
                                           FileStreamEof,  FileStreamIdle, FileStreamClose};
constexpr StreamOpsTable kMemoryStreamOps = {MemoryTell, MemorySeek, MemoryRead, MemoryEof, MemoryIdle, MemoryClose};

StreamOpsTable g_fileStreamOps = kFileStreamOps;
StreamOpsTable g_memoryStreamOps = kMemoryStreamOps;

// Bytes a transfer of `count` elements may move: the count is cut to the whole elements left; with
// less than one element left, the rest alone. 0 when nothing may move.
struct TransferPlan {
  std::int32_t bytes;
  int result;
};

TransferPlan PlanTransfer(const MemoryStream* s, int size, int count) {
  std::int64_t left = static_cast<std::int64_t>(s->size) - s->position;
  std::int64_t wanted = static_cast<std::int64_t>(size) * count;
  if (wanted > left) count = static_cast<int>(left / size);
  if (count > 0) return {count * size, count};
  return {static_cast<std::int32_t>(left), 1};
}

}  // namespace

const StreamOpsTable* FileStreamOpsTable() { return &g_fileStreamOps; }
const StreamOpsTable* MemoryStreamOpsTable() { return &g_memoryStreamOps; }

void FillStreamOpsTables() {
  g_fileStreamOps = kFileStreamOps;
  g_memoryStreamOps = kMemoryStreamOps;
}

// ---------------------------------------------------------------- memory streams

MemoryStream* CreateMemoryStream(const void* data, std::int32_t size) {
  MemoryStream* stream = static_cast<MemoryStream*>(ZELVO_ALLOC_ZEROED(sizeof(MemoryStream)));
  if (stream == nullptr) return nullptr;
  stream->data = data;
  stream->size = size < 0 ? 0 : size;
  return stream;
}

int CloseMemoryStream(MemoryStream* stream) {
  if (stream != nullptr) TrackedFree(stream);
  return 0;
}

std::int32_t MemoryStreamTell(MemoryStream* stream) { return stream->position; }

int MemoryStreamSeek(MemoryStream* stream, std::int32_t offset, int origin) {
  std::int64_t target;
  switch (origin) {
    case 0: target = offset; break;
    case 1: target = static_cast<std::int64_t>(stream->position) + offset; break;
    case 2: target = static_cast<std::int64_t>(stream->size) + offset; break;
    default: return -1;
  }
  if (target < 0) target = 0;
  if (target > stream->size) target = stream->size;
  stream->position = static_cast<std::int32_t>(target);
  stream->endFlag = 0;
  return 0;
}

int MemoryStreamRead(void* buffer, int size, int count, MemoryStream* stream) {
  // A request for nothing moves nothing (and must not copy a partial element into a 0-element buffer).
  if (size <= 0 || count <= 0) return 0;
  if (stream->position >= stream->size) {
    stream->endFlag = 1;
    return 0;
  }
  TransferPlan plan = PlanTransfer(stream, size, count);
  std::memcpy(buffer, static_cast<const unsigned char*>(stream->data) + stream->position, static_cast<std::size_t>(plan.bytes));
  stream->position += plan.bytes;
  stream->endFlag = 0;
  return plan.result;
}

int MemoryStreamWrite(const void* data, int size, int count, MemoryStream* stream) {
  if (size <= 0 || count <= 0 || stream->position >= stream->size) return 0;
  std::int64_t left = static_cast<std::int64_t>(stream->size) - stream->position;
  if (static_cast<std::int64_t>(size) * count > left) count = static_cast<int>(left / size);
  if (count == 0) return 0;
  std::int32_t bytes = count * size;
  std::memcpy(const_cast<unsigned char*>(static_cast<const unsigned char*>(stream->data)) + stream->position, data,
              static_cast<std::size_t>(bytes));
  stream->position += bytes;
  stream->endFlag = 0;
  return count;
}

int MemoryStreamEof(MemoryStream* stream) { return stream->endFlag; }

int MemoryStreamIdle(MemoryStream* /*stream*/) { return 1; }

// ---------------------------------------------------------------- helpers on the table

int FilePositionAtEnd(FileHandle file) {
  std::int32_t position = FileTell(file);
  FileSeek(file, 0, 2);
  std::int32_t end = FileTell(file);
  FileSeek(file, position, 0);
  return position == end ? 1 : 0;
}

int FileReadByte(FileHandle file) {
  if (FileEof(file) != 0) return -1;
  unsigned char byte = 0;
  int got = FileRead(&byte, 1, 1, file);
  while (FileIdleCheck(file) == 0) pf::Sleep(0);
  return got >= 1 ? byte : -1;
}

void FileTimeToDateTime(std::uint64_t fileTime, FileDateTime* out) {
  // File times at or above 2^63 are no valid times (the platform refuses them).
  if (fileTime > 0x7FFFFFFFFFFFFFFFull) {
    *out = FileDateTime{};
    return;
  }
  pf::FileTime utc{static_cast<std::uint32_t>(fileTime), static_cast<std::uint32_t>(fileTime >> 32)};
  pf::FileTime local{};
  pf::SystemTime t{};
  if (!pf::FileTimeToLocalFileTime(&utc, &local) || !pf::FileTimeToSystemTime(&local, &t)) {
    *out = FileDateTime{};
    return;
  }
  *out = FileDateTime{t.year, t.month, t.day, t.hour, t.minute, t.second};
}

void SkipStreamBlanks(FileHandle file, int* endFlag) {
  *endFlag = 0;
  for (;;) {
    unsigned char byte = 0;
    int got = FileRead(&byte, 1, 1, file);
    while (FileIdleCheck(file) == 0) pf::Sleep(0);
    if (got < 1) {
      *endFlag = 1;
      return;
    }
    if (byte != '\n' && byte != '\r' && byte != ' ') {
      FileSeek(file, -1, 1);
      return;
    }
  }
}

void ResetFileOpsState() {
  g_fileOps = kArchiveAwareFileOps;
  g_directFileOption = 0;
  g_fileStreamOps = kFileStreamOps;
  g_memoryStreamOps = kMemoryStreamOps;
}

}  // namespace zelvo
