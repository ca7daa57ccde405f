// Fuzz target: the TGA picture decoder over a memory stream.
#include "picture_fuzz.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  return FuzzPictureLoader(zelvo::LoadTgaFromStream, data, size);
}
