// RIFF/WAVE reading and writing, and the WAVE PCM source.
#include <algorithm>
#include <cstring>

#include "media/core/log.h"
#include "media/sound_input/sound_source_kinds.h"

namespace zelvo {
namespace {

std::uint32_t Le32(const std::uint8_t* p) {
  return static_cast<std::uint32_t>(p[0] | (p[1] << 8) | (p[2] << 16)) | (static_cast<std::uint32_t>(p[3]) << 24);
}

void PutLe32(std::uint8_t* p, std::uint32_t v) {
  p[0] = static_cast<std::uint8_t>(v);
  p[1] = static_cast<std::uint8_t>(v >> 8);
  p[2] = static_cast<std::uint8_t>(v >> 16);
  p[3] = static_cast<std::uint8_t>(v >> 24);
}

}  // namespace

std::int32_t ReaderRead(SoundSource* source, void* buffer, std::int32_t bytes) {
  if (bytes <= 0) return 0;
  const int got = source->reader.ops.read(buffer, 1, bytes, source->reader.data);
  return got < 0 ? 0 : got;
}

int ReaderSeek(SoundSource* source, std::int64_t offset, int origin) {
  if (offset < INT32_MIN || offset > INT32_MAX) return -1;
  return source->reader.ops.seek(source->reader.data, static_cast<std::int32_t>(offset), origin);
}

std::int32_t ReaderTell(SoundSource* source) { return source->reader.ops.tell(source->reader.data); }

std::int32_t ReaderSizeFromStart(SoundSource* source) {
  ReaderSeek(source, 0, 2);
  const std::int32_t size = ReaderTell(source);
  ReaderSeek(source, 0, 0);
  return size < 0 ? 0 : size;
}

int ReadRiffWaveChunks(SoundSource* source, std::uint8_t** formatOut) {
  *formatOut = nullptr;
  const std::int64_t fileSize = ReaderSizeFromStart(source);
  std::uint8_t header[12];
  if (ReaderRead(source, header, 12) != 12 || std::memcmp(header, "RIFF", 4) != 0 ||
      std::memcmp(header + 8, "WAVE", 4) != 0) {
    return -1;
  }
  // The format chunk must come first; a length shorter than the 16-byte PCM record, or longer
  // than what the file still holds, is refused.
  if (ReaderRead(source, header, 8) != 8 || std::memcmp(header, "fmt ", 4) != 0) return -1;
  const std::uint32_t formatSize = Le32(header + 4);
  const std::int64_t formatPosition = ReaderTell(source);
  if (formatSize < 16 || formatSize > fileSize - formatPosition) return -1;
  auto* format = static_cast<std::uint8_t*>(ZELVO_ALLOC_ZEROED(std::max<std::uint32_t>(formatSize, 18)));
  if (format == nullptr) return -1;
  if (ReaderRead(source, format, static_cast<std::int32_t>(formatSize)) != static_cast<std::int32_t>(formatSize)) {
    TrackedFree(format);
    return -1;
  }
  auto* wave = reinterpret_cast<pf::WaveFormatEx*>(format);
  if (formatSize == 16 && wave->formatTag == pf::WAVE_FORMAT_PCM && wave->channels != 0) {
    wave->bitsPerSample = static_cast<std::uint16_t>(wave->blockAlign / wave->channels * 8);
    wave->extraSize = 0;
  }
  // A format that names no channels, no block or no rate would divide by zero further on.
  if (wave->channels == 0 || wave->blockAlign == 0 || wave->samplesPerSec == 0) {
    TrackedFree(format);
    return -1;
  }
  source->formatPosition = static_cast<std::int32_t>(formatPosition);
  source->formatSize = static_cast<std::int32_t>(formatSize);

  // Sizes are unsigned and every skip must stay inside the file, so the walk always moves forward
  // and ends.
  std::int64_t position = formatPosition + formatSize + (formatSize & 1);
  for (;;) {
    if (ReaderSeek(source, position, 0) != 0 || ReaderRead(source, header, 8) != 8) {
      TrackedFree(format);
      return -1;
    }
    const std::uint32_t size = Le32(header + 4);
    position += 8;
    if (std::memcmp(header, "data", 4) == 0) {
      source->dataPosition = static_cast<std::int32_t>(position);
      // A data chunk that claims more than the file holds ends with the file.
      source->dataSize = static_cast<std::int32_t>(std::min<std::int64_t>(size, fileSize - position));
      *formatOut = format;
      return 0;
    }
    position += size + (size & 1);
    if (position > fileSize) {
      TrackedFree(format);
      return -1;
    }
  }
}

int OpenWavePcm(SoundSource* source) {
  std::uint8_t* format = nullptr;
  if (ReadRiffWaveChunks(source, &format) != 0) return -1;
  pf::WaveFormatEx wave;
  std::memcpy(&wave, format, sizeof wave);
  TrackedFree(format);
  if (source->formatSize < 18) wave.extraSize = 0;
  if (wave.formatTag != pf::WAVE_FORMAT_PCM || wave.bitsPerSample == 0) return -1;
  source->waveFormat = wave;
  // One second, from the rate and block rather than the header's byte rate (which files get
  // wrong), and never more than the data itself.
  const std::int64_t second = std::int64_t{wave.samplesPerSec} * wave.blockAlign;
  source->pcmSize = static_cast<std::int32_t>(
      std::max<std::int64_t>(std::min<std::int64_t>(second, source->dataSize), wave.blockAlign));
  ReaderSeek(source, source->dataPosition, 0);
  return 0;
}

int RefillWavePcm(SoundSource* source) {
  const std::int64_t dataEnd = std::int64_t{source->dataPosition} + source->dataSize;
  const std::int64_t left = dataEnd - ReaderTell(source);
  if (left <= 0) return -1;
  const std::int32_t got =
      ReaderRead(source, source->pcm, static_cast<std::int32_t>(std::min<std::int64_t>(left, source->pcmSize)));
  if (got <= 0) return -1;
  source->pcmLeft = got;
  return 0;
}

void SeekWavePcm(SoundSource* source, std::int64_t target) {
  target = std::min<std::int64_t>(target, source->dataSize);
  ReaderSeek(source, source->dataPosition + target, 0);
  source->pcmLeft = 0;
  source->pcmOffset = 0;
  source->delivered = static_cast<std::int32_t>(target);
}

int BuildRiffWaveImage(void** image, std::int32_t* size, const void* format, std::int32_t formatLength,
                       const void* data, std::int32_t dataLength) {
  if (formatLength < 0 || dataLength < 0) return -1;
  const std::int64_t total = std::int64_t{dataLength} + formatLength + 28;
  if (total > INT32_MAX) return -1;
  auto* out = static_cast<std::uint8_t*>(ZELVO_ALLOC(static_cast<std::size_t>(total)));
  if (out == nullptr) return -1;
  std::memcpy(out, "RIFF", 4);
  PutLe32(out + 4, static_cast<std::uint32_t>(total - 8));
  std::memcpy(out + 8, "WAVEfmt ", 8);
  PutLe32(out + 16, static_cast<std::uint32_t>(formatLength));
  if (formatLength > 0) std::memcpy(out + 20, format, static_cast<std::size_t>(formatLength));
  std::memcpy(out + 20 + formatLength, "data", 4);
  PutLe32(out + 24 + formatLength, static_cast<std::uint32_t>(dataLength));
  if (dataLength > 0) std::memcpy(out + 28 + formatLength, data, static_cast<std::size_t>(dataLength));
  *image = out;
  *size = static_cast<std::int32_t>(total);
  return 0;
}

}  // namespace zelvo
