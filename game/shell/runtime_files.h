#pragma once
// The C runtime's text-mode file calls the game writes its files with, and the system's rename, as
// this system's runtime provides them: "\n" is stored as CR LF, and a file opened with "w" replaces
// the old one only when it closes whole (written beside it, flushed to disk, renamed over it).
// Declared here rather than included, so the game sees no more of the platform than the runtime
// calls it makes.
#include <cstddef>

namespace pf {

struct TextFile;
TextFile* TextFileOpen(const char* path, const char* mode);
int TextFilePrintf(TextFile* file, const char* format, ...) __attribute__((format(printf, 2, 3)));
std::size_t TextFileWrite(const void* buffer, std::size_t size, std::size_t count, TextFile* file);   // count, or 0
int TextFileClose(TextFile* file);   // 0, or -1 when the data could not be stored
bool MoveFileReplace(const char* from, const char* to);   // renames over an existing target

}  // namespace pf
