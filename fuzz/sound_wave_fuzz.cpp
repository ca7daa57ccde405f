// Fuzz target: sound sources over RIFF/WAVE files (PCM, ADPCM, G.711, MPEG in WAVE); the seeds in
// fuzz/corpus/sound_wave_fuzz steer it there.
#include "sound_fuzz.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) { return FuzzSoundImage(data, size); }
