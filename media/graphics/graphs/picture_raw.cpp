// The library's raw "BGRA" pictures: 8 or 16 bits a channel, rows without gaps.
#include <cstring>

#include "media/core/log.h"
#include "media/graphics/graphs/picture_codecs.h"
#include "media/graphics/picture_io/picture_reader.h"
#include "media/pixels/pixel_format.h"

namespace zelvo {

int LoadBgraFromStream(StreamReaderBlock* reader, GraphImage* out) {
  std::int64_t size = StreamBytesLeft(reader);
  std::uint8_t header[16];
  if (size < 16 || !ReadStreamExact(reader, header, 16) || std::memcmp(header, "BGRA", 4) != 0) return -1;
  std::uint32_t channelBits = ReadLe32(header + 4);
  if (channelBits != 0x08080808u && channelBits != 0x10101010u) return -1;
  std::int64_t width = ReadLe32(header + 8), height = ReadLe32(header + 12);
  std::int64_t pitch = width * 4;
  if (!PictureFits(width, height, pitch)) return -1;
  std::int64_t fileRowBytes = channelBits == 0x08080808u ? pitch : width * 8;
  if (size - 16 < fileRowBytes * height) return -1;

  GraphImage image{};
  image.width = static_cast<std::int32_t>(width);
  image.height = static_cast<std::int32_t>(height);
  image.pitch = static_cast<std::int32_t>(pitch);
  image.pixels = ZELVO_ALLOC(static_cast<std::size_t>(pitch * height));
  if (image.pixels == nullptr) return -1;
  auto* pixels = static_cast<std::uint8_t*>(image.pixels);
  bool complete = true;
  if (channelBits == 0x08080808u) {
    complete = ReadStreamExact(reader, pixels, pitch * height);
  } else {
    std::uint8_t* row = static_cast<std::uint8_t*>(ZELVO_ALLOC(static_cast<std::size_t>(fileRowBytes)));
    complete = row != nullptr;
    for (std::int64_t y = 0; complete && y < height; ++y) {
      complete = ReadStreamExact(reader, row, fileRowBytes);
      // Only the high byte of each 16-bit channel is kept.
      for (std::int64_t i = 0; complete && i < width * 4; ++i) pixels[y * pitch + i] = row[2 * i + 1];
    }
    if (row != nullptr) TrackedFree(row);
  }
  if (!complete) {
    TrackedFree(image.pixels);
    return -1;
  }
  InitPixelFormatArgb32(&image.format);
  *out = image;
  return 0;
}

}  // namespace zelvo
