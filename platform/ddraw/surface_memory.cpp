// Surface memory: small blocks from the heap, display-sized ones mapped on huge-page boundaries.
#include "platform/ddraw/surface_memory.h"

#include <sys/mman.h>

#include <cstring>
#include <new>
#include <utility>

namespace pf::ddraw {
namespace {

constexpr std::size_t kHugePage = std::size_t{2} << 20;
// Below this a surface takes few enough pages that a mapping of its own would not pay.
constexpr std::size_t kMappedFrom = std::size_t{1} << 20;

std::size_t RoundUp(std::size_t bytes, std::size_t unit) { return (bytes + unit - 1) / unit * unit; }

// A mapping of `length` bytes (a multiple of the huge page) starting on a huge-page boundary.
std::uint8_t* MapAligned(std::size_t length) {
  void* spare = mmap(nullptr, length + kHugePage, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
  if (spare == MAP_FAILED) return nullptr;
  auto* start = static_cast<std::uint8_t*>(spare);
  const std::size_t lead = RoundUp(reinterpret_cast<std::uintptr_t>(start), kHugePage) -
                           reinterpret_cast<std::uintptr_t>(start);
  if (lead != 0) munmap(start, lead);
  if (kHugePage - lead != 0) munmap(start + lead + length, kHugePage - lead);
  // Only a hint: without transparent huge pages the mapping works with ordinary pages.
  madvise(start + lead, length, MADV_HUGEPAGE);
  return start + lead;
}

}  // namespace

SurfaceMemory::~SurfaceMemory() { Free(); }

void SurfaceMemory::Free() {
  if (mappedSize_ != 0) {
    munmap(data_, mappedSize_);
  } else {
    delete[] data_;
  }
  data_ = nullptr;
  size_ = 0;
  mappedSize_ = 0;
}

bool SurfaceMemory::Reserve(std::size_t bytes) {
  Free();
  if (bytes == 0) return true;
  if (bytes >= kMappedFrom) {
    const std::size_t length = RoundUp(bytes, kHugePage);
    data_ = MapAligned(length);
    if (data_ == nullptr) return false;
    mappedSize_ = length;
  } else {
    data_ = new (std::nothrow) std::uint8_t[bytes];
    if (data_ == nullptr) return false;
  }
  size_ = bytes;
  return true;
}

void SurfaceMemory::Fill(std::uint8_t value) {
  if (data_ != nullptr) std::memset(data_, value, size_);
}

void SurfaceMemory::Swap(SurfaceMemory& other) {
  std::swap(data_, other.data_);
  std::swap(size_, other.size_);
  std::swap(mappedSize_, other.mappedSize_);
}

}  // namespace pf::ddraw
