// The text renderer over the memory glyph cache. Glyph cells hold 1 bit a pixel (plain), or a byte
// a pixel: 1 glyph and 2 edge (edged), the glyph level 0..15 in the low nibble and the edge level
// in the high nibble (antialiased). Writing is a template over the target's pixel kind and the
// font's style.
#include "media/graphics/text/text_render.h"

#include <immintrin.h>

#include <cstring>

#include "media/display/screen_state.h"
#include "media/graphics/text/d3d_text.h"
#include "media/graphics/graphs/soft_draw_lock.h"
#include "media/graphics/graphs/draw_state.h"
#include "media/pixels/rectangles.h"
#include "media/graphics/text/glyph_cache.h"
#include "media/pixels/pixel_format.h"

namespace zelvo {
namespace {

enum TargetKind : int { kIndex8, k565, k565Alpha, k8888, k8888Alpha };

struct Rgb {
  int r, g, b;
};

struct TextColours {
  Rgb text, edge;
  std::uint32_t textValue, edgeValue;   // opaque, as the target holds them
  const PixelFormat* format;
  // Targets with alpha: the text and edge colours at the alpha of each level 0..15.
  std::uint32_t textLevels[16], edgeLevels[16];
};

int GraphicsUp() { return GetDirectDrawObject() != nullptr || !IsDirectDrawMode(); }

TargetKind KindOf(const MEMIMG* image) {
  if (image->format->BytesPerPixel == 1) return kIndex8;
  if (image->colorType == kMemImg565) return image->alphaFlag ? k565Alpha : k565;
  return image->alphaFlag ? k8888Alpha : k8888;
}

std::uint32_t PackWithAlpha(const PixelFormat* f, const Rgb& c, int alpha) {
  auto channel = [f](int value, int i) {
    return (static_cast<std::uint32_t>(value) >> (8 - f->ChannelWidth[i])) << f->ChannelShift[i];
  };
  return channel(c.r, 0) | channel(c.g, 1) | channel(c.b, 2) | channel(alpha, 3) | f->OutsideBitsMask;
}

// A glyph level 1..15 over an edge level: the colour between edge and text and its alpha.
std::uint32_t MixedEdgePixel(const TextColours& c, int g, int e) {
  const int alpha = ((15 - g) * e + 16 * g) % 256;
  const int weight = g * 4096 / alpha;
  const Rgb mixed{c.edge.r + (c.text.r - c.edge.r) * weight / 256, c.edge.g + (c.text.g - c.edge.g) * weight / 256,
                  c.edge.b + (c.text.b - c.edge.b) * weight / 256};
  return PackWithAlpha(c.format, mixed, alpha);
}

// Full coverage is opaque; the other levels step by 16.
int LevelAlpha(int level) { return level >= 15 ? 255 : 16 * level; }

// The value written for a cell value, or false for a pixel with nothing on it.
template <int Kind, int Style>
inline bool PixelFor(const TextColours& c, int cell, std::uint32_t* out) {
  constexpr bool kAlpha = Kind == k565Alpha || Kind == k8888Alpha;
  if constexpr (Style == 0) {
    *out = c.textValue;
    return cell != 0;
  } else if constexpr (Style == 1) {
    if (cell == 0) return false;
    *out = cell == 1 ? c.textValue : c.edgeValue;
    return true;
  } else {
    const int g = cell & 0x0F, e = Style == 3 ? cell >> 4 : 0;
    if constexpr (kAlpha) {
      if (g == 15) {
        *out = c.textLevels[15];
      } else if (g > 0) {
        *out = Style == 3 && e > 0 ? MixedEdgePixel(c, g, e) : c.textLevels[g];
      } else if (e > 0) {
        *out = c.edgeLevels[e];
      } else {
        return false;
      }
      return true;
    } else {
      // No alpha to carry the levels: half coverage and more is solid.
      if (g >= 8) {
        *out = c.textValue;
      } else if (e >= 8) {
        *out = c.edgeValue;
      } else {
        return false;
      }
      return true;
    }
  }
}

template <int Kind>
inline void Store(std::uint8_t* p, std::uint32_t value) {
  if constexpr (Kind == kIndex8) {
    *p = static_cast<std::uint8_t>(value);
  } else if constexpr (Kind == k565) {
    *reinterpret_cast<std::uint16_t*>(p) = static_cast<std::uint16_t>(value);
  } else {
    *reinterpret_cast<std::uint32_t*>(p) = value;
  }
}

constexpr int BytesOf(int kind) { return kind == kIndex8 ? 1 : kind == k565 ? 2 : 4; }

struct GlyphPlacement {
  IntRect rect;        // on the target, clipped
  int left, top;       // of the unclipped glyph rectangle
  int width, height;   // of the glyph in its cell
  int vertical;
  int boundsRight;     // the right edge of what may be written
};

// The value for a cell value written at `out`; blank cell pixels are skipped, or cleared without
// the transparent flag.
template <int Kind, int Style>
inline void PutPixel(std::uint8_t* out, int cell, const TextColours& colours, int transparent) {
  std::uint32_t value = 0;
  if (cell != 0 && PixelFor<Kind, Style>(colours, cell, &value)) {
    Store<Kind>(out, value);
  } else if (!transparent) {
    Store<Kind>(out, 0);
  }
}

int g_vectorRows = 1;

// Lane i is 1 when bit 3 - i of the nibble is set (the leftmost pixel is the high bit).
const __m128i kNibbleLanes[16] = {
    _mm_set_epi32(0, 0, 0, 0), _mm_set_epi32(1, 0, 0, 0), _mm_set_epi32(0, 1, 0, 0), _mm_set_epi32(1, 1, 0, 0),
    _mm_set_epi32(0, 0, 1, 0), _mm_set_epi32(1, 0, 1, 0), _mm_set_epi32(0, 1, 1, 0), _mm_set_epi32(1, 1, 1, 0),
    _mm_set_epi32(0, 0, 0, 1), _mm_set_epi32(1, 0, 0, 1), _mm_set_epi32(0, 1, 0, 1), _mm_set_epi32(1, 1, 0, 1),
    _mm_set_epi32(0, 0, 1, 1), _mm_set_epi32(1, 0, 1, 1), _mm_set_epi32(0, 1, 1, 1), _mm_set_epi32(1, 1, 1, 1)};

// Four 32-bit pixels at a time for the single-colour styles: a lane takes the text colour for a
// glyph pixel, the edge colour for an edge pixel, and keeps the target for an empty one. Byte for
// byte what the scalar loop writes.
template <int Style>
int PutRow32Vector(std::uint8_t* out, const std::uint8_t* row, int u, int width, const TextColours& colours) {
  const __m128i zero = _mm_setzero_si128();
  const __m128i text = _mm_set1_epi32(static_cast<int>(colours.textValue));
  const __m128i edge = _mm_set1_epi32(static_cast<int>(colours.edgeValue));
  int i = 0;
  for (; i + 4 <= width; i += 4, u += 4, out += 16) {
    __m128i lanes;
    if constexpr (Style == 0) {
      const int shift = u & 7;
      unsigned bits = static_cast<unsigned>(row[u >> 3]) << 8;
      if (shift > 4) bits |= row[(u >> 3) + 1];
      bits = (bits >> (12 - shift)) & 0xF;
      if (bits == 0) continue;
      lanes = kNibbleLanes[bits];
    } else {
      std::uint32_t four;
      std::memcpy(&four, row + u, 4);
      if (four == 0) continue;
      lanes = _mm_unpacklo_epi16(_mm_unpacklo_epi8(_mm_cvtsi32_si128(static_cast<int>(four)), zero), zero);
    }
    const __m128i empty = _mm_cmpeq_epi32(lanes, zero);
    const __m128i glyph = _mm_cmpeq_epi32(lanes, _mm_set1_epi32(1));
    const __m128i value = _mm_or_si128(_mm_and_si128(glyph, text), _mm_andnot_si128(glyph, edge));
    // Four covered pixels need nothing of the target.
    if (_mm_movemask_epi8(empty) == 0) {
      _mm_storeu_si128(reinterpret_cast<__m128i*>(out), value);
      continue;
    }
    const __m128i kept = _mm_loadu_si128(reinterpret_cast<const __m128i*>(out));
    _mm_storeu_si128(reinterpret_cast<__m128i*>(out),
                     _mm_or_si128(_mm_and_si128(empty, kept), _mm_andnot_si128(empty, value)));
  }
  return i;
}

// A whole horizontal cell of the antialiased style on a target with alpha, eight 32-bit pixels at a
// time: a lane takes the text colour at the alpha of its level, and keeps the target where the
// level is 0. The level picks its colour from two eight-entry halves of the table by its bit 3.
// A row's last group may run past the glyph into blank cell pixels, which keep the target as it
// is, as long as it stays inside the cell row and the writable bounds. Byte for byte what the
// scalar loop writes.
[[gnu::target("avx2")]] void PutCellLevelsAvx2(const std::uint8_t* firstRow, std::size_t rowPitch, int rows, int u,
                                               int width, int vectorWidth, std::uint8_t* out, std::ptrdiff_t pitch,
                                               const TextColours& colours) {
  const __m256i lowHalf = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(colours.textLevels));
  const __m256i highHalf = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(colours.textLevels + 8));
  const __m256i nibble = _mm256_set1_epi32(0x0F);
  const __m256i zero = _mm256_setzero_si256();
  for (int y = 0; y < rows; ++y, firstRow += rowPitch, out += pitch) {
    const std::uint8_t* cells = firstRow + u;
    int i = 0;
    for (; i + 8 <= vectorWidth; i += 8) {
      std::uint64_t eight;
      std::memcpy(&eight, cells + i, 8);
      if ((eight & 0x0F0F0F0F0F0F0F0Full) == 0) continue;
      const __m256i level =
          _mm256_and_si256(_mm256_cvtepu8_epi32(_mm_cvtsi64_si128(static_cast<long long>(eight))), nibble);
      const __m256 fromLow = _mm256_castsi256_ps(_mm256_permutevar8x32_epi32(lowHalf, level));
      const __m256 fromHigh = _mm256_castsi256_ps(_mm256_permutevar8x32_epi32(highHalf, level));
      const __m256i value =
          _mm256_castps_si256(_mm256_blendv_ps(fromLow, fromHigh, _mm256_castsi256_ps(_mm256_slli_epi32(level, 28))));
      const __m256i empty = _mm256_cmpeq_epi32(level, zero);
      auto* at = reinterpret_cast<__m256i*>(out + 4 * i);
      if (_mm256_movemask_epi8(empty) == 0) {
        _mm256_storeu_si256(at, value);
      } else {
        _mm256_storeu_si256(at, _mm256_blendv_epi8(value, _mm256_loadu_si256(at), empty));
      }
    }
    for (; i < width; ++i) {
      const int level = cells[i] & 0x0F;
      if (level != 0) std::memcpy(out + 4 * i, &colours.textLevels[level], 4);
    }
  }
}

bool LevelRowsUsable() {
  static const bool usable = __builtin_cpu_supports("avx2") != 0;
  return usable;
}

// Draws one cell into the target over the placement's clipped rectangle.
template <int Kind, int Style>
void DrawCell(const FontRecord* font, const GlyphSlot* glyph, const GlyphPlacement& p, MEMIMG* target,
              const TextColours& colours, int transparent) {
  constexpr int kBytes = BytesOf(Kind);
  const int width = p.rect.right - p.rect.left;
  if constexpr (Style == 2 && (Kind == k565Alpha || Kind == k8888Alpha)) {
    if (!p.vertical && transparent && g_vectorRows && LevelRowsUsable()) {
      const int u = p.rect.left - p.left;
      const int padded = (width + 7) & ~7;
      const int vectorWidth = u + padded <= font->cellSize && p.rect.left + padded <= p.boundsRight ? padded : width & ~7;
      std::uint8_t* out = target->pixels + static_cast<std::ptrdiff_t>(p.rect.top) * target->pitch +
                          static_cast<std::ptrdiff_t>(p.rect.left) * kBytes;
      PutCellLevelsAvx2(CellRow(font, glyph->cell, p.rect.top - p.top), static_cast<std::size_t>(font->stripPitch),
                        p.rect.bottom - p.rect.top, u, width, vectorWidth, out, target->pitch, colours);
      return;
    }
  }
  for (int py = p.rect.top; py < p.rect.bottom; ++py) {
    std::uint8_t* out = target->pixels + static_cast<std::ptrdiff_t>(py) * target->pitch +
                        static_cast<std::ptrdiff_t>(p.rect.left) * kBytes;
    if (!p.vertical) {
      const std::uint8_t* row = CellRow(font, glyph->cell, py - p.top);
      int u = p.rect.left - p.left;
      int i = 0;
      if constexpr (kBytes == 4 && Style <= 1) {
        if (transparent && g_vectorRows) {
          // The last group may run past the glyph into blank cell pixels, which keep the target as
          // it is, as long as it stays inside the cell row and the writable bounds.
          const int padded = (width + 3) & ~3;
          const int vectorWidth =
              u + padded <= font->cellSize && p.rect.left + padded <= p.boundsRight ? padded : width;
          i = PutRow32Vector<Style>(out, row, u, vectorWidth, colours);
          if (i > width) i = width;
          u += i;
          out += 4 * i;
        }
      }
      for (; i < width; ++i, ++u, out += kBytes) {
        // Runs of empty cell pixels are passed over a byte (or 4 bytes) at a time.
        if (transparent && i + 8 <= width) {
          if (Style == 0 && (u & 7) == 0 && row[u >> 3] == 0) {
            i += 7, u += 7, out += 7 * kBytes;
            continue;
          }
          std::uint32_t four;
          if (Style != 0 && (std::memcpy(&four, row + u, 4), four == 0)) {
            i += 3, u += 3, out += 3 * kBytes;
            continue;
          }
        }
        const int cell = Style == 0 ? (row[u >> 3] >> (7 - (u & 7))) & 1 : row[u];
        PutPixel<Kind, Style>(out, cell, colours, transparent);
      }
      continue;
    }
    // Vertical text: the glyph's top points right, so a target row is a cell column.
    const int u = py - p.top;
    for (int px = p.rect.left; px < p.rect.right; ++px, out += kBytes) {
      const std::uint8_t* row = CellRow(font, glyph->cell, p.height - 1 - (px - p.left));
      const int cell = Style == 0 ? (row[u >> 3] >> (7 - (u & 7))) & 1 : row[u];
      PutPixel<Kind, Style>(out, cell, colours, transparent);
    }
  }
}

using CellDrawer = void (*)(const FontRecord*, const GlyphSlot*, const GlyphPlacement&, MEMIMG*, const TextColours&,
                            int);

template <int Kind>
constexpr CellDrawer kDrawersOfKind[4] = {DrawCell<Kind, 0>, DrawCell<Kind, 1>, DrawCell<Kind, 2>, DrawCell<Kind, 3>};
constexpr const CellDrawer* kDrawers[5] = {kDrawersOfKind<kIndex8>, kDrawersOfKind<k565>, kDrawersOfKind<k565Alpha>,
                                           kDrawersOfKind<k8888>, kDrawersOfKind<k8888Alpha>};

Rgb Tinted(std::uint32_t screenColour) {
  Rgb c{};
  ScreenColorToRgb(screenColour, &c.r, &c.g, &c.b);
  const std::uint32_t tint = g_draw.drawTint;
  c.r = c.r * static_cast<int>((tint >> 16) & 0xFF) / 255;
  c.g = c.g * static_cast<int>((tint >> 8) & 0xFF) / 255;
  c.b = c.b * static_cast<int>(tint & 0xFF) / 255;
  return c;
}

// Colours as the target holds them: the lock's copy of a screen takes screen values (converted
// when the lock works on a converted copy); other images their own format; 8-bit targets the index.
TextColours ColoursFor(const MEMIMG* target, std::uint32_t colour, std::uint32_t edge) {
  TextColours c{};
  c.text = Tinted(colour);
  c.edge = Tinted(edge);
  c.format = target->format;
  if (target->format->BytesPerPixel == 1) {
    c.textValue = colour & 0xFF;
    c.edgeValue = edge & 0xFF;
  } else if (target == SoftLockTarget()) {
    c.textValue = SoftLockColour(RgbToScreenColor(c.text.r, c.text.g, c.text.b));
    c.edgeValue = SoftLockColour(RgbToScreenColor(c.edge.r, c.edge.g, c.edge.b));
  } else {
    c.textValue = RgbaToColorValue(target->format, c.text.r, c.text.g, c.text.b, 255);
    c.edgeValue = RgbaToColorValue(target->format, c.edge.r, c.edge.g, c.edge.b, 255);
  }
  if (target->alphaFlag) {
    for (int level = 0; level < 16; ++level) {
      c.textLevels[level] = PackWithAlpha(c.format, c.text, LevelAlpha(level));
      c.edgeLevels[level] = PackWithAlpha(c.format, c.edge, LevelAlpha(level));
    }
  }
  return c;
}

GlyphPlacement Place(const FontRecord* font, const GlyphSlot* glyph, int x, int y, int pen, int vertical,
                     const IntRect& clip) {
  GlyphPlacement p{};
  p.width = glyph->width;
  p.height = glyph->height;
  p.vertical = vertical;
  if (vertical) {
    p.left = x + font->lineHeight - glyph->originY - glyph->height;
    p.top = y + pen + glyph->originX;
    p.rect = IntRect{p.left, p.top, p.left + glyph->height, p.top + glyph->width};
  } else {
    p.left = x + pen + glyph->originX;
    p.top = y + glyph->originY;
    p.rect = IntRect{p.left, p.top, p.left + glyph->width, p.top + glyph->height};
  }
  ClipRect(&p.rect, &clip);
  p.boundsRight = clip.right;
  return p;
}

}  // namespace

int RenderTextWithFont(int mode, int x, int y, int scaleEnable, double scaleX, double scaleY, const char* text,
                       std::uint32_t colour, MEMIMG* target, const IntRect* clip, int transparent, int handle,
                       std::uint32_t edgeColour, int length, int vertical, int* size) {
  FontRecord* font = GetFontRecord(handle);
  if (g_graphics.ending || !GraphicsUp() || font == nullptr) return -1;
  // Only a texture cache scales; the memory cache draws at 1:1.
  if (!(mode == kTextDraw && scaleEnable && font->usesTextureCache)) scaleX = scaleY = 1.0;
  const double penScale = vertical ? scaleY : scaleX;
  const int n = LimitedTextLength(text, length);
  if (size != nullptr) {
    size[0] = vertical ? font->lineHeight : 0;
    size[1] = vertical ? 0 : font->lineHeight;
  }
  if (n == 0) return 0;
  const int count = PrepareGlyphs(handle, text, n, nullptr, nullptr);
  const std::uint16_t* codes = PreparedCharacters();

  const bool drawing = mode == kTextDraw && target != nullptr && IsMemImgValid(target);
  IntRect bounds{0, 0, 0, 0};
  TextColours colours{};
  CellDrawer draw = nullptr;
  if (drawing) {
    bounds = IntRect{0, 0, target->width, target->height};
    if (clip != nullptr) ClipRect(&bounds, clip);
    colours = ColoursFor(target, colour, edgeColour);
    draw = kDrawers[KindOf(target)][font->style & 3];
  }
  // Without a target image a texture-cache font draws its glyphs from the cache graph.
  const bool textured = mode == kTextDraw && target == nullptr && font->usesTextureCache && font->cacheGraph != -1;
  std::uint32_t textRgb = 0, edgeRgb = 0;
  if (textured) {
    const Rgb text = Tinted(colour), edge = Tinted(edgeColour);
    textRgb = static_cast<std::uint32_t>(text.r << 16 | text.g << 8 | text.b);
    edgeRgb = static_cast<std::uint32_t>(edge.r << 16 | edge.g << 8 | edge.b);
  }
  const int scaled = scaleX != 1.0 || scaleY != 1.0;
  double pen = 0.0;
  for (int i = 0; i < count; ++i) {
    const GlyphSlot* glyph = FindGlyph(font, handle, codes[i]);
    if (textured && glyph->width > 0 && glyph->height > 0) {
      DrawTextureGlyph(font, glyph, x, y, pen, scaled, scaleX, scaleY, textRgb, edgeRgb);
    }
    if (drawing && glyph->width > 0 && glyph->height > 0) {
      const GlyphPlacement placement = Place(font, glyph, x, y, static_cast<int>(pen), vertical, bounds);
      if (placement.rect.right > placement.rect.left && placement.rect.bottom > placement.rect.top) {
        draw(font, glyph, placement, target, colours, transparent);
      }
    }
    pen += (glyph->advance + font->extraSpacing) * penScale;
  }
  const int advance = static_cast<int>(pen);
  if (size != nullptr) {
    size[0] = vertical ? font->lineHeight : advance;
    size[1] = vertical ? advance : font->lineHeight;
  }
  return advance;
}

void UseVectorTextRows(int on) { g_vectorRows = on; }

int MeasureTextWidth(const char* text, int length, int font, int vertical) {
  return RenderTextWithFont(kTextMeasure, 0, 0, 0, 1.0, 1.0, text, 0, nullptr, nullptr, 0, font, 0, length, vertical,
                            nullptr);
}

}  // namespace zelvo
