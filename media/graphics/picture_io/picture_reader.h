#pragma once
// Bounded reading for the picture decoders: every size taken from a file is checked against the
// data actually present and against the picture limits before anything is allocated or read.
#include <cstddef>
#include <cstdint>

#include "media/core/file_ops.h"

namespace zelvo {

// Largest width or height a decoder accepts, and largest pixel block it allocates.
constexpr std::int64_t kMaxPictureSide = 32768;
constexpr std::int64_t kMaxPictureBytes = std::int64_t{256} << 20;

// Bytes from the current position to the end of the stream; the position is kept. -1 when the
// stream cannot report it.
std::int64_t StreamBytesLeft(StreamReaderBlock* reader);
// Reads exactly `size` bytes; false when fewer were there.
bool ReadStreamExact(StreamReaderBlock* reader, void* buffer, std::int64_t size);
bool SeekStream(StreamReaderBlock* reader, std::int64_t offset);
// Reads the `size` bytes from the current position into a new tracked block (at least one byte is
// allocated); null when they are not all there or size is out of limits.
std::uint8_t* ReadStreamBlock(StreamReaderBlock* reader, std::int64_t size);

// True when width and height are 1..kMaxPictureSide and pitch x height fits kMaxPictureBytes;
// pitch must already be at least the row's bytes. Inside a graph load the cap also holds what the
// load has taken so far and the graph storage the picture becomes.
bool PictureFits(std::int64_t width, std::int64_t height, std::int64_t pitch);

// The pictures of one graph load and the storage made from them share kMaxPictureBytes: the first
// picture is counted with kGraphStorageBytesPerPixel a pixel for the storage (the widest a graph
// pixel takes) and `pictureCopies` times its own bytes (a load that converts its pixels holds two
// copies for a moment), so a picture that could not become a graph is refused before its pixels
// are allocated. Loads do not nest.
constexpr std::int64_t kGraphStorageBytesPerPixel = 4;
void BeginGraphLoadBudget(int pictureCopies);
void NotePictureLoaded(std::int64_t width, std::int64_t height, std::int64_t pitch);
void EndGraphLoadBudget();

inline std::int64_t RoundUp4(std::int64_t n) { return (n + 3) & ~std::int64_t{3}; }
inline std::uint32_t ReadLe16(const std::uint8_t* p) { return p[0] | (p[1] << 8); }
inline std::uint32_t ReadLe32(const std::uint8_t* p) {
  return p[0] | (p[1] << 8) | (p[2] << 16) | (static_cast<std::uint32_t>(p[3]) << 24);
}

}  // namespace zelvo
