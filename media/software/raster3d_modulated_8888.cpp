// The triangle rasterizer's vertex-colour loops for 32-bit (8888) pictures.
#include "media/software/raster3d_kernels.h"

namespace zelvo::soft {
template const ModulatedRaster3DTable& GetModulatedRaster3DTable<PixelType::k8888>();
}  // namespace zelvo::soft
