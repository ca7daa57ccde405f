#pragma once
// The archive-aware file operations, the default content of the file-operation table: a folder may
// be replaced by an archive of the same name with the extension "ZVA" beside it, and every path that
// runs through such a folder is served from the archive; every other path from the disk.
#include <cstdint>

#include "media/core/archive.h"
#include "media/core/file_ops.h"

namespace zelvo {

constexpr int kMaxOpenArchives = 512;
constexpr int kMaxOpenFiles = 512;
constexpr FileHandle kArchiveFileHandleTag = 0xF0000000;
constexpr int kArchivePathBytes = 256;

struct ArchiveRecord {
  std::int32_t referenceCount;
  Archive* archive;
  char path[kArchivePathBytes];   // normalised; the key by which the table is searched
};

enum ArchivePendingState : std::int32_t {
  kPendingNone = 0,
  kPendingCompressedBlock = 1,
  kPendingStoredBytes = 2,
};

struct ArchiveEntryReader {
  Archive* archive;
  ArchiveFileEntry entry;
  std::int32_t endFlag;
  std::uint8_t* decompressed;     // compressed entries, whole
  std::uint8_t* compressed;       // while a compressed block is being read
  std::int32_t position;
  std::int32_t asyncFlag;
  std::int32_t pending;
  std::uint32_t pendingOffset;    // file offset of the pending read
  std::uint8_t* pendingBuffer;
  std::int32_t pendingLength;
};

struct ArchiveFileRecord {
  std::int32_t inArchive;
  FileHandle directFile;
  std::int32_t archiveSlot;
  ArchiveEntryReader reader;
};

struct ArchiveSearch {
  std::int32_t inArchive;
  std::int32_t archiveSlot;
  FindHandle platformSearch;
  ArchiveSearchRecord* archiveSearch;
};

struct ArchiveTables {
  ArchiveRecord* archives[kMaxOpenArchives];
  std::int32_t archiveCount;
  ArchiveFileRecord* files[kMaxOpenFiles];
  std::int32_t fileCount;
};
extern ArchiveTables g_archiveTables;

// Settings of the archive layer (cleared at start-up) and the resolution cache.
struct ArchiveSettings {
  char extension[16];             // empty means "ZVA"
  char keyString[256];
  std::int32_t keySet;            // 0: archives use the key built from no key string
  char cachePath[kArchivePathBytes];
  std::int32_t cachePrefixLength;
  std::int32_t cacheSlot;
};
extern ArchiveSettings g_archiveSettings;

FileHandle ArchiveAwareOpen(const char* path, int cacheFlag, int unused, int asyncFlag);
int ArchiveAwareClose(FileHandle file);
std::int32_t ArchiveAwareTell(FileHandle file);
int ArchiveAwareSeek(FileHandle file, std::int32_t offset, int origin);
int ArchiveAwareRead(void* buffer, int size, int count, FileHandle file);
int ArchiveAwareEof(FileHandle file);
int ArchiveAwareIdle(FileHandle file);
int ArchiveAwareChdir(const char* path);
int ArchiveAwareGetcwd(char* buffer);
FindHandle ArchiveAwareFindFirst(const char* pattern, FileFindInfo* out);
int ArchiveAwareFindNext(FindHandle search, FileFindInfo* out);
int ArchiveAwareFindClose(FindHandle search);

// Start-up: frees the archives nobody uses, then clears the settings and the cache. Files still
// open (and the archives they hold) stay valid.
void ResetArchiveState();
// Closes every archive whose reference count is 0 or less; returns how many were closed.
int FreeUnusedArchives();
// Slot of the archive at this normalised path, opened or shared (one more reference); -1 on failure.
int OpenArchive(const char* path, int slotHint, int memoryMode, int asyncLoad);
void ReleaseArchive(int slot);
int FindOpenArchive(const char* path);
// Upper-case absolute form of a path (kMaxPath bytes out); 0, or -1 when it does not fit.
int NormalisePath(const char* path, char* out);
// 0 when the path lies in an archive: its slot (one reference taken), the archive's path and the
// rest of the path inside it (kMaxPath bytes each); -1 otherwise.
int ResolveArchivePath(const char* path, int* slotOut, char* archivePathOut, char* restOut);

}  // namespace zelvo
