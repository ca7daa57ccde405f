#pragma once
// The body parts of the three walking figures (the heroine, the soldier and the companion): one
// picture each, shared by the picture files that draw them and the motion files that assemble
// them. Limbs are drawn upright, joint at the top, so a motion part's angle is the limb's swing.
#include <cstdint>

namespace zelvo_datagen {

enum FigurePart {
  kTorso, kHead, kHair, kHips,
  kBackUpperArm, kBackForearm, kBackHand,
  kFrontUpperArm, kFrontForearm, kFrontHand,
  kBackThigh, kBackShin, kBackFoot,
  kFrontThigh, kFrontShin, kFrontFoot,
  kFigurePartCount
};

struct PartSize {
  int width;
  int length;   // along the limb; for the torso from hips to shoulders
};

// Sizes at scale 1: a figure about 100 pixels tall, feet 50 below its centre.
constexpr PartSize kPartSizes[kFigurePartCount] = {
    {22, 32}, {24, 24}, {12, 26}, {28, 14},
    {9, 18}, {8, 17}, {10, 10},
    {9, 18}, {8, 17}, {10, 10},
    {12, 24}, {10, 24}, {18, 8},
    {12, 24}, {10, 24}, {18, 8},
};

// Colours of one figure: skin, hair, outfit, legs, boots.
struct FigureLook {
  std::uint32_t skin;
  std::uint32_t hair;
  std::uint32_t outfit;
  std::uint32_t legs;
  std::uint32_t boots;
};

// Picture numbers of the heroine's extra parts (her tool-weapon's pieces and the weapon in hand).
constexpr int kHeroineGrip = 23;       // fist over the tool-weapon's grip
constexpr int kHeroineToolGlow = 24;   // the tool-weapon's lit head
constexpr int kHeroineWeapon = 28;     // the weapon in hand (taken from the weapon table)
constexpr int kHeroineTrail = 40;      // the tool-weapon's swing trail
constexpr int kHeroinePictures = 46;
constexpr int kSoldierWeapon = 23;     // the soldier's weapon in hand
constexpr int kSoldierPictures = 24;
constexpr int kCompanionWrench = 16;
constexpr int kCompanionPictures = 21;  // the companion's own pictures; 21 and 22 are machine parts

}  // namespace zelvo_datagen
