#pragma once
// Bare MPEG audio files: ID3 tags, frame headers, the frame scan and the Layer-3 format record
// handed to the ACM.
#include <cstdint>

namespace zelvo {

struct MpegFrameHeader {
  int mpeg1;          // 1 MPEG-1, 0 MPEG-2 (half rates)
  int layer;          // 1 to 3
  int bitrate;        // bit/s
  int sampleRate;
  int padding;        // 0 or 1
  int channels;
  int frameBytes;
  int samples;
};

// The 4 bytes at h: 0 and the header, or -1 for an invalid header (layer 0, bitrate index 0 or
// 15, rate index 3). The caller has found the sync (0xFF, then a byte of 0xF0 or more).
int ParseMpegFrameHeader(const std::uint8_t* h, MpegFrameHeader* out);

// From an ID3v2 header (10 bytes starting "ID3"): the bytes the tag takes.
std::int64_t Id3v2SkipBytes(const std::uint8_t* head);

struct MpegScan {
  std::int32_t firstFrame;     // offset in the scanned audio
  std::int32_t audioEnd;       // end of the last frame, at most the audio's end
  std::int32_t totalSamples;   // per channel
  MpegFrameHeader first;
};
// Scans audio bytes for frames from the start; 0, or -1 when there is no frame, a found header
// is invalid, the first frame is not followed by another header, or the sample count would not
// fit the PCM length.
int ScanMpegFrames(const std::uint8_t* audio, std::int32_t size, MpegScan* scan);

// The MPEG Layer-3 format record (18 + 12 bytes) built from the first frame.
constexpr std::uint32_t kMpegLayer3FormatBytes = 30;
void BuildMpegLayer3Format(const MpegFrameHeader& first, std::uint8_t* out);

}  // namespace zelvo
