#pragma once
// In-memory pictures (GraphImage) and picture loading through the PictureLoaderTable, with the
// optional "_a" alpha picture.
#include <cstdint>

#include <zelvo/pixel_format.h>

#include "media/core/file_ops.h"

namespace zelvo {

struct GraphImage {
  PixelFormat format;       // channel layout and, for 8-bit pictures, the palette
  std::int32_t width;
  std::int32_t height;
  std::int32_t pitch;       // bytes per row
  void* pixels;             // height x pitch bytes, top row first, from the tracked allocator
};

// 0 when the loader accepted the data and filled the picture, anything else when it refused.
// Loaders judge by content, never by file name, and leave nothing allocated when they refuse.
using PictureLoader = int (*)(StreamReaderBlock* reader, GraphImage* out);

// The built-in loaders in the order they are tried, terminated by a null entry.
extern const PictureLoader PictureLoaderTable[];

// Loaders tried ahead of the built-in ones; the library never adds one.
constexpr int kMaxUserPictureLoaders = 10;
extern PictureLoader g_userPictureLoaders[kMaxUserPictureLoaders];
extern int g_userPictureLoaderCount;

int AllocGraphImageArgb32(int width, int height, GraphImage* image);
int AllocGraphImageRgb24(int width, int height, GraphImage* image);
int FreeGraphImage(GraphImage* image);
int FillGraphImage(GraphImage* image, int red, int green, int blue, int alpha);
// No bounds check: x and y must lie inside the picture.
int SetGraphImagePixel(GraphImage* image, int x, int y, int red, int green, int blue, int alpha);
int GetGraphImagePixel(const GraphImage* image, int x, int y, int* red, int* green, int* blue, int* alpha);
int MirrorGraphImage(GraphImage* image);
std::uint32_t GraphImageTopLeftColor(const GraphImage* image);
// A 32-bit ARGB copy of the picture in which pixels of the colour `key` (0x00RRGGBB) get alpha 0,
// and such pixels beside a visible one take that one's colour (still with alpha 0), so filtering
// at a figure's edge blends toward the figure's colour. 0, or -1 when it cannot be allocated.
int MakeKeyedAlphaPicture(const GraphImage* picture, std::uint32_t key, GraphImage* out);

// Opens a file through the file layer (memoryFlag 0) or a memory block (memoryFlag 1) and runs the
// loaders over it. 0, or -1 when it cannot be opened or no loader accepts it.
int LoadGraphImage(const char* path, const void* memory, int memorySize, int memoryFlag, GraphImage* out,
                   int loadOption);

// The alpha picture's name: the path with "_a" before its last '.', or appended when there is none.
// Returns 0, or -1 when the name would not fit in `size` bytes.
int MakeAlphaPictureName(const char* path, char* out, int size);

// 0 when both pictures were loaded, 1 when only the colour picture was, -1 when it failed. The alpha
// picture comes from alphaMemory (alphaMemoryFlag 1) or from the "_a" file beside path (flag 0);
// any other flag skips it.
int LoadGraphImageWithAlpha(const char* path, const void* memory, int memorySize, int memoryFlag,
                            const void* alphaMemory, int alphaMemorySize, int alphaMemoryFlag,
                            GraphImage* out, GraphImage* alphaOut, int loadOption);

// No user loaders, as at process start.
void ResetPictureLoaderState();

}  // namespace zelvo
