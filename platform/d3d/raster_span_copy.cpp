// The copy spans of the grid.
#include "platform/d3d/raster_span_grid.h"

namespace pf::d3d {

SpanFunction FindCopySpan(const SpanKey& key) { return SpanForBlend<SpanBlend::kCopy>(key); }

}  // namespace pf::d3d
