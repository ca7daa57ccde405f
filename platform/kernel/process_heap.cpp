// The process heap: the C heap, with the fault switch "HeapAlloc" for tests of allocation failures.
#include <cstdlib>

#include "platform/kernel/kernel.h"
#include "platform/kernel/kernel_testing.h"

namespace pf {

void* HeapAlloc(std::size_t bytes, bool zeroed) {
  if (testing::ShouldFail("HeapAlloc")) return nullptr;
  return zeroed ? std::calloc(bytes, 1) : std::malloc(bytes);
}

void HeapFree(void* block) { std::free(block); }

}  // namespace pf
