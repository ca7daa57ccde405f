// JPEG reading from library streams and writing to files, through libjpeg's 6b interface. Errors
// leave through JpegErrorLongjmp, which logs libjpeg's message and jumps back to the caller.
#include <cstdio>   // jpeglib.h needs FILE and size_t declared first

#include <jpeglib.h>
#include <jerror.h>

#include <csetjmp>
#include <cstring>

#include "media/core/log.h"
#include "media/graphics/picture_io/encoded_buffer.h"
#include "media/graphics/graphs/picture_codecs.h"
#include "media/graphics/picture_io/picture_reader.h"
#include "media/pixels/pixel_format.h"

namespace zelvo {
namespace {

constexpr int kJpegBufferSize = 4096;
// Working memory libjpeg may use for one picture (progressive files keep every coefficient).
constexpr long kJpegMemoryLimit = 512L << 20;

struct JpegErrorManager {
  jpeg_error_mgr manager;
  std::jmp_buf jump;
};

void JpegOutputMessage(j_common_ptr info) {
  char text[JMSG_LENGTH_MAX];
  (*info->err->format_message)(info, text);
  WriteLogFormat("%s", text);
}

[[noreturn]] void JpegErrorLongjmp(j_common_ptr info) {
  (*info->err->output_message)(info);
  std::longjmp(reinterpret_cast<JpegErrorManager*>(info->err)->jump, 1);
}

void SetJpegErrorManager(JpegErrorManager* errors) {
  jpeg_std_error(&errors->manager);
  errors->manager.error_exit = JpegErrorLongjmp;
  errors->manager.output_message = JpegOutputMessage;
}

// ---------------------------------------------------------------- source manager over a stream

struct JpegStreamSource {
  jpeg_source_mgr manager;
  StreamReaderBlock reader;
  JOCTET* buffer;
  int startOfFile;
  std::int64_t left;   // stream bytes not yet taken
};

void JpegInitSource(j_decompress_ptr info) { reinterpret_cast<JpegStreamSource*>(info->src)->startOfFile = 1; }

boolean JpegFillInput(j_decompress_ptr info) {
  auto* source = reinterpret_cast<JpegStreamSource*>(info->src);
  std::int64_t want = source->left < kJpegBufferSize ? source->left : kJpegBufferSize;
  std::int64_t got = want;
  if (want > 0 && source->reader.ops.read(source->buffer, 1, static_cast<int>(want), source->reader.data) != want)
    got = 0;
  if (got == 0) {
    if (source->startOfFile) ERREXIT(info, JERR_INPUT_EMPTY);
    WARNMS(info, JWRN_JPEG_EOF);
    // A fake end marker lets a cut-off picture decode with what it has.
    source->buffer[0] = 0xFF;
    source->buffer[1] = JPEG_EOI;
    got = 2;
    source->left = 0;
  } else {
    source->left -= got;
  }
  source->manager.next_input_byte = source->buffer;
  source->manager.bytes_in_buffer = static_cast<std::size_t>(got);
  source->startOfFile = 0;
  return TRUE;
}

void JpegSkipInput(j_decompress_ptr info, long count) {
  jpeg_source_mgr* manager = info->src;
  if (count <= 0) return;
  while (count > static_cast<long>(manager->bytes_in_buffer)) {
    count -= static_cast<long>(manager->bytes_in_buffer);
    JpegFillInput(info);
  }
  manager->next_input_byte += count;
  manager->bytes_in_buffer -= static_cast<std::size_t>(count);
}

void JpegTermSource(j_decompress_ptr) {}

void SetJpegStreamSource(j_decompress_ptr info, StreamReaderBlock* reader, std::int64_t size) {
  if (info->src == nullptr) {
    auto* source = static_cast<JpegStreamSource*>(
        (*info->mem->alloc_small)(reinterpret_cast<j_common_ptr>(info), JPOOL_PERMANENT, sizeof(JpegStreamSource)));
    source->buffer = static_cast<JOCTET*>(
        (*info->mem->alloc_small)(reinterpret_cast<j_common_ptr>(info), JPOOL_PERMANENT, kJpegBufferSize));
    info->src = &source->manager;
  }
  auto* source = reinterpret_cast<JpegStreamSource*>(info->src);
  source->manager.init_source = JpegInitSource;
  source->manager.fill_input_buffer = JpegFillInput;
  source->manager.skip_input_data = JpegSkipInput;
  source->manager.resync_to_restart = jpeg_resync_to_restart;
  source->manager.term_source = JpegTermSource;
  source->manager.bytes_in_buffer = 0;
  source->manager.next_input_byte = nullptr;
  source->reader = *reader;
  source->left = size;
}

// Everything the loader makes, kept outside the frame that calls setjmp so a long jump finds it.
struct JpegLoad {
  jpeg_decompress_struct info;
  JpegErrorManager errors;
  StreamReaderBlock* reader;
  std::int64_t size;
  std::uint8_t* pixels;
  GraphImage image;
};

int RunJpegLoad(JpegLoad* load) {
  if (setjmp(load->errors.jump)) return -1;
  jpeg_decompress_struct* info = &load->info;
  jpeg_CreateDecompress(info, JPEG_LIB_VERSION, sizeof(jpeg_decompress_struct));
  info->mem->max_memory_to_use = kJpegMemoryLimit;
  SetJpegStreamSource(info, load->reader, load->size);
  jpeg_read_header(info, TRUE);
  // Four-component (CMYK) pictures have no format here.
  if (info->out_color_space != JCS_GRAYSCALE && info->out_color_space != JCS_RGB) return -1;
  int components = info->out_color_space == JCS_GRAYSCALE ? 1 : 3;
  if (!PictureFits(info->image_width, info->image_height, std::int64_t{info->image_width} * components)) return -1;
  jpeg_start_decompress(info);
  std::int64_t rowLength = std::int64_t{info->output_width} * info->output_components;
  if (!PictureFits(info->output_width, info->output_height, rowLength)) return -1;
  load->pixels = static_cast<std::uint8_t*>(ZELVO_ALLOC(static_cast<std::size_t>(rowLength * info->output_height)));
  if (load->pixels == nullptr) return -1;
  while (info->output_scanline < info->output_height) {
    JSAMPROW row = load->pixels + rowLength * info->output_scanline;
    if (jpeg_read_scanlines(info, &row, 1) != 1) return -1;
    if (info->output_components == 3)
      for (std::int64_t i = 0; i < rowLength; i += 3) {
        JSAMPLE red = row[i];
        row[i] = row[i + 2];
        row[i + 2] = red;
      }
  }
  jpeg_finish_decompress(info);
  load->image.width = static_cast<std::int32_t>(info->output_width);
  load->image.height = static_cast<std::int32_t>(info->output_height);
  load->image.pitch = static_cast<std::int32_t>(rowLength);
  if (info->output_components == 1) InitPixelFormatGreyPal8(&load->image.format);
  else InitPixelFormatRgb24(&load->image.format);
  return 0;
}

// ---------------------------------------------------------------- destination manager over encoded bytes

struct JpegEncodedDestination {
  jpeg_destination_mgr manager;
  EncodedBuffer* encoded;
  JOCTET* buffer;
};

void JpegInitDestination(j_compress_ptr info) {
  auto* destination = reinterpret_cast<JpegEncodedDestination*>(info->dest);
  destination->manager.next_output_byte = destination->buffer;
  destination->manager.free_in_buffer = kJpegBufferSize;
}

boolean JpegEmptyOutput(j_compress_ptr info) {
  auto* destination = reinterpret_cast<JpegEncodedDestination*>(info->dest);
  if (!AppendEncoded(destination->encoded, destination->buffer, kJpegBufferSize)) ERREXIT(info, JERR_FILE_WRITE);
  JpegInitDestination(info);
  return TRUE;
}

void JpegTermDestination(j_compress_ptr info) {
  auto* destination = reinterpret_cast<JpegEncodedDestination*>(info->dest);
  std::size_t used = kJpegBufferSize - destination->manager.free_in_buffer;
  if (used > 0 && !AppendEncoded(destination->encoded, destination->buffer, used)) ERREXIT(info, JERR_FILE_WRITE);
}

void SetJpegEncodedDestination(j_compress_ptr info, EncodedBuffer* encoded) {
  auto* destination = static_cast<JpegEncodedDestination*>(
      (*info->mem->alloc_small)(reinterpret_cast<j_common_ptr>(info), JPOOL_PERMANENT, sizeof(JpegEncodedDestination)));
  destination->buffer = static_cast<JOCTET*>(
      (*info->mem->alloc_small)(reinterpret_cast<j_common_ptr>(info), JPOOL_PERMANENT, kJpegBufferSize));
  destination->encoded = encoded;
  destination->manager.init_destination = JpegInitDestination;
  destination->manager.empty_output_buffer = JpegEmptyOutput;
  destination->manager.term_destination = JpegTermDestination;
  info->dest = &destination->manager;
}

struct JpegSave {
  jpeg_compress_struct info;
  JpegErrorManager errors;
  EncodedBuffer encoded;
  const GraphImage* image;
  JSAMPARRAY rows;
  int quality;
};

int RunJpegSave(JpegSave* save) {
  if (setjmp(save->errors.jump)) return -1;
  jpeg_compress_struct* info = &save->info;
  jpeg_CreateCompress(info, JPEG_LIB_VERSION, sizeof(jpeg_compress_struct));
  SetJpegEncodedDestination(info, &save->encoded);
  const GraphImage* image = save->image;
  info->image_width = static_cast<JDIMENSION>(image->width);
  info->image_height = static_cast<JDIMENSION>(image->height);
  info->input_components = 3;
  info->in_color_space = JCS_RGB;
  jpeg_set_defaults(info);
  jpeg_set_quality(info, save->quality, TRUE);
  jpeg_start_compress(info, TRUE);
  save->rows = static_cast<JSAMPARRAY>(ZELVO_ALLOC_ZEROED(sizeof(JSAMPROW) * image->height));
  if (save->rows == nullptr) return -1;
  for (int y = 0; y < image->height; ++y) {
    save->rows[y] = static_cast<JSAMPROW>(ZELVO_ALLOC(static_cast<std::size_t>(image->width) * 3));
    if (save->rows[y] == nullptr) return -1;
    for (int x = 0; x < image->width; ++x) {
      int r = 0, g = 0, b = 0, a = 0;
      GetGraphImagePixel(image, x, y, &r, &g, &b, &a);
      save->rows[y][3 * x] = static_cast<JSAMPLE>(r);
      save->rows[y][3 * x + 1] = static_cast<JSAMPLE>(g);
      save->rows[y][3 * x + 2] = static_cast<JSAMPLE>(b);
    }
  }
  while (info->next_scanline < info->image_height)
    jpeg_write_scanlines(info, save->rows + info->next_scanline, info->image_height - info->next_scanline);
  jpeg_finish_compress(info);
  return 0;
}

}  // namespace

int LoadJpegFromStream(StreamReaderBlock* reader, GraphImage* out) {
  // Not a JPEG: refuse quietly, so the loaders tried after this one leave no libjpeg message behind.
  std::int64_t size = StreamBytesLeft(reader);
  std::uint8_t marker[2];
  if (size < 2 || !ReadStreamExact(reader, marker, 2) || marker[0] != 0xFF || marker[1] != 0xD8 ||
      !SeekStream(reader, 0))
    return -1;
  auto* load = static_cast<JpegLoad*>(ZELVO_ALLOC_ZEROED(sizeof(JpegLoad)));
  if (load == nullptr) return -1;
  load->reader = reader;
  load->size = size;
  SetJpegErrorManager(&load->errors);
  load->info.err = &load->errors.manager;
  int result = RunJpegLoad(load);
  jpeg_destroy_decompress(&load->info);
  if (result == 0) {
    load->image.pixels = load->pixels;
    *out = load->image;
  } else if (load->pixels != nullptr) {
    TrackedFree(load->pixels);
  }
  TrackedFree(load);
  return result;
}

int SaveJpegFile(const char* path, const GraphImage* image, int quality) {
  if (image->width < 1 || image->height < 1) return -1;
  auto* save = static_cast<JpegSave*>(ZELVO_ALLOC_ZEROED(sizeof(JpegSave)));
  if (save == nullptr) return -1;
  save->image = image;
  save->quality = quality;
  SetJpegErrorManager(&save->errors);
  save->info.err = &save->errors.manager;
  int result = RunJpegSave(save);
  jpeg_destroy_compress(&save->info);
  if (save->rows != nullptr) {
    for (int y = 0; y < image->height; ++y)
      if (save->rows[y] != nullptr) TrackedFree(save->rows[y]);
    TrackedFree(save->rows);
  }
  if (result == 0) result = StoreEncodedFile(path, &save->encoded);
  FreeEncoded(&save->encoded);
  TrackedFree(save);
  return result;
}

}  // namespace zelvo
