// Sound sources converted by the ACM: compressed WAVE, and bare MPEG audio found by a frame scan.
#include <algorithm>
#include <cstring>

#include "media/core/log.h"
#include "media/sound_input/mpeg_frames.h"
#include "media/sound_input/sound_source_kinds.h"

namespace zelvo {
namespace {

constexpr std::int32_t kConvertChunkBytes = 2048;

void FreeBlock(std::uint8_t*& block) {
  if (block != nullptr) TrackedFree(block);
  block = nullptr;
}

void CloseStream(pf::AcmStream& stream) {
  if (stream != nullptr) pf::acmStreamClose(stream, 0);
  stream = nullptr;
}

pf::AcmStream OpenConversion(SoundSource* source) {
  pf::AcmStream stream = nullptr;
  const auto* from = reinterpret_cast<const pf::WaveFormatEx*>(source->acmSourceFormat);
  if (pf::acmStreamOpen(&stream, nullptr, from, &source->waveFormat, nullptr, 0, 0, pf::ACM_STREAMOPENF_NONREALTIME) !=
      pf::MMSYSERR_NOERROR) {
    return nullptr;
  }
  return stream;
}

// The common tail of both ACM kinds: the PCM target, the whole compressed data in memory (read by
// the caller into source->compressed), the two conversion streams and the buffer size. The source
// chunk is 2048 bytes cut to whole blocks, but never less than one block, so large ADPCM blocks
// still convert; MPEG frames vary in length and are taken whole by the converter.
int StartConversion(SoundSource* source, std::int64_t bufferMillis) {
  const auto* from = reinterpret_cast<const pf::WaveFormatEx*>(source->acmSourceFormat);
  pf::WaveFormatEx target{};
  target.formatTag = pf::WAVE_FORMAT_PCM;
  if (pf::acmFormatSuggest(nullptr, from, &target, sizeof target, pf::ACM_FORMATSUGGESTF_WFORMATTAG) !=
      pf::MMSYSERR_NOERROR) {
    return -1;
  }
  target.extraSize = 0;
  source->waveFormat = target;
  source->workingStream = OpenConversion(source);
  source->spareStream = OpenConversion(source);
  if (source->workingStream == nullptr || source->spareStream == nullptr) return -1;

  const bool mpeg = from->formatTag == pf::WAVE_FORMAT_MPEG || from->formatTag == pf::WAVE_FORMAT_MPEGLAYER3;
  source->convertChunk = mpeg ? kConvertChunkBytes
                              : std::max<std::int32_t>(kConvertChunkBytes - kConvertChunkBytes % from->blockAlign,
                                                       from->blockAlign);
  std::uint32_t chunkOutput = 0;
  if (pf::acmStreamSize(source->workingStream, static_cast<std::uint32_t>(source->convertChunk), &chunkOutput,
                        pf::ACM_STREAMSIZEF_SOURCE) != pf::MMSYSERR_NOERROR) {
    return -1;
  }
  // The buffer never needs more than the whole sound, but always holds one chunk's output.
  std::uint32_t allOutput = 0;
  if (pf::acmStreamSize(source->workingStream, static_cast<std::uint32_t>(source->compressedSize), &allOutput,
                        pf::ACM_STREAMSIZEF_SOURCE) != pf::MMSYSERR_NOERROR) {
    return -1;
  }
  const std::int64_t wanted = std::int64_t{target.avgBytesPerSec} * bufferMillis / 1000;
  source->pcmSize = static_cast<std::int32_t>(
      std::min<std::int64_t>(std::max<std::int64_t>(std::min<std::int64_t>(wanted, allOutput), chunkOutput), INT32_MAX));
  return 0;
}

void ReleaseAcmState(SoundSource* source) {
  CloseStream(source->workingStream);
  CloseStream(source->spareStream);
  FreeBlock(source->compressed);
  FreeBlock(source->acmSourceFormat);
}

}  // namespace

int OpenAcmWave(SoundSource* source) {
  std::uint8_t* chunk = nullptr;
  if (ReadRiffWaveChunks(source, &chunk) != 0) return -1;
  // The ACM reads the format's extra bytes as it states them: a block holding exactly that many,
  // the count cut to what the chunk has.
  auto* format = reinterpret_cast<pf::WaveFormatEx*>(chunk);
  const std::uint16_t present = static_cast<std::uint16_t>(std::max(source->formatSize - 18, 0));
  format->extraSize = std::min(format->extraSize, present);
  source->acmSourceFormat = chunk;
  source->totalSamples = -1;

  source->compressed = static_cast<std::uint8_t*>(ZELVO_ALLOC(std::max<std::int32_t>(source->dataSize, 1)));
  if (source->compressed == nullptr) {
    ReleaseAcmState(source);
    return -1;
  }
  ReaderSeek(source, source->dataPosition, 0);
  source->compressedSize = ReaderRead(source, source->compressed, source->dataSize);
  ReaderSeek(source, source->dataPosition, 0);
  source->dataSize = source->compressedSize;
  if (StartConversion(source, 1000) != 0) {
    ReleaseAcmState(source);
    return -1;
  }
  return 0;
}

int OpenMpegAudio(SoundSource* source) {
  const std::int32_t fileSize = ReaderSizeFromStart(source);
  std::uint8_t head[10] = {};
  std::int64_t skip = 0;
  if (ReaderRead(source, head, 10) == 10 && std::memcmp(head, "ID3", 3) == 0) skip = Id3v2SkipBytes(head);
  std::int64_t audioEnd = fileSize;
  if (fileSize > 128) {
    std::uint8_t tag[3] = {};
    ReaderSeek(source, fileSize - 128, 0);
    if (ReaderRead(source, tag, 3) == 3 && std::memcmp(tag, "TAG", 3) == 0) audioEnd -= 128;
  }
  if (skip >= audioEnd) return -1;

  // The audio region in memory; the scan and the conversion both work on it.
  const std::int32_t regionSize = static_cast<std::int32_t>(audioEnd - skip);
  auto* region = static_cast<std::uint8_t*>(ZELVO_ALLOC(static_cast<std::size_t>(regionSize)));
  if (region == nullptr) return -1;
  ReaderSeek(source, skip, 0);
  const std::int32_t got = ReaderRead(source, region, regionSize);
  MpegScan scan;
  if (got != regionSize || ScanMpegFrames(region, regionSize, &scan) != 0) {
    TrackedFree(region);
    return -1;
  }
  std::memmove(region, region + scan.firstFrame, static_cast<std::size_t>(scan.audioEnd - scan.firstFrame));
  source->compressed = region;
  source->compressedSize = scan.audioEnd - scan.firstFrame;
  source->dataPosition = static_cast<std::int32_t>(skip + scan.firstFrame);
  source->dataSize = source->compressedSize;
  source->totalSamples = scan.totalSamples;

  std::uint32_t formatBytes = 32;
  pf::acmMetrics(nullptr, pf::ACM_METRIC_MAX_SIZE_FORMAT, &formatBytes);
  source->acmSourceFormat =
      static_cast<std::uint8_t*>(ZELVO_ALLOC_ZEROED(std::max<std::uint32_t>(formatBytes, kMpegLayer3FormatBytes)));
  if (source->acmSourceFormat == nullptr) {
    ReleaseAcmState(source);
    return -1;
  }
  BuildMpegLayer3Format(scan.first, source->acmSourceFormat);
  if (StartConversion(source, 4000 / 3) != 0) {
    ReleaseAcmState(source);
    return -1;
  }
  return 0;
}

int RefillAcm(SoundSource* source) {
  if (source->workingConsumed >= source->compressedSize) return -1;
  pf::AcmStreamHeader header{};
  header.structSize = sizeof header;
  header.source = source->compressed + source->workingConsumed;
  header.sourceLength =
      static_cast<std::uint32_t>(std::min(source->convertChunk, source->compressedSize - source->workingConsumed));
  header.dest = source->pcm;
  header.destLength = static_cast<std::uint32_t>(source->pcmSize);
  std::uint32_t produced = 0;
  if (pf::acmStreamPrepareHeader(source->workingStream, &header, 0) == pf::MMSYSERR_NOERROR) {
    if (pf::acmStreamConvert(source->workingStream, &header, pf::ACM_STREAMCONVERTF_BLOCKALIGN) ==
        pf::MMSYSERR_NOERROR) {
      source->workingConsumed += static_cast<std::int32_t>(header.sourceLengthUsed);
      produced = header.destLengthUsed;
    }
    pf::acmStreamUnprepareHeader(source->workingStream, &header, 0);
  }
  if (produced == 0) {
    source->workingConsumed = source->compressedSize;
    return -1;
  }
  source->pcmLeft = static_cast<std::int32_t>(produced);
  return 0;
}

std::int32_t ConvertAcmInto(SoundSource* source, std::uint8_t* out, std::int32_t room) {
  const auto* from = reinterpret_cast<const pf::WaveFormatEx*>(source->acmSourceFormat);
  // MPEG frames vary in length; only fixed blocks can be counted off ahead.
  if (source->workingStream == nullptr || from->formatTag == pf::WAVE_FORMAT_MPEG ||
      from->formatTag == pf::WAVE_FORMAT_MPEGLAYER3) {
    return 0;
  }
  const std::int32_t blockAlign = from->blockAlign;
  std::uint32_t blockOutput = 0;
  if (pf::acmStreamSize(source->workingStream, static_cast<std::uint32_t>(blockAlign), &blockOutput,
                        pf::ACM_STREAMSIZEF_SOURCE) != pf::MMSYSERR_NOERROR) {
    return 0;
  }
  const std::int32_t blocks = std::min((source->compressedSize - source->workingConsumed) / blockAlign,
                                       room / static_cast<std::int32_t>(blockOutput));
  // A chunk's worth or less goes through the buffer as before.
  if (blocks * blockAlign <= source->convertChunk) return 0;
  pf::AcmStreamHeader header{};
  header.structSize = sizeof header;
  header.source = source->compressed + source->workingConsumed;
  header.sourceLength = static_cast<std::uint32_t>(blocks * blockAlign);
  header.dest = out;
  header.destLength = static_cast<std::uint32_t>(blocks) * blockOutput;
  std::int32_t produced = 0;
  if (pf::acmStreamPrepareHeader(source->workingStream, &header, 0) == pf::MMSYSERR_NOERROR) {
    if (pf::acmStreamConvert(source->workingStream, &header, pf::ACM_STREAMCONVERTF_BLOCKALIGN) ==
        pf::MMSYSERR_NOERROR) {
      source->workingConsumed += static_cast<std::int32_t>(header.sourceLengthUsed);
      produced = static_cast<std::int32_t>(header.destLengthUsed);
    }
    pf::acmStreamUnprepareHeader(source->workingStream, &header, 0);
  }
  // As a refill that gives nothing: the data counts as consumed and the sound ends here.
  if (produced == 0) {
    source->workingConsumed = source->compressedSize;
    return -1;
  }
  return produced;
}

void SeekAcm(SoundSource* source, std::int64_t target) {
  const std::int64_t delivered = source->delivered;
  if (target >= delivered && target < delivered + source->pcmLeft) {
    const std::int32_t step = static_cast<std::int32_t>(target - delivered);
    source->pcmOffset += step;
    source->pcmLeft -= step;
    source->delivered = static_cast<std::int32_t>(target);
    return;
  }
  if (target < delivered) {
    // The spare stream has converted nothing yet: it restarts the data from its first byte.
    if (source->spareStream == nullptr) source->spareStream = OpenConversion(source);
    std::swap(source->workingStream, source->spareStream);
    source->workingConsumed = 0;
    source->spareConsumed = 0;
    source->delivered = 0;
    CloseStream(source->spareStream);
    source->spareStream = OpenConversion(source);
  } else {
    source->delivered += source->pcmLeft;
  }
  source->pcmLeft = 0;
  source->pcmOffset = 0;
  if (source->workingStream == nullptr) return;
  while (RefillAcm(source) == 0) {
    if (target < std::int64_t{source->delivered} + source->pcmLeft) {
      const std::int32_t step = static_cast<std::int32_t>(target - source->delivered);
      source->pcmOffset = step;
      source->pcmLeft -= step;
      source->delivered = static_cast<std::int32_t>(target);
      return;
    }
    source->delivered += source->pcmLeft;
    source->pcmLeft = 0;
  }
  source->pcmLeft = 0;
}

void CloseAcm(SoundSource* source) { ReleaseAcmState(source); }

}  // namespace zelvo
