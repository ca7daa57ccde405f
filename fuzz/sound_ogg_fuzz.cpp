// Fuzz target: sound sources over Ogg Vorbis files; the seeds in
// fuzz/corpus/sound_ogg_fuzz steer it there.
#include "sound_fuzz.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) { return FuzzSoundImage(data, size); }
