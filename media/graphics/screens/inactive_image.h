#pragma once
// The picture the window shows while the program is inactive.
namespace zelvo {

// From a file (or, with data, from memory); both null: no change. 0, or -1 when it cannot be loaded.
int SetInactiveImage(const char* path, const void* data, int size);
// Shows the picture in the window over the last frame, leaving the back buffer as it was; -1 without
// a picture, 0 while the library shuts down.
int PaintInactiveImage();

}  // namespace zelvo
