#include "media/graphics/picture_io/picture_reader.h"

#include "media/core/log.h"

namespace zelvo {

namespace {

struct GraphLoadBudget {
  int open;
  int pictureCopies;
  int storageCounted;
  std::int64_t used;
};
GraphLoadBudget g_graphLoad;

}  // namespace

void BeginGraphLoadBudget(int pictureCopies) { g_graphLoad = GraphLoadBudget{1, pictureCopies, 0, 0}; }

void NotePictureLoaded(std::int64_t width, std::int64_t height, std::int64_t pitch) {
  if (!g_graphLoad.open) return;
  g_graphLoad.used += pitch * height;
  if (!g_graphLoad.storageCounted) g_graphLoad.used += kGraphStorageBytesPerPixel * width * height;
  g_graphLoad.storageCounted = 1;
}

void EndGraphLoadBudget() { g_graphLoad = GraphLoadBudget{}; }

std::int64_t StreamBytesLeft(StreamReaderBlock* reader) {
  std::int32_t start = reader->ops.tell(reader->data);
  if (start < 0 || reader->ops.seek(reader->data, 0, 2) != 0) return -1;
  std::int32_t end = reader->ops.tell(reader->data);
  if (reader->ops.seek(reader->data, start, 0) != 0 || end < start) return -1;
  return end - start;
}

bool ReadStreamExact(StreamReaderBlock* reader, void* buffer, std::int64_t size) {
  // Element size 1, so every stream kind reports bytes; large blocks go in slices an int can count.
  auto* out = static_cast<std::uint8_t*>(buffer);
  while (size > 0) {
    int slice = size > (1 << 30) ? (1 << 30) : static_cast<int>(size);
    int got = reader->ops.read(out, 1, slice, reader->data);
    if (got != slice) return false;
    out += slice;
    size -= slice;
  }
  return true;
}

bool SeekStream(StreamReaderBlock* reader, std::int64_t offset) {
  if (offset < 0 || offset > INT32_MAX) return false;
  return reader->ops.seek(reader->data, static_cast<std::int32_t>(offset), 0) == 0 &&
         reader->ops.tell(reader->data) == offset;
}

std::uint8_t* ReadStreamBlock(StreamReaderBlock* reader, std::int64_t size) {
  if (size < 0 || size > kMaxPictureBytes) return nullptr;
  auto* block = static_cast<std::uint8_t*>(ZELVO_ALLOC(size > 0 ? static_cast<std::size_t>(size) : 1));
  if (block == nullptr) return nullptr;
  if (!ReadStreamExact(reader, block, size)) {
    TrackedFree(block);
    return nullptr;
  }
  return block;
}

bool PictureFits(std::int64_t width, std::int64_t height, std::int64_t pitch) {
  if (width < 1 || height < 1 || width > kMaxPictureSide || height > kMaxPictureSide) return false;
  if (pitch < 1 || pitch > kMaxPictureBytes || pitch * height > kMaxPictureBytes) return false;
  if (!g_graphLoad.open) return true;
  std::int64_t need = pitch * height * g_graphLoad.pictureCopies;
  if (!g_graphLoad.storageCounted) need += kGraphStorageBytesPerPixel * width * height;
  return need <= kMaxPictureBytes - g_graphLoad.used;
}

}  // namespace zelvo
