// The blitter loops for 32-bit (8888) pictures.
#include "media/software/blit_grid.h"

namespace zelvo::soft {
template const BlitTables& GetBlitTables<PixelType::k8888>();
}  // namespace zelvo::soft
