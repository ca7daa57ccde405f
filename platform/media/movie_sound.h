#pragma once
// A movie's sound as the default sound renderer plays it: the file's primary audio stream, read
// through a reader of its own so that it runs ahead of the pictures as a sound device needs,
// decoded and converted to the device's rate, and mixed while the movie runs. It keeps to the
// movie's clock: it starts, pauses and seeks with the stream, and a start that finds it off the
// movie's time by more than a frame or two moves it there.
#include <cstdint>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include "platform/dsound/dsound.h"
#include "platform/media/media_stream.h"

struct AVFormatContext;
struct AVCodecContext;
struct AVPacket;
struct AVFrame;
struct SwrContext;

namespace pf::media {

class MovieSound final : public MixSource {
 public:
  // nullptr when the file has no audio stream the renderer decodes.
  static std::unique_ptr<MovieSound> Open(const std::string& hostPath);
  ~MovieSound() override;
  MovieSound(const MovieSound&) = delete;
  MovieSound& operator=(const MovieSound&) = delete;

  // Heard from the movie's time `from` on.
  void Run(StreamTime from);
  void Pause();
  void Seek(StreamTime to);

  void AddFrames(std::int32_t* sums, int frames, int rate) override;

 private:
  MovieSound() = default;
  StreamTime Position() const;
  void SeekLocked(StreamTime to);
  // Decodes the next audio frame into pending frames at `rate`; false at the end of the sound.
  bool DecodeMore(int rate);
  bool MakeConverter(int rate);

  std::mutex mutex_;
  AVFormatContext* file_ = nullptr;
  AVCodecContext* decoder_ = nullptr;
  AVPacket* packet_ = nullptr;
  AVFrame* frame_ = nullptr;
  SwrContext* converter_ = nullptr;
  int converterRate_ = 0;
  int audioIndex_ = -1;
  std::int64_t firstPts_ = 0;
  bool draining_ = false;
  bool ended_ = false;
  bool running_ = false;
  std::vector<std::int16_t> pending_;   // stereo frames ready for the mix
  std::size_t pendingStart_ = 0;        // in frames
  StreamTime baseTime_ = 0;             // the movie's time of the first frame mixed since the last seek
  std::int64_t mixedFrames_ = 0;        // frames mixed since then
  int mixedRate_ = 0;
  StreamTime skipUntil_ = 0;            // decoded sound before this time is dropped
};

}  // namespace pf::media
