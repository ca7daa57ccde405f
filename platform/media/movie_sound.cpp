// The default sound renderer of movies: decoding through libavcodec, conversion to 16-bit stereo
// at the device's rate through libswresample, and the mix.
#include "platform/media/movie_sound.h"

#include <algorithm>
#include <cstdlib>

#include "platform/media/ffmpeg_calls.h"

namespace pf::media {
namespace {

constexpr StreamTime kUnitsPerSecond = 10000000;
constexpr AVRational kStreamUnit = {1, 10000000};
// A start further than this from the movie's time moves the sound to it (two frames at 15 a second).
constexpr StreamTime kResyncDistance = 1333333;

// The sound the containers of movies carry.
constexpr AVCodecID kAcceptedCodecs[] = {
    AV_CODEC_ID_PCM_U8,  AV_CODEC_ID_PCM_S16LE, AV_CODEC_ID_ADPCM_MS, AV_CODEC_ID_ADPCM_IMA_WAV,
    AV_CODEC_ID_MP1,     AV_CODEC_ID_MP2,       AV_CODEC_ID_MP3,      AV_CODEC_ID_WMAV1,
    AV_CODEC_ID_WMAV2,   AV_CODEC_ID_PCM_ALAW,  AV_CODEC_ID_PCM_MULAW,
};

bool IsAcceptedCodec(AVCodecID id) {
  return std::find(std::begin(kAcceptedCodecs), std::end(kAcceptedCodecs), id) != std::end(kAcceptedCodecs);
}

}  // namespace

std::unique_ptr<MovieSound> MovieSound::Open(const std::string& hostPath) {
  const FfmpegCalls& f = Ffmpeg();
  std::unique_ptr<MovieSound> sound(new MovieSound());
  AVDictionary* options = nullptr;
  f.av_dict_set(&options, "protocol_whitelist", "file", 0);
  const int opened = f.avformat_open_input(&sound->file_, hostPath.c_str(), nullptr, &options);
  f.av_dict_free(&options);
  if (opened < 0 || f.avformat_find_stream_info(sound->file_, nullptr) < 0) return nullptr;
  const int index = f.av_find_best_stream(sound->file_, AVMEDIA_TYPE_AUDIO, -1, -1, nullptr, 0);
  if (index < 0) return nullptr;
  const AVStream* audio = sound->file_->streams[index];
  const AVCodec* codec = f.avcodec_find_decoder(audio->codecpar->codec_id);
  if (codec == nullptr || !IsAcceptedCodec(codec->id)) return nullptr;
  sound->decoder_ = f.avcodec_alloc_context3(codec);
  sound->packet_ = f.av_packet_alloc();
  sound->frame_ = f.av_frame_alloc();
  if (sound->decoder_ == nullptr || sound->packet_ == nullptr || sound->frame_ == nullptr ||
      f.avcodec_parameters_to_context(sound->decoder_, audio->codecpar) < 0 ||
      f.avcodec_open2(sound->decoder_, codec, nullptr) < 0 || sound->decoder_->sample_rate <= 0 ||
      sound->decoder_->ch_layout.nb_channels <= 0) {
    return nullptr;
  }
  sound->audioIndex_ = index;
  sound->firstPts_ = audio->start_time != AV_NOPTS_VALUE ? audio->start_time : 0;
  return sound;
}

MovieSound::~MovieSound() {
  const FfmpegCalls& f = Ffmpeg();
  f.swr_free(&converter_);
  f.av_frame_free(&frame_);
  f.av_packet_free(&packet_);
  f.avcodec_free_context(&decoder_);
  f.avformat_close_input(&file_);
}

StreamTime MovieSound::Position() const {
  if (mixedRate_ <= 0) return baseTime_;
  return baseTime_ + mixedFrames_ * kUnitsPerSecond / mixedRate_;
}

void MovieSound::Run(StreamTime from) {
  std::lock_guard<std::mutex> lock(mutex_);
  if (std::llabs(Position() - from) > kResyncDistance) SeekLocked(from);
  running_ = true;
}

void MovieSound::Pause() {
  std::lock_guard<std::mutex> lock(mutex_);
  running_ = false;
}

void MovieSound::Seek(StreamTime to) {
  std::lock_guard<std::mutex> lock(mutex_);
  SeekLocked(to);
}

void MovieSound::SeekLocked(StreamTime to) {
  const FfmpegCalls& f = Ffmpeg();
  if (to < 0) to = 0;
  const AVRational timeBase = file_->streams[audioIndex_]->time_base;
  const std::int64_t target = firstPts_ + f.av_rescale_q_rnd(to, kStreamUnit, timeBase, AV_ROUND_DOWN);
  f.av_seek_frame(file_, audioIndex_, target, AVSEEK_FLAG_BACKWARD);
  f.avcodec_flush_buffers(decoder_);
  f.swr_free(&converter_);
  converterRate_ = 0;
  pending_.clear();
  pendingStart_ = 0;
  draining_ = false;
  ended_ = false;
  baseTime_ = to;
  mixedFrames_ = 0;
  skipUntil_ = to;
}

bool MovieSound::MakeConverter(int rate) {
  const FfmpegCalls& f = Ffmpeg();
  f.swr_free(&converter_);
  AVChannelLayout input = decoder_->ch_layout;
  if (input.order != AV_CHANNEL_ORDER_NATIVE) f.av_channel_layout_default(&input, decoder_->ch_layout.nb_channels);
  AVChannelLayout stereo = AV_CHANNEL_LAYOUT_STEREO;
  // Mono sound is heard on both sides at its own level, as a mono sound buffer is.
  const double monoToBoth[2] = {1.0, 1.0};
  if (f.swr_alloc_set_opts2(&converter_, &stereo, AV_SAMPLE_FMT_S16, rate, &input, decoder_->sample_fmt,
                            decoder_->sample_rate, 0, nullptr) < 0 ||
      (input.nb_channels == 1 && f.swr_set_matrix(converter_, monoToBoth, 1) < 0) || f.swr_init(converter_) < 0) {
    f.swr_free(&converter_);
    return false;
  }
  converterRate_ = rate;
  return true;
}

bool MovieSound::DecodeMore(int rate) {
  const FfmpegCalls& f = Ffmpeg();
  if (ended_) return false;
  if (converterRate_ != rate && !MakeConverter(rate)) {
    ended_ = true;
    return false;
  }
  for (;;) {
    const int received = f.avcodec_receive_frame(decoder_, frame_);
    if (received == 0) break;
    // Anything else is a damaged packet: decoding goes on with the next one.
    if (received == AVERROR_EOF || draining_) {
      ended_ = true;
      return false;
    }
    if (f.av_read_frame(file_, packet_) < 0) {
      draining_ = true;
      f.avcodec_send_packet(decoder_, nullptr);
      continue;
    }
    if (packet_->stream_index == audioIndex_) f.avcodec_send_packet(decoder_, packet_);
    f.av_packet_unref(packet_);
  }
  const int room = f.swr_get_out_samples(converter_, frame_->nb_samples);
  if (pendingStart_ > 0) {
    pending_.erase(pending_.begin(), pending_.begin() + static_cast<std::ptrdiff_t>(2 * pendingStart_));
    pendingStart_ = 0;
  }
  const std::size_t before = pending_.size() / 2;
  pending_.resize(2 * (before + static_cast<std::size_t>(std::max(room, 0))));
  auto* out = reinterpret_cast<std::uint8_t*>(pending_.data() + 2 * before);
  const int converted = f.swr_convert(converter_, &out, room, const_cast<const std::uint8_t**>(frame_->extended_data),
                                      frame_->nb_samples);
  pending_.resize(2 * (before + static_cast<std::size_t>(std::max(converted, 0))));
  // After a seek, what lies before the time sought is not heard.
  const std::int64_t pts = frame_->best_effort_timestamp;
  if (pts != AV_NOPTS_VALUE && skipUntil_ > 0 && converted > 0) {
    const AVRational timeBase = file_->streams[audioIndex_]->time_base;
    const StreamTime frameTime = f.av_rescale_q(pts - firstPts_, timeBase, kStreamUnit);
    const std::int64_t early = (skipUntil_ - frameTime) * rate / kUnitsPerSecond;
    const auto dropped = static_cast<std::size_t>(std::clamp<std::int64_t>(early, 0, converted));
    pending_.erase(pending_.begin() + static_cast<std::ptrdiff_t>(2 * before),
                   pending_.begin() + static_cast<std::ptrdiff_t>(2 * (before + dropped)));
    if (early < converted) skipUntil_ = 0;
  }
  f.av_frame_unref(frame_);
  return true;
}

void MovieSound::AddFrames(std::int32_t* sums, int frames, int rate) {
  std::lock_guard<std::mutex> lock(mutex_);
  if (!running_) return;
  if (rate != mixedRate_) {
    baseTime_ = Position();
    mixedFrames_ = 0;
    mixedRate_ = rate;
    pending_.clear();
    pendingStart_ = 0;
  }
  while (frames > 0) {
    std::size_t ready = pending_.size() / 2 - pendingStart_;
    if (ready == 0) {
      if (!DecodeMore(rate)) break;
      continue;
    }
    const int count = static_cast<int>(std::min<std::size_t>(ready, static_cast<std::size_t>(frames)));
    const std::int16_t* source = pending_.data() + 2 * pendingStart_;
    for (int i = 0; i < 2 * count; ++i) sums[i] += source[i];
    sums += 2 * count;
    frames -= count;
    pendingStart_ += static_cast<std::size_t>(count);
    mixedFrames_ += count;
  }
}

}  // namespace pf::media
