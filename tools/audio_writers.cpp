#include "audio_writers.h"

#include <vorbis/vorbisenc.h>

#include <algorithm>
#include <stdexcept>

namespace zelvo_datagen {
namespace {

void Le16(std::vector<std::uint8_t>& out, std::uint32_t v) {
  out.push_back(static_cast<std::uint8_t>(v));
  out.push_back(static_cast<std::uint8_t>(v >> 8));
}

void Le32(std::vector<std::uint8_t>& out, std::uint32_t v) {
  Le16(out, v & 0xFFFF);
  Le16(out, v >> 16);
}

void AppendPage(std::vector<std::uint8_t>& out, const ogg_page& page) {
  out.insert(out.end(), page.header, page.header + page.header_len);
  out.insert(out.end(), page.body, page.body + page.body_len);
}

}  // namespace

std::vector<std::uint8_t> WriteWave(const std::vector<std::int16_t>& samples, int channels, int rate) {
  const std::uint32_t dataBytes = static_cast<std::uint32_t>(samples.size() * 2);
  std::vector<std::uint8_t> out{'R', 'I', 'F', 'F'};
  Le32(out, 36 + dataBytes);
  out.insert(out.end(), {'W', 'A', 'V', 'E', 'f', 'm', 't', ' '});
  Le32(out, 16);
  Le16(out, 1);   // PCM
  Le16(out, static_cast<std::uint32_t>(channels));
  Le32(out, static_cast<std::uint32_t>(rate));
  Le32(out, static_cast<std::uint32_t>(rate * channels * 2));
  Le16(out, static_cast<std::uint32_t>(channels * 2));
  Le16(out, 16);
  out.insert(out.end(), {'d', 'a', 't', 'a'});
  Le32(out, dataBytes);
  for (std::int16_t s : samples) Le16(out, static_cast<std::uint16_t>(s));
  return out;
}

std::vector<std::uint8_t> WriteOggVorbis(const std::vector<float>& samples, int channels, int rate, float quality,
                                         int serial) {
  vorbis_info info;
  vorbis_info_init(&info);
  if (vorbis_encode_init_vbr(&info, channels, rate, quality) != 0) {
    vorbis_info_clear(&info);
    throw std::runtime_error("vorbis encoder refused the stream settings");
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
  ogg_page page;
  while (ogg_stream_flush(&stream, &page) != 0) AppendPage(out, page);

  const long frames = static_cast<long>(samples.size()) / channels;
  constexpr long kChunk = 1024;
  for (long at = 0;;) {
    long count = std::max(0L, std::min(kChunk, frames - at));
    if (count > 0) {
      float** buffer = vorbis_analysis_buffer(&dsp, static_cast<int>(count));
      for (long i = 0; i < count; ++i)
        for (int c = 0; c < channels; ++c) buffer[c][i] = samples[static_cast<std::size_t>((at + i) * channels + c)];
    }
    vorbis_analysis_wrote(&dsp, static_cast<int>(count));   // 0 marks the end of the stream
    ogg_packet packet;
    while (vorbis_analysis_blockout(&dsp, &block) == 1) {
      vorbis_analysis(&block, nullptr);
      vorbis_bitrate_addblock(&block);
      while (vorbis_bitrate_flushpacket(&dsp, &packet) != 0) {
        ogg_stream_packetin(&stream, &packet);
        while (ogg_stream_pageout(&stream, &page) != 0) AppendPage(out, page);
      }
    }
    if (count == 0) break;
    at += count;
  }
  while (ogg_stream_flush(&stream, &page) != 0) AppendPage(out, page);

  ogg_stream_clear(&stream);
  vorbis_block_clear(&block);
  vorbis_dsp_clear(&dsp);
  vorbis_comment_clear(&comment);
  vorbis_info_clear(&info);
  return out;
}

}  // namespace zelvo_datagen
