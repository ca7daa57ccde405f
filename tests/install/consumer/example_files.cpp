// Writes the README example's picture.bmp (32 x 32, 24 bits) and sound.wav (a quarter second of
// 16-bit mono tone) into the folder named by the argument.
#include <cstdint>
#include <cstdio>
#include <string>
#include <vector>

namespace {

void Put16(std::vector<unsigned char>& out, unsigned value) {
  out.push_back(static_cast<unsigned char>(value & 0xFF));
  out.push_back(static_cast<unsigned char>((value >> 8) & 0xFF));
}

void Put32(std::vector<unsigned char>& out, std::uint32_t value) {
  Put16(out, value & 0xFFFF);
  Put16(out, value >> 16);
}

void PutText(std::vector<unsigned char>& out, const char* text) {
  for (; *text != '\0'; ++text) out.push_back(static_cast<unsigned char>(*text));
}

std::vector<unsigned char> Picture() {
  constexpr int kSide = 32;
  constexpr std::uint32_t kRowBytes = kSide * 3;  // already a multiple of 4
  constexpr std::uint32_t kPixelBytes = kRowBytes * kSide;
  std::vector<unsigned char> out;
  PutText(out, "BM");
  Put32(out, 54 + kPixelBytes);
  Put32(out, 0);
  Put32(out, 54);
  Put32(out, 40);
  Put32(out, kSide);
  Put32(out, kSide);
  Put16(out, 1);
  Put16(out, 24);
  Put32(out, 0);
  Put32(out, kPixelBytes);
  Put32(out, 2835);
  Put32(out, 2835);
  Put32(out, 0);
  Put32(out, 0);
  // A yellow square on black, so that the transparent draw has something to leave out.
  for (int y = 0; y < kSide; ++y) {
    for (int x = 0; x < kSide; ++x) {
      const bool inside = x >= 8 && x < 24 && y >= 8 && y < 24;
      out.push_back(0);
      out.push_back(inside ? 220 : 0);
      out.push_back(inside ? 240 : 0);
    }
  }
  return out;
}

std::vector<unsigned char> Sound() {
  constexpr std::uint32_t kRate = 22050;
  constexpr std::uint32_t kSamples = kRate / 4;
  std::vector<unsigned char> out;
  PutText(out, "RIFF");
  Put32(out, 36 + kSamples * 2);
  PutText(out, "WAVEfmt ");
  Put32(out, 16);
  Put16(out, 1);
  Put16(out, 1);
  Put32(out, kRate);
  Put32(out, kRate * 2);
  Put16(out, 2);
  Put16(out, 16);
  PutText(out, "data");
  Put32(out, kSamples * 2);
  for (std::uint32_t i = 0; i < kSamples; ++i) Put16(out, (i / 25) % 2 == 0 ? 0x1000 : 0xF000);
  return out;
}

bool WriteFile(const std::string& path, const std::vector<unsigned char>& bytes) {
  FILE* file = std::fopen(path.c_str(), "wb");
  if (file == nullptr) return false;
  const bool written = std::fwrite(bytes.data(), 1, bytes.size(), file) == bytes.size();
  return std::fclose(file) == 0 && written;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc < 2) return 2;
  const std::string folder = argv[1];
  if (!WriteFile(folder + "/picture.bmp", Picture()) || !WriteFile(folder + "/sound.wav", Sound())) {
    std::fprintf(stderr, "example_files: cannot write into %s\n", folder.c_str());
    return 1;
  }
  return 0;
}
