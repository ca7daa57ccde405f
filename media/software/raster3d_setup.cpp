// Triangle set-up: single-precision gradients and edge slopes, each named value rounded to single
// precision as it is stored, then 14.18 fixed-point edge walks that fill the span table.
#include "media/software/raster3d_setup.h"

#include <initializer_list>

namespace zelvo::soft {

TriangleSpanRow TriangleSpanTable[kTriangleSpanRows];

namespace {

constexpr double kEdgeScale = 262144.0;   // 2^18: one pixel in 14.18
constexpr int32_t kHalfPixel = 0x20000;
constexpr double kInterpScale[kInterpCount] = {67108864.0, 67108864.0, 67108864.0, 16777216.0,
                                               16384.0, 16384.0, 16384.0, 16384.0};

// Orders three coordinates with strict greater-than tests, smallest first.
void SortThree(float c0, float c1, float c2, int out[3]) {
  auto set = [out](int a, int b, int c) {
    out[0] = a;
    out[1] = b;
    out[2] = c;
  };
  if (c0 > c1) {
    if (c1 > c2) set(2, 1, 0);
    else if (c2 > c0) set(1, 0, 2);
    else set(1, 2, 0);
  } else {
    if (c0 > c2) set(2, 0, 1);
    else if (c2 > c1) set(0, 1, 2);
    else set(0, 2, 1);
  }
}

// The per-vertex value of interpolant i.
float VertexValue(const ScreenVertex& v, int i) {
  switch (i) {
    case kInterpRhw: return v.rhw;
    case kInterpU: return v.u * v.rhw;
    case kInterpV: return v.v * v.rhw;
    case kInterpZ: return v.z;
    case kInterpRed: return static_cast<float>((v.diffuse >> 16) & 0xFF);
    case kInterpGreen: return static_cast<float>((v.diffuse >> 8) & 0xFF);
    case kInterpBlue: return static_cast<float>(v.diffuse & 0xFF);
    default: return static_cast<float>(v.diffuse >> 24);
  }
}

// Differences of colour bytes are taken as integers, then converted.
float VertexDifference(const ScreenVertex& a, const ScreenVertex& b, int i) {
  if (i >= kInterpRed) {
    const int shift = i == kInterpRed ? 16 : (i == kInterpGreen ? 8 : (i == kInterpBlue ? 0 : 24));
    return static_cast<float>(static_cast<int>((a.diffuse >> shift) & 0xFF) - static_cast<int>((b.diffuse >> shift) & 0xFF));
  }
  return VertexValue(a, i) - VertexValue(b, i);
}

// A straight piece of an edge: its start and its x step per row.
struct Segment {
  float sx, sy, slope;
};

Segment MakeSegment(float sx, float sy, float ex, float ey) {
  const float dy = ey - sy;
  // A segment of no height (two vertices between -1 and 1 share row 0) gets no slope.
  const float slope = dy == 0.0f ? 0.0f : static_cast<float>((static_cast<double>(ex) - sx) / dy);
  return {sx, sy, slope};
}

struct Side {
  Segment segment[2];
  bool pending;        // a second segment is still to come
  int32_t switchPoint; // 14.18 row position from which the second segment holds
  int32_t position;
  int32_t step;
};

int32_t EdgePosition(const Segment& s, double y) {
  return FloatToInt(static_cast<float>(((y - s.sy) * s.slope + s.sx) * kEdgeScale));
}

void StartSegment(Side* side, const Segment& s, double y) {
  side->position = EdgePosition(s, y);
  side->step = FloatToInt(static_cast<float>(s.slope * kEdgeScale));
}

int32_t AddWrapped(int32_t a, int32_t b) {
  return static_cast<int32_t>(static_cast<uint32_t>(a) + static_cast<uint32_t>(b));
}

}  // namespace

int SetUpTriangle3D(const ScreenVertex* v, const IntRect& region, TriangleSetup* out) {
  int byX[3], byY[3], byZ[3];
  SortThree(v[0].x, v[1].x, v[2].x, byX);
  SortThree(v[0].y, v[1].y, v[2].y, byY);
  SortThree(v[0].z, v[1].z, v[2].z, byZ);
  const ScreenVertex &P = v[byX[0]], &Q = v[byX[1]], &R = v[byX[2]];
  const ScreenVertex &T = v[byY[0]], &M = v[byY[1]], &B = v[byY[2]];

  if (static_cast<float>(region.left) > R.x) return -1;
  if (static_cast<float>(region.right) <= P.x) return -1;
  if (static_cast<float>(region.top) > B.y) return -1;
  if (static_cast<float>(region.bottom) <= T.y) return -1;
  if (v[byZ[2]].z < 0.0f) return -1;
  if (v[byZ[0]].z >= 1.0f) return -1;
  if (B.y - T.y < 1.1f) return -1;
  if (R.x - P.x < 1.1f) return -1;

  // Planes through the three vertices, from the reference vertex P (smallest x).
  const float d1x = R.x - P.x, d1y = R.y - P.y, d2x = Q.x - P.x, d2y = Q.y - P.y;
  const float det = static_cast<float>(static_cast<double>(d2x) * d1y - static_cast<double>(d1x) * d2y);
  if (det == 0.0f) return -1;
  const float inv = static_cast<float>(1.0 / det);
  for (int i = 0; i < kInterpCount; ++i) {
    const float dF1 = VertexDifference(R, P, i), dF2 = VertexDifference(Q, P, i);
    const float xgrad = static_cast<float>((static_cast<double>(dF2) * d1y - static_cast<double>(dF1) * d2y) * inv);
    const float ygrad = static_cast<float>((static_cast<double>(dF1) * d2x - static_cast<double>(dF2) * d1x) * inv);
    const float base = static_cast<float>(static_cast<double>(VertexValue(P, i)) - static_cast<double>(xgrad) * P.x -
                                          static_cast<double>(ygrad) * P.y);
    out->plane[i].stepX = DoubleToInt(xgrad * kInterpScale[i]);
    out->plane[i].stepY = DoubleToInt(ygrad * kInterpScale[i]);
    out->plane[i].base = DoubleToInt(base * kInterpScale[i]);
  }

  // Edges: each side is one segment, or two that switch at the middle vertex.
  Side left{}, right{};
  const int32_t middleSwitch = FloatToInt(M.y * 262144.0f);
  if (FloatToInt(T.y) == FloatToInt(M.y)) {
    const ScreenVertex& l = T.x > M.x ? M : T;
    const ScreenVertex& r = T.x > M.x ? T : M;
    left.segment[0] = MakeSegment(l.x, l.y, B.x, B.y);
    right.segment[0] = MakeSegment(r.x, r.y, B.x, B.y);
  } else if (FloatToInt(M.y) == FloatToInt(B.y)) {
    const ScreenVertex& l = M.x > B.x ? B : M;
    const ScreenVertex& r = M.x > B.x ? M : B;
    left.segment[0] = MakeSegment(T.x, T.y, l.x, l.y);
    right.segment[0] = MakeSegment(T.x, T.y, r.x, r.y);
  } else {
    const float slopeTM = static_cast<float>((static_cast<double>(M.x) - T.x) / (static_cast<double>(M.y) - T.y));
    const float slopeTB = static_cast<float>((static_cast<double>(B.x) - T.x) / (static_cast<double>(B.y) - T.y));
    if (slopeTB > slopeTM) {
      left.segment[0] = MakeSegment(T.x, T.y, M.x, M.y);
      left.segment[1] = MakeSegment(M.x, M.y, B.x, B.y);
      left.pending = true;
      left.switchPoint = middleSwitch;
      right.segment[0] = MakeSegment(T.x, T.y, B.x, B.y);
    } else {
      left.segment[0] = MakeSegment(T.x, T.y, B.x, B.y);
      right.segment[0] = MakeSegment(T.x, T.y, M.x, M.y);
      right.segment[1] = MakeSegment(M.x + 1.0f, M.y, B.x, B.y);
      right.pending = true;
      right.switchPoint = middleSwitch;
    }
  }

  // Rows in 14.18, walked at their centres; 64-bit so that a region far down cannot overflow.
  int64_t firstRow = (static_cast<int64_t>(FloatToInt(T.y * 262144.0f)) + kHalfPixel) / 262144;
  if (firstRow < region.top) firstRow = region.top;
  int64_t end = FloatToInt(B.y * 262144.0f);
  if (static_cast<int64_t>(region.bottom) * 262144 < end) end = static_cast<int64_t>(region.bottom) * 262144;
  int64_t rowCentre = firstRow * 262144 + kHalfPixel;

  for (Side* side : {&left, &right}) {
    const bool second = side->pending && side->switchPoint <= rowCentre;
    StartSegment(side, side->segment[second ? 1 : 0], static_cast<double>(firstRow) + 0.5);
    if (second) side->pending = false;
  }

  int32_t rows = 0;
  while (end > rowCentre && rows < kTriangleSpanRows) {
    int first = AddWrapped(left.position, kHalfPixel) / 262144;
    int count = AddWrapped(right.position, -kHalfPixel) / 262144 - first + 1;
    if (first < region.left) {
      count -= region.left - first;
      first = region.left;
    }
    if (first + count > region.right) count = region.right - first;
    if (count <= 0) count = 0;
    TriangleSpanTable[rows].first = static_cast<int16_t>(first);
    TriangleSpanTable[rows].count = static_cast<int16_t>(count);
    ++rows;
    left.position = AddWrapped(left.position, left.step);
    right.position = AddWrapped(right.position, right.step);
    rowCentre += 262144;
    for (Side* side : {&left, &right}) {
      if (side->pending && side->switchPoint <= rowCentre) {
        StartSegment(side, side->segment[1], static_cast<double>(rowCentre) / kEdgeScale);
        side->pending = false;
      }
    }
  }

  out->firstRow = static_cast<int32_t>(firstRow);
  out->rowCount = rows;
  for (int i = 0; i < kInterpCount; ++i) {
    const InterpolantPlane& p = out->plane[i];
    const uint32_t atRow = static_cast<uint32_t>(p.stepY) * static_cast<uint32_t>(out->firstRow) +
                           static_cast<uint32_t>(p.base) + static_cast<uint32_t>(p.stepY / 2);
    out->rowBase[i] = static_cast<int32_t>(atRow);
  }
  return 0;
}

}  // namespace zelvo::soft
