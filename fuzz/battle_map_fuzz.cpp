// Writes the input as "tempmap.dat" and loads it over a reset map: whatever the file holds, the
// map's size stays within the tile array, every cell holds a tile kind, only players, enemies and
// events are spawned, and the object queries run on whatever positions the file gave.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "game/battle/data/battle_state.h"
#include "game/battle/world/character_table.h"
#include "game/battle/data/game_math.h"
#include "game/battle/world/map_file.h"
#include "game/battle/world/tile_map.h"
#include "platform/kernel/kernel.h"
#include "support/test_paths.h"
#include "support/zva_writer.h"

namespace {

std::string g_folder;

void ResetMap() {
  std::memset(horundel::CharacterTable, 0, sizeof horundel::CharacterTable);
  std::memset(horundel::TileMap, 0, sizeof horundel::TileMap);
  horundel::g_battle.LastColumn = 10;
  horundel::g_battle.LastRow = 10;
}

void Check(bool ok) {
  if (!ok) std::abort();
}

}  // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
  g_folder = zelvo_test::MakeScratchFolder("battle_map_fuzz");
  pf::SetCurrentDirectory(pf::HostPathToWindows(g_folder).c_str());
  return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  using namespace horundel;
  zelvo_test::WriteFileBytes(g_folder + "/tempmap.dat", std::vector<std::uint8_t>(data, data + size));
  ResetMap();
  LoadMap(kMapSourceTemporary, 0, 0);
  Check(g_battle.LastColumn >= 0 && g_battle.LastColumn <= 100 && g_battle.LastRow >= 0 && g_battle.LastRow <= 100);
  for (int column = 0; column < kMapSide; ++column) {
    for (int row = 0; row < kMapSide; ++row) {
      const int kind = TileMap[column][row].kind;
      Check(kind >= 0 && kind <= 110 && kind % 10 == 0);
    }
  }
  for (int slot = 1; slot <= kLastObjectSlot; ++slot) {
    const Character& object = CharacterTable[slot];
    if (object.state == 0) continue;
    Check(object.type == kTypePlayer || object.type == kTypeEnemy || object.type == kTypeMapEvent);
    Check(slot != kLastObjectSlot);
  }
  // The queries may spawn hazards into free slots; every object the file gave is visited.
  for (int slot = 1; slot <= kLastObjectSlot; ++slot) {
    const Character& object = CharacterTable[slot];
    if (object.state == 0 || object.type == kTypeMapHazard) continue;
    WorldToScreenX(object.x);
    WorldToScreenY(object.y);
    GroundBelow(slot);
    HasLineOfSight(kPlayerSlot, slot);
    StopAtWalls(slot);
    ProbeHazardTiles(slot);
  }
  FindAimTarget(kPlayerSlot, 1, 0.5f, 1000.0f, 1000.0f);
  return 0;
}
