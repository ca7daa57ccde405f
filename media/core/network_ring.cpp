// Byte rings: growth, append and read with wrap-around, and the spans a socket reads into and
// sends from.
#include "media/core/network_ring.h"

#include <climits>
#include <cstdint>

#include "media/core/runtime_routines.h"
#include "media/core/log.h"

namespace zelvo {
namespace {

constexpr int kRingSlack = 1000;

// A position equal to the capacity is the start of the buffer.
void WrapPositions(ByteRing* ring) {
  if (ring->readPosition >= ring->capacity) ring->readPosition = 0;
  if (ring->writePosition >= ring->capacity) ring->writePosition = 0;
}

// An emptied ring starts again at the start of its buffer: the next packet then lies in one piece,
// taken in by one socket read and copied out in one piece, at the buffer's own alignment.
void RewindWhenEmpty(ByteRing* ring) {
  if (ring->dataLength == 0) ring->readPosition = ring->writePosition = 0;
}

}  // namespace

int ReserveRing(ByteRing* ring, int needed) {
  if (needed < 0) needed = 0;
  if (ring->capacity >= ring->dataLength + static_cast<std::int64_t>(needed)) return 0;
  const std::int64_t wanted = static_cast<std::int64_t>(ring->dataLength) + needed + kRingSlack;
  char* grown = wanted <= INT_MAX ? static_cast<char*>(ZELVO_ALLOC(static_cast<std::size_t>(wanted))) : nullptr;
  if (grown == nullptr) {
    // The ring keeps what it holds: emptying it would lose queued data mid-packet.
    WriteLogFormat("リングバッファの再確保に失敗しました(確保しようとしたサイズ %lld byte)", static_cast<long long>(wanted));
    return -1;
  }
  const int stored = ring->dataLength;
  if (stored > 0) ReadRing(ring, grown, stored, 0);
  if (ring->buffer != nullptr) TrackedFree(ring->buffer);
  ring->buffer = grown;
  ring->capacity = static_cast<int>(wanted);
  ring->readPosition = 0;
  ring->writePosition = stored;
  ring->dataLength = stored;
  return 0;
}

int AppendRing(ByteRing* ring, const void* data, int length) {
  if (length <= 0) return 0;
  if (ReserveRing(ring, length) != 0) {
    WriteLogFormat("リングバッファへのデータの追加に失敗しました(追加する長さ %d byte)", length);
    return -1;
  }
  const char* from = static_cast<const char*>(data);
  while (length > 0) {
    char* at = nullptr;
    const int span = RingWritableSpan(ring, &at);
    const int n = span < length ? span : length;
    CopyBytes(at, from, static_cast<std::size_t>(n));
    CommitRingWrite(ring, n);
    from += n;
    length -= n;
  }
  return 0;
}

int ReadRing(ByteRing* ring, void* out, int length, int peek) {
  if (length < 0 || ring->dataLength < length) return -1;
  WrapPositions(ring);
  char* to = static_cast<char*>(out);
  int position = ring->readPosition;
  for (int left = length; left > 0;) {
    if (position >= ring->capacity) position = 0;
    const int span = ring->capacity - position < left ? ring->capacity - position : left;
    CopyBytes(to, ring->buffer + position, static_cast<std::size_t>(span));
    to += span;
    position += span;
    left -= span;
  }
  if (peek == 0) {
    ring->readPosition = position;
    ring->dataLength -= length;
    RewindWhenEmpty(ring);
  }
  return 0;
}

int RingWritableSpan(ByteRing* ring, char** at) {
  WrapPositions(ring);
  const int free = ring->capacity - ring->dataLength;
  const int toEnd = ring->capacity - ring->writePosition;
  *at = ring->buffer + ring->writePosition;
  return free < toEnd ? free : toEnd;
}

void CommitRingWrite(ByteRing* ring, int length) {
  ring->writePosition += length;
  ring->dataLength += length;
}

int RingReadableSpan(ByteRing* ring, const char** at) {
  WrapPositions(ring);
  const int toEnd = ring->capacity - ring->readPosition;
  *at = ring->buffer + ring->readPosition;
  return ring->dataLength < toEnd ? ring->dataLength : toEnd;
}

void DropRingBytes(ByteRing* ring, int length) {
  ring->readPosition += length;
  ring->dataLength -= length;
  RewindWhenEmpty(ring);
}

void FreeRing(ByteRing* ring) {
  if (ring->buffer != nullptr) TrackedFree(ring->buffer);
  *ring = ByteRing{};
}

}  // namespace zelvo
