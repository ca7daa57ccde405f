#pragma once
// The Audio Compression Manager as the library calls it: format suggestion, the largest format
// size, and conversion streams from a compressed WAVE format to 16-bit PCM of the same channels and
// rate. The converters are MS ADPCM, IMA ADPCM, A-law and mu-law of our own and MPEG audio
// (Layers I to III) through libmpg123. Results are the platform's multimedia result codes.
#include <cstdint>

namespace pf {

using MmResult = std::uint32_t;
constexpr MmResult MMSYSERR_NOERROR = 0;
constexpr MmResult MMSYSERR_ERROR = 1;
constexpr MmResult MMSYSERR_INVALHANDLE = 5;
constexpr MmResult MMSYSERR_NOMEM = 7;
constexpr MmResult MMSYSERR_INVALFLAG = 10;
constexpr MmResult MMSYSERR_INVALPARAM = 11;
constexpr MmResult ACMERR_NOTPOSSIBLE = 512;
constexpr MmResult ACMERR_UNPREPARED = 514;

constexpr std::uint16_t WAVE_FORMAT_PCM = 0x0001;
constexpr std::uint16_t WAVE_FORMAT_ADPCM = 0x0002;
constexpr std::uint16_t WAVE_FORMAT_ALAW = 0x0006;
constexpr std::uint16_t WAVE_FORMAT_MULAW = 0x0007;
constexpr std::uint16_t WAVE_FORMAT_IMA_ADPCM = 0x0011;
constexpr std::uint16_t WAVE_FORMAT_MPEG = 0x0050;
constexpr std::uint16_t WAVE_FORMAT_MPEGLAYER3 = 0x0055;

// The 18-byte wave format; a compressed format's extra bytes follow it in the same block.
#pragma pack(push, 2)
struct WaveFormatEx {
  std::uint16_t formatTag;
  std::uint16_t channels;
  std::uint32_t samplesPerSec;
  std::uint32_t avgBytesPerSec;
  std::uint16_t blockAlign;
  std::uint16_t bitsPerSample;
  std::uint16_t extraSize;
};
#pragma pack(pop)
static_assert(sizeof(WaveFormatEx) == 18);

constexpr std::uint32_t ACM_FORMATSUGGESTF_WFORMATTAG = 0x00010000;
constexpr std::uint32_t ACM_METRIC_MAX_SIZE_FORMAT = 50;
constexpr std::uint32_t ACM_STREAMOPENF_NONREALTIME = 0x00000004;
constexpr std::uint32_t ACM_STREAMSIZEF_SOURCE = 0x00000000;
constexpr std::uint32_t ACM_STREAMCONVERTF_BLOCKALIGN = 0x00000004;
constexpr std::uint32_t ACMSTREAMHEADER_STATUSF_DONE = 0x00010000;
constexpr std::uint32_t ACMSTREAMHEADER_STATUSF_PREPARED = 0x00020000;

struct AcmStreamHeader {
  std::uint32_t structSize;         // sizeof(AcmStreamHeader)
  std::uint32_t status;
  std::uintptr_t user;
  const std::uint8_t* source;
  std::uint32_t sourceLength;
  std::uint32_t sourceLengthUsed;
  std::uintptr_t sourceUser;
  std::uint8_t* dest;
  std::uint32_t destLength;
  std::uint32_t destLengthUsed;
  std::uintptr_t destUser;
  // Kept from preparation: a header converts only the buffers it was prepared with.
  const std::uint8_t* preparedSource;
  std::uint32_t preparedSourceLength;
  std::uint8_t* preparedDest;
  std::uint32_t preparedDestLength;
};

struct AcmStreamObject;
using AcmStream = AcmStreamObject*;

// Proposes the target format for `source` with the fields `flags` fixes taken from *dest (only the
// format tag, and only PCM, can be fixed): 16-bit PCM, same channels and rate. destSize is the
// size of the block at dest (at least 16).
MmResult acmFormatSuggest(void* driver, const WaveFormatEx* source, WaveFormatEx* dest, std::uint32_t destSize,
                          std::uint32_t flags);
// ACM_METRIC_MAX_SIZE_FORMAT: the largest format block of any converter, as a 32-bit count.
MmResult acmMetrics(void* object, std::uint32_t metric, void* out);
MmResult acmStreamOpen(AcmStream* out, void* driver, const WaveFormatEx* source, const WaveFormatEx* dest,
                       void* filter, std::uintptr_t callback, std::uintptr_t instance, std::uint32_t flags);
// The destination bytes that sourceBytes of source data convert to (at most).
MmResult acmStreamSize(AcmStream stream, std::uint32_t sourceBytes, std::uint32_t* destBytes, std::uint32_t flags);
MmResult acmStreamPrepareHeader(AcmStream stream, AcmStreamHeader* header, std::uint32_t flags);
// With ACM_STREAMCONVERTF_BLOCKALIGN only whole source blocks (MPEG: whole frames) that fit the
// destination are converted; a source shorter than one block is the stream's last, cut block and
// is converted as far as it goes.
MmResult acmStreamConvert(AcmStream stream, AcmStreamHeader* header, std::uint32_t flags);
MmResult acmStreamUnprepareHeader(AcmStream stream, AcmStreamHeader* header, std::uint32_t flags);
MmResult acmStreamClose(AcmStream stream, std::uint32_t flags);

}  // namespace pf
