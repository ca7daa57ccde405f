#include <zelvo/zelvo.h>

#include "game/battle/data/battle_state.h"
#include "game/battle/world/enemy_spawn.h"
#include "game/battle/world/map_file.h"
#include "game/battle/world/player_setup.h"

namespace horundel {

namespace {

// A cell's kind from one draw of 0..60; 34 and above leave the cell empty (34 with a soldier).
constexpr int kKindBounds[][2] = {{10, 10}, {20, 20}, {23, 30}, {25, 40}, {26, 50}, {27, 60},
                                  {30, 70}, {31, 80}, {32, 90}, {33, 100}, {34, 110}};
constexpr int kSoldierDraw = 34;

void FillRandomCell(int column, int row) {
  const int draw = RandomUpTo(60);
  for (const auto& bound : kKindBounds) {
    if (draw < bound[0]) {
      TileMap[column][row].kind = bound[1];
      return;
    }
  }
  if (draw == kSoldierDraw) {
    SpawnEnemy(0, static_cast<float>(100 * column + 50), static_cast<float>(100 * row + 50), -1, 1);
  }
}

}  // namespace

void GenerateRandomMap() {
  // The draws happen in this order, one at a time, so a seed always gives the same map.
  if (RandomUpTo(1) == 0) {
    g_battle.LastColumn = 50 + RandomUpTo(30);
    g_battle.LastRow = 10 + RandomUpTo(10);
  } else {
    g_battle.LastColumn = 20 + RandomUpTo(10);
    g_battle.LastRow = 50 + RandomUpTo(30);
  }
  for (int row = 0; row <= g_battle.LastRow; ++row) {
    if (RandomUpTo(1) == 0 && row > 0) {
      for (int column = 0; column < kMapSide; ++column) TileMap[column][row] = TileMap[column][row - 1];
      continue;
    }
    for (int column = 0; column <= g_battle.LastColumn; ++column) {
      if (RandomUpTo(3) <= 2 && column > 0) {
        TileMap[column][row] = TileMap[column - 1][row];
      } else {
        FillRandomCell(column, row);
      }
    }
  }
  const int startColumn = RandomUpTo(g_battle.LastColumn);
  const int startRow = RandomUpTo(g_battle.LastRow);
  PlacePlayer(static_cast<float>(100 * startColumn + 50), static_cast<float>(100 * startRow + 50));
  TileMap[startColumn][startRow].kind = 0;
  g_battle.MissionGoalX = static_cast<float>(100 * RandomUpTo(g_battle.LastColumn) + 50);
  g_battle.MissionGoalY = static_cast<float>(RandomUpTo(g_battle.LastRow) + 150);
}

}  // namespace horundel
