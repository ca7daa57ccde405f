// The screen save: a rectangle of the draw target written as a BMP file here, or handed to the
// JPEG and PNG savers.
#include "media/graphics/screens/screen_save.h"

#include <cstring>

#include "media/core/log.h"
#include "media/core/message_pump.h"
#include "media/display/present.h"
#include "media/display/screen_bmp_file.h"
#include "media/display/present_palette.h"
#include "media/display/screen_state.h"
#include "media/display/surface_copy.h"
#include "media/graphics/graphs/d3d_graph_draw.h"
#include "media/graphics/graphs/draw_state.h"
#include "media/graphics/graphs/graph_image.h"
#include "media/graphics/graphs/picture_codecs.h"
#include "media/graphics/graphs/soft_target.h"
#include "platform/kernel/kernel.h"

namespace zelvo {
namespace {

// The pixels to save: the rectangle's top-left pixel, the pitch and the format.
struct SaveSource {
  const std::uint8_t* pixels;
  int pitch;
  const PixelFormat* format;
};

int WriteBmp(const char* path, const SaveSource& source, int width, int height) {
  const int depth = source.format->ColorBitDepth;
  if (depth == 8) return WritePaletteScreenBmp(path, source.pixels, source.pitch, width, height);
  if (depth != 16 && depth != 32) return -1;
  const std::uint32_t stride = (static_cast<std::uint32_t>(width) * 3 + 3) & ~3u;
  const std::uint32_t rowBytes = stride * static_cast<std::uint32_t>(height);
  ScreenBmpBlocks blocks{};
  // Without memory nothing is written, and the save says so with -1.
  if (!AllocScreenBmpBlocks(40, rowBytes, &blocks)) return -1;
  for (int y = 0; y < height; ++y) {
    const std::uint8_t* in = source.pixels + static_cast<std::ptrdiff_t>(y) * source.pitch;
    std::uint8_t* out = blocks.rows + static_cast<std::size_t>(height - 1 - y) * stride;
    for (int x = 0; x < width; ++x, out += 3) {
      if (depth == 32) {
        std::memcpy(out, in + x * 4, 3);
        continue;
      }
      const std::uint32_t pixel = in[x * 2] | in[x * 2 + 1] << 8;
      for (int channel = 0; channel < 3; ++channel) {
        const std::uint32_t value = (pixel & source.format->ChannelMask[channel]) >> source.format->ChannelShift[channel]
                                    << (8 - source.format->ChannelWidth[channel]);
        out[2 - channel] = static_cast<std::uint8_t>(value);
      }
    }
  }
  std::uint8_t fileHeader[14];
  BuildScreenBmpHeaders(fileHeader, blocks.info, width, height, 24, 0, rowBytes);
  const int result = StoreScreenBmp(path, ScreenBmpPieces{fileHeader, blocks.info, 40, blocks.rows, rowBytes});
  FreeScreenBmpBlocks(&blocks);
  return result;
}

int WriteCoded(const char* path, const SaveSource& source, int width, int height, int type, int quality, int level) {
  GraphImage image{};
  image.format = *source.format;
  if (source.format->ColorBitDepth == 8) ReadScreenPaletteColours(&image.format);
  image.width = width;
  image.height = height;
  image.pitch = width * source.format->BytesPerPixel;
  auto* pixels = static_cast<std::uint8_t*>(ZELVO_ALLOC(static_cast<std::size_t>(image.pitch) * height));
  if (pixels == nullptr) {
    WriteLogText("画像セーブ用一時バッファの確保に失敗しました\n");
    return -1;   // nothing was written: the save says so
  }
  for (int y = 0; y < height; ++y) {
    std::memcpy(pixels + static_cast<std::size_t>(y) * image.pitch,
                source.pixels + static_cast<std::ptrdiff_t>(y) * source.pitch, static_cast<std::size_t>(image.pitch));
  }
  image.pixels = pixels;
  const int result = type == 1 ? SaveJpegFile(path, &image, quality) : SavePngFile(path, &image, level);
  TrackedFree(pixels);
  return result;
}

}  // namespace

int SaveScreenToImageFile(int x1, int y1, int x2, int y2, const char* path, int type, int jpegQuality,
                          int pngLevel) {
  if (GetDirectDrawObject() == nullptr && IsDirectDrawMode()) return -1;
  WaitWhileInactiveForDrawing();
  EndDirect3DScene();
  IntRect rect{x1, y1, x2, y2};
  NormalizeRect(&rect);
  ClipRect(&rect, &g_draw.region);
  const int width = rect.right - rect.left, height = rect.bottom - rect.top;
  if (width == 0 || height == 0) return -1;
  SaveSource source{};
  pf::DirectDrawSurface7* locked = nullptr;
  if (IsSoftwareRenderMode() || g_softTarget.surface == nullptr) {
    if (IsSoftwareRenderMode() && g_draw.target == kTargetFrontBuffer) ReloadSoftScreenFromDisplay();
    const MEMIMG* image = g_softTarget.image;
    if (image == nullptr) return -1;
    source = SaveSource{image->pixels + static_cast<std::ptrdiff_t>(rect.top) * image->pitch +
                            rect.left * image->format->BytesPerPixel,
                        image->pitch, image->format};
  } else {
    locked = g_softTarget.surface;
    int x = rect.left + g_softTarget.originX + g_draw.drawOffset.left;
    int y = rect.top + g_softTarget.originY + g_draw.drawOffset.top;
    // The front screen of a window lies in video memory, slow to read: its rectangle is read from
    // a copy in work surface 1. A copy that fails saves nothing.
    if (g_draw.drawOffset.left != 0 || g_draw.drawOffset.top != 0) {
      const IntRect area{x, y, x + width, y + height};
      pf::DirectDrawSurface7* work = GetWorkSurface();
      if (work == nullptr || BlitSurfaceToSurface(work, locked, 0, 0, &area, kSurfaceCopyMeasured) < 0) return -1;
      locked = work;
      x = 0;
      y = 0;
    }
    pf::SurfaceDesc desc{};
    desc.size = sizeof desc;
    if (locked->Lock(nullptr, &desc, pf::DDLOCK_WAIT | pf::DDLOCK_READONLY, nullptr) != pf::DD_OK) {
      return WriteLogText("作業用サーフェスのロックに失敗しました\n");
    }
    const PixelFormat* format = GetScreenPixelFormat();
    source = SaveSource{static_cast<const std::uint8_t*>(desc.surface) + static_cast<std::ptrdiff_t>(y) * desc.pitch +
                            x * format->BytesPerPixel,
                        desc.pitch, format};
  }
  int result = 0;
  if (type == 0) {
    result = WriteBmp(path, source, width, height);
  } else if (type == 1 || type == 2) {
    result = WriteCoded(path, source, width, height, type, jpegQuality, pngLevel);
  }
  if (locked != nullptr) locked->Unlock(nullptr);
  return result;
}

}  // namespace zelvo
