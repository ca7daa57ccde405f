// Whole-row 32-bit blends: the scalar reference, and the choice of the vector versions (row_vector.h),
// which give the same bytes.
#include "media/software/row_kernels.h"


namespace zelvo::soft {

int BlendRowSse2(int kind, uint8_t* dst, const uint8_t* src, int count, int param);
int BlendRowAvx2(int kind, uint8_t* dst, const uint8_t* src, int count, int param);
int GatherRowAvx2(uint8_t* dst, const uint8_t* srcRow, const int32_t* columns, int count, int32_t lowest, int32_t highest);

namespace {

ZELVO_PIXEL_INLINE uint32_t RowPixel(int kind, const BlendRows& r, uint32_t s, uint32_t d, uint8_t* dp) {
  switch (kind) {
    case kRowLerp: Combine<kMemImg8888, kBlendAlpha, false, false, false>(r, dp, s, 0, 0); return Load32(dp);
    case kRowHalf: return Half32(s, d);
    case kRowAdd: Combine<kMemImg8888, kBlendAdd, false, false, false>(r, dp, s, 0, 0); return Load32(dp);
    case kRowAddWord: return Add32NoLowTerm(s, d);
    case kRowAddSaturate: return AddBytesSaturated(s, d);
    case kRowSub: Combine<kMemImg8888, kBlendSubtract, false, false, false>(r, dp, s, 0, 0); return Load32(dp);
    case kRowSubSaturate: return SubBytesSaturated(s, d);
    case kRowAlphaSource:
      if ((s >> 24) == 0) return d;
      if ((s >> 24) == 255) return s;
      Combine<kMemImg8888, kBlendNone, false, false, true>(r, dp, s, 0, s >> 24);
      return Load32(dp);
    default: Combine<kMemImg8888, kBlendMultiply, false, false, false>(r, dp, s, 0, 0); return Load32(dp);
  }
}

}  // namespace

void BlendRow32Reference(int kind, uint8_t* dst, const uint8_t* src, int count, int param) {
  const BlendRows r = MakeBlendRows(param, kTintOff);
  for (int i = 0; i < count; ++i) {
    uint8_t* dp = dst + i * 4;
    Store32(dp, RowPixel(kind, r, Load32(src + i * 4), Load32(dp), dp));
  }
}

void BlendRow32(int kind, uint8_t* dst, const uint8_t* src, int count, int param) {
  int done = 0;
  switch (SoftPathLevel()) {
    case kSoftPathAvx2: done = BlendRowAvx2(kind, dst, src, count, param); break;
    case kSoftPathSse2: done = BlendRowSse2(kind, dst, src, count, param); break;
    default: break;
  }
  BlendRow32Reference(kind, dst + done * 4, src + done * 4, count - done, param);
}

void GatherRow32(uint8_t* dst, const uint8_t* srcRow, const int32_t* columns, int count, int32_t lowest, int32_t highest) {
  const int done = SoftPathLevel() == kSoftPathAvx2 ? GatherRowAvx2(dst, srcRow, columns, count, lowest, highest) : 0;
  for (int i = done; i < count; ++i) std::memcpy(dst + i * 4, srcRow + static_cast<ptrdiff_t>(columns[i]) * 4, 4);
}

}  // namespace zelvo::soft
