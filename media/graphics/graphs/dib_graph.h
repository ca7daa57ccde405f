#pragma once
// GDI DIB sections made from pictures: the bitmaps the main window shows are GDI objects, built here
// from a picture file or memory block (CreateDIBGraph) or from a header and its bits.
#include <zelvo/pixel_format.h>

#include "media/graphics/graphs/graph_image.h"
#include "platform/gdi/gdi.h"

namespace zelvo {

// A top-down DIB section holding the bits described by `info` (left-right mirrored with `mirror`),
// in the wanted format or 24-bit RGB without one; a wanted 32-bit format for a 24-bit source is
// changed to 24-bit RGB. Null when the section cannot be made.
pf::GdiObject CreateDIBFromBitmapInfo(const pf::BitmapInfo* info, const void* bits, int mirror,
                                      PixelFormat* wanted);

// Loads the picture (a file, or a memory block with memoryFlag 1) and returns its DIB section, or
// null. Without a wanted format an 8-bit picture keeps its palette in an 8-bit DIB and any other
// picture becomes 24-bit.
pf::GdiObject CreateDIBGraph(const char* path, const void* memory, int size, int memoryFlag, int mirror,
                             PixelFormat* wanted);
pf::GdiObject CreateDIBGraph(const char* path, int mirror, PixelFormat* wanted);

// The picture as a DIB section of its own form (8-bit with its palette, or 24-bit); null, with the
// failure logged, when it cannot be made.
pf::GdiObject CreateDIBFromGraphImage(const GraphImage* picture);

}  // namespace zelvo
