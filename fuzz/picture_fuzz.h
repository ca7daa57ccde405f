#pragma once
// The shared body of the picture decoder fuzz targets: decode the input from a memory stream and,
// when it is accepted, read both ends of every row so a pixel block smaller than its pitch and
// height claim shows up.
#include <cstddef>
#include <cstdint>

#include "media/core/log.h"
#include "media/graphics/graphs/picture_codecs.h"

inline int FuzzPictureLoader(zelvo::PictureLoader loader, const std::uint8_t* data, std::size_t size) {
  static const bool ready = [] {
    zelvo::FillStreamOpsTables();
    zelvo::SetLogOff(1);
    return true;
  }();
  (void)ready;
  if (size > 0x7FFFFFFF) return 0;
  zelvo::MemoryStream* stream = zelvo::CreateMemoryStream(data, static_cast<std::int32_t>(size));
  zelvo::StreamReaderBlock reader{*zelvo::MemoryStreamOpsTable(), stream};
  zelvo::GraphImage image{};
  if (loader(&reader, &image) == 0) {
    if (image.pixels == nullptr || image.width < 1 || image.height < 1 ||
        image.pitch < image.width * image.format.BytesPerPixel)
      __builtin_trap();
    const auto* pixels = static_cast<const volatile std::uint8_t*>(image.pixels);
    std::uint8_t sum = 0;
    for (std::size_t y = 0; y < static_cast<std::size_t>(image.height); ++y)
      sum ^= pixels[y * image.pitch] ^ pixels[y * image.pitch + image.pitch - 1];
    (void)sum;
    zelvo::FreeGraphImage(&image);
  } else if (image.pixels != nullptr) {
    __builtin_trap();
  }
  zelvo::CloseMemoryStream(stream);
  return 0;
}
