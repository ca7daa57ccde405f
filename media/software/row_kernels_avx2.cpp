// AVX2 versions of the whole-row blends.
#include <array>
#include <cstddef>
#include <cstdint>
#include <utility>

#include "media/software/row_kernels.h"
#include "media/software/simd_target.h"

ZELVO_SIMD_BEGIN("avx2")

#include "media/software/lanes_avx2.h"
#include "media/software/row_vector.h"

namespace zelvo::soft {

int BlendRowAvx2(int kind, uint8_t* dst, const uint8_t* src, int count, int param, const uint32_t* key) {
  return VectorRow<Avx2>(kind, dst, src, count, param, key);
}

// The AVX2 loops draw rows of any length to their end.
RowBlend PickRowBlend32Avx2(int kind, const uint32_t* key) {
  return RowBlend{VectorRowLoop<Avx2>(kind, key != nullptr), &BlendRow32, kind, key};
}

RowBlend PickRowBlend16Avx2(int kind, const uint32_t* key) {
  return RowBlend{VectorRow16Loop<Avx2>(kind, key != nullptr), &BlendRow16, kind, key};
}

int BlendRow16Avx2(int kind, uint8_t* dst, const uint8_t* src, int count, int param, const uint32_t* key) {
  return VectorRow16<Avx2>(kind, dst, src, count, param, key);
}

// Eight destination pixels that show at most eight neighbouring source columns (enlarging, 1:1 or
// mirrored) come from one load and a permute; other blocks from a gather.
int GatherRowAvx2(uint8_t* dst, const uint8_t* srcRow, const int32_t* columns, int count, int32_t lowest, int32_t highest) {
  int i = 0;
  for (; i + 8 <= count; i += 8) {
    const __m256i index = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(columns + i));
    const int32_t first = columns[i], last = columns[i + 7];
    const int32_t low = first < last ? first : last, high = first < last ? last : first;
    __m256i v;
    if (high - low <= 7 && low >= lowest && low + 7 <= highest) {
      const __m256i block = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(srcRow + static_cast<ptrdiff_t>(low) * 4));
      v = _mm256_permutevar8x32_epi32(block, _mm256_sub_epi32(index, _mm256_set1_epi32(low)));
    } else {
      v = _mm256_i32gather_epi32(reinterpret_cast<const int*>(srcRow), index, 4);
    }
    _mm256_storeu_si256(reinterpret_cast<__m256i*>(dst + i * 4), v);
  }
  return i;
}

}  // namespace zelvo::soft

ZELVO_SIMD_END
