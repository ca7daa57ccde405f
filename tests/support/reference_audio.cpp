#include "support/reference_audio.h"

#include <sndfile.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>

namespace zelvo_test {
namespace {

struct MemoryFile {
  const std::vector<std::uint8_t>* bytes;
  sf_count_t position;
};

sf_count_t Length(void* data) { return static_cast<sf_count_t>(static_cast<MemoryFile*>(data)->bytes->size()); }

sf_count_t Seek(sf_count_t offset, int whence, void* data) {
  auto* file = static_cast<MemoryFile*>(data);
  const sf_count_t size = Length(data);
  sf_count_t target = whence == SEEK_SET ? offset : whence == SEEK_CUR ? file->position + offset : size + offset;
  if (target < 0 || target > size) return -1;
  file->position = target;
  return target;
}

sf_count_t Read(void* buffer, sf_count_t count, void* data) {
  auto* file = static_cast<MemoryFile*>(data);
  const sf_count_t n = std::min(count, Length(data) - file->position);
  std::memcpy(buffer, file->bytes->data() + file->position, static_cast<std::size_t>(n));
  file->position += n;
  return n;
}

sf_count_t Write(const void*, sf_count_t, void*) { return 0; }
sf_count_t Tell(void* data) { return static_cast<MemoryFile*>(data)->position; }

}  // namespace

bool DecodeWithLibsndfile(const std::vector<std::uint8_t>& file, ReferencePcm* out) {
  SF_VIRTUAL_IO io = {Length, Seek, Read, Write, Tell};
  MemoryFile memory = {&file, 0};
  SF_INFO info{};
  SNDFILE* sound = sf_open_virtual(&io, SFM_READ, &info, &memory);
  if (sound == nullptr) return false;
  out->channels = info.channels;
  out->rate = info.samplerate;
  out->samples.clear();
  std::vector<short> chunk(4096 * static_cast<std::size_t>(info.channels));
  for (;;) {
    const sf_count_t frames = sf_readf_short(sound, chunk.data(), 4096);
    if (frames <= 0) break;
    out->samples.insert(out->samples.end(), chunk.begin(), chunk.begin() + frames * info.channels);
  }
  sf_close(sound);
  return true;
}

bool RunSox(const std::string& arguments) {
  const std::string command = "sox " + arguments + " >/dev/null 2>&1";
  return std::system(command.c_str()) == 0;
}

std::vector<std::int16_t> DecodeWithSox(const std::string& path) {
  const std::string command = "sox -D \"" + path + "\" -t raw -e signed -b 16 -L - 2>/dev/null";
  std::vector<std::int16_t> samples;
  FILE* pipe = popen(command.c_str(), "r");
  if (pipe == nullptr) return samples;
  std::int16_t chunk[4096];
  std::size_t got;
  while ((got = std::fread(chunk, sizeof chunk[0], 4096, pipe)) > 0) samples.insert(samples.end(), chunk, chunk + got);
  if (pclose(pipe) != 0) samples.clear();
  return samples;
}

}  // namespace zelvo_test
