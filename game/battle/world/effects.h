#pragma once
// Visual effects: light particles in a ring that is overwritten in turn and never refuses, and
// heavier effect objects (type 10) in the character table. Effects never touch gameplay state.
namespace horundel {

struct Particle {
  int kind;
  int life;       // frames left; 0 = free
  float x;
  float y;
  float rotation;
  float scale;
  float vx;
  float vy;
};

// Writes cycle through all 301 records; the passes visit 0..299 only.
constexpr int kParticleRecords = 301;
constexpr int kLastParticleIndex = 300;
constexpr int kLastVisitedParticle = 299;

struct ParticleRingState {
  Particle records[kParticleRecords];
  int next;
};
extern ParticleRingState ParticleRing;

// Effect kinds that become objects (every kind not written as particles).
constexpr int kEffectStreak = 100;
constexpr int kEffectBigStreak = 101;
constexpr int kEffectHidden = 120;
constexpr int kEffectTrail = 130;
constexpr int kEffectBlast = 250;
constexpr int kEffectSurprise = 300;
constexpr int kEffectQuestion = 310;
constexpr int kEffectFlee = 311;
constexpr int kEffectLostWeapon = 400;
constexpr int kEffectNumber = 410;
constexpr int kEffectRepair = 420;
constexpr int kEffectRefill = 430;
constexpr int kEffectCharge = 440;

// Particle kinds: 0 for particle kinds, else the new slot, or 0 when the table is full.
int SpawnEffect(int kind, float x, float y, float param, float angle, int owner);
int IsParticleSpawnKind(int kind);

void UpdateParticles();
void DrawParticles();
void UpdateEffectObject(int slot);
void DrawEffectObject(int slot);

}  // namespace horundel
