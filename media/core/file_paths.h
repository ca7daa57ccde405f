#pragma once
// Path helpers of the file layer: absolute paths, splitting a path into folder and name, and a
// temporary file for data the platform cannot open by path. Paths are CP932; separators are
// backslashes or slashes and a double-byte character is never split.
#include "platform/kernel/kernel.h"

namespace zelvo {

// `out` holds kMaxPath bytes. 0, or -1 for an empty component or a result too long for `out`.
int MakeFullPath(const char* path, char* out, const char* base);
// Either output (kMaxPath bytes each) may be null; returns 0.
int SplitPathName(const char* path, char* fileNameOut, char* folderOut);
// The platform handle of a new, empty temporary file opened for writing; nullptr when no temporary
// name can be had, kInvalidHandle when the file cannot be created. `nameOut` (kMaxPath bytes) may be null.
pf::Handle CreateTempFile(char* nameOut);

}  // namespace zelvo
