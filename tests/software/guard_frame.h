#pragma once
// A draw target inside a frame of guard bytes. The caller owns an image `guard` pixels larger on
// every side; draws go to the inner view, and any write outside the view lands in the frame, whose
// pattern is checked afterwards. Unlike the sanitizers this also catches a one-pixel overrun in the
// default build, and one into the next row's start.
#include <cstdint>
#include <cstring>

#include "media/pixels/memimg.h"

namespace zelvo::testing_soft {

class GuardFrame {
 public:
  static constexpr std::uint8_t kPattern = 0xA5;

  GuardFrame(MEMIMG* outer, int guard) : outer_(outer), guard_(guard) {
    for (int y = 0; y < outer_->height; ++y) std::memset(Row(y), kPattern, RowBytes());
    MakeMemImgView(&view_, outer_, guard, guard, outer_->width - 2 * guard, outer_->height - 2 * guard);
    for (int y = 0; y < view_.height; ++y) {
      std::memset(view_.pixels + static_cast<std::ptrdiff_t>(y) * view_.pitch, 0,
                  static_cast<std::size_t>(view_.width * Bytes()));
    }
  }

  MEMIMG* get() { return &view_; }

  std::uint32_t Pixel(int x, int y) const {
    std::uint32_t value = 0;
    std::memcpy(&value, view_.pixels + static_cast<std::ptrdiff_t>(y) * view_.pitch + x * Bytes(),
                static_cast<std::size_t>(Bytes()));
    return value;
  }

  // Bytes of the frame that no longer hold the pattern.
  int DamagedBytes() const {
    int damaged = 0;
    for (int y = 0; y < outer_->height; ++y) {
      const bool insideRows = y >= guard_ && y < outer_->height - guard_;
      for (int b = 0; b < RowBytes(); ++b) {
        const bool insideColumns = b >= guard_ * Bytes() && b < RowBytes() - guard_ * Bytes();
        if (insideRows && insideColumns) continue;
        damaged += Row(y)[b] != kPattern;
      }
    }
    return damaged;
  }

 private:
  int Bytes() const { return outer_->format->BytesPerPixel; }
  int RowBytes() const { return outer_->width * Bytes(); }
  std::uint8_t* Row(int y) const { return outer_->pixels + static_cast<std::ptrdiff_t>(y) * outer_->pitch; }

  MEMIMG* outer_;
  int guard_;
  MEMIMG view_{};
};

}  // namespace zelvo::testing_soft
