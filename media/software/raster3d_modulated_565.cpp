// The triangle rasterizer's vertex-colour loops for 16-bit (565) pictures.
#include "media/software/raster3d_kernels.h"

namespace zelvo::soft {
template const ModulatedRaster3DTable& GetModulatedRaster3DTable<PixelType::k565>();
}  // namespace zelvo::soft
