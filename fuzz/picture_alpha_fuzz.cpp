// Arbitrary bytes as a colour picture and its "_a" alpha picture, through the loader chain and into
// a graph, the alpha merged in: whatever the two hold, a loaded picture has the size its rows
// claim, a failed load holds no pixels, and the graph made from them is deleted whole.
#include <cstddef>
#include <cstdint>

#include "fuzz/started_library.h"
#include "media/core/library_lock.h"
#include "media/graphics/graphs/graph_image.h"
#include "media/graphics/graphs/graph_record.h"

namespace {

void Require(bool condition) {
  if (!condition) __builtin_trap();
}

void CheckImage(const zelvo::GraphImage& image) {
  Require(image.pixels != nullptr && image.width >= 1 && image.height >= 1 &&
          image.pitch >= image.width * image.format.BytesPerPixel);
  const auto* pixels = static_cast<const volatile std::uint8_t*>(image.pixels);
  const std::size_t last = static_cast<std::size_t>(image.height - 1) * image.pitch + image.pitch - 1;
  (void)(pixels[0] ^ pixels[last]);
}

}  // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
  zelvo_fuzz::StartLibraryOnce("picture_alpha_fuzz");
  return 0;
}

// The input: two bytes of options, two bytes of the colour picture's length, the colour picture,
// then the alpha picture.
extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  if (size < 4 || size > (1u << 20)) return 0;
  const int options = data[0];
  std::size_t colourSize = static_cast<std::size_t>(data[2] | data[3] << 8);
  if (colourSize > size - 4) colourSize = size - 4;
  const std::uint8_t* colour = data + 4;
  const std::uint8_t* alpha = colour + colourSize;
  const std::size_t alphaSize = size - 4 - colourSize;

  zelvo::LibraryLockGuard lock;
  zelvo::GraphImage picture{}, alphaPicture{};
  const int loaded = zelvo::LoadGraphImageWithAlpha(nullptr, colour, static_cast<int>(colourSize), 1, alpha,
                                                    static_cast<int>(alphaSize), 1, &picture, &alphaPicture, 0);
  if (loaded < 0) {
    Require(picture.pixels == nullptr && alphaPicture.pixels == nullptr);
    return 0;
  }
  CheckImage(picture);
  if (loaded == 0) CheckImage(alphaPicture);
  // Pictures that claim a huge size are the decoders' concern, not the merge's.
  if (static_cast<std::int64_t>(picture.width) * picture.height <= (1 << 20)) {
    const int graph = zelvo::CreateGraphFromGraphImage(&picture, loaded == 0 ? &alphaPicture : nullptr, options & 1,
                                                       (options >> 1) & 1, (options >> 2) & 1);
    if (graph >= 0) Require(zelvo::DeleteGraph(graph, 0) == 0);
  }
  zelvo::FreeGraphImage(&picture);
  if (loaded == 0) zelvo::FreeGraphImage(&alphaPicture);
  return 0;
}
