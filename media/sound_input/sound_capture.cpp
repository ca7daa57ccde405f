// The sound capture writer: a WAVE file of 16-bit stereo 44.1 kHz frames whose 46-byte header is
// written when the capture finishes.
#include <cstring>

#include "media/core/log.h"
#include "media/sound_input/sound.h"
#include "platform/kernel/kernel.h"

namespace zelvo {
namespace {

constexpr std::uint32_t kHeaderBytes = 46;

void PutU32(std::uint8_t* at, std::uint32_t value) {
  for (int i = 0; i < 4; ++i) at[i] = static_cast<std::uint8_t>(value >> (8 * i));
}
void PutU16(std::uint8_t* at, std::uint16_t value) {
  at[0] = static_cast<std::uint8_t>(value);
  at[1] = static_cast<std::uint8_t>(value >> 8);
}

}  // namespace

int StartSoundCapture(const char* path) {
  if (g_sound.capturing != 0) return -1;
  pf::Handle file = pf::CreateFile(path, pf::kGenericWrite, pf::kShareNone, pf::kCreateAlways);
  if (file == pf::kInvalidHandle) return WriteLogText("サウンドキャプチャ保存用のファイルが開けませんでした。\n");
  // The header's place is kept until the frame count is known.
  const std::uint8_t reserved[kHeaderBytes] = {};
  std::uint32_t written = 0;
  if (!pf::WriteFile(file, reserved, kHeaderBytes, &written) || written != kHeaderBytes) {
    pf::CloseHandle(file);
    return WriteLogText("サウンドキャプチャ保存用のファイルが開けませんでした。\n");
  }
  g_sound.captureFile = file;
  g_sound.capturedFrames = 0;
  g_sound.capturing = 1;
  return 0;
}

int AppendSoundCapture(const std::int16_t* frames, int count) {
  if (g_sound.capturing == 0 || count <= 0) return -1;
  std::uint32_t written = 0;
  const auto bytes = static_cast<std::uint32_t>(count) * 4;
  pf::WriteFile(g_sound.captureFile, frames, bytes, &written);
  g_sound.capturedFrames += written / 4;
  return 0;
}

int FinishSoundCapture() {
  if (g_sound.capturing == 0) return -1;
  const std::uint32_t frames = g_sound.capturedFrames;
  std::uint8_t header[kHeaderBytes];
  std::memcpy(header, "RIFF", 4);
  PutU32(header + 4, 4 * frames + 38);
  std::memcpy(header + 8, "WAVEfmt ", 8);
  PutU32(header + 16, 18);
  PutU16(header + 20, 1);
  PutU16(header + 22, 2);
  PutU32(header + 24, 44100);
  PutU32(header + 28, 176400);
  PutU16(header + 32, 4);
  PutU16(header + 34, 16);
  PutU16(header + 36, 0);
  std::memcpy(header + 38, "data", 4);
  PutU32(header + 42, 4 * frames);
  pf::SetFilePointer(g_sound.captureFile, 0, pf::kFileBegin);
  std::uint32_t written = 0;
  pf::WriteFile(g_sound.captureFile, header, kHeaderBytes, &written);
  pf::CloseHandle(g_sound.captureFile);
  g_sound.captureFile = nullptr;
  g_sound.capturing = 0;
  return 0;
}

}  // namespace zelvo
