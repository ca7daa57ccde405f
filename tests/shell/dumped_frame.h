#pragma once
// A frame the headless host dumped as PNG (ZELVO_FRAME_DUMP), read back for its pixels.
#include <png.h>

#include <cstdint>
#include <cstdlib>
#include <string>
#include <vector>

namespace horundel {

struct DumpedFrame {
  int width = 0;
  int height = 0;
  std::vector<std::uint8_t> rgb;

  bool Loaded() const { return width > 0; }
  std::uint32_t At(int x, int y) const {
    const std::size_t at = (static_cast<std::size_t>(y) * width + x) * 3;
    return static_cast<std::uint32_t>(rgb[at] << 16 | rgb[at + 1] << 8 | rgb[at + 2]);
  }
  // Pixels of the colour (within a few steps on each channel) in x0..x1 x y0..y1, inclusive.
  int Count(int x0, int y0, int x1, int y1, std::uint32_t colour, int slack = 0) const {
    int count = 0;
    for (int y = y0; y <= y1; ++y) {
      for (int x = x0; x <= x1; ++x) {
        const std::uint32_t p = At(x, y);
        bool near = true;
        for (int shift : {16, 8, 0}) near = near && std::abs(int(p >> shift & 255) - int(colour >> shift & 255)) <= slack;
        count += near ? 1 : 0;
      }
    }
    return count;
  }
};

// The dumped frame `number` in `folder`; not Loaded() when there is none.
inline DumpedFrame ReadDumpedFrame(const std::string& folder, int number) {
  char name[32];
  std::snprintf(name, sizeof name, "/frame%06d.png", number);
  DumpedFrame frame;
  png_image image{};
  image.version = PNG_IMAGE_VERSION;
  if (png_image_begin_read_from_file(&image, (folder + name).c_str()) == 0) return frame;
  image.format = PNG_FORMAT_RGB;
  frame.rgb.resize(PNG_IMAGE_SIZE(image));
  if (png_image_finish_read(&image, nullptr, frame.rgb.data(), 0, nullptr) == 0) return frame;
  frame.width = static_cast<int>(image.width);
  frame.height = static_cast<int>(image.height);
  return frame;
}

// The window frame pieces' line colour of the generated data set.
constexpr std::uint32_t kDumpedFrameBlue = 0x5AC8E6;

}  // namespace horundel
