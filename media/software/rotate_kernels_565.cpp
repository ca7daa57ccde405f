// The mapped-draw spans for 16-bit (565) pictures.
#include "media/software/rotate_kernels.h"

namespace zelvo::soft {
template const MapSpanTable& GetMapSpanTable<kMemImg565>();
}  // namespace zelvo::soft
