// The direct set: plain platform files, files served by a read-ahead thread, and platform searches.
#include "media/core/direct_file.h"

#include <cstring>
#include <new>

#include "media/core/file_paths.h"
#include "media/core/log.h"

namespace zelvo {

namespace {

DirectFile* AsDirectFile(FileHandle file) { return reinterpret_cast<DirectFile*>(file); }

bool IsOpenPlatformHandle(pf::Handle handle) { return handle != nullptr && handle != pf::kInvalidHandle; }

void RefillCache(ReadAheadBlock* t) {
  if (t->cacheHead > 0) {
    std::memmove(t->cache, t->cache + t->cacheHead, static_cast<std::size_t>(t->cacheFill.load()));
    t->cacheHead = 0;
  }
  std::int32_t room = kReadAheadCacheSize - t->cacheFill;
  if (pf::SetFilePointer(t->file, t->cacheStart + t->cacheFill, pf::kFileBegin) == pf::kInvalidSetFilePointer) return;
  std::uint32_t got = 0;
  if (pf::ReadFile(t->file, t->cache + t->cacheFill, static_cast<std::uint32_t>(room), &got)) {
    t->cacheFill += static_cast<std::int32_t>(got);
  }
}

void PerformRead(ReadAheadBlock* t) {
  unsigned char* buffer = t->readBuffer;
  std::int32_t position = t->readPosition;
  std::int32_t wanted = t->readBytes;
  if (t->cache != nullptr && t->cacheStart == position && t->cacheFill > 0) {
    std::int32_t fill = t->cacheFill;
    std::int32_t n = fill < wanted ? fill : wanted;
    std::memcpy(buffer, t->cache + t->cacheHead, static_cast<std::size_t>(n));
    buffer += n;
    position += n;
    wanted -= n;
    t->cacheStart += n;
    t->cacheFill -= n;
    t->cacheHead = t->cacheFill > 0 ? t->cacheHead + n : 0;
  }
  if (wanted <= 0) return;
  std::uint32_t got = 0;
  if (!IsOpenPlatformHandle(t->file) ||
      pf::SetFilePointer(t->file, position, pf::kFileBegin) == pf::kInvalidSetFilePointer ||
      !pf::ReadFile(t->file, buffer, static_cast<std::uint32_t>(wanted), &got)) {
    got = 0;
  }
  // The caller was promised the whole count: never hand out stale buffer bytes as data.
  if (got < static_cast<std::uint32_t>(wanted)) std::memset(buffer + got, 0, static_cast<std::size_t>(wanted) - got);
  if (t->cache != nullptr) {
    t->cacheStart = position + static_cast<std::int32_t>(got);
    t->cacheFill = 0;
    t->cacheHead = 0;
  }
}

void CloseThreadFile(ReadAheadBlock* t) {
  if (IsOpenPlatformHandle(t->file)) pf::CloseHandle(t->file);
  t->file = nullptr;
}

std::uint32_t ReadAheadThread(void* argument) {
  ReadAheadBlock* t = &static_cast<DirectFile*>(argument)->thread;
  for (;;) {
    std::uint32_t waited;
    if (t->cache != nullptr) {
      waited = pf::WaitForSingleObject(t->commandEvent, 100);
      if (waited == pf::kWaitTimeout) {
        if (IsOpenPlatformHandle(t->file) && t->cacheFill < kReadAheadCacheSize) RefillCache(t);
        continue;
      }
    } else {
      waited = pf::WaitForSingleObject(t->commandEvent, pf::kInfinite);
    }
    if (waited != pf::kWaitObject0) {
      // The events are gone: nobody can post again, so end as on command 4.
      CloseThreadFile(t);
      t->exited = 1;
      return 1;
    }
    pf::ResetEvent(t->commandEvent);
    pf::ResetEvent(t->doneEvent);
    switch (t->command) {
      case kCommandOpen:
        t->file = pf::CreateFile(t->fileName, pf::kGenericRead, pf::kShareNone, pf::kOpenExisting);
        if (!IsOpenPlatformHandle(t->file)) {
          t->file = nullptr;
          t->openFailed = 1;
          pf::SetEvent(t->doneEvent);
          t->exited = 1;
          return 0;
        }
        break;
      case kCommandCloseFile:
        CloseThreadFile(t);
        break;
      case kCommandRead:
        PerformRead(t);
        break;
      case kCommandSeek:
        if (IsOpenPlatformHandle(t->file)) pf::SetFilePointer(t->file, t->seekPosition, pf::kFileBegin);
        if (t->cache != nullptr) {
          t->cacheStart = t->seekPosition;
          t->cacheFill = 0;
          t->cacheHead = 0;
        }
        break;
      case kCommandEnd:
        CloseThreadFile(t);
        pf::SetEvent(t->doneEvent);
        t->exited = 1;
        return 0;
      default:
        break;
    }
    pf::SetEvent(t->doneEvent);
  }
}

// Exactly one command is in flight: the poster waits for the previous one to be done before it
// writes the command's fields, then hands the command over.
void WaitForDone(ReadAheadBlock* t) { pf::WaitForSingleObject(t->doneEvent, pf::kInfinite); }

void SendCommand(ReadAheadBlock* t, std::int32_t command) {
  t->command = command;
  pf::ResetEvent(t->doneEvent);
  pf::SetEvent(t->commandEvent);
}

void WaitForThreadEnd(ReadAheadBlock* t) {
  pf::WaitForSingleObject(t->thread, pf::kInfinite);
  while (!t->exited) pf::Sleep(0);
  pf::CloseHandle(t->thread);
}

void FreeDirectFile(DirectFile* file) {
  file->thread.~ReadAheadBlock();
  TrackedFree(file);
}

// The platform handle of a plain open; the size (32-bit) is checked as well.
pf::Handle OpenForSize(const char* path, std::int32_t* size) {
  pf::Handle h = pf::CreateFile(path, pf::kGenericRead, pf::kShareRead, pf::kOpenExisting);
  if (!IsOpenPlatformHandle(h)) return nullptr;
  std::uint32_t high = 0;
  std::uint32_t low = pf::GetFileSize(h, &high);
  if (high != 0 || low > 0x7FFFFFFFu) {
    pf::CloseHandle(h);
    return nullptr;
  }
  *size = static_cast<std::int32_t>(low);
  return h;
}

}  // namespace

FileHandle DirectFileOpen(const char* path, int cacheFlag, int /*unused*/, int asyncFlag) {
  if (path == nullptr || std::strlen(path) >= sizeof(ReadAheadBlock::fileName)) return 0;
  void* memory = ZELVO_ALLOC_ZEROED(sizeof(DirectFile));
  if (memory == nullptr) return 0;
  DirectFile* file = static_cast<DirectFile*>(memory);
  new (&file->thread) ReadAheadBlock{};
  file->cacheFlag = cacheFlag != 0;
  file->asyncFlag = asyncFlag != 0;
  file->threaded = file->cacheFlag || file->asyncFlag;

  pf::Handle probe = OpenForSize(path, &file->size);
  if (probe == nullptr) {
    FreeDirectFile(file);
    return 0;
  }
  if (!file->threaded) {
    file->file = probe;
    return reinterpret_cast<FileHandle>(file);
  }
  pf::CloseHandle(probe);

  ReadAheadBlock* t = &file->thread;
  if (file->cacheFlag) {
    t->cache = static_cast<unsigned char*>(ZELVO_ALLOC(kReadAheadCacheSize));
    if (t->cache == nullptr) {
      FreeDirectFile(file);
      WriteLogText("ファイル読み込みキャッシュ用メモリの確保に失敗しました\n");
      return 0;
    }
  }
  t->commandEvent = pf::CreateEvent(true, false);
  t->doneEvent = pf::CreateEvent(true, true);
  if (t->commandEvent != nullptr && t->doneEvent != nullptr) {
    t->thread = pf::CreateThread(ReadAheadThread, file, &t->threadId);
  }
  if (t->thread == nullptr) {
    if (t->cache != nullptr) TrackedFree(t->cache);
    if (t->commandEvent != nullptr) pf::CloseHandle(t->commandEvent);
    if (t->doneEvent != nullptr) pf::CloseHandle(t->doneEvent);
    FreeDirectFile(file);
    WriteLogText("ファイルアクセス専用スレッドの作成に失敗しました\n");
    return 0;
  }

  WaitForDone(t);
  std::strcpy(t->fileName, path);
  SendCommand(t, kCommandOpen);
  WaitForDone(t);

  if (t->openFailed) {
    if (t->cache != nullptr) TrackedFree(t->cache);
    WaitForThreadEnd(t);
    pf::CloseHandle(t->commandEvent);
    pf::CloseHandle(t->doneEvent);
    FreeDirectFile(file);
    WriteLogText("ファイルのオープンに失敗しました\n");
    return 0;
  }
  return reinterpret_cast<FileHandle>(file);
}

int DirectFileClose(FileHandle handle) {
  DirectFile* file = AsDirectFile(handle);
  if (file == nullptr) return -1;
  if (!file->threaded) {
    bool closed = pf::CloseHandle(file->file);
    FreeDirectFile(file);
    return closed ? 0 : -1;
  }
  ReadAheadBlock* t = &file->thread;
  WaitForDone(t);
  SendCommand(t, kCommandEnd);
  WaitForDone(t);
  WaitForThreadEnd(t);
  if (t->cache != nullptr) TrackedFree(t->cache);
  pf::CloseHandle(t->commandEvent);
  pf::CloseHandle(t->doneEvent);
  FreeDirectFile(file);
  return 0;
}

std::int32_t DirectFileTell(FileHandle handle) {
  DirectFile* file = AsDirectFile(handle);
  return file == nullptr ? -1 : file->position;
}

int DirectFileSeek(FileHandle handle, std::int32_t offset, int origin) {
  DirectFile* file = AsDirectFile(handle);
  if (file == nullptr) return -1;
  std::int64_t target;
  switch (origin) {
    case 0: target = offset; break;
    case 1: target = static_cast<std::int64_t>(file->position) + offset; break;
    case 2: target = static_cast<std::int64_t>(file->size) + offset; break;
    default: return -1;
  }
  if (target < 0 || target > 0x7FFFFFFF) return -1;
  std::int32_t position = static_cast<std::int32_t>(target);
  if (file->threaded) {
    WaitForDone(&file->thread);
    file->thread.seekPosition = position;
    SendCommand(&file->thread, kCommandSeek);
  } else if (pf::SetFilePointer(file->file, position, pf::kFileBegin) == pf::kInvalidSetFilePointer) {
    return -1;
  }
  file->position = position;
  file->endFlag = 0;
  return 0;
}

int DirectFileRead(void* buffer, int size, int count, FileHandle handle) {
  DirectFile* file = AsDirectFile(handle);
  if (file == nullptr || buffer == nullptr || size <= 0 || count <= 0) return 0;
  std::int64_t left = static_cast<std::int64_t>(file->size) - file->position;
  if (left < 0) left = 0;
  std::int64_t fits = left / size;
  if (count > fits) count = static_cast<int>(fits);
  if (count == 0) {
    file->endFlag = 1;
    return 0;
  }
  std::int32_t bytes = count * size;
  int result;
  if (!file->threaded) {
    std::uint32_t got = 0;
    if (!pf::ReadFile(file->file, buffer, static_cast<std::uint32_t>(bytes), &got)) got = 0;
    result = static_cast<int>(got / static_cast<std::uint32_t>(size));
  } else {
    ReadAheadBlock* t = &file->thread;
    WaitForDone(t);
    t->readBuffer = static_cast<unsigned char*>(buffer);
    t->readPosition = file->position;
    t->readBytes = bytes;
    SendCommand(t, kCommandRead);
    if (!file->asyncFlag) WaitForDone(t);
    result = count;
  }
  file->position += bytes;
  return result;
}

int DirectFileEof(FileHandle handle) {
  DirectFile* file = AsDirectFile(handle);
  if (file == nullptr) return -1;
  return file->endFlag ? -1 : 0;
}

int DirectFileIdle(FileHandle handle) {
  DirectFile* file = AsDirectFile(handle);
  if (file == nullptr || !file->threaded) return 1;
  return pf::WaitForSingleObject(file->thread.doneEvent, 0) == pf::kWaitObject0 ? 1 : 0;
}

void DirectFileWaitIdle(DirectFile* file) {
  if (file != nullptr && file->threaded) pf::WaitForSingleObject(file->thread.doneEvent, pf::kInfinite);
}

int DirectChdir(const char* path) { return pf::SetCurrentDirectory(path) ? 1 : 0; }

int DirectGetcwd(char* buffer) { return static_cast<int>(pf::GetCurrentDirectory(pf::kMaxPath, buffer)); }

namespace {

void FillFindInfo(const pf::FindData& data, FileFindInfo* out) {
  if (out == nullptr) return;
  std::memset(out, 0, sizeof(*out));
  std::size_t n = strnlen(data.name, sizeof(data.name) - 1);
  std::memcpy(out->name, data.name, n);
  out->isDirectory = (data.attributes & pf::kAttributeDirectory) != 0 ? 1 : 0;
  out->sizeLow = data.sizeLow;
  out->sizeHigh = data.sizeHigh;
  FileTimeToDateTime(static_cast<std::uint64_t>(data.creationTime.high) << 32 | data.creationTime.low, &out->creationTime);
  FileTimeToDateTime(static_cast<std::uint64_t>(data.lastWriteTime.high) << 32 | data.lastWriteTime.low, &out->lastWriteTime);
}

}  // namespace

FindHandle DirectFindFirst(const char* pattern, FileFindInfo* out) {
  pf::FindData data{};
  pf::Handle search = pf::FindFirstFile(pattern, &data);
  if (search == nullptr || search == pf::kInvalidHandle) return -1;
  FillFindInfo(data, out);
  return reinterpret_cast<FindHandle>(search);
}

int DirectFindNext(FindHandle search, FileFindInfo* out) {
  if (search == -1 || search == 0) return -1;
  pf::FindData data{};
  if (!pf::FindNextFile(reinterpret_cast<pf::Handle>(search), &data)) return -1;
  FillFindInfo(data, out);
  return 0;
}

int DirectFindClose(FindHandle search) {
  if (search == -1 || search == 0) return -1;
  return pf::FindClose(reinterpret_cast<pf::Handle>(search)) ? 0 : -1;
}

const FileOpsTable kDirectFileOps = {
    DirectFileOpen, DirectFileClose, DirectFileTell,  DirectFileSeek,   DirectFileRead,    DirectFileEof,
    DirectFileIdle, DirectChdir,     DirectGetcwd,    DirectFindFirst,  DirectFindNext,    DirectFindClose,
};

}  // namespace zelvo
