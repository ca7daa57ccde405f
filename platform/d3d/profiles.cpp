// The enumeration profiles: what the driver reports. A is a working hardware-like device; B to I
// each change one thing the library must cope with.
#include <cstdlib>

#include "platform/d3d/d3d_internal.h"
#include "platform/ddraw/display.h"

namespace pf::d3d {
namespace {

constexpr DDPixelFormat Rgb(std::uint32_t bits, std::uint32_t r, std::uint32_t g, std::uint32_t b, std::uint32_t a) {
  return DDPixelFormat{sizeof(DDPixelFormat), a != 0 ? DDPF_RGB | DDPF_ALPHAPIXELS : static_cast<std::uint32_t>(DDPF_RGB),
                       0, bits, r, g, b, a};
}

constexpr DDPixelFormat kR5G6B5 = Rgb(16, 0xF800, 0x07E0, 0x001F, 0);
constexpr DDPixelFormat kX1R5G5B5 = Rgb(16, 0x7C00, 0x03E0, 0x001F, 0);
constexpr DDPixelFormat kA1R5G5B5 = Rgb(16, 0x7C00, 0x03E0, 0x001F, 0x8000);
constexpr DDPixelFormat kA4R4G4B4 = Rgb(16, 0x0F00, 0x00F0, 0x000F, 0xF000);
constexpr DDPixelFormat kX8R8G8B8 = Rgb(32, 0xFF0000, 0xFF00, 0xFF, 0);
constexpr DDPixelFormat kA8R8G8B8 = Rgb(32, 0xFF0000, 0xFF00, 0xFF, 0xFF000000u);
constexpr DDPixelFormat kL8{sizeof(DDPixelFormat), DDPF_LUMINANCE, 0, 8, 0xFF, 0, 0, 0};
constexpr DDPixelFormat kDxt1{sizeof(DDPixelFormat), DDPF_FOURCC, 0x31545844, 0, 0, 0, 0, 0};
constexpr DDPixelFormat kA8{sizeof(DDPixelFormat), DDPF_ALPHA, 0, 8, 0, 0, 0, 0xFF};
constexpr DDPixelFormat kV8U8{sizeof(DDPixelFormat), DDPF_BUMPDUDV, 0, 16, 0xFF, 0xFF00, 0, 0};
// Z formats: bit depth, then stencil depth and Z mask in the mask fields.
constexpr DDPixelFormat kD24S8{sizeof(DDPixelFormat), DDPF_ZBUFFER | 0x4000, 0, 32, 8, 0xFFFFFF00u, 0xFF, 0};
constexpr DDPixelFormat kD16{sizeof(DDPixelFormat), DDPF_ZBUFFER, 0, 16, 0, 0xFFFF, 0, 0};

Profile ProfileA() {
  Profile p;
  p.devices = {&IID_IDirect3DRGBDevice, &IID_IDirect3DHALDevice, &IID_IDirect3DTnLHalDevice};
  p.minTextureSize = 1;
  p.maxTextureSize = 2048;
  p.squareOnly = false;
  p.zFormats = {kD24S8, kD16};
  p.textureFormats = {kR5G6B5, kX1R5G5B5, kA1R5G5B5, kA4R4G4B4, kX8R8G8B8, kA8R8G8B8, kL8, kDxt1, kA8, kV8U8};
  p.queryFails = false;
  p.desktop555 = false;
  return p;
}

struct Choice {
  bool chosen = false;
  char letter = 'A';
  Profile profile = ProfileA();
};

Choice& TheChoice() {
  static Choice* choice = new Choice;
  return *choice;
}

}  // namespace

bool ProfileByLetter(char letter, Profile* out) {
  Profile p = ProfileA();
  switch (letter) {
    case 'A': break;
    case 'B': p.devices = {&IID_IDirect3DRGBDevice}; break;
    case 'C': p.textureFormats = {kR5G6B5, kX1R5G5B5, kA1R5G5B5, kX8R8G8B8, kA8R8G8B8, kL8}; break;
    case 'D':
      p.squareOnly = true;
      p.maxTextureSize = 256;
      break;
    case 'E': p.devices = {&IID_IDirect3DRGBDevice, &IID_IDirect3DTnLHalDevice, &IID_IDirect3DHALDevice}; break;
    case 'F': p.zFormats = {kD24S8}; break;
    case 'G':
      p.minTextureSize = 0;
      p.maxTextureSize = 0;
      break;
    case 'H': p.desktop555 = true; break;
    case 'I': p.queryFails = true; break;
    default: return false;
  }
  *out = p;
  return true;
}

const Profile& CurrentProfile() {
  Choice& c = TheChoice();
  if (!c.chosen) {
    const char* env = std::getenv("ZELVO_D3D_PROFILE");
    char letter = env != nullptr && env[0] != '\0' ? static_cast<char>(env[0] & ~0x20) : 'A';
    if (!ProfileByLetter(letter, &c.profile)) {
      letter = 'A';
      ProfileByLetter(letter, &c.profile);
    }
    c.letter = letter;
    c.chosen = true;
    if (c.profile.desktop555) display::CurrentSettings().use555 = true;
  }
  return c.profile;
}

void ChooseProfile(char letter) {
  Choice& c = TheChoice();
  if (!ProfileByLetter(letter, &c.profile)) ProfileByLetter('A', &c.profile);
  c.letter = letter;
  c.chosen = true;
  display::CurrentSettings().use555 = c.profile.desktop555;
}

}  // namespace pf::d3d
