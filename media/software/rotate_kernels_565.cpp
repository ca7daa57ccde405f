// The mapped-draw spans for 16-bit (565) pictures.
#include "media/software/rotate_kernels.h"

namespace zelvo::soft {
template const MapSpanTable& GetMapSpanTable<PixelType::k565>();
}  // namespace zelvo::soft
