#pragma once
// The kinds of sound source and the reader helpers they share.
#include <cstdint>

#include "media/sound_input/sound_source.h"

namespace zelvo {

// Reader access in bytes.
std::int32_t ReaderRead(SoundSource* source, void* buffer, std::int32_t bytes);
int ReaderSeek(SoundSource* source, std::int64_t offset, int origin);
std::int32_t ReaderTell(SoundSource* source);
// Total bytes of the reader; the position is left at the start.
std::int32_t ReaderSizeFromStart(SoundSource* source);

// The RIFF/WAVE chunk walk: the format chunk (first, copied into a tracked block of at least 18
// bytes, returned in *format) and the data chunk. 0, or -1 when the file is refused.
int ReadRiffWaveChunks(SoundSource* source, std::uint8_t** format);

// Each Open returns 0 when the kind takes the data (the PCM buffer size then set), else -1 with
// everything it took released. Refill fills the PCM buffer: 0, or -1 at the end.
int OpenWavePcm(SoundSource* source);
int RefillWavePcm(SoundSource* source);
void SeekWavePcm(SoundSource* source, std::int64_t target);

int OpenAcmWave(SoundSource* source);
int OpenMpegAudio(SoundSource* source);
int RefillAcm(SoundSource* source);
// Converts as many whole blocks as fit `room` straight into `out`, past the PCM buffer: the bytes
// written; 0 when the kind or the room does not allow it (the buffer is then refilled as usual);
// -1 when the conversion fails, which ends the data as a failed refill does.
std::int32_t ConvertAcmInto(SoundSource* source, std::uint8_t* out, std::int32_t room);
void SeekAcm(SoundSource* source, std::int64_t target);
void CloseAcm(SoundSource* source);

int OpenOggVorbis(SoundSource* source);
int RefillOggVorbis(SoundSource* source);
void SeekOggVorbis(SoundSource* source, std::int32_t sample);
void CloseOggVorbis(SoundSource* source);

}  // namespace zelvo
