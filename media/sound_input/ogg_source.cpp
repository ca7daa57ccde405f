// Ogg Vorbis sources through vorbisfile, reading through the caller's stream reader block.
#include <vorbis/vorbisfile.h>

#include <algorithm>
#include <cstring>

#include "media/core/log.h"
#include "media/sound_input/sound_source_kinds.h"

namespace zelvo {

struct OggVorbisState {
  OggVorbis_File file;
};

namespace {

constexpr std::int32_t kOggBufferBytes = 4096;
// 16-bit samples; the sound device's start-up sets the same value.
constexpr std::int32_t kOggBytesPerSample = 2;
// Lengths past this are refused: a crafted granule position would otherwise ask for a huge block.
constexpr std::int64_t kLargestOggLength = std::int64_t{1} << 30;
// Holes in a damaged stream are skipped, a bounded number of times per refill.
constexpr int kHolesPerRefill = 64;

std::size_t ReadCallback(void* buffer, std::size_t size, std::size_t count, void* data) {
  auto* reader = static_cast<StreamReaderBlock*>(data);
  if (reader == nullptr || size == 0 || count == 0) return 0;
  const std::size_t bytes = std::min<std::size_t>(size * count, INT32_MAX);
  const int got = reader->ops.read(buffer, 1, static_cast<int>(bytes), reader->data);
  return got > 0 ? static_cast<std::size_t>(got) / size : 0;
}

int SeekCallback(void* data, ogg_int64_t offset, int whence) {
  auto* reader = static_cast<StreamReaderBlock*>(data);
  if (reader == nullptr) return -1;
  return reader->ops.seek(reader->data, static_cast<std::int32_t>(offset & 0xFFFFFFFF), whence);
}

int CloseCallback(void*) { return 0; }   // the reader belongs to the caller

long TellCallback(void* data) {
  auto* reader = static_cast<StreamReaderBlock*>(data);
  if (reader == nullptr) return -1;
  return reader->ops.tell(reader->data);
}

}  // namespace

int OpenOggVorbis(SoundSource* source) {
  auto* state = static_cast<OggVorbisState*>(ZELVO_ALLOC_ZEROED(sizeof(OggVorbisState)));
  if (state == nullptr) return -1;
  const ov_callbacks callbacks = {ReadCallback, SeekCallback, CloseCallback, TellCallback};
  if (ov_open_callbacks(&source->reader, &state->file, nullptr, 0, callbacks) < 0) {
    TrackedFree(state);
    return -1;
  }
  const vorbis_info* info = ov_info(&state->file, -1);
  const ogg_int64_t total = ov_pcm_total(&state->file, -1);
  const std::int64_t channels = info != nullptr ? info->channels : 0;
  if (info == nullptr || channels < 1 || channels > 255 || info->rate <= 0 || total < 0 ||
      (total + 44100) * channels * kOggBytesPerSample > kLargestOggLength) {
    ov_clear(&state->file);
    TrackedFree(state);
    return -1;
  }
  // Opening a chained file leaves vorbisfile past its first link; reading starts at the first.
  if (ov_streams(&state->file) > 1) ov_pcm_seek(&state->file, 0);
  source->vorbis = state;
  source->vorbisOpened = 1;
  source->bytesPerSample = kOggBytesPerSample;
  pf::WaveFormatEx& format = source->waveFormat;
  format.formatTag = pf::WAVE_FORMAT_PCM;
  format.channels = static_cast<std::uint16_t>(channels);
  format.samplesPerSec = static_cast<std::uint32_t>(info->rate);
  format.bitsPerSample = static_cast<std::uint16_t>(8 * kOggBytesPerSample);
  format.blockAlign = static_cast<std::uint16_t>(kOggBytesPerSample * channels);
  format.avgBytesPerSec = format.blockAlign * format.samplesPerSec;
  format.extraSize = 0;
  source->dataSize = static_cast<std::int32_t>(total * channels * kOggBytesPerSample);
  source->pcmSize = kOggBufferBytes;
  return 0;
}

int RefillOggVorbis(SoundSource* source) {
  for (int tries = 0; tries < kHolesPerRefill; ++tries) {
    int link = 0;
    const long got = ov_read(&source->vorbis->file, reinterpret_cast<char*>(source->pcm), source->pcmSize, 0,
                             source->bytesPerSample, source->bytesPerSample == 1 ? 0 : 1, &link);
    if (got > 0) {
      source->pcmLeft = static_cast<std::int32_t>(got);
      return 0;
    }
    if (got != OV_HOLE) return -1;
  }
  return -1;
}

void SeekOggVorbis(SoundSource* source, std::int32_t sample) {
  ov_pcm_seek(&source->vorbis->file, sample);
  source->pcmLeft = 0;
  source->pcmOffset = 0;
  source->delivered = sample * source->waveFormat.blockAlign;
}

void CloseOggVorbis(SoundSource* source) {
  if (source->vorbis == nullptr) return;
  if (source->vorbisOpened) ov_clear(&source->vorbis->file);
  TrackedFree(source->vorbis);
  source->vorbis = nullptr;
  source->vorbisOpened = 0;
}

}  // namespace zelvo
