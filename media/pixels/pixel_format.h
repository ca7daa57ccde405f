#pragma once
// Colour formats: building PixelFormat records, packing red/green/blue(/alpha) into pixel values and
// back, and converting values between formats. The screen conversions read ScreenColorState, which
// the display back-end fills when the screen comes up; until then it describes a 32-bit X8R8G8B8
// screen, so colours can be packed headless.
#include <cstdint>

#include <zelvo/pixel_format.h>

namespace zelvo {

// What the screen conversions need to know of the screen.
struct ScreenColorState {
  int depth;               // screen colour depth in bits (8, 16 or 32)
  int requestedDepth;      // depth asked for at start-up; picks the software screen's colour type
  int softwareRendering;   // 1 while the screens are MEMIMGs
  PixelFormat format;      // the screen's own format
  uint8_t palette[256][4]; // 8-bit screens: red, green, blue, flags
};
extern ScreenColorState g_screenColor;

void ResetScreenColorState();                                  // 32-bit X8R8G8B8, no software rendering
void SetScreenColorFormat(const PixelFormat* format, int depth);

int PixelFormatFromPixelFormat(const DDPixelFormatRecord* record, PixelFormat* out);
int SetupPixelFormatFromMasks(PixelFormat* format, int bits, uint32_t redMask, uint32_t greenMask,
                                  uint32_t blueMask, uint32_t alphaMask);
int SetupDDPixelFormat(DDPixelFormatRecord* record, int bits, uint32_t redMask, uint32_t greenMask,
                           uint32_t blueMask, uint32_t alphaMask);

int InitPixelFormatPal8(PixelFormat* format);
int InitPixelFormatGreyPal8(PixelFormat* format);
int InitPixelFormatRgb24(PixelFormat* format);
int InitPixelFormatArgb32(PixelFormat* format);
int RecomputeOutsideBits(PixelFormat* format);
int SamePixelFormat(const PixelFormat* a, const PixelFormat* b);   // depth and the four masks

uint32_t RgbToScreenColor(int red, int green, int blue);           // what PackColor answers
int ScreenColorToRgb(uint32_t value, int* red, int* green, int* blue);
uint32_t RgbaToColorValue(const PixelFormat* format, int red, int green, int blue, int alpha);
int ColorValueToRgba(const PixelFormat* format, uint32_t value, int* red, int* green, int* blue, int* alpha);
uint32_t ConvertColorValue(const PixelFormat* destination, const PixelFormat* source, uint32_t value);

}  // namespace zelvo
