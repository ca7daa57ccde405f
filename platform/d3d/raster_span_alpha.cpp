// The alpha spans of the grid.
#include "platform/d3d/raster_span_grid.h"

namespace pf::d3d {

SpanFunction FindAlphaSpan(const SpanKey& key) { return SpanForBlend<SpanBlend::kAlpha>(key); }

}  // namespace pf::d3d
