// A 640x480 MJPEG movie played into a graph, frame after frame as fast as it decodes: ours through
// the movie graph's forced frame advance (decode, convert to the sample's RGB, copy into the frame
// image and transfer into the graph) against FFmpeg decoding the same file to raw frames, both to
// RGB (the layout the graph needs) and to its own YUV. Run on a 16-bit and a 32-bit screen. Before
// a row is timed, ours' first frame and FFmpeg's first frame in RGB are compared channel by channel
// (ours on the row's screen; the FFmpeg rows against the 32-bit one). On a shared machine run it
// with --benchmark_repetitions=12 --benchmark_enable_random_interleaving=true.
#include <benchmark/benchmark.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <map>
#include <string>
#include <vector>

#include <zelvo/zelvo.h>

#include "bench_support.h"
#include "media/core/library_lock.h"
#include "media/display/screen_state.h"
#include "media/graphics/graphs/graph_record.h"
#include "media/graphics/graphs/movie_table.h"
#include "support/avi_writer.h"

extern "C" {
#include <libavcodec/avcodec.h>
#include <libavformat/avformat.h>
#include <libavutil/mem.h>
#include <libswscale/swscale.h>
}

namespace {

constexpr int kWidth = 640;
constexpr int kHeight = 480;
constexpr char kMovieName[] = "bench.avi";

void SetFrameRate(benchmark::State& state) {
  state.counters["frames/s"] = benchmark::Counter(static_cast<double>(state.iterations()), benchmark::Counter::kIsRate);
}

// The peer: FFmpeg's demuxer and decoder, with or without the conversion to 32-bit RGB.
class PeerDecoder {
 public:
  bool Open(const char* path) {
    if (avformat_open_input(&file_, path, nullptr, nullptr) < 0 || avformat_find_stream_info(file_, nullptr) < 0) {
      return false;
    }
    index_ = av_find_best_stream(file_, AVMEDIA_TYPE_VIDEO, -1, -1, nullptr, 0);
    if (index_ < 0) return false;
    const AVCodec* codec = avcodec_find_decoder(file_->streams[index_]->codecpar->codec_id);
    decoder_ = avcodec_alloc_context3(codec);
    avcodec_parameters_to_context(decoder_, file_->streams[index_]->codecpar);
    if (avcodec_open2(decoder_, codec, nullptr) < 0) return false;
    packet_ = av_packet_alloc();
    frame_ = av_frame_alloc();
    pitch_ = kWidth * 4;
    rgb_ = static_cast<std::uint8_t*>(av_malloc(static_cast<std::size_t>(pitch_) * kHeight));
    return true;
  }
  ~PeerDecoder() {
    sws_freeContext(scaler_);
    av_free(rgb_);
    av_frame_free(&frame_);
    av_packet_free(&packet_);
    avcodec_free_context(&decoder_);
    avformat_close_input(&file_);
  }

  // The next frame, from the top again after the last.
  void Decode() {
    for (;;) {
      if (avcodec_receive_frame(decoder_, frame_) == 0) return;
      if (av_read_frame(file_, packet_) < 0) {
        av_seek_frame(file_, index_, 0, AVSEEK_FLAG_BACKWARD);
        avcodec_flush_buffers(decoder_);
        continue;
      }
      if (packet_->stream_index == index_) avcodec_send_packet(decoder_, packet_);
      av_packet_unref(packet_);
    }
  }

  const std::uint8_t* Rgb() const { return rgb_; }
  int Pitch() const { return pitch_; }

  void ConvertToRgb() {
    scaler_ = sws_getCachedContext(scaler_, frame_->width, frame_->height, static_cast<AVPixelFormat>(frame_->format),
                                   kWidth, kHeight, AV_PIX_FMT_BGR0, SWS_BILINEAR, nullptr, nullptr, nullptr);
    std::uint8_t* planes[4] = {rgb_, nullptr, nullptr, nullptr};
    int pitches[4] = {pitch_, 0, 0, 0};
    sws_scale(scaler_, frame_->data, frame_->linesize, 0, frame_->height, planes, pitches);
  }

 private:
  AVFormatContext* file_ = nullptr;
  AVCodecContext* decoder_ = nullptr;
  AVPacket* packet_ = nullptr;
  AVFrame* frame_ = nullptr;
  SwsContext* scaler_ = nullptr;
  std::uint8_t* rgb_ = nullptr;
  int pitch_ = 0;
  int index_ = -1;
};

// The first frame from each side, compared before either is timed: ours as the graph's movie frame
// takes it on a screen of the given depth, FFmpeg's converted to 32-bit RGB. Ours decodes through
// the same decoder and the same conversion, so a 32-bit frame must be the same bytes; a 16-bit
// sample keeps 5 or 6 bits a channel, up to 7 steps apart.
constexpr int kChannelBound16 = 7;

struct FirstFrames {
  bool taken = false;
  int bound = 0;
  zelvo_bench::ChannelDifference difference;
};

FirstFrames CompareFirstFrames(int depth) {
  FirstFrames result;
  std::vector<std::uint8_t> ours(static_cast<std::size_t>(kWidth) * kHeight * 4);
  {
    zelvo::LibraryLockGuard lock;
    if (zelvo::ChangeScreenMode(kWidth, kHeight, depth, 0, 60) != 0) return result;
    const int graph = LoadGraphFile(kMovieName, 0);
    zelvo::MovieRecord* movie = graph >= 0 ? zelvo::GetMovieRecord(zelvo::GetGraphRecord(graph)->movie) : nullptr;
    if (movie == nullptr) return result;
    zelvo::AdvanceMovieFrame(graph, 1);
    result.bound = movie->frame.format.BytesPerPixel == 2 ? kChannelBound16 : 0;
    for (int y = 0; y < kHeight; ++y) {
      for (int x = 0; x < kWidth; ++x) {
        int r = 0, g = 0, b = 0;
        zelvo::GetGraphImagePixel(&movie->frame, x, y, &r, &g, &b, nullptr);
        std::uint8_t* at = &ours[(static_cast<std::size_t>(y) * kWidth + x) * 4];
        at[0] = static_cast<std::uint8_t>(b), at[1] = static_cast<std::uint8_t>(g), at[2] = static_cast<std::uint8_t>(r);
      }
    }
    ReleaseGraph(graph, 0);
  }
  PeerDecoder peer;
  if (!peer.Open(kMovieName)) return result;
  peer.Decode();
  peer.ConvertToRgb();
  result.taken = true;
  result.difference =
      zelvo_bench::CompareChannels(ours.data(), kWidth * 4, peer.Rgb(), peer.Pitch(), kWidth, kHeight, result.bound);
  return result;
}

// False, with the run skipped, when a channel of the first frames at this depth is further apart
// than the bound; each depth is compared once.
bool FirstFramesAgree(benchmark::State& state, int depth) {
  static std::map<int, FirstFrames> compared;
  auto it = compared.find(depth);
  if (it == compared.end()) it = compared.emplace(depth, CompareFirstFrames(depth)).first;
  if (!it->second.taken) {
    state.SkipWithError("no first frame to compare: the movie did not open on one side");
    return false;
  }
  return zelvo_bench::ChannelsAgree(state, it->second.difference, it->second.bound, 0.0);
}

// Ours: the movie graph loaded on a screen of the given depth; each iteration takes one frame.
void BM_Zelvo_MovieToGraph(benchmark::State& state) {
  if (!FirstFramesAgree(state, static_cast<int>(state.range(0)))) return;
  zelvo::LibraryLockGuard lock;
  if (zelvo::ChangeScreenMode(kWidth, kHeight, static_cast<int>(state.range(0)), 0, 60) != 0) {
    state.SkipWithError("screen mode");
    return;
  }
  const int graph = LoadGraphFile(kMovieName, 0);
  zelvo::MovieRecord* movie = graph >= 0 ? zelvo::GetMovieRecord(zelvo::GetGraphRecord(graph)->movie) : nullptr;
  if (movie == nullptr) {
    state.SkipWithError("movie graph");
    return;
  }
  for (auto _ : state) {
    zelvo::AdvanceMovieFrame(graph, 1);
    if (!movie->playing) {   // the end: from the top again
      pf::SeekStream(movie->stream, 0);
      movie->playing = 1;
      zelvo::AdvanceMovieFrame(graph, 1);
    }
  }
  SetFrameRate(state);
  ReleaseGraph(graph, 0);
}
BENCHMARK(BM_Zelvo_MovieToGraph)->Arg(16)->Arg(32)->ArgName("depth")->UseRealTime();

// The peer rows are checked against ours on a 32-bit screen.
void BM_FFmpeg_DecodeToRgb(benchmark::State& state) {
  if (!FirstFramesAgree(state, 32)) return;
  PeerDecoder peer;
  if (!peer.Open(kMovieName)) {
    state.SkipWithError("open");
    return;
  }
  for (auto _ : state) {
    peer.Decode();
    peer.ConvertToRgb();
  }
  SetFrameRate(state);
}
BENCHMARK(BM_FFmpeg_DecodeToRgb)->UseRealTime();

void BM_FFmpeg_DecodeOnly(benchmark::State& state) {
  if (!FirstFramesAgree(state, 32)) return;
  PeerDecoder peer;
  if (!peer.Open(kMovieName)) {
    state.SkipWithError("open");
    return;
  }
  for (auto _ : state) peer.Decode();
  SetFrameRate(state);
}
BENCHMARK(BM_FFmpeg_DecodeOnly)->UseRealTime();

}  // namespace

int main(int argc, char** argv) {
  benchmark::Initialize(&argc, argv);
  if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;
  char folder[] = "/tmp/zelvo-movie-bench-XXXXXX";
  if (mkdtemp(folder) == nullptr || chdir(folder) != 0) return 1;
  zelvo_test::AviLayout layout;
  layout.width = kWidth;
  layout.height = kHeight;
  layout.framesPerSecond = 30;
  layout.frameCount = 60;
  layout.patterned = true;
  if (!zelvo_test::WriteAvi(kMovieName, layout)) return 1;
  char title[64];
  std::snprintf(title, sizeof title, "zelvo-movie-bench-%d", static_cast<int>(getpid()));
  SetLogFileEnabled(0);
  SwitchWindowMode(1);
  SetWindowTitleText(title);
  if (StartUpLibrary() != 0) return 1;
  zelvo_bench::RateCollector reporter("frames/s");
  benchmark::RunSpecifiedBenchmarks(&reporter);
  const zelvo_bench::RatioPair pairs[] = {
      {"16-bit screen vs decode to RGB", "BM_Zelvo_MovieToGraph/depth:16/real_time", "BM_FFmpeg_DecodeToRgb/real_time"},
      {"32-bit screen vs decode to RGB", "BM_Zelvo_MovieToGraph/depth:32/real_time", "BM_FFmpeg_DecodeToRgb/real_time"},
      {"16-bit screen vs decode only", "BM_Zelvo_MovieToGraph/depth:16/real_time", "BM_FFmpeg_DecodeOnly/real_time"},
      {"32-bit screen vs decode only", "BM_Zelvo_MovieToGraph/depth:32/real_time", "BM_FFmpeg_DecodeOnly/real_time"},
  };
  std::printf("\n%-36s %14s %14s %8s\n", "640x480 MJPEG into a graph", "ours frames/s", "peer frames/s", "ratio");
  for (const zelvo_bench::RatioPair& p : pairs) {
    auto a = reporter.rates.find(p.ours), b = reporter.rates.find(p.peer);
    if (a == reporter.rates.end() || b == reporter.rates.end() || b->second <= 0) continue;
    std::printf("%-36s %14.0f %14.0f %8.2f\n", p.what, a->second, b->second, a->second / b->second);
  }
  benchmark::Shutdown();
  ShutDownLibrary();
  std::remove(kMovieName);
  rmdir(folder);
  return 0;
}
