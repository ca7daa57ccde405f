#include "media/sound_input/mpeg_frames.h"

#include <cstring>

#include "platform/acm/acm.h"

namespace zelvo {
namespace {

// kbit/s by [MPEG-1 ? 0 : 1][layer - 1][index]; index 0 and 15 are refused before the lookup.
const int kBitrates[2][3][15] = {
    {{0, 32, 64, 96, 128, 160, 192, 224, 256, 288, 320, 352, 384, 416, 448},
     {0, 32, 48, 56, 64, 80, 96, 112, 128, 160, 192, 224, 256, 320, 384},
     {0, 32, 40, 48, 56, 64, 80, 96, 112, 128, 160, 192, 224, 256, 320}},
    {{0, 32, 48, 56, 64, 80, 96, 112, 128, 144, 160, 176, 192, 224, 256},
     {0, 8, 16, 24, 32, 40, 48, 56, 64, 80, 96, 112, 128, 144, 160},
     {0, 8, 16, 24, 32, 40, 48, 56, 64, 80, 96, 112, 128, 144, 160}}};
const int kRates[3] = {44100, 48000, 32000};

void PutLe16(std::uint8_t* p, std::uint32_t v) {
  p[0] = static_cast<std::uint8_t>(v);
  p[1] = static_cast<std::uint8_t>(v >> 8);
}

}  // namespace

int ParseMpegFrameHeader(const std::uint8_t* h, MpegFrameHeader* out) {
  const int layerBits = (h[1] >> 1) & 3;
  const int bitrateIndex = h[2] >> 4;
  const int rateIndex = (h[2] >> 2) & 3;
  if (layerBits == 0 || bitrateIndex == 0 || bitrateIndex == 15 || rateIndex == 3) return -1;
  out->mpeg1 = (h[1] >> 3) & 1;
  out->layer = 4 - layerBits;
  out->bitrate = kBitrates[out->mpeg1 ? 0 : 1][out->layer - 1][bitrateIndex] * 1000;
  out->sampleRate = out->mpeg1 ? kRates[rateIndex] : kRates[rateIndex] / 2;
  out->padding = (h[2] >> 1) & 1;
  out->channels = (h[3] >> 6) == 3 ? 1 : 2;
  if (out->layer == 1) {
    out->frameBytes = (12 * out->bitrate / out->sampleRate + out->padding) * 4;
    out->samples = 384;
  } else if (out->layer == 3 && !out->mpeg1) {
    out->frameBytes = 72 * out->bitrate / out->sampleRate + out->padding;
    out->samples = 576;
  } else {
    out->frameBytes = 144 * out->bitrate / out->sampleRate + out->padding;
    out->samples = 1152;
  }
  return 0;
}

std::int64_t Id3v2SkipBytes(const std::uint8_t* head) {
  std::int64_t size = 0;
  for (int i = 6; i < 10; ++i) size = (size << 7) | (head[i] & 0x7F);
  std::int64_t skip = size + 10;
  if (head[3] == 4 && (head[5] & 0x10)) skip += 10;   // footer
  return skip;
}

int ScanMpegFrames(const std::uint8_t* audio, std::int32_t size, MpegScan* scan) {
  std::int64_t total = 0;
  std::int32_t position = 0;
  bool found = false;
  scan->audioEnd = size;
  for (;;) {
    // Every header read stays inside the audio.
    while (position + 4 <= size && !(audio[position] == 0xFF && audio[position + 1] >= 0xF0)) ++position;
    if (position + 4 > size) break;
    MpegFrameHeader header;
    if (ParseMpegFrameHeader(audio + position, &header) != 0) return -1;
    if (!found) {
      scan->first = header;
      scan->firstFrame = position;
      found = true;
    }
    total += header.samples;
    // The PCM length (samples x 4 bytes at most) must fit a 32-bit size.
    if (total * 4 > INT32_MAX) return -1;
    const std::int64_t next = std::int64_t{position} + header.frameBytes;
    if (next >= size) break;
    // The first frame must be followed straight away by another frame (or the end): one lucky
    // header in other data is not MPEG audio.
    if (position == scan->firstFrame && next + 4 <= size && !(audio[next] == 0xFF && audio[next + 1] >= 0xF0)) return -1;
    position = static_cast<std::int32_t>(next);
  }
  if (!found) return -1;
  scan->totalSamples = static_cast<std::int32_t>(total);
  return 0;
}

void BuildMpegLayer3Format(const MpegFrameHeader& first, std::uint8_t* out) {
  pf::WaveFormatEx format{};
  format.formatTag = pf::WAVE_FORMAT_MPEGLAYER3;
  format.channels = static_cast<std::uint16_t>(first.channels);
  format.samplesPerSec = static_cast<std::uint32_t>(first.sampleRate);
  format.avgBytesPerSec = static_cast<std::uint32_t>(first.bitrate / 1000 * 1000 / 8);
  format.blockAlign = 1;
  format.bitsPerSample = 0;
  format.extraSize = 12;
  std::memcpy(out, &format, sizeof format);
  std::uint8_t* extra = out + sizeof format;
  PutLe16(extra, 1);                                           // MPEG
  PutLe16(extra + 2, static_cast<std::uint32_t>(first.padding));   // flags (32 bits)
  PutLe16(extra + 4, 0);
  PutLe16(extra + 6, static_cast<std::uint32_t>(first.frameBytes));
  PutLe16(extra + 8, 1);                                       // frames per block
  PutLe16(extra + 10, 700);                                    // codec delay
}

}  // namespace zelvo
