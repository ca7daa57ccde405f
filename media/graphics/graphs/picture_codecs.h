#pragma once
// The picture decoders of the PictureLoaderTable and the PNG and JPEG savers.
#include "media/graphics/graphs/graph_image.h"

namespace zelvo {

int LoadBmpFromStream(StreamReaderBlock* reader, GraphImage* out);
int LoadJpegFromStream(StreamReaderBlock* reader, GraphImage* out);
int LoadPngFromStream(StreamReaderBlock* reader, GraphImage* out);
int LoadBgraFromStream(StreamReaderBlock* reader, GraphImage* out);
int LoadTgaFromStream(StreamReaderBlock* reader, GraphImage* out);
int LoadDdsFromStream(StreamReaderBlock* reader, GraphImage* out);

// 0 written, -1 failed. Pixels are read through GetGraphImagePixel; alpha is dropped.
int SavePngFile(const char* path, const GraphImage* image, int compressionLevel);
int SaveJpegFile(const char* path, const GraphImage* image, int quality);

}  // namespace zelvo
