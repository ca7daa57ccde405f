// Opening FFmpeg's libraries by their sonames and looking up every entry the streams call.
#include "platform/media/ffmpeg_calls.h"

#include <dlfcn.h>

#include <cstddef>
#include <cstring>

extern "C" {
#include <libavutil/macros.h>
#include <libavutil/version.h>
#include <libswresample/version.h>
#include <libswscale/version.h>
}

namespace pf::media {
namespace {

FfmpegCalls g_calls;

enum Library { kAvUtil, kAvCodec, kAvFormat, kSwScale, kSwResample, kLibraries };

// Dependencies first, so each library finds the ones it needs already loaded.
constexpr const char* kSonames[kLibraries] = {
    "libavutil.so." AV_STRINGIFY(LIBAVUTIL_VERSION_MAJOR),
    "libavcodec.so." AV_STRINGIFY(LIBAVCODEC_VERSION_MAJOR),
    "libavformat.so." AV_STRINGIFY(LIBAVFORMAT_VERSION_MAJOR),
    "libswscale.so." AV_STRINGIFY(LIBSWSCALE_VERSION_MAJOR),
    "libswresample.so." AV_STRINGIFY(LIBSWRESAMPLE_VERSION_MAJOR),
};

struct Entry {
  Library library;
  const char* name;
  std::size_t offset;   // of the pointer in FfmpegCalls
};

#define ZELVO_FFMPEG_ENTRY(library, name) {library, #name, offsetof(FfmpegCalls, name)}
constexpr Entry kEntries[] = {
    ZELVO_FFMPEG_ENTRY(kAvUtil, av_log_set_level),
    ZELVO_FFMPEG_ENTRY(kAvUtil, av_dict_set),
    ZELVO_FFMPEG_ENTRY(kAvUtil, av_dict_free),
    ZELVO_FFMPEG_ENTRY(kAvUtil, av_frame_alloc),
    ZELVO_FFMPEG_ENTRY(kAvUtil, av_frame_free),
    ZELVO_FFMPEG_ENTRY(kAvUtil, av_frame_move_ref),
    ZELVO_FFMPEG_ENTRY(kAvUtil, av_frame_unref),
    ZELVO_FFMPEG_ENTRY(kAvUtil, av_mallocz),
    ZELVO_FFMPEG_ENTRY(kAvUtil, av_free),
    ZELVO_FFMPEG_ENTRY(kAvUtil, av_rescale),
    ZELVO_FFMPEG_ENTRY(kAvUtil, av_rescale_q),
    ZELVO_FFMPEG_ENTRY(kAvUtil, av_rescale_q_rnd),
    ZELVO_FFMPEG_ENTRY(kAvUtil, av_channel_layout_default),
    ZELVO_FFMPEG_ENTRY(kAvCodec, av_packet_alloc),
    ZELVO_FFMPEG_ENTRY(kAvCodec, av_packet_free),
    ZELVO_FFMPEG_ENTRY(kAvCodec, av_packet_unref),
    ZELVO_FFMPEG_ENTRY(kAvCodec, avcodec_alloc_context3),
    ZELVO_FFMPEG_ENTRY(kAvCodec, avcodec_find_decoder),
    ZELVO_FFMPEG_ENTRY(kAvCodec, avcodec_flush_buffers),
    ZELVO_FFMPEG_ENTRY(kAvCodec, avcodec_free_context),
    ZELVO_FFMPEG_ENTRY(kAvCodec, avcodec_open2),
    ZELVO_FFMPEG_ENTRY(kAvCodec, avcodec_parameters_to_context),
    ZELVO_FFMPEG_ENTRY(kAvCodec, avcodec_receive_frame),
    ZELVO_FFMPEG_ENTRY(kAvCodec, avcodec_send_packet),
    ZELVO_FFMPEG_ENTRY(kAvFormat, av_find_best_stream),
    ZELVO_FFMPEG_ENTRY(kAvFormat, av_read_frame),
    ZELVO_FFMPEG_ENTRY(kAvFormat, av_seek_frame),
    ZELVO_FFMPEG_ENTRY(kAvFormat, avformat_close_input),
    ZELVO_FFMPEG_ENTRY(kAvFormat, avformat_find_stream_info),
    ZELVO_FFMPEG_ENTRY(kAvFormat, avformat_open_input),
    ZELVO_FFMPEG_ENTRY(kSwScale, sws_freeContext),
    ZELVO_FFMPEG_ENTRY(kSwScale, sws_getCachedContext),
    ZELVO_FFMPEG_ENTRY(kSwScale, sws_scale),
    ZELVO_FFMPEG_ENTRY(kSwResample, swr_alloc_set_opts2),
    ZELVO_FFMPEG_ENTRY(kSwResample, swr_init),
    ZELVO_FFMPEG_ENTRY(kSwResample, swr_set_matrix),
    ZELVO_FFMPEG_ENTRY(kSwResample, swr_free),
    ZELVO_FFMPEG_ENTRY(kSwResample, swr_convert),
    ZELVO_FFMPEG_ENTRY(kSwResample, swr_get_out_samples),
};
#undef ZELVO_FFMPEG_ENTRY

// The libraries stay loaded for the life of the process, as linked ones would.
bool OpenAll() {
  void* handles[kLibraries] = {};
  for (int i = 0; i < kLibraries; ++i) {
    handles[i] = dlopen(kSonames[i], RTLD_NOW | RTLD_LOCAL);
    if (handles[i] == nullptr) return false;
  }
  auto* table = reinterpret_cast<unsigned char*>(&g_calls);
  for (const Entry& entry : kEntries) {
    void* address = dlsym(handles[entry.library], entry.name);
    if (address == nullptr) return false;
    std::memcpy(table + entry.offset, &address, sizeof address);
  }
  return true;
}

}  // namespace

bool LoadFfmpeg() {
  static const bool loaded = OpenAll();
  return loaded;
}

const FfmpegCalls& Ffmpeg() { return g_calls; }

}  // namespace pf::media
