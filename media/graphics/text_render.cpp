// The text renderer over the memory glyph cache. Glyph cells hold 1 bit a pixel (plain), or a byte
// a pixel: 1 glyph and 2 edge (edged), the glyph level 0..15 in the low nibble and the edge level
// in the high nibble (antialiased). Writing is a template over the target's pixel kind and the
// font's style.
#include "media/graphics/text_render.h"

#include "media/display/screen_state.h"
#include "media/display/soft_draw_lock.h"
#include "media/graphics/draw_state.h"
#include "media/graphics/glyph_cache.h"
#include "media/graphics/pixel_format.h"

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
        *out = PackWithAlpha(c.format, c.text, 255);
      } else if (g > 0) {
        *out = Style == 3 && e > 0 ? MixedEdgePixel(c, g, e) : PackWithAlpha(c.format, c.text, LevelAlpha(g));
      } else if (e > 0) {
        *out = PackWithAlpha(c.format, c.edge, LevelAlpha(e));
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
};

// Draws one cell into the target over the placement's clipped rectangle.
template <int Kind, int Style>
void DrawCell(const FontRecord* font, const GlyphSlot* glyph, const GlyphPlacement& p, MEMIMG* target,
              const TextColours& colours, int transparent) {
  constexpr int kBytes = BytesOf(Kind);
  for (int py = p.rect.top; py < p.rect.bottom; ++py) {
    std::uint8_t* out = target->pixels + static_cast<std::ptrdiff_t>(py) * target->pitch +
                        static_cast<std::ptrdiff_t>(p.rect.left) * kBytes;
    for (int px = p.rect.left; px < p.rect.right; ++px, out += kBytes) {
      // Vertical text: the glyph's top points right.
      const int u = p.vertical ? py - p.top : px - p.left;
      const int v = p.vertical ? p.height - 1 - (px - p.left) : py - p.top;
      const std::uint8_t* row = CellRow(font, glyph->cell, v);
      const int cell = Style == 0 ? (row[u >> 3] >> (7 - (u & 7))) & 1 : row[u];
      std::uint32_t value = 0;
      if (PixelFor<Kind, Style>(colours, cell, &value)) {
        Store<Kind>(out, value);
      } else if (!transparent) {
        Store<Kind>(out, 0);
      }
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
  ClipRectBody(&p.rect, &clip);
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
  PrepareGlyphs(handle, text, n, nullptr, nullptr);

  const bool drawing = mode == kTextDraw && target != nullptr && IsMemImgValid(target);
  IntRect bounds{0, 0, 0, 0};
  TextColours colours{};
  CellDrawer draw = nullptr;
  if (drawing) {
    bounds = IntRect{0, 0, target->width, target->height};
    if (clip != nullptr) ClipRectBody(&bounds, clip);
    colours = ColoursFor(target, colour, edgeColour);
    draw = kDrawers[KindOf(target)][font->style & 3];
  }
  double pen = 0.0;
  int at = 0;
  for (int code = NextCharacterCode(text, n, &at, font->charsetKind); code >= 0;
       code = NextCharacterCode(text, n, &at, font->charsetKind)) {
    const GlyphSlot* glyph = FindGlyph(font, handle, code);
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

int MeasureTextWidth(const char* text, int length, int font, int vertical) {
  return RenderTextWithFont(kTextMeasure, 0, 0, 0, 1.0, 1.0, text, 0, nullptr, nullptr, 0, font, 0, length, vertical,
                            nullptr);
}

}  // namespace zelvo
