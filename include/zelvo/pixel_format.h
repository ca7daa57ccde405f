#pragma once
/* Colour-format records shared by the library and its users. */
#include <stdint.h>

#ifdef __cplusplus
extern "C" {
#endif

/* One colour format: bits and bytes per pixel, channel widths, shifts and masks (red, green, blue,
   alpha), the bits that belong to no channel, and a palette of 256 blue, green, red, 0 entries. */
typedef struct PixelFormat {
  uint16_t ColorBitDepth;
  uint16_t BytesPerPixel;
  uint8_t ChannelWidth[4];
  uint8_t ChannelShift[4];
  uint32_t ChannelMask[4];
  uint32_t OutsideBitsMask;
  uint8_t Palette[256][4];
  uint8_t OutsideBitsShift;
  uint8_t OutsideBitsWidth;
} PixelFormat;

/* The DirectDraw pixel-format record as the display back-end exchanges it (32 bytes). */
typedef struct DDPixelFormatRecord {
  uint32_t Size;
  uint32_t Flags;
  uint32_t FourCC;
  uint32_t RGBBitCount;
  uint32_t RedMask;
  uint32_t GreenMask;
  uint32_t BlueMask;
  uint32_t AlphaMask;
} DDPixelFormatRecord;

#ifdef __cplusplus
}
#endif
