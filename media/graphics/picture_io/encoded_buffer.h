#pragma once
// A growing block of encoded bytes (from the tracked allocator) that the PNG and JPEG savers fill
// and store in one go, so a save that fails part way never touches the file already there.
#include <cstddef>
#include <cstdint>

namespace zelvo {

struct EncodedBuffer {
  std::uint8_t* data;
  std::size_t size;
  std::size_t capacity;
};

// false when the block could not grow.
bool AppendEncoded(EncodedBuffer* buffer, const void* bytes, std::size_t count);
void FreeEncoded(EncodedBuffer* buffer);
// Writes the bytes to the file through the runtime's file stand-in (which replaces the old file
// only once everything is written); 0, or -1 when it could not be stored.
int StoreEncodedFile(const char* path, const EncodedBuffer* buffer);

}  // namespace zelvo
