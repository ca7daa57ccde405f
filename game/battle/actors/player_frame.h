#pragma once
// What the steps of the heroine's on-foot frame share: the keys of this frame, her footing, and the
// weapon steps that run inside the frame.
#include "game/battle/data/shell_services.h"

namespace horundel {

struct PlayerFrame {
  int h;            // -1 left, 0, +1 right
  int v;            // -1 up, 0, +1 down
  float ground;
  bool airborne;
};

inline bool KeyPressed(int key) { return KeyBindings[key].pressed != 0; }
inline bool FreshPress(int key) { return KeyBindings[key].pressed != 0 && KeyBindings[key].latched == 0; }
inline void ConsumeKey(int key) { KeyBindings[key].latched = 1; }

bool SkillOwned(int skill);
bool InStateList(int state, const int* states, int count);
template <int N>
bool StateIn(int state, const int (&states)[N]) {
  return InStateList(state, states, N);
}

// The weapon steps, in the frame order.
void RunSpecialAttack();
void RunWeaponBookkeeping(const PlayerFrame& frame);
void RunAim(const PlayerFrame& frame);
void RunWeaponSwitch();
// Timers and exits of the gun, throw and special states; false when the state is not one of them.
bool RunWeaponStateTimers(const PlayerFrame& frame);
// The held enemy follows her through the hold and throw states.
void RunHeldEnemy(const PlayerFrame& frame);
// Drops a hold whose enemy is gone, so no freed or reused slot is written.
void ReleaseVanishedHold();
// Motion of the gun, throw and special states; false when the state is not one of them.
bool ChooseWeaponStateMotion();
// The aim pose: nearly up, nearly down, else the range.
void ChooseAimPose(int first, int last, int up, int down);

}  // namespace horundel
