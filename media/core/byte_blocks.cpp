// Byte-block helpers and the process heap that the tracked allocator draws from.
#include "media/core/runtime_routines.h"

#include <cstdlib>
#include <cstring>

#include "platform/kernel/kernel.h"

namespace zelvo {

void FillBytes(void* dst, int byte, std::size_t n) {
  std::memset(dst, byte, n);
}

int BytesDiffer(const void* a, const void* b, std::size_t n) {
  return std::memcmp(a, b, n) == 0 ? 0 : 1;
}

// An upward byte copy. When the destination starts inside the source the bytes already copied are
// read again, repeating the pattern; that is what an upward copy does, so it is kept.
void CopyBytes(void* dst, const void* src, std::size_t n) {
  auto* d = static_cast<unsigned char*>(dst);
  const auto* s = static_cast<const unsigned char*>(src);
  if (d <= s || d >= s + n) {
    CopyRowBytes(d, s, n);
    return;
  }
  for (std::size_t i = 0; i < n; ++i) {
    d[i] = s[i];
  }
}

void MoveBytes(void* dst, const void* src, std::size_t n) {
  if (dst != src) {
    std::memmove(dst, src, n);
  }
}

void* SystemAlloc(std::size_t n) { return pf::HeapAlloc(n, false); }

void* SystemAllocZeroed(std::size_t n) { return pf::HeapAlloc(n, true); }

void SystemFree(void* p) { pf::HeapFree(p); }

}  // namespace zelvo
