// The blitter loops for 16-bit (565) pictures.
#include "media/software/blit_grid.h"

namespace zelvo::soft {
template const BlitTables& GetBlitTables<PixelType::k565>();
}  // namespace zelvo::soft
