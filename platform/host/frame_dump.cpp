// Presented frames as PNG files, through libpng.
#include "platform/host/frame_dump.h"

#include <png.h>

#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

namespace pf::host {

bool WritePngFile(const char* hostPath, const std::uint32_t* pixels, int width, int height) {
  FILE* file = std::fopen(hostPath, "wb");
  if (file == nullptr) return false;
  png_structp png = png_create_write_struct(PNG_LIBPNG_VER_STRING, nullptr, nullptr, nullptr);
  png_infop info = png != nullptr ? png_create_info_struct(png) : nullptr;
  std::vector<png_byte> row(static_cast<std::size_t>(width) * 3);
  volatile bool ok = false;   // read again after a long jump out of libpng
  if (info != nullptr && setjmp(png_jmpbuf(png)) == 0) {
    png_init_io(png, file);
    png_set_IHDR(png, info, static_cast<png_uint_32>(width), static_cast<png_uint_32>(height), 8, PNG_COLOR_TYPE_RGB,
                 PNG_INTERLACE_NONE, PNG_COMPRESSION_TYPE_DEFAULT, PNG_FILTER_TYPE_DEFAULT);
    png_set_compression_level(png, 1);
    png_write_info(png, info);
    for (int y = 0; y < height; ++y) {
      const std::uint32_t* src = pixels + static_cast<std::size_t>(y) * width;
      for (int x = 0; x < width; ++x) {
        row[x * 3 + 0] = static_cast<png_byte>(src[x] >> 16);
        row[x * 3 + 1] = static_cast<png_byte>(src[x] >> 8);
        row[x * 3 + 2] = static_cast<png_byte>(src[x]);
      }
      png_write_row(png, row.data());
    }
    png_write_end(png, nullptr);
    ok = true;
  }
  png_destroy_write_struct(&png, info != nullptr ? &info : nullptr);
  return std::fclose(file) == 0 && ok;
}

void DumpFrameIfAsked(std::uint64_t number, const std::uint32_t* pixels, int width, int height) {
  static const char* folder = std::getenv("ZELVO_FRAME_DUMP");
  if (folder == nullptr || *folder == '\0') return;
  char name[64];
  std::snprintf(name, sizeof name, "/frame%06llu.png", static_cast<unsigned long long>(number));
  WritePngFile((std::string(folder) + name).c_str(), pixels, width, height);
}

}  // namespace pf::host
