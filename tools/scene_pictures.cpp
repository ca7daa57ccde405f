// Stage backgrounds (tiled side by side, so each wraps seamlessly at 640 pixels) and the gallery
// pictures with their large versions and thumbnails.
#include <cmath>
#include <cstdio>
#include <string>

#include "canvas.h"
#include "data_set.h"

namespace zelvo_datagen {
namespace {

struct Backdrop {
  std::uint32_t skyTop;
  std::uint32_t skyBottom;
  std::uint32_t ground;
  int shape;   // 0 hills, 1 towers, 2 machinery, 3 city, 4 dunes
};

// 00 training ground, 01 mountain pass, 02 base interior, 03 city, 04 wasteland, 05 command room,
// 06 the hangar of the mission-select screen.
const Backdrop kBackdrops[] = {
    {Rgb(90, 150, 230), Rgb(200, 230, 250), Rgb(90, 140, 80), 0},
    {Rgb(60, 90, 160), Rgb(230, 190, 150), Rgb(100, 90, 110), 0},
    {Rgb(30, 35, 50), Rgb(70, 80, 100), Rgb(60, 65, 80), 2},
    {Rgb(40, 40, 90), Rgb(230, 130, 90), Rgb(50, 50, 70), 3},
    {Rgb(150, 110, 80), Rgb(240, 200, 130), Rgb(150, 110, 70), 4},
    {Rgb(20, 20, 30), Rgb(60, 30, 40), Rgb(80, 30, 40), 2},
    {Rgb(50, 55, 60), Rgb(110, 110, 100), Rgb(80, 80, 70), 1},
};

// The skyline height at x for a shape, periodic over 640 pixels.
double Skyline(int shape, int x) {
  double t = x * 2 * M_PI / 640;
  switch (shape) {
    case 0: return 300 + 50 * std::sin(2 * t) + 25 * std::sin(5 * t + 1);
    case 4: return 360 + 20 * std::sin(3 * t) + 10 * std::sin(8 * t);
    case 1: return x % 160 < 100 ? 200 : 330;
    case 3: return 200 + ((x / 40) * 97 % 7) * 25;
    default: return x % 128 < 64 ? 140 : 260;
  }
}

Canvas Background(int n) {
  const Backdrop& b = kBackdrops[n];
  Canvas c(640, 480);
  c.Gradient(0, 0, 640, 480, b.skyTop, b.skyBottom);
  for (int x = 0; x < 640; ++x) {
    int top = static_cast<int>(Skyline(b.shape, x));
    c.FillRect(x, top, 1, 480 - top, Shade(b.ground, 70 + (x / 80 % 2) * 10));
  }
  if (b.shape == 3)   // lit windows
    for (int x = 8; x < 640; x += 40)
      for (int y = static_cast<int>(Skyline(3, x)) + 12; y < 470; y += 24) c.FillRect(x, y, 10, 8, Rgb(250, 220, 120));
  c.FillRect(0, 440, 640, 40, b.ground);
  for (int x = 0; x < 640; x += 64) c.FillRect(x, 440, 2, 40, Shade(b.ground, 60));   // marks show the scroll
  return c;
}

// Gallery picture n: a rescued person against a sky, in at most 256 colours so the large version
// can be stored run-length encoded.
Canvas Gallery(int n, int scale) {
  Canvas c(640 * scale, 480 * scale);
  std::uint32_t top = IndexColour(n, 1), bottom = IndexColour(n + 3, 4);
  for (int band = 0; band < 16; ++band) {
    auto mix = [&](int shift) { return static_cast<int>((top >> shift & 0xFF) * (15 - band) / 15 + (bottom >> shift & 0xFF) * band / 15); };
    c.FillRect(0, band * 30 * scale, 640 * scale, 30 * scale, Rgb(mix(16), mix(8), mix(0)));
  }
  c.Ellipse(320 * scale, 520 * scale, 260 * scale, 200 * scale, Rgb(250, 250, 250));
  c.Disc(320 * scale, 220 * scale, 90 * scale, Rgb(255, 220, 190));
  c.Ellipse(300 * scale, 170 * scale, 95 * scale, 60 * scale, IndexColour(n, 5));
  c.Disc(290 * scale, 230 * scale, 8 * scale, kInk);
  c.Disc(350 * scale, 230 * scale, 8 * scale, kInk);
  return c;
}

Canvas Thumbnail(int n) {
  Canvas c(80, 60, Rgb(20, 20, 40));
  c.Bevel(0, 0, 80, 60, 2, IndexColour(n, 1));
  c.Disc(40, 28, 12, Rgb(255, 220, 190));
  c.Ellipse(40, 50, 20, 10, IndexColour(n, 5));   // shoulders, in the picture's own colour
  return c;
}

}  // namespace

void AddScenePictures(DataSet& set) {
  for (int n = 0; n < static_cast<int>(sizeof kBackdrops / sizeof kBackdrops[0]); ++n) {
    char path[32];
    std::snprintf(path, sizeof path, "bmp\\back\\back%02d.bmp", n);
    set.Add(path, Background(n).ToBmp());
  }
  for (int n = 0; n < 5; ++n) {
    char path[32];
    std::snprintf(path, sizeof path, "bmp\\cg\\cg%d%d.bmp", n / 10, n % 10);
    set.Add(path, Gallery(n, 1).ToBmp());
    std::snprintf(path, sizeof path, "bmp\\cg\\cgh%d%d.bmp", n / 10, n % 10);
    set.Add(path, Gallery(n, 2).ToBmpRle8());
    std::snprintf(path, sizeof path, "bmp\\cg\\cgt%02d.bmp", n);
    set.Add(path, Thumbnail(n).ToBmp());
  }
  Canvas closed(80, 60);
  closed.Bevel(0, 0, 80, 60, 2, Rgb(90, 90, 100));
  closed.Label(4, 14, 72, 32, "LOCKED", kWhite);
  set.Add("bmp\\cg\\cgtclose.bmp", closed.ToBmp());
}

}  // namespace zelvo_datagen
