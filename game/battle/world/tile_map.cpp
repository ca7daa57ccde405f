#include "game/battle/world/tile_map.h"

#include <cmath>

#include "game/battle/world/attack_spawning.h"
#include "game/battle/data/battle_state.h"
#include "game/battle/data/game_math.h"

namespace horundel {

namespace {

constexpr int kHazardCellKind = 90;
constexpr int kHazardBelowKind = 110;
constexpr int kHazardBurst = 440;

int ClampIndex(int v) { return v < 0 ? 0 : (v > kLastMapIndex ? kLastMapIndex : v); }

}  // namespace

int LastColumnIndex() { return ClampIndex(g_battle.LastColumn); }

int LastRowIndex() { return ClampIndex(g_battle.LastRow); }

int CellIndexOf(float v) {
  const double cells = static_cast<double>(v) * 0.01;
  if (std::isnan(cells)) return 0;
  // Far beyond any map either way; the margin lets callers add or subtract a few cells.
  if (cells >= 1e9) return 1000000000;
  if (cells <= -1e9) return -1000000000;
  return static_cast<int>(cells);
}

int TileKindAt(float x, float y) {
  // Tested on the floats: -0.5 is outside although it truncates to column 0.
  if (!(x >= 0.0f) || !(y >= 0.0f)) return kOutsideTileKind;
  const int column = CellIndexOf(x);
  const int row = CellIndexOf(y);
  if (column > g_battle.LastColumn || row > g_battle.LastRow) return kOutsideTileKind;
  if (column > kLastMapIndex || row > kLastMapIndex) return kOutsideTileKind;
  return TileMap[column][row].kind;
}

float GroundBelow(int slot) {
  const Character& object = CharacterTable[slot];
  const int lastColumn = LastColumnIndex();
  const int lastRow = LastRowIndex();
  const int column = ClampInt(0, CellIndexOf(object.x), lastColumn);
  for (int row = ClampInt(0, CellIndexOf(object.y), lastRow); row <= lastRow; ++row) {
    if (TileMap[column][row].kind > 0) return 100.0f * static_cast<float>(row);
  }
  return 100.0f * static_cast<float>(lastRow + 1);
}

int IsFallingTileKind(int kind) { return kind >= 30 && kind <= 80 && kind % 10 == 0 ? 1 : 0; }

void StopAtWalls(int slot) {
  Character& object = CharacterTable[slot];
  if (object.vx != 0.0f) {
    const float nextX = object.x + object.vx;
    if (TileKindAt(nextX, object.y) > 0 || TileKindAt(nextX, object.y + object.halfHeight - 1.0f) > 0 ||
        TileKindAt(nextX, object.y - object.halfHeight + 1.0f) > 0) {
      object.vx = 0.0f;
    }
  }
  // Only rising is stopped here; landing is the object updates' own test against GroundBelow.
  if (object.vy < 0.0f && TileKindAt(object.x, object.y - object.halfHeight + object.vy) > 0) object.vy = 0.0f;
  if (TileKindAt(object.x + 20.0f, object.y) > 0 && TileKindAt(object.x - 20.0f, object.y) > 0 &&
      TileKindAt(object.x, object.y - 20.0f) > 0) {
    object.y -= 100.0f;
    if (object.y < 0.0f) {
      object.x = static_cast<float>(100 * g_battle.LastColumn / 2);
      object.y = static_cast<float>(100 * g_battle.LastRow / 2);
    }
  }
}

int ProbeHazardTiles(int slot) {
  const Character& object = CharacterTable[slot];
  const int column = CellIndexOf(object.x);
  const int row = CellIndexOf(object.y);
  struct Probe {
    float x, y;
    int kind;
    int column, row;
  };
  const Probe probes[5] = {
      {object.x - object.halfWidth - 20.0f, object.y, kHazardCellKind, column - 1, row},
      {object.x + object.halfWidth + 20.0f, object.y, kHazardCellKind, column + 1, row},
      {object.x, object.y - object.halfHeight - 20.0f, kHazardCellKind, column, row - 1},
      {object.x, object.y + object.halfHeight + 20.0f, kHazardCellKind, column, row + 1},
      {object.x, object.y - object.halfHeight - 20.0f, kHazardBelowKind, column, row - 1},
  };
  int kind = 0;
  for (const Probe& probe : probes) {
    kind = TileKindAt(probe.x, probe.y);
    if (kind == probe.kind) {
      SpawnMapHazard(kHazardBurst, probe.column, probe.row);
      return 1;
    }
  }
  return kind;
}

}  // namespace horundel
