#include "game/battle/world/event_spawn.h"

#include <zelvo/zelvo.h>

#include "game/battle/data/battle_state.h"
#include "game/battle/world/character_table.h"

namespace horundel {

int SpawnEvent(int kind, float x, float y, int link, int param, int extra) {
  const int slot = FindFreeCharacter();
  if (slot == 0) {
    ScreenLogPrintf("Character Over by event\n");
    return 0;
  }
  ClearCharacter(slot);
  Character& event = CharacterTable[slot];
  event.type = kTypeMapEvent;
  event.kind = kind;
  event.state = 10;
  event.x = x;
  event.y = y;
  event.link = link;
  event.param = param;
  event.extra = extra;
  // Area, shop and rescue doors have a box; other kinds are spawned but never act.
  if (kind >= 0 && kind <= 2) {
    event.halfWidth = 50.0f;
    event.halfHeight = 40.0f;
  }
  return slot * 10;
}

}  // namespace horundel
