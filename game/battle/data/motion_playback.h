#pragma once
// Drawing one pose of a motion table, and the motion clock the object updates run.
namespace horundel {

constexpr int kDrawMotionNormal = 0;
constexpr int kDrawMotionAdditive = 1;

// Draws the parts of the motion at screen (x, y) in part order, mirrored for facing -1. blend 0
// normal, 1 additive, any other keeps the current blend mode. Returns the last draw's result.
int DrawMotion(int motionKind, int x, int y, int motion, int facing, float scale, int weaponId, int blend);

// One tick of the slot's motion: once the tick reaches the motion's duration it starts over and
// the motion's next motion follows.
void AdvanceMotion(int slot, int motionKind);
// Outside first..last the motion restarts at first; inside, the file's own next links play on.
void KeepMotionInRange(int slot, int first, int last);

}  // namespace horundel
