// The triangle rasterizer's loops without vertex colour for 16-bit (565) pictures.
#include "media/software/raster3d_kernels.h"

namespace zelvo::soft {
template const PlainRaster3DTable& GetPlainRaster3DTable<PixelType::k565>();
}  // namespace zelvo::soft
