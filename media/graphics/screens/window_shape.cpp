// The window shape of a picture: the union, row by row, of the runs of pixels that are not empty, a
// pixel being empty when all its bytes are 0.
#include "media/graphics/screens/window_shape.h"

#include <vector>

#include "media/core/window_region.h"
#include "media/graphics/graphs/graph_image.h"

namespace zelvo {
namespace {

bool PixelEmpty(const unsigned char* pixel, int bytes) {
  for (int i = 0; i < bytes; ++i) {
    if (pixel[i] != 0) return false;
  }
  return true;
}

std::vector<pf::Rect> NonEmptyRuns(const GraphImage& image) {
  std::vector<pf::Rect> runs;
  const int bytes = image.format.BytesPerPixel > 0 ? image.format.BytesPerPixel : 1;
  for (int y = 0; y < image.height; ++y) {
    const auto* row = static_cast<const unsigned char*>(image.pixels) + static_cast<std::ptrdiff_t>(y) * image.pitch;
    int x = 0;
    while (x < image.width) {
      while (x < image.width && PixelEmpty(row + x * bytes, bytes)) ++x;
      int start = x;
      while (x < image.width && !PixelEmpty(row + x * bytes, bytes)) ++x;
      if (x > start) runs.push_back(pf::Rect{start, y, x, y + 1});
    }
  }
  return runs;
}

}  // namespace

int SetWindowRegionFromPicture(const char* path) {
  if (path == nullptr) return ClearWindowRegion();
  GraphImage image{};
  if (LoadGraphImage(path, nullptr, 0, 0, &image, 0) != 0) return -1;
  std::vector<pf::Rect> runs = NonEmptyRuns(image);
  FreeGraphImage(&image);
  return SetWindowRegionFromRects(runs.data(), static_cast<int>(runs.size()));
}

}  // namespace zelvo
