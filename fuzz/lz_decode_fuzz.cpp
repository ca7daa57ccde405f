// Decompresses arbitrary bytes as an archive block into an output of exactly the stated size.
#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <memory>

#include "media/core/archive.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  std::int64_t stated = zelvo::DecompressArchiveBlock(data, size, nullptr, 0);
  if (stated < 0) return 0;
  std::size_t capacity = std::min<std::size_t>(static_cast<std::size_t>(stated), 1 << 20);
  std::unique_ptr<std::uint8_t[]> output(new std::uint8_t[capacity > 0 ? capacity : 1]);
  zelvo::DecompressArchiveBlock(data, size, output.get(), capacity);
  return 0;
}
