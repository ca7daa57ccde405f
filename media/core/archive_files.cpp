// The archive-aware file operations: archive and file tables, path resolution, entry readers.
#include "media/core/archive_files.h"

#include <cstdio>
#include <cstring>

#include "media/core/direct_file.h"
#include "media/core/file_paths.h"
#include "media/core/runtime_routines.h"
#include "media/core/log.h"
#include "platform/kernel/kernel.h"

namespace zelvo {

ArchiveTables g_archiveTables;
ArchiveSettings g_archiveSettings;

namespace {

constexpr int kPathBytes = pf::kMaxPath;

const char* ArchiveExtension() {
  return g_archiveSettings.extension[0] != '\0' ? g_archiveSettings.extension : "ZVA";
}

const char* ArchiveKeyString() { return g_archiveSettings.keySet ? g_archiveSettings.keyString : nullptr; }

ArchiveFileRecord* RecordForHandle(FileHandle file) {
  if ((file & ~static_cast<FileHandle>(0x0FFFFFFF)) != kArchiveFileHandleTag) return nullptr;
  FileHandle slot = file & 0x0FFFFFFF;
  if (slot >= kMaxOpenFiles) return nullptr;
  return g_archiveTables.files[slot];
}

// ---------------------------------------------------------------- entry readers

bool IsStoredEntry(const ArchiveEntryReader* r) {
  return r->archive->version < 2 || r->entry.compressedSize == kArchiveNoOffset;
}

std::uint32_t EntryFileOffset(const ArchiveEntryReader* r) { return r->archive->dataArea + r->entry.dataOffset; }

FileHandle ArchiveFileHandle(const ArchiveEntryReader* r) { return reinterpret_cast<FileHandle>(r->archive->file); }

// A compressed block that turns out malformed once read leaves an empty entry behind.
void DecompressInto(ArchiveEntryReader* r, const std::uint8_t* block) {
  std::int64_t produced = DecompressArchiveBlock(block, r->entry.compressedSize, r->decompressed, r->entry.size);
  if (produced != static_cast<std::int64_t>(r->entry.size)) r->entry.size = 0;
}

int EntryIdleStep(ArchiveEntryReader* r) {
  if (r->pending == kPendingNone) return 1;
  if (!DirectFileIdle(ArchiveFileHandle(r))) return 0;
  if (r->pending == kPendingCompressedBlock) {
    UnscrambleArchiveBytes(r->compressed, r->entry.compressedSize, r->pendingOffset, r->archive->key);
    DecompressInto(r, r->compressed);
    TrackedFree(r->compressed);
    r->compressed = nullptr;
  } else {
    UnscrambleArchiveBytes(r->pendingBuffer, static_cast<std::size_t>(r->pendingLength), r->pendingOffset,
                           r->archive->key);
  }
  r->pending = kPendingNone;
  return 1;
}

void FinishPendingWork(ArchiveEntryReader* r) {
  if (r->pending == kPendingNone) return;
  DirectFileWaitIdle(r->archive->file);
  EntryIdleStep(r);
}

// Reads `length` bytes at a file offset of the archive, seeking only when the file is elsewhere.
int ReadFromArchiveFile(ArchiveEntryReader* r, std::uint8_t* buffer, std::int32_t length, std::uint32_t offset) {
  FileHandle file = ArchiveFileHandle(r);
  if (DirectFileTell(file) != static_cast<std::int32_t>(offset) &&
      DirectFileSeek(file, static_cast<std::int32_t>(offset), 0) != 0) {
    return -1;
  }
  if (DirectFileRead(buffer, 1, length, file) == length) return 0;
  DirectFileWaitIdle(r->archive->file);   // a short read may still be writing into the buffer
  return -1;
}

int OpenArchiveEntry(ArchiveEntryReader* r, Archive* archive, const char* rest, int asyncFlag) {
  FinishArchiveLoad(archive);
  r->archive = archive;
  if (FindArchiveDirEntry(archive, rest, &r->entry) != 0) return -1;
  if (archive->version < 2) r->entry.compressedSize = kArchiveNoOffset;
  // Data outside the archive file would be read back as garbage: such an entry is not opened.
  if (CheckArchiveEntryRange(archive, r->entry) != 0) return -1;
  r->position = 0;
  r->endFlag = 0;
  r->pending = kPendingNone;
  r->asyncFlag = asyncFlag != 0;
  if (IsStoredEntry(r)) return 0;

  r->decompressed = static_cast<std::uint8_t*>(ZELVO_ALLOC(r->entry.size > 0 ? r->entry.size : 1));
  if (r->decompressed == nullptr) return -1;
  std::uint32_t wanted = r->entry.size;
  if (archive->image != nullptr) {
    DecompressInto(r, archive->image + EntryFileOffset(r));
    return r->entry.size == wanted ? 0 : -1;
  }
  r->compressed = static_cast<std::uint8_t*>(ZELVO_ALLOC(r->entry.compressedSize));
  if (r->compressed == nullptr ||
      ReadFromArchiveFile(r, r->compressed, static_cast<std::int32_t>(r->entry.compressedSize), EntryFileOffset(r)) != 0) {
    return -1;
  }
  r->pending = kPendingCompressedBlock;
  r->pendingOffset = EntryFileOffset(r);
  if (r->asyncFlag) return 0;
  FinishPendingWork(r);
  return r->entry.size == wanted ? 0 : -1;
}

void FreeEntryBuffers(ArchiveEntryReader* r) {
  if (r->decompressed != nullptr) TrackedFree(r->decompressed);
  if (r->compressed != nullptr) TrackedFree(r->compressed);
  r->decompressed = nullptr;
  r->compressed = nullptr;
}

int ReadArchiveEntry(ArchiveEntryReader* r, void* buffer, int size, int count) {
  FinishPendingWork(r);
  if (r->endFlag) return 0;
  std::uint32_t position = static_cast<std::uint32_t>(r->position);
  if (position >= r->entry.size) {
    r->endFlag = 1;
    return 0;
  }
  std::int64_t n = size > 0 && count > 0 ? static_cast<std::int64_t>(size) * count : 0;
  std::int64_t left = static_cast<std::int64_t>(r->entry.size) - position;
  if (n > left) n = left;
  std::uint8_t* out = static_cast<std::uint8_t*>(buffer);
  if (r->decompressed != nullptr) {
    std::memcpy(out, r->decompressed + position, static_cast<std::size_t>(n));
  } else if (r->archive->image != nullptr) {
    std::memcpy(out, r->archive->image + EntryFileOffset(r) + position, static_cast<std::size_t>(n));
  } else if (n > 0) {
    std::uint32_t offset = EntryFileOffset(r) + position;
    if (ReadFromArchiveFile(r, out, static_cast<std::int32_t>(n), offset) != 0) return 0;
    r->pending = kPendingStoredBytes;
    r->pendingOffset = offset;
    r->pendingBuffer = out;
    r->pendingLength = static_cast<std::int32_t>(n);
    if (!r->asyncFlag) FinishPendingWork(r);
  }
  r->endFlag = 0;
  r->position += static_cast<std::int32_t>(n);
  return static_cast<int>(n);
}

int SeekArchiveEntry(ArchiveEntryReader* r, std::int32_t offset, int origin) {
  FinishPendingWork(r);
  std::int64_t target = offset;
  if (origin == 1) target += r->position;
  if (origin == 2) target += r->entry.size;
  if (target < 0) target = 0;
  if (target > r->entry.size) target = r->entry.size;
  r->position = static_cast<std::int32_t>(target);
  r->endFlag = 0;
  return 0;
}

void FreeFileRecord(int slot) {
  TrackedFree(g_archiveTables.files[slot]);
  g_archiveTables.files[slot] = nullptr;
  --g_archiveTables.fileCount;
}

}  // namespace

// ---------------------------------------------------------------- archive table

void ReleaseArchive(int slot) {
  if (slot < 0 || slot >= kMaxOpenArchives) return;
  ArchiveRecord* record = g_archiveTables.archives[slot];
  if (record != nullptr && record->referenceCount > 0) --record->referenceCount;
}

int FindOpenArchive(const char* path) {
  for (int i = 0; i < kMaxOpenArchives; ++i) {
    ArchiveRecord* record = g_archiveTables.archives[i];
    if (record != nullptr && std::strcmp(record->path, path) == 0) return i;
  }
  return -1;
}

int FreeUnusedArchives() {
  int closed = 0;
  for (int i = 0; i < kMaxOpenArchives; ++i) {
    ArchiveRecord* record = g_archiveTables.archives[i];
    if (record == nullptr || record->referenceCount > 0) continue;
    CloseArchiveFile(record->archive);
    TrackedFree(record);
    g_archiveTables.archives[i] = nullptr;
    --g_archiveTables.archiveCount;
    ++closed;
  }
  return closed;
}

int OpenArchive(const char* path, int slotHint, int memoryMode, int asyncLoad) {
  if (slotHint >= 0 && slotHint < kMaxOpenArchives) {
    ArchiveRecord* hinted = g_archiveTables.archives[slotHint];
    if (hinted != nullptr && std::strcmp(hinted->path, path) == 0) {
      ++hinted->referenceCount;
      return slotHint;
    }
  }
  int found = FindOpenArchive(path);
  if (found >= 0) {
    ++g_archiveTables.archives[found]->referenceCount;
    return found;
  }
  if (std::strlen(path) >= static_cast<std::size_t>(kArchivePathBytes)) return -1;
  if (g_archiveTables.archiveCount >= kMaxOpenArchives) FreeUnusedArchives();
  if (g_archiveTables.archiveCount >= kMaxOpenArchives) return -1;
  int slot = 0;
  while (g_archiveTables.archives[slot] != nullptr) ++slot;

  Archive* archive = OpenArchiveFile(path, ArchiveKeyString(), memoryMode, asyncLoad);
  if (archive == nullptr) return -1;
  ArchiveRecord* record = static_cast<ArchiveRecord*>(ZELVO_ALLOC_ZEROED(sizeof(ArchiveRecord)));
  if (record == nullptr) {
    CloseArchiveFile(archive);
    return -1;
  }
  record->referenceCount = 1;
  record->archive = archive;
  std::strcpy(record->path, path);
  g_archiveTables.archives[slot] = record;
  ++g_archiveTables.archiveCount;
  return slot;
}

void ResetArchiveState() {
  FreeUnusedArchives();
  std::memset(&g_archiveSettings, 0, sizeof(g_archiveSettings));
}

// ---------------------------------------------------------------- paths

int NormalisePath(const char* path, char* out) {
  char cwd[kPathBytes];
  cwd[0] = '\0';
  std::uint32_t got = pf::GetCurrentDirectory(kPathBytes, cwd);
  if (got >= static_cast<std::uint32_t>(kPathBytes)) cwd[0] = '\0';
  std::size_t length = 0;
  out[0] = '\0';
  if (path == nullptr || path[0] == '\0') return AppendPathText(out, &length, cwd, std::strlen(cwd), true) ? 0 : -1;

  const char* rest;
  if (IsPathSeparator(path[0]) && IsPathSeparator(path[1])) {
    if (!AppendPathText(out, &length, "\\", 1, true)) return -1;
    rest = path + 2;
  } else if (IsPathSeparator(path[0])) {
    if (!AppendPathText(out, &length, cwd, std::strlen(cwd) < 2 ? std::strlen(cwd) : 2, true)) return -1;
    rest = path + 1;
  } else if (path[1] == ':') {
    if (!AppendPathText(out, &length, path, 2, true)) return -1;
    rest = path + 2;
    if (*rest == '\\') ++rest;
  } else {
    std::size_t n = std::strlen(cwd);
    if (n > 0 && IsPathSeparator(cwd[n - 1]) && FindLastPathBreak(cwd) == static_cast<long>(n) - 1) --n;
    if (!AppendPathText(out, &length, cwd, n, true)) return -1;
    rest = path;
  }

  return AppendPathComponents(rest, out, &length, true, false);
}

int ResolveArchivePath(const char* path, int* slotOut, char* archivePathOut, char* restOut) {
  char normal[kPathBytes];
  if (NormalisePath(path, normal) != 0) return -1;
  ArchiveSettings& s = g_archiveSettings;

  std::size_t cached = static_cast<std::size_t>(s.cachePrefixLength);
  if (cached > 0 && std::strncmp(normal, s.cachePath, cached) == 0 && IsPathSeparator(normal[cached])) {
    int slot = OpenArchive(s.cachePath, s.cacheSlot, 0, 0);
    if (slot < 0) return -1;
    s.cacheSlot = slot;
    *slotOut = slot;
    std::strcpy(archivePathOut, s.cachePath);
    std::strcpy(restOut, normal + cached + 1);
    return 0;
  }

  const char* extension = ArchiveExtension();
  std::size_t i = (normal[0] == '\\' && normal[1] == '\\') ? 2 : 0;
  for (;;) {
    std::size_t start = i;
    while (normal[i] != '\0' && !IsPathSeparator(normal[i])) i = NextPathChar(normal, i);
    if (i == start || normal[i] == '\0') return -1;
    char candidate[kArchivePathBytes];
    int written = std::snprintf(candidate, sizeof(candidate), "%.*s.%s", static_cast<int>(i), normal, extension);
    if (written < 0 || written >= static_cast<int>(sizeof(candidate))) return -1;
    int slot = OpenArchive(candidate, -1, 0, 0);
    if (slot >= 0) {
      std::strcpy(s.cachePath, candidate);
      s.cachePrefixLength = static_cast<std::int32_t>(i);
      s.cacheSlot = slot;
      *slotOut = slot;
      std::strcpy(archivePathOut, candidate);
      std::strcpy(restOut, normal + i + 1);
      return 0;
    }
    ++i;
  }
}

// ---------------------------------------------------------------- the twelve operations

FileHandle ArchiveAwareOpen(const char* path, int cacheFlag, int unused, int asyncFlag) {
  if (path == nullptr) return 0;
  if (g_archiveTables.fileCount >= kMaxOpenFiles) {
    WriteLogText("同時に開けるファイルの数が限界を超えました\n");
    return 0;
  }
  int slot = 0;
  while (g_archiveTables.files[slot] != nullptr) ++slot;
  ArchiveFileRecord* record = static_cast<ArchiveFileRecord*>(ZELVO_ALLOC_ZEROED(sizeof(ArchiveFileRecord)));
  if (record == nullptr) {
    WriteLogText("ファイルの情報を格納するメモリの確保に失敗しました\n");
    return 0;
  }

  int archiveSlot;
  char archivePath[kPathBytes];
  char rest[kPathBytes];
  if (ResolveArchivePath(path, &archiveSlot, archivePath, rest) != 0) {
    record->directFile = DirectFileOpen(path, cacheFlag, unused, asyncFlag);
    if (record->directFile == 0) {
      TrackedFree(record);
      return 0;
    }
  } else {
    record->inArchive = 1;
    record->archiveSlot = archiveSlot;
    Archive* archive = g_archiveTables.archives[archiveSlot]->archive;
    if (OpenArchiveEntry(&record->reader, archive, rest, asyncFlag) != 0) {
      FinishPendingWork(&record->reader);
      FreeEntryBuffers(&record->reader);
      ReleaseArchive(archiveSlot);
      TrackedFree(record);
      return 0;
    }
  }
  g_archiveTables.files[slot] = record;
  ++g_archiveTables.fileCount;
  return slot | kArchiveFileHandleTag;
}

int ArchiveAwareClose(FileHandle file) {
  ArchiveFileRecord* record = RecordForHandle(file);
  if (record == nullptr) return -1;
  if (record->inArchive) {
    FinishPendingWork(&record->reader);
    FreeEntryBuffers(&record->reader);
    ReleaseArchive(record->archiveSlot);
  } else {
    DirectFileClose(record->directFile);
  }
  FreeFileRecord(static_cast<int>(file & 0x0FFFFFFF));
  return 0;
}

std::int32_t ArchiveAwareTell(FileHandle file) {
  ArchiveFileRecord* record = RecordForHandle(file);
  if (record == nullptr) return -1;
  if (!record->inArchive) return DirectFileTell(record->directFile);
  FinishPendingWork(&record->reader);
  return record->reader.position;
}

int ArchiveAwareSeek(FileHandle file, std::int32_t offset, int origin) {
  ArchiveFileRecord* record = RecordForHandle(file);
  if (record == nullptr) return -1;
  if (!record->inArchive) return DirectFileSeek(record->directFile, offset, origin);
  return SeekArchiveEntry(&record->reader, offset, origin);
}

int ArchiveAwareRead(void* buffer, int size, int count, FileHandle file) {
  ArchiveFileRecord* record = RecordForHandle(file);
  if (record == nullptr) return -1;
  if (!record->inArchive) return DirectFileRead(buffer, size, count, record->directFile);
  return ReadArchiveEntry(&record->reader, buffer, size, count);
}

int ArchiveAwareEof(FileHandle file) {
  ArchiveFileRecord* record = RecordForHandle(file);
  if (record == nullptr) return -1;
  if (!record->inArchive) return DirectFileEof(record->directFile);
  return record->reader.endFlag ? -1 : 0;
}

int ArchiveAwareIdle(FileHandle file) {
  ArchiveFileRecord* record = RecordForHandle(file);
  if (record == nullptr) return -1;
  if (!record->inArchive) return DirectFileIdle(record->directFile);
  return EntryIdleStep(&record->reader);
}

int ArchiveAwareChdir(const char* path) {
  pf::SetCurrentDirectory(path);
  return 0;
}

int ArchiveAwareGetcwd(char* buffer) {
  char cwd[kPathBytes];
  std::uint32_t got = pf::GetCurrentDirectory(kPathBytes, cwd);
  if (got >= static_cast<std::uint32_t>(kPathBytes)) got = 0;
  if (got > 255) got = 255;
  std::memcpy(buffer, cwd, got);
  buffer[got] = '\0';
  return 0;
}

FindHandle ArchiveAwareFindFirst(const char* pattern, FileFindInfo* out) {
  ArchiveSearch* search = static_cast<ArchiveSearch*>(ZELVO_ALLOC_ZEROED(sizeof(ArchiveSearch)));
  if (search == nullptr || pattern == nullptr) {
    if (search != nullptr) TrackedFree(search);
    return -1;
  }
  int archiveSlot;
  char archivePath[kPathBytes];
  char rest[kPathBytes];
  if (ResolveArchivePath(pattern, &archiveSlot, archivePath, rest) != 0) {
    search->platformSearch = DirectFindFirst(pattern, out);
    if (search->platformSearch == -1) {
      TrackedFree(search);
      return -1;
    }
  } else {
    search->inArchive = 1;
    search->archiveSlot = archiveSlot;
    search->archiveSearch = ArchiveFindFirst(g_archiveTables.archives[archiveSlot]->archive, rest, out);
    if (search->archiveSearch == nullptr) {
      ReleaseArchive(archiveSlot);
      TrackedFree(search);
      return -1;
    }
  }
  return reinterpret_cast<FindHandle>(search);
}

int ArchiveAwareFindNext(FindHandle handle, FileFindInfo* out) {
  if (handle == -1 || handle == 0) return -1;
  ArchiveSearch* search = reinterpret_cast<ArchiveSearch*>(handle);
  if (search->inArchive) return ArchiveFindNext(search->archiveSearch, out);
  return DirectFindNext(search->platformSearch, out);
}

int ArchiveAwareFindClose(FindHandle handle) {
  if (handle == -1 || handle == 0) return -1;
  ArchiveSearch* search = reinterpret_cast<ArchiveSearch*>(handle);
  if (search->inArchive) {
    ArchiveFindClose(search->archiveSearch);
    ReleaseArchive(search->archiveSlot);
  } else {
    DirectFindClose(search->platformSearch);
  }
  TrackedFree(search);
  return 0;
}

}  // namespace zelvo
