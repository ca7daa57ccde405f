#include "game/battle/data/game_math.h"

#include <cmath>
#include <cstdint>

#include "game/battle/data/battle_state.h"
#include "game/battle/data/shell_services.h"

namespace horundel {

int StepToward(int v, int target, int step) {
  // Wide arithmetic: target +- step must not overflow.
  const std::int64_t wide = v;
  if (wide < static_cast<std::int64_t>(target) - step) return static_cast<int>(wide + step);
  if (wide > static_cast<std::int64_t>(target) + step) return static_cast<int>(wide - step);
  return target;
}

float StepTowardF(float v, float target, float step) {
  if (v < target - step) return v + step;
  if (v > target + step) return v - step;
  return target;
}

float StepTowardFraction(float v, float target, float rate) {
  return StepTowardF(v, target, AbsFloat(v - target) * rate);
}

int AbsInt(int a) { return a < 0 ? -a : a; }

float AbsFloat(float x) { return x >= 0.0f ? x : -x; }

int SignInt(int a) { return a > 0 ? 1 : (a < 0 ? -1 : 0); }

int SignFloat(float x) { return x > 0.0f ? 1 : (x < 0.0f ? -1 : 0); }

int MaxInt(int a, int b) { return a >= b ? a : b; }

int MinInt(int a, int b) { return a <= b ? a : b; }

float MaxFloat(float a, float b) { return a >= b ? a : b; }

int ClampInt(int lo, int v, int hi) {
  if (v <= lo) return lo;
  if (v >= hi) return hi;
  return v;
}

int WrapIncrement(int v, int max) { return v < max ? v + 1 : 0; }

int CountdownReload(int v, int reload) { return v > 0 ? v - 1 : reload; }

int TruncateToInt(float v) {
  if (std::isnan(v)) return 0;
  if (v >= static_cast<float>(kScreenCoordinateLimit)) return kScreenCoordinateLimit;
  if (v <= -static_cast<float>(kScreenCoordinateLimit)) return -kScreenCoordinateLimit;
  return static_cast<int>(v);
}

int WorldToScreenX(float x) {
  const BattleCameraState& camera = g_battle.BattleCamera;
  return TruncateToInt(x * camera.zoom - (camera.x * camera.zoom - 320.0f));
}

int WorldToScreenY(float y) {
  const BattleCameraState& camera = g_battle.BattleCamera;
  return TruncateToInt(y * camera.zoom - (camera.y * camera.zoom - 240.0f));
}

float AimAngleFromKeys() {
  const int dx = SignInt(KeyBindings[kKeyRight].pressed - KeyBindings[kKeyLeft].pressed);
  const int dy = SignInt(KeyBindings[kKeyDown].pressed - KeyBindings[kKeyUp].pressed);
  static constexpr float kAngles[3][3] = {
      {-2.3561945f, -1.5707964f, -0.7853982f},   // left: up, level, down
      {3.1415927f, 0.0f, 0.0f},                  // neither: up, (the aim side), down
      {2.3561945f, 1.5707964f, 0.7853982f},      // right
  };
  if (dx == 0 && dy == 0) return static_cast<float>(g_battle.AimFacing) * kHalfPi;
  return kAngles[dx + 1][dy + 1];
}

float WrapAngle(float a) {
  if (a < -kPi) return a + kTwoPi;
  if (a > kPi) return a - kTwoPi;
  return a;
}

float TurnToward(float current, float target, float step) {
  target = WrapAngle(target);
  if (AbsFloat(current - target) < step) return target;
  int direction;
  if (current < target) {
    direction = current + kPi >= target ? 1 : -1;
  } else {
    direction = current - kPi <= target ? -1 : 1;
  }
  return WrapAngle(current + static_cast<float>(direction) * step);
}

bool IsOneOf(int kind, std::initializer_list<int> kinds) {
  for (int k : kinds) {
    if (k == kind) return true;
  }
  return false;
}

}  // namespace horundel
