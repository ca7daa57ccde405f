// The tracked allocator: every library heap block carries a header in front of its data with the
// caller's source name and line, a serial id, the size and the links of one newest-first list, and
// a guard copy of those fields by which damage is found. Used only under the library lock.
#include <cstddef>
#include <cstring>

#include "media/core/runtime_routines.h"
#include "media/core/log.h"

namespace zelvo {

namespace {

// 80 bytes with 64-bit links: a multiple of 16, so the caller's data stays 16-byte aligned.
struct BlockHeader {
  char source[16];
  std::uint16_t serial;
  std::uint16_t line;
  std::uint32_t size;
  BlockHeader* older;
  BlockHeader* newer;
  unsigned char guard[40];
};
constexpr std::size_t kGuardedBytes = offsetof(BlockHeader, guard);
static_assert(sizeof(BlockHeader) % 16 == 0);
static_assert(kGuardedBytes == sizeof(BlockHeader::guard));

// Requests above this fail like an exhausted heap; it keeps size + header far from wrapping and the
// size within the header's field.
constexpr std::size_t kMaxBlockSize = 0x7FFFFFFFu - sizeof(BlockHeader);
constexpr std::size_t kDumpBytes = 16;

struct AllocatorState {
  BlockHeader sentinel{};
  BlockHeader* newest = &sentinel;
  std::uint16_t nextSerial = 0;
  std::size_t liveBytes = 0;
  int liveCount = 0;
  TrackedAllocOptions options{};
};
AllocatorState g_allocator;

void RefreshGuard(BlockHeader* header) {
  std::memcpy(header->guard, header, kGuardedBytes);
}

bool GuardIntact(const BlockHeader* header) {
  return std::memcmp(header->guard, header, kGuardedBytes) == 0;
}

unsigned char* DataOf(BlockHeader* header) {
  return reinterpret_cast<unsigned char*>(header) + sizeof(BlockHeader);
}

// The last 15 characters of the name (all of it when shorter), or empty.
void StoreSourceName(BlockHeader* header, const char* file) {
  std::memset(header->source, 0, sizeof header->source);
  if (file == nullptr) {
    return;
  }
  const std::size_t length = std::strlen(file);
  const std::size_t keep = sizeof header->source - 1;
  const char* tail = length > keep ? file + (length - keep) : file;
  std::memcpy(header->source, tail, length > keep ? keep : length);
}

// "\tsize:..(..kb)  file:..  line:..  ID:..  data:<first bytes> [their hex]" and a line feed.
void WriteDumpLine(BlockHeader* header) {
  static const char kHex[] = "0123456789abcdef";
  char line[256];
  StringPrintf(line, sizeof line, "\tsize:%d(%.3fkb)  file:%s  line:%d  ID:%d  data:<",
               static_cast<int>(header->size), header->size / 1024.0, header->source,
               static_cast<int>(header->line), static_cast<int>(header->serial));
  const unsigned char* data = DataOf(header);
  const std::size_t n = header->size < kDumpBytes ? header->size : kDumpBytes;
  char* p = line + std::strlen(line);
  for (std::size_t i = 0; i < n; ++i) {
    // Taken as signed: bytes from 0x80 up count as below the space too.
    *p++ = static_cast<signed char>(data[i]) < 32 ? '.' : static_cast<char>(data[i]);
  }
  p = CopyString(p, "> [");
  for (std::size_t i = 0; i < n; ++i) {
    *p++ = kHex[data[i] >> 4];
    *p++ = kHex[data[i] & 15];
    *p++ = ' ';
  }
  if (n > 0) {
    --p;  // the last blank gives way to the closing bracket
  }
  CopyString(p, "]\n");
  WriteLogText(line);
}

void WriteTotalsLine() {
  WriteLogFormat("\tTotal size:%lld(%.3fkb)  Alloc num:%d", static_cast<long long>(g_allocator.liveBytes),
                 g_allocator.liveBytes / 1024.0, g_allocator.liveCount);
}

bool Watched(const BlockHeader* header) {
  const TrackedAllocOptions& o = g_allocator.options;
  return o.watchSize < 0 || static_cast<long long>(o.watchSize) == header->size || o.logEveryBlock != 0;
}

}  // namespace

namespace {

// Puts a block fresh from the system on the list; the caller's data, or nullptr when there was none.
void* TrackNewBlock(BlockHeader* header, std::size_t size, const char* file, int line) {
  if (header == nullptr) {
    DumpTrackedBlocks();
    return nullptr;
  }
  header->size = static_cast<std::uint32_t>(size);
  StoreSourceName(header, file);
  header->line = static_cast<std::uint16_t>(line);
  header->serial = g_allocator.nextSerial++;

  BlockHeader* oldNewest = g_allocator.newest;
  oldNewest->newer = header;
  header->older = oldNewest;
  header->newer = nullptr;
  g_allocator.newest = header;
  RefreshGuard(header);
  RefreshGuard(oldNewest);

  g_allocator.liveBytes += size;
  g_allocator.liveCount += 1;
  if (Watched(header)) {
    WriteLogText("mem alloc  ");
    WriteDumpLine(header);
  }
  if (g_allocator.options.logTotals != 0) {
    WriteTotalsLine();
  }
  if (g_allocator.options.verifyEach != 0) {
    VerifyTrackedBlocks();
  }
  return DataOf(header);
}

}  // namespace

void* TrackedAlloc(std::size_t size, const char* file, int line) {
  void* block = size <= kMaxBlockSize ? SystemAlloc(size + sizeof(BlockHeader)) : nullptr;
  return TrackNewBlock(static_cast<BlockHeader*>(block), size, file, line);
}

void* TrackedAllocZeroed(std::size_t size, const char* file, int line) {
  void* block = size <= kMaxBlockSize ? SystemAllocZeroed(size + sizeof(BlockHeader)) : nullptr;
  return TrackNewBlock(static_cast<BlockHeader*>(block), size, file, line);
}

int TrackedFree(void* pointer) {
  if (pointer == nullptr) {
    return 0;
  }
  BlockHeader* header = reinterpret_cast<BlockHeader*>(static_cast<unsigned char*>(pointer) - sizeof(BlockHeader));
  g_allocator.liveBytes -= header->size;
  g_allocator.liveCount -= 1;
  if (g_allocator.options.verifyEach != 0) {
    VerifyTrackedBlocks();
  }
  BlockHeader* older = header->older;
  BlockHeader* newer = header->newer;
  older->newer = newer;
  if (newer != nullptr) {
    newer->older = older;
    RefreshGuard(newer);
  } else {
    g_allocator.newest = older;
  }
  RefreshGuard(older);
  if (Watched(header)) {
    WriteLogText("mem free  ");
    WriteDumpLine(header);
  }
  if (g_allocator.options.logTotals != 0) {
    WriteTotalsLine();
  }
  SystemFree(header);
  return 0;
}

int VerifyTrackedBlocks() {
  for (BlockHeader* header = g_allocator.newest; header != &g_allocator.sentinel; header = header->older) {
    if (!GuardIntact(header)) {
      WriteLogText("以下のメモリ確保情報が破損しました");
      WriteDumpLine(header);
      return -1;
    }
  }
  return 0;
}

int DumpTrackedBlocks() {
  WriteLogText("\n");
  WriteLogText("Alloc memory dump");
  for (BlockHeader* header = g_allocator.newest; header != &g_allocator.sentinel; header = header->older) {
    WriteDumpLine(header);
  }
  WriteTotalsLine();
  return WriteLogText("\n");
}

TrackedTotals TrackedAllocatorTotals() {
  return TrackedTotals{g_allocator.liveBytes, g_allocator.liveCount};
}

void SetTrackedAllocOptions(const TrackedAllocOptions& options) {
  g_allocator.options = options;
}

TrackedAllocOptions GetTrackedAllocOptions() {
  return g_allocator.options;
}

}  // namespace zelvo
