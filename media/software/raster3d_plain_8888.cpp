// The triangle rasterizer's loops without vertex colour for 32-bit (8888) pictures.
#include "media/software/raster3d_kernels.h"

namespace zelvo::soft {
template const PlainRaster3DTable& GetPlainRaster3DTable<PixelType::k8888>();
}  // namespace zelvo::soft
