// The lookup of a specialised span by its key.
#include "platform/d3d/raster_span.h"

namespace pf::d3d {

SpanFunction FindSpan(const SpanKey& key) {
  switch (key.blend) {
    case SpanBlend::kCopy: return FindCopySpan(key);
    case SpanBlend::kAlpha: return FindAlphaSpan(key);
    case SpanBlend::kAdd: return FindAddSpan(key);
  }
  return nullptr;
}

}  // namespace pf::d3d
