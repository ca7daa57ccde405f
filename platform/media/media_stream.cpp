// Multimedia streams over libavformat, libavcodec and libswscale, with the default sound renderer
// for their sound. The decoder runs one frame ahead
// of the clock: the frame held back is the next one to show, so an update knows without decoding
// more whether its frame is due.
#include "platform/media/media_stream.h"

#include <atomic>
#include <cerrno>
#include <memory>
#include <string>

#include "platform/kernel/kernel_testing.h"
#include "platform/media/ffmpeg_calls.h"
#include "platform/media/media_testing.h"
#include "platform/media/movie_sound.h"

using pf::media::Ffmpeg;

struct pf::StreamSampleObject {
  MediaStreamObject* stream;
  SampleFormat format;
  AVPixelFormat pixelFormat;
  int width, height, pitch;
  std::uint8_t* pixels;
  SwsContext* scaler;
  bool pending;
  Handle event;
};

struct pf::MediaStreamObject {
  AVFormatContext* file;
  AVCodecContext* decoder;
  AVPacket* packet;
  AVFrame* next;       // decoded, not yet shown (valid while hasNext)
  AVFrame* current;    // the frame a sample takes
  int videoIndex;
  AVRational timeBase;
  std::int64_t firstPts;
  std::int64_t framesDecoded;
  bool hasNext;
  StreamTime nextTime;
  bool draining;       // the file is read to its end; the decoder gives up what it holds
  bool ended;
  int width, height;
  StreamTime timePerFrame;
  StreamTime stopPosition;
  int state;
  StreamTime baseTime;         // the stream time when it last started running or stopped
  std::int64_t runStartCount;  // the performance counter at that start
  bool soundRenderer;          // the default sound renderer was added
  std::unique_ptr<media::MovieSound> sound;
  DirectSound* soundDevice;    // the device the sound is mixed into
};

namespace pf {
namespace {

constexpr StreamTime kUnitsPerSecond = 10000000;
constexpr AVRational kStreamUnit = {1, 10000000};

std::atomic<int> g_openStreams{0};

// The containers and video codecs of the files movies are made of.
constexpr const char* kAcceptedContainers[] = {"avi", "asf", "mpeg", "mpegvideo"};
constexpr AVCodecID kAcceptedCodecs[] = {
    AV_CODEC_ID_MJPEG,     AV_CODEC_ID_RAWVIDEO, AV_CODEC_ID_MPEG1VIDEO, AV_CODEC_ID_MPEG2VIDEO,
    AV_CODEC_ID_MPEG4,     AV_CODEC_ID_MSMPEG4V1, AV_CODEC_ID_MSMPEG4V2, AV_CODEC_ID_MSMPEG4V3,
    AV_CODEC_ID_WMV1,      AV_CODEC_ID_WMV2,     AV_CODEC_ID_CINEPAK,    AV_CODEC_ID_MSVIDEO1,
    AV_CODEC_ID_MSRLE,     AV_CODEC_ID_INDEO3,   AV_CODEC_ID_INDEO5,
};

bool IsAcceptedContainer(const char* name) {
  for (const char* accepted : kAcceptedContainers) {
    if (std::string(name) == accepted) return true;
  }
  return false;
}

bool IsAcceptedCodec(AVCodecID id) {
  for (AVCodecID accepted : kAcceptedCodecs) {
    if (id == accepted) return true;
  }
  return false;
}

AVPixelFormat PixelFormatOf(const SampleFormat& format) {
  if (format.bitsPerPixel == 32 && format.redMask == 0xFF0000 && format.greenMask == 0xFF00 &&
      format.blueMask == 0xFF) {
    return AV_PIX_FMT_BGR0;
  }
  if (format.bitsPerPixel == 16 && format.redMask == 0xF800 && format.greenMask == 0x07E0 &&
      format.blueMask == 0x1F) {
    return AV_PIX_FMT_RGB565LE;
  }
  if (format.bitsPerPixel == 16 && format.redMask == 0x7C00 && format.greenMask == 0x03E0 &&
      format.blueMask == 0x1F) {
    return AV_PIX_FMT_RGB555LE;
  }
  return AV_PIX_FMT_NONE;
}

std::int64_t ClockNow() {
  std::int64_t count = 0;
  QueryPerformanceCounter(&count);
  return count;
}

StreamTime CountsToStreamTime(std::int64_t counts) {
  std::int64_t frequency = 1;
  QueryPerformanceFrequency(&frequency);
  return Ffmpeg().av_rescale(counts, kUnitsPerSecond, frequency);
}

StreamTime StreamNow(const MediaStreamObject* stream) {
  if (stream->state != STREAMSTATE_RUN) return stream->baseTime;
  return stream->baseTime + CountsToStreamTime(ClockNow() - stream->runStartCount);
}

// The sound leaves the mix before it goes.
void CloseSound(MediaStreamObject* stream) {
  if (stream->soundDevice != nullptr) DetachMixSource(stream->soundDevice, stream->sound.get());
  stream->soundDevice = nullptr;
  stream->sound.reset();
}

// The file's sound, heard through the current sound device; none when either is missing.
void OpenSound(MediaStreamObject* stream, const std::string& hostPath) {
  stream->sound = media::MovieSound::Open(hostPath);
  if (stream->sound == nullptr) return;
  DirectSound* device = CurrentSoundDevice();
  if (device == nullptr) {
    stream->sound.reset();
    return;
  }
  AttachMixSource(device, stream->sound.get());
  // The attachment holds the device from here on.
  device->Release();
  stream->soundDevice = device;
}

// The mix is brought up to the clock before the stream changes what it plays, so that what was due
// is mixed as it was.
void CatchUpSound(MediaStreamObject* stream) {
  if (stream->soundDevice != nullptr) CatchUpSoundDevice(stream->soundDevice);
}

void CloseFile(MediaStreamObject* stream) {
  CloseSound(stream);
  Ffmpeg().avcodec_free_context(&stream->decoder);
  Ffmpeg().avformat_close_input(&stream->file);
  Ffmpeg().av_packet_free(&stream->packet);
  Ffmpeg().av_frame_free(&stream->next);
  Ffmpeg().av_frame_free(&stream->current);
  stream->videoIndex = -1;
  stream->hasNext = false;
  stream->width = stream->height = 0;
}

// The frame's time from the start of the stream; frames without a time follow the frame rate.
StreamTime FrameTime(MediaStreamObject* stream, const AVFrame* frame) {
  const std::int64_t pts = frame->best_effort_timestamp;
  if (pts == AV_NOPTS_VALUE) return stream->framesDecoded * stream->timePerFrame;
  return Ffmpeg().av_rescale_q(pts - stream->firstPts, stream->timeBase, kStreamUnit);
}

// Decodes until a frame is held back, or the stream has ended. A packet the decoder refuses (a
// damaged frame) is passed over.
bool ReadNextFrame(MediaStreamObject* stream) {
  if (stream->hasNext) return true;
  if (stream->ended || stream->decoder == nullptr) return false;
  for (;;) {
    const int received = Ffmpeg().avcodec_receive_frame(stream->decoder, stream->next);
    if (received == 0) {
      stream->nextTime = FrameTime(stream, stream->next);
      ++stream->framesDecoded;
      stream->hasNext = true;
      return true;
    }
    // Anything else is a damaged frame: decoding goes on with the next packet.
    if (received == AVERROR_EOF || stream->draining) {
      stream->ended = true;
      return false;
    }
    if (Ffmpeg().av_read_frame(stream->file, stream->packet) < 0) {
      stream->draining = true;
      Ffmpeg().avcodec_send_packet(stream->decoder, nullptr);
      continue;
    }
    if (stream->packet->stream_index == stream->videoIndex) {
      Ffmpeg().avcodec_send_packet(stream->decoder, stream->packet);
    }
    Ffmpeg().av_packet_unref(stream->packet);
  }
}

// The held-back frame becomes the current one.
void TakeNextFrame(MediaStreamObject* stream) {
  Ffmpeg().av_frame_unref(stream->current);
  Ffmpeg().av_frame_move_ref(stream->current, stream->next);
  stream->hasNext = false;
}

void ConvertCurrentFrame(StreamSampleObject* sample) {
  const AVFrame* frame = sample->stream->current;
  sample->scaler = Ffmpeg().sws_getCachedContext(sample->scaler, frame->width, frame->height,
                                        static_cast<AVPixelFormat>(frame->format), sample->width, sample->height,
                                        sample->pixelFormat, SWS_BILINEAR, nullptr, nullptr, nullptr);
  if (sample->scaler == nullptr) return;
  std::uint8_t* planes[4] = {sample->pixels, nullptr, nullptr, nullptr};
  int pitches[4] = {sample->pitch, 0, 0, 0};
  Ffmpeg().sws_scale(sample->scaler, frame->data, frame->linesize, 0, frame->height, planes, pitches);
}

StreamTime FrameDuration(const AVStream* video) {
  AVRational rate = video->avg_frame_rate;
  if (rate.num <= 0 || rate.den <= 0) rate = video->r_frame_rate;
  if (rate.num <= 0 || rate.den <= 0) return 0;
  return Ffmpeg().av_rescale(kUnitsPerSecond, rate.den, rate.num);
}

}  // namespace

MediaResult CreateMultiMediaStream(MediaStream* out) {
  if (out == nullptr) return MS_E_POINTER;
  *out = nullptr;
  if (testing::ShouldFail("CreateMultiMediaStream")) return MS_E_OUTOFMEMORY;
  if (!media::LoadFfmpeg()) return MS_E_FAIL;
  // Damaged files are the caller's to report; the libraries stay silent.
  Ffmpeg().av_log_set_level(AV_LOG_QUIET);
  auto* stream = new MediaStreamObject{};
  stream->videoIndex = -1;
  stream->state = STREAMSTATE_STOP;
  ++g_openStreams;
  *out = stream;
  return MS_OK;
}

void ReleaseMultiMediaStream(MediaStream stream) {
  if (stream == nullptr) return;
  CloseFile(stream);
  delete stream;
  --g_openStreams;
}

MediaResult OpenMediaFile(MediaStream stream, const char* path) {
  if (stream == nullptr || path == nullptr) return MS_E_POINTER;
  if (stream->file != nullptr) return MS_E_FAIL;
  const std::string hostPath = MapPathToHost(path);
  AVDictionary* options = nullptr;
  Ffmpeg().av_dict_set(&options, "protocol_whitelist", "file", 0);
  const int opened = Ffmpeg().avformat_open_input(&stream->file, hostPath.c_str(), nullptr, &options);
  Ffmpeg().av_dict_free(&options);
  if (opened == AVERROR(ENOENT) || opened == AVERROR(EACCES) || opened == AVERROR(EISDIR)) return MS_E_FILE_NOT_FOUND;
  if (opened < 0) return MS_E_UNSUPPORTED_STREAM;
  MediaResult result = MS_E_UNSUPPORTED_STREAM;
  if (IsAcceptedContainer(stream->file->iformat->name) &&
      Ffmpeg().avformat_find_stream_info(stream->file, nullptr) >= 0) {
    const int index = Ffmpeg().av_find_best_stream(stream->file, AVMEDIA_TYPE_VIDEO, -1, -1, nullptr, 0);
    // A file without pictures opens, and tells so by a video format of 0 x 0.
    if (index < 0) return MS_OK;
    const AVStream* video = stream->file->streams[index];
    const AVCodec* codec = Ffmpeg().avcodec_find_decoder(video->codecpar->codec_id);
    if (codec != nullptr && IsAcceptedCodec(codec->id)) {
      stream->decoder = Ffmpeg().avcodec_alloc_context3(codec);
      stream->packet = Ffmpeg().av_packet_alloc();
      stream->next = Ffmpeg().av_frame_alloc();
      stream->current = Ffmpeg().av_frame_alloc();
      if (stream->decoder != nullptr && stream->packet != nullptr && stream->next != nullptr &&
          stream->current != nullptr && Ffmpeg().avcodec_parameters_to_context(stream->decoder, video->codecpar) >= 0 &&
          Ffmpeg().avcodec_open2(stream->decoder, codec, nullptr) >= 0) {
        stream->videoIndex = index;
        stream->timeBase = video->time_base;
        stream->firstPts = video->start_time != AV_NOPTS_VALUE ? video->start_time : 0;
        stream->width = video->codecpar->width;
        stream->height = video->codecpar->height;
        stream->timePerFrame = FrameDuration(video);
        if (video->duration != AV_NOPTS_VALUE) {
          stream->stopPosition = Ffmpeg().av_rescale_q(video->duration, video->time_base, kStreamUnit);
        } else if (stream->file->duration != AV_NOPTS_VALUE) {
          stream->stopPosition = Ffmpeg().av_rescale_q(stream->file->duration, AV_TIME_BASE_Q, kStreamUnit);
        }
        result = MS_OK;
      }
    }
  }
  if (result != MS_OK) {
    CloseFile(stream);
    return result;
  }
  if (stream->soundRenderer) OpenSound(stream, hostPath);
  return result;
}

MediaResult AddPrimaryAudioStream(MediaStream stream) {
  if (stream == nullptr) return MS_E_POINTER;
  if (stream->file != nullptr || stream->soundRenderer) return MS_E_FAIL;
  if (testing::ShouldFail("AddPrimaryAudioStream")) return MS_E_FAIL;
  stream->soundRenderer = true;
  return MS_OK;
}

MediaResult GetVideoFormat(MediaStream stream, int* width, int* height) {
  if (stream == nullptr || width == nullptr || height == nullptr) return MS_E_POINTER;
  *width = stream->width;
  *height = stream->height;
  return MS_OK;
}

MediaResult GetTimePerFrame(MediaStream stream, StreamTime* time) {
  if (stream == nullptr || time == nullptr) return MS_E_POINTER;
  *time = stream->timePerFrame;
  return MS_OK;
}

MediaResult GetStopPosition(MediaStream stream, StreamTime* time) {
  if (stream == nullptr || time == nullptr) return MS_E_POINTER;
  *time = stream->stopPosition;
  return MS_OK;
}

MediaResult SetStreamState(MediaStream stream, int state) {
  if (stream == nullptr) return MS_E_POINTER;
  if (state != STREAMSTATE_RUN && state != STREAMSTATE_STOP) return MS_E_FAIL;
  if (state == stream->state) return MS_OK;
  CatchUpSound(stream);
  stream->baseTime = StreamNow(stream);
  stream->runStartCount = ClockNow();
  stream->state = state;
  if (stream->sound != nullptr) {
    if (state == STREAMSTATE_RUN) {
      stream->sound->Run(stream->baseTime);
    } else {
      stream->sound->Pause();
    }
  }
  return MS_OK;
}

MediaResult GetStreamState(MediaStream stream, int* state) {
  if (stream == nullptr || state == nullptr) return MS_E_POINTER;
  *state = stream->state;
  return MS_OK;
}

MediaResult GetStreamTime(MediaStream stream, StreamTime* time) {
  if (stream == nullptr || time == nullptr) return MS_E_POINTER;
  *time = StreamNow(stream);
  return MS_OK;
}

MediaResult SeekStream(MediaStream stream, StreamTime time) {
  if (stream == nullptr) return MS_E_POINTER;
  if (stream->decoder == nullptr) return MS_E_NOSTREAM;
  CatchUpSound(stream);
  if (time < 0) time = 0;
  const std::int64_t target =
      stream->firstPts + Ffmpeg().av_rescale_q_rnd(time, kStreamUnit, stream->timeBase, AV_ROUND_DOWN);
  if (Ffmpeg().av_seek_frame(stream->file, stream->videoIndex, target, AVSEEK_FLAG_BACKWARD) < 0) return MS_E_FAIL;
  Ffmpeg().avcodec_flush_buffers(stream->decoder);
  stream->hasNext = false;
  stream->draining = false;
  stream->ended = false;
  // The frames before the one shown at `time` are decoded (a picture may build on them) and dropped.
  while (ReadNextFrame(stream) && stream->nextTime + stream->timePerFrame <= time) stream->hasNext = false;
  if (stream->hasNext) stream->framesDecoded = stream->timePerFrame > 0 ? stream->nextTime / stream->timePerFrame : 0;
  stream->baseTime = time;
  stream->runStartCount = ClockNow();
  if (stream->sound != nullptr) stream->sound->Seek(time);
  return MS_OK;
}

MediaResult CreateStreamSample(MediaStream stream, const SampleFormat* format, StreamSample* out) {
  if (stream == nullptr || out == nullptr) return MS_E_POINTER;
  *out = nullptr;
  if (stream->decoder == nullptr) return MS_E_NOSTREAM;
  const SampleFormat chosen = format != nullptr ? *format : SampleFormat{32, 0xFF0000, 0xFF00, 0xFF};
  const AVPixelFormat pixelFormat = PixelFormatOf(chosen);
  if (pixelFormat == AV_PIX_FMT_NONE || testing::ShouldFail("CreateStreamSample")) return MS_E_UNSUPPORTED_STREAM;
  auto* sample = new StreamSampleObject{};
  sample->stream = stream;
  sample->format = chosen;
  sample->pixelFormat = pixelFormat;
  sample->width = stream->width;
  sample->height = stream->height;
  // Rows aligned for the converter's vector stores.
  sample->pitch = (stream->width * chosen.bitsPerPixel / 8 + 31) & ~31;
  const std::size_t bytes = static_cast<std::size_t>(sample->pitch) * sample->height;
  sample->pixels = static_cast<std::uint8_t*>(Ffmpeg().av_mallocz(bytes));
  if (sample->pixels == nullptr) {
    delete sample;
    return MS_E_OUTOFMEMORY;
  }
  *out = sample;
  return MS_OK;
}

void ReleaseStreamSample(StreamSample sample) {
  if (sample == nullptr) return;
  Ffmpeg().sws_freeContext(sample->scaler);
  Ffmpeg().av_free(sample->pixels);
  delete sample;
}

MediaResult GetSampleSurfaceFormat(StreamSample sample, SampleFormat* format, int* width, int* height) {
  if (sample == nullptr) return MS_E_POINTER;
  if (format != nullptr) *format = sample->format;
  if (width != nullptr) *width = sample->width;
  if (height != nullptr) *height = sample->height;
  return MS_OK;
}

MediaResult LockSampleSurface(StreamSample sample, const std::uint8_t** pixels, int* pitch) {
  if (sample == nullptr || pixels == nullptr || pitch == nullptr) return MS_E_POINTER;
  *pixels = sample->pixels;
  *pitch = sample->pitch;
  return MS_OK;
}

MediaResult UnlockSampleSurface(StreamSample sample) { return sample == nullptr ? MS_E_POINTER : MS_OK; }

MediaResult UpdateSample(StreamSample sample, std::uint32_t flags, Handle event) {
  if (sample == nullptr) return MS_E_POINTER;
  MediaStreamObject* stream = sample->stream;
  CatchUpSound(stream);
  if ((flags & SSUPDATE_ASYNC) != 0) {
    if (sample->pending) return MS_E_BUSY;
    if (stream->ended && !stream->hasNext) return MS_S_ENDOFSTREAM;
    sample->pending = true;
    sample->event = event;
    return MS_S_PENDING;
  }
  sample->pending = false;
  if (!ReadNextFrame(stream)) return MS_S_ENDOFSTREAM;
  TakeNextFrame(stream);
  ConvertCurrentFrame(sample);
  return MS_OK;
}

MediaResult CompletionStatus(StreamSample sample) {
  if (sample == nullptr) return MS_E_POINTER;
  if (!sample->pending) return MS_S_NOUPDATE;
  MediaStreamObject* stream = sample->stream;
  CatchUpSound(stream);
  MediaResult result = MS_OK;
  if (!ReadNextFrame(stream)) {
    result = MS_S_ENDOFSTREAM;
  } else {
    const StreamTime now = StreamNow(stream);
    if (stream->state != STREAMSTATE_RUN || stream->nextTime > now) return MS_S_PENDING;
    // A caller that came late sees the latest frame that is due, not the first it missed.
    do {
      TakeNextFrame(stream);
    } while (ReadNextFrame(stream) && stream->nextTime <= now);
    ConvertCurrentFrame(sample);
  }
  sample->pending = false;
  if (sample->event != nullptr) SetEvent(sample->event);
  return result;
}

namespace testing {
int OpenMediaStreamCount() { return g_openStreams.load(); }
}  // namespace testing

}  // namespace pf
