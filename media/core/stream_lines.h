#pragma once
// The public line reader's operation, run under the library lock its entry point takes.
#include "media/core/file_ops.h"

namespace zelvo {

// Reads one line cut at CR LF into `buffer` (n bytes, n >= 2) and returns its length, or -1 at the
// end of the stream. A longer line comes back in pieces; a double-byte character is never split.
int ReadStreamLine(char* buffer, int n, FileHandle stream);

}  // namespace zelvo
