// TriangleMapMemImg: vertex set-up in 14.18 fixed point, the texture gradients, the edge walk and
// the clipped spans; the spans themselves are the kernels of rotate_kernels.h.
#include "media/software/triangle_map.h"

#include "media/core/runtime_routines.h"
#include "media/software/rotate_kernels.h"

namespace zelvo {

namespace {

using soft::kFixedShift;
using soft::MapCall;
using soft::MapSpan;

// Vertex coordinates and their differences must stay within 14 integer bits so that every 14.18
// value and every product of the set-up fits in 32 bits.
constexpr int32_t kCoordMin = -8192, kCoordMax = 8191;

bool InCoordRange(int64_t v) { return v >= kCoordMin && v <= kCoordMax; }

bool VerticesInRange(const TriangleMapVertex* v) {
  for (int i = 0; i < 3; ++i) {
    if (!InCoordRange(v[i].x) || !InCoordRange(v[i].y)) return false;
    for (int j = i + 1; j < 3; ++j) {
      if (!InCoordRange(int64_t{v[i].x} - v[j].x) || !InCoordRange(int64_t{v[i].y} - v[j].y)) return false;
    }
  }
  return true;
}

int32_t Fixed(int32_t whole) { return static_cast<int32_t>(static_cast<uint32_t>(whole) << kFixedShift); }
// Whole part of a 14.18 value, by flooring, so that rows and columns left of or above 0 convert like
// the others.
int32_t Whole(int32_t fixed) { return fixed >> kFixedShift; }

// One edge segment: start position, rows covered and x step per row.
struct Segment {
  int32_t x, y, rows, step;
};

Segment MakeSegment(int32_t x0, int32_t y0, int32_t x1, int32_t y1) {
  const int32_t rows = Whole(y1 - y0);
  return {x0, y0, rows, (x1 - x0) / rows};
}

// One side of the walk: one or two segments, the current one and its progress.
struct Side {
  Segment seg[2];
  int count;
  int current;
  int32_t x, rows, step;

  void Start(int index) {
    current = index;
    x = seg[index].x;
    rows = seg[index].rows;
    step = seg[index].step;
  }
  bool OnLast() const { return current == count - 1; }
};

void SortIndices(int order[3], const int32_t key[3]) {
  order[0] = 0;
  order[1] = 1;
  order[2] = 2;
  for (int i = 0; i < 2; ++i) {
    for (int j = i + 1; j < 3; ++j) {
      if (key[order[i]] > key[order[j]]) {
        const int t = order[i];
        order[i] = order[j];
        order[j] = t;
      }
    }
  }
}

}  // namespace

void TriangleMapMemImg(MEMIMG* destination, const MEMIMG* source, const TriangleMapVertex* vertices,
                       int transparentFlag, const MEMIMG* blendGraph, uint32_t flatColour) {
  if (destination->paletteFlag != 0 || destination->alphaFlag != 0) return;
  if (!VerticesInRange(vertices)) return;
  MapCall c;
  const MapSpan span = source ? soft::PrepareTexturedCall(&c, destination, source, transparentFlag, blendGraph)
                              : soft::PrepareFlatCall(&c, destination, flatColour);
  if (!span) return;

  int32_t X[3], Y[3], U[3], V[3];
  for (int i = 0; i < 3; ++i) {
    X[i] = Fixed(vertices[i].x) + 0x20000;
    Y[i] = Fixed(vertices[i].y) + 0x20000;
    U[i] = Fixed(vertices[i].u);
    V[i] = Fixed(vertices[i].v);
  }
  int byY[3], byX[3];
  SortIndices(byY, Y);
  SortIndices(byX, X);
  const int T = byY[0], M = byY[1], B = byY[2];
  const int a = byX[0], b = byX[1], cc = byX[2];

  // Whole-pixel differences from the reference vertex a (texture differences wrap like U and V).
  auto diff = [](const int32_t* k, int p, int q) {
    return static_cast<int32_t>(static_cast<uint32_t>(k[p]) - static_cast<uint32_t>(k[q])) >> kFixedShift;
  };
  const int32_t dxb = diff(X, b, a), dyb = diff(Y, b, a), dub = diff(U, b, a), dvb = diff(V, b, a);
  const int32_t dxc = diff(X, cc, a), dyc = diff(Y, cc, a), duc = diff(U, cc, a), dvc = diff(V, cc, a);
  const int32_t det = dxc * dyb - dxb * dyc;
  if (det == 0) return;
  auto gradient = [det](int64_t numerator) {
    return static_cast<uint32_t>(DoubleToInt(static_cast<double>(static_cast<int32_t>(numerator)) * 262144.0 / det));
  };
  const uint32_t dUdx = gradient(int64_t{duc} * dyb - int64_t{dub} * dyc);
  const uint32_t dUdy = gradient(int64_t{dub} * dxc - int64_t{duc} * dxb);
  const uint32_t dVdx = gradient(int64_t{dvc} * dyb - int64_t{dvb} * dyc);
  const uint32_t dVdy = gradient(int64_t{dvb} * dxc - int64_t{dvc} * dxb);
  const int32_t x0 = Whole(X[a]), y0 = Whole(Y[a]);
  const uint32_t U0 = static_cast<uint32_t>(U[a]), V0 = static_cast<uint32_t>(V[a]);
  c.du = dUdx;
  c.dv = dVdx;

  Side left{}, right{};
  if (Y[T] == Y[M]) {
    const int lt = X[T] > X[M] ? M : T, rt = lt == M ? T : M;
    left.seg[0] = MakeSegment(X[lt], Y[lt], X[B], Y[B]);
    right.seg[0] = MakeSegment(X[rt], Y[rt], X[B], Y[B]);
    left.count = right.count = 1;
  } else if (Y[M] == Y[B]) {
    const int lb = X[M] > X[B] ? B : M, rb = lb == B ? M : B;
    left.seg[0] = MakeSegment(X[T], Y[T], X[lb], Y[lb]);
    right.seg[0] = MakeSegment(X[T], Y[T], X[rb], Y[rb]);
    left.count = right.count = 1;
  } else {
    const double sM = static_cast<double>(X[M] - X[T]) / Whole(Y[M] - Y[T]);
    const double sB = static_cast<double>(X[B] - X[T]) / Whole(Y[B] - Y[T]);
    if (sM >= sB) {
      // Middle vertex right of the long edge: the right side bends at it, starting one unit right.
      left.seg[0] = MakeSegment(X[T], Y[T], X[B], Y[B]);
      left.count = 1;
      right.seg[0] = MakeSegment(X[T], Y[T], X[M], Y[M]);
      right.seg[1] = MakeSegment(X[M] + 1, Y[M], X[B], Y[B]);
      right.count = 2;
    } else {
      left.seg[0] = MakeSegment(X[T], Y[T], X[M], Y[M]);
      left.seg[1] = MakeSegment(X[M], Y[M], X[B], Y[B]);
      left.count = 2;
      right.seg[0] = MakeSegment(X[T], Y[T], X[B], Y[B]);
      right.count = 1;
    }
  }
  left.Start(0);
  right.Start(0);

  const IntRect region = soft::SoftClipRegion(destination);
  const int bytes = destination->colorType == kMemImg8888 ? 4 : 2;
  int32_t y = Whole(left.seg[0].y);
  for (;;) {
    int32_t xl = Whole(left.x);
    const int32_t xr = Whole(right.x);
    if (xl < region.left) xl = region.left;
    if (y >= region.top && y < region.bottom && xl < region.right && xl <= xr) {
      const int32_t xe = xr < region.right ? xr : region.right - 1;
      // The texture position is evaluated afresh from the reference vertex at each span's start.
      const uint32_t u = static_cast<uint32_t>(xl - x0) * dUdx + static_cast<uint32_t>(y - y0) * dUdy + U0;
      const uint32_t v = static_cast<uint32_t>(xl - x0) * dVdx + static_cast<uint32_t>(y - y0) * dVdy + V0;
      uint8_t* d = destination->pixels + static_cast<ptrdiff_t>(y) * destination->pitch + static_cast<ptrdiff_t>(xl) * bytes;
      span(c, d, xe - xl + 1, u, v);
    }
    right.x += right.step;
    left.x += left.step;
    ++y;
    --left.rows;
    --right.rows;
    if (left.rows == 0) {
      if (left.OnLast()) return;
      left.Start(1);
      y = Whole(left.seg[1].y);
    }
    if (right.rows == 0) {
      if (right.OnLast()) return;
      right.Start(1);
    }
  }
}

}  // namespace zelvo
