// ConvertPixelRect: plain 8-bit copies, same-format copies, alpha made from a colour key, dedicated
// loops for the common texture uploads, and the general per-pixel conversion with ordered dither or
// error diffusion.
#include "media/display/convert_pixel_rect.h"

#include <cstring>

#include "media/pixels/pixel_format.h"
#include "platform/ddraw/pixel_view.h"

namespace zelvo {
namespace {

constexpr std::uint8_t kBayerDitherMatrix[4][4] = {{0, 8, 2, 10}, {12, 4, 14, 6}, {3, 11, 1, 9}, {15, 7, 13, 5}};

std::uint32_t PaletteColor(const PixelFormat* format, std::uint32_t index) {
  const std::uint8_t* e = format->Palette[index & 0xFF];
  return static_cast<std::uint32_t>(e[0] | e[1] << 8 | e[2] << 16 | e[3] << 24);
}

std::uint32_t WidthMask(int bits) { return bits >= 32 ? 0xFFFFFFFFu : (1u << bits) - 1u; }

// A channel value of srcWidth bits as dstWidth bits: cut, or widened so the maximum stays the maximum.
std::uint32_t Rescale(std::uint32_t v, int srcWidth, int dstWidth) {
  if (srcWidth == 0) return 0;
  const int d = srcWidth - dstWidth;
  if (d > 0) return v >> d;
  if (d == 0) return v;
  const int up = -d;
  return (v << up) + v * ((1u << up) - 1) / WidthMask(srcWidth);
}

bool SameMasks(const PixelFormat* a, const PixelFormat* b, int channels) {
  for (int i = 0; i < channels; ++i) {
    if (a->ChannelMask[i] != b->ChannelMask[i]) return false;
  }
  return a->ColorBitDepth == b->ColorBitDepth;
}

struct Call {
  std::uint8_t* dst;
  int dstPitch;
  const PixelFormat* df;
  const std::uint8_t* src;
  int srcPitch;
  const PixelFormat* sf;
  const std::uint8_t* alpha;
  int alphaPitch;
  const PixelFormat* af;
  int dx, dy;
  int left, top, width, height;
  bool mirror, alphaFromKey, clearColor, alphaFromRed, skipKey, alphaFromPicture;
  std::uint32_t key;
  int reduction;

  int dbytes() const { return df->BytesPerPixel; }
  int sbytes() const { return sf->BytesPerPixel; }
  // The destination pixel written for source column x of row y (right to left when mirroring).
  std::uint8_t* DstPixel(int x, int y) const {
    const int column = mirror ? dx + width - 1 - x : dx + x;
    return dst + static_cast<std::ptrdiff_t>(dy + y) * dstPitch + static_cast<std::ptrdiff_t>(column) * dbytes();
  }
  const std::uint8_t* SrcPixel(int x, int y) const {
    return src + static_cast<std::ptrdiff_t>(top + y) * srcPitch + static_cast<std::ptrdiff_t>(left + x) * sbytes();
  }
  const std::uint8_t* AlphaPixel(int x, int y) const {
    return alpha + static_cast<std::ptrdiff_t>(top + y) * alphaPitch +
           static_cast<std::ptrdiff_t>(left + x) * af->BytesPerPixel;
  }
  std::uint32_t PackedKey() const {
    return RgbaToColorValue(df, static_cast<int>(key >> 16 & 0xFF), static_cast<int>(key >> 8 & 0xFF),
                            static_cast<int>(key & 0xFF), 255);
  }
};

// ---------------------------------------------------------------- cases 2, 3 and 4a

int CopyBytes(const Call& c) {
  int largest = 0;
  for (int y = 0; y < c.height; ++y) {
    for (int x = 0; x < c.width; ++x) {
      const std::uint8_t b = *c.SrcPixel(x, y);
      *(c.dst + static_cast<std::ptrdiff_t>(c.dy + y) * c.dstPitch + c.dx + x) = b;
      if (b > largest) largest = b;
    }
  }
  return largest;
}

void CopySameFormat(const Call& c) {
  const int bytes = c.dbytes();
  const std::uint32_t key = c.key & WidthMask(c.sf->ColorBitDepth);
  for (int y = 0; y < c.height; ++y) {
    if (!c.mirror && !c.skipKey) {
      std::memcpy(c.DstPixel(0, y), c.SrcPixel(0, y), static_cast<std::size_t>(c.width) * bytes);
      continue;
    }
    for (int x = 0; x < c.width; ++x) {
      const std::uint32_t v = pf::pixels::ReadRaw(c.SrcPixel(x, y), bytes);
      if (c.skipKey && v == key) continue;
      pf::pixels::WriteRaw(c.DstPixel(x, y), bytes, v);
    }
  }
}

void CopyWithKeyAlpha(const Call& c) {
  const std::uint32_t rgbMask = c.df->ChannelMask[0] | c.df->ChannelMask[1] | c.df->ChannelMask[2];
  const std::uint32_t alphaMask = c.df->ChannelMask[3];
  const std::uint32_t key = c.PackedKey() & rgbMask;
  for (int y = 0; y < c.height; ++y) {
    for (int x = 0; x < c.width; ++x) {
      const std::uint32_t v = pf::pixels::ReadRaw(c.SrcPixel(x, y), c.sbytes());
      pf::pixels::WriteRaw(c.DstPixel(x, y), c.dbytes(), (v & ~alphaMask) | ((v & rgbMask) == key ? 0 : alphaMask));
    }
  }
}

// ---------------------------------------------------------------- case 4b: the common uploads

enum class Kind { kOther, kPal8, kRgb24, kXrgb32, kRgb565, kRgb555, kArgb1555, kArgb8888 };

bool Masks(const PixelFormat* f, int depth, std::uint32_t r, std::uint32_t g, std::uint32_t b, std::uint32_t a) {
  return f->ColorBitDepth == depth && f->ChannelMask[0] == r && f->ChannelMask[1] == g && f->ChannelMask[2] == b &&
         f->ChannelMask[3] == a;
}

Kind KindOf(const PixelFormat* f) {
  if (f->ColorBitDepth == 8) return Kind::kPal8;
  if (Masks(f, 24, 0xFF0000, 0xFF00, 0xFF, 0)) return Kind::kRgb24;
  if (Masks(f, 32, 0xFF0000, 0xFF00, 0xFF, 0)) return Kind::kXrgb32;
  if (Masks(f, 16, 0xF800, 0x07E0, 0x001F, 0)) return Kind::kRgb565;
  if (Masks(f, 16, 0x7C00, 0x03E0, 0x001F, 0)) return Kind::kRgb555;
  if (Masks(f, 16, 0x7C00, 0x03E0, 0x001F, 0x8000)) return Kind::kArgb1555;
  if (Masks(f, 32, 0xFF0000, 0xFF00, 0xFF, 0xFF000000u)) return Kind::kArgb8888;
  return Kind::kOther;
}

// Source pixels as 0x00RRGGBB; 16-bit channels shifted up with their low bits 0.
template <Kind S>
std::uint32_t ReadRgb(const std::uint8_t* at, const PixelFormat* f) {
  if constexpr (S == Kind::kPal8) {
    return PaletteColor(f, at[0]) & 0xFFFFFF;
  } else if constexpr (S == Kind::kRgb24) {
    return pf::pixels::ReadRaw(at, 3);
  } else if constexpr (S == Kind::kXrgb32) {
    return pf::pixels::ReadRaw(at, 4) & 0xFFFFFF;
  } else if constexpr (S == Kind::kRgb565) {
    const std::uint32_t v = pf::pixels::ReadRaw(at, 2);
    return (v & 0xF800) << 8 | (v & 0x07E0) << 5 | (v & 0x1F) << 3;
  } else {
    const std::uint32_t v = pf::pixels::ReadRaw(at, 2);
    return (v & 0x7C00) << 9 | (v & 0x03E0) << 6 | (v & 0x1F) << 3;
  }
}

std::uint32_t To555(std::uint32_t rgb) { return (rgb >> 9 & 0x7C00) | (rgb >> 6 & 0x03E0) | (rgb >> 3 & 0x1F); }

template <Kind S, Kind D, bool Keyed>
void ConvertFast(const Call& c) {
  const std::uint32_t key = c.key & 0xFFFFFF;
  const std::uint32_t key555 = To555(key);
  for (int y = 0; y < c.height; ++y) {
    const std::uint8_t* in = c.SrcPixel(0, y);
    std::uint8_t* out = c.DstPixel(0, y);
    for (int x = 0; x < c.width; ++x, in += c.sbytes()) {
      const std::uint32_t rgb = ReadRgb<S>(in, c.sf);
      if constexpr (D == Kind::kRgb565) {
        std::uint32_t green = rgb >> 10 & 0x3F;
        if constexpr (S == Kind::kRgb555) green |= green >> 1 & 1;   // the new low bit repeats the old lowest
        pf::pixels::WriteRaw(out, 2, (rgb >> 8 & 0xF800) | green << 5 | (rgb >> 3 & 0x1F));
        out += 2;
      } else if constexpr (D == Kind::kRgb555) {
        pf::pixels::WriteRaw(out, 2, To555(rgb) | 0x8000);   // the unused top bit is set, as in every conversion
        out += 2;
      } else if constexpr (D == Kind::kXrgb32) {
        pf::pixels::WriteRaw(out, 4, rgb | 0xFF000000u);
        out += 4;
      } else if constexpr (D == Kind::kRgb24) {
        pf::pixels::WriteRaw(out, 3, rgb);
        out += 3;
      } else if constexpr (D == Kind::kArgb1555) {
        const bool clear = S == Kind::kPal8 ? rgb == key : To555(rgb) == key555;
        pf::pixels::WriteRaw(out, 2, To555(rgb) | (Keyed && clear ? 0 : 0x8000));
        out += 2;
      } else {
        pf::pixels::WriteRaw(out, 4, rgb | (Keyed && rgb == key ? 0 : 0xFF000000u));
        out += 4;
      }
    }
  }
}

struct FastPath {
  Kind source;
  Kind destination;
  bool keyed;
  void (*convert)(const Call&);
};

const FastPath kFastPaths[] = {
    {Kind::kPal8, Kind::kRgb565, false, &ConvertFast<Kind::kPal8, Kind::kRgb565, false>},
    {Kind::kPal8, Kind::kRgb555, false, &ConvertFast<Kind::kPal8, Kind::kRgb555, false>},
    {Kind::kPal8, Kind::kXrgb32, false, &ConvertFast<Kind::kPal8, Kind::kXrgb32, false>},
    {Kind::kPal8, Kind::kArgb1555, true, &ConvertFast<Kind::kPal8, Kind::kArgb1555, true>},
    {Kind::kPal8, Kind::kArgb8888, true, &ConvertFast<Kind::kPal8, Kind::kArgb8888, true>},
    {Kind::kRgb24, Kind::kRgb565, false, &ConvertFast<Kind::kRgb24, Kind::kRgb565, false>},
    {Kind::kRgb24, Kind::kRgb555, false, &ConvertFast<Kind::kRgb24, Kind::kRgb555, false>},
    {Kind::kRgb24, Kind::kXrgb32, false, &ConvertFast<Kind::kRgb24, Kind::kXrgb32, false>},
    {Kind::kRgb24, Kind::kArgb1555, true, &ConvertFast<Kind::kRgb24, Kind::kArgb1555, true>},
    {Kind::kRgb24, Kind::kArgb8888, true, &ConvertFast<Kind::kRgb24, Kind::kArgb8888, true>},
    {Kind::kXrgb32, Kind::kRgb565, false, &ConvertFast<Kind::kXrgb32, Kind::kRgb565, false>},
    {Kind::kXrgb32, Kind::kRgb555, false, &ConvertFast<Kind::kXrgb32, Kind::kRgb555, false>},
    {Kind::kRgb565, Kind::kRgb24, false, &ConvertFast<Kind::kRgb565, Kind::kRgb24, false>},
    {Kind::kRgb565, Kind::kXrgb32, false, &ConvertFast<Kind::kRgb565, Kind::kXrgb32, false>},
    {Kind::kRgb565, Kind::kRgb555, false, &ConvertFast<Kind::kRgb565, Kind::kRgb555, false>},
    {Kind::kRgb555, Kind::kRgb565, false, &ConvertFast<Kind::kRgb555, Kind::kRgb565, false>},
    {Kind::kRgb565, Kind::kArgb1555, true, &ConvertFast<Kind::kRgb565, Kind::kArgb1555, true>},
};

bool TryFastPath(const Call& c) {
  if (c.reduction != kReduceTruncate || c.clearColor || c.alphaFromRed || c.mirror || c.alpha != nullptr) {
    return false;
  }
  const Kind s = KindOf(c.sf), d = KindOf(c.df);
  for (const FastPath& path : kFastPaths) {
    if (path.source == s && path.destination == d && path.keyed == c.alphaFromKey) {
      path.convert(c);
      return true;
    }
  }
  return false;
}

// ---------------------------------------------------------------- case 5: the general conversion

void ConvertGeneral(const Call& c) {
  const PixelFormat* sf = c.sf;
  const PixelFormat* df = c.df;
  const bool srcHasAlpha = sf->ChannelWidth[3] != 0;
  const bool differ = sf->ChannelWidth[0] != df->ChannelWidth[0] || sf->ChannelWidth[1] != df->ChannelWidth[1] ||
                      sf->ChannelWidth[2] != df->ChannelWidth[2] ||
                      (c.alphaFromPicture && c.af->ChannelWidth[0] != df->ChannelWidth[3]);
  const std::uint32_t rgbMask = df->ChannelMask[0] | df->ChannelMask[1] | df->ChannelMask[2];
  const std::uint32_t alphaMask = df->ChannelMask[3];
  const std::uint32_t packedKey = c.PackedKey() & rgbMask;
  const std::uint32_t skipKey = c.alphaFromKey || sf->ColorBitDepth >= 32 ? c.key : c.key & WidthMask(sf->ColorBitDepth);
  const std::uint32_t fullAlpha = df->ChannelWidth[3] != 0 ? alphaMask >> df->ChannelShift[3] : 0;
  int drop[3];
  std::uint32_t dropMask[3], channelMax[3];
  for (int i = 0; i < 3; ++i) {
    drop[i] = sf->ChannelWidth[i] - df->ChannelWidth[i];
    dropMask[i] = drop[i] > 0 ? WidthMask(drop[i]) : 0;
    channelMax[i] = WidthMask(df->ChannelWidth[i]);
  }
  std::uint32_t sums[3] = {0, 0, 0};
  for (int y = 0; y < c.height; ++y) {
    for (int x = 0; x < c.width; ++x) {
      const std::uint32_t raw = pf::pixels::ReadRaw(c.SrcPixel(x, y), c.sbytes());
      const std::uint32_t color = sf->ColorBitDepth == 8 ? PaletteColor(sf, raw) : raw;
      if (c.skipKey && (c.alphaFromKey ? color : raw) == skipKey) continue;
      std::uint32_t value[3], dropped[3];
      for (int i = 0; i < 3; ++i) {
        const std::uint32_t v = sf->ChannelWidth[i] != 0 ? (color & sf->ChannelMask[i]) >> sf->ChannelShift[i] : 0;
        value[i] = c.clearColor ? 0 : Rescale(v, sf->ChannelWidth[i], df->ChannelWidth[i]) & channelMax[i];
        dropped[i] = v & dropMask[i];
      }
      std::uint32_t a;
      if (c.alphaFromPicture) {
        std::uint32_t picture = pf::pixels::ReadRaw(c.AlphaPixel(x, y), c.af->BytesPerPixel);
        if (c.af->ColorBitDepth == 8) picture = PaletteColor(c.af, picture);
        a = Rescale((picture & c.af->ChannelMask[0]) >> c.af->ChannelShift[0], c.af->ChannelWidth[0],
                    df->ChannelWidth[3]);
      } else if (!srcHasAlpha) {
        a = fullAlpha;
      } else if (alphaMask == 0) {
        a = 0;
      } else {
        a = Rescale((color & sf->ChannelMask[3]) >> sf->ChannelShift[3], sf->ChannelWidth[3], df->ChannelWidth[3]);
      }
      if (c.alphaFromRed) a = value[0] < fullAlpha ? value[0] : fullAlpha;
      const int dstColumn = c.mirror ? c.dx + c.width - 1 - x : c.dx + x;
      if (differ && !c.clearColor) {
        for (int i = 0; i < 3; ++i) {
          if (drop[i] <= 0) continue;
          bool up = false;
          if (c.reduction == kReduceOrderedDither) {
            const std::uint32_t threshold =
                (static_cast<std::uint32_t>(kBayerDitherMatrix[(c.dy + y) & 3][dstColumn & 3]) << drop[i]) >> 4;
            up = threshold < dropped[i];
          } else if (c.reduction == kReduceErrorDiffusion) {
            sums[i] += dropped[i];
            if (sums[i] > dropMask[i]) {
              up = true;
              sums[i] &= dropMask[i];
            }
          }
          if (up && value[i] < channelMax[i]) ++value[i];
        }
      }
      std::uint32_t out = value[0] << df->ChannelShift[0] | value[1] << df->ChannelShift[1] |
                          value[2] << df->ChannelShift[2];
      out |= df->ChannelWidth[3] != 0 ? (a << df->ChannelShift[3]) & alphaMask : 0;
      if (c.alphaFromKey) out = (out & ~alphaMask) | ((out & rgbMask) == packedKey ? 0 : alphaMask);
      if (df->BytesPerPixel == 2 || df->BytesPerPixel == 4) out |= df->OutsideBitsMask;
      pf::pixels::WriteRaw(c.DstPixel(x, y), df->BytesPerPixel, out);
    }
  }
}

}  // namespace

int ConvertPixelRect(void* destination, int destinationPitch, const PixelFormat* destinationFormat,
                     const void* source, int sourcePitch, const PixelFormat* sourceFormat, const void* alphaPicture,
                     int alphaPitch, const PixelFormat* alphaFormat, int destinationX, int destinationY,
                     const IntRect* sourceRect, int mirror, int alphaFromColorKey, std::uint32_t colorKey,
                     int reduction, int clearColor, int alphaFromRed, int skipColorKey) {
  Call c{};
  c.dst = static_cast<std::uint8_t*>(destination);
  c.dstPitch = destinationPitch;
  c.df = destinationFormat;
  c.src = static_cast<const std::uint8_t*>(source);
  c.srcPitch = sourcePitch;
  c.sf = sourceFormat;
  c.alpha = alphaFormat != nullptr ? static_cast<const std::uint8_t*>(alphaPicture) : nullptr;
  c.alphaPitch = alphaPitch;
  c.af = alphaFormat;
  c.dx = destinationX;
  c.dy = destinationY;
  c.left = sourceRect->left;
  c.top = sourceRect->top;
  c.width = sourceRect->right - sourceRect->left;
  c.height = sourceRect->bottom - sourceRect->top;
  c.key = colorKey;
  c.reduction = reduction;
  c.mirror = mirror != 0;
  c.clearColor = clearColor != 0;
  c.alphaFromRed = alphaFromRed != 0;

  const bool dstHasAlpha = destinationFormat->ChannelWidth[3] != 0;
  const bool srcHasAlpha = sourceFormat->ChannelWidth[3] != 0;
  const bool alphaFromData = dstHasAlpha && (c.alpha != nullptr || srcHasAlpha);
  c.alphaFromPicture = dstHasAlpha && c.alpha != nullptr && !srcHasAlpha;
  c.alphaFromKey = alphaFromColorKey != 0 && !alphaFromData && dstHasAlpha && !c.alphaFromRed;
  c.skipKey = skipColorKey != 0 && !alphaFromData && !c.mirror;

  if (c.width <= 0 || c.height <= 0) return -1;
  if (destinationFormat->ColorBitDepth == 8 && !c.clearColor && !c.skipKey) {
    if (sourceFormat->ColorBitDepth != 8) return -1;
    return CopyBytes(c);
  }
  if (!c.alphaFromKey && !c.alphaFromPicture && !c.clearColor && !c.alphaFromRed &&
      SameMasks(sourceFormat, destinationFormat, 4)) {
    CopySameFormat(c);
    return 0;
  }
  if (!c.skipKey) {
    if (dstHasAlpha && c.alphaFromKey && !c.clearColor && !c.alphaFromRed &&
        SameMasks(sourceFormat, destinationFormat, 3)) {
      CopyWithKeyAlpha(c);
      return 0;
    }
    if (TryFastPath(c)) return 0;
  }
  ConvertGeneral(c);
  return 0;
}

}  // namespace zelvo
