#pragma once
// FFmpeg's entries as a table filled when the first stream is made. Linked at start, its libraries
// and what they pull in come to over a hundred shared objects that every process would map and
// relocate whether it ever plays a movie or not.
extern "C" {
#include <libavcodec/avcodec.h>
#include <libavformat/avformat.h>
#include <libavutil/log.h>
#include <libavutil/mathematics.h>
#include <libavutil/channel_layout.h>
#include <libavutil/mem.h>
#include <libswresample/swresample.h>
#include <libswscale/swscale.h>
}

namespace pf::media {

struct FfmpegCalls {
  // libavutil
  decltype(&::av_log_set_level) av_log_set_level;
  decltype(&::av_dict_set) av_dict_set;
  decltype(&::av_dict_free) av_dict_free;
  decltype(&::av_frame_alloc) av_frame_alloc;
  decltype(&::av_frame_free) av_frame_free;
  decltype(&::av_frame_move_ref) av_frame_move_ref;
  decltype(&::av_frame_unref) av_frame_unref;
  decltype(&::av_mallocz) av_mallocz;
  decltype(&::av_free) av_free;
  decltype(&::av_rescale) av_rescale;
  decltype(&::av_rescale_q) av_rescale_q;
  decltype(&::av_rescale_q_rnd) av_rescale_q_rnd;
  decltype(&::av_channel_layout_default) av_channel_layout_default;
  // libavcodec
  decltype(&::av_packet_alloc) av_packet_alloc;
  decltype(&::av_packet_free) av_packet_free;
  decltype(&::av_packet_unref) av_packet_unref;
  decltype(&::avcodec_alloc_context3) avcodec_alloc_context3;
  decltype(&::avcodec_find_decoder) avcodec_find_decoder;
  decltype(&::avcodec_flush_buffers) avcodec_flush_buffers;
  decltype(&::avcodec_free_context) avcodec_free_context;
  decltype(&::avcodec_open2) avcodec_open2;
  decltype(&::avcodec_parameters_to_context) avcodec_parameters_to_context;
  decltype(&::avcodec_receive_frame) avcodec_receive_frame;
  decltype(&::avcodec_send_packet) avcodec_send_packet;
  // libavformat
  decltype(&::av_find_best_stream) av_find_best_stream;
  decltype(&::av_read_frame) av_read_frame;
  decltype(&::av_seek_frame) av_seek_frame;
  decltype(&::avformat_close_input) avformat_close_input;
  decltype(&::avformat_find_stream_info) avformat_find_stream_info;
  decltype(&::avformat_open_input) avformat_open_input;
  // libswscale
  decltype(&::sws_freeContext) sws_freeContext;
  decltype(&::sws_getCachedContext) sws_getCachedContext;
  decltype(&::sws_scale) sws_scale;
  // libswresample
  decltype(&::swr_alloc_set_opts2) swr_alloc_set_opts2;
  decltype(&::swr_init) swr_init;
  decltype(&::swr_set_matrix) swr_set_matrix;
  decltype(&::swr_free) swr_free;
  decltype(&::swr_convert) swr_convert;
  decltype(&::swr_get_out_samples) swr_get_out_samples;
};

// Opens the libraries once; false when one of them or one of its entries is missing.
bool LoadFfmpeg();
// The filled table; only after LoadFfmpeg has answered true.
const FfmpegCalls& Ffmpeg();

}  // namespace pf::media
