#pragma once
// Saving a rectangle of the draw target to a BMP, JPEG or PNG file.
namespace zelvo {

// 0, or -1 when the file cannot be written.
int SaveScreenToImageFile(int x1, int y1, int x2, int y2, const char* path, int type, int jpegQuality,
                          int pngLevel);

}  // namespace zelvo
