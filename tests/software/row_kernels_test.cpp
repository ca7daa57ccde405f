// The row forms at every short length: the vector loops finish a row's last pixels themselves
// (partial blocks) and pass over blocks whose pixels cannot change the destination, so every kind,
// with and without a key, at lengths 0 to 40 and at odd starting pixels must give the reference
// bytes and leave the pixels around the row alone.
#include <gtest/gtest.h>

#include <random>
#include <vector>

#include "media/software/row_kernels.h"
#include "soft_image.h"

namespace zelvo {
namespace {

using testing_soft::ResetSoft;

constexpr int kGuard = 9;     // pixels before and after the row that must not change
constexpr int kLongest = 40;

// Source pixels in blocks of eight of one alpha shape: all 0, all 255, mixed, or holding the key.
std::vector<uint32_t> SourceRow(std::mt19937& rng, uint32_t key, int length) {
  std::vector<uint32_t> src(static_cast<size_t>(length));
  int shape = 0;
  for (int i = 0; i < length; ++i) {
    if (i % 8 == 0) shape = static_cast<int>(rng() % 4);
    const uint32_t colour = rng() & 0x00FFFFFF;
    switch (shape) {
      case 0: src[i] = colour; break;
      case 1: src[i] = colour | 0xFF000000u; break;
      case 2: src[i] = static_cast<uint32_t>(rng()); break;
      default: src[i] = i % 3 == 0 ? key : (colour | (i % 2 ? 0xFF000000u : 0u)); break;
    }
  }
  return src;
}

using RowForm = void (*)(int kind, uint8_t* dst, const uint8_t* src, int count, int param, const uint32_t* key);

// One row through the vector form and through the reference, each over the same random destination
// of `Pixel`s, starting `offset` pixels after a guard that must stay as it was, as must the one after.
template <typename Pixel>
::testing::AssertionResult RowMatchesReference(std::mt19937& rng, RowForm row, RowForm reference, int kind,
                                               const uint8_t* from, int offset, int count, int param,
                                               const uint32_t* key) {
  const size_t total = static_cast<size_t>(kGuard + offset + count + kGuard);
  std::vector<Pixel> a(total), b(total);
  for (size_t i = 0; i < total; ++i) a[i] = b[i] = static_cast<Pixel>(rng());
  row(kind, reinterpret_cast<uint8_t*>(a.data() + kGuard + offset), from, count, param, key);
  reference(kind, reinterpret_cast<uint8_t*>(b.data() + kGuard + offset), from, count, param, key);
  if (a == b) return ::testing::AssertionSuccess();
  return ::testing::AssertionFailure() << "kind " << kind << " param " << param << " keyed " << (key != nullptr)
                                       << " offset " << offset << " count " << count;
}

// A family of row kinds of one pixel size, how its source row is laid out, and which kinds take a key.
struct RowFamily {
  int firstKind, lastKind;
  uint32_t key;
  RowForm row, reference;
  bool (*takesKey)(int kind);
  // Lays out `src` (random pixels of `SourceRow`) for `kind` and gives the first source byte, so the
  // source starts at another offset than the destination.
  const uint8_t* (*sourceStart)(int kind, std::vector<uint32_t>& src, int offset);
};

// Every kind of the family at each vector level, parameter, key use, offset and length 0 to 40.
template <typename Pixel>
void ExpectShortRowsMatch(const RowFamily& family, std::uint32_t seed) {
  ResetSoft();
  std::mt19937 rng(seed);
  for (int level = kSoftPathSse2; level <= BestSoftPathLevel(); ++level) {
    LimitSoftPathLevel(level);
    for (int kind = family.firstKind; kind <= family.lastKind; ++kind) {
      for (int param : {1, 128, 200, 255}) {
        for (bool keyed : {false, true}) {
          if (keyed && !family.takesKey(kind)) continue;
          for (int offset : {0, 1, 3, 7}) {
            for (int count = 0; count <= kLongest; ++count) {
              std::vector<uint32_t> src = SourceRow(rng, family.key, count + 5);
              const uint8_t* from = family.sourceStart(kind, src, offset);
              ASSERT_TRUE(RowMatchesReference<Pixel>(rng, family.row, family.reference, kind, from, offset, count,
                                                     param, keyed ? &family.key : nullptr))
                  << "level " << level;
            }
          }
        }
      }
    }
  }
  ForceSoftReferencePath(0);
}

TEST(RowKernels, ShortRows32MatchTheReferenceAtEveryLengthAndOffset) {
  const RowFamily rows32{soft::kRowLerp, soft::kRowAlphaParamAll, 0xFF102030u, soft::BlendRow32,
                         soft::BlendRow32Reference, [](int) { return true; },
                         [](int, std::vector<uint32_t>& src, int offset) {
                           return reinterpret_cast<const uint8_t*>(src.data() + (offset + 2) % 5);
                         }};
  ExpectShortRowsMatch<uint32_t>(rows32, 29);
}

// 16-bit rows: pixel pairs in partial blocks and a lone last pixel; the alpha kinds read 4-byte
// source pixels (565, then the alpha) in blocks of one alpha shape; the pair kinds take no key.
TEST(RowKernels, ShortRows16MatchTheReferenceAtEveryLengthAndOffset) {
  const RowFamily rows16{
      soft::kRow16Lerp6, soft::kRow16AlphaParamAll, 0x1234, soft::BlendRow16, soft::BlendRow16Reference,
      [](int kind) {
        return !soft::Row16HasAlpha(kind) && kind != soft::kRow16PairAdd && kind != soft::kRow16PairSub;
      },
      [](int kind, std::vector<uint32_t>& src, int offset) {
        const bool wide = soft::Row16HasAlpha(kind);
        for (uint32_t& v : src) v = wide ? (v & 0xFFFF) | (v >> 24) << 16 : v & 0xFFFF;
        return reinterpret_cast<const uint8_t*>(src.data()) + ((offset + 2) % 5) * (wide ? 4 : 2);
      }};
  ExpectShortRowsMatch<uint16_t>(rows16, 37);
}

// Long rows made of whole blocks of alpha 0 and alpha 255, which the alpha kinds pass over or
// copy, among mixed blocks, in both colour types.
TEST(RowKernels, AlphaBlocksOfOneKindMatchTheReference) {
  ResetSoft();
  std::mt19937 rng(31);
  for (int level = kSoftPathSse2; level <= BestSoftPathLevel(); ++level) {
    LimitSoftPathLevel(level);
    for (int kind : {soft::kRowAlphaSource, soft::kRowAlphaParam, soft::kRowAlphaParamAll}) {
      for (int offset = 0; offset < 8; ++offset) {
        const int count = 200;
        std::vector<uint32_t> src = SourceRow(rng, 0x00ABCDEF, count);
        ASSERT_TRUE(RowMatchesReference<uint32_t>(rng, soft::BlendRow32, soft::BlendRow32Reference, kind,
                                                  reinterpret_cast<const uint8_t*>(src.data()), offset, count, 77,
                                                  nullptr))
            << "level " << level;
      }
    }
    for (int kind : {soft::kRow16AlphaSource, soft::kRow16AlphaParam, soft::kRow16AlphaParamAll}) {
      for (int offset = 0; offset < 8; ++offset) {
        const int count = 200;
        std::vector<uint32_t> src = SourceRow(rng, 0x1234, count);
        for (uint32_t& v : src) v = (v & 0xFFFF) | (v >> 24) << 16;
        ASSERT_TRUE(RowMatchesReference<uint16_t>(rng, soft::BlendRow16, soft::BlendRow16Reference, kind,
                                                  reinterpret_cast<const uint8_t*>(src.data()), offset, count, 77,
                                                  nullptr))
            << "level " << level << " 16-bit";
      }
    }
  }
  ForceSoftReferencePath(0);
}

}  // namespace
}  // namespace zelvo
