#include "support/ogg_writer.h"

#include <vorbis/vorbisenc.h>

#include <algorithm>
#include <cmath>
#include <stdexcept>

namespace zelvo_test {
namespace {

void TakePages(ogg_stream_state* stream, std::vector<std::uint8_t>& out, bool flush) {
  ogg_page page;
  while (flush ? ogg_stream_flush(stream, &page) : ogg_stream_pageout(stream, &page)) {
    out.insert(out.end(), page.header, page.header + page.header_len);
    out.insert(out.end(), page.body, page.body + page.body_len);
  }
}

}  // namespace

std::vector<std::uint8_t> WriteOggVorbis(const std::vector<std::int16_t>& samples, int channels, int rate,
                                         float quality, int serial) {
  vorbis_info info;
  vorbis_info_init(&info);
  if (vorbis_encode_init_vbr(&info, channels, rate, quality) != 0) {
    vorbis_info_clear(&info);
    throw std::invalid_argument("vorbis encoder refused the format");
  }
  vorbis_comment comment;
  vorbis_comment_init(&comment);
  vorbis_dsp_state dsp;
  vorbis_analysis_init(&dsp, &info);
  vorbis_block block;
  vorbis_block_init(&dsp, &block);
  ogg_stream_state stream;
  ogg_stream_init(&stream, serial);

  std::vector<std::uint8_t> out;
  ogg_packet header, commentPacket, codebooks;
  vorbis_analysis_headerout(&dsp, &comment, &header, &commentPacket, &codebooks);
  ogg_stream_packetin(&stream, &header);
  ogg_stream_packetin(&stream, &commentPacket);
  ogg_stream_packetin(&stream, &codebooks);
  TakePages(&stream, out, true);

  const std::size_t frames = samples.size() / channels;
  const std::size_t chunk = 1024;
  std::size_t done = 0;
  bool ended = false;
  while (!ended) {
    const std::size_t n = std::min(chunk, frames - done);
    if (n == 0) {
      vorbis_analysis_wrote(&dsp, 0);   // end of stream
      ended = true;
    } else {
      float** buffer = vorbis_analysis_buffer(&dsp, static_cast<int>(n));
      for (std::size_t i = 0; i < n; ++i) {
        for (int c = 0; c < channels; ++c) buffer[c][i] = samples[(done + i) * channels + c] / 32768.0f;
      }
      vorbis_analysis_wrote(&dsp, static_cast<int>(n));
      done += n;
    }
    while (vorbis_analysis_blockout(&dsp, &block) == 1) {
      vorbis_analysis(&block, nullptr);
      vorbis_bitrate_addblock(&block);
      ogg_packet packet;
      while (vorbis_bitrate_flushpacket(&dsp, &packet)) {
        ogg_stream_packetin(&stream, &packet);
        TakePages(&stream, out, false);
      }
    }
  }
  TakePages(&stream, out, true);

  ogg_stream_clear(&stream);
  vorbis_block_clear(&block);
  vorbis_dsp_clear(&dsp);
  vorbis_comment_clear(&comment);
  vorbis_info_clear(&info);
  return out;
}

std::vector<std::int16_t> SineSamples(int frames, int channels, int rate, double hz, int amplitude) {
  std::vector<std::int16_t> out(static_cast<std::size_t>(frames) * channels);
  const double kTwoPi = 6.283185307179586;
  for (int i = 0; i < frames; ++i) {
    for (int c = 0; c < channels; ++c) {
      const double value = amplitude * std::sin(kTwoPi * hz * (c + 1) * i / rate);
      out[static_cast<std::size_t>(i) * channels + c] = static_cast<std::int16_t>(std::lround(value));
    }
  }
  return out;
}

}  // namespace zelvo_test
