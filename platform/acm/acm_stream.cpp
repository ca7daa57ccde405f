// Format suggestion, metrics and the conversion streams.
#include <cstring>
#include <mutex>
#include <set>

#include "platform/acm/acm.h"
#include "platform/acm/acm_converters.h"
#include "platform/acm/acm_testing.h"

struct pf::AcmStreamObject {
  std::unique_ptr<pf::acm::Converter> converter;
};

namespace pf {
namespace {

// The largest format block of our converters: MS ADPCM with its seven coefficient pairs.
constexpr std::uint32_t kLargestFormatBytes = 50;

struct StreamRegistry {
  std::mutex mutex;
  std::set<AcmStreamObject*> live;
};

StreamRegistry& Streams() {
  static StreamRegistry registry;
  return registry;
}

bool IsLive(AcmStream stream) {
  StreamRegistry& streams = Streams();
  std::lock_guard<std::mutex> lock(streams.mutex);
  return streams.live.count(stream) != 0;
}

bool PlausibleSource(const WaveFormatEx* format) {
  return format != nullptr && format->channels >= 1 && format->channels <= 2 && format->samplesPerSec != 0 &&
         format->blockAlign != 0;
}

// The PCM format a converter delivers for the source.
void PcmFor(const WaveFormatEx* source, WaveFormatEx* pcm) {
  pcm->formatTag = WAVE_FORMAT_PCM;
  pcm->channels = source->channels;
  pcm->samplesPerSec = source->samplesPerSec;
  pcm->bitsPerSample = 16;
  pcm->blockAlign = static_cast<std::uint16_t>(2 * source->channels);
  pcm->avgBytesPerSec = pcm->samplesPerSec * pcm->blockAlign;
  pcm->extraSize = 0;
}

}  // namespace

namespace acm {

std::unique_ptr<Converter> MakeConverter(const WaveFormatEx* format) {
  if (!PlausibleSource(format)) return nullptr;
  switch (format->formatTag) {
    case WAVE_FORMAT_IMA_ADPCM: return MakeImaAdpcmConverter(format);
    case WAVE_FORMAT_ADPCM: return MakeMsAdpcmConverter(format);
    case WAVE_FORMAT_ALAW:
    case WAVE_FORMAT_MULAW: return MakeG711Converter(format);
    case WAVE_FORMAT_MPEG:
    case WAVE_FORMAT_MPEGLAYER3: return MakeMpegConverter(format);
    default: return nullptr;
  }
}

}  // namespace acm

MmResult acmFormatSuggest(void* driver, const WaveFormatEx* source, WaveFormatEx* dest, std::uint32_t destSize,
                          std::uint32_t flags) {
  if (driver != nullptr || source == nullptr || dest == nullptr || destSize < 16) return MMSYSERR_INVALPARAM;
  if (flags & ~ACM_FORMATSUGGESTF_WFORMATTAG) return MMSYSERR_INVALFLAG;
  if ((flags & ACM_FORMATSUGGESTF_WFORMATTAG) && dest->formatTag != WAVE_FORMAT_PCM) return ACMERR_NOTPOSSIBLE;
  if (source->formatTag == WAVE_FORMAT_PCM || acm::MakeConverter(source) == nullptr) return ACMERR_NOTPOSSIBLE;
  WaveFormatEx pcm;
  PcmFor(source, &pcm);
  std::memcpy(dest, &pcm, destSize >= sizeof(WaveFormatEx) ? sizeof(WaveFormatEx) : 16);
  return MMSYSERR_NOERROR;
}

MmResult acmMetrics(void* object, std::uint32_t metric, void* out) {
  if (out == nullptr) return MMSYSERR_INVALPARAM;
  if (object != nullptr) return MMSYSERR_INVALHANDLE;
  if (metric != ACM_METRIC_MAX_SIZE_FORMAT) return ACMERR_NOTPOSSIBLE;
  std::memcpy(out, &kLargestFormatBytes, sizeof kLargestFormatBytes);
  return MMSYSERR_NOERROR;
}

MmResult acmStreamOpen(AcmStream* out, void* driver, const WaveFormatEx* source, const WaveFormatEx* dest,
                       void* filter, std::uintptr_t callback, std::uintptr_t instance, std::uint32_t flags) {
  if (out == nullptr || source == nullptr || dest == nullptr || driver != nullptr || filter != nullptr) {
    return MMSYSERR_INVALPARAM;
  }
  *out = nullptr;
  if (callback != 0 || instance != 0 || (flags & ~ACM_STREAMOPENF_NONREALTIME)) return MMSYSERR_INVALFLAG;
  if (testing::ShouldFail("acmStreamOpen")) return MMSYSERR_NOMEM;
  WaveFormatEx pcm;
  PcmFor(source, &pcm);
  if (dest->formatTag != WAVE_FORMAT_PCM || dest->channels != pcm.channels || dest->samplesPerSec != pcm.samplesPerSec ||
      dest->bitsPerSample != 16 || dest->blockAlign != pcm.blockAlign) {
    return ACMERR_NOTPOSSIBLE;
  }
  std::unique_ptr<acm::Converter> converter = acm::MakeConverter(source);
  if (converter == nullptr) return ACMERR_NOTPOSSIBLE;
  auto* stream = new AcmStreamObject{std::move(converter)};
  StreamRegistry& streams = Streams();
  std::lock_guard<std::mutex> lock(streams.mutex);
  streams.live.insert(stream);
  *out = stream;
  return MMSYSERR_NOERROR;
}

MmResult acmStreamSize(AcmStream stream, std::uint32_t sourceBytes, std::uint32_t* destBytes, std::uint32_t flags) {
  if (!IsLive(stream)) return MMSYSERR_INVALHANDLE;
  if (destBytes == nullptr) return MMSYSERR_INVALPARAM;
  if (flags != ACM_STREAMSIZEF_SOURCE) return MMSYSERR_INVALFLAG;
  *destBytes = stream->converter->OutputBytesFor(sourceBytes);
  return *destBytes == 0 ? ACMERR_NOTPOSSIBLE : MMSYSERR_NOERROR;
}

MmResult acmStreamPrepareHeader(AcmStream stream, AcmStreamHeader* header, std::uint32_t flags) {
  if (!IsLive(stream)) return MMSYSERR_INVALHANDLE;
  if (header == nullptr || header->structSize < sizeof(AcmStreamHeader) || header->source == nullptr ||
      header->dest == nullptr || flags != 0) {
    return MMSYSERR_INVALPARAM;
  }
  header->preparedSource = header->source;
  header->preparedSourceLength = header->sourceLength;
  header->preparedDest = header->dest;
  header->preparedDestLength = header->destLength;
  header->status = ACMSTREAMHEADER_STATUSF_PREPARED;
  return MMSYSERR_NOERROR;
}

MmResult acmStreamConvert(AcmStream stream, AcmStreamHeader* header, std::uint32_t flags) {
  if (!IsLive(stream)) return MMSYSERR_INVALHANDLE;
  if (header == nullptr || header->structSize < sizeof(AcmStreamHeader)) return MMSYSERR_INVALPARAM;
  if (flags & ~ACM_STREAMCONVERTF_BLOCKALIGN) return MMSYSERR_INVALFLAG;
  if (!(header->status & ACMSTREAMHEADER_STATUSF_PREPARED)) return ACMERR_UNPREPARED;
  // Lengths may shrink after preparation, never grow, and the buffers stay the prepared ones.
  if (header->source != header->preparedSource || header->dest != header->preparedDest ||
      header->sourceLength > header->preparedSourceLength || header->destLength > header->preparedDestLength) {
    return MMSYSERR_INVALPARAM;
  }
  header->sourceLengthUsed = 0;
  header->destLengthUsed = 0;
  if (testing::ShouldFail("acmStreamConvert")) return MMSYSERR_ERROR;
  stream->converter->Convert(header->source, header->sourceLength, header->dest, header->destLength,
                             &header->sourceLengthUsed, &header->destLengthUsed);
  header->status |= ACMSTREAMHEADER_STATUSF_DONE;
  return MMSYSERR_NOERROR;
}

MmResult acmStreamUnprepareHeader(AcmStream stream, AcmStreamHeader* header, std::uint32_t flags) {
  if (!IsLive(stream)) return MMSYSERR_INVALHANDLE;
  if (header == nullptr || flags != 0) return MMSYSERR_INVALPARAM;
  if (!(header->status & ACMSTREAMHEADER_STATUSF_PREPARED)) return ACMERR_UNPREPARED;
  header->status &= ~ACMSTREAMHEADER_STATUSF_PREPARED;
  return MMSYSERR_NOERROR;
}

MmResult acmStreamClose(AcmStream stream, std::uint32_t flags) {
  if (flags != 0) return MMSYSERR_INVALFLAG;
  {
    StreamRegistry& streams = Streams();
    std::lock_guard<std::mutex> lock(streams.mutex);
    if (streams.live.erase(stream) == 0) return MMSYSERR_INVALHANDLE;
  }
  delete stream;
  return MMSYSERR_NOERROR;
}

namespace testing {

int OpenAcmStreamCount() {
  StreamRegistry& streams = Streams();
  std::lock_guard<std::mutex> lock(streams.mutex);
  return static_cast<int>(streams.live.size());
}

}  // namespace testing
}  // namespace pf
