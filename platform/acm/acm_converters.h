#pragma once
// The converters behind the ACM streams: one per compressed format, each turning its source into
// interleaved 16-bit PCM of the same channels and rate.
#include <cstdint>
#include <memory>

#include "platform/acm/acm.h"

namespace pf::acm {

class Converter {
 public:
  virtual ~Converter() = default;
  // Most PCM bytes that sourceBytes of source data give.
  virtual std::uint32_t OutputBytesFor(std::uint32_t sourceBytes) const = 0;
  // Converts whole blocks (frames) that fit the destination; a source shorter than one block is
  // converted as the last, cut block. Leaves *used and *produced at the bytes taken and written.
  virtual void Convert(const std::uint8_t* source, std::uint32_t sourceLength, std::uint8_t* dest,
                       std::uint32_t destLength, std::uint32_t* used, std::uint32_t* produced) = 0;
};

// Each returns nullptr when the format (with its extraSize bytes following it) is not one it
// takes. The format must describe 1 or 2 channels at a non-zero rate.
std::unique_ptr<Converter> MakeImaAdpcmConverter(const WaveFormatEx* format);
std::unique_ptr<Converter> MakeMsAdpcmConverter(const WaveFormatEx* format);
std::unique_ptr<Converter> MakeG711Converter(const WaveFormatEx* format);
std::unique_ptr<Converter> MakeMpegConverter(const WaveFormatEx* format);

// The converter for the format's tag, or nullptr.
std::unique_ptr<Converter> MakeConverter(const WaveFormatEx* format);

}  // namespace pf::acm
