#pragma once
// The main window's shape taken from a picture: every pixel whose bytes are not all 0 belongs to it.
namespace zelvo {

int SetWindowRegionFromPicture(const char* path);   // null removes the shape; -1 when the picture fails

}  // namespace zelvo
