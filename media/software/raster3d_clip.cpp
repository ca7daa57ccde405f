// Depth clipping: the far plane (z > w) and then the near plane (z < 0) cut the triangle in
// homogeneous form; cut points take their colour by a byte weight measured along the edge.
#include "media/software/raster3d_clip.h"

#include <cmath>

#include "media/core/runtime_routines.h"

namespace zelvo::soft {

namespace {

// Colour of a cut point: t measured from S toward E, weighed in 1/256 steps.
uint32_t CutColour(uint32_t from, uint32_t to, float t) {
  const int k = FloatToInt(t * 255.0f) & 0xFF;
  uint32_t out = 0;
  for (int shift = 0; shift < 32; shift += 8) {
    const int s = static_cast<int>((from >> shift) & 0xFF), e = static_cast<int>((to >> shift) & 0xFF);
    out |= static_cast<uint32_t>(((s * 256 + (e - s) * k) >> 8) & 0xFF) << shift;
  }
  return out;
}

float Along(float from, float to, float t) { return from + (to - from) * t; }

ScreenVertex FarCut(const ScreenVertex& in, const ScreenVertex& out) {
  const float inDepth = in.z / in.rhw;
  const float t = (1.0f - inDepth) / (out.z / out.rhw - inDepth);
  ScreenVertex c;
  c.x = Along(in.x, out.x, t);
  c.y = Along(in.y, out.y, t);
  c.z = Along(in.z, out.z, t);
  c.rhw = Along(in.rhw, out.rhw, t);
  c.u = Along(in.u, out.u, t);
  c.v = Along(in.v, out.v, t);
  c.diffuse = CutColour(in.diffuse, out.diffuse, t);
  return c;
}

ScreenVertex NearCut(const ScreenVertex& out, const ScreenVertex& in) {
  const float t = -out.z / (in.z - out.z);
  ScreenVertex c;
  c.x = Along(out.x, in.x, t);
  c.y = Along(out.y, in.y, t);
  c.z = 0.0f;
  c.rhw = Along(out.rhw, in.rhw, t);
  c.u = Along(out.u, in.u, t);
  c.v = Along(out.v, in.v, t);
  c.diffuse = CutColour(out.diffuse, in.diffuse, t);
  return c;
}

// One pass over a closed polygon; Far selects the plane. Returns the output count.
template <bool Far>
int CutPass(ScreenVertex* in, int count, ScreenVertex* out) {
  in[count] = in[0];
  auto outside = [](const ScreenVertex& p) { return Far ? p.z > p.rhw : p.z < 0.0f; };
  int n = 0;
  // Room is always left for the next pass's closing copy.
  auto put = [out, &n](const ScreenVertex& p) {
    if (n < kDepthPolygonSlots - 1) out[n++] = p;
  };
  for (int i = 0; i < count; ++i) {
    const ScreenVertex &a = in[i], &b = in[i + 1];
    const bool aOut = outside(a), bOut = outside(b);
    if (!aOut) put(a);
    if (aOut != bOut) {
      if constexpr (Far) put(aOut ? FarCut(b, a) : FarCut(a, b));
      else put(aOut ? NearCut(a, b) : NearCut(b, a));
    }
  }
  return n;
}

}  // namespace

int CutTriangleAtDepthPlanes(const ScreenVertex* v, ScreenVertex polygon[kDepthPolygonSlots], int* count) {
  int outside = 0;
  for (int i = 0; i < 3; ++i) outside += (v[i].z < 0.0f) + (v[i].z > 1.0f);
  if (outside >= 3) return kDepthDropped;
  if (outside == 0) return kDepthInside;
  // Cutting needs a finite w above 0 at every vertex; without one the triangle is dropped.
  for (int i = 0; i < 3; ++i) {
    if (!(v[i].rhw > 0.0f) || !std::isfinite(1.0f / v[i].rhw)) return kDepthDropped;
  }

  // Homogeneous form: x, y and z times w, and w in the rhw field.
  ScreenVertex other[kDepthPolygonSlots];
  for (int i = 0; i < 3; ++i) {
    polygon[i] = v[i];
    const float w = 1.0f / v[i].rhw;
    polygon[i].rhw = w;
    polygon[i].x *= w;
    polygon[i].y *= w;
    polygon[i].z *= w;
  }
  const int afterFar = CutPass<true>(polygon, 3, other);
  const int afterNear = CutPass<false>(other, afterFar, polygon);
  for (int i = 0; i < afterNear; ++i) {
    const float rhw = 1.0f / polygon[i].rhw;
    polygon[i].rhw = rhw;
    polygon[i].x *= rhw;
    polygon[i].y *= rhw;
    polygon[i].z *= rhw;
  }
  *count = afterNear;
  return kDepthCut;
}

}  // namespace zelvo::soft
