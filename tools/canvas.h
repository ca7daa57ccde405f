#pragma once
// A small RGB drawing surface for placeholder art. Pure black is the game's transparent colour, so
// "dark" opaque pixels use kInk instead.
#include <cstdint>
#include <string>
#include <vector>

namespace zelvo_datagen {

using Bytes = std::vector<std::uint8_t>;

constexpr std::uint32_t kClear = 0x000000;   // see-through
constexpr std::uint32_t kInk = 0x101010;     // darkest opaque colour
constexpr std::uint32_t kWhite = 0xFFFFFF;

std::uint32_t Rgb(int red, int green, int blue);
// The colour scaled by percent (0 to 200), clamped; pure black becomes kInk.
std::uint32_t Shade(std::uint32_t colour, int percent);
// A distinct, bright colour for index i of a family (golden-angle hue walk).
std::uint32_t IndexColour(int index, int family);

class Canvas {
 public:
  Canvas(int width, int height, std::uint32_t fill = kClear);
  int Width() const { return width_; }
  int Height() const { return height_; }
  std::uint32_t At(int x, int y) const { return pixels_[static_cast<std::size_t>(y) * width_ + x]; }
  void Put(int x, int y, std::uint32_t colour);

  void FillRect(int x, int y, int w, int h, std::uint32_t colour);
  void FrameRect(int x, int y, int w, int h, int thickness, std::uint32_t colour);
  // Filled box with a lighter top-left and darker bottom-right rim.
  void Bevel(int x, int y, int w, int h, int rim, std::uint32_t colour);
  void Disc(double cx, double cy, double radius, std::uint32_t colour);
  void Ring(double cx, double cy, double outer, double inner, std::uint32_t colour);
  void Ellipse(double cx, double cy, double rx, double ry, std::uint32_t colour);
  void Line(double x1, double y1, double x2, double y2, double thickness, std::uint32_t colour);
  void Triangle(double x1, double y1, double x2, double y2, double x3, double y3, std::uint32_t colour);
  // Vertical blend from top colour to bottom colour over the rectangle.
  void Gradient(int x, int y, int w, int h, std::uint32_t top, std::uint32_t bottom);
  // Copies another canvas with its top-left at (x, y); see-through pixels are skipped.
  void Paste(const Canvas& source, int x, int y);

  // Text in the built-in 3 x 5 pixel font, each font pixel `scale` pixels wide, with a one-pixel
  // kInk outline so it reads on any colour. Returns the width drawn.
  int Text(int x, int y, const std::string& text, int scale, std::uint32_t colour);
  static int TextWidth(const std::string& text, int scale);
  // Text centred on (cx, cy).
  void TextCentred(int cx, int cy, const std::string& text, int scale, std::uint32_t colour);
  // The largest scale (at least 1) at which the text fits in w x h, centred there.
  void Label(int x, int y, int w, int h, const std::string& text, std::uint32_t colour);

  // 24-bit uncompressed BMP.
  Bytes ToBmp() const;
  // 8-bit run-length-encoded BMP; the picture must use at most 256 colours.
  Bytes ToBmpRle8() const;

 private:
  int width_;
  int height_;
  std::vector<std::uint32_t> pixels_;
};

}  // namespace zelvo_datagen
