#include "media/graphics/graphs/graph_image.h"

#include <cstring>

#include "media/core/log.h"
#include "media/display/convert_pixel_rect.h"
#include "media/graphics/graphs/draw_state.h"
#include "media/graphics/graphs/picture_codecs.h"
#include "media/graphics/picture_io/picture_reader.h"
#include "media/pixels/pixel_format.h"

namespace zelvo {

const PictureLoader PictureLoaderTable[] = {
    LoadBmpFromStream, LoadJpegFromStream, LoadPngFromStream, LoadBgraFromStream, LoadTgaFromStream, LoadDdsFromStream,
    nullptr,
};

PictureLoader g_userPictureLoaders[kMaxUserPictureLoaders];
int g_userPictureLoaderCount = 0;

namespace {

constexpr int kPathBufferSize = 260;

int AllocGraphImage(int width, int height, int bytesPerPixel, GraphImage* image) {
  std::memset(image, 0, sizeof *image);
  std::int64_t pitch = RoundUp4(std::int64_t{width} * bytesPerPixel);
  if (width < 0 || height < 0 || pitch * height > kMaxPictureBytes) return -1;
  if (bytesPerPixel == 4) InitPixelFormatArgb32(&image->format);
  else InitPixelFormatRgb24(&image->format);
  image->width = width;
  image->height = height;
  image->pitch = static_cast<std::int32_t>(pitch);
  image->pixels = ZELVO_ALLOC(static_cast<std::size_t>(pitch * height > 0 ? pitch * height : 1));
  return image->pixels != nullptr ? 0 : -1;
}

std::uint8_t* PixelAddress(const GraphImage* image, int x, int y) {
  return static_cast<std::uint8_t*>(image->pixels) + std::int64_t{y} * image->pitch +
         std::int64_t{x} * image->format.BytesPerPixel;
}

std::uint32_t ReadValue(const std::uint8_t* p, int bytes) {
  std::uint32_t value = 0;
  for (int i = bytes - 1; i >= 0; --i) value = (value << 8) | p[i];
  return value;
}

void WriteValue(std::uint8_t* p, int bytes, std::uint32_t value) {
  for (int i = 0; i < bytes; ++i) p[i] = static_cast<std::uint8_t>(value >> (8 * i));
}

// A channel moved to the top of its byte without scaling (a 5-bit 31 becomes 0xF8).
std::uint32_t ChannelAtTop(std::uint32_t value, const PixelFormat& format, int channel) {
  int width = format.ChannelWidth[channel];
  if (width == 0) return 0;
  std::uint32_t v = (value & format.ChannelMask[channel]) >> format.ChannelShift[channel];
  return width >= 8 ? (v >> (width - 8)) & 0xFF : (v << (8 - width)) & 0xFF;
}

// Load option 1: the pixels go through the pixel converter once more, into a fresh buffer of the
// same format and size, with the converter's reduction option (the graphics option word).
int ReconvertPixels(GraphImage* image) {
  const std::int64_t bytes = std::int64_t{image->pitch} * image->height;
  // Zeroed: the converter writes the pixels, not the padding at the rows' ends.
  void* fresh = ZELVO_ALLOC_ZEROED(static_cast<std::size_t>(bytes > 0 ? bytes : 1));
  if (fresh == nullptr) return -1;
  const IntRect whole{0, 0, image->width, image->height};
  if (ConvertPixelRect(fresh, image->pitch, &image->format, image->pixels, image->pitch, &image->format, nullptr, 0,
                       nullptr, 0, 0, &whole, 0, 0, 0, g_draw.optionWord, 0, 0, 0) < 0) {
    TrackedFree(fresh);
    return -1;
  }
  TrackedFree(image->pixels);
  image->pixels = fresh;
  return 0;
}

}  // namespace

int AllocGraphImageArgb32(int width, int height, GraphImage* image) { return AllocGraphImage(width, height, 4, image); }

int AllocGraphImageRgb24(int width, int height, GraphImage* image) { return AllocGraphImage(width, height, 3, image); }

int FreeGraphImage(GraphImage* image) {
  if (image->pixels != nullptr) TrackedFree(image->pixels);
  std::memset(image, 0, sizeof *image);
  return 0;
}

int FillGraphImage(GraphImage* image, int red, int green, int blue, int alpha) {
  int bytes = image->format.BytesPerPixel;
  if (bytes < 2 || bytes > 4) return 0;
  std::uint32_t value = RgbaToColorValue(&image->format, red, green, blue, alpha);
  for (int y = 0; y < image->height; ++y)
    for (int x = 0; x < image->width; ++x) WriteValue(PixelAddress(image, x, y), bytes, value);
  return 0;
}

int SetGraphImagePixel(GraphImage* image, int x, int y, int red, int green, int blue, int alpha) {
  int bytes = image->format.BytesPerPixel;
  if (bytes >= 2 && bytes <= 4)
    WriteValue(PixelAddress(image, x, y), bytes, RgbaToColorValue(&image->format, red, green, blue, alpha));
  return 0;
}

int GetGraphImagePixel(const GraphImage* image, int x, int y, int* red, int* green, int* blue, int* alpha) {
  int bytes = image->format.BytesPerPixel;
  if (bytes == 1) {
    const std::uint8_t* entry = image->format.Palette[*PixelAddress(image, x, y)];
    if (red != nullptr) *red = entry[2];
    if (green != nullptr) *green = entry[1];
    if (blue != nullptr) *blue = entry[0];
    if (alpha != nullptr) *alpha = 0;
    return 0;
  }
  if (bytes < 2 || bytes > 4) return 0;
  return ColorValueToRgba(&image->format, ReadValue(PixelAddress(image, x, y), bytes), red, green, blue, alpha);
}

int MirrorGraphImage(GraphImage* image) {
  if (image->width == 0 || image->height == 0) return -1;
  int bytes = image->format.BytesPerPixel;
  if (bytes < 1 || bytes > 4) return 0;
  std::uint8_t swap[4];
  for (int y = 0; y < image->height; ++y)
    for (int a = 0, b = image->width - 1; a < b; ++a, --b) {
      std::memcpy(swap, PixelAddress(image, a, y), bytes);
      std::memcpy(PixelAddress(image, a, y), PixelAddress(image, b, y), bytes);
      std::memcpy(PixelAddress(image, b, y), swap, bytes);
    }
  return 0;
}

std::uint32_t GraphImageTopLeftColor(const GraphImage* image) {
  int bytes = image->format.BytesPerPixel;
  if (image->pixels == nullptr || bytes < 2 || bytes > 4) return 0;
  std::uint32_t value = ReadValue(PixelAddress(image, 0, 0), bytes);
  return (ChannelAtTop(value, image->format, 0) << 16) | (ChannelAtTop(value, image->format, 1) << 8) |
         ChannelAtTop(value, image->format, 2);
}

int MakeKeyedAlphaPicture(const GraphImage* picture, std::uint32_t key, GraphImage* out) {
  if (AllocGraphImageArgb32(picture->width, picture->height, out) < 0) {
    FreeGraphImage(out);
    return -1;
  }
  const bool ownAlpha = picture->format.ChannelWidth[3] != 0;
  const int keyRed = (key >> 16) & 0xFF, keyGreen = (key >> 8) & 0xFF, keyBlue = key & 0xFF;
  auto isKey = [&](int x, int y) {
    int r = 0, g = 0, b = 0;
    GetGraphImagePixel(picture, x, y, &r, &g, &b, nullptr);
    return r == keyRed && g == keyGreen && b == keyBlue;
  };
  for (int y = 0; y < picture->height; ++y) {
    for (int x = 0; x < picture->width; ++x) {
      int r = 0, g = 0, b = 0, a = 0;
      GetGraphImagePixel(picture, x, y, &r, &g, &b, &a);
      SetGraphImagePixel(out, x, y, r, g, b, isKey(x, y) ? 0 : ownAlpha ? a : 255);
    }
  }
  const int dx[4] = {-1, 0, 1, 0}, dy[4] = {0, -1, 0, 1};
  for (int y = 0; y < picture->height; ++y) {
    for (int x = 0; x < picture->width; ++x) {
      if (isKey(x, y)) continue;
      int r = 0, g = 0, b = 0;
      GetGraphImagePixel(picture, x, y, &r, &g, &b, nullptr);
      for (int i = 0; i < 4; ++i) {
        const int nx = x + dx[i], ny = y + dy[i];
        if (nx < 0 || ny < 0 || nx >= picture->width || ny >= picture->height || !isKey(nx, ny)) continue;
        SetGraphImagePixel(out, nx, ny, r, g, b, 0);
      }
    }
  }
  return 0;
}

int LoadGraphImage(const char* path, const void* memory, int memorySize, int memoryFlag, GraphImage* out,
                   int loadOption) {
  StreamReaderBlock reader{};
  reader.ops = memoryFlag != 0 ? *MemoryStreamOpsTable() : *FileStreamOpsTable();
  // The stream tables are filled at start-up; before that nothing can be read.
  if (reader.ops.read == nullptr || reader.ops.seek == nullptr || reader.ops.close == nullptr) return -1;
  if (memoryFlag != 0) {
    if (memory == nullptr || memorySize < 0) return -1;
    reader.data = CreateMemoryStream(memory, memorySize);
  } else if (path != nullptr) {
    reader.data = reinterpret_cast<void*>(FileOpen(path, 0, 0, 0));
  }
  if (reader.data == nullptr) return -1;
  int result = -1;
  for (int i = 0; i < g_userPictureLoaderCount && result != 0; ++i) {
    reader.ops.seek(reader.data, 0, 0);
    result = g_userPictureLoaders[i](&reader, out);
  }
  for (int i = 0; PictureLoaderTable[i] != nullptr && result != 0; ++i) {
    reader.ops.seek(reader.data, 0, 0);
    result = PictureLoaderTable[i](&reader, out);
  }
  reader.ops.close(reader.data);
  if (result != 0) return -1;
  if (loadOption == 1 && ReconvertPixels(out) < 0) {
    FreeGraphImage(out);
    return -1;
  }
  NotePictureLoaded(out->width, out->height, out->pitch);
  return 0;
}

int MakeAlphaPictureName(const char* path, char* out, int size) {
  std::size_t length = std::strlen(path);
  if (length + 3 > static_cast<std::size_t>(size)) return -1;
  const char* dot = std::strrchr(path, '.');
  std::size_t stem = dot != nullptr ? static_cast<std::size_t>(dot - path) : length;
  std::memcpy(out, path, stem);
  std::memcpy(out + stem, "_a", 2);
  std::memcpy(out + stem + 2, path + stem, length - stem + 1);
  return 0;
}

int LoadGraphImageWithAlpha(const char* path, const void* memory, int memorySize, int memoryFlag,
                            const void* alphaMemory, int alphaMemorySize, int alphaMemoryFlag,
                            GraphImage* out, GraphImage* alphaOut, int loadOption) {
  BeginGraphLoadBudget(loadOption == 1 ? 2 : 1);
  int result = -1;
  if (LoadGraphImage(path, memory, memorySize, memoryFlag, out, loadOption) == 0) {
    result = 1;
    if (alphaMemoryFlag == 1) {
      if (alphaMemory != nullptr &&
          LoadGraphImage(nullptr, alphaMemory, alphaMemorySize, 1, alphaOut, loadOption) == 0)
        result = 0;
    } else if (alphaMemoryFlag == 0 && path != nullptr) {
      // A name too long for the buffer counts as no alpha picture.
      char alphaName[kPathBufferSize];
      if (MakeAlphaPictureName(path, alphaName, kPathBufferSize) == 0 &&
          LoadGraphImage(alphaName, nullptr, 0, 0, alphaOut, loadOption) == 0)
        result = 0;
    }
  }
  EndGraphLoadBudget();
  return result;
}

void ResetPictureLoaderState() {
  for (PictureLoader& loader : g_userPictureLoaders) loader = nullptr;
  g_userPictureLoaderCount = 0;
  EndGraphLoadBudget();
}

}  // namespace zelvo
