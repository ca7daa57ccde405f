#pragma once
// The zva archive format: the scrambling key, the header and directory block, name keys, lookup,
// folder walks and searches inside an archive, and the archive's LZ decompression.
#include <cstddef>
#include <cstdint>

#include "media/core/direct_file.h"
#include "media/core/file_ops.h"

namespace zelvo {

constexpr int kArchiveKeyBytes = 12;
constexpr std::uint32_t kArchiveHeaderSize = 24;
constexpr std::uint32_t kArchiveDirRecordSize = 16;
constexpr std::uint32_t kArchiveNoOffset = 0xFFFFFFFFu;     // root's parent; stored (not compressed) data
constexpr std::uint32_t kArchiveFolderAttribute = 0x10;
constexpr std::uint32_t kCompressedBlockHeaderSize = 9;
constexpr int kArchiveNameMaxBytes = 255;                   // longer components match nothing

struct ArchiveKey {
  std::uint8_t bytes[kArchiveKeyBytes];
};

// Without a key string every byte starts as the fixed fill value.
void BuildArchiveKey(const char* keyString, ArchiveKey* out);
// XOR with key byte (file offset mod 12), starting at the byte the run was read from.
void UnscrambleArchiveBytes(void* bytes, std::size_t length, std::uint32_t fileOffset, const ArchiveKey& key);
void ComplementBytes(void* buffer, std::size_t length);
int ReadComplemented(void* buffer, int length, FileHandle file);

struct ArchiveNameKey {
  std::uint16_t units;      // 4-byte units; 0 for a component too long to match anything
  std::uint16_t check;      // 16-bit byte sum
  std::uint8_t bytes[256];
};
// Key of the component that starts `component` (it ends at a backslash or the text's end); returns
// the number of bytes consumed.
int MakeArchiveNameKey(const char* component, ArchiveNameKey* out);

// One file-table entry, read from the directory block.
struct ArchiveFileEntry {
  std::uint32_t nameOffset;
  std::uint32_t attributes;
  std::uint64_t creationTime;
  std::uint64_t accessTime;
  std::uint64_t lastWriteTime;
  std::uint32_t dataOffset;      // a folder: offset of its directory record
  std::uint32_t size;
  std::uint32_t compressedSize;  // kArchiveNoOffset: stored as is (always so before version 2)
};

struct Archive {
  DirectFile* file;
  ArchiveKey key;
  std::int32_t version;
  std::uint32_t fileSize;
  std::uint32_t dataArea;
  std::uint8_t* block;           // the whole directory block, unscrambled
  std::uint32_t blockSize;
  std::uint32_t fileTable;
  std::uint32_t dirTable;
  std::uint32_t currentDir;      // offset of the current folder's record in the directory table
  std::uint8_t* image;           // memory mode: the whole file, unscrambled once loaded
  std::int32_t loadPending;
};

// Opens and checks an archive; null when it is not a readable archive (bad magic under both keys,
// version above 3, tables that do not fit the block or the file, a folder loop, a failed read).
Archive* OpenArchiveFile(const char* path, const char* keyString, int memoryMode, int asyncLoad);
void CloseArchiveFile(Archive* archive);
// Waits for a pending whole-file load and unscrambles it.
void FinishArchiveLoad(Archive* archive);

std::uint32_t ArchiveEntrySize(const Archive* archive);
void ReadArchiveEntry(const Archive* archive, std::uint32_t entryOffset, ArchiveFileEntry* out);
const char* ArchiveEntryStoredName(const Archive* archive, const ArchiveFileEntry& entry);
// 0 when the entry's data (or compressed block) lies inside the archive file.
int CheckArchiveEntryRange(const Archive* archive, const ArchiveFileEntry& entry);

// 0 and the entry for a file path relative to the current folder, -1 when there is none.
int FindArchiveDirEntry(Archive* archive, const char* path, ArchiveFileEntry* out);
// 0 on success; on failure -1 with the key of the component not found in `keyOut` (may be null).
int ChangeArchiveDir(Archive* archive, const char* path, int restore, ArchiveNameKey* keyOut);

struct ArchiveSearchRecord {
  Archive* archive;
  char pattern[260];
  std::uint32_t folder;
  std::int32_t nextItem;
};
ArchiveSearchRecord* ArchiveFindFirst(Archive* archive, const char* pattern, FileFindInfo* out);
int ArchiveFindNext(ArchiveSearchRecord* search, FileFindInfo* out);
int ArchiveFindClose(ArchiveSearchRecord* search);

// 0 on a match, -1 otherwise; a star takes the first occurrence of the next byte and never backtracks.
int WildcardMatch(const char* name, const char* pattern);

// Decompresses a block of `blockLength` bytes into `output` (room for `capacity` bytes) and returns
// the decompressed size; without an output it only reports that size. -1 for a block that is not
// well formed: tokens overrunning the block or the output, a match reaching before the output, a
// first match of kind 3, or a token stream that does not produce exactly the stated size.
std::int64_t DecompressArchiveBlock(const std::uint8_t* block, std::size_t blockLength, std::uint8_t* output,
                                    std::size_t capacity);

}  // namespace zelvo
