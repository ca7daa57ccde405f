// Whole files and whole readers in one tracked block.
#include <algorithm>

#include "media/core/log.h"
#include "media/sound_input/sound_source.h"

namespace zelvo {

int LoadWholeFile(const char* path, void** data, std::int32_t* size) {
  const FileHandle file = FileOpen(path, 0, 0, 0);
  if (file == 0) return WriteLogFormat("右記のファイルのオープンに失敗しました：%s", path);
  FileSeek(file, 0, 2);
  const std::int32_t length = std::max(FileTell(file), 0);
  FileSeek(file, 0, 0);
  void* block = ZELVO_ALLOC(static_cast<std::size_t>(std::max(length, 1)));
  if (block == nullptr) {
    FileClose(file);
    return WriteLogFormat("右記のファイルのロードに必要なメモリの確保に失敗しました：%s", path);
  }
  const int got = length > 0 ? FileRead(block, 1, length, file) : 0;
  FileClose(file);
  *data = block;
  *size = std::max(got, 0);
  return 0;
}

int LoadWholeReader(const StreamReaderBlock* reader, void** data, std::int32_t* size) {
  reader->ops.seek(reader->data, 0, 2);
  const std::int32_t length = std::max(reader->ops.tell(reader->data), 0);
  reader->ops.seek(reader->data, 0, 0);
  void* block = ZELVO_ALLOC(static_cast<std::size_t>(std::max(length, 1)));
  if (block == nullptr) return WriteLogText("ストリームの読み込みに必要なメモリの確保に失敗しました\n");
  const int got = length > 0 ? reader->ops.read(block, 1, length, reader->data) : 0;
  *data = block;
  *size = std::max(got, 0);
  return 0;
}

}  // namespace zelvo
