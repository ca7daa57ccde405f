// The update and draw passes over the whole battle: every object once a frame in slot order, and
// the scene drawn back to front.
#include <zelvo/zelvo.h>

#include "game/battle/combat/attacks.h"
#include "game/battle/data/battle_state.h"
#include "game/battle/world/effects.h"
#include "game/battle/actors/enemy_update.h"
#include "game/battle/data/game_math.h"
#include "game/battle/mission/map_events.h"
#include "game/battle/mission/mission_loop.h"
#include "game/battle/combat/pickups.h"
#include "game/battle/actors/player_update.h"
#include "game/battle/data/resources.h"
#include "game/battle/data/stage_resources.h"
#include "game/battle/world/tile_map.h"

namespace horundel {

namespace {

constexpr int kTypeFirstPickup = 30;
constexpr int kTypeLastPickup = 33;

bool IsPickupType(int type) { return type >= kTypeFirstPickup && type <= kTypeLastPickup; }
bool IsAttackType(int type) { return type >= kTypePlayerAttack && type <= kTypeMapHazard; }

// Kind k of 10..110 in steps of 10 has its own picture; any other solid kind the first one.
int TilePictureOf(int kind) {
  if (kind >= 10 && kind <= 110 && kind % 10 == 0) return kind / 10 - 1;
  return 0;
}

void DrawBackground() {
  const float cameraX = g_battle.BattleCamera.x;
  SetBlendMode(ZELVO_BLEND_NONE, 255);
  const int bx = TruncateToInt(-(cameraX * 0.2f)) % 640;
  BlitGraph(bx, 0, g_stage.backgroundHandle, 0);
  BlitGraph(cameraX >= 0.0f ? bx + 640 : bx - 640, 0, g_stage.backgroundHandle, 0);
}

// A falling block drops into an empty cell below it once its slide has finished; rows are visited
// bottom-up, so it falls at most one cell a frame.
void SettleFallingBlock(int column, int row, int lastRow) {
  TileCell& cell = TileMap[column][row];
  if (row < lastRow && IsFallingTileKind(cell.kind) && TileMap[column][row + 1].kind == 0 && cell.fallOffset == 0.0f) {
    TileMap[column][row + 1].kind = cell.kind;
    TileMap[column][row + 1].fallOffset = 100.0f;
    cell.kind = 0;
  }
  if (cell.fallOffset > 0.0f) cell.fallOffset = static_cast<float>(StepToward(TruncateToInt(cell.fallOffset), 0, 10));
}

void DrawTiles() {
  const float zoom = g_battle.BattleCamera.zoom;
  const int lastColumn = LastColumnIndex();
  const int lastRow = LastRowIndex();
  const float margin = 128.0f * zoom;
  SetBlendMode(ZELVO_BLEND_NONE, 255);
  for (int column = -1; column <= lastColumn + 1; ++column) {
    const int sx = WorldToScreenX(100.0f * static_cast<float>(column) + 50.0f);
    if (static_cast<float>(sx) < -margin || static_cast<float>(sx) > margin + 640.0f) continue;
    for (int row = lastRow + 1; row >= -1; --row) {
      const int sy = WorldToScreenY(100.0f * static_cast<float>(row) + 50.0f);
      if (static_cast<float>(sy) < -margin || static_cast<float>(sy) > margin + 480.0f) continue;
      if (column < 0 || column > lastColumn || row < 0 || row > lastRow) {
        BlitGraphRotated(sx, sy, zoom, 0.0, g_pictures.tiles[1], 1, 0);
        continue;
      }
      const TileCell& cell = TileMap[column][row];
      if (cell.kind > 0) {
        const int y = TruncateToInt(static_cast<float>(sy) - cell.fallOffset * zoom + static_cast<float>(g_battle.ScreenShake));
        BlitGraphRotated(sx, y, zoom, 0.0, g_pictures.tiles[TilePictureOf(cell.kind)], 1, 0);
      }
      SettleFallingBlock(column, row, lastRow);
    }
  }
}

void DrawFlashes() {
  ScreenFlashState& dark = g_battle.ScreenFlash[0];
  if (dark.alpha > 0) {
    dark.timer = StepToward(dark.timer, 0, 1);
    SetBlendMode(ZELVO_BLEND_ALPHA, dark.alpha);
    DrawRectangle(0, 0, 640, 480, PackColor(0, 0, 0), 1);
    if (dark.timer == 0) dark.alpha = StepToward(dark.alpha, 0, 5);
  }
  const int additiveColours[2][3] = {{255, 255, 255}, {255, 0, 0}};
  for (int i = 0; i < 2; ++i) {
    ScreenFlashState& flash = g_battle.ScreenFlash[i + 1];
    if (flash.timer <= 0) continue;
    flash.timer = StepToward(flash.timer, 0, 1);
    SetBlendMode(ZELVO_BLEND_ADD, flash.alpha);
    DrawRectangle(0, 0, 640, 480, PackColor(additiveColours[i][0], additiveColours[i][1], additiveColours[i][2]), 1);
  }
}

bool IsLive(int slot) { return CharacterTable[slot].state != 0; }

}  // namespace

void UpdateAll(int mode) {
  UpdateParticles();
  UpdatePlayer(kPlayerSlot, mode);
  // Indexed on purpose: an update may open a door whose cut-scene replaces the whole table, and
  // objects spawned at higher slots are updated in this same pass.
  for (int slot = kFirstObjectSlot; slot <= kLastObjectSlot; ++slot) {
    if (!IsLive(slot)) continue;
    const int type = CharacterTable[slot].type;
    if (type == kTypeEnemy) {
      UpdateEnemy(slot, mode);
    } else if (type == kTypeEffect) {
      UpdateEffectObject(slot);
    } else if (IsAttackType(type)) {
      UpdateAttack(slot, mode);
    } else if (IsPickupType(type)) {
      UpdateItem(slot, mode);
    } else if (type == kTypeMapEvent) {
      UpdateEvent(slot, mode);
    }
  }
}

void DrawAll(int mode) {
  DrawBackground();
  if (g_battle.ScreenShake != 0) g_battle.ScreenShake = StepToward(-g_battle.ScreenShake, 0, 1);
  DrawTiles();
  DrawFlashes();
  for (int slot = kFirstObjectSlot; slot <= kLastObjectSlot; ++slot) {
    if (IsLive(slot) && CharacterTable[slot].type == kTypeMapEvent) DrawEvent(slot, mode);
  }
  for (int slot = kFirstObjectSlot; slot <= kLastObjectSlot; ++slot) {
    if (IsLive(slot) && IsPickupType(CharacterTable[slot].type)) DrawItem(slot);
  }
  DrawPlayer(kPlayerSlot);
  for (int slot = kFirstObjectSlot; slot <= kLastObjectSlot; ++slot) {
    if (IsLive(slot) && CharacterTable[slot].type == kTypeEnemy) DrawEnemy(slot);
  }
  DrawParticles();
  for (int slot = kFirstObjectSlot; slot <= kLastObjectSlot; ++slot) {
    if (IsLive(slot) && CharacterTable[slot].type == kTypeEffect) DrawEffectObject(slot);
  }
  for (int slot = kFirstObjectSlot; slot <= kLastObjectSlot; ++slot) {
    if (IsLive(slot) && IsAttackType(CharacterTable[slot].type)) DrawAttack(slot);
  }
}

}  // namespace horundel
