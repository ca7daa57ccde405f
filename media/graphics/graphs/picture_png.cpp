// PNG reading from library streams and writing to files, through libpng. Every libpng error
// long-jumps back to the set-jump point of the running loader or saver, which releases what it made.
#include <png.h>

#include <csetjmp>
#include <cstring>

#include "media/core/log.h"
#include "media/graphics/picture_io/encoded_buffer.h"
#include "media/graphics/graphs/picture_codecs.h"
#include "media/graphics/picture_io/picture_reader.h"
#include "media/pixels/pixel_format.h"

namespace zelvo {
namespace {

// libpng's messages go to the library log rather than to the console.
void PngError(png_structp png, png_const_charp message) {
  WriteLogFormat("%s", message);
  png_longjmp(png, 1);
}

void PngWarning(png_structp, png_const_charp message) { WriteLogFormat("%s", message); }

struct PngReadState {
  StreamReaderBlock* reader;
  std::int64_t size;       // bytes from where reading started
  std::int64_t position;
};

void PngStreamRead(png_structp png, png_bytep data, png_size_t length) {
  auto* state = static_cast<PngReadState*>(png_get_io_ptr(png));
  if (state->size - state->position < static_cast<std::int64_t>(length) ||
      !ReadStreamExact(state->reader, data, static_cast<std::int64_t>(length)))
    png_error(png, "Read Error");
  state->position += static_cast<std::int64_t>(length);
}

// Everything the loader makes, kept outside the frame that calls setjmp so a long jump finds it.
struct PngLoad {
  png_structp png;
  png_infop info;
  PngReadState input;
  png_bytepp rows;
  std::uint8_t* pixels;
  GraphImage image;
};

void SetPngFormat(PngLoad* load, int colorType, bool expanded, int channels) {
  PixelFormat* format = &load->image.format;
  if (colorType == PNG_COLOR_TYPE_PALETTE && !expanded) {
    InitPixelFormatPal8(format);
    png_colorp palette = nullptr;
    int count = 0;
    if (png_get_PLTE(load->png, load->info, &palette, &count) != 0)
      for (int i = 0; i < count && i < 256; ++i) {
        format->Palette[i][0] = palette[i].blue;
        format->Palette[i][1] = palette[i].green;
        format->Palette[i][2] = palette[i].red;
      }
  } else if (colorType == PNG_COLOR_TYPE_GRAY || colorType == PNG_COLOR_TYPE_GRAY_ALPHA) {
    // Grey with alpha keeps two bytes a pixel, of which only the grey (low) byte is read.
    if (channels == 1) InitPixelFormatGreyPal8(format);
    else SetupPixelFormatFromMasks(format, 16, 0xFF, 0xFF, 0xFF, 0);
  } else if (channels == 4) {
    InitPixelFormatArgb32(format);
  } else {
    InitPixelFormatRgb24(format);
  }
}

int RunPngLoad(PngLoad* load) {
  if (setjmp(png_jmpbuf(load->png))) return -1;
  png_set_read_fn(load->png, &load->input, PngStreamRead);
  png_set_sig_bytes(load->png, 0);
  png_set_user_limits(load->png, kMaxPictureSide, kMaxPictureSide);
  png_read_info(load->png, load->info);
  png_uint_32 width = 0, height = 0;
  int bitDepth = 0, colorType = 0;
  png_get_IHDR(load->png, load->info, &width, &height, &bitDepth, &colorType, nullptr, nullptr, nullptr);
  png_set_strip_16(load->png);
  png_set_packing(load->png);
  png_set_packswap(load->png);
  bool expanded = (colorType == PNG_COLOR_TYPE_GRAY && bitDepth <= 8) ||
                  png_get_valid(load->png, load->info, PNG_INFO_tRNS) != 0;
  if (expanded) png_set_expand(load->png);
  png_set_bgr(load->png);
  png_set_interlace_handling(load->png);
  png_read_update_info(load->png, load->info);
  auto rowBytes = static_cast<std::int64_t>(png_get_rowbytes(load->png, load->info));
  if (!PictureFits(width, height, rowBytes)) png_error(load->png, "Image too large");

  load->rows = static_cast<png_bytepp>(ZELVO_ALLOC(sizeof(png_bytep) * height));
  load->pixels = static_cast<std::uint8_t*>(ZELVO_ALLOC(static_cast<std::size_t>(rowBytes * height)));
  if (load->rows == nullptr || load->pixels == nullptr) png_error(load->png, "Out of memory");
  for (png_uint_32 y = 0; y < height; ++y) load->rows[y] = load->pixels + rowBytes * y;
  png_read_image(load->png, load->rows);
  png_read_end(load->png, nullptr);

  load->image.width = static_cast<std::int32_t>(width);
  load->image.height = static_cast<std::int32_t>(height);
  load->image.pitch = static_cast<std::int32_t>(rowBytes);
  SetPngFormat(load, colorType, expanded, png_get_channels(load->png, load->info));
  return 0;
}

struct PngSave {
  png_structp png;
  png_infop info;
  EncodedBuffer encoded;
  const GraphImage* image;
  png_bytepp rows;
  int level;
};

void PngEncodedWrite(png_structp png, png_bytep data, png_size_t length) {
  if (!AppendEncoded(static_cast<EncodedBuffer*>(png_get_io_ptr(png)), data, length)) png_error(png, "Write Error");
}

void PngEncodedFlush(png_structp) {}

int RunPngSave(PngSave* save) {
  if (setjmp(png_jmpbuf(save->png))) return -1;
  png_set_write_fn(save->png, &save->encoded, PngEncodedWrite, PngEncodedFlush);
  png_set_filter(save->png, 0, PNG_ALL_FILTERS);
  png_set_compression_level(save->png, save->level);
  const GraphImage* image = save->image;
  png_set_IHDR(save->png, save->info, static_cast<png_uint_32>(image->width), static_cast<png_uint_32>(image->height),
               8, PNG_COLOR_TYPE_RGB, PNG_INTERLACE_NONE, PNG_COMPRESSION_TYPE_DEFAULT, PNG_FILTER_TYPE_DEFAULT);
  png_write_info(save->png, save->info);
  save->rows = static_cast<png_bytepp>(ZELVO_ALLOC_ZEROED(sizeof(png_bytep) * image->height));
  if (save->rows == nullptr) return -1;
  for (int y = 0; y < image->height; ++y) {
    save->rows[y] = static_cast<png_bytep>(ZELVO_ALLOC(static_cast<std::size_t>(image->width) * 3));
    if (save->rows[y] == nullptr) return -1;
    for (int x = 0; x < image->width; ++x) {
      int r = 0, g = 0, b = 0, a = 0;
      GetGraphImagePixel(image, x, y, &r, &g, &b, &a);
      save->rows[y][3 * x] = static_cast<png_byte>(r);
      save->rows[y][3 * x + 1] = static_cast<png_byte>(g);
      save->rows[y][3 * x + 2] = static_cast<png_byte>(b);
    }
  }
  png_write_image(save->png, save->rows);
  png_write_end(save->png, nullptr);
  return 0;
}

}  // namespace

int LoadPngFromStream(StreamReaderBlock* reader, GraphImage* out) {
  // Not a PNG: refuse quietly, so the loaders tried after this one leave no libpng message behind.
  std::int64_t size = StreamBytesLeft(reader);
  png_byte signature[8];
  if (size < 8 || !ReadStreamExact(reader, signature, 8) || png_sig_cmp(signature, 0, 8) != 0 ||
      !SeekStream(reader, 0))
    return -1;
  PngLoad load{};
  load.input = PngReadState{reader, size, 0};
  load.png = png_create_read_struct(PNG_LIBPNG_VER_STRING, nullptr, PngError, PngWarning);
  if (load.png == nullptr) return -1;
  load.info = png_create_info_struct(load.png);
  int result = load.info != nullptr ? RunPngLoad(&load) : -1;
  png_destroy_read_struct(&load.png, &load.info, nullptr);
  if (load.rows != nullptr) TrackedFree(load.rows);
  if (result != 0) {
    if (load.pixels != nullptr) TrackedFree(load.pixels);
    return -1;
  }
  load.image.pixels = load.pixels;
  *out = load.image;
  return 0;
}

int SavePngFile(const char* path, const GraphImage* image, int compressionLevel) {
  if (image->width < 1 || image->height < 1) return -1;
  PngSave save{};
  save.image = image;
  save.level = compressionLevel;
  save.png = png_create_write_struct(PNG_LIBPNG_VER_STRING, nullptr, PngError, PngWarning);
  if (save.png != nullptr) save.info = png_create_info_struct(save.png);
  int result = save.info != nullptr ? RunPngSave(&save) : -1;
  png_destroy_write_struct(&save.png, &save.info);
  if (save.rows != nullptr) {
    for (int y = 0; y < image->height; ++y)
      if (save.rows[y] != nullptr) TrackedFree(save.rows[y]);
    TrackedFree(save.rows);
  }
  if (result == 0) result = StoreEncodedFile(path, &save.encoded);
  FreeEncoded(&save.encoded);
  return result;
}

}  // namespace zelvo
