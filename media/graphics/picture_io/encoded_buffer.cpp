#include "media/graphics/picture_io/encoded_buffer.h"

#include <cstring>

#include "media/core/log.h"
#include "platform/kernel/kernel.h"

namespace zelvo {

bool AppendEncoded(EncodedBuffer* buffer, const void* bytes, std::size_t count) {
  if (count > buffer->capacity - buffer->size) {
    std::size_t capacity = buffer->capacity < 65536 ? 65536 : buffer->capacity;
    while (count > capacity - buffer->size) {
      if (capacity > (std::size_t{1} << 40)) return false;
      capacity *= 2;
    }
    auto* grown = static_cast<std::uint8_t*>(ZELVO_ALLOC(capacity));
    if (grown == nullptr) return false;
    if (buffer->size > 0) std::memcpy(grown, buffer->data, buffer->size);
    if (buffer->data != nullptr) TrackedFree(buffer->data);
    buffer->data = grown;
    buffer->capacity = capacity;
  }
  std::memcpy(buffer->data + buffer->size, bytes, count);
  buffer->size += count;
  return true;
}

void FreeEncoded(EncodedBuffer* buffer) {
  if (buffer->data != nullptr) TrackedFree(buffer->data);
  *buffer = EncodedBuffer{};
}

int StoreEncodedFile(const char* path, const EncodedBuffer* buffer) {
  pf::TextFile* file = pf::TextFileOpen(path, "wb");
  if (file == nullptr) return -1;
  bool written = pf::TextFileWrite(buffer->data, 1, buffer->size, file) == buffer->size;
  return pf::TextFileClose(file) == 0 && written ? 0 : -1;
}

}  // namespace zelvo
