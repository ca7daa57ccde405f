#pragma once
// Presented frames written as PNG files into the folder named by ZELVO_FRAME_DUMP.
#include <cstdint>

namespace pf::host {

// Writes a 32-bit 0x00RRGGBB picture as an 8-bit RGB PNG file; false on failure.
bool WritePngFile(const char* hostPath, const std::uint32_t* pixels, int width, int height);
// Writes frame `number` as "<folder>/frame%06llu.png" when ZELVO_FRAME_DUMP names a folder.
void DumpFrameIfAsked(std::uint64_t number, const std::uint32_t* pixels, int width, int height);

}  // namespace pf::host
