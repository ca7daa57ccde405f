// The six motion files. A walking figure's poses are built from joint angles (forward kinematics
// over the parts of figure_parts.h), so every motion assembles the same recognisable body; the
// machines move a handful of rigid parts. Motions come in ranges: inside a range each motion
// leads to the next, and the last one loops back to the first or holds, as the game plays them.
#include <cmath>
#include <cstdio>
#include <functional>
#include <string>
#include <vector>

#include "data_set.h"
#include "figure_parts.h"

namespace zelvo_datagen {
namespace {

struct Part {
  int picture;
  double x, y;
  double angle;   // radians, clockwise on screen
  int mirror;
};

struct Motion {
  int duration = 1;
  int next = 0;
  std::vector<Part> parts;
};

double Rad(double degrees) { return degrees * M_PI / 180.0; }

// Joint angles in degrees. Limb angles are forward swings of the whole limb: 0 hangs down, 90
// points ahead, 180 straight up (the figure faces right). spin turns the whole figure clockwise.
struct Pose {
  double x = 0, y = 0;           // hip offset from the figure's normal place
  double lean = 0, head = 0;     // torso forward lean, head tilt
  double backArm = -10, backElbow = 10, frontArm = 15, frontElbow = 30;
  double backLeg = -8, backKnee = -12, frontLeg = 8, frontKnee = 2;
  double item = 120;             // direction the held item points
  double spin = 0;
  double trail = -1;             // swing trail angle, below 0 for none
};

// What the figure holds: nothing, the tool-weapon (weapon picture plus its grip and glow), or a gun.
enum class Held { kNone, kTool, kGun };

struct FigureRig {
  int weaponPicture;   // -1 when the figure has none
  int gripPicture;     // -1 when none
  int glowPicture;
  int trailPicture;
};

struct Point {
  double x, y;
};

Point Along(Point from, double swingDegrees, double length) {
  return {from.x + std::sin(Rad(swingDegrees)) * length, from.y + std::cos(Rad(swingDegrees)) * length};
}

std::vector<Part> BuildFigure(const Pose& p, Held held, const FigureRig& rig) {
  std::vector<Part> parts;
  auto limb = [&](int picture, Point joint, double swing) {
    Point mid = Along(joint, swing, kPartSizes[picture].length / 2.0);
    parts.push_back({picture, mid.x, mid.y, -Rad(swing), 0});
    return Along(joint, swing, kPartSizes[picture].length);
  };
  const Point hip = {p.x, p.y - 2};   // feet about 50 below the centre, on the box's floor at scale 0.8
  const Point shoulder = {hip.x + std::sin(Rad(p.lean)) * 28, hip.y - std::cos(Rad(p.lean)) * 28};
  const Point neck = {hip.x + std::sin(Rad(p.lean)) * 40, hip.y - std::cos(Rad(p.lean)) * 40};

  // Hair and back limbs first, then the body, then the front limbs over it.
  parts.push_back({kHair, neck.x - 10, neck.y + 4, Rad(p.lean * 0.5 + 20), 0});
  Point backElbow = limb(kBackUpperArm, shoulder, p.backArm);
  Point backWrist = limb(kBackForearm, backElbow, p.backElbow);
  parts.push_back({kBackHand, backWrist.x, backWrist.y, 0, 0});
  Point backKnee = limb(kBackThigh, hip, p.backLeg);
  Point backAnkle = limb(kBackShin, backKnee, p.backKnee);
  parts.push_back({kBackFoot, backAnkle.x + 4, backAnkle.y + 2, Rad(p.backKnee) * 0.3, 0});
  Point torsoMid = {(hip.x + shoulder.x) / 2 + std::sin(Rad(p.lean)) * 2, (hip.y + shoulder.y) / 2 - 2};
  parts.push_back({kTorso, torsoMid.x, torsoMid.y, Rad(p.lean), 0});
  parts.push_back({kHips, hip.x, hip.y + 4, Rad(p.lean * 0.3), 0});
  Point frontKnee = limb(kFrontThigh, hip, p.frontLeg);
  Point frontAnkle = limb(kFrontShin, frontKnee, p.frontKnee);
  parts.push_back({kFrontFoot, frontAnkle.x + 4, frontAnkle.y + 2, Rad(p.frontKnee) * 0.3, 0});
  parts.push_back({kHead, neck.x + 1, neck.y - 10, Rad(p.lean + p.head), 0});

  Point frontElbow = Along(shoulder, p.frontArm, kPartSizes[kFrontUpperArm].length);
  Point frontWrist = Along(frontElbow, p.frontElbow, kPartSizes[kFrontForearm].length);
  if (held != Held::kNone && rig.weaponPicture >= 0) {
    // Weapon pictures point left; mirrored they point ahead, then turn to the item direction.
    Point centre = Along(frontWrist, p.item, held == Held::kTool ? 26 : 16);
    parts.push_back({rig.weaponPicture, centre.x, centre.y, Rad(90 - p.item), 1});
    if (held == Held::kTool && rig.glowPicture >= 0) {
      Point tip = Along(frontWrist, p.item, 50);
      parts.push_back({rig.glowPicture, tip.x, tip.y, 0, 0});
    }
    if (held == Held::kTool && rig.trailPicture >= 0 && p.trail >= 0) {
      Point arc = Along(frontWrist, p.trail, 30);
      parts.push_back({rig.trailPicture, arc.x, arc.y, -Rad(p.trail) + M_PI, 0});
    }
  }
  limb(kFrontUpperArm, shoulder, p.frontArm);
  limb(kFrontForearm, frontElbow, p.frontElbow);
  parts.push_back({kFrontHand, frontWrist.x, frontWrist.y, 0, 0});
  if (held == Held::kTool && rig.gripPicture >= 0) parts.push_back({rig.gripPicture, frontWrist.x, frontWrist.y, 0, 0});

  if (p.spin != 0) {   // turn the whole figure about its centre
    double s = std::sin(Rad(p.spin)), c = std::cos(Rad(p.spin));
    for (Part& part : parts) {
      double x = part.x * c - part.y * s, y = part.x * s + part.y * c;
      part.x = x, part.y = y, part.angle += Rad(p.spin);
    }
  }
  return parts;
}

// Key poses of the walking figures.
Pose Stand(double breath) {
  Pose p;
  p.y = breath;
  p.backArm = -12 - breath, p.frontArm = 12 + breath, p.frontElbow = 40;
  p.item = 150;
  return p;
}

Pose Run(double phase, double lean, double stride) {
  double s = std::sin(phase * 2 * M_PI);
  Pose p;
  p.y = std::fabs(std::cos(phase * 2 * M_PI)) * 3;
  p.lean = lean;
  p.frontLeg = stride * s, p.frontKnee = stride * s - 20 - 20 * std::max(0.0, -s);
  p.backLeg = -stride * s, p.backKnee = -stride * s - 20 - 20 * std::max(0.0, s);
  p.frontArm = -30 * s + 10, p.frontElbow = -30 * s + 70;
  p.backArm = 30 * s, p.backElbow = 30 * s + 60;
  p.item = 100 - 20 * s;
  return p;
}

// Aiming a gun with both hands along the aim (90 ahead, 180 up, 0 down).
Pose Aim(Pose base, double aim) {
  base.frontArm = aim - 10, base.frontElbow = aim;
  base.backArm = aim - 25, base.backElbow = aim - 5;
  base.item = aim;
  base.lean = 5 - (aim - 90) * 0.05;
  return base;
}

Pose Crouch(double depth) {
  Pose p;
  p.y = depth;
  p.lean = depth * 0.8;
  p.frontLeg = 20 + depth * 2, p.frontKnee = -depth * 2;
  p.backLeg = -10 + depth, p.backKnee = -20 - depth * 2;
  return p;
}

Pose Jump(double tuck) {
  Pose p;
  p.y = -tuck * 0.2;
  p.frontLeg = 30 + tuck, p.frontKnee = -20 - tuck;
  p.backLeg = -5 + tuck * 0.5, p.backKnee = -40 - tuck;
  p.frontArm = 60 + tuck, p.frontElbow = 100;
  p.backArm = -40, p.backElbow = 0;
  p.item = 160;
  return p;
}

Pose Swing(double from, double to, double t, double lean) {
  double a = from + (to - from) * t;
  Pose p = Crouch(6);
  p.lean = lean;
  p.frontArm = a - 20, p.frontElbow = a;
  p.backArm = -30 + a * 0.2, p.backElbow = 20;
  p.item = a;
  p.trail = a;
  return p;
}

Pose Lying(double lift) {
  Pose p;
  p.spin = -90 + lift;
  p.y = 30 - lift * 0.3;
  p.frontArm = 120, p.frontElbow = 150, p.backArm = 160, p.backElbow = 170;
  p.frontLeg = 10, p.frontKnee = 0;
  return p;
}

Pose Kick(double reach, double lean) {
  Pose p;
  p.lean = lean;
  p.frontLeg = reach, p.frontKnee = reach;
  p.backLeg = -20, p.backKnee = -60;
  p.frontArm = -30, p.frontElbow = 10, p.backArm = 60, p.backElbow = 90;
  return p;
}

using PoseAt = std::function<Pose(double t)>;

struct Range {
  int first, last;
  bool loop;       // the last motion leads back to the first; otherwise it holds
  int duration;    // ticks per motion
  Held held;
  PoseAt pose;     // t runs 0 .. 1 over the range (below 1 for loops)
};

void PutRange(std::vector<Motion>& motions, const Range& r, const FigureRig& rig) {
  int count = r.last - r.first + 1;
  for (int i = 0; i < count; ++i) {
    double t = r.loop ? static_cast<double>(i) / count : (count == 1 ? 1.0 : static_cast<double>(i) / (count - 1));
    Motion& m = motions[r.first + i];
    m.duration = r.duration;
    m.next = i + 1 < count ? r.first + i + 1 : (r.loop ? r.first : r.last);
    m.parts = BuildFigure(r.pose(t), r.held, rig);
  }
}

// Every motion number up to `count` gets a pose; those no state plays stand idle and hold.
std::vector<Motion> FigureMotions(int count, const std::vector<Range>& ranges, const FigureRig& rig) {
  std::vector<Motion> motions(count);
  for (int n = 0; n < count; ++n) PutRange(motions, {n, n, false, 30, Held::kTool, [](double) { return Stand(0); }}, rig);
  for (const Range& r : ranges) PutRange(motions, r, rig);
  return motions;
}

std::vector<Motion> HeroineMotions() {
  const FigureRig rig = {kHeroineWeapon, kHeroineGrip, kHeroineToolGlow, kHeroineTrail};
  const Held T = Held::kTool, G = Held::kGun;
  auto aimStand = [](double aim) { return [aim](double t) { return Aim(Stand(std::sin(t * 2 * M_PI)), aim); }; };
  auto aimAir = [](double aim) { return [aim](double) { return Aim(Jump(10), aim); }; };
  auto spin = [](double turns) { return [turns](double t) { Pose p = Jump(30); p.spin = -360 * turns * t; return p; }; };
  std::vector<Range> ranges = {
      {0, 7, true, 8, T, [](double t) { return Stand(std::sin(t * 2 * M_PI) * 1.5); }},
      {8, 27, true, 2, T, [](double t) { return Run(t, 12, 40); }},
      {28, 34, true, 3, T, [](double t) { Pose p = Run(0.25, 30, 55); p.y += std::sin(t * 2 * M_PI); return p; }},
      {36, 40, false, 3, T, [](double t) { Pose p = Crouch(10 - 6 * t); p.lean = -15 + 15 * t; return p; }},
      {41, 47, false, 3, T, [](double t) { return Jump(10 + 30 * t); }},
      {48, 53, false, 4, T, [](double t) { Pose p = Jump(40 - 35 * t); p.frontArm = 120, p.backArm = -80; return p; }},
      {54, 60, true, 6, G, aimStand(90)},
      {61, 68, true, 3, G, [](double t) { return Aim(Run(t, 5, 30), 90); }},
      {69, 73, true, 3, G, [](double) { return Aim(Run(0.25, 25, 50), 90); }},
      {74, 78, false, 3, G, aimAir(90)},
      {79, 86, true, 3, G, [](double t) { return Aim(Run(1 - t, -5, 25), 90); }},
      {87, 91, true, 3, G, [](double) { return Aim(Run(0.75, -15, 45), 90); }},
      {92, 100, false, 3, T, [](double t) { return Swing(40, 140, t, 10); }},
      {101, 108, false, 4, T, [](double t) { return Swing(150, 30, t, 15); }},
      {109, 114, false, 8, T, [](double t) { return Swing(200, 60, t, 25); }},
      {123, 129, false, 4, T, [](double t) { Pose p = Swing(60, 200, t, -10); p.y = -10 * t; return p; }},
      {130, 137, false, 4, T, [](double t) { Pose p = Jump(20 - 15 * t); p.item = 190; return p; }},
      {138, 159, true, 2, T, [](double t) { Pose p = Swing(90, 90, 0, 10); p.spin = 360 * t; return p; }},
      {160, 177, false, 2, T, [](double t) { Pose p = Swing(180, 20, t, 20); p.spin = -180 * t; return p; }},
      {178, 185, false, 3, Held::kNone, [](double t) { Pose p = Stand(0); p.frontArm = 140 - 100 * t, p.frontElbow = 120 - 80 * t; p.lean = 20 * (1 - t); return p; }},
      {186, 192, false, 4, T, [](double t) { Pose p = Stand(0); p.frontArm = p.backArm = 60 + 110 * t; p.frontElbow = p.backElbow = 80 + 100 * t; return p; }},
      {193, 203, false, 3, T, [](double t) { Pose p = Swing(-60, 200, t, -20); return p; }},
      {204, 212, false, 3, T, [](double t) { Pose p = Jump(20); p.spin = -40 * t; p.lean = -20; p.frontArm = p.backArm = 150; return p; }},
      {213, 218, false, 3, G, [](double t) { Pose p = Aim(Stand(0), 90); p.x = -4 * std::sin(t * M_PI); p.lean = 5 - 10 * std::sin(t * M_PI); return p; }},
      {219, 227, false, 3, G, [](double t) { return Aim(Stand(0), 90 - 50 * std::sin(t * M_PI)); }},
      {232, 232, false, 30, T, [](double) { return Lying(0); }},
      {249, 259, true, 3, T, [](double t) { Pose p = Stand(0); p.frontArm = p.backArm = 90; p.frontElbow = p.backElbow = 90; p.lean = -15; p.spin = 10 * std::sin(t * 2 * M_PI); return p; }},
      {260, 267, false, 4, T, [](double t) { Pose p = Stand(0); p.frontArm = 60 + 120 * t; p.frontElbow = 80 + 100 * t; p.item = 180; return p; }},
      {268, 280, true, 6, T, [](double t) { Pose p = Stand(0); p.frontArm = 180; p.frontElbow = 180 + 10 * std::sin(t * 2 * M_PI); p.item = 180; return p; }},
      {281, 287, false, 4, T, [](double t) { Pose p = Stand(0); p.frontArm = 40 + 100 * std::sin(t * M_PI); p.frontElbow = 60 + 110 * std::sin(t * M_PI); p.head = -10; return p; }},
      {288, 288, false, 30, T, [](double) { return Stand(0); }},
      {289, 289, false, 30, T, [](double) { Pose p = Jump(20); p.frontArm = -150; p.backArm = -160; p.lean = -10; return p; }},
      {290, 290, false, 30, G, [](double) { Pose p = Jump(20); p.backArm = -150; return Aim(p, 90); }},
      {291, 300, false, 3, T, [](double) { Pose p = Kick(80, -40); p.y = 20; return p; }},
      {301, 309, false, 3, T, [](double t) { return Kick(70 + 20 * t, -30); }},
      {310, 324, true, 2, T, spin(1)},
      {325, 331, true, 2, T, [](double t) { Pose p = Jump(35); p.spin = -360 * t; return p; }},
      {332, 337, true, 2, T, [](double t) { Pose p = Jump(40); p.spin = -360 * t; return p; }},
      {338, 357, true, 1, T, spin(2)},
      {358, 358, false, 6, G, aimStand(180)},
      {359, 359, false, 6, G, aimStand(0)},
      {360, 360, false, 6, G, aimAir(180)},
      {361, 361, false, 6, G, aimAir(0)},
      {362, 369, false, 5, G, [](double t) { Pose p = Aim(Jump(20), 90 + 60 * t); return p; }},
  };
  std::vector<Motion> motions = FigureMotions(370, ranges, rig);
  motions[287].next = 288;   // the hangar salute ends standing
  return motions;
}

std::vector<Motion> SoldierMotions() {
  const FigureRig rig = {kSoldierWeapon, -1, -1, -1};
  const Held G = Held::kGun;
  std::vector<Range> ranges = {
      {0, 11, true, 6, G, [](double t) { return Aim(Stand(std::sin(t * 2 * M_PI)), 60); }},
      {12, 30, true, 2, G, [](double t) { return Aim(Run(t, 8, 35), 70); }},
      {31, 41, false, 3, G, [](double t) { Pose p = Aim(Crouch(4 + 8 * t), 60); p.lean = -10 * t; return p; }},
      {42, 47, false, 3, G, [](double t) { Pose p = Aim(Run(0.25, 30, 50), 90); p.x = 6 * t; return p; }},
      {48, 57, false, 2, G, [](double t) { Pose p = Aim(Stand(0), 40); p.lean = -25 * std::sin(t * M_PI); return p; }},
      {58, 63, true, 2, G, [](double t) { Pose p = Jump(25); p.spin = -360 * t; return p; }},
      {64, 64, false, 30, G, [](double) { return Lying(0); }},
      {65, 70, false, 3, G, [](double t) { return Lying(90 * t); }},
      {71, 75, false, 2, G, [](double t) { Pose p = Aim(Stand(0), 90); p.x = -3 * std::sin(t * M_PI); return p; }},
      {76, 85, true, 2, Held::kNone, [](double t) { Pose p = Run(t, 20, 45); p.frontArm = p.backArm = 170; p.frontElbow = p.backElbow = 190; return p; }},
      {86, 86, false, 30, Held::kNone, [](double) { Pose p = Stand(0); p.frontArm = p.backArm = 150; p.lean = -15; return p; }},
  };
  return FigureMotions(87, ranges, rig);
}

std::vector<Motion> CompanionMotions() {
  const FigureRig rig = {kCompanionWrench, -1, -1, -1};
  const Held T = Held::kTool;
  std::vector<Range> ranges = {
      {0, 0, false, 40, T, [](double) { return Stand(0); }},
      {1, 8, false, 4, T, [](double t) { Pose p = Stand(0); p.frontArm = 160; p.frontElbow = 170 + 30 * std::sin(t * 4 * M_PI); return p; }},
      {32, 32, false, 40, T, [](double) { Pose p = Stand(0); p.frontArm = 90; p.frontElbow = 110; p.item = 100; return p; }},
      {33, 33, false, 40, T, [](double) { Pose p = Stand(1); p.frontArm = -40; p.frontElbow = 60; p.backArm = 30; return p; }},
  };
  std::vector<Motion> motions = FigureMotions(34, ranges, rig);
  motions[8].next = 0;   // the wave ends back in the idle pose
  return motions;
}

struct MachineRange {
  int first, last;
  bool loop;
  int duration;
};

// Machines: a few rigid pictures; the motion number animates treads, rotors and recoil.
std::vector<Motion> MachineMotions(int count, const std::function<std::vector<Part>(int motion)>& partsOf,
                                   const std::vector<MachineRange>& ranges) {
  std::vector<Motion> motions(count);
  for (int n = 0; n < count; ++n) motions[n] = {30, n, partsOf(0)};
  for (const MachineRange& r : ranges)
    for (int n = r.first; n <= r.last; ++n) {
      motions[n].duration = r.duration;
      motions[n].next = n < r.last ? n + 1 : (r.loop ? r.first : r.last);
      motions[n].parts = partsOf(n);
    }
  return motions;
}

std::vector<Motion> TankMotions() {
  auto parts = [](int n) {
    double recoil = n >= 7 && n <= 27 ? 14 * std::exp(-(n - 7) * 0.25) : 0;
    double bob = n >= 28 && n <= 35 ? 2 * std::sin((n - 28) * M_PI / 4) : 0;
    double shake = n >= 42 && n <= 49 ? ((n % 2) ? 4 : -4) : 0;
    double hatch = n >= 36 && n <= 41 ? (n - 36) * 4 : 0;
    int turning = n % 2;   // the tread's marked wheel alternates while driving
    return std::vector<Part>{
        {2, shake, 36, 0, turning},
        {0, shake, 8 + bob, 0, 0},
        {3, 70 + shake - recoil, -22 + bob, Rad(-4), 0},
        {1, -6 + shake - recoil * 0.3, -22 + bob - hatch * 0.2, 0, 0},
    };
  };
  return MachineMotions(50, parts, {{1, 3, true, 4}, {4, 6, true, 4}, {7, 27, false, 2}, {28, 35, true, 6}, {36, 41, false, 5}, {42, 49, false, 2}});
}

std::vector<Motion> HoverMotions() {
  auto parts = [](int n) {
    double bob = 3 * std::sin(n * M_PI / 4);
    return std::vector<Part>{
        {1, 0, 40 + bob * 0.5, 0, n % 2},
        {0, 0, 8 + bob, 0, 0},
        {2, -80, -10 + bob, Rad(n * 22.5), 0},
        {3, 96, 4 + bob, 0, 0},
    };
  };
  return MachineMotions(40, parts, {{18, 26, true, 4}});
}

std::vector<Motion> HeliMotions() {
  auto parts = [](int n) {
    double sway = 2 * std::sin(n * M_PI / 4);
    return std::vector<Part>{
        {3, 0, 40 + sway, 0, 0},
        {2, -100, -6 + sway, Rad(-6), 1},
        {0, 0, sway, 0, 0},
        {4, 50, 34 + sway, 0, 1},
        {1, 0, -36 + sway, 0, n % 2},
    };
  };
  return MachineMotions(40, parts, {{0, 0, false, 30}, {15, 22, true, 3}});
}

std::string MotionText(const std::vector<Motion>& motions) {
  std::string text;
  char line[128];
  for (const Motion& m : motions) {
    std::snprintf(line, sizeof line, "%d,%d,%d\r\n", static_cast<int>(m.parts.size()) - 1, m.duration, m.next);
    text += line;
    for (const Part& p : m.parts) {
      std::snprintf(line, sizeof line, "%d,%d,%.4f,%d,%d\r\n", static_cast<int>(std::lround(p.x)),
                    static_cast<int>(std::lround(p.y)), p.angle, p.picture, p.mirror);
      text += line;
    }
  }
  return text;
}

}  // namespace

void AddMotionFiles(DataSet& set) {
  set.Add("mot\\mot_mychr.dat", MotionText(HeroineMotions()));
  set.Add("mot\\mot_plier.dat", MotionText(SoldierMotions()));
  set.Add("mot\\mot_riveter.dat", MotionText(CompanionMotions()));
  set.Add("mot\\mot_tank.dat", MotionText(TankMotions()));
  set.Add("mot\\mot_hober.dat", MotionText(HoverMotions()));
  set.Add("mot\\mot_heli.dat", MotionText(HeliMotions()));
}

}  // namespace zelvo_datagen
