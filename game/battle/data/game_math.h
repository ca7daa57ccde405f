#pragma once
#include <initializer_list>

// The game's small pure helpers: easing, counters, clamping, screen projection and angles. Their
// tie rules are exact because timers and animations are built from them.
namespace horundel {

constexpr float kPi = 3.1415927f;          // single precision, as every angle of the game
constexpr float kTwoPi = 6.2831855f;
constexpr float kHalfPi = 1.5707964f;

int StepToward(int v, int target, int step);
float StepTowardF(float v, float target, float step);
float StepTowardFraction(float v, float target, float rate);
int AbsInt(int a);
float AbsFloat(float x);
int SignInt(int a);
int SignFloat(float x);
int MaxInt(int a, int b);
int MinInt(int a, int b);
float MaxFloat(float a, float b);
int ClampInt(int lo, int v, int hi);
int WrapIncrement(int v, int max);
int CountdownReload(int v, int reload);
// Whether kind is one of the listed kind numbers.
bool IsOneOf(int kind, std::initializer_list<int> kinds);

// Truncation toward zero for screen coordinates: NaN gives 0 and values saturate at +-2^24, far
// beyond any screen yet exact as a float, so the drawing entries' own conversions stay in range.
// World positions come from data files, so any float may reach it.
constexpr int kScreenCoordinateLimit = 16777216;
int TruncateToInt(float v);

int WorldToScreenX(float x);
int WorldToScreenY(float y);
float AimAngleFromKeys();
float WrapAngle(float a);
float TurnToward(float current, float target, float step);

}  // namespace horundel
