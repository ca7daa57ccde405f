#pragma once
// Path helpers of the file layer: absolute paths, splitting a path into folder and name, and a
// temporary file for data the platform cannot open by path. Paths are CP932; separators are
// backslashes or slashes and a double-byte character is never split.
#include <cstddef>

#include "platform/kernel/kernel.h"

namespace zelvo {

// `out` holds kMaxPath bytes. 0, or -1 for an empty component or a result too long for `out`.
int MakeFullPath(const char* path, char* out, const char* base);
// Either output (kMaxPath bytes each) may be null; returns 0.
int SplitPathName(const char* path, char* fileNameOut, char* folderOut);
// The platform handle of a new, empty temporary file opened for writing; nullptr when no temporary
// name can be had, kInvalidHandle when the file cannot be created. `nameOut` (kMaxPath bytes) may be null.
pf::Handle CreateTempFile(char* nameOut);

// Text of paths built into a kMaxPath buffer, shared by the path builders of the file layer.
bool IsPathSeparator(char c);
// Index just past the character starting at i (a double-byte character counts whole, unless its
// trail byte is missing).
std::size_t NextPathChar(const char* text, std::size_t i);
// Index of the last backslash, slash or colon (never a trail byte), or -1.
long FindLastPathBreak(const char* text);
// Appends n bytes, upper-casing single-byte letters when asked; false when the result would not fit.
bool AppendPathText(char* out, std::size_t* length, const char* text, std::size_t n, bool upper);
// Walks the components of `rest` onto `out`: "." is skipped, ".." removes the last component (never a
// drive's colon), any other component is appended after a backslash. An empty component between two
// separators fails when `emptyFails`, else it is appended like the others. 0, or -1.
int AppendPathComponents(const char* rest, char* out, std::size_t* length, bool upper, bool emptyFails);

}  // namespace zelvo
