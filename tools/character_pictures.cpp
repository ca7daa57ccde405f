// The pictures of everything drawn from a motion table or as one sprite: the three walking figures
// part by part, the machines, and the enemy sprites of the stage sets.
#include <cstdio>
#include <string>

#include "canvas.h"
#include "data_set.h"
#include "figure_parts.h"

namespace zelvo_datagen {
namespace {

const FigureLook kHeroineLook = {Rgb(255, 214, 180), Rgb(200, 70, 40), Rgb(60, 110, 210), Rgb(40, 50, 100),
                                     Rgb(130, 80, 40)};
const FigureLook kSoldierLook = {Rgb(230, 190, 150), Rgb(70, 90, 50), Rgb(110, 120, 70), Rgb(80, 90, 50),
                                     Rgb(60, 50, 40)};
const FigureLook kCompanionLook = {Rgb(240, 200, 170), Rgb(240, 220, 90), Rgb(230, 130, 40), Rgb(90, 70, 60),
                                       Rgb(70, 70, 80)};

std::string NumberedPath(const char* folder, char letter, int n) {
  char path[64];
  std::snprintf(path, sizeof path, "bmp\\%s\\%c%03d.bmp", folder, letter, n);
  return path;
}

// A limb drawn upright: a capsule w x length with its joint at the top.
Canvas Limb(int w, int length, std::uint32_t colour) {
  Canvas c(w + 2, length + 2);
  c.FillRect(1, 1 + w / 2, w, length - w, kInk);
  c.Disc(1 + w / 2.0, 1 + w / 2.0, w / 2.0, kInk);
  c.Disc(1 + w / 2.0, 1 + length - w / 2.0, w / 2.0, kInk);
  c.FillRect(2, 1 + w / 2, w - 2, length - w, colour);
  c.Disc(1 + w / 2.0, 1 + w / 2.0, w / 2.0 - 1, colour);
  c.Disc(1 + w / 2.0, 1 + length - w / 2.0, w / 2.0 - 1, colour);
  return c;
}

Canvas FigurePart(int part, const FigureLook& look) {
  const PartSize size = kPartSizes[part];
  switch (part) {
    case kTorso: {
      Canvas c(size.width + 2, size.length + 2);
      c.Triangle(1, 1, size.width + 1, 1, size.width / 2.0 + 1, size.length + 1, kInk);
      c.FillRect(1, 1, size.width, size.length * 2 / 3, kInk);
      c.FillRect(3, 3, size.width - 4, size.length * 2 / 3 - 2, look.outfit);
      c.Triangle(3, 3, size.width - 1, 3, size.width / 2.0 + 1, size.length - 1, look.outfit);
      c.FillRect(size.width / 2 - 3, 1, 8, 4, look.skin);
      return c;
    }
    case kHead: {
      Canvas c(size.width + 2, size.length + 2);
      double r = size.width / 2.0;
      c.Disc(r + 1, r + 1, r, kInk);
      c.Disc(r + 1, r + 1, r - 1, look.skin);
      c.Ellipse(r - 2, r - 3, r - 3, r - 5, look.hair);   // hair over the back of the head
      c.FillRect(static_cast<int>(r + 5), static_cast<int>(r - 1), 3, 4, kInk);   // eye, facing right
      return c;
    }
    case kHair: return Limb(size.width, size.length, look.hair);
    case kHips: {
      Canvas c(size.width + 2, size.length + 2);
      c.Triangle(5, 1, size.width - 3, 1, size.width + 1, size.length + 1, kInk);
      c.Triangle(5, 1, 1, size.length + 1, size.width + 1, size.length + 1, kInk);
      c.Triangle(6, 2, size.width - 4, 2, size.width - 1, size.length, Shade(look.outfit, 70));
      c.Triangle(6, 2, 3, size.length, size.width - 1, size.length, Shade(look.outfit, 70));
      return c;
    }
    case kBackUpperArm:
    case kFrontUpperArm: return Limb(size.width, size.length, part == kBackUpperArm ? Shade(look.outfit, 75) : look.outfit);
    case kBackForearm:
    case kFrontForearm: return Limb(size.width, size.length, part == kBackForearm ? Shade(look.skin, 85) : look.skin);
    case kBackHand:
    case kFrontHand: {
      Canvas c(size.width + 2, size.length + 2);
      c.Disc(size.width / 2.0 + 1, size.length / 2.0 + 1, size.width / 2.0, kInk);
      c.Disc(size.width / 2.0 + 1, size.length / 2.0 + 1, size.width / 2.0 - 1, part == kBackHand ? Shade(look.skin, 85) : look.skin);
      return c;
    }
    case kBackThigh:
    case kFrontThigh:
    case kBackShin:
    case kFrontShin: {
      bool back = part == kBackThigh || part == kBackShin;
      return Limb(size.width, size.length, back ? Shade(look.legs, 75) : look.legs);
    }
    default: {   // feet: toe to the right, sole at the bottom
      Canvas c(size.width + 2, size.length + 2);
      std::uint32_t colour = part == kBackFoot ? Shade(look.boots, 75) : look.boots;
      c.FillRect(1, 1, size.width - 4, size.length, kInk);
      c.Ellipse(size.width - 4, size.length / 2.0 + 1, 5, size.length / 2.0, kInk);
      c.FillRect(2, 2, size.width - 5, size.length - 2, colour);
      c.Ellipse(size.width - 4, size.length / 2.0 + 1, 4, size.length / 2.0 - 1, colour);
      return c;
    }
  }
}

// A picture no motion assembles: a chip in the figure's colours.
Canvas SpareChip(const FigureLook& look) {
  Canvas c(18, 18);
  c.Bevel(0, 0, 18, 18, 2, look.hair);
  return c;
}

// What a figure's own picture number holds besides the body parts.
enum class Extra { kNone, kPicture, kNoFile };

void AddFigure(DataSet& set, const char* folder, char letter, int count, const FigureLook& look,
               Extra (*extra)(int number, Canvas* out)) {
  for (int n = 0; n < count; ++n) {
    Canvas picture(1, 1);
    Extra kind = extra != nullptr ? extra(n, &picture) : Extra::kNone;
    if (kind == Extra::kNoFile) continue;
    if (kind == Extra::kNone) picture = n < kFigurePartCount ? FigurePart(n, look) : SpareChip(look);
    set.Add(NumberedPath(folder, letter, n), picture.ToBmp());
  }
}

Extra HeroineExtra(int number, Canvas* out) {
  switch (number) {
    case kHeroineWeapon: return Extra::kNoFile;   // the weapon table's picture stands in
    case kHeroineGrip: {
      Canvas c(14, 14);
      c.Disc(7, 7, 6, kInk);
      c.Disc(7, 7, 5, kHeroineLook.skin);
      *out = c;
      return Extra::kPicture;
    }
    case kHeroineToolGlow: {
      Canvas c(24, 24);
      c.Disc(12, 12, 11, Rgb(40, 160, 255));
      c.Disc(12, 12, 7, Rgb(170, 230, 255));
      *out = c;
      return Extra::kPicture;
    }
    case kHeroineTrail: {
      Canvas c(64, 64);
      c.Ring(32, 40, 30, 22, Rgb(120, 220, 255));
      c.FillRect(0, 40, 64, 24, kClear);   // an upper arc: the sweep of the swing
      *out = c;
      return Extra::kPicture;
    }
    default: return Extra::kNone;
  }
}

Extra CompanionExtra(int number, Canvas* out) {
  if (number != kCompanionWrench) return Extra::kNone;
  Canvas c(12, 34);
  c.FillRect(4, 6, 4, 28, Rgb(180, 180, 190));
  c.Ring(6, 6, 6, 2.5, Rgb(180, 180, 190));
  c.FillRect(5, 0, 2, 4, kClear);
  *out = c;
  return Extra::kPicture;
}

// Machines face right; parts are centred on their own middle.
Canvas Hull(int w, int h, std::uint32_t colour) {
  Canvas c(w, h);
  c.Triangle(0, h * 0.45, w * 0.12, 0, w * 0.12, h - 1, Shade(colour, 70));
  c.Triangle(w - 1, h * 0.45, w * 0.85, 0, w * 0.85, h - 1, Shade(colour, 120));
  c.Bevel(static_cast<int>(w * 0.1), 0, static_cast<int>(w * 0.8), h, 3, colour);
  return c;
}

Canvas Tread(int w, int h, std::uint32_t colour) {
  Canvas c(w, h);
  c.Ellipse(w / 2.0, h / 2.0, w / 2.0, h / 2.0, kInk);
  c.Ellipse(w / 2.0, h / 2.0, w / 2.0 - 2, h / 2.0 - 2, Shade(colour, 60));
  for (int i = 0; i < 6; ++i) c.Disc(h / 2.0 + i * (w - h) / 5.0, h / 2.0, h / 2.0 - 5, colour);
  c.Disc(h / 2.0, h / 2.0, 3, kWhite);   // a marked wheel shows the tread's turning
  return c;
}

Canvas Barrel(int w, int h, std::uint32_t colour) {
  Canvas c(w, h);
  c.Bevel(0, h / 4, w - 6, h / 2, 1, colour);
  c.Bevel(w - 10, 0, 10, h, 2, Shade(colour, 120));
  return c;
}

Canvas Rotor(int w, int h) {
  Canvas c(w, h);
  c.Bevel(0, h / 2 - 2, w, 4, 1, Rgb(170, 170, 170));
  c.Bevel(w / 2 - 6, 0, 12, h, 2, Rgb(90, 90, 90));
  return c;
}

Canvas Pod(int size, std::uint32_t colour) {
  Canvas c(size, size);
  c.Disc(size / 2.0, size / 2.0, size / 2.0, kInk);
  c.Disc(size / 2.0, size / 2.0, size / 2.0 - 2, colour);
  c.Disc(size / 2.0, size / 2.0, size / 5.0, Rgb(255, 60, 60));
  return c;
}

// The boss: a tall computer with screens and blinking lamps.
Canvas Computer() {
  Canvas c(120, 260);
  c.Bevel(0, 0, 120, 260, 4, Rgb(90, 100, 120));
  for (int i = 0; i < 4; ++i) c.Bevel(14, 16 + i * 52, 92, 40, 2, Rgb(30, 150, 90));
  for (int i = 0; i < 6; ++i) c.Disc(20 + i * 16, 232, 5, IndexColour(i, 2));
  return c;
}

Canvas Truck() {
  Canvas c(320, 160);
  c.Bevel(0, 40, 220, 90, 4, Rgb(110, 120, 90));      // cargo box
  c.Bevel(224, 60, 90, 70, 4, Rgb(140, 150, 110));    // cab, to the right
  c.Bevel(260, 70, 40, 26, 2, Rgb(150, 200, 230));    // window
  for (int x : {50, 170, 270}) {
    c.Disc(x, 135, 22, kInk);
    c.Disc(x, 135, 12, Rgb(120, 120, 120));
  }
  return c;
}

Canvas AutoGun() {   // faces left
  Canvas c(56, 40);
  c.Bevel(12, 14, 40, 26, 3, Rgb(120, 130, 150));
  c.Bevel(0, 18, 20, 8, 1, Rgb(80, 80, 90));
  c.Disc(32, 16, 12, Rgb(150, 160, 180));
  return c;
}

}  // namespace

void AddCharacterPictures(DataSet& set) {
  AddFigure(set, "chara00", 'a', kHeroinePictures, kHeroineLook, HeroineExtra);
  AddFigure(set, "chara01", 'b', kSoldierPictures - 1, kSoldierLook, nullptr);
  AddFigure(set, "chara02", 'c', kCompanionPictures, kCompanionLook, CompanionExtra);

  // The cannon machine: its body, and the front piece that the hover set also lends.
  Canvas cannon(100, 60);
  cannon.Bevel(10, 20, 80, 34, 4, Rgb(100, 130, 100));
  cannon.Disc(30, 52, 10, kInk);
  cannon.Disc(70, 52, 10, kInk);
  cannon.Bevel(40, 0, 50, 22, 3, Rgb(130, 160, 130));
  set.Add("bmp\\chara03\\canon.bmp", cannon.ToBmp());

  const std::uint32_t tank = Rgb(90, 120, 80);
  set.Add(NumberedPath("chara04", 'e', 0), Hull(200, 56, tank).ToBmp());
  set.Add(NumberedPath("chara04", 'e', 1), Hull(96, 40, Shade(tank, 120)).ToBmp());
  set.Add(NumberedPath("chara04", 'e', 2), Tread(220, 40, Rgb(80, 80, 80)).ToBmp());
  set.Add(NumberedPath("chara04", 'e', 3), Barrel(110, 16, Shade(tank, 110)).ToBmp());

  const std::uint32_t hover = Rgb(90, 110, 150);
  set.Add(NumberedPath("chara05", 'f', 1), Tread(180, 30, hover).ToBmp());
  Canvas fan(50, 50);
  fan.Ring(25, 25, 25, 19, hover);
  fan.Line(8, 8, 42, 42, 5, Rgb(200, 200, 220));
  fan.Line(8, 42, 42, 8, 5, Rgb(200, 200, 220));
  set.Add(NumberedPath("chara05", 'f', 2), fan.ToBmp());
  set.Add(NumberedPath("chara05", 'f', 3), Barrel(64, 28, Rgb(120, 150, 120)).ToBmp());

  const std::uint32_t heli = Rgb(120, 130, 90);
  set.Add(NumberedPath("chara06", 'g', 0), Hull(150, 60, heli).ToBmp());
  set.Add(NumberedPath("chara06", 'g', 1), Rotor(220, 12).ToBmp());
  set.Add(NumberedPath("chara06", 'g', 2), Barrel(90, 20, Shade(heli, 80)).ToBmp());
  set.Add(NumberedPath("chara06", 'g', 3), Rotor(120, 10).ToBmp());

  set.Add("bmp\\enemy\\autogun.bmp", AutoGun().ToBmp());
  set.Add("bmp\\enemy\\computer.bmp", Computer().ToBmp());
  set.Add("bmp\\enemy\\cguard.bmp", Pod(48, Rgb(150, 150, 170)).ToBmp());
  set.Add("bmp\\enemy\\track.bmp", Truck().ToBmp());
  const std::uint32_t red = Rgb(170, 70, 60);
  set.Add("bmp\\enemy\\rtank1.bmp", Hull(200, 56, red).ToBmp());
  set.Add("bmp\\enemy\\rtank2.bmp", Hull(96, 40, Shade(red, 120)).ToBmp());
  set.Add("bmp\\enemy\\rhober.bmp", Hull(180, 56, Rgb(170, 90, 140)).ToBmp());
  set.Add("bmp\\enemy\\rheli.bmp", Hull(150, 60, Rgb(180, 120, 60)).ToBmp());
}

}  // namespace zelvo_datagen
