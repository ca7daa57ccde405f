// Opening, reading, seeking and closing a sound source, whatever its kind.
#include "media/sound_input/sound_source.h"

#include <algorithm>
#include <cstring>

#include "media/core/log.h"
#include "media/sound_input/sound_source_kinds.h"

namespace zelvo {
namespace {

struct KindOpener {
  std::int32_t kind;
  int (*open)(SoundSource* source);
};

// In the order the content is tried.
const KindOpener kOpeners[] = {
    {kSoundSourceWavePcm, OpenWavePcm},
    {kSoundSourceAcm, OpenAcmWave},
    {kSoundSourceOggVorbis, OpenOggVorbis},
    {kSoundSourceAcm, OpenMpegAudio},
};

void ReleaseKind(SoundSource* source) {
  if (source->kind == kSoundSourceAcm) CloseAcm(source);
  if (source->kind == kSoundSourceOggVorbis) CloseOggVorbis(source);
}

int Refill(SoundSource* source) {
  switch (source->kind) {
    case kSoundSourceWavePcm: return RefillWavePcm(source);
    case kSoundSourceAcm: return RefillAcm(source);
    case kSoundSourceOggVorbis: return RefillOggVorbis(source);
    default: return -1;
  }
}

}  // namespace

int OpenSoundSource(const StreamReaderBlock* reader, SoundSource* source) {
  std::memset(source, 0, sizeof *source);
  source->reader = *reader;
  for (const KindOpener& opener : kOpeners) {
    ReaderSeek(source, 0, 0);
    const StreamReaderBlock kept = source->reader;
    std::memset(source, 0, sizeof *source);
    source->reader = kept;
    source->kind = opener.kind;
    if (opener.open(source) != 0) continue;
    source->pcm = static_cast<std::uint8_t*>(ZELVO_ALLOC(static_cast<std::size_t>(std::max(source->pcmSize, 1))));
    if (source->pcm == nullptr) {
      ReleaseKind(source);
      return -1;
    }
    source->opened = 1;
    return 0;
  }
  return -1;
}

int ReadSoundSource(SoundSource* source, void* buffer, std::int32_t bytes) {
  if (!source->opened) return -1;
  if (bytes <= 0 || source->atEnd) return 0;
  auto* out = static_cast<std::uint8_t*>(buffer);
  std::int32_t done = 0;
  while (done < bytes) {
    if (source->pcmLeft == 0) {
      source->pcmOffset = 0;
      // A long read of compressed blocks skips the buffer: the same samples, one copy fewer, and
      // the converter sees many blocks at once.
      const std::int32_t direct = source->kind == kSoundSourceAcm ? ConvertAcmInto(source, out + done, bytes - done) : 0;
      if (direct < 0) break;
      if (direct > 0) {
        source->delivered += direct;
        done += direct;
        continue;
      }
      if (Refill(source) != 0) break;
    }
    const std::int32_t n = std::min(source->pcmLeft, bytes - done);
    std::memcpy(out + done, source->pcm + source->pcmOffset, static_cast<std::size_t>(n));
    source->pcmLeft -= n;
    source->pcmOffset += n;
    source->delivered += n;
    done += n;
  }
  if (done < bytes) source->atEnd = 1;
  return done;
}

int SeekSoundSource(SoundSource* source, std::int32_t sample) {
  if (!source->opened) return -1;
  sample = std::max(sample, 0);
  const std::int64_t target = std::int64_t{sample} * source->waveFormat.blockAlign;
  const std::int64_t distance = target - source->delivered;
  if (distance > -16 && distance < 16) return 0;
  const std::int64_t limit = std::max<std::int64_t>(GetSoundSourceLength(source), 0);
  switch (source->kind) {
    case kSoundSourceWavePcm: SeekWavePcm(source, target); break;
    case kSoundSourceAcm: SeekAcm(source, std::min(target, limit)); break;
    case kSoundSourceOggVorbis:
      // Not past the samples the stream holds: vorbisfile refuses such a seek and stays put.
      SeekOggVorbis(source, static_cast<std::int32_t>(std::min<std::int64_t>(target, source->dataSize) /
                                                      source->waveFormat.blockAlign));
      break;
  }
  source->atEnd = 0;
  return 0;
}

int CloseSoundSource(SoundSource* source) {
  if (!source->opened) return -1;
  ReleaseKind(source);
  if (source->pcm != nullptr) TrackedFree(source->pcm);
  const StreamReaderBlock kept = source->reader;
  std::memset(source, 0, sizeof *source);
  source->reader = kept;
  return 0;
}

std::int32_t GetSoundSourceLength(const SoundSource* source) {
  switch (source->kind) {
    case kSoundSourceWavePcm: return source->dataSize;
    case kSoundSourceAcm: {
      if (source->totalSamples >= 0) return source->totalSamples * source->waveFormat.blockAlign;
      pf::AcmStream stream = source->workingStream != nullptr ? source->workingStream : source->spareStream;
      std::uint32_t length = 0;
      if (stream == nullptr || pf::acmStreamSize(stream, static_cast<std::uint32_t>(source->compressedSize), &length,
                                                 pf::ACM_STREAMSIZEF_SOURCE) != pf::MMSYSERR_NOERROR) {
        return 0;
      }
      return static_cast<std::int32_t>(std::min<std::uint32_t>(length, INT32_MAX));
    }
    case kSoundSourceOggVorbis:
      // One second of 44.1 kHz samples more than the stream holds.
      return source->dataSize + 44100 * source->waveFormat.blockAlign;
    default: return 0;
  }
}

void GetSoundSourceFormat(const SoundSource* source, pf::WaveFormatEx* out) { *out = source->waveFormat; }

int DecodeSoundSourceAll(SoundSource* source, pf::WaveFormatEx* format, void** data, std::int32_t* size) {
  const std::int32_t length = GetSoundSourceLength(source);
  // Zeroed in one sweep: faulting a large block in piece by piece during the decode costs more
  // than the decode itself, and no byte of it is ever left undefined.
  auto* block = static_cast<std::uint8_t*>(ZELVO_ALLOC_ZEROED(static_cast<std::size_t>(std::max(length, 1))));
  if (block == nullptr) return -1;
  SeekSoundSource(source, 0);
  std::int32_t got;
  if (source->kind == kSoundSourceWavePcm) {
    // The data straight from the reader; only what is really there counts.
    ReaderSeek(source, source->dataPosition, 0);
    got = ReaderRead(source, block, length);
  } else {
    got = std::max(ReadSoundSource(source, block, length), 0);
  }
  *format = source->waveFormat;
  *data = block;
  *size = got;
  return 0;
}

}  // namespace zelvo
