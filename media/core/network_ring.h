#pragma once
// The byte ring of a connection's receive or send side: a buffer from the tracked allocator that
// grows to hold what is put in, read and written with wrap-around.
namespace zelvo {

struct ByteRing {
  char* buffer;
  int readPosition;
  int writePosition;
  int dataLength;
  int capacity;
};

// Makes room for `needed` more bytes (capacity becomes length + needed + 1000, the data moved to
// the start); 0, or -1 with the ring as it was.
int ReserveRing(ByteRing* ring, int needed);
// 0, or -1 when the ring cannot grow.
int AppendRing(ByteRing* ring, const void* data, int length);
// Copies `length` bytes out, removing them unless peeking; -1 when fewer are stored.
int ReadRing(ByteRing* ring, void* out, int length, int peek);
// The free bytes that follow the write position without wrapping, and taking them as written.
int RingWritableSpan(ByteRing* ring, char** at);
void CommitRingWrite(ByteRing* ring, int length);
// The stored bytes that follow the read position without wrapping, and dropping them.
int RingReadableSpan(ByteRing* ring, const char** at);
void DropRingBytes(ByteRing* ring, int length);
void FreeRing(ByteRing* ring);

}  // namespace zelvo
