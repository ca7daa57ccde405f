// The run of a span's pixels that lie inside the source, found by division, against the per-pixel
// test it replaces.
#include <gtest/gtest.h>

#include <random>

#include "media/software/rotate_kernels.h"

namespace zelvo::soft {
namespace {

TEST(InsideRunTest, MatchesThePerPixelTest) {
  std::mt19937 rng(7);
  int found = 0;
  for (int it = 0; it < 200000; ++it) {
    const uint32_t limit = (1 + rng() % 8192) << kFixedShift;
    // Positions near the edges and steps from tiny to large, both signs.
    const int64_t edge = (rng() & 1) ? 0 : limit;
    const uint32_t p = static_cast<uint32_t>(edge + static_cast<int32_t>(rng() % 4000000) - 2000000 +
                                             ((rng() % 4 == 0) ? static_cast<int32_t>(rng()) : 0));
    const int shift = static_cast<int>(rng() % 31);
    const uint32_t step = (rng() % 5 == 0) ? 0 : static_cast<uint32_t>(static_cast<int32_t>(rng()) >> shift);
    const int count = 1 + static_cast<int>(rng() % 64);
    int first = -1, end = -1;
    if (!InsideRun(p, step, limit, count, &first, &end)) continue;
    ++found;
    ASSERT_LE(0, first);
    ASSERT_LE(first, end);
    ASSERT_LE(end, count);
    uint32_t u = p;
    for (int j = 0; j < count; ++j, u += step) {
      ASSERT_EQ(u < limit, j >= first && j < end) << "p " << p << " step " << step << " limit " << limit << " j " << j;
    }
  }
  EXPECT_GT(found, 100000);
}

}  // namespace
}  // namespace zelvo::soft
