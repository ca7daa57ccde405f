#pragma once
// MT19937 with the 1998 seeding routine: the library's one random source.
#include <cstdint>

namespace zelvo {

void SeedRandom(std::uint32_t seed);
std::uint32_t NextRandomWord();
int GetRandomInRange(int maximum);
int CpuHasMMX();

// Unseeded, as at process start.
void ResetRandomState();

}  // namespace zelvo
