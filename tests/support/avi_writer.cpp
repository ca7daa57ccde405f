// AVI movies through FFmpeg's encoders and AVI muxer, with an optional PCM sound track.
#include "support/avi_writer.h"

#include <cmath>
#include <vector>

extern "C" {
#include <libavcodec/avcodec.h>
#include <libavformat/avformat.h>
#include <libavutil/log.h>
#include <libswscale/swscale.h>
}

namespace zelvo_test {
namespace {

struct Writer {
  AVFormatContext* file = nullptr;
  AVCodecContext* encoder = nullptr;
  AVFrame* picture = nullptr;   // the encoder's layout
  AVPacket* packet = nullptr;
  SwsContext* scaler = nullptr;
  AVStream* stream = nullptr;
  AVCodecContext* soundEncoder = nullptr;
  AVStream* soundStream = nullptr;
  AVFrame* sound = nullptr;

  ~Writer() {
    sws_freeContext(scaler);
    av_packet_free(&packet);
    av_frame_free(&picture);
    av_frame_free(&sound);
    avcodec_free_context(&encoder);
    avcodec_free_context(&soundEncoder);
    if (file != nullptr) {
      if (file->pb != nullptr) avio_closep(&file->pb);
      avformat_free_context(file);
    }
  }

  // Sends a frame (null: the end) and writes every packet the encoder gives back.
  bool Encode(AVFrame* frame) { return EncodeInto(encoder, stream, frame); }

  bool EncodeInto(AVCodecContext* into, AVStream* target, AVFrame* frame) {
    if (avcodec_send_frame(into, frame) < 0) return false;
    for (;;) {
      const int received = avcodec_receive_packet(into, packet);
      if (received == AVERROR(EAGAIN) || received == AVERROR_EOF) return true;
      if (received < 0) return false;
      av_packet_rescale_ts(packet, into->time_base, target->time_base);
      packet->stream_index = target->index;
      if (av_interleaved_write_frame(file, packet) < 0) return false;
    }
  }

  bool AddSoundStream(int rate) {
    const AVCodec* codec = avcodec_find_encoder(AV_CODEC_ID_PCM_S16LE);
    if (codec == nullptr) return false;
    soundStream = avformat_new_stream(file, nullptr);
    soundEncoder = avcodec_alloc_context3(codec);
    sound = av_frame_alloc();
    if (soundStream == nullptr || soundEncoder == nullptr || sound == nullptr) return false;
    soundEncoder->sample_fmt = AV_SAMPLE_FMT_S16;
    soundEncoder->sample_rate = rate;
    soundEncoder->time_base = AVRational{1, rate};
    av_channel_layout_default(&soundEncoder->ch_layout, 1);
    if (avcodec_open2(soundEncoder, codec, nullptr) < 0) return false;
    if (avcodec_parameters_from_context(soundStream->codecpar, soundEncoder) < 0) return false;
    soundStream->time_base = soundEncoder->time_base;
    return true;
  }

  // The samples that play with video frame n.
  bool EncodeSound(const AviLayout& layout, int n) {
    const int first = static_cast<int>(static_cast<std::int64_t>(n) * layout.soundRate / layout.framesPerSecond);
    const int end = static_cast<int>(static_cast<std::int64_t>(n + 1) * layout.soundRate / layout.framesPerSecond);
    av_frame_unref(sound);
    sound->format = AV_SAMPLE_FMT_S16;
    sound->sample_rate = layout.soundRate;
    sound->nb_samples = end - first;
    if (av_channel_layout_copy(&sound->ch_layout, &soundEncoder->ch_layout) < 0) return false;
    if (av_frame_get_buffer(sound, 0) < 0) return false;
    auto* samples = reinterpret_cast<std::int16_t*>(sound->data[0]);
    for (int i = first; i < end; ++i) samples[i - first] = MovieSoundSample(i, layout.soundRate);
    sound->pts = first;
    return EncodeInto(soundEncoder, soundStream, sound);
  }
};

void PaintFrame(const AviLayout& layout, int n, std::vector<std::uint8_t>* bgr) {
  const std::uint32_t color = MovieFrameColor(n);
  std::uint32_t noise = 0x12345678u + static_cast<std::uint32_t>(n);
  for (int y = 0; y < layout.height; ++y) {
    for (int x = 0; x < layout.width; ++x) {
      std::uint8_t* p = bgr->data() + (static_cast<std::size_t>(y) * layout.width + x) * 3;
      p[0] = static_cast<std::uint8_t>(color);
      p[1] = static_cast<std::uint8_t>(color >> 8);
      p[2] = static_cast<std::uint8_t>(color >> 16);
      if (layout.patterned && ((x / 8 + y / 8) & 1) != 0) {
        noise = noise * 1664525u + 1013904223u;
        p[0] ^= static_cast<std::uint8_t>(noise >> 24);
        p[1] ^= static_cast<std::uint8_t>(noise >> 16);
        p[2] ^= static_cast<std::uint8_t>(noise >> 8);
      }
    }
  }
}

}  // namespace

std::uint32_t MovieFrameColor(int frame) {
  const std::uint32_t red = static_cast<std::uint32_t>(frame * 40) & 0xFF;
  const std::uint32_t green = 0xFF - red;
  const std::uint32_t blue = static_cast<std::uint32_t>(frame * 72 + 32) & 0xFF;
  return red << 16 | green << 8 | blue;
}

std::int16_t MovieSoundSample(int i, int rate) {
  return static_cast<std::int16_t>(std::lround(16384.0 * std::sin(2.0 * M_PI * 441.0 * i / rate)));
}

bool WriteAvi(const std::string& path, const AviLayout& layout) {
  const bool mjpeg = layout.codec == AviCodec::kMjpeg;
  av_log_set_level(AV_LOG_ERROR);
  Writer w;
  if (avformat_alloc_output_context2(&w.file, nullptr, "avi", path.c_str()) < 0) return false;
  const AVCodec* codec = avcodec_find_encoder(mjpeg ? AV_CODEC_ID_MJPEG : AV_CODEC_ID_RAWVIDEO);
  if (codec == nullptr) return false;
  w.stream = avformat_new_stream(w.file, nullptr);
  w.encoder = avcodec_alloc_context3(codec);
  w.picture = av_frame_alloc();
  w.packet = av_packet_alloc();
  if (w.stream == nullptr || w.encoder == nullptr || w.picture == nullptr || w.packet == nullptr) return false;
  w.encoder->width = layout.width;
  w.encoder->height = layout.height;
  w.encoder->time_base = AVRational{1, layout.framesPerSecond};
  w.encoder->framerate = AVRational{layout.framesPerSecond, 1};
  w.encoder->pix_fmt = mjpeg ? AV_PIX_FMT_YUVJ420P : AV_PIX_FMT_BGR24;
  if (mjpeg) {
    w.encoder->color_range = AVCOL_RANGE_JPEG;
    // Fine quantisation: flat frames come back within a few steps of their colour.
    w.encoder->flags |= AV_CODEC_FLAG_QSCALE;
    w.encoder->global_quality = FF_QP2LAMBDA * 2;
  }
  if (avcodec_open2(w.encoder, codec, nullptr) < 0) return false;
  if (avcodec_parameters_from_context(w.stream->codecpar, w.encoder) < 0) return false;
  w.stream->time_base = w.encoder->time_base;
  if (layout.soundRate > 0 && !w.AddSoundStream(layout.soundRate)) return false;
  if (avio_open(&w.file->pb, path.c_str(), AVIO_FLAG_WRITE) < 0) return false;
  if (avformat_write_header(w.file, nullptr) < 0) return false;

  w.picture->format = w.encoder->pix_fmt;
  w.picture->width = layout.width;
  w.picture->height = layout.height;
  if (av_frame_get_buffer(w.picture, 0) < 0) return false;
  w.scaler = sws_getContext(layout.width, layout.height, AV_PIX_FMT_BGR24, layout.width, layout.height,
                            w.encoder->pix_fmt, SWS_BILINEAR, nullptr, nullptr, nullptr);
  if (w.scaler == nullptr) return false;
  std::vector<std::uint8_t> bgr(static_cast<std::size_t>(layout.width) * layout.height * 3);
  for (int n = 0; n < layout.frameCount; ++n) {
    PaintFrame(layout, n, &bgr);
    if (av_frame_make_writable(w.picture) < 0) return false;
    const std::uint8_t* planes[1] = {bgr.data()};
    const int pitches[1] = {layout.width * 3};
    sws_scale(w.scaler, planes, pitches, 0, layout.height, w.picture->data, w.picture->linesize);
    w.picture->pts = n;
    if (!w.Encode(w.picture)) return false;
    if (layout.soundRate > 0 && !w.EncodeSound(layout, n)) return false;
  }
  if (!w.Encode(nullptr)) return false;
  if (layout.soundRate > 0 && !w.EncodeInto(w.soundEncoder, w.soundStream, nullptr)) return false;
  return av_write_trailer(w.file) == 0;
}

}  // namespace zelvo_test
