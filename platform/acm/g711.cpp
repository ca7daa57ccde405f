// A-law and mu-law: one byte a sample, expanded through a 256-entry table.
#include <algorithm>
#include <array>

#include "platform/acm/acm_converters.h"

namespace pf::acm {
namespace {

constexpr std::int16_t ALawToLinear(int code) {
  code ^= 0x55;
  int value = (code & 0x0F) << 4;
  const int segment = (code & 0x70) >> 4;
  if (segment == 0) {
    value += 8;
  } else {
    value += 0x108;
    value <<= segment - 1;
  }
  return static_cast<std::int16_t>((code & 0x80) ? value : -value);
}

constexpr std::int16_t MuLawToLinear(int code) {
  code = ~code & 0xFF;
  int value = ((code & 0x0F) << 3) + 0x84;
  value <<= (code & 0x70) >> 4;
  return static_cast<std::int16_t>((code & 0x80) ? 0x84 - value : value - 0x84);
}

template <std::int16_t (*Expand)(int)>
constexpr std::array<std::int16_t, 256> MakeTable() {
  std::array<std::int16_t, 256> table{};
  for (int i = 0; i < 256; ++i) table[i] = Expand(i);
  return table;
}

constexpr auto kALaw = MakeTable<ALawToLinear>();
constexpr auto kMuLaw = MakeTable<MuLawToLinear>();

class G711Converter final : public Converter {
 public:
  G711Converter(const std::array<std::int16_t, 256>& table, int channels) : table_(table), channels_(channels) {}

  std::uint32_t OutputBytesFor(std::uint32_t sourceBytes) const override {
    return static_cast<std::uint32_t>(std::min<std::uint64_t>((sourceBytes / channels_) * channels_ * 2ull, 0xFFFFFFFFu));
  }

  void Convert(const std::uint8_t* source, std::uint32_t sourceLength, std::uint8_t* dest, std::uint32_t destLength,
               std::uint32_t* used, std::uint32_t* produced) override {
    std::uint32_t frames = std::min(sourceLength / channels_, destLength / (2u * channels_));
    const std::uint32_t count = frames * channels_;
    auto* out = reinterpret_cast<std::int16_t*>(dest);
    for (std::uint32_t i = 0; i < count; ++i) out[i] = table_[source[i]];
    *used = count;
    *produced = count * 2;
  }

 private:
  const std::array<std::int16_t, 256>& table_;
  std::uint32_t channels_;
};

}  // namespace

std::unique_ptr<Converter> MakeG711Converter(const WaveFormatEx* format) {
  if (format->bitsPerSample != 8 || format->blockAlign != format->channels) return nullptr;
  if (format->formatTag == WAVE_FORMAT_ALAW) return std::make_unique<G711Converter>(kALaw, format->channels);
  if (format->formatTag == WAVE_FORMAT_MULAW) return std::make_unique<G711Converter>(kMuLaw, format->channels);
  return nullptr;
}

}  // namespace pf::acm
