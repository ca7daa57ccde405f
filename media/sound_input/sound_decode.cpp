#include "media/sound_input/sound_decode.h"

#include "media/core/file_ops.h"
#include "media/core/log.h"
#include "media/sound_input/sound_source.h"

namespace zelvo {

int DecodeSoundImage(const void* image, std::int32_t imageSize, pf::WaveFormatEx* format, void** pcm,
                     std::int32_t* pcmSize) {
  MemoryStream* stream = CreateMemoryStream(image, imageSize);
  if (stream == nullptr) return WriteLogText("音声ファイルを格納するメモリ領域の確保に失敗しました\n");
  StreamReaderBlock reader = {*MemoryStreamOpsTable(), stream};
  SoundSource source;
  if (OpenSoundSource(&reader, &source) != 0) {
    CloseMemoryStream(stream);
    return WriteLogText("音声ファイルのＰＣＭへの変換に失敗しました\n");
  }
  void* data = nullptr;
  std::int32_t size = 0;
  const int decoded = DecodeSoundSourceAll(&source, format, &data, &size);
  CloseSoundSource(&source);
  CloseMemoryStream(stream);
  if (decoded != 0) return WriteLogText("音声ファイルを格納するメモリ領域の確保に失敗しました\n");
  // A cut last frame cannot be played; a file that gives no whole frame has nothing to play.
  size -= size % format->blockAlign;
  if (size <= 0) {
    TrackedFree(data);
    return WriteLogText("音声ファイルのＰＣＭへの変換に失敗しました\n");
  }
  *pcm = data;
  *pcmSize = size;
  return 0;
}

}  // namespace zelvo
