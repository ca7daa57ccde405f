#pragma once
// The eight flag bytes of a graph, handed as one block to the surface-data record of its storage.
#include <cstdint>

namespace zelvo {

struct GraphFlags {
  std::uint8_t isTexture;
  std::uint8_t alphaCh;
  std::uint8_t drawValid;
  std::uint8_t systemMemory;
  std::uint8_t alphaTest;
  std::uint8_t colorBitDepth;
  std::uint8_t alphaOnly;
  std::uint8_t palette;
};

}  // namespace zelvo
