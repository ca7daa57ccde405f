#pragma once
// The saturating add and subtract as documented, written channel by channel in plain arithmetic,
// so the models do not share the library's packed carry and borrow masks.
// Blue is the exact clamped sum or difference. Green and red work on all but their lowest bit,
// and that bit carries what the channel below reports: for add, its overflow (and, where the OR
// term is used, the OR of the inputs' lowest bits); for subtract, that it did not underflow.
#include <cstdint>

namespace zelvo::testing_soft {

struct ChannelLayout {
  int shift[3];
  int width[3];
};
inline constexpr ChannelLayout kLayout8888{{0, 8, 16}, {8, 8, 8}};
inline constexpr ChannelLayout kLayout565{{0, 5, 11}, {5, 6, 5}};

inline int Field(std::uint32_t value, const ChannelLayout& layout, int i) {
  return static_cast<int>((value >> layout.shift[i]) & ((1u << layout.width[i]) - 1));
}

// `orLowBits`: the lowest bits of green and red also take the OR of both inputs' lowest bits.
// In 32 bits byte 3 is the overflow of red; a 16-bit result is 16 bits.
inline std::uint32_t DocumentedAdd(std::uint32_t source, std::uint32_t dest, bool wide, bool orLowBits) {
  const ChannelLayout& layout = wide ? kLayout8888 : kLayout565;
  std::uint32_t out = 0;
  int overflowBelow = 0;
  for (int i = 0; i < 3; ++i) {
    const int s = Field(source, layout, i), d = Field(dest, layout, i);
    const int max = (1 << layout.width[i]) - 1;
    int field;
    int overflow;
    if (i == 0) {
      overflow = s + d > max;
      field = overflow ? max : s + d;
    } else {
      const int upper = (s >> 1) + (d >> 1), upperMax = max >> 1;
      const int lowest = (orLowBits ? (s | d) & 1 : 0) | overflowBelow;
      overflow = upper > upperMax;
      if (!overflow) {
        field = upper << 1 | lowest;
      } else if (!wide && i == 1) {
        field = upperMax << 1 | lowest;   // 16-bit green keeps its lowest bit as computed
      } else {
        field = max;
      }
    }
    out |= static_cast<std::uint32_t>(field) << layout.shift[i];
    overflowBelow = overflow;
  }
  if (wide) out |= static_cast<std::uint32_t>(overflowBelow) << 24;
  return out;
}

// Byte 3 of a 32-bit result is 0.
inline std::uint32_t DocumentedSubtract(std::uint32_t source, std::uint32_t dest, bool wide) {
  const ChannelLayout& layout = wide ? kLayout8888 : kLayout565;
  std::uint32_t out = 0;
  int fitsBelow = 1;
  for (int i = 0; i < 3; ++i) {
    const int s = Field(source, layout, i), d = Field(dest, layout, i);
    int field;
    int fits;
    if (i == 0) {
      fits = d >= s;
      field = fits ? d - s : 0;
    } else {
      fits = (d >> 1) >= (s >> 1);
      const int lowest = !wide && i == 1 ? 0 : fitsBelow;   // 16-bit green's lowest bit is always 0
      field = fits ? ((d >> 1) - (s >> 1)) << 1 | lowest : 0;
    }
    out |= static_cast<std::uint32_t>(field) << layout.shift[i];
    fitsBelow = fits;
  }
  return out;
}

}  // namespace zelvo::testing_soft
