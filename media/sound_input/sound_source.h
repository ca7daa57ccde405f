#pragma once
// Sound sources: a sound file read through a stream reader block, turned into PCM. The content
// decides the kind, tried in order: WAVE PCM, compressed WAVE through the ACM, Ogg Vorbis, and MPEG
// audio through the ACM. Also the RIFF/WAVE image builder and the whole-file loaders.
#include <cstdint>

#include "media/core/file_ops.h"
#include "platform/acm/acm.h"

namespace zelvo {

enum SoundSourceKind : std::int32_t {
  kSoundSourceWavePcm = 0,
  kSoundSourceAcm = 1,
  kSoundSourceOggVorbis = 2,
};

struct OggVorbisState;   // the vorbisfile decoder, kept out of this header

struct SoundSource {
  std::int32_t opened;
  std::int32_t atEnd;
  std::int32_t kind;
  StreamReaderBlock reader;          // the caller's; never closed here
  std::int32_t formatPosition;
  std::int32_t formatSize;
  std::int32_t dataPosition;
  std::int32_t dataSize;             // Ogg Vorbis: the total PCM bytes
  pf::WaveFormatEx waveFormat;       // the PCM that reads deliver
  // ACM conversion (compressed WAVE or MPEG audio)
  std::uint8_t* acmSourceFormat;     // the file's format, or the built MPEG Layer-3 format
  pf::AcmStream workingStream;
  pf::AcmStream spareStream;         // fresh, for seeking backwards
  std::uint8_t* compressed;
  std::int32_t compressedSize;
  std::int32_t workingConsumed;
  std::int32_t spareConsumed;
  std::int32_t totalSamples;         // MPEG audio: from the frame scan; -1 for compressed WAVE
  std::int32_t convertChunk;         // source bytes handed to one conversion
  // Ogg Vorbis
  OggVorbisState* vorbis;
  std::int32_t vorbisOpened;
  std::int32_t bytesPerSample;
  // Delivery
  std::uint8_t* pcm;
  std::int32_t pcmSize;
  std::int32_t pcmLeft;
  std::int32_t pcmOffset;
  std::int32_t delivered;
};

int OpenSoundSource(const StreamReaderBlock* reader, SoundSource* source);
int ReadSoundSource(SoundSource* source, void* buffer, std::int32_t bytes);
int SeekSoundSource(SoundSource* source, std::int32_t sample);
int CloseSoundSource(SoundSource* source);
std::int32_t GetSoundSourceLength(const SoundSource* source);
void GetSoundSourceFormat(const SoundSource* source, pf::WaveFormatEx* out);
// A new tracked block holding the whole PCM; *size is the bytes actually decoded.
int DecodeSoundSourceAll(SoundSource* source, pf::WaveFormatEx* format, void** data, std::int32_t* size);

// A RIFF/WAVE file image in a new tracked block.
int BuildRiffWaveImage(void** image, std::int32_t* size, const void* format, std::int32_t formatLength,
                       const void* data, std::int32_t dataLength);

// A whole file (through the file layer) or a whole reader in a new tracked block.
int LoadWholeFile(const char* path, void** data, std::int32_t* size);
int LoadWholeReader(const StreamReaderBlock* reader, void** data, std::int32_t* size);

}  // namespace zelvo
