#pragma once
// A battle scene kept aside once it is built, and put back before each measured pass, so every
// pass starts from the same objects, tiles, particles and battle state.
#include <cstring>

#include "game/battle/data/battle_state.h"
#include "game/battle/world/effects.h"

namespace horundel {

struct BattleSnapshot {
  Character characters[kCharacterSlots];
  TileCell tiles[kMapSide][kMapSide];
  ParticleRingState ring;
  BattleState battle;
};

inline void TakeBattleSnapshot(BattleSnapshot* snapshot) {
  std::memcpy(snapshot->characters, CharacterTable, sizeof CharacterTable);
  std::memcpy(snapshot->tiles, TileMap, sizeof TileMap);
  snapshot->ring = ParticleRing;
  snapshot->battle = g_battle;
}

inline void RestoreBattleSnapshot(const BattleSnapshot& snapshot) {
  std::memcpy(CharacterTable, snapshot.characters, sizeof CharacterTable);
  std::memcpy(TileMap, snapshot.tiles, sizeof TileMap);
  ParticleRing = snapshot.ring;
  g_battle = snapshot.battle;
}

}  // namespace horundel
