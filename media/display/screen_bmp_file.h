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

// The info header (with room for its colour table) and the rows of a screen BMP, zero-filled, from
// the tracked heap. false, with the failure logged and nothing held, when either cannot be had.
struct ScreenBmpBlocks {
  std::uint8_t* info;
  std::uint8_t* rows;
};
bool AllocScreenBmpBlocks(std::uint32_t infoBytes, std::uint32_t rowBytes, ScreenBmpBlocks* out);
void FreeScreenBmpBlocks(ScreenBmpBlocks* blocks);

// 0, or -1 when the file could not be stored (the old file, if any, is left as it was).
int StoreScreenBmp(const char* path, const ScreenBmpPieces& pieces);
// The 14-byte file header and the 40-byte info header of an uncompressed, bottom-up BMP.
void BuildScreenBmpHeaders(std::uint8_t* fileHeader, std::uint8_t* info, int width, int height, int bitsPerPixel,
                           std::uint32_t tableBytes, std::uint32_t rowBytes);

}  // namespace zelvo
