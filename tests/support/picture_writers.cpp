#include "support/picture_writers.h"

#include <cstdio>
#include <cstring>
#include <fstream>
#include <iterator>

#include <jpeglib.h>
#include <png.h>

#include "media/core/file_ops.h"

namespace zelvo_test {

void PutLe16(Bytes& out, std::uint32_t value) {
  out.push_back(static_cast<std::uint8_t>(value));
  out.push_back(static_cast<std::uint8_t>(value >> 8));
}

void PutLe32(Bytes& out, std::uint32_t value) {
  PutLe16(out, value & 0xFFFF);
  PutLe16(out, value >> 16);
}

Bytes PadRows(const std::vector<Bytes>& rows) {
  Bytes out;
  for (const Bytes& row : rows) {
    out.insert(out.end(), row.begin(), row.end());
    out.resize(out.size() + ((4 - row.size() % 4) % 4), 0);
  }
  return out;
}

Bytes WriteOneColourBmp(int width, int height, std::uint8_t blue, std::uint8_t green, std::uint8_t red) {
  std::vector<Bytes> rows(static_cast<std::size_t>(height), Bytes{});
  for (auto& row : rows) {
    for (int x = 0; x < width; ++x) row.insert(row.end(), {blue, green, red});
  }
  BmpLayout layout;
  layout.width = width;
  layout.height = height;
  layout.pixels = PadRows(rows);
  return WriteBmp(layout);
}

Bytes WriteBmp(const BmpLayout& layout) {
  Bytes tables;
  if (layout.compression == 3)
    for (std::uint32_t mask : layout.masks) PutLe32(tables, mask);
  for (std::uint32_t entry : layout.palette) PutLe32(tables, entry & 0xFFFFFF);
  std::uint32_t pixelOffset = 14 + static_cast<std::uint32_t>(layout.infoSize + tables.size());
  Bytes out{'B', 'M'};
  PutLe32(out, pixelOffset + static_cast<std::uint32_t>(layout.pixels.size()));
  PutLe32(out, 0);
  PutLe32(out, pixelOffset);
  PutLe32(out, static_cast<std::uint32_t>(layout.infoSize));
  PutLe32(out, static_cast<std::uint32_t>(layout.width));
  PutLe32(out, static_cast<std::uint32_t>(layout.height));
  PutLe16(out, 1);
  PutLe16(out, static_cast<std::uint32_t>(layout.bits));
  PutLe32(out, layout.compression);
  PutLe32(out, static_cast<std::uint32_t>(layout.pixels.size()));
  PutLe32(out, 2835);
  PutLe32(out, 2835);
  PutLe32(out, static_cast<std::uint32_t>(layout.palette.size()));
  PutLe32(out, 0);
  out.resize(14 + layout.infoSize, 0);
  out.insert(out.end(), tables.begin(), tables.end());
  out.insert(out.end(), layout.pixels.begin(), layout.pixels.end());
  return out;
}

Bytes WriteTga(const TgaLayout& layout) {
  Bytes out;
  out.push_back(static_cast<std::uint8_t>(layout.id.size()));
  out.push_back(static_cast<std::uint8_t>(layout.colorMapType));
  out.push_back(static_cast<std::uint8_t>(layout.imageType));
  PutLe16(out, layout.mapFirst);
  PutLe16(out, layout.mapLength);
  out.push_back(static_cast<std::uint8_t>(layout.mapEntryBits));
  PutLe16(out, layout.xOrigin);
  PutLe16(out, layout.yOrigin);
  PutLe16(out, layout.width);
  PutLe16(out, layout.height);
  out.push_back(static_cast<std::uint8_t>(layout.pixelBits));
  out.push_back(static_cast<std::uint8_t>(layout.descriptor));
  out.insert(out.end(), layout.id.begin(), layout.id.end());
  out.insert(out.end(), layout.colorMap.begin(), layout.colorMap.end());
  out.insert(out.end(), layout.pixels.begin(), layout.pixels.end());
  if (layout.footer) {
    PutLe32(out, layout.extensionOffset);
    PutLe32(out, 0);
    const char* signature = "TRUEVISION-XFILE.";
    out.insert(out.end(), signature, signature + 18);   // with its terminating 0
  }
  return out;
}

Bytes EncodeTgaRle(const Bytes& values, int valueBytes) {
  Bytes out;
  std::size_t count = values.size() / valueBytes;
  auto same = [&](std::size_t a, std::size_t b) {
    return std::memcmp(&values[a * valueBytes], &values[b * valueBytes], valueBytes) == 0;
  };
  for (std::size_t i = 0; i < count;) {
    std::size_t run = 1;
    while (i + run < count && run < 128 && same(i, i + run)) ++run;
    if (run > 1) {
      out.push_back(static_cast<std::uint8_t>(0x80 | (run - 1)));
      out.insert(out.end(), &values[i * valueBytes], &values[i * valueBytes] + valueBytes);
      i += run;
      continue;
    }
    std::size_t raw = 1;
    while (i + raw < count && raw < 128 && !(i + raw + 1 < count && same(i + raw, i + raw + 1))) ++raw;
    out.push_back(static_cast<std::uint8_t>(raw - 1));
    out.insert(out.end(), &values[i * valueBytes], &values[(i + raw) * valueBytes]);
    i += raw;
  }
  return out;
}

Bytes WriteDds(const DdsLayout& layout) {
  Bytes out{'D', 'D', 'S', ' '};
  PutLe32(out, 124);
  PutLe32(out, layout.headerFlags);
  PutLe32(out, static_cast<std::uint32_t>(layout.height));
  PutLe32(out, static_cast<std::uint32_t>(layout.width));
  PutLe32(out, layout.pitch);
  PutLe32(out, 0);   // depth
  PutLe32(out, 1);   // mipmap count
  out.resize(76, 0);
  PutLe32(out, 32);
  PutLe32(out, layout.formatFlags);
  PutLe32(out, layout.fourCC);
  PutLe32(out, layout.bitCount);
  for (std::uint32_t mask : layout.masks) PutLe32(out, mask);
  PutLe32(out, 0x1000);   // caps: texture
  out.resize(128, 0);
  out.insert(out.end(), layout.pixels.begin(), layout.pixels.end());
  return out;
}

Bytes WriteRawBgra(std::uint32_t channelBits, std::uint32_t width, std::uint32_t height, const Bytes& pixels) {
  Bytes out{'B', 'G', 'R', 'A'};
  PutLe32(out, channelBits);
  PutLe32(out, width);
  PutLe32(out, height);
  out.insert(out.end(), pixels.begin(), pixels.end());
  return out;
}

namespace {

void PngToVector(png_structp png, png_bytep data, png_size_t length) {
  auto* out = static_cast<Bytes*>(png_get_io_ptr(png));
  out->insert(out->end(), data, data + length);
}

}  // namespace

Bytes WritePng(const PngLayout& layout) {
  Bytes out;
  png_structp png = png_create_write_struct(PNG_LIBPNG_VER_STRING, nullptr, nullptr, nullptr);
  png_infop info = png_create_info_struct(png);
  if (setjmp(png_jmpbuf(png))) {
    png_destroy_write_struct(&png, &info);
    return Bytes{};
  }
  png_set_write_fn(png, &out, PngToVector, nullptr);
  png_set_IHDR(png, info, layout.width, layout.height, layout.bitDepth, layout.colorType,
               layout.interlaced ? PNG_INTERLACE_ADAM7 : PNG_INTERLACE_NONE, PNG_COMPRESSION_TYPE_DEFAULT,
               PNG_FILTER_TYPE_DEFAULT);
  std::vector<png_color> palette;
  for (std::uint32_t c : layout.palette)
    palette.push_back(png_color{static_cast<png_byte>(c >> 16), static_cast<png_byte>(c >> 8), static_cast<png_byte>(c)});
  if (!palette.empty()) png_set_PLTE(png, info, palette.data(), static_cast<int>(palette.size()));
  png_color_16 key{};
  if (!layout.transparency.empty()) {
    if (layout.colorType == PNG_COLOR_TYPE_PALETTE) {
      png_set_tRNS(png, info, layout.transparency.data(), static_cast<int>(layout.transparency.size()), nullptr);
    } else {
      key.gray = static_cast<png_uint_16>((layout.transparency[0] << 8) | layout.transparency[1]);
      if (layout.transparency.size() >= 6) {
        key.red = key.gray;
        key.green = static_cast<png_uint_16>((layout.transparency[2] << 8) | layout.transparency[3]);
        key.blue = static_cast<png_uint_16>((layout.transparency[4] << 8) | layout.transparency[5]);
      }
      png_set_tRNS(png, info, nullptr, 0, &key);
    }
  }
  png_write_info(png, info);
  std::vector<png_bytep> rows;
  std::vector<Bytes> copies = layout.rows;
  for (Bytes& row : copies) rows.push_back(row.data());
  png_write_image(png, rows.data());
  png_write_end(png, nullptr);
  png_destroy_write_struct(&png, &info);
  return out;
}

Bytes WriteJpeg(int width, int height, int components, const Bytes& pixels, int quality) {
  jpeg_compress_struct info{};
  jpeg_error_mgr errors{};
  info.err = jpeg_std_error(&errors);
  jpeg_create_compress(&info);
  unsigned char* buffer = nullptr;
  unsigned long size = 0;
  jpeg_mem_dest(&info, &buffer, &size);
  info.image_width = width;
  info.image_height = height;
  info.input_components = components;
  info.in_color_space = components == 1 ? JCS_GRAYSCALE : components == 3 ? JCS_RGB : JCS_CMYK;
  jpeg_set_defaults(&info);
  jpeg_set_quality(&info, quality, TRUE);
  jpeg_start_compress(&info, TRUE);
  while (info.next_scanline < info.image_height) {
    JSAMPROW row = const_cast<JSAMPROW>(&pixels[static_cast<std::size_t>(info.next_scanline) * width * components]);
    jpeg_write_scanlines(&info, &row, 1);
  }
  jpeg_finish_compress(&info);
  Bytes out(buffer, buffer + size);
  jpeg_destroy_compress(&info);
  std::free(buffer);
  return out;
}

Bytes ReadFileBytes(const std::string& hostPath) {
  std::ifstream file(hostPath, std::ios::binary);
  return Bytes{std::istreambuf_iterator<char>(file), std::istreambuf_iterator<char>()};
}

int DecodeBytes(zelvo::PictureLoader loader, const Bytes& bytes, zelvo::GraphImage* out) {
  zelvo::FillStreamOpsTables();
  zelvo::MemoryStream* stream = zelvo::CreateMemoryStream(bytes.data(), static_cast<std::int32_t>(bytes.size()));
  zelvo::StreamReaderBlock reader{*zelvo::MemoryStreamOpsTable(), stream};
  int result = loader(&reader, out);
  zelvo::CloseMemoryStream(stream);
  return result;
}

Bytes PictureRow(const zelvo::GraphImage& image, int y, int bytes) {
  const auto* row = static_cast<const std::uint8_t*>(image.pixels) + static_cast<std::size_t>(y) * image.pitch;
  return Bytes(row, row + bytes);
}

}  // namespace zelvo_test
