#pragma once
// Test-only writer of MPEG audio streams: frames with a valid header and an all-zero body, which
// decodes as silence in every layer; ID3v2 tags (with or without a footer) and ID3v1 tags.
#include <cstdint>
#include <vector>

namespace zelvo_test {

using MpegBytes = std::vector<std::uint8_t>;

struct MpegFrameShape {
  int version = 1;          // 1 MPEG-1, 2 MPEG-2
  int layer = 3;            // 1, 2 or 3
  int bitrateKbps = 128;
  int sampleRate = 44100;
  bool padding = false;
  bool mono = false;
};

// The 4 header bytes; bitrate and rate must be in the standard tables.
std::uint32_t MpegFrameHeader(const MpegFrameShape& shape);
int MpegFrameBytes(const MpegFrameShape& shape);
int MpegFrameSamples(const MpegFrameShape& shape);
// Reads a header written by MpegFrameHeader (or any valid one); false for an invalid header.
bool ParseMpegFrameHeader(const std::uint8_t* header, MpegFrameShape* shape);
// count silent frames back to back.
MpegBytes SilentMpegFrames(const MpegFrameShape& shape, int count);

// An ID3v2 tag of the given version (3 or 4) whose stated size is bodySize; the footer flag adds
// the 10-byte footer that version 4 allows.
MpegBytes Id3v2Tag(int version, std::uint32_t bodySize, bool footer);
// The 128-byte ID3v1 tag.
MpegBytes Id3v1Tag();

}  // namespace zelvo_test
