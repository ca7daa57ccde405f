// The zva archive format: key, header and directory block, lookup, walks and searches.
#include "media/core/archive.h"

#include <cstring>

#include "media/core/runtime_routines.h"
#include "media/core/log.h"

namespace zelvo {

namespace {

constexpr std::uint8_t kKeyFill = 0xAA;   // every key byte before the transformation, without a key string

std::uint8_t SwapNibbles(std::uint8_t b) { return static_cast<std::uint8_t>(b << 4 | b >> 4); }
std::uint8_t RotateLeft(std::uint8_t b, int n) { return static_cast<std::uint8_t>(b << n | b >> (8 - n)); }

std::uint32_t ReadU32(const std::uint8_t* p) {
  return static_cast<std::uint32_t>(p[0]) | static_cast<std::uint32_t>(p[1]) << 8 |
         static_cast<std::uint32_t>(p[2]) << 16 | static_cast<std::uint32_t>(p[3]) << 24;
}
std::uint16_t ReadU16(const std::uint8_t* p) { return static_cast<std::uint16_t>(p[0] | p[1] << 8); }
std::uint64_t ReadU64(const std::uint8_t* p) {
  return static_cast<std::uint64_t>(ReadU32(p)) | static_cast<std::uint64_t>(ReadU32(p + 4)) << 32;
}

bool FitsIn(std::uint64_t offset, std::uint64_t length, std::uint64_t total) {
  return offset <= total && length <= total - offset;
}

// Index just past the character at i; a lead byte whose trail is the terminating NUL stands alone.
std::size_t NextChar(const char* text, std::size_t i) {
  if (IsShiftJisLead(static_cast<unsigned char>(text[i])) && text[i + 1] != '\0') return i + 2;
  return i + 1;
}

void UppercaseAscii(char* text) {
  for (std::size_t i = 0; text[i] != '\0'; i = NextChar(text, i)) {
    if (!IsShiftJisLead(static_cast<unsigned char>(text[i])) && text[i] >= 'a' && text[i] <= 'z') text[i] -= 'a' - 'A';
  }
}

struct DirRecord {
  std::uint32_t parent;
  std::uint32_t count;
  std::uint32_t first;
};

DirRecord ReadDirRecord(const Archive* a, std::uint32_t offset) {
  const std::uint8_t* p = a->block + a->dirTable + offset;
  return {ReadU32(p + 4), ReadU32(p + 8), ReadU32(p + 12)};
}

std::uint32_t EntryOffset(const Archive* a, const DirRecord& dir, std::uint32_t index) {
  return dir.first + index * ArchiveEntrySize(a);
}

bool NameKeyMatches(const Archive* a, std::uint32_t nameOffset, const ArchiveNameKey& key) {
  const std::uint8_t* record = a->block + nameOffset;
  if (ReadU16(record) != key.units || ReadU16(record + 2) != key.check) return false;
  return std::memcmp(record + 4, key.bytes, key.units * 4u) == 0;
}

const char* NameRecordKeyText(const Archive* a, std::uint32_t nameOffset) {
  return reinterpret_cast<const char*>(a->block + nameOffset + 4);
}

// Finds an entry of the current folder with this key, a folder or a file as asked.
bool FindInCurrentFolder(const Archive* a, const ArchiveNameKey& key, bool wantFolder, ArchiveFileEntry* out) {
  if (key.units == 0) return false;
  DirRecord dir = ReadDirRecord(a, a->currentDir);
  for (std::uint32_t i = 0; i < dir.count; ++i) {
    ArchiveFileEntry entry;
    ReadArchiveEntry(a, EntryOffset(a, dir, i), &entry);
    bool isFolder = (entry.attributes & kArchiveFolderAttribute) != 0;
    if (isFolder == wantFolder && NameKeyMatches(a, entry.nameOffset, key)) {
      *out = entry;
      return true;
    }
  }
  return false;
}

// Reads `length` bytes at a file offset and unscrambles them.
bool ReadArchiveBytes(Archive* a, void* buffer, std::uint32_t length, std::uint32_t offset) {
  FileHandle h = reinterpret_cast<FileHandle>(a->file);
  if (DirectFileSeek(h, static_cast<std::int32_t>(offset), 0) != 0) return false;
  if (length == 0) return true;
  int got = DirectFileRead(buffer, 1, static_cast<int>(length), h);
  DirectFileWaitIdle(a->file);
  if (got != static_cast<int>(length)) return false;
  UnscrambleArchiveBytes(buffer, length, offset, a->key);
  return true;
}

bool NameRecordValid(const Archive* a, std::uint32_t offset) {
  if (!FitsIn(offset, 4, a->blockSize)) return false;
  const std::uint8_t* record = a->block + offset;
  std::uint32_t units = ReadU16(record);
  if (units == 0 || !FitsIn(offset + 4ull, units * 4ull, a->blockSize)) return false;
  if (record[4 + units * 4 - 1] != 0) return false;   // the key must end in a zero byte
  std::uint64_t nameStart = offset + 4ull + units * 4ull;
  return std::memchr(a->block + nameStart, 0, a->blockSize - nameStart) != nullptr;
}

bool DirRecordFits(const Archive* a, std::uint32_t offset) {
  return FitsIn(static_cast<std::uint64_t>(a->dirTable) + offset, kArchiveDirRecordSize, a->blockSize);
}

// Every folder reachable from the root, with its entries and their names, must lie inside the block,
// and the folders must form a tree: a record reached twice is a loop or a shared folder.
bool DirectoryTreeValid(const Archive* a) {
  // Records lie anywhere in the directory table: one visited bit per byte of it, and a stack that can
  // hold every record once.
  std::size_t tableBytes = a->blockSize - a->dirTable;
  std::size_t bitmapBytes = (tableBytes / 8 + 8) & ~static_cast<std::size_t>(7);   // keeps the stack aligned
  std::uint8_t* scratch = static_cast<std::uint8_t*>(ZELVO_ALLOC_ZEROED(bitmapBytes + tableBytes * sizeof(std::uint32_t)));
  if (scratch == nullptr) return false;
  std::uint8_t* visited = scratch;
  std::uint32_t* pending = reinterpret_cast<std::uint32_t*>(scratch + bitmapBytes);
  auto markVisited = [&](std::uint32_t offset) {
    bool seen = (visited[offset / 8] >> (offset % 8)) & 1;
    visited[offset / 8] = static_cast<std::uint8_t>(visited[offset / 8] | 1 << (offset % 8));
    return !seen;
  };
  std::size_t depth = 0;
  pending[depth++] = 0;
  markVisited(0);
  std::uint32_t entrySize = ArchiveEntrySize(a);
  bool valid = true;
  while (valid && depth > 0) {
    DirRecord dir = ReadDirRecord(a, pending[--depth]);
    if ((dir.parent != kArchiveNoOffset && !DirRecordFits(a, dir.parent)) ||
        !FitsIn(static_cast<std::uint64_t>(a->fileTable) + dir.first, static_cast<std::uint64_t>(dir.count) * entrySize,
                a->blockSize)) {
      valid = false;
      break;
    }
    for (std::uint32_t i = 0; valid && i < dir.count; ++i) {
      ArchiveFileEntry entry;
      ReadArchiveEntry(a, dir.first + i * entrySize, &entry);
      if (!NameRecordValid(a, entry.nameOffset)) {
        valid = false;
      } else if ((entry.attributes & kArchiveFolderAttribute) != 0) {
        valid = DirRecordFits(a, entry.dataOffset) && markVisited(entry.dataOffset);
        if (valid) pending[depth++] = entry.dataOffset;
      }
    }
  }
  TrackedFree(scratch);
  return valid;
}

void FreeArchive(Archive* a) {
  if (a->file != nullptr) DirectFileClose(reinterpret_cast<FileHandle>(a->file));
  if (a->block != nullptr) TrackedFree(a->block);
  if (a->image != nullptr) TrackedFree(a->image);
  TrackedFree(a);
}

bool HeaderAccepted(const std::uint8_t* header) {
  return header[0] == 'Z' && header[1] == 'V' && ReadU16(header + 2) <= 3;
}

}  // namespace

void BuildArchiveKey(const char* keyString, ArchiveKey* out) {
  std::uint8_t* k = out->bytes;
  std::size_t length = keyString != nullptr ? std::strlen(keyString) : 0;
  if (length == 0) {
    std::memset(k, kKeyFill, kArchiveKeyBytes);
  } else {
    for (int i = 0; i < kArchiveKeyBytes; ++i) k[i] = static_cast<std::uint8_t>(keyString[static_cast<std::size_t>(i) % length]);
  }
  k[0] = static_cast<std::uint8_t>(~k[0]);
  k[1] = SwapNibbles(k[1]);
  k[2] ^= 0x8A;
  k[3] = static_cast<std::uint8_t>(~SwapNibbles(k[3]));
  k[4] = static_cast<std::uint8_t>(~k[4]);
  k[5] ^= 0xD3;
  k[6] = static_cast<std::uint8_t>(~k[6]);
  k[7] = static_cast<std::uint8_t>(~RotateLeft(k[7], 5));
  k[8] = RotateLeft(k[8], 3);
  k[9] ^= 0x3B;
  k[10] = static_cast<std::uint8_t>(SwapNibbles(k[10]) ^ 0x47);
  k[11] ^= 0x6E;
}

void UnscrambleArchiveBytes(void* bytes, std::size_t length, std::uint32_t fileOffset, const ArchiveKey& key) {
  std::uint8_t* p = static_cast<std::uint8_t*>(bytes);
  std::size_t k = fileOffset % kArchiveKeyBytes;
  for (std::size_t i = 0; i < length; ++i) {
    p[i] ^= key.bytes[k];
    if (++k == kArchiveKeyBytes) k = 0;
  }
}

void ComplementBytes(void* buffer, std::size_t length) {
  std::uint8_t* p = static_cast<std::uint8_t*>(buffer);
  std::size_t words = length / 4;
  for (std::size_t i = 0; i < words; ++i) {
    std::uint32_t w;
    std::memcpy(&w, p + i * 4, 4);
    w = ~w;
    std::memcpy(p + i * 4, &w, 4);
  }
  for (std::size_t i = words * 4; i < length; ++i) p[i] = static_cast<std::uint8_t>(~p[i]);
}

int ReadComplemented(void* buffer, int length, FileHandle file) {
  int got = DirectFileRead(buffer, 1, length, file);
  DirectFileWaitIdle(reinterpret_cast<DirectFile*>(file));
  if (got > 0) ComplementBytes(buffer, static_cast<std::size_t>(got));
  return got;
}

int MakeArchiveNameKey(const char* component, ArchiveNameKey* out) {
  std::size_t n = 0;
  std::size_t i = 0;
  std::uint32_t sum = 0;
  bool tooLong = false;
  auto put = [&](std::uint8_t b) {
    if (n < kArchiveNameMaxBytes) {
      out->bytes[n++] = b;
      sum += b;
    } else {
      tooLong = true;
    }
  };
  while (component[i] != '\0' && component[i] != '\\') {
    std::uint8_t c = static_cast<std::uint8_t>(component[i]);
    if (IsShiftJisLead(c) && component[i + 1] != '\0') {
      put(c);
      put(static_cast<std::uint8_t>(component[i + 1]));
      i += 2;
      continue;
    }
    if (c >= 'a' && c <= 'z') c = static_cast<std::uint8_t>(c - ('a' - 'A'));
    put(c);
    ++i;
  }
  std::size_t padded = (n + 4) & ~static_cast<std::size_t>(3);
  std::memset(out->bytes + n, 0, padded - n);
  out->units = tooLong ? 0 : static_cast<std::uint16_t>(padded / 4);
  out->check = static_cast<std::uint16_t>(sum);
  return static_cast<int>(i);
}

std::uint32_t ArchiveEntrySize(const Archive* archive) { return archive->version < 2 ? 40u : 44u; }

void ReadArchiveEntry(const Archive* a, std::uint32_t entryOffset, ArchiveFileEntry* out) {
  const std::uint8_t* p = a->block + a->fileTable + entryOffset;
  out->nameOffset = ReadU32(p);
  out->attributes = ReadU32(p + 4);
  out->creationTime = ReadU64(p + 8);
  out->accessTime = ReadU64(p + 16);
  out->lastWriteTime = ReadU64(p + 24);
  out->dataOffset = ReadU32(p + 32);
  out->size = ReadU32(p + 36);
  out->compressedSize = a->version < 2 ? kArchiveNoOffset : ReadU32(p + 40);
}

const char* ArchiveEntryStoredName(const Archive* a, const ArchiveFileEntry& entry) {
  std::uint32_t units = ReadU16(a->block + entry.nameOffset);
  return reinterpret_cast<const char*>(a->block + entry.nameOffset + 4 + units * 4);
}

int CheckArchiveEntryRange(const Archive* a, const ArchiveFileEntry& entry) {
  std::uint64_t start = static_cast<std::uint64_t>(a->dataArea) + entry.dataOffset;
  std::uint64_t length = entry.compressedSize == kArchiveNoOffset ? entry.size : entry.compressedSize;
  if (entry.compressedSize != kArchiveNoOffset && length < kCompressedBlockHeaderSize) return -1;
  return FitsIn(start, length, a->fileSize) ? 0 : -1;
}

Archive* OpenArchiveFile(const char* path, const char* keyString, int memoryMode, int asyncLoad) {
  FileHandle h = DirectFileOpen(path, 0, 0, 1);
  if (h == 0) return nullptr;
  Archive* a = static_cast<Archive*>(ZELVO_ALLOC_ZEROED(sizeof(Archive)));
  if (a == nullptr) {
    DirectFileClose(h);
    return nullptr;
  }
  a->file = reinterpret_cast<DirectFile*>(h);
  a->fileSize = static_cast<std::uint32_t>(a->file->size);

  std::uint8_t header[kArchiveHeaderSize];
  BuildArchiveKey(keyString, &a->key);
  bool read = ReadArchiveBytes(a, header, kArchiveHeaderSize, 0);
  if (read && !(header[0] == 'Z' && header[1] == 'V')) {
    std::memset(a->key.bytes, 0, kArchiveKeyBytes);
    read = ReadArchiveBytes(a, header, kArchiveHeaderSize, 0);
  }
  if (!read || !HeaderAccepted(header)) {
    FreeArchive(a);
    return nullptr;
  }
  a->version = ReadU16(header + 2);
  a->blockSize = ReadU32(header + 4);
  a->dataArea = ReadU32(header + 8);
  std::uint32_t blockOffset = ReadU32(header + 12);
  a->fileTable = ReadU32(header + 16);
  a->dirTable = ReadU32(header + 20);
  if (!FitsIn(blockOffset, a->blockSize, a->fileSize) || a->dataArea > a->fileSize || a->fileTable > a->blockSize ||
      !FitsIn(a->dirTable, kArchiveDirRecordSize, a->blockSize)) {
    FreeArchive(a);
    return nullptr;
  }
  a->block = static_cast<std::uint8_t*>(ZELVO_ALLOC(a->blockSize));
  if (a->block == nullptr || !ReadArchiveBytes(a, a->block, a->blockSize, blockOffset) || !DirectoryTreeValid(a)) {
    FreeArchive(a);
    return nullptr;
  }
  a->currentDir = 0;

  if (memoryMode) {
    a->image = static_cast<std::uint8_t*>(ZELVO_ALLOC(a->fileSize > 0 ? a->fileSize : 1));
    FileHandle file = reinterpret_cast<FileHandle>(a->file);
    if (a->image == nullptr || DirectFileSeek(file, 0, 0) != 0 ||
        DirectFileRead(a->image, 1, static_cast<int>(a->fileSize), file) != static_cast<int>(a->fileSize)) {
      FreeArchive(a);
      return nullptr;
    }
    a->loadPending = 1;
    if (!asyncLoad) FinishArchiveLoad(a);
  }
  return a;
}

void FinishArchiveLoad(Archive* a) {
  if (!a->loadPending) return;
  DirectFileWaitIdle(a->file);
  UnscrambleArchiveBytes(a->image, a->fileSize, 0, a->key);
  a->loadPending = 0;
}

void CloseArchiveFile(Archive* archive) {
  if (archive != nullptr) FreeArchive(archive);
}

int ChangeArchiveDir(Archive* a, const char* path, int restore, ArchiveNameKey* keyOut) {
  std::uint32_t start = a->currentDir;
  if (std::strcmp(path, ".") == 0) return 0;
  if (std::strcmp(path, "\\") == 0) {
    a->currentDir = 0;
    return 0;
  }
  if (std::strcmp(path, "..") == 0) {
    DirRecord dir = ReadDirRecord(a, a->currentDir);
    if (dir.parent == kArchiveNoOffset) return -1;
    a->currentDir = dir.parent;
    return 0;
  }
  const char* p = path;
  while (*p != '\0') {
    if (*p == '\\') {
      a->currentDir = 0;
      ++p;
      continue;
    }
    ArchiveNameKey key;
    p += MakeArchiveNameKey(p, &key);
    ArchiveFileEntry folder;
    if (!FindInCurrentFolder(a, key, true, &folder)) {
      if (restore) a->currentDir = start;
      if (keyOut != nullptr) *keyOut = key;
      return -1;
    }
    a->currentDir = folder.dataOffset;
    if (*p == '\\') ++p;
  }
  return 0;
}

int FindArchiveDirEntry(Archive* a, const char* path, ArchiveFileEntry* out) {
  std::uint32_t start = a->currentDir;
  bool hasFolder = false;
  for (std::size_t i = 0; path[i] != '\0'; i = NextChar(path, i)) {
    if (path[i] == '\\') hasFolder = true;
  }
  ArchiveNameKey key;
  if (hasFolder) {
    if (ChangeArchiveDir(a, path, 0, &key) == 0) {
      a->currentDir = start;
      return -1;
    }
  } else {
    MakeArchiveNameKey(path, &key);
  }
  bool found = FindInCurrentFolder(a, key, false, out);
  a->currentDir = start;
  return found ? 0 : -1;
}

namespace {

// Advances the search to its next matching item and fills `out`; false once every item was tested.
bool AdvanceSearch(ArchiveSearchRecord* s, FileFindInfo* out) {
  const Archive* a = s->archive;
  DirRecord dir = ReadDirRecord(a, s->folder);
  std::uint32_t pseudo = s->folder == 0 ? 1 : 2;
  while (static_cast<std::uint32_t>(s->nextItem) < pseudo + dir.count) {
    std::uint32_t item = static_cast<std::uint32_t>(s->nextItem++);
    if (item < pseudo) {
      const char* name = item == 0 ? "." : "..";
      if (WildcardMatch(name, s->pattern) != 0) continue;
      if (out != nullptr) {
        std::memset(out, 0, sizeof(*out));
        std::strcpy(out->name, name);
        out->isDirectory = 1;
      }
      return true;
    }
    ArchiveFileEntry entry;
    ReadArchiveEntry(a, EntryOffset(a, dir, item - pseudo), &entry);
    if (WildcardMatch(NameRecordKeyText(a, entry.nameOffset), s->pattern) != 0) continue;
    if (out != nullptr) {
      std::memset(out, 0, sizeof(*out));
      std::strncpy(out->name, ArchiveEntryStoredName(a, entry), sizeof(out->name) - 1);
      out->isDirectory = (entry.attributes & kArchiveFolderAttribute) != 0 ? 1 : 0;
      out->sizeLow = entry.size;
      out->sizeHigh = 0;
      FileTimeToDateTime(entry.creationTime, &out->creationTime);
      FileTimeToDateTime(entry.lastWriteTime, &out->lastWriteTime);
    }
    return true;
  }
  return false;
}

}  // namespace

ArchiveSearchRecord* ArchiveFindFirst(Archive* a, const char* pattern, FileFindInfo* out) {
  std::size_t length = std::strlen(pattern);
  if (length >= sizeof(ArchiveSearchRecord::pattern)) return nullptr;
  long cut = -1;
  for (std::size_t i = 0; pattern[i] != '\0'; i = NextChar(pattern, i)) {
    if (pattern[i] == '\\' || pattern[i] == '/' || pattern[i] == ':') cut = static_cast<long>(i);
  }
  char folder[260];
  std::memcpy(folder, pattern, cut < 0 ? 0 : static_cast<std::size_t>(cut));
  folder[cut < 0 ? 0 : cut] = '\0';
  UppercaseAscii(folder);

  std::uint32_t start = a->currentDir;
  std::uint32_t searched = start;
  if (folder[0] != '\0') {
    if (ChangeArchiveDir(a, folder, 1, nullptr) != 0) return nullptr;
    searched = a->currentDir;
    a->currentDir = start;
  }
  ArchiveSearchRecord* s = static_cast<ArchiveSearchRecord*>(ZELVO_ALLOC_ZEROED(sizeof(ArchiveSearchRecord)));
  if (s == nullptr) return nullptr;
  s->archive = a;
  std::strcpy(s->pattern, pattern + (cut + 1));
  UppercaseAscii(s->pattern);
  s->folder = searched;
  s->nextItem = 0;
  if (!AdvanceSearch(s, out)) {
    TrackedFree(s);
    return nullptr;
  }
  return s;
}

int ArchiveFindNext(ArchiveSearchRecord* search, FileFindInfo* out) {
  if (search == nullptr) return -1;
  return AdvanceSearch(search, out) ? 0 : -1;
}

int ArchiveFindClose(ArchiveSearchRecord* search) {
  if (search != nullptr) TrackedFree(search);
  return 0;
}

int WildcardMatch(const char* name, const char* pattern) {
  const unsigned char* n = reinterpret_cast<const unsigned char*>(name);
  const unsigned char* p = reinterpret_cast<const unsigned char*>(pattern);
  while (*n != 0 || *p != 0) {
    if (IsShiftJisLead(*p) && p[1] != 0) {
      if (n[0] != p[0] || n[1] != p[1]) return -1;
      n += 2;
      p += 2;
    } else if (*p == '?') {
      if (*n == 0) return -1;
      ++n;
      ++p;
    } else if (*p == '*') {
      while (*p == '*') ++p;
      if (*p == 0) return 0;
      while (*n != 0 && *n != *p) n += (IsShiftJisLead(*n) && n[1] != 0) ? 2 : 1;
      if (*n == 0) return -1;
      ++n;
      ++p;
    } else {
      if (*n != *p) return -1;
      ++n;
      ++p;
    }
    if ((*n == 0) != (*p == 0)) return -1;
  }
  return 0;
}

std::int64_t DecompressArchiveBlock(const std::uint8_t* block, std::size_t blockLength, std::uint8_t* output,
                                    std::size_t capacity) {
  if (block == nullptr || blockLength < kCompressedBlockHeaderSize) return -1;
  std::uint32_t outSize = ReadU32(block);
  std::uint32_t total = ReadU32(block + 4);
  if (output == nullptr) return outSize;
  if (total < kCompressedBlockHeaderSize || total > blockLength || outSize > capacity) return -1;
  const std::uint8_t escape = block[8];
  const std::uint8_t* p = block + kCompressedBlockHeaderSize;
  const std::uint8_t* end = block + total;
  std::size_t out = 0;
  std::size_t previousDistance = 0;   // 0: no match yet
  while (p < end) {
    std::uint8_t c = *p++;
    if (c != escape) {
      if (out >= outSize) return -1;
      output[out++] = c;
      continue;
    }
    if (p >= end) return -1;
    c = *p++;
    if (c == escape) {
      if (out >= outSize) return -1;
      output[out++] = escape;
      continue;
    }
    unsigned m = c < escape ? c : c - 1u;
    std::size_t length = m >> 3;
    if (m & 4) {
      if (p >= end) return -1;
      length += static_cast<std::size_t>(*p++) << 5;
    }
    length += 4;
    std::size_t distance;
    switch (m & 3) {
      case 0:
        if (end - p < 1) return -1;
        distance = p[0];
        p += 1;
        break;
      case 1:
        if (end - p < 2) return -1;
        distance = static_cast<std::size_t>(p[0]) | static_cast<std::size_t>(p[1]) << 8;
        p += 2;
        break;
      case 2:
        if (end - p < 3) return -1;
        distance = static_cast<std::size_t>(p[0]) | static_cast<std::size_t>(p[1]) << 8 | static_cast<std::size_t>(p[2]) << 16;
        p += 3;
        break;
      default:
        if (previousDistance == 0) return -1;
        distance = previousDistance;
        break;
    }
    distance += 1;
    previousDistance = distance;
    if (distance > out || length > outSize - out) return -1;
    std::uint8_t* dst = output + out;
    const std::uint8_t* src = dst - distance;
    if (distance >= length) {
      std::memcpy(dst, src, length);
    } else {
      // Overlapping copy in doubling blocks: the output repeats with period `distance`, and `done`
      // stays a multiple of it, so each block copies the bytes already written. Same bytes as
      // copying one at a time.
      std::memcpy(dst, src, distance);
      std::size_t done = distance;
      while (done < length) {
        std::size_t n = done < length - done ? done : length - done;
        std::memcpy(dst + done, dst, n);
        done += n;
      }
    }
    out += length;
  }
  return out == outSize ? static_cast<std::int64_t>(outSize) : -1;
}

}  // namespace zelvo
