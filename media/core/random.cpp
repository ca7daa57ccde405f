// MT19937 in its reference form, seeded by the 1998 routine (two steps of x -> 69069 x + 1 per
// word, the upper halves kept). Used only under the library lock.
#include "media/core/random.h"

#include "platform/kernel/kernel.h"

namespace zelvo {

namespace {

constexpr int kStateWords = 624;
constexpr int kShift = 397;
constexpr std::uint32_t kUpperMask = 0x80000000u;
constexpr std::uint32_t kLowerMask = 0x7fffffffu;
constexpr std::uint32_t kMatrix = 0x9908b0dfu;
constexpr std::uint32_t kDefaultSeed = 4357;

struct RandomState {
  std::uint32_t state[kStateWords];
  std::uint32_t output[kStateWords];
  int readIndex = kStateWords;
  int seeded = 0;
  int mmx = 0;
};
RandomState g_random;

std::uint32_t Twist(std::uint32_t upper, std::uint32_t lower, std::uint32_t shifted) {
  const std::uint32_t y = (upper & kUpperMask) | (lower & kLowerMask);
  return shifted ^ (y >> 1) ^ ((y & 1u) != 0 ? kMatrix : 0u);
}

std::uint32_t Temper(std::uint32_t y) {
  y ^= y >> 11;
  y ^= (y << 7) & 0x9d2c5680u;
  y ^= (y << 15) & 0xefc60000u;
  y ^= y >> 18;
  return y;
}

void Regenerate() {
  std::uint32_t* mt = g_random.state;
  int k = 0;
  for (; k < kStateWords - kShift; ++k) {
    mt[k] = Twist(mt[k], mt[k + 1], mt[k + kShift]);
  }
  for (; k < kStateWords - 1; ++k) {
    mt[k] = Twist(mt[k], mt[k + 1], mt[k + kShift - kStateWords]);
  }
  mt[kStateWords - 1] = Twist(mt[kStateWords - 1], mt[0], mt[kShift - 1]);
  for (int i = 0; i < kStateWords; ++i) {
    g_random.output[i] = Temper(mt[i]);
  }
  g_random.readIndex = 0;
}

}  // namespace

int CpuHasMMX() {
  if (!pf::CpuIdAvailable()) {
    return 0;
  }
  pf::CpuIdRegisters registers{};
  pf::CpuId(1, &registers);
  return (registers.edx >> 23) & 1u;
}

void SeedRandom(std::uint32_t seed) {
  std::uint32_t x = seed;
  for (int i = 0; i < kStateWords; ++i) {
    g_random.state[i] = (x & 0xffff0000u) | ((69069u * x + 1u) >> 16);
    x = 475559465u * x + 69070u;
  }
  g_random.mmx = CpuHasMMX();
  g_random.seeded = 1;
  Regenerate();
}

std::uint32_t NextRandomWord() {
  if (g_random.readIndex >= kStateWords) {
    if (g_random.seeded == 0) {
      SeedRandom(kDefaultSeed);
    } else {
      Regenerate();
    }
  }
  return g_random.output[g_random.readIndex++];
}

// The high half of word x (m + 1), with m + 1 taken in 64 bits so that m = INT_MAX works too.
int GetRandomInRange(int maximum) {
  const std::int64_t range = static_cast<std::int64_t>(maximum) + 1;
  const std::int64_t product = static_cast<std::int64_t>(NextRandomWord()) * range;
  return static_cast<int>(static_cast<std::uint64_t>(product) >> 32);
}

void ResetRandomState() {
  g_random = RandomState{};
}

}  // namespace zelvo
