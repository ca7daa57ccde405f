// Screen BMPs are written as a whole or not at all: a full disk or a refused write never costs the
// screenshot already stored under that name.
#include "media/display/screen_bmp_file.h"

#include <cstring>

#include "media/core/file_paths.h"
#include "media/core/log.h"
#include "platform/kernel/kernel.h"

namespace zelvo {
namespace {

void Put16(std::uint8_t* p, std::uint32_t v) {
  p[0] = static_cast<std::uint8_t>(v);
  p[1] = static_cast<std::uint8_t>(v >> 8);
}
void Put32(std::uint8_t* p, std::uint32_t v) {
  Put16(p, v);
  Put16(p + 2, v >> 16);
}

bool WriteWhole(pf::Handle file, const std::uint8_t* bytes, std::uint32_t count) {
  std::uint32_t written = 0;
  return pf::WriteFile(file, bytes, count, &written) && written == count;
}

}  // namespace

bool AllocScreenBmpBlocks(std::uint32_t infoBytes, std::uint32_t rowBytes, ScreenBmpBlocks* out) {
  *out = ScreenBmpBlocks{nullptr, nullptr};
  out->info = static_cast<std::uint8_t*>(ZELVO_ALLOC_ZEROED(infoBytes));
  if (out->info == nullptr) {
    WriteLogText("BITMAPINFO構造体用メモリの確保に失敗しました\n");
    return false;
  }
  out->rows = static_cast<std::uint8_t*>(ZELVO_ALLOC_ZEROED(rowBytes > 0 ? rowBytes : 1));
  if (out->rows == nullptr) {
    WriteLogText("グラフィック保存用メモリの確保に失敗しました\n");
    FreeScreenBmpBlocks(out);
    return false;
  }
  return true;
}

void FreeScreenBmpBlocks(ScreenBmpBlocks* blocks) {
  TrackedFree(blocks->info);
  TrackedFree(blocks->rows);
  *blocks = ScreenBmpBlocks{nullptr, nullptr};
}

void BuildScreenBmpHeaders(std::uint8_t* fileHeader, std::uint8_t* info, int width, int height, int bitsPerPixel,
                           std::uint32_t tableBytes, std::uint32_t rowBytes) {
  std::memset(fileHeader, 0, 14);
  std::memset(info, 0, 40);
  fileHeader[0] = 'B';
  fileHeader[1] = 'M';
  Put32(fileHeader + 2, 54 + tableBytes + rowBytes);
  Put32(fileHeader + 10, 54 + tableBytes);
  Put32(info, 40);
  Put32(info + 4, static_cast<std::uint32_t>(width));
  Put32(info + 8, static_cast<std::uint32_t>(height));
  Put16(info + 12, 1);
  Put16(info + 14, static_cast<std::uint32_t>(bitsPerPixel));
}

int StoreScreenBmp(const char* path, const ScreenBmpPieces& pieces) {
  char folder[pf::kMaxPath];
  char temporary[pf::kMaxPath];
  pf::Handle file = pf::kInvalidHandle;
  if (path != nullptr && std::strlen(path) < sizeof folder) {
    SplitPathName(path, nullptr, folder);
    if (pf::GetTempFileName(folder, "zss", 0, temporary) != 0) {
      file = pf::CreateFile(temporary, pf::kGenericWrite, pf::kShareNone, pf::kCreateAlways);
      if (file == pf::kInvalidHandle) pf::DeleteFile(temporary);
    }
  }
  // The save reports -1 for a file it could not store, where it would report success with nothing
  // written; and it writes a temporary file renamed over the old one, so a failed write never costs
  // the screenshot already stored under that name.
  if (file == pf::kInvalidHandle) {
    WriteLogText("ＢＭＰセーブ用ファイルのオープンに失敗しました\n");
    return -1;
  }
  bool stored = WriteWhole(file, pieces.fileHeader, 14) && WriteWhole(file, pieces.info, pieces.infoBytes) &&
                WriteWhole(file, pieces.rows, pieces.rowBytes) && pf::FlushFileBuffers(file);
  stored = pf::CloseHandle(file) && stored;
  if (stored && pf::MoveFileReplace(temporary, path)) return 0;
  pf::DeleteFile(temporary);
  return -1;
}

}  // namespace zelvo
