// MPEG audio (Layers I to III) through libmpg123 in feed mode. Only whole frames are fed, one at a
// time, and only while the destination has room for a frame's samples, so nothing decoded is ever
// held back inside the decoder.
#include <mpg123.h>

#include <algorithm>
#include <cstring>
#include <mutex>

#include "platform/acm/acm_converters.h"

namespace pf::acm {
namespace {

struct FrameInfo {
  std::uint32_t bytes;
  std::uint32_t samples;
};

// Bitrates in kbit/s by [MPEG-1 ? 0 : 1][layer - 1][index].
const int kBitrates[2][3][16] = {
    {{0, 32, 64, 96, 128, 160, 192, 224, 256, 288, 320, 352, 384, 416, 448, 0},
     {0, 32, 48, 56, 64, 80, 96, 112, 128, 160, 192, 224, 256, 320, 384, 0},
     {0, 32, 40, 48, 56, 64, 80, 96, 112, 128, 160, 192, 224, 256, 320, 0}},
    {{0, 32, 48, 56, 64, 80, 96, 112, 128, 144, 160, 176, 192, 224, 256, 0},
     {0, 8, 16, 24, 32, 40, 48, 56, 64, 80, 96, 112, 128, 144, 160, 0},
     {0, 8, 16, 24, 32, 40, 48, 56, 64, 80, 96, 112, 128, 144, 160, 0}}};
// Sample rates by version bits (00 MPEG-2.5, 10 MPEG-2, 11 MPEG-1) and rate index.
const int kRates[4][3] = {{11025, 12000, 8000}, {0, 0, 0}, {22050, 24000, 16000}, {44100, 48000, 32000}};

bool ParseFrame(const std::uint8_t* h, FrameInfo* frame) {
  if (h[0] != 0xFF || (h[1] & 0xE0) != 0xE0) return false;
  const int version = (h[1] >> 3) & 3;
  const int layer = 4 - ((h[1] >> 1) & 3);
  const int bitrateIndex = h[2] >> 4;
  const int rateIndex = (h[2] >> 2) & 3;
  if (version == 1 || layer == 4 || bitrateIndex == 0 || bitrateIndex == 15 || rateIndex == 3) return false;
  const bool mpeg1 = version == 3;
  const int bitrate = kBitrates[mpeg1 ? 0 : 1][layer - 1][bitrateIndex] * 1000;
  const int rate = kRates[version][rateIndex];
  const int padding = (h[2] >> 1) & 1;
  if (layer == 1) {
    frame->bytes = static_cast<std::uint32_t>((12 * bitrate / rate + padding) * 4);
    frame->samples = 384;
  } else if (layer == 3 && !mpeg1) {
    frame->bytes = static_cast<std::uint32_t>(72 * bitrate / rate + padding);
    frame->samples = 576;
  } else {
    frame->bytes = static_cast<std::uint32_t>(144 * bitrate / rate + padding);
    frame->samples = 1152;
  }
  return true;
}

void InitLibraryOnce() {
  static std::once_flag once;
  std::call_once(once, [] { mpg123_init(); });
}

class MpegConverter final : public Converter {
 public:
  MpegConverter(mpg123_handle* handle, int channels, std::uint32_t samplesPerFrame, std::uint32_t frameBytes)
      : handle_(handle), channels_(channels), samplesPerFrame_(samplesPerFrame), frameBytes_(frameBytes) {}
  ~MpegConverter() override { mpg123_delete(handle_); }

  std::uint32_t OutputBytesFor(std::uint32_t sourceBytes) const override {
    const std::uint64_t frames = sourceBytes / frameBytes_ + 1;
    return static_cast<std::uint32_t>(std::min<std::uint64_t>(frames * samplesPerFrame_ * channels_ * 2, 0xFFFFFFFFu));
  }

  void Convert(const std::uint8_t* source, std::uint32_t sourceLength, std::uint8_t* dest, std::uint32_t destLength,
               std::uint32_t* used, std::uint32_t* produced) override {
    std::uint32_t taken = 0, written = 0;
    while (sourceLength - taken >= 4) {
      FrameInfo frame;
      if (!ParseFrame(source + taken, &frame)) {
        ++taken;   // bytes between frames
        continue;
      }
      if (frame.bytes > sourceLength - taken) break;   // the rest of the frame comes with the next source
      if (destLength - written < frame.samples * channels_ * 2) break;
      mpg123_feed(handle_, source + taken, frame.bytes);
      taken += frame.bytes;
      written += Drain(dest + written, destLength - written);
    }
    *used = taken;
    *produced = written;
  }

 private:
  std::uint32_t Drain(std::uint8_t* dest, std::uint32_t room) {
    std::uint32_t written = 0;
    for (;;) {
      off_t frameNumber = 0;
      unsigned char* audio = nullptr;
      std::size_t bytes = 0;
      const int result = mpg123_decode_frame(handle_, &frameNumber, &audio, &bytes);
      if (result == MPG123_NEW_FORMAT) continue;
      if (result != MPG123_OK) {
        // A damaged frame: start the decoder afresh for the frames that follow.
        if (result != MPG123_NEED_MORE) mpg123_open_feed(handle_);
        return written;
      }
      const std::uint32_t n = static_cast<std::uint32_t>(std::min<std::size_t>(bytes, room - written));
      std::memcpy(dest + written, audio, n);
      written += n;
    }
  }

  mpg123_handle* handle_;
  std::uint32_t channels_;
  std::uint32_t samplesPerFrame_;
  std::uint32_t frameBytes_;
};

}  // namespace

std::unique_ptr<Converter> MakeMpegConverter(const WaveFormatEx* format) {
  if (format->formatTag != WAVE_FORMAT_MPEG && format->formatTag != WAVE_FORMAT_MPEGLAYER3) return nullptr;
  const long rate = static_cast<long>(format->samplesPerSec);
  bool knownRate = false;
  for (const auto& row : kRates) knownRate = knownRate || std::find(row, row + 3, rate) != row + 3;
  if (!knownRate || rate == 0 || format->avgBytesPerSec == 0) return nullptr;

  std::uint32_t samplesPerFrame = rate >= 32000 ? 1152 : 576;
  if (format->formatTag == WAVE_FORMAT_MPEG) {
    const auto* extra = reinterpret_cast<const std::uint8_t*>(format + 1);
    const int headLayer = format->extraSize >= 2 ? extra[0] | (extra[1] << 8) : 2;
    samplesPerFrame = headLayer == 1 ? 384 : 1152;
  }
  const std::uint64_t frameBytes = std::uint64_t{format->avgBytesPerSec} * samplesPerFrame / rate;

  InitLibraryOnce();
  mpg123_handle* handle = mpg123_new(nullptr, nullptr);
  if (handle == nullptr) return nullptr;
  mpg123_param(handle, MPG123_REMOVE_FLAGS, MPG123_GAPLESS, 0);
  mpg123_param(handle, MPG123_ADD_FLAGS, MPG123_QUIET | MPG123_NO_READAHEAD | MPG123_IGNORE_INFOFRAME, 0);
  mpg123_param(handle, MPG123_RESYNC_LIMIT, 0, 0);
  mpg123_format_none(handle);
  if (mpg123_format(handle, rate, format->channels == 1 ? MPG123_MONO : MPG123_STEREO, MPG123_ENC_SIGNED_16) !=
          MPG123_OK ||
      mpg123_open_feed(handle) != MPG123_OK) {
    mpg123_delete(handle);
    return nullptr;
  }
  return std::make_unique<MpegConverter>(handle, format->channels, samplesPerFrame,
                                         static_cast<std::uint32_t>(std::max<std::uint64_t>(frameBytes, 1)));
}

}  // namespace pf::acm
