// Sound effects are short, distinct 16-bit PCM WAVE files; the music decodes as Ogg Vorbis and
// loops cleanly (silent at both ends of the loop).
#include <gtest/gtest.h>
#include <vorbis/vorbisfile.h>

#include <cmath>
#include <cstring>
#include <set>
#include <string>
#include <vector>

#include "tools/generated_set.h"

namespace zelvo_test {
namespace {

std::uint32_t Le32(const Bytes& b, std::size_t at) { return b[at] | b[at + 1] << 8 | b[at + 2] << 16 | static_cast<std::uint32_t>(b[at + 3]) << 24; }
std::uint32_t Le16(const Bytes& b, std::size_t at) { return b[at] | b[at + 1] << 8; }

TEST(GeneratedSounds, EffectsAreShortDistinctPcmWaves) {
  std::set<Bytes> distinct;
  int count = 0;
  for (const auto& [path, bytes] : GeneratedFiles()) {
    if (path.rfind("wav\\", 0) != 0) continue;
    ++count;
    ASSERT_GE(bytes.size(), 44u) << path;
    EXPECT_EQ(std::memcmp(bytes.data(), "RIFF", 4), 0) << path;
    EXPECT_EQ(Le32(bytes, 4), bytes.size() - 8) << path;
    EXPECT_EQ(std::memcmp(bytes.data() + 8, "WAVEfmt ", 8), 0) << path;
    EXPECT_EQ(Le16(bytes, 20), 1u) << path;    // PCM
    EXPECT_EQ(Le16(bytes, 34), 16u) << path;   // 16-bit
    std::uint32_t rate = Le32(bytes, 24), blockAlign = Le16(bytes, 32);
    EXPECT_EQ(std::memcmp(bytes.data() + 36, "data", 4), 0) << path;
    EXPECT_EQ(Le32(bytes, 40), bytes.size() - 44) << path;
    double seconds = static_cast<double>(bytes.size() - 44) / blockAlign / rate;
    EXPECT_GT(seconds, 0.02) << path;
    EXPECT_LT(seconds, 1.5) << path;
    distinct.insert(Bytes(bytes.begin() + 44, bytes.end()));
  }
  EXPECT_EQ(count, 32);
  EXPECT_EQ(distinct.size(), 32u);
}

struct MemoryOgg {
  const Bytes* bytes;
  std::size_t at;
};

std::size_t ReadOgg(void* out, std::size_t size, std::size_t count, void* source) {
  auto* ogg = static_cast<MemoryOgg*>(source);
  std::size_t n = std::min(size * count, ogg->bytes->size() - ogg->at);
  std::memcpy(out, ogg->bytes->data() + ogg->at, n);
  ogg->at += n;
  return size ? n / size : 0;
}

TEST(GeneratedSounds, MusicDecodesAndLoopsCleanly) {
  int tracks = 0;
  for (const auto& [path, bytes] : GeneratedFiles()) {
    if (path.rfind("bgm\\", 0) != 0) continue;
    ++tracks;
    MemoryOgg source{&bytes, 0};
    OggVorbis_File file;
    ov_callbacks callbacks = {ReadOgg, nullptr, nullptr, nullptr};
    ASSERT_EQ(ov_open_callbacks(&source, &file, nullptr, 0, callbacks), 0) << path;
    std::vector<std::int16_t> pcm;
    char buffer[4096];
    int section = 0;
    for (long got; (got = ov_read(&file, buffer, sizeof buffer, 0, 2, 1, &section)) > 0;)
      pcm.insert(pcm.end(), reinterpret_cast<std::int16_t*>(buffer), reinterpret_cast<std::int16_t*>(buffer + got));
    vorbis_info* info = ov_info(&file, -1);
    ASSERT_NE(info, nullptr);
    EXPECT_EQ(info->channels, 1) << path;
    double seconds = static_cast<double>(pcm.size()) / info->rate;
    ov_clear(&file);
    EXPECT_GT(seconds, 2.0) << path;
    EXPECT_LT(seconds, 12.0) << path;
    // The loop point: both ends are near silence, so the wrap makes no click.
    ASSERT_GT(pcm.size(), 100u);
    for (std::size_t i = 0; i < 8; ++i) {
      EXPECT_LT(std::abs(pcm[i]), 2000) << path << " start";
      EXPECT_LT(std::abs(pcm[pcm.size() - 1 - i]), 2000) << path << " end";
    }
  }
  EXPECT_EQ(tracks, 8);
}

}  // namespace
}  // namespace zelvo_test
