// The pictures under bmp\system: the HUD furniture, the door pieces, the digit strip, the window
// frame pieces and the title, shop and mission screens' sprites.
#include <cmath>
#include <string>

#include "canvas.h"
#include "data_set.h"

namespace zelvo_datagen {
namespace {

const std::uint32_t kFrame = Rgb(90, 200, 230);

std::string FramePath(int n) { return "bmp\\system\\flame0" + std::to_string(n) + ".bmp"; }

// Frame pieces on the 20-pixel grid: the window's top and left sides and its tab. The window's box
// reaches 10 pixels into the end pieces' cells, so the ends stop there: a window drawn up to the
// screen's edge keeps its ends on the screen.
Canvas FramePiece(int n) {
  Canvas c(20, 20);
  switch (n) {
    case 0: c.FillRect(8, 8, 12, 4, kFrame), c.FillRect(8, 8, 4, 12, kFrame), c.Disc(10, 10, 4, kWhite); break;
    case 1: c.FillRect(0, 8, 20, 4, kFrame); break;
    case 2: c.FillRect(0, 8, 10, 4, kFrame), c.Disc(7, 10, 3, kWhite); break;
    case 3: c.FillRect(8, 0, 4, 20, kFrame); break;
    case 4: c.FillRect(8, 0, 4, 10, kFrame), c.Disc(10, 7, 3, kWhite); break;
    case 5: c.FillRect(8, 8, 12, 12, Shade(kFrame, 60)), c.FillRect(8, 8, 12, 3, kFrame); break;
    case 6: c.FillRect(0, 8, 20, 12, Shade(kFrame, 60)), c.FillRect(0, 8, 20, 3, kFrame); break;
    case 7: c.FillRect(0, 8, 12, 12, Shade(kFrame, 60)), c.FillRect(0, 8, 12, 3, kFrame); break;
    default:   // the menus' pointer: an arrow to the right
      c.Triangle(2, 2, 18, 10, 2, 18, Rgb(255, 220, 60));
      break;
  }
  return c;
}

// Cells 0-9 the digits, then the prefix glyphs "+", "-", "/" and ":" (white, tinted when drawn).
Canvas DigitStrip() {
  static const char kGlyphs[] = "0123456789+-/:";
  Canvas c(420, 40);
  for (int i = 0; i < 14; ++i) c.TextCentred(30 * i + 15, 20, std::string(1, kGlyphs[i]), 6, kWhite);
  return c;
}

Canvas Plate(int w, int h, std::uint32_t colour, const std::string& text) {
  Canvas c(w, h);
  c.Bevel(0, 0, w, h, 3, colour);
  c.Label(4, 4, w - 8, h - 8, text, kWhite);
  return c;
}

// A title word in big letters with a dark rim.
Canvas Title(int w, int h, std::uint32_t colour, const std::string& text) {
  Canvas c(w, h);
  c.Label(0, 0, w, h, text, colour);
  return c;
}

Canvas Cloud(int w, int h, int seed) {
  Canvas c(w, h);
  for (int i = 0; i < 6; ++i) {
    double cx = w * (0.2 + 0.12 * i), cy = h * (0.55 - 0.15 * ((i + seed) % 3 == 0));
    c.Ellipse(cx, cy, w * 0.18, h * 0.35, Rgb(200, 205, 215));
  }
  for (int i = 0; i < 5; ++i) c.Ellipse(w * (0.25 + 0.12 * i), h * 0.5, w * 0.13, h * 0.27, Rgb(240, 242, 248));
  return c;
}

Canvas Carrier() {   // a transport plane flying to the right
  Canvas c(480, 160);
  const std::uint32_t body = Rgb(120, 130, 140);
  c.Ellipse(240, 90, 220, 34, body);
  c.Triangle(20, 90, 70, 10, 110, 90, Shade(body, 80));       // tail fin
  c.Triangle(170, 90, 300, 90, 200, 150, Shade(body, 70));    // wing
  c.Bevel(390, 72, 50, 16, 2, Rgb(150, 200, 230));            // cockpit
  for (int x = 150; x < 370; x += 30) c.Bevel(x, 78, 14, 10, 1, Rgb(150, 200, 230));   // portholes
  return c;
}

Canvas ShopGirl() {   // a shopkeeper portrait: head, hair, apron
  Canvas c(260, 360);
  c.Ellipse(130, 300, 110, 90, Rgb(240, 140, 160));
  c.Ellipse(130, 300, 60, 80, Rgb(250, 250, 240));
  c.Disc(130, 130, 80, Rgb(120, 70, 40));
  c.Disc(130, 150, 62, Rgb(255, 220, 190));
  c.FillRect(100, 140, 10, 14, kInk);
  c.FillRect(150, 140, 10, 14, kInk);
  c.Line(112, 185, 148, 185, 4, Rgb(200, 80, 80));
  return c;
}

Canvas StatusBase() {   // the weapon wheel's base
  Canvas c(140, 140);
  c.Disc(70, 70, 68, kInk);
  c.Ring(70, 70, 66, 50, Rgb(60, 90, 130));
  c.Ring(70, 70, 50, 44, kFrame);
  for (int i = 0; i < 8; ++i) {
    double a = i * M_PI / 4;
    c.Line(70 + 46 * std::sin(a), 70 + 46 * std::cos(a), 70 + 66 * std::sin(a), 70 + 66 * std::cos(a), 3, kFrame);
  }
  return c;
}

Canvas DoorBase() {   // the frame around the doorway, centred on the door
  Canvas c(100, 200);
  c.Bevel(0, 0, 100, 200, 4, Rgb(110, 110, 120));
  c.FillRect(20, 60, 60, 120, kClear);   // the doorway (where the leaf slides)
  c.Bevel(30, 14, 40, 30, 2, Rgb(60, 200, 120));   // the lamp over the doorway
  return c;
}

Canvas DoorTop() {   // the hinged flap; it turns about (90, 40)
  Canvas c(100, 50);
  c.Bevel(0, 10, 100, 36, 3, Rgb(180, 150, 60));
  c.Disc(90, 40, 6, Rgb(90, 90, 90));
  return c;
}

}  // namespace

void AddSystemPictures(DataSet& set) {
  for (int n = 0; n < 9; ++n) set.Add(FramePath(n), FramePiece(n).ToBmp());
  Canvas hpbar(40, 20);
  hpbar.FrameRect(0, 0, 40, 20, 2, Rgb(230, 230, 230));
  hpbar.FillRect(38, 4, 2, 12, Rgb(120, 120, 120));
  set.Add("bmp\\system\\hpbar.bmp", hpbar.ToBmp());
  set.Add("bmp\\system\\number.bmp", DigitStrip().ToBmp());
  set.Add("bmp\\system\\statusbase.bmp", StatusBase().ToBmp());
  // The window of the weapon in hand ends where the HUD's weapon and ammunition do, above the
  // equipment screen's skill panel.
  Canvas display(120, 72);
  display.FrameRect(0, 0, 120, 72, 4, kFrame);
  display.FillRect(4, 4, 112, 14, Shade(kFrame, 60));
  display.Text(8, 7, "WEAPON", 1, kWhite);
  set.Add("bmp\\system\\statusweapondisp.bmp", display.ToBmp());
  set.Add("bmp\\system\\statusweaponnum.bmp", Plate(44, 64, Rgb(50, 70, 110), "").ToBmp());
  set.Add("bmp\\system\\doorbase.bmp", DoorBase().ToBmp());
  set.Add("bmp\\system\\doorbottom.bmp", Plate(110, 16, Rgb(90, 90, 100), "").ToBmp());
  set.Add("bmp\\system\\doortop.bmp", DoorTop().ToBmp());
  Canvas leaf = Plate(60, 120, Rgb(150, 120, 80), "");
  for (int y = 20; y < 120; y += 20) leaf.FillRect(6, y, 48, 2, Rgb(110, 85, 55));   // slats
  set.Add("bmp\\system\\doordoor.bmp", leaf.ToBmp());

  set.Add("bmp\\system\\quorvane.bmp", Title(400, 100, Rgb(120, 200, 255), "QUORVANE").ToBmp());
  Canvas titleBack(380, 460);
  titleBack.Gradient(0, 0, 380, 460, Rgb(40, 60, 120), Rgb(200, 120, 90));
  titleBack.Disc(190, 200, 120, Rgb(250, 200, 120));
  set.Add("bmp\\system\\titleback.bmp", titleBack.ToBmp());
  Canvas titleLogo = Title(360, 120, Rgb(255, 210, 60), "HORUNDEL");
  titleLogo.TextCentred(180, 108, "TRIAL", 2, kWhite);
  set.Add("bmp\\system\\titlelogo.bmp", titleLogo.ToBmp());
  Canvas tile(200, 200, Rgb(30, 40, 70));
  for (int i = 0; i < 200; i += 20) tile.FillRect(i, 0, 2, 200, Rgb(45, 60, 100)), tile.FillRect(0, i, 200, 2, Rgb(45, 60, 100));
  set.Add("bmp\\system\\sback.bmp", tile.ToBmp());
  set.Add("bmp\\system\\shopgirl.bmp", ShopGirl().ToBmp());

  Canvas warning(480, 80);
  for (int i = -80; i < 480; i += 40) warning.Triangle(i, 80, i + 20, 80, i + 60, 0, Rgb(230, 200, 0)), warning.Triangle(i, 80, i + 40, 0, i + 60, 0, Rgb(230, 200, 0));
  warning.Label(20, 10, 440, 60, "WARNING", Rgb(230, 40, 30));
  set.Add("bmp\\system\\warning.bmp", warning.ToBmp());
  set.Add("bmp\\system\\mission.bmp", Title(320, 64, Rgb(240, 240, 255), "MISSION").ToBmp());
  set.Add("bmp\\system\\start.bmp", Title(240, 64, Rgb(120, 255, 140), "START").ToBmp());
  set.Add("bmp\\system\\complete.bmp", Title(320, 64, Rgb(255, 220, 80), "COMPLETE").ToBmp());
  set.Add("bmp\\system\\failed.bmp", Title(240, 64, Rgb(255, 80, 80), "FAILED").ToBmp());
  set.Add("bmp\\system\\carrier.bmp", Carrier().ToBmp());
  set.Add("bmp\\system\\croud1.bmp", Cloud(240, 120, 1).ToBmp());
  set.Add("bmp\\system\\croud2.bmp", Cloud(200, 100, 2).ToBmp());
  set.Add("bmp\\system\\croud3.bmp", Cloud(160, 80, 3).ToBmp());
  set.Add("bmp\\system\\clearbonus.bmp", Title(240, 32, kWhite, "CLEAR BONUS").ToBmp());
  set.Add("bmp\\system\\cleartime.bmp", Title(240, 32, kWhite, "CLEAR TIME").ToBmp());
  set.Add("bmp\\system\\maxhit.bmp", Title(240, 32, kWhite, "MAX HIT").ToBmp());
  set.Add("bmp\\system\\totalscore.bmp", Title(240, 32, kWhite, "TOTAL SCORE").ToBmp());
  set.Add("bmp\\system\\newrecord.bmp", Plate(200, 48, Rgb(220, 40, 40), "NEW RECORD").ToBmp());
  set.Add("bmp\\system\\rescue.bmp", Plate(256, 64, Rgb(40, 150, 90), "RESCUE").ToBmp());
}

}  // namespace zelvo_datagen
