#include "game/battle/combat/attacks.h"

#include "game/battle/data/battle_state.h"

namespace horundel {

namespace {

// A run of kinds and its class; `every` > 0 makes it class 2 only on frames whose life is a
// multiple of it.
struct HitClassRow {
  int firstKind;
  int lastKind;
  int hitClass;
  int every;
};

constexpr HitClassRow kAgainstShots[] = {
    {412, 412, 0, 0}, {430, 430, 0, 0}, {440, 440, 0, 0}, {540, 542, 0, 0}, {701, 703, 0, 0}, {707, 707, 0, 0},
    {740, 740, 0, 0}, {70, 70, 2, 0},   {80, 81, 2, 0},    {110, 110, 2, 0}, {120, 120, 2, 0}, {130, 130, 2, 0},
    {140, 140, 2, 0}, {150, 151, 2, 0}, {160, 160, 2, 0},  {171, 172, 2, 0}, {400, 400, 2, 0}, {410, 411, 2, 0},
    {420, 420, 2, 0}, {500, 502, 2, 0}, {510, 510, 2, 0},  {520, 520, 2, 0}, {530, 531, 2, 0}, {550, 550, 2, 0},
    {700, 700, 2, 0}, {704, 706, 2, 0}, {710, 711, 2, 0},  {730, 731, 2, 0}, {810, 810, 2, 0}, {900, 900, 2, 0},
};

constexpr HitClassRow kAgainstBodies[] = {
    {412, 412, 0, 0},  {701, 703, 0, 0},  {707, 707, 0, 0},  {800, 800, 0, 0},  {1010, 1010, 0, 0},
    {1020, 1020, 0, 0}, {70, 70, 2, 5},   {400, 400, 2, 5},  {410, 411, 2, 5},  {420, 420, 2, 5},
    {440, 440, 2, 5},  {520, 520, 2, 5},  {530, 530, 2, 5},  {810, 810, 2, 5},  {500, 501, 2, 3},
    {510, 510, 2, 3},  {550, 550, 2, 3},  {710, 711, 2, 3},  {730, 731, 2, 3},  {171, 172, 2, 6},
    {502, 502, 2, 6},  {531, 531, 2, 6},  {81, 81, 2, 10},
};

constexpr HitClassRow kAgainstTiles[] = {
    {412, 412, 0, 0},   {440, 440, 0, 0},   {701, 703, 0, 0}, {705, 705, 0, 0}, {707, 707, 0, 0},
    {740, 740, 0, 0},   {800, 800, 0, 0},   {1000, 1000, 0, 0}, {1010, 1010, 0, 0}, {1020, 1020, 0, 0},
    {500, 502, 2, 0},   {510, 510, 2, 0},   {520, 520, 2, 0}, {530, 530, 2, 0}, {540, 542, 2, 0},
    {550, 550, 2, 0},   {531, 531, 3, 0},   {81, 81, 4, 0},   {110, 110, 4, 0}, {140, 140, 4, 0},
    {150, 151, 4, 0},   {171, 172, 4, 0},   {400, 400, 4, 0}, {410, 411, 4, 0}, {420, 420, 4, 0},
    {704, 704, 4, 0},   {706, 706, 4, 0},   {710, 711, 4, 0}, {730, 731, 4, 0}, {80, 80, 5, 0},
    {120, 120, 5, 0},   {130, 130, 5, 0},   {810, 810, 5, 0}, {900, 900, 5, 0},
};

template <int N>
int LookUp(const HitClassRow (&rows)[N], int kind, int life) {
  for (const HitClassRow& row : rows) {
    if (kind < row.firstKind || kind > row.lastKind) continue;
    if (row.every > 0) return life % row.every == 0 ? row.hitClass : 0;
    return row.hitClass;
  }
  return 1;
}

}  // namespace

int HitClassOf(int test, int slot) {
  const Character& attack = CharacterTable[slot];
  // An armed bomblet hits once; while its arming delay runs it touches nothing.
  if (attack.kind == 161) return attack.extra == 0 ? 1 : 0;
  switch (test) {
    case kHitTestShots: return LookUp(kAgainstShots, attack.kind, attack.timer);
    case kHitTestBodies: return LookUp(kAgainstBodies, attack.kind, attack.timer);
    default: return LookUp(kAgainstTiles, attack.kind, attack.timer);
  }
}

}  // namespace horundel
