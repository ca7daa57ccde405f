#pragma once
// The pixel memory of a surface. Display-sized blocks sit on their own huge-page-aligned mapping:
// a 640x480 buffer then costs one page fault where ordinary pages would take hundreds, which is
// most of what making the screen's surfaces costs.
#include <cstddef>
#include <cstdint>

namespace pf::ddraw {

class SurfaceMemory {
 public:
  SurfaceMemory() = default;
  ~SurfaceMemory();
  SurfaceMemory(const SurfaceMemory&) = delete;
  SurfaceMemory& operator=(const SurfaceMemory&) = delete;

  // Takes `bytes` bytes in place of what was held, their content unset (a mapping is not touched
  // until used); false when memory is short.
  bool Reserve(std::size_t bytes);
  void Fill(std::uint8_t value);
  void Swap(SurfaceMemory& other);
  std::uint8_t* Data() const { return data_; }
  std::size_t Size() const { return size_; }

 private:
  void Free();

  std::uint8_t* data_ = nullptr;
  std::size_t size_ = 0;
  std::size_t mappedSize_ = 0;   // nonzero when the block is a mapping of its own
};

}  // namespace pf::ddraw
