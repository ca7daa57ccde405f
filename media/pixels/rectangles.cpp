#include "media/pixels/rectangles.h"

#include <utility>

namespace zelvo {

void ClipRect(IntRect* a, const IntRect* b) {
  if (a->right < a->left) a->right = a->left;
  if (a->bottom < a->top) a->bottom = a->top;
  auto clampTo = [](int v, int lo, int hi) { return v < lo ? lo : (v > hi ? hi : v); };
  a->bottom = clampTo(a->bottom, b->top, b->bottom);
  a->top = clampTo(a->top, b->top, b->bottom);
  a->right = clampTo(a->right, b->left, b->right);
  a->left = clampTo(a->left, b->left, b->right);
}

void NormalizeRect(IntRect* r) {
  if (r->left > r->right) std::swap(r->left, r->right);
  if (r->top > r->bottom) std::swap(r->top, r->bottom);
}

}  // namespace zelvo
