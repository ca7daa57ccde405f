#include "support/wave_writer.h"

#include <algorithm>
#include <cstdlib>
#include <stdexcept>

#include "support/mpeg_writer.h"

namespace zelvo_test {
namespace {

void Le16(WaveBytes& out, std::uint32_t v) {
  out.push_back(static_cast<std::uint8_t>(v));
  out.push_back(static_cast<std::uint8_t>(v >> 8));
}

void Le32(WaveBytes& out, std::uint32_t v) {
  Le16(out, v & 0xFFFF);
  Le16(out, v >> 16);
}

void Tag(WaveBytes& out, const std::string& id) {
  for (int i = 0; i < 4; ++i) out.push_back(static_cast<std::uint8_t>(i < static_cast<int>(id.size()) ? id[i] : ' '));
}

void PutChunk(WaveBytes& out, const WaveChunk& chunk) {
  Tag(out, chunk.id);
  Le32(out, static_cast<std::uint32_t>(chunk.sizeField >= 0 ? chunk.sizeField : chunk.body.size()));
  out.insert(out.end(), chunk.body.begin(), chunk.body.end());
  if (chunk.body.size() & 1) out.push_back(0);
}

std::int16_t Clamp16(int v) { return static_cast<std::int16_t>(std::clamp(v, -32768, 32767)); }

const int kImaSteps[89] = {
    7,     8,     9,     10,    11,    12,    13,    14,    16,    17,    19,    21,    23,    25,    28,
    31,    34,    37,    41,    45,    50,    55,    60,    66,    73,    80,    88,    97,    107,   118,
    130,   143,   157,   173,   190,   209,   230,   253,   279,   307,   337,   371,   408,   449,   494,
    544,   598,   658,   724,   796,   876,   963,   1060,  1166,  1282,  1411,  1552,  1707,  1878,  2066,
    2272,  2499,  2749,  3024,  3327,  3660,  4026,  4428,  4871,  5358,  5894,  6484,  7132,  7845,  8630,
    9493,  10442, 11487, 12635, 13899, 15289, 16818, 18500, 20350, 22385, 24623, 27086, 29794, 32767};
const int kImaIndexMoves[8] = {-1, -1, -1, -1, 2, 4, 6, 8};

struct ImaChannel {
  int predictor = 0;
  int index = 0;
};

int ImaEncode(ImaChannel& ch, int sample) {
  int step = kImaSteps[ch.index];
  int diff = sample - ch.predictor;
  int code = 0;
  if (diff < 0) {
    code = 8;
    diff = -diff;
  }
  int moved = step >> 3;
  if (diff >= step) { code |= 4; diff -= step; moved += step; }
  step >>= 1;
  if (diff >= step) { code |= 2; diff -= step; moved += step; }
  step >>= 1;
  if (diff >= step) { code |= 1; moved += step; }
  ch.predictor = Clamp16(ch.predictor + ((code & 8) ? -moved : moved));
  ch.index = std::clamp(ch.index + kImaIndexMoves[code & 7], 0, 88);
  return code;
}

const int kMsCoefficients[7][2] = {{256, 0}, {512, -256}, {0, 0}, {192, 64}, {240, 0}, {460, -208}, {392, -232}};
const int kMsAdaptation[16] = {230, 230, 230, 230, 307, 409, 512, 614, 768, 614, 512, 409, 307, 230, 230, 230};

struct MsChannel {
  int predictorIndex = 0;
  int delta = 16;
  int sample1 = 0;   // newest
  int sample2 = 0;
};

int MsEncode(MsChannel& ch, int sample) {
  const int* coef = kMsCoefficients[ch.predictorIndex];
  const int predicted = (ch.sample1 * coef[0] + ch.sample2 * coef[1]) >> 8;
  const int diff = sample - predicted;
  int code = (diff >= 0 ? diff + ch.delta / 2 : diff - ch.delta / 2) / ch.delta;
  code = std::clamp(code, -8, 7);
  const int out = Clamp16(predicted + code * ch.delta);
  ch.sample2 = ch.sample1;
  ch.sample1 = out;
  ch.delta = std::max(16, (kMsAdaptation[code & 15] * ch.delta) >> 8);
  return code & 15;
}

// Sample of frame f, channel c, or 0 past the end.
int SampleAt(const std::vector<std::int16_t>& samples, int channels, std::size_t frame, int c) {
  const std::size_t i = frame * channels + c;
  return i < samples.size() ? samples[i] : 0;
}

void CutLastBlock(WaveBytes& data, int blockAlign, int partialBytes) {
  if (partialBytes <= 0 || data.empty()) return;
  data.resize(data.size() - blockAlign + partialBytes);
}

}  // namespace

WaveBytes WriteWave(const WaveLayout& layout) {
  const std::uint16_t blockAlign =
      layout.blockAlign ? layout.blockAlign : static_cast<std::uint16_t>(layout.channels * layout.bitsPerSample / 8);
  WaveBytes format;
  Le16(format, layout.formatTag);
  Le16(format, layout.channels);
  Le32(format, layout.sampleRate);
  Le32(format, layout.avgBytesPerSec ? layout.avgBytesPerSec : layout.sampleRate * blockAlign);
  Le16(format, blockAlign);
  Le16(format, layout.bitsPerSample);
  Le16(format, static_cast<std::uint32_t>(layout.formatExtra.size()));
  format.insert(format.end(), layout.formatExtra.begin(), layout.formatExtra.end());
  int formatSize = layout.formatSize;
  if (formatSize < 0) formatSize = (layout.formatTag == kWavePcm && layout.formatExtra.empty()) ? 16 : static_cast<int>(format.size());
  format.resize(static_cast<std::size_t>(formatSize), 0);

  WaveBytes body;
  Tag(body, "WAVE");
  for (const WaveChunk& c : layout.beforeFormat) PutChunk(body, c);
  PutChunk(body, {"fmt ", format, layout.formatSizeField});
  if (layout.factChunk) {
    WaveBytes fact;
    Le32(fact, layout.factSamples);
    PutChunk(body, {"fact", fact, -1});
  }
  for (const WaveChunk& c : layout.beforeData) PutChunk(body, c);
  if (!layout.omitData) PutChunk(body, {"data", layout.data, layout.dataSizeField});
  for (const WaveChunk& c : layout.afterData) PutChunk(body, c);

  WaveBytes out;
  Tag(out, "RIFF");
  Le32(out, static_cast<std::uint32_t>(body.size()));
  out.insert(out.end(), body.begin(), body.end());
  return out;
}

WaveLayout PcmWave(const std::vector<std::int16_t>& samples, int channels, int rate) {
  WaveLayout layout;
  layout.channels = static_cast<std::uint16_t>(channels);
  layout.sampleRate = static_cast<std::uint32_t>(rate);
  layout.bitsPerSample = 16;
  for (std::int16_t s : samples) Le16(layout.data, static_cast<std::uint16_t>(s));
  return layout;
}

WaveLayout Pcm8Wave(const std::vector<std::uint8_t>& samples, int channels, int rate) {
  WaveLayout layout;
  layout.channels = static_cast<std::uint16_t>(channels);
  layout.sampleRate = static_cast<std::uint32_t>(rate);
  layout.bitsPerSample = 8;
  layout.data = samples;
  return layout;
}

int ImaSamplesPerBlock(int channels, int blockAlign) { return (blockAlign - 4 * channels) * 8 / (4 * channels) + 1; }

int MsAdpcmSamplesPerBlock(int channels, int blockAlign) { return (blockAlign - 7 * channels) * 2 / channels + 2; }

WaveLayout ImaAdpcmWave(const std::vector<std::int16_t>& samples, int channels, int rate, int blockAlign,
                        int partialBytes) {
  if ((blockAlign - 4 * channels) % (4 * channels) != 0) throw std::invalid_argument("IMA block align");
  const int perBlock = ImaSamplesPerBlock(channels, blockAlign);
  const std::size_t frames = samples.size() / channels;
  const std::size_t blocks = (frames + perBlock - 1) / perBlock;
  WaveLayout layout;
  layout.formatTag = kWaveImaAdpcm;
  layout.channels = static_cast<std::uint16_t>(channels);
  layout.sampleRate = static_cast<std::uint32_t>(rate);
  layout.blockAlign = static_cast<std::uint16_t>(blockAlign);
  layout.bitsPerSample = 4;
  layout.avgBytesPerSec = static_cast<std::uint32_t>(static_cast<long long>(rate) * blockAlign / perBlock);
  Le16(layout.formatExtra, static_cast<std::uint32_t>(perBlock));
  layout.factChunk = true;
  layout.factSamples = static_cast<std::uint32_t>(frames);

  std::vector<ImaChannel> state(channels);
  for (std::size_t b = 0; b < blocks; ++b) {
    const std::size_t first = b * perBlock;
    for (int c = 0; c < channels; ++c) {
      state[c].predictor = SampleAt(samples, channels, first, c);
      Le16(layout.data, static_cast<std::uint16_t>(state[c].predictor));
      layout.data.push_back(static_cast<std::uint8_t>(state[c].index));
      layout.data.push_back(0);
    }
    for (int group = 0; group < (perBlock - 1) / 8; ++group) {
      for (int c = 0; c < channels; ++c) {
        for (int k = 0; k < 8; k += 2) {
          const std::size_t f = first + 1 + group * 8 + k;
          const int low = ImaEncode(state[c], SampleAt(samples, channels, f, c));
          const int high = ImaEncode(state[c], SampleAt(samples, channels, f + 1, c));
          layout.data.push_back(static_cast<std::uint8_t>(low | (high << 4)));
        }
      }
    }
  }
  CutLastBlock(layout.data, blockAlign, partialBytes);
  return layout;
}

WaveLayout MsAdpcmWave(const std::vector<std::int16_t>& samples, int channels, int rate, int blockAlign,
                       int partialBytes) {
  const int perBlock = MsAdpcmSamplesPerBlock(channels, blockAlign);
  if (blockAlign < 7 * channels || ((blockAlign - 7 * channels) * 2) % channels != 0) {
    throw std::invalid_argument("MS ADPCM block align");
  }
  const std::size_t frames = samples.size() / channels;
  const std::size_t blocks = (frames + perBlock - 1) / perBlock;
  WaveLayout layout;
  layout.formatTag = kWaveMsAdpcm;
  layout.channels = static_cast<std::uint16_t>(channels);
  layout.sampleRate = static_cast<std::uint32_t>(rate);
  layout.blockAlign = static_cast<std::uint16_t>(blockAlign);
  layout.bitsPerSample = 4;
  layout.avgBytesPerSec = static_cast<std::uint32_t>(static_cast<long long>(rate) * blockAlign / perBlock);
  Le16(layout.formatExtra, static_cast<std::uint32_t>(perBlock));
  Le16(layout.formatExtra, 7);
  for (const auto& pair : kMsCoefficients) {
    Le16(layout.formatExtra, static_cast<std::uint16_t>(pair[0]));
    Le16(layout.formatExtra, static_cast<std::uint16_t>(pair[1]));
  }
  layout.factChunk = true;
  layout.factSamples = static_cast<std::uint32_t>(frames);

  for (std::size_t b = 0; b < blocks; ++b) {
    const std::size_t first = b * perBlock;
    std::vector<MsChannel> state(channels);
    for (int c = 0; c < channels; ++c) {
      // The predictor with the smallest error over the block, starting from the block's first two
      // samples and an initial step of 16.
      long long bestError = -1;
      for (int p = 0; p < 7; ++p) {
        MsChannel trial;
        trial.predictorIndex = p;
        trial.sample2 = SampleAt(samples, channels, first, c);
        trial.sample1 = SampleAt(samples, channels, first + 1, c);
        long long error = 0;
        for (int i = 2; i < perBlock; ++i) {
          const int s = SampleAt(samples, channels, first + i, c);
          MsEncode(trial, s);
          error += std::llabs(static_cast<long long>(trial.sample1) - s);
        }
        if (bestError < 0 || error < bestError) {
          bestError = error;
          state[c].predictorIndex = p;
        }
      }
      state[c].sample2 = SampleAt(samples, channels, first, c);
      state[c].sample1 = SampleAt(samples, channels, first + 1, c);
    }
    for (int c = 0; c < channels; ++c) layout.data.push_back(static_cast<std::uint8_t>(state[c].predictorIndex));
    for (int c = 0; c < channels; ++c) Le16(layout.data, static_cast<std::uint16_t>(state[c].delta));
    for (int c = 0; c < channels; ++c) Le16(layout.data, static_cast<std::uint16_t>(state[c].sample1));
    for (int c = 0; c < channels; ++c) Le16(layout.data, static_cast<std::uint16_t>(state[c].sample2));
    int pending = -1;
    for (int i = 2; i < perBlock; ++i) {
      for (int c = 0; c < channels; ++c) {
        const int code = MsEncode(state[c], SampleAt(samples, channels, first + i, c));
        if (pending < 0) {
          pending = code;
        } else {
          layout.data.push_back(static_cast<std::uint8_t>((pending << 4) | code));
          pending = -1;
        }
      }
    }
  }
  CutLastBlock(layout.data, blockAlign, partialBytes);
  return layout;
}

std::uint8_t LinearToALaw(std::int16_t sample) {
  static const int kSegmentEnds[8] = {0x1F, 0x3F, 0x7F, 0xFF, 0x1FF, 0x3FF, 0x7FF, 0xFFF};
  int pcm = sample >> 3;
  int mask = 0xD5;
  if (pcm < 0) {
    mask = 0x55;
    pcm = -pcm - 1;
  }
  int segment = 0;
  while (segment < 8 && pcm > kSegmentEnds[segment]) ++segment;
  if (segment >= 8) return static_cast<std::uint8_t>(0x7F ^ mask);
  int value = segment << 4;
  value |= (segment < 2 ? (pcm >> 1) : (pcm >> segment)) & 0x0F;
  return static_cast<std::uint8_t>(value ^ mask);
}

std::uint8_t LinearToMuLaw(std::int16_t sample) {
  static const int kSegmentEnds[8] = {0x3F, 0x7F, 0xFF, 0x1FF, 0x3FF, 0x7FF, 0xFFF, 0x1FFF};
  int pcm = sample >> 2;
  int mask = 0xFF;
  if (pcm < 0) {
    pcm = -pcm;
    mask = 0x7F;
  }
  pcm = std::min(pcm, 8159) + (0x84 >> 2);
  int segment = 0;
  while (segment < 8 && pcm > kSegmentEnds[segment]) ++segment;
  if (segment >= 8) return static_cast<std::uint8_t>(0x7F ^ mask);
  return static_cast<std::uint8_t>(((segment << 4) | ((pcm >> (segment + 1)) & 0x0F)) ^ mask);
}

WaveLayout G711Wave(std::uint16_t tag, const std::vector<std::uint8_t>& codes, int channels, int rate) {
  WaveLayout layout;
  layout.formatTag = tag;
  layout.channels = static_cast<std::uint16_t>(channels);
  layout.sampleRate = static_cast<std::uint32_t>(rate);
  layout.bitsPerSample = 8;
  layout.data = codes;
  return layout;
}

WaveLayout MpegWave(const WaveBytes& frames) {
  MpegFrameShape shape;
  if (frames.size() < 4 || !ParseMpegFrameHeader(frames.data(), &shape)) throw std::invalid_argument("no MPEG frame");
  const int frameBytes = MpegFrameBytes(shape);
  WaveLayout layout;
  layout.channels = static_cast<std::uint16_t>(shape.mono ? 1 : 2);
  layout.sampleRate = static_cast<std::uint32_t>(shape.sampleRate);
  layout.avgBytesPerSec = static_cast<std::uint32_t>(shape.bitrateKbps * 1000 / 8);
  layout.bitsPerSample = 0;
  if (shape.layer == 3) {
    layout.formatTag = kWaveMpegLayer3;
    layout.blockAlign = 1;
    Le16(layout.formatExtra, 1);                               // MPEG
    Le32(layout.formatExtra, shape.padding ? 1 : 0);            // padding flags
    Le16(layout.formatExtra, static_cast<std::uint32_t>(frameBytes));
    Le16(layout.formatExtra, 1);                               // frames per block
    Le16(layout.formatExtra, 1393);                            // codec delay
  } else {
    layout.formatTag = kWaveMpeg;
    layout.blockAlign = static_cast<std::uint16_t>(frameBytes);
    Le16(layout.formatExtra, shape.layer == 1 ? 1 : 2);         // head layer
    Le32(layout.formatExtra, static_cast<std::uint32_t>(shape.bitrateKbps * 1000));
    Le16(layout.formatExtra, shape.mono ? 8 : 1);               // head mode
    Le16(layout.formatExtra, 0);                               // mode extension
    Le16(layout.formatExtra, 1);                               // emphasis: none
    Le16(layout.formatExtra, shape.version == 1 ? 0x10 : 0);    // MPEG-1 flag
    Le32(layout.formatExtra, 0);
    Le32(layout.formatExtra, 0);
  }
  layout.factChunk = true;
  layout.factSamples = static_cast<std::uint32_t>(frames.size() / frameBytes * MpegFrameSamples(shape));
  layout.data = frames;
  return layout;
}

}  // namespace zelvo_test
