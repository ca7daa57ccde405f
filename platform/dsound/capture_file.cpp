// ZELVO_AUDIO_CAPTURE: every mixed frame appended to a 16-bit stereo WAVE file. The header is
// brought up to date after each write, so the file is whole even when the process ends abruptly.
#include <cstring>

#include "platform/dsound/dsound_internal.h"

namespace pf::dsound {
namespace {

void PutU32(std::uint8_t* at, std::uint32_t value) {
  for (int i = 0; i < 4; ++i) at[i] = static_cast<std::uint8_t>(value >> (8 * i));
}
void PutU16(std::uint8_t* at, std::uint16_t value) {
  at[0] = static_cast<std::uint8_t>(value);
  at[1] = static_cast<std::uint8_t>(value >> 8);
}

constexpr long kHeaderBytes = 44;

}  // namespace

CaptureFile::~CaptureFile() { Close(); }

bool CaptureFile::Open(const char* path, int rate) {
  Close();
  if (path == nullptr) return false;
  file_ = std::fopen(path, "wb");
  if (file_ == nullptr) return false;
  rate_ = rate;
  frames_ = 0;
  WriteHeader();
  return true;
}

void CaptureFile::Write(const std::int16_t* frames, int count) {
  if (file_ == nullptr || count <= 0) return;
  std::uint8_t bytes[4096 * 4];
  while (count > 0) {
    const int step = count < 4096 ? count : 4096;
    for (int i = 0; i < step * 2; ++i) PutU16(bytes + 2 * i, static_cast<std::uint16_t>(frames[i]));
    std::fseek(file_, 0, SEEK_END);
    std::fwrite(bytes, 4, static_cast<std::size_t>(step), file_);
    frames_ += static_cast<std::uint32_t>(step);
    frames += 2 * step;
    count -= step;
  }
  WriteHeader();
}

void CaptureFile::Close() {
  if (file_ == nullptr) return;
  WriteHeader();
  std::fclose(file_);
  file_ = nullptr;
}

void CaptureFile::WriteHeader() {
  std::uint8_t header[kHeaderBytes];
  const std::uint32_t dataBytes = frames_ * 4;
  std::memcpy(header, "RIFF", 4);
  PutU32(header + 4, dataBytes + 36);
  std::memcpy(header + 8, "WAVEfmt ", 8);
  PutU32(header + 16, 16);
  PutU16(header + 20, 1);
  PutU16(header + 22, 2);
  PutU32(header + 24, static_cast<std::uint32_t>(rate_));
  PutU32(header + 28, static_cast<std::uint32_t>(rate_) * 4);
  PutU16(header + 32, 4);
  PutU16(header + 34, 16);
  std::memcpy(header + 36, "data", 4);
  PutU32(header + 40, dataBytes);
  std::fseek(file_, 0, SEEK_SET);
  std::fwrite(header, 1, sizeof header, file_);
  std::fflush(file_);
}

}  // namespace pf::dsound
