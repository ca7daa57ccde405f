// The add spans of the grid.
#include "platform/d3d/raster_span_grid.h"

namespace pf::d3d {

SpanFunction FindAddSpan(const SpanKey& key) { return SpanForBlend<SpanBlend::kAdd>(key); }

}  // namespace pf::d3d
