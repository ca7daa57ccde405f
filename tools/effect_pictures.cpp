// Effect sheets, shots, icons, the tile sheet and the weapon pictures. The glow sheets also get
// "_a" alpha pictures, so their light fades out softly instead of ending at a hard colour-key edge.
#include <algorithm>
#include <cmath>
#include <cstdio>
#include <string>

#include "canvas.h"
#include "data_set.h"

namespace zelvo_datagen {
namespace {

// Alpha from brightness: glows fade with their light, see-through stays see-through.
Canvas AlphaOf(const Canvas& picture) {
  Canvas alpha(picture.Width(), picture.Height());
  for (int y = 0; y < picture.Height(); ++y)
    for (int x = 0; x < picture.Width(); ++x) {
      std::uint32_t c = picture.At(x, y);
      int a = std::max({static_cast<int>(c >> 16 & 0xFF), static_cast<int>(c >> 8 & 0xFF), static_cast<int>(c & 0xFF)});
      if (c != kClear) alpha.Put(x, y, Rgb(a, a, a));
    }
  return alpha;
}

void AddWithAlpha(DataSet& set, const std::string& path, const Canvas& picture) {
  set.Add(path, picture.ToBmp());
  std::string alphaPath = path.substr(0, path.rfind('.')) + "_a" + path.substr(path.rfind('.'));
  set.Add(alphaPath, AlphaOf(picture).ToBmp());
}

// A soft round glow: rings from the rim colour in to the core colour.
void Glow(Canvas& c, double cx, double cy, double radius, std::uint32_t rim, std::uint32_t core) {
  for (int i = 0; i < 8; ++i) {
    double t = i / 7.0;
    auto mix = [&](int shift) {
      return static_cast<int>(((rim >> shift) & 0xFF) * (1 - t) + ((core >> shift) & 0xFF) * t);
    };
    c.Disc(cx, cy, radius * (1 - t * 0.85), Rgb(mix(16), mix(8), mix(0)));
  }
}

void FilledStar(Canvas& c, double cx, double cy, double radius, int points, std::uint32_t colour) {
  for (int i = 0; i < points; ++i) {
    double a = i * 2 * M_PI / points;
    double l = a - M_PI / points, r = a + M_PI / points;
    c.Triangle(cx + radius * 0.35 * std::sin(l), cy - radius * 0.35 * std::cos(l), cx + radius * std::sin(a),
               cy - radius * std::cos(a), cx + radius * 0.35 * std::sin(r), cy - radius * 0.35 * std::cos(r), colour);
    c.Triangle(cx, cy, cx + radius * 0.35 * std::sin(l), cy - radius * 0.35 * std::cos(l), cx + radius * 0.35 * std::sin(r),
               cy - radius * 0.35 * std::cos(r), colour);
  }
}

// The explosion sheet: smoke, fire, burst ring, spark, flash, shock ring.
Canvas ExplosionSheet() {
  Canvas c(384, 64);
  Glow(c, 32, 32, 28, Rgb(60, 60, 60), Rgb(170, 170, 170));
  Glow(c, 96, 32, 28, Rgb(150, 40, 0), Rgb(255, 230, 120));
  c.Ring(160, 32, 30, 22, Rgb(255, 200, 120));
  c.Ring(160, 32, 22, 16, Rgb(160, 90, 30));
  FilledStar(c, 224, 32, 30, 4, Rgb(255, 250, 180));
  Glow(c, 288, 32, 30, Rgb(120, 120, 160), Rgb(255, 255, 255));
  c.Ring(352, 32, 31, 27, Rgb(200, 220, 255));
  return c;
}

// The light sheets: exhaust, shot, tool-weapon glow, spinning star, flare, charge ring, full
// charge, soft light.
Canvas LightSheet(std::uint32_t rim, std::uint32_t core) {
  Canvas c(512, 64);
  Glow(c, 32, 32, 14, rim, core);
  Glow(c, 96, 32, 10, rim, core);
  Glow(c, 160, 32, 30, rim, core);
  FilledStar(c, 224, 32, 30, 4, core);
  Glow(c, 224, 32, 10, rim, kWhite);
  c.Ellipse(288, 32, 30, 7, rim);
  c.Ellipse(288, 32, 22, 3, core);
  c.Ring(352, 32, 30, 22, rim);          // charge glow: a ring that spins around the weapon
  c.Ring(352, 32, 26, 24, core);
  FilledStar(c, 352, 32, 20, 3, rim);
  Glow(c, 416, 32, 31, rim, kWhite);     // full charge: a bright flare with eight rays
  FilledStar(c, 416, 32, 31, 8, core);
  Glow(c, 480, 32, 24, Shade(rim, 50), rim);
  return c;
}

Canvas Emotions() {   // surprise, sweat, fright
  Canvas c(120, 40);
  for (int i = 0; i < 3; ++i) c.Bevel(40 * i + 2, 2, 36, 36, 2, Rgb(255, 255, 230));
  c.Text(40 * 0 + 15, 8, "!", 4, Rgb(230, 40, 40));
  c.Ellipse(40 * 1 + 20, 22, 6, 10, Rgb(80, 170, 255));
  c.Text(40 * 2 + 15, 8, "?", 4, Rgb(60, 60, 200));
  return c;
}

Canvas Sign(int w, int h, std::uint32_t colour, const std::string& text) {
  Canvas c(w, h);
  c.Bevel(0, 0, w, h, 2, colour);
  c.Label(2, 2, w - 4, h - 4, text, kWhite);
  return c;
}

// Pointing down, as attacks draw their picture along their flight.
Canvas Shot(int w, int h, std::uint32_t body, std::uint32_t nose) {
  Canvas c(w, h);
  c.Bevel(0, 0, w, h - w / 2, 1, body);
  c.Triangle(0, h - w / 2.0 - 1, w, h - w / 2.0 - 1, w / 2.0, h, nose);
  return c;
}

Canvas Round(int size, std::uint32_t colour) {
  Canvas c(size, size);
  c.Disc(size / 2.0, size / 2.0, size / 2.0, kInk);
  c.Disc(size / 2.0, size / 2.0, size / 2.0 - 2, colour);
  c.Disc(size / 2.0, size / 2.0, size / 6.0, Shade(colour, 150));   // a lamp in the middle
  return c;
}

// Tiles: kind (n + 1) x 10 in cell n; the block fills the 100-pixel cell plus a 6-pixel overlap.
Canvas TileSheet() {
  static const std::uint32_t kColours[11] = {
      Rgb(160, 100, 60),  Rgb(90, 95, 110),  Rgb(210, 180, 120), Rgb(90, 150, 80),  Rgb(230, 230, 230), Rgb(140, 140, 130),
      Rgb(230, 190, 40),  Rgb(200, 50, 40),  Rgb(150, 60, 200),  Rgb(150, 210, 230), Rgb(240, 130, 30)};
  Canvas c(640, 384);
  for (int n = 0; n < 11; ++n) {
    int x = 128 * (n % 5) + 8, y = 128 * (n / 5) + 8;
    c.Bevel(x, y, 112, 112, 6, kColours[n]);
    switch (n) {
      case 0:   // bricks
        for (int r = 1; r < 4; ++r) c.FillRect(x + 6, y + 28 * r, 100, 2, Shade(kColours[n], 60));
        break;
      case 1:   // steel with rivets
        for (int r : {14, 98})
          for (int q : {14, 98}) c.Disc(x + q, y + r, 4, Shade(kColours[n], 150));
        break;
      case 4: c.FillRect(x + 46, y + 26, 20, 60, Rgb(220, 30, 30)), c.FillRect(x + 26, y + 46, 60, 20, Rgb(220, 30, 30)); break;
      case 6: c.Disc(x + 56, y + 56, 26, Rgb(255, 230, 120)); break;
      case 7:   // hazard stripes
        for (int s = 0; s < 4; ++s) c.Line(x + 6 + s * 24, y + 106, x + 30 + s * 24, y + 6, 6, Rgb(255, 220, 0));
        break;
      case 8:   // spikes on every side
        for (int s = 0; s < 4; ++s) {
          c.Triangle(x + 6 + s * 25, y + 6, x + 31 + s * 25, y + 6, x + 18 + s * 25, y + 30, kWhite);
          c.Triangle(x + 6 + s * 25, y + 106, x + 31 + s * 25, y + 106, x + 18 + s * 25, y + 82, kWhite);
        }
        break;
      case 9:   // a lattice: attacks go through
        c.FillRect(x + 8, y + 8, 96, 96, kClear);
        for (int s = 0; s < 6; ++s) c.FillRect(x + 8 + s * 19, y + 8, 3, 96, kColours[n]), c.FillRect(x + 8, y + 8 + s * 19, 96, 3, kColours[n]);
        break;
      case 10:   // spikes underneath
        for (int s = 0; s < 4; ++s) c.Triangle(x + 6 + s * 25, y + 106, x + 31 + s * 25, y + 106, x + 18 + s * 25, y + 80, kWhite);
        break;
      default: break;
    }
  }
  return c;
}

struct WeaponPicture {
  const char* file;
  int length;   // pixels; the muzzle is on the left
  int height;
};

constexpr WeaponPicture kWeapons[23] = {
    {"brellik", 96, 32}, {"mg", 64, 22},  {"stg", 64, 22}, {"arf", 72, 22}, {"rl", 80, 26},  {"ml", 80, 28},
    {"gl", 64, 26},      {"pb", 72, 28},  {"aa", 68, 26},  {"hmg", 84, 30}, {"rc", 64, 26},  {"lr", 72, 24},
    {"atr", 96, 22},     {"atm", 84, 28}, {"bg", 68, 22},  {"sl", 72, 24},  {"gt", 72, 28},  {"cb", 72, 28},
    {"nb", 72, 28},      {"fm", 64, 28},  {"llc", 96, 30}, {"sbc", 96, 32}, {"ac", 96, 34},
};

Canvas WeaponSprite(int id) {
  const WeaponPicture& w = kWeapons[id];
  Canvas c(w.length, w.height);
  std::uint32_t colour = IndexColour(id, 3);
  if (id == 0) {   // the tool-weapon: a long shaft and a heavy head on the left
    c.Bevel(24, w.height / 2 - 4, w.length - 24, 8, 2, Rgb(170, 170, 190));
    c.Bevel(0, 0, 30, w.height, 3, Rgb(40, 150, 230));
    c.Bevel(w.length - 14, w.height / 2 - 7, 14, 14, 2, Rgb(230, 200, 60));
  } else {
    c.Bevel(0, w.height / 4, w.length * 2 / 3, w.height / 3, 1, Shade(colour, 80));      // barrel
    c.Bevel(w.length / 4, w.height / 8, w.length * 3 / 4, w.height / 2, 2, colour);     // body
    c.Bevel(w.length * 3 / 5, w.height / 2, w.length / 6, w.height / 2, 1, Shade(colour, 70));   // grip
  }
  return c;
}

}  // namespace

void AddEffectPictures(DataSet& set) {
  AddWithAlpha(set, "bmp\\effect\\expload1.bmp", ExplosionSheet());
  AddWithAlpha(set, "bmp\\effect\\light_b.bmp", LightSheet(Rgb(20, 60, 200), Rgb(150, 230, 255)));
  AddWithAlpha(set, "bmp\\effect\\light_r.bmp", LightSheet(Rgb(200, 30, 20), Rgb(255, 220, 150)));
  set.Add("bmp\\effect\\emotion1.bmp", Emotions().ToBmp());

  set.Add("bmp\\effect\\bullet.bmp", Shot(10, 22, Rgb(220, 180, 60), Rgb(240, 230, 200)).ToBmp());
  set.Add("bmp\\effect\\missile.bmp", Shot(16, 44, Rgb(150, 160, 150), Rgb(230, 60, 40)).ToBmp());
  set.Add("bmp\\effect\\needle.bmp", Shot(8, 34, Rgb(200, 200, 230), Rgb(255, 255, 255)).ToBmp());
  set.Add("bmp\\effect\\mine.bmp", Round(32, Rgb(120, 120, 60)).ToBmp());
  set.Add("bmp\\effect\\mine2.bmp", Round(24, Rgb(90, 140, 90)).ToBmp());
  set.Add("bmp\\effect\\bulletcharge.bmp", Round(24, Rgb(240, 160, 40)).ToBmp());
  set.Add("bmp\\effect\\energytank.bmp", Sign(30, 34, Rgb(40, 170, 90), "E").ToBmp());
  set.Add("bmp\\effect\\hit.bmp", Sign(80, 32, Rgb(230, 120, 20), "HIT").ToBmp());
  set.Add("bmp\\effect\\bonus.bmp", Sign(80, 24, Rgb(200, 60, 160), "BONUS").ToBmp());
  set.Add("bmp\\effect\\enemy.bmp", Sign(64, 32, Rgb(200, 40, 40), "ENEMY").ToBmp());
  set.Add("bmp\\effect\\rest.bmp", Sign(64, 32, Rgb(40, 160, 80), "REST").ToBmp());
  set.Add("bmp\\effect\\shop.bmp", Sign(64, 32, Rgb(220, 160, 30), "SHOP").ToBmp());
  set.Add("bmp\\effect\\help.bmp", Sign(64, 32, Rgb(60, 120, 230), "HELP").ToBmp());
  set.Add("bmp\\effect\\in.bmp", Sign(40, 24, Rgb(40, 200, 200), "IN").ToBmp());
  Canvas go(72, 40);
  go.Bevel(0, 0, 72, 40, 3, Rgb(250, 210, 30));
  go.Label(4, 4, 64, 32, "GO", Rgb(200, 30, 30));
  set.Add("bmp\\effect\\go.bmp", go.ToBmp());

  set.Add("bmp\\object\\object.bmp", TileSheet().ToBmp());
  for (int id = 0; id < 23; ++id)
    set.Add(std::string("bmp\\weapon\\") + kWeapons[id].file + ".bmp", WeaponSprite(id).ToBmp());
}

}  // namespace zelvo_datagen
