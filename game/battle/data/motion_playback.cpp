#include "game/battle/data/motion_playback.h"

#include <zelvo/zelvo.h>

#include "game/battle/data/battle_state.h"
#include "game/battle/data/game_math.h"
#include "game/battle/data/game_tables.h"
#include "game/battle/data/motion_tables.h"

namespace horundel {

namespace {

// The handle of a part's picture, or -1 when the part is hidden or its number is outside the set.
int PartPicture(int motionKind, const MotionTableView& table, int number, int weaponId) {
  const bool heroine = motionKind == kMotionHeroine;
  const bool weaponPart = (heroine && number == kHeroineWeaponPicture) ||
                          (motionKind == kMotionPlier && number == kPlierWeaponPicture);
  if (heroine && (number == 23 || number == 24 || number == 40) && g_battle.ToolWeaponState != 1) return -1;
  if (heroine && weaponPart && weaponId == 0 && g_battle.ToolWeaponState == 0) return -1;
  if (motionKind == kMotionPlier && weaponPart && weaponId < 1) return -1;
  if (weaponPart) return weaponId >= 0 && weaponId < kWeaponCount ? WeaponRecords[weaponId].picture : -1;
  if (number < 0 || number >= table.pictureCount) return -1;
  return table.pictures[number];
}

}  // namespace

int DrawMotion(int motionKind, int x, int y, int motion, int facing, float scale, int weaponId, int blend) {
  const MotionTableView table = MotionTableOf(motionKind);
  if (table.records == nullptr) return 0;
  const MotionRecord& record = *MotionOf(motionKind, motion);
  if (blend == kDrawMotionNormal) SetBlendMode(ZELVO_BLEND_NONE, 255);
  if (blend == kDrawMotionAdditive) SetBlendMode(ZELVO_BLEND_ADD, 255);
  const float side = static_cast<float>(facing);
  int result = 0;
  for (int part = 0; part <= record.lastPart && part < kMotionParts; ++part) {
    const int picture = PartPicture(motionKind, table, record.picture[part], weaponId);
    if (picture == -1) continue;
    const int sx = TruncateToInt(static_cast<float>(x) + scale * side * record.partX[part]);
    const int sy = TruncateToInt(static_cast<float>(y) + scale * record.partY[part]);
    const int mirror = (record.mirror[part] != 0) != (facing == -1) ? 1 : 0;
    result = BlitGraphRotated(sx, sy, scale, side * record.partAngle[part], picture, 1, mirror);
  }
  return result;
}

void AdvanceMotion(int slot, int motionKind) {
  Character& object = CharacterTable[slot];
  const MotionRecord* record = MotionOf(motionKind, object.motion);
  if (record == nullptr) return;
  object.motionTick += 1;
  // Reaching, not equalling: a zero-length record must not leave the tick counting for ever.
  if (object.motionTick >= record->duration) {
    object.motionTick = 0;
    object.motion = record->next;
  }
}

void KeepMotionInRange(int slot, int first, int last) {
  Character& object = CharacterTable[slot];
  if (object.motion < first || object.motion > last) object.motion = first;
}

}  // namespace horundel
