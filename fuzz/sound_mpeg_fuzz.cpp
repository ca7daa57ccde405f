// Fuzz target: sound sources over bare MPEG audio files (ID3 tags, frame scan, Layers I to III);
// the frame scan is also run on the bytes as they are. Seeds in fuzz/corpus/sound_mpeg_fuzz.
#include "media/sound_input/mpeg_frames.h"
#include "sound_fuzz.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  zelvo::MpegScan scan;
  if (size < (1u << 20)) zelvo::ScanMpegFrames(data, static_cast<std::int32_t>(size), &scan);
  return FuzzSoundImage(data, size);
}
