#include "game/battle/mission/map_events.h"

#include <zelvo/zelvo.h>

#include "game/battle/data/battle_state.h"
#include "game/battle/world/character_table.h"
#include "game/battle/world/effects.h"
#include "game/battle/data/game_math.h"
#include "game/battle/world/map_file.h"
#include "game/battle/mission/mission_loop.h"
#include "game/battle/mission/mission_scripts.h"
#include "game/battle/world/player_setup.h"
#include "game/battle/data/resources.h"
#include "game/battle/data/shell_services.h"
#include "game/battle/data/sound_effects.h"
#include "game/battle/world/tile_map.h"

namespace horundel {

namespace {

constexpr int kEscapeKey = 1;
constexpr int kCutSceneFrames = 50;

// What the door's action needs, copied before an area change reuses its slot.
struct DoorAction {
  int kind;
  int link;
  float x;
  float y;
};

bool IsActingDoor(int kind) { return kind >= kEventAreaDoor && kind <= kEventRescueDoor; }

bool AreaMapExists(int area) {
  char path[64];
  if (MapFilePath(kMapSourceMission, g_battle.CurrentMission, area, path, sizeof path) == 0) return false;
  const intptr_t stream = OpenReadStream(path, 0);
  if (stream == 0) return false;
  CloseReadStream(stream);
  return true;
}

// The door swings open while the camera closes in on it; the battle keeps moving under it.
void PlayDoorCutScene(int slot) {
  BattleCameraState& camera = g_battle.BattleCamera;
  for (;;) {
    if (PumpMessages() != 0 || IsKeyDown(kEscapeKey)) break;
    ClearDrawTarget();
    camera.x = StepTowardFraction(camera.x, CharacterTable[slot].x, 0.05f);
    camera.y = StepTowardFraction(camera.y, CharacterTable[slot].y, 0.05f);
    camera.zoom = StepTowardF(camera.zoom, 1.0f, 0.05f);
    UpdateAll(kModeOverlay);
    DrawAll(kModeOverlay);
    g_shell.DrawBattleHud(0);
    PresentBackBuffer();
    if (CharacterTable[slot].timer > kCutSceneFrames) break;
  }
}

// The heroine comes back out in front of the door.
void ReturnFromDoor(const DoorAction& door) {
  PlacePlayer(door.x, door.y - 100.0f);
  g_shell.FadeBattleFromBlack();
}

void ChangeArea(const DoorAction& door) {
  g_battle.MaxHit = MaxInt(g_battle.MaxHit, g_battle.ComboCount + g_battle.PendingHits);
  // Without the next area's map the old area stays: resetting first would leave her nowhere.
  if (!AreaMapExists(door.link)) {
    ScreenLogPrintf("map of area %d not found\n", door.link);
    ReturnFromDoor(door);
    return;
  }
  const float hp = CharacterTable[kPlayerSlot].hp;
  ResetMission();
  LoadMap(kMapSourceMission, g_battle.CurrentMission, door.link);
  PlaceUnplacedPlayer();
  CharacterTable[kPlayerSlot].hp = hp;
  g_battle.ShownPlayerHp = hp;
  g_battle.CurrentArea = door.link;
  if (MissionOneBossCheck() == 0) g_shell.FadeBattleFromBlack();
}

void OpenDoor(int slot) {
  CharacterTable[slot].state = kEventOpening;
  CharacterTable[kPlayerSlot].state = kPlayerEnteringDoor;
  PlayDoorCutScene(slot);
  g_shell.FadeBattleToBlack();
  const Character& event = CharacterTable[slot];
  const DoorAction door{event.kind, event.link, event.x, event.y};
  switch (door.kind) {
    case kEventAreaDoor: ChangeArea(door); break;
    case kEventShopDoor:
      g_shell.RunMenu(kMenuShop);
      ReturnFromDoor(door);
      break;
    default:
      g_shell.ShowCgPicture(door.link);
      ReturnFromDoor(door);
      break;
  }
}

void StepOpening(Character& door) {
  const int t = door.timer;
  if (t == 0) {
    door.motion = 1;
    PlaySoundEffect(kSoundWeapon3);
  }
  if (t > 19) door.vy = door.vy + 10.0f > 80.0f ? 80.0f : door.vy + 10.0f;
  if (t > 39) door.angle = StepTowardF(door.angle, 0.0f, 0.1f);
  if (t == kCutSceneFrames) {
    SpawnEffect(kEffectStreak, door.x, door.y, 2.0f, 0.0f, 0);
    PlaySoundEffect(kSoundDown);
  }
  door.timer += 1;
}

void StepClosed(Character& door) {
  door.angle = StepTowardF(door.angle, 1.2f, 0.1f);
  door.vy = StepTowardF(door.vy, 0.0f, 10.0f);
  door.timer = 0;
  door.motion = 0;
}

}  // namespace

void UpdateEvent(int slot, int mode) {
  Character& door = CharacterTable[slot];
  if (!IsActingDoor(door.kind)) return;
  if (mode == kModeFailed) {
    door.y = GroundBelow(slot) - door.halfHeight;
    door.x = 100.0f * static_cast<float>(CellIndexOf(door.x)) + 55.0f;
  }
  if (door.state == kEventOpening) {
    StepOpening(door);
  } else if (door.state == kEventClosed) {
    StepClosed(door);
  }
  door.motionTick = WrapIncrement(door.motionTick, 40);
  const Character& heroine = CharacterTable[kPlayerSlot];
  if (mode == kModeBattle && door.state == kEventClosed && heroine.state == 10 && heroine.kind == 0 &&
      CharactersOverlap(kPlayerSlot, slot) != 0) {
    OpenDoor(slot);
  }
}

void DrawEvent(int slot, int mode) {
  (void)mode;
  const Character& door = CharacterTable[slot];
  const int sx = WorldToScreenX(door.x);
  const int sy = WorldToScreenY(door.y);
  if (static_cast<float>(sx) < -door.halfWidth || static_cast<float>(sx) > door.halfWidth + 640.0f) return;
  if (static_cast<float>(sy) < -door.halfHeight || static_cast<float>(sy) > door.halfHeight + 480.0f) return;
  const float z = g_battle.BattleCamera.zoom;
  const float x = static_cast<float>(sx);
  const float y = static_cast<float>(sy);
  const float slide = door.vy * z;
  SetBlendMode(ZELVO_BLEND_NONE, 255);
  if (door.motion == 0) {
    DrawRectangle(TruncateToInt(x - 30.0f * z), TruncateToInt(y - 40.0f * z + slide), TruncateToInt(x + 30.0f * z),
                  TruncateToInt(y + 80.0f * z + slide), PackColor(0, 0, 0), 1);
  } else {
    BlitGraphRotated(sx, TruncateToInt(y + 20.0f * z + slide), z, 0.0, g_pictures.door, 1, 0);
  }
  BlitGraphRotated(sx, TruncateToInt(y + slide), z, 0.0, g_pictures.doorBase, 1, 0);
  BlitGraphRotated(sx, TruncateToInt(y + 92.0f * z), z, 0.0, g_pictures.doorBottom, 1, 0);
  BlitGraphRotatedPivot(TruncateToInt(x + 40.0f * z), TruncateToInt(y + 50.0f * z), 90, 40, z, door.angle,
                        g_pictures.doorTop, 1, 0);
  if (door.motionTick < 30 && door.state == kEventClosed) {
    const int sign = door.kind == kEventShopDoor ? g_pictures.eventIcons[2]
                     : door.kind == kEventRescueDoor ? g_pictures.eventIcons[3]
                                                     : -1;
    if (sign != -1) BlitGraphRotated(sx, TruncateToInt(y - 100.0f * z), 2.0 * z, 0.0, sign, 1, 0);
  }
}

}  // namespace horundel
