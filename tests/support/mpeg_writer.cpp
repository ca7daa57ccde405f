#include "support/mpeg_writer.h"

#include <stdexcept>

namespace zelvo_test {
namespace {

// Bitrates in kbit/s by [MPEG-2][layer - 1][index].
const int kBitrates[2][3][15] = {
    {{0, 32, 64, 96, 128, 160, 192, 224, 256, 288, 320, 352, 384, 416, 448},
     {0, 32, 48, 56, 64, 80, 96, 112, 128, 160, 192, 224, 256, 320, 384},
     {0, 32, 40, 48, 56, 64, 80, 96, 112, 128, 160, 192, 224, 256, 320}},
    {{0, 32, 48, 56, 64, 80, 96, 112, 128, 144, 160, 176, 192, 224, 256},
     {0, 8, 16, 24, 32, 40, 48, 56, 64, 80, 96, 112, 128, 144, 160},
     {0, 8, 16, 24, 32, 40, 48, 56, 64, 80, 96, 112, 128, 144, 160}}};
const int kRates[2][3] = {{44100, 48000, 32000}, {22050, 24000, 16000}};

int BitrateIndex(const MpegFrameShape& shape) {
  for (int i = 1; i < 15; ++i) {
    if (kBitrates[shape.version - 1][shape.layer - 1][i] == shape.bitrateKbps) return i;
  }
  throw std::invalid_argument("bitrate not in the MPEG table");
}

int RateIndex(const MpegFrameShape& shape) {
  for (int i = 0; i < 3; ++i) {
    if (kRates[shape.version - 1][i] == shape.sampleRate) return i;
  }
  throw std::invalid_argument("sample rate not in the MPEG table");
}

}  // namespace

std::uint32_t MpegFrameHeader(const MpegFrameShape& shape) {
  std::uint32_t header = 0xFFF00000u;
  if (shape.version == 1) header |= 1u << 19;
  header |= static_cast<std::uint32_t>(4 - shape.layer) << 17;
  header |= 1u << 16;   // no CRC
  header |= static_cast<std::uint32_t>(BitrateIndex(shape)) << 12;
  header |= static_cast<std::uint32_t>(RateIndex(shape)) << 10;
  if (shape.padding) header |= 1u << 9;
  if (shape.mono) header |= 3u << 6;
  return header;
}

bool ParseMpegFrameHeader(const std::uint8_t* h, MpegFrameShape* shape) {
  if (h[0] != 0xFF || (h[1] & 0xF0) != 0xF0) return false;
  const int layerBits = (h[1] >> 1) & 3;
  const int bitrateIndex = h[2] >> 4;
  const int rateIndex = (h[2] >> 2) & 3;
  if (layerBits == 0 || bitrateIndex == 0 || bitrateIndex == 15 || rateIndex == 3) return false;
  shape->version = (h[1] & 0x08) ? 1 : 2;
  shape->layer = 4 - layerBits;
  shape->bitrateKbps = kBitrates[shape->version - 1][shape->layer - 1][bitrateIndex];
  shape->sampleRate = kRates[shape->version - 1][rateIndex];
  shape->padding = (h[2] & 0x02) != 0;
  shape->mono = (h[3] >> 6) == 3;
  return true;
}

int MpegFrameBytes(const MpegFrameShape& shape) {
  const int bitrate = shape.bitrateKbps * 1000;
  const int pad = shape.padding ? 1 : 0;
  if (shape.layer == 1) return (12 * bitrate / shape.sampleRate + pad) * 4;
  if (shape.layer == 3 && shape.version == 2) return 72 * bitrate / shape.sampleRate + pad;
  return 144 * bitrate / shape.sampleRate + pad;
}

int MpegFrameSamples(const MpegFrameShape& shape) {
  if (shape.layer == 1) return 384;
  if (shape.layer == 3 && shape.version == 2) return 576;
  return 1152;
}

MpegBytes SilentMpegFrames(const MpegFrameShape& shape, int count) {
  const std::uint32_t header = MpegFrameHeader(shape);
  const int bytes = MpegFrameBytes(shape);
  MpegBytes out;
  out.reserve(static_cast<std::size_t>(bytes) * count);
  for (int f = 0; f < count; ++f) {
    out.push_back(static_cast<std::uint8_t>(header >> 24));
    out.push_back(static_cast<std::uint8_t>(header >> 16));
    out.push_back(static_cast<std::uint8_t>(header >> 8));
    out.push_back(static_cast<std::uint8_t>(header));
    out.insert(out.end(), static_cast<std::size_t>(bytes - 4), 0);
  }
  return out;
}

MpegBytes Id3v2Tag(int version, std::uint32_t bodySize, bool footer) {
  MpegBytes out = {'I', 'D', '3', static_cast<std::uint8_t>(version), 0,
                   static_cast<std::uint8_t>(footer ? 0x10 : 0)};
  for (int shift = 21; shift >= 0; shift -= 7) out.push_back(static_cast<std::uint8_t>((bodySize >> shift) & 0x7F));
  out.insert(out.end(), bodySize, 0);
  if (footer) {
    MpegBytes tail(out.begin(), out.begin() + 10);
    tail[0] = '3';
    tail[1] = 'D';
    tail[2] = 'I';
    out.insert(out.end(), tail.begin(), tail.end());
  }
  return out;
}

MpegBytes Id3v1Tag() {
  MpegBytes out(128, 0);
  out[0] = 'T';
  out[1] = 'A';
  out[2] = 'G';
  out[127] = 255;   // genre: none
  return out;
}

}  // namespace zelvo_test
