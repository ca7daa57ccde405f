// Arbitrary bytes as the map of the area a door leads to, and the door's link, walked through by
// the heroine on the started library: whatever the map and the link, she ends in the new area
// with her hit points (or, without its map, back in front of the door), the map's size stays
// within the tile array, and the table holds only objects of the battle's types.
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <sys/stat.h>

#include "fuzz/started_library.h"
#include "game/battle/data/battle_state.h"
#include "game/battle/world/character_table.h"
#include "game/battle/data/game_tables.h"
#include "game/battle/mission/map_events.h"
#include "game/battle/mission/mission_loop.h"
#include "game/battle/data/resources.h"
#include "game/battle/data/shell_services.h"
#include "game/battle/data/stage_resources.h"
#include "media/core/library_lock.h"

namespace {

using namespace horundel;

constexpr int kMission = 3;   // a mission with no boss area, so the change ends at the new map
constexpr float kHeroineHp = 333.0f;
constexpr int kEscapeScancode = 41;

void Require(bool condition) {
  if (!condition) __builtin_trap();
}

void NewGame() {
  std::memset(&g_battle, 0, sizeof g_battle);
  g_battle.Difficulty = 1;
  g_battle.HpGaugeCount = 2;
  g_battle.WeaponSlotCount = 2;
  g_battle.WeaponSlot[0].used = 1;
  g_battle.BattleCamera.zoom = 1.0f;
  g_battle.CurrentMission = kMission;
  g_battle.LastColumn = 10;
  g_battle.LastRow = 10;
  std::memset(CharacterTable, 0, sizeof CharacterTable);
  std::memset(TileMap, 0, sizeof TileMap);
}

void PlaceAtDoor(int link) {
  Character& heroine = CharacterTable[kPlayerSlot];
  heroine.type = kTypePlayer;
  heroine.state = 10;
  heroine.hp = kHeroineHp;
  heroine.maxHp = 800.0f;
  heroine.facing = 1;
  heroine.x = 500.0f;
  heroine.y = 500.0f;
  heroine.halfWidth = heroine.halfHeight = 40.0f;
  Character& door = CharacterTable[kFirstObjectSlot];
  door.type = kTypeMapEvent;
  door.kind = kEventAreaDoor;
  door.state = kEventClosed;
  door.link = link;
  door.x = 500.0f;
  door.y = 500.0f;
  door.halfWidth = 30.0f;
  door.halfHeight = 60.0f;
}

}  // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
  const std::string& folder = zelvo_fuzz::StartLibraryOnce("battle_door_area_fuzz");
  if (mkdir((folder + "/map").c_str(), 0777) != 0 || mkdir((folder + "/map/easy").c_str(), 0777) != 0) std::abort();
  std::memset(&g_pictures, 0xFF, sizeof g_pictures);
  for (int& sound : SoundEffectTable) sound = -1;
  g_stage = StageState{-1, -1, -1, -1, -1};
  FillWeaponRecords();
  // Escape held down cuts the door's cut-scene short: the change of area is what is fuzzed here.
  pf::testing::InjectKey(kEscapeScancode, true);
  PumpMessages();
  return 0;
}

// The input: the door's link (a signed byte), then the map of the area it leads to.
extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  if (size < 1 || size > (1u << 16)) return 0;
  const int link = static_cast<std::int8_t>(data[0]);
  char name[64];
  std::snprintf(name, sizeof name, "map/easy/c%02d%02d.dat", kMission, link);
  std::FILE* file = std::fopen(name, "wb");
  if (file == nullptr) std::abort();
  if (size > 1 && std::fwrite(data + 1, 1, size - 1, file) != size - 1) std::abort();
  std::fclose(file);

  zelvo::LibraryLockGuard lock;
  NewGame();
  PlaceAtDoor(link);
  UpdateEvent(kFirstObjectSlot, kModeBattle);
  std::remove(name);

  Require(g_battle.CurrentArea == link);
  Require(CharacterTable[kPlayerSlot].hp == kHeroineHp && g_battle.ShownPlayerHp == kHeroineHp);
  Require(g_battle.LastColumn >= 0 && g_battle.LastColumn < kMapSide && g_battle.LastRow >= 0 &&
          g_battle.LastRow < kMapSide);
  for (int slot = 1; slot <= kLastObjectSlot; ++slot) {
    const Character& object = CharacterTable[slot];
    if (object.state == 0) continue;
    const int type = object.type;
    Require(type == kTypePlayer || type == kTypeEnemy || type == kTypeEffect || type == kTypePlayerAttack ||
            type == kTypeEnemyShot || type == kTypeMapHazard || type == kTypeMapEvent);
  }
  return 0;
}
