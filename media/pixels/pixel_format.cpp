// Colour formats and colour conversions.
#include "media/pixels/pixel_format.h"

#include <cstring>

#include "media/pixels/memimg.h"

namespace zelvo {

ScreenColorState g_screenColor = [] {
  ScreenColorState s{};
  s.depth = 32;
  s.requestedDepth = 32;
  SetupPixelFormatFromMasks(&s.format, 32, 0xFF0000, 0xFF00, 0xFF, 0);
  return s;
}();

void ResetScreenColorState() {
  std::memset(&g_screenColor, 0, sizeof g_screenColor);
  g_screenColor.depth = 32;
  g_screenColor.requestedDepth = 32;
  SetupPixelFormatFromMasks(&g_screenColor.format, 32, 0xFF0000, 0xFF00, 0xFF, 0);
}

void SetScreenColorFormat(const PixelFormat* format, int depth) {
  g_screenColor.format = *format;
  g_screenColor.depth = depth;
}

namespace {

uint32_t LowBits(int depth) {
  return depth >= 32 ? 0xFFFFFFFFu : ((1u << depth) - 1u);
}

// Shift of the lowest set bit and the length of the run of set bits from there.
void MaskShiftWidth(uint32_t mask, uint8_t* shift, uint8_t* width) {
  if (mask == 0) {
    *shift = 0;
    *width = 0;
    return;
  }
  int s = __builtin_ctz(mask);
  int w = 0;
  while (s + w < 32 && (mask >> (s + w) & 1u)) ++w;
  *shift = static_cast<uint8_t>(s);
  *width = static_cast<uint8_t>(w);
}

void DeriveWidthsAndShifts(PixelFormat* f) {
  f->OutsideBitsMask =
      LowBits(f->ColorBitDepth) & ~(f->ChannelMask[0] | f->ChannelMask[1] | f->ChannelMask[2] | f->ChannelMask[3]);
  for (int i = 0; i < 4; ++i) MaskShiftWidth(f->ChannelMask[i], &f->ChannelShift[i], &f->ChannelWidth[i]);
  MaskShiftWidth(f->OutsideBitsMask, &f->OutsideBitsShift, &f->OutsideBitsWidth);
}

// An 8-bit component into a channel: low bits dropped; channels wider than 8 bits get it shifted up.
uint32_t PackChannel(int c, int width, int shift) {
  uint32_t v = static_cast<uint32_t>(c) & 0xFF;
  if (width == 0) return 0;
  v = width <= 8 ? v >> (8 - width) : v << (width - 8);
  return shift >= 32 ? 0 : v << shift;
}

int ExpandChannel(uint32_t value, uint32_t mask, int shift, int width) {
  if (width == 0) return 0;
  uint64_t top = (width >= 32 ? 0xFFFFFFFFull : ((1ull << width) - 1));
  uint64_t v = (value & mask) >> shift;
  return static_cast<int>(v * 255 / top);
}

void SetFixed(PixelFormat* f, int depth, uint8_t aWidth, uint32_t aMask, uint32_t outside) {
  f->ColorBitDepth = static_cast<uint16_t>(depth);
  f->BytesPerPixel = static_cast<uint16_t>(depth / 8);
  const uint8_t widths[4] = {8, 8, 8, aWidth};
  const uint8_t shifts[4] = {16, 8, 0, static_cast<uint8_t>(aWidth ? 24 : 0)};
  const uint32_t masks[4] = {0xFF0000, 0xFF00, 0xFF, aMask};
  std::memcpy(f->ChannelWidth, widths, 4);
  std::memcpy(f->ChannelShift, shifts, 4);
  std::memcpy(f->ChannelMask, masks, sizeof masks);
  f->OutsideBitsMask = outside;
}

const PixelFormat* ScreenFormatForPacking() {
  if (g_screenColor.softwareRendering) {
    const PixelFormat* soft = GetMemImgPixelFormat(g_screenColor.requestedDepth == 16 ? kMemImg565 : kMemImg8888, 0, 0);
    if (soft) return soft;
  }
  return &g_screenColor.format;
}

}  // namespace

int PixelFormatFromPixelFormat(const DDPixelFormatRecord* record, PixelFormat* out) {
  out->ColorBitDepth = static_cast<uint16_t>(record->RGBBitCount & 0xFF);
  out->BytesPerPixel = static_cast<uint16_t>(out->ColorBitDepth / 8);
  out->ChannelMask[0] = record->RedMask;
  out->ChannelMask[1] = record->GreenMask;
  out->ChannelMask[2] = record->BlueMask;
  out->ChannelMask[3] = record->AlphaMask;
  DeriveWidthsAndShifts(out);
  return 0;
}

int SetupPixelFormatFromMasks(PixelFormat* format, int bits, uint32_t redMask, uint32_t greenMask,
                                  uint32_t blueMask, uint32_t alphaMask) {
  format->ColorBitDepth = static_cast<uint16_t>(bits);
  format->BytesPerPixel = static_cast<uint16_t>(bits / 8);
  format->ChannelMask[0] = redMask;
  format->ChannelMask[1] = greenMask;
  format->ChannelMask[2] = blueMask;
  format->ChannelMask[3] = alphaMask;
  DeriveWidthsAndShifts(format);
  return 0;
}

int SetupDDPixelFormat(DDPixelFormatRecord* record, int bits, uint32_t redMask, uint32_t greenMask,
                           uint32_t blueMask, uint32_t alphaMask) {
  std::memset(record, 0, sizeof *record);
  record->Size = 32;
  record->Flags = 0x40;  // DDPF_RGB only, also with an alpha mask
  record->RGBBitCount = static_cast<uint32_t>(bits);
  record->RedMask = redMask;
  record->GreenMask = greenMask;
  record->BlueMask = blueMask;
  record->AlphaMask = alphaMask;
  return 0;
}

int InitPixelFormatPal8(PixelFormat* format) {
  SetFixed(format, 8, 0, 0, 0xFF000000);
  return 0;
}

int InitPixelFormatGreyPal8(PixelFormat* format) {
  SetFixed(format, 8, 0, 0, 0xFF000000);
  for (int i = 0; i < 256; ++i) {
    format->Palette[i][0] = format->Palette[i][1] = format->Palette[i][2] = static_cast<uint8_t>(i);
    format->Palette[i][3] = 0;
  }
  return 0;
}

int InitPixelFormatRgb24(PixelFormat* format) {
  SetFixed(format, 24, 0, 0, 0);
  return 0;
}

int InitPixelFormatArgb32(PixelFormat* format) {
  SetFixed(format, 32, 8, 0xFF000000, 0);
  return 0;
}

int RecomputeOutsideBits(PixelFormat* format) {
  int sum = format->ChannelWidth[0] + format->ChannelWidth[1] + format->ChannelWidth[2] + format->ChannelWidth[3];
  if (sum == format->ColorBitDepth) {
    format->OutsideBitsMask = 0;
  } else {
    format->OutsideBitsMask = LowBits(format->ColorBitDepth) & ~format->ChannelMask[0] & ~format->ChannelMask[1] &
                              ~format->ChannelMask[2] & ~format->ChannelMask[3];
  }
  return 0;
}

int SamePixelFormat(const PixelFormat* a, const PixelFormat* b) {
  return a->ColorBitDepth == b->ColorBitDepth && a->ChannelMask[0] == b->ChannelMask[0] &&
         a->ChannelMask[1] == b->ChannelMask[1] && a->ChannelMask[2] == b->ChannelMask[2] &&
         a->ChannelMask[3] == b->ChannelMask[3];
}

uint32_t RgbToScreenColor(int red, int green, int blue) {
  int r = red & 0xFF, g = green & 0xFF, b = blue & 0xFF;
  if (g_screenColor.depth == 8) {
    uint32_t best = 0xFFFFFF;
    uint32_t bestIndex = 0;
    for (int i = 0; i < 256; ++i) {
      int dr = r - g_screenColor.palette[i][0];
      int dg = g - g_screenColor.palette[i][1];
      int db = b - g_screenColor.palette[i][2];
      uint32_t d = static_cast<uint32_t>(dr * dr + dg * dg + db * db);
      if (d < best) {
        best = d;
        bestIndex = static_cast<uint32_t>(i);
      }
    }
    return bestIndex;
  }
  const PixelFormat* f = ScreenFormatForPacking();
  return PackChannel(r, f->ChannelWidth[0], f->ChannelShift[0]) | PackChannel(g, f->ChannelWidth[1], f->ChannelShift[1]) |
         PackChannel(b, f->ChannelWidth[2], f->ChannelShift[2]) | f->OutsideBitsMask;
}

int ScreenColorToRgb(uint32_t value, int* red, int* green, int* blue) {
  if (g_screenColor.depth == 8) {
    if (value > 255) return -1;
    *red = g_screenColor.palette[value][0];
    *green = g_screenColor.palette[value][1];
    *blue = g_screenColor.palette[value][2];
    return 0;
  }
  const PixelFormat* f = &g_screenColor.format;
  if (g_screenColor.softwareRendering && g_screenColor.depth != g_screenColor.requestedDepth) {
    f = ScreenFormatForPacking();
  }
  return ColorValueToRgba(f, value, red, green, blue, nullptr);
}

uint32_t RgbaToColorValue(const PixelFormat* format, int red, int green, int blue, int alpha) {
  uint32_t v = PackChannel(red, format->ChannelWidth[0], format->ChannelShift[0]) |
               PackChannel(green, format->ChannelWidth[1], format->ChannelShift[1]) |
               PackChannel(blue, format->ChannelWidth[2], format->ChannelShift[2]) | format->OutsideBitsMask;
  if (format->ChannelWidth[3] != 0) v |= PackChannel(alpha, format->ChannelWidth[3], format->ChannelShift[3]);
  return v;
}

int ColorValueToRgba(const PixelFormat* format, uint32_t value, int* red, int* green, int* blue, int* alpha) {
  int* outs[4] = {red, green, blue, alpha};
  for (int i = 0; i < 4; ++i) {
    if (outs[i]) *outs[i] = ExpandChannel(value, format->ChannelMask[i], format->ChannelShift[i], format->ChannelWidth[i]);
  }
  return 0;
}

uint32_t ConvertColorValue(const PixelFormat* destination, const PixelFormat* source, uint32_t value) {
  uint32_t result = destination->OutsideBitsMask;
  for (int i = 0; i < 4; ++i) {
    int dw = destination->ChannelWidth[i];
    if (dw == 0) continue;
    uint64_t c;
    int sw = source->ChannelWidth[i];
    if (i == 3 && sw == 0) {
      c = (dw >= 32 ? 0xFFFFFFFFull : (1ull << dw) - 1);
    } else {
      c = (value & source->ChannelMask[i]) >> source->ChannelShift[i];
      c = dw > sw ? c << (dw - sw) : c >> (sw - dw);
    }
    result |= static_cast<uint32_t>(c << destination->ChannelShift[i]) & destination->ChannelMask[i];
  }
  return result;
}

}  // namespace zelvo
