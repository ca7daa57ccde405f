#pragma once
// A sound file image decoded whole into PCM: the step that sound loading takes from a file image
// to the PCM it copies into play buffers.
#include <cstdint>

#include "platform/acm/acm.h"

namespace zelvo {

// On success *pcm is a new tracked block of *pcmSize bytes (whole sample frames) in *format. A
// file no kind accepts, or one that decodes to nothing, logs and gives -1.
int DecodeSoundImage(const void* image, std::int32_t imageSize, pf::WaveFormatEx* format, void** pcm,
                     std::int32_t* pcmSize);

}  // namespace zelvo
