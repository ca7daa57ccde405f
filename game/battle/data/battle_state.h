#pragma once
// The battle's shared state: the one table of game objects, the tile map and the battle-wide
// variables that the mission loop resets and every object update reads.
#include <cstdint>

namespace horundel {

// One game object. The layout (20 words of 32 bits) is shared with the shell, which reads slots.
struct Character {
  std::int32_t type;
  std::int32_t kind;
  std::int32_t state;        // 0: the slot is free
  std::int32_t timer;
  std::int32_t motion;
  std::int32_t motionTick;
  float hp;
  float maxHp;
  std::int32_t facing;       // -1 left, +1 right
  float angle;
  float speed;
  float x;                   // world pixels, centre of the box
  float y;
  float vx;
  float vy;
  float halfWidth;
  float halfHeight;
  std::int32_t link;
  std::int32_t param;
  std::int32_t extra;
};
static_assert(sizeof(Character) == 80, "Character is 20 words");

// Character types.
constexpr int kTypePlayer = 1;
constexpr int kTypeEnemy = 2;
constexpr int kTypeEffect = 10;
constexpr int kTypePlayerAttack = 20;
constexpr int kTypeEnemyShot = 21;
constexpr int kTypeMapHazard = 22;
constexpr int kTypeMapEvent = 40;

// Slot 0 stays empty, slot 1 is the player; passes visit 2..300 but only 2..299 are handed out.
constexpr int kCharacterSlots = 301;
constexpr int kPlayerSlot = 1;
constexpr int kFirstObjectSlot = 2;
constexpr int kLastFreeSlot = 299;
constexpr int kLastObjectSlot = 300;
extern Character CharacterTable[kCharacterSlots];

// One tile cell: its kind and how far a falling block is drawn above it.
struct TileCell {
  std::int32_t kind;
  float fallOffset;
};

constexpr int kMapSide = 101;          // cells per side; the last index is at most 100
constexpr int kLastMapIndex = kMapSide - 1;
constexpr int kOutsideTileKind = 20;   // what any point outside the map reads as
// Stored column by column: TileMap[column][row].
extern TileCell TileMap[kMapSide][kMapSide];

// The carried weapons: slot 0 the tool-weapon, 1..5 guns, 6 always empty so that removing a gun
// always pulls in an empty entry, 7 the gun of the machine being ridden.
struct WeaponSlotRecord {
  std::int32_t used;
  std::int32_t weapon;
  std::int32_t ammunition;     // slot 0: the tool-weapon's charges
  std::int32_t countdown;      // reload frames left; slot 0: the tool-weapon's charge counter
};
constexpr int kWeaponSlots = 8;
constexpr int kLastCarriedSlot = 5;
constexpr int kMachineWeaponSlot = 7;

struct BattleCameraState {
  float zoom;
  float x;                     // the world point shown at screen (320, 240)
  float y;
};

struct ScreenFlashState {
  std::int32_t timer;
  std::int32_t alpha;
};

struct BossGaugeState {
  unsigned char shown;         // cleared every frame
  float value;
  float shownValue;
  float maximum;
};

constexpr int kMissionScriptVars = 11;

struct BattleState {
  int CurrentMission;          // 0 training, 1..5
  int Difficulty;              // 1 Easy .. 4 Challange
  int CurrentArea;
  int MissionPhase;            // 0 running, 100 cleared or given up, 101 failed
  int MissionFrames;
  int MissionCountdown;        // frames left
  unsigned char MissionCountdownShown;
  int LastColumn;
  int LastRow;
  float MissionGoalX;
  float MissionGoalY;
  BattleCameraState BattleCamera;
  int HitStopRequest;
  int ScreenShake;
  ScreenFlashState ScreenFlash[3];   // dark, white additive, red additive
  int HpGaugeCount;
  float ShownPlayerHp;
  int AirBoostLevel;
  int AirBoostsLeft;
  int Money;
  int MissionMoney;
  int MissionScore;
  int ComboCount;
  int ComboDisplayTimer;
  int PendingHits;
  int PendingHitTimer;
  int MaxHit;
  int WeaponSlotCount;
  int CurrentWeaponSlot;
  WeaponSlotRecord WeaponSlot[kWeaponSlots];
  float AimAngle;
  int AimFacing;
  int GunOut;
  int ToolWeaponState;         // 0 thrown and away, 1 in hand, 2 charging
  int HeldEnemySlot;
  float MachineHp;
  float WeaponSlotSlide;
  int AmmoGainShown;
  int AmmoGainTimer;
  int AdviceIndex;
  BossGaugeState BossGauge;
  int MissionScriptVars[kMissionScriptVars];
  float MachineMaxHp;
  int MachineGaugeCount;       // 1 or 3; 400 HP a gauge
  int MachineGunCountdown;     // frames until the machine gun may fire again
};
extern BattleState g_battle;

}  // namespace horundel
