#pragma once
// Shared body of the sound-source fuzz targets: the whole decode through the library operation,
// then a source read in pieces with seeks backwards and forwards.
#include <cstddef>
#include <cstdint>

#include "media/core/file_ops.h"
#include "media/core/log.h"
#include "media/sound_input/sound_decode.h"
#include "media/sound_input/sound_source.h"

inline int FuzzSoundImage(const std::uint8_t* data, std::size_t size) {
  if (size > (1u << 20)) return 0;
  pf::WaveFormatEx format;
  void* pcm = nullptr;
  std::int32_t pcmSize = 0;
  if (zelvo::DecodeSoundImage(data, static_cast<std::int32_t>(size), &format, &pcm, &pcmSize) == 0) {
    zelvo::TrackedFree(pcm);
  }

  zelvo::MemoryStream* stream = zelvo::CreateMemoryStream(data, static_cast<std::int32_t>(size));
  zelvo::StreamReaderBlock reader = {*zelvo::MemoryStreamOpsTable(), stream};
  zelvo::SoundSource source;
  if (zelvo::OpenSoundSource(&reader, &source) == 0) {
    static std::uint8_t buffer[8192];
    zelvo::ReadSoundSource(&source, buffer, sizeof buffer);
    zelvo::SeekSoundSource(&source, 7);
    zelvo::ReadSoundSource(&source, buffer, 1000);
    zelvo::SeekSoundSource(&source, 100000);
    zelvo::ReadSoundSource(&source, buffer, sizeof buffer);
    zelvo::SeekSoundSource(&source, 0);
    zelvo::ReadSoundSource(&source, buffer, 333);
    zelvo::GetSoundSourceLength(&source);
    zelvo::CloseSoundSource(&source);
  }
  zelvo::CloseMemoryStream(stream);
  return 0;
}
