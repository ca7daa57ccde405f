#include "canvas.h"

#include <algorithm>
#include <cmath>
#include <map>
#include <stdexcept>

#include "support/picture_writers.h"

namespace zelvo_datagen {
namespace {

// 3 x 5 glyphs, one row per entry, bit 2 the left column.
struct Glyph {
  char character;
  std::uint8_t rows[5];
};

constexpr Glyph kFont[] = {
    {'0', {7, 5, 5, 5, 7}}, {'1', {2, 6, 2, 2, 7}}, {'2', {7, 1, 7, 4, 7}}, {'3', {7, 1, 3, 1, 7}},
    {'4', {5, 5, 7, 1, 1}}, {'5', {7, 4, 7, 1, 7}}, {'6', {7, 4, 7, 5, 7}}, {'7', {7, 1, 2, 2, 2}},
    {'8', {7, 5, 7, 5, 7}}, {'9', {7, 5, 7, 1, 7}}, {'A', {2, 5, 7, 5, 5}}, {'B', {6, 5, 6, 5, 6}},
    {'C', {3, 4, 4, 4, 3}}, {'D', {6, 5, 5, 5, 6}}, {'E', {7, 4, 6, 4, 7}}, {'F', {7, 4, 6, 4, 4}},
    {'G', {3, 4, 5, 5, 3}}, {'H', {5, 5, 7, 5, 5}}, {'I', {7, 2, 2, 2, 7}}, {'J', {1, 1, 1, 5, 2}},
    {'K', {5, 5, 6, 5, 5}}, {'L', {4, 4, 4, 4, 7}}, {'M', {5, 7, 7, 5, 5}}, {'N', {6, 5, 5, 5, 5}},
    {'O', {2, 5, 5, 5, 2}}, {'P', {6, 5, 6, 4, 4}}, {'Q', {2, 5, 5, 6, 3}}, {'R', {6, 5, 6, 5, 5}},
    {'S', {3, 4, 2, 1, 6}}, {'T', {7, 2, 2, 2, 2}}, {'U', {5, 5, 5, 5, 7}}, {'V', {5, 5, 5, 5, 2}},
    {'W', {5, 5, 7, 7, 5}}, {'X', {5, 5, 2, 5, 5}}, {'Y', {5, 5, 2, 2, 2}}, {'Z', {7, 1, 2, 4, 7}},
    {'+', {0, 2, 7, 2, 0}}, {'-', {0, 0, 7, 0, 0}}, {'/', {1, 1, 2, 4, 4}}, {':', {0, 2, 0, 2, 0}},
    {'.', {0, 0, 0, 0, 2}}, {'!', {2, 2, 2, 0, 2}}, {'?', {7, 1, 2, 0, 2}}, {'#', {5, 7, 5, 7, 5}},
    {'_', {0, 0, 0, 0, 7}}, {'(', {1, 2, 2, 2, 1}}, {')', {4, 2, 2, 2, 4}}, {' ', {0, 0, 0, 0, 0}},
};

const Glyph& GlyphOf(char c) {
  if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 'a' + 'A');
  for (const Glyph& g : kFont)
    if (g.character == c) return g;
  return kFont[sizeof kFont / sizeof kFont[0] - 1];
}

int Channel(std::uint32_t colour, int shift) { return static_cast<int>((colour >> shift) & 0xFF); }

}  // namespace

std::uint32_t Rgb(int red, int green, int blue) {
  auto c = [](int v) { return static_cast<std::uint32_t>(std::clamp(v, 0, 255)); };
  std::uint32_t colour = c(red) << 16 | c(green) << 8 | c(blue);
  return colour == kClear ? kInk : colour;
}

std::uint32_t Shade(std::uint32_t colour, int percent) {
  return Rgb(Channel(colour, 16) * percent / 100, Channel(colour, 8) * percent / 100, Channel(colour, 0) * percent / 100);
}

std::uint32_t IndexColour(int index, int family) {
  // Hue by the golden angle; saturation and value fixed per family so families differ in tone.
  double hue = std::fmod(index * 137.508 + family * 47.0, 360.0) / 60.0;
  double saturation = family % 2 == 0 ? 0.75 : 0.55;
  double value = family % 3 == 0 ? 0.95 : 0.8;
  double chroma = value * saturation;
  double x = chroma * (1 - std::fabs(std::fmod(hue, 2.0) - 1));
  double r = 0, g = 0, b = 0;
  switch (static_cast<int>(hue)) {
    case 0: r = chroma, g = x; break;
    case 1: r = x, g = chroma; break;
    case 2: g = chroma, b = x; break;
    case 3: g = x, b = chroma; break;
    case 4: r = x, b = chroma; break;
    default: r = chroma, b = x; break;
  }
  double m = value - chroma;
  return Rgb(static_cast<int>((r + m) * 255), static_cast<int>((g + m) * 255), static_cast<int>((b + m) * 255));
}

Canvas::Canvas(int width, int height, std::uint32_t fill)
    : width_(width), height_(height), pixels_(static_cast<std::size_t>(width) * height, fill) {}

void Canvas::Put(int x, int y, std::uint32_t colour) {
  if (x < 0 || y < 0 || x >= width_ || y >= height_) return;
  pixels_[static_cast<std::size_t>(y) * width_ + x] = colour;
}

void Canvas::FillRect(int x, int y, int w, int h, std::uint32_t colour) {
  for (int j = std::max(y, 0); j < std::min(y + h, height_); ++j)
    for (int i = std::max(x, 0); i < std::min(x + w, width_); ++i) pixels_[static_cast<std::size_t>(j) * width_ + i] = colour;
}

void Canvas::FrameRect(int x, int y, int w, int h, int thickness, std::uint32_t colour) {
  FillRect(x, y, w, thickness, colour);
  FillRect(x, y + h - thickness, w, thickness, colour);
  FillRect(x, y, thickness, h, colour);
  FillRect(x + w - thickness, y, thickness, h, colour);
}

void Canvas::Bevel(int x, int y, int w, int h, int rim, std::uint32_t colour) {
  FillRect(x, y, w, h, Shade(colour, 60));
  FillRect(x, y, w - rim, h - rim, Shade(colour, 140));
  FillRect(x + rim, y + rim, w - 2 * rim, h - 2 * rim, colour);
}

void Canvas::Disc(double cx, double cy, double radius, std::uint32_t colour) { Ellipse(cx, cy, radius, radius, colour); }

void Canvas::Ring(double cx, double cy, double outer, double inner, std::uint32_t colour) {
  for (int y = static_cast<int>(cy - outer) - 1; y <= static_cast<int>(cy + outer) + 1; ++y)
    for (int x = static_cast<int>(cx - outer) - 1; x <= static_cast<int>(cx + outer) + 1; ++x) {
      double d = std::hypot(x + 0.5 - cx, y + 0.5 - cy);
      if (d <= outer && d >= inner) Put(x, y, colour);
    }
}

void Canvas::Ellipse(double cx, double cy, double rx, double ry, std::uint32_t colour) {
  if (rx <= 0 || ry <= 0) return;
  for (int y = static_cast<int>(cy - ry) - 1; y <= static_cast<int>(cy + ry) + 1; ++y)
    for (int x = static_cast<int>(cx - rx) - 1; x <= static_cast<int>(cx + rx) + 1; ++x) {
      double dx = (x + 0.5 - cx) / rx, dy = (y + 0.5 - cy) / ry;
      if (dx * dx + dy * dy <= 1.0) Put(x, y, colour);
    }
}

void Canvas::Line(double x1, double y1, double x2, double y2, double thickness, std::uint32_t colour) {
  double length = std::hypot(x2 - x1, y2 - y1);
  int steps = std::max(1, static_cast<int>(length * 2));
  for (int i = 0; i <= steps; ++i) {
    double t = static_cast<double>(i) / steps;
    Disc(x1 + (x2 - x1) * t, y1 + (y2 - y1) * t, thickness / 2, colour);
  }
}

void Canvas::Triangle(double x1, double y1, double x2, double y2, double x3, double y3, std::uint32_t colour) {
  int top = static_cast<int>(std::floor(std::min({y1, y2, y3})));
  int bottom = static_cast<int>(std::ceil(std::max({y1, y2, y3})));
  int left = static_cast<int>(std::floor(std::min({x1, x2, x3})));
  int right = static_cast<int>(std::ceil(std::max({x1, x2, x3})));
  auto edge = [](double ax, double ay, double bx, double by, double px, double py) {
    return (bx - ax) * (py - ay) - (by - ay) * (px - ax);
  };
  for (int y = top; y <= bottom; ++y)
    for (int x = left; x <= right; ++x) {
      double px = x + 0.5, py = y + 0.5;
      double a = edge(x1, y1, x2, y2, px, py), b = edge(x2, y2, x3, y3, px, py), c = edge(x3, y3, x1, y1, px, py);
      if ((a >= 0 && b >= 0 && c >= 0) || (a <= 0 && b <= 0 && c <= 0)) Put(x, y, colour);
    }
}

void Canvas::Gradient(int x, int y, int w, int h, std::uint32_t top, std::uint32_t bottom) {
  for (int j = 0; j < h; ++j) {
    auto mix = [&](int shift) { return Channel(top, shift) + (Channel(bottom, shift) - Channel(top, shift)) * j / std::max(1, h - 1); };
    FillRect(x, y + j, w, 1, Rgb(mix(16), mix(8), mix(0)));
  }
}

void Canvas::Paste(const Canvas& source, int x, int y) {
  for (int j = 0; j < source.height_; ++j)
    for (int i = 0; i < source.width_; ++i)
      if (source.At(i, j) != kClear) Put(x + i, y + j, source.At(i, j));
}

int Canvas::TextWidth(const std::string& text, int scale) {
  return text.empty() ? 0 : static_cast<int>(text.size()) * 4 * scale - scale;
}

int Canvas::Text(int x, int y, const std::string& text, int scale, std::uint32_t colour) {
  // Outline first, then the glyphs, so neighbouring glyphs never cover each other.
  for (int pass = 0; pass < 2; ++pass) {
    int pen = x;
    for (char c : text) {
      const Glyph& g = GlyphOf(c);
      for (int row = 0; row < 5; ++row)
        for (int col = 0; col < 3; ++col)
          if (g.rows[row] >> (2 - col) & 1) {
            int px = pen + col * scale, py = y + row * scale;
            if (pass == 0)
              FillRect(px - 1, py - 1, scale + 2, scale + 2, kInk);
            else
              FillRect(px, py, scale, scale, colour);
          }
      pen += 4 * scale;
    }
  }
  return TextWidth(text, scale);
}

void Canvas::TextCentred(int cx, int cy, const std::string& text, int scale, std::uint32_t colour) {
  Text(cx - TextWidth(text, scale) / 2, cy - 5 * scale / 2, text, scale, colour);
}

void Canvas::Label(int x, int y, int w, int h, const std::string& text, std::uint32_t colour) {
  int scale = 1;
  while (TextWidth(text, scale + 1) + 2 <= w && 5 * (scale + 1) + 2 <= h) ++scale;
  TextCentred(x + w / 2, y + h / 2, text, scale, colour);
}

Bytes Canvas::ToBmp() const {
  std::vector<Bytes> rows;
  for (int y = height_ - 1; y >= 0; --y) {
    Bytes row;
    for (int x = 0; x < width_; ++x) {
      std::uint32_t c = At(x, y);
      row.push_back(static_cast<std::uint8_t>(c));
      row.push_back(static_cast<std::uint8_t>(c >> 8));
      row.push_back(static_cast<std::uint8_t>(c >> 16));
    }
    rows.push_back(std::move(row));
  }
  zelvo_test::BmpLayout layout;
  layout.width = width_;
  layout.height = height_;
  layout.bits = 24;
  layout.pixels = zelvo_test::PadRows(rows);
  return zelvo_test::WriteBmp(layout);
}

Bytes Canvas::ToBmpRle8() const {
  // Palette in order of first appearance, so the bytes depend only on the picture.
  std::map<std::uint32_t, std::uint8_t> index;
  std::vector<std::uint32_t> palette;
  for (std::uint32_t c : pixels_)
    if (index.emplace(c, static_cast<std::uint8_t>(palette.size())).second) {
      if (palette.size() == 256) throw std::runtime_error("more than 256 colours for an RLE8 picture");
      palette.push_back(c);
    }
  Bytes data;
  for (int y = height_ - 1; y >= 0; --y) {
    int x = 0;
    while (x < width_) {
      std::uint8_t value = index[At(x, y)];
      int run = 1;
      while (x + run < width_ && run < 255 && index[At(x + run, y)] == value) ++run;
      data.push_back(static_cast<std::uint8_t>(run));
      data.push_back(value);
      x += run;
    }
    data.push_back(0);
    data.push_back(y == 0 ? 1 : 0);   // end of line, or end of picture after the top row
  }
  zelvo_test::BmpLayout layout;
  layout.width = width_;
  layout.height = height_;
  layout.bits = 8;
  layout.compression = 1;
  layout.palette = palette;
  layout.pixels = data;
  return zelvo_test::WriteBmp(layout);
}

}  // namespace zelvo_datagen
