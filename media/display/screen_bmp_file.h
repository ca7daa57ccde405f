#pragma once
// Storing a screen BMP: the file header, the info header (with its colour table) and the rows go to
// a temporary file beside the target, which replaces the target only once all of it is on disk.
#include <cstdint>

namespace zelvo {

struct ScreenBmpPieces {
  const std::uint8_t* fileHeader;   // 14 bytes
  const std::uint8_t* info;         // the 40-byte info header, followed by the colour table if any
  std::uint32_t infoBytes;
  const std::uint8_t* rows;
  std::uint32_t rowBytes;
};

// 0, or -1 when the file could not be stored (the old file, if any, is left as it was).
int StoreScreenBmp(const char* path, const ScreenBmpPieces& pieces);
// The 14-byte file header and the 40-byte info header of an uncompressed, bottom-up BMP.
void BuildScreenBmpHeaders(std::uint8_t* fileHeader, std::uint8_t* info, int width, int height, int bitsPerPixel,
                           std::uint32_t tableBytes, std::uint32_t rowBytes);

}  // namespace zelvo
