#pragma once
// Multimedia streams as movies use them: one file's primary video stream, decoded into a sample
// surface in system memory, and its primary audio stream played by the default sound renderer. The stream has no thread of its own: it runs on the platform clock and
// a frame is decoded only when the caller updates the sample or asks whether an asynchronous update
// has finished. Only AVI, ASF and MPEG files with the video codecs those files carry are opened.
// Results follow the platform's COM result codes.
#include <cstdint>

#include "platform/kernel/kernel.h"

namespace pf {

using MediaResult = std::int32_t;
constexpr MediaResult MS_OK = 0;
constexpr MediaResult MS_S_PENDING = 0x00040001;
constexpr MediaResult MS_S_NOUPDATE = 0x00040002;
constexpr MediaResult MS_S_ENDOFSTREAM = 0x00040003;
constexpr MediaResult MS_E_FAIL = static_cast<MediaResult>(0x80004005u);
constexpr MediaResult MS_E_POINTER = static_cast<MediaResult>(0x80004003u);
constexpr MediaResult MS_E_OUTOFMEMORY = static_cast<MediaResult>(0x8007000Eu);
constexpr MediaResult MS_E_FILE_NOT_FOUND = static_cast<MediaResult>(0x80070002u);
constexpr MediaResult MS_E_UNSUPPORTED_STREAM = static_cast<MediaResult>(0x8004022Fu);
constexpr MediaResult MS_E_NOSTREAM = static_cast<MediaResult>(0x80040402u);
constexpr MediaResult MS_E_BUSY = static_cast<MediaResult>(0x80040405u);

constexpr int STREAMSTATE_STOP = 0;
constexpr int STREAMSTATE_RUN = 1;

constexpr std::uint32_t SSUPDATE_ASYNC = 0x1;

// Time in units of 100 ns.
using StreamTime = std::int64_t;

// The pixel layout of a sample surface: 32-bit RGB, or 16-bit 5-6-5 or 5-5-5, by its masks.
struct SampleFormat {
  int bitsPerPixel;
  std::uint32_t redMask, greenMask, blueMask;
};

struct MediaStreamObject;
using MediaStream = MediaStreamObject*;
struct StreamSampleObject;
using StreamSample = StreamSampleObject*;

MediaResult CreateMultiMediaStream(MediaStream* out);
void ReleaseMultiMediaStream(MediaStream stream);

// The default sound renderer, added before the file is opened: the file's primary audio stream is
// then heard through the current DirectSound device while the stream runs, paused and moved with it,
// and gone with the stream. A file without sound, or a process without a sound device, plays silent.
MediaResult AddPrimaryAudioStream(MediaStream stream);

// Opens a file by its Windows path (CP932). MS_E_FILE_NOT_FOUND when it cannot be read,
// MS_E_UNSUPPORTED_STREAM when it is no AVI, ASF or MPEG file or its video cannot be decoded.
MediaResult OpenMediaFile(MediaStream stream, const char* path);
// Width and height of the primary video stream; 0 x 0 before a file is open.
MediaResult GetVideoFormat(MediaStream stream, int* width, int* height);
MediaResult GetTimePerFrame(MediaStream stream, StreamTime* time);
MediaResult GetStopPosition(MediaStream stream, StreamTime* time);

// A running stream's time advances with the platform clock; a stopped one keeps its time.
MediaResult SetStreamState(MediaStream stream, int state);
MediaResult GetStreamState(MediaStream stream, int* state);
MediaResult GetStreamTime(MediaStream stream, StreamTime* time);
// The next frame taken is the one shown at `time`.
MediaResult SeekStream(MediaStream stream, StreamTime time);

// A sample whose surface holds frames in `format`; a null format lets the stream choose 32-bit RGB.
// MS_E_UNSUPPORTED_STREAM for a layout the stream cannot produce.
MediaResult CreateStreamSample(MediaStream stream, const SampleFormat* format, StreamSample* out);
void ReleaseStreamSample(StreamSample sample);
MediaResult GetSampleSurfaceFormat(StreamSample sample, SampleFormat* format, int* width, int* height);
MediaResult LockSampleSurface(StreamSample sample, const std::uint8_t** pixels, int* pitch);
MediaResult UnlockSampleSurface(StreamSample sample);

// Synchronous: the next frame at once (MS_OK), or MS_S_ENDOFSTREAM after the last. Asynchronous:
// MS_S_PENDING; the frame is taken when its time has come and then `event` is set. MS_E_BUSY while
// an earlier asynchronous update is still pending; a synchronous update takes its place.
MediaResult UpdateSample(StreamSample sample, std::uint32_t flags, Handle event);
// The pending update's state: MS_S_PENDING while its frame is not due, MS_OK once taken,
// MS_S_ENDOFSTREAM when the stream ended before it, MS_S_NOUPDATE when none was pending.
MediaResult CompletionStatus(StreamSample sample);

}  // namespace pf
