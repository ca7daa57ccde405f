// The mapped-draw spans for 32-bit (8888) pictures.
#include "media/software/rotate_kernels.h"

namespace zelvo::soft {
template const MapSpanTable& GetMapSpanTable<PixelType::k8888>();
}  // namespace zelvo::soft
