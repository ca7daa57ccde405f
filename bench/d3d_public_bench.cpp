// The same scenes through the public entries under the Direct3D device (profile A, the default) and
// under software rendering (profile B), with pixman doing the same work on the same pixels, in one
// run: 640x480 pictures blitted as a copy, with per-pixel alpha (alone and at 160), at a constant
// alpha of 160 and added; a full-screen fade; 1,000 64x64 alpha sprites; a page of text. Each frame
// ends with the queued vertices drawn. Reported in Mpx/s of destination pixels, then as tables:
// A / B, each against pixman, and A's copy and add against this machine's memory ceiling. On a
// shared machine pin it to one core and run it with --benchmark_repetitions=3: the tables then
// compare medians.
#include <iconv.h>
#include <unistd.h>

#include <cstdio>
#include <filesystem>
#include <random>
#include <string>
#include <vector>

#include <zelvo/zelvo.h>

#include "bench/bench_support.h"
#include "bench/machine_ceiling.h"
#include "media/core/library_lock.h"
#include "media/graphics/graphs/d3d_graph_draw.h"
#include "platform/d3d/d3d_testing.h"

#ifdef ZELVO_BENCH_PEERS
#include <pixman.h>
#endif

namespace {

constexpr int kW = 640, kH = 480, kSprite = 64, kSprites = 1000, kTextLines = 28;
constexpr double kScreenPixels = static_cast<double>(kW) * kH;

enum Scene { kCopy, kAlphaSprite, kAlphaAt160, kConstantAlpha160, kAdd, kFade, kThousandSprites, kTextPage, kScenes };
const char* const kSceneNames[kScenes] = {"copy", "alpha", "alpha160", "constant160", "add", "fade", "sprites1000", "text"};

// The pictures' colours and alphas, seeded: every contender draws the same pixels.
std::uint32_t Colour(int x, int y, std::uint32_t seed) {
  std::uint32_t h = static_cast<std::uint32_t>(x) * 0x9E3779B1u ^ static_cast<std::uint32_t>(y) * 0x85EBCA77u ^ seed;
  h ^= h >> 15;
  h *= 0x2C1B3C6Du;
  h ^= h >> 12;
  return h & 0xFFFFFF;
}
// A third opaque, a third clear, a third in between, in runs as sprites have them.
std::uint32_t Alpha(int x, int y) {
  const int band = (x / 7 + y / 5) % 3;
  return band == 0 ? 255 : band == 1 ? 0 : Colour(x, y, 7) & 0xFF;
}

using zelvo_bench::WriteBmp;

std::uint32_t Grey(std::uint32_t v) { return v << 16 | v << 8 | v; }

// The pictures: opaque and with an alpha picture beside it ("_a"), full-screen and sprite-sized.
std::string Folder() {
  static const std::string folder = [] {
    char name[] = "/tmp/zelvo-d3d-public-XXXXXX";
    const char* made = mkdtemp(name);
    if (made == nullptr) return std::string();
    const std::string path = made;
    WriteBmp(path + "/opaque.bmp", kW, kH, [](int x, int y) { return Colour(x, y, 1); });
    WriteBmp(path + "/alpha.bmp", kW, kH, [](int x, int y) { return Colour(x, y, 2); });
    WriteBmp(path + "/alpha_a.bmp", kW, kH, [](int x, int y) { return Grey(Alpha(x, y)); });
    WriteBmp(path + "/sprite.bmp", kSprite, kSprite, [](int x, int y) { return Colour(x, y, 3); });
    WriteBmp(path + "/sprite_a.bmp", kSprite, kSprite, [](int x, int y) { return Grey(Alpha(x, y)); });
    return path;
  }();
  return folder;
}

struct Place {
  int x, y;
};
std::vector<Place> SpritePlaces() {
  std::mt19937 rng(5);
  std::vector<Place> out;
  for (int i = 0; i < kSprites; ++i) {
    out.push_back({static_cast<int>(rng() % (kW - kSprite)), static_cast<int>(rng() % (kH - kSprite))});
  }
  return out;
}

// A line of 40 characters, Japanese and ASCII, in CP932.
const std::string& TextLine() {
  static const std::string line = [] {
    const char utf8[] = "ゼルボの文字描画：日本語とASCII textが混ざる一行です。Zelvo 2D";
    iconv_t cd = iconv_open("CP932", "UTF-8");
    std::string out(256, '\0');
    char* in = const_cast<char*>(utf8);
    char* to = out.data();
    std::size_t left = sizeof utf8 - 1, room = out.size();
    iconv(cd, &in, &left, &to, &room);
    iconv_close(cd);
    out.resize(out.size() - room);
    return out;
  }();
  return line;
}
constexpr double kTextPixels = 40.0 * 16 * 16 * kTextLines;

double PixelsOf(int scene) {
  if (scene == kThousandSprites) return static_cast<double>(kSprites) * kSprite * kSprite;
  if (scene == kTextPage) return kTextPixels;
  return kScreenPixels;
}

// The library started under a device profile: 'A' the Direct3D device, 'B' none (software rendering).
void BM_Library(benchmark::State& state) {
  const int scene = static_cast<int>(state.range(0));
  const bool software = state.range(1) == 1;
  if (Folder().empty() || chdir(Folder().c_str()) != 0) {
    state.SkipWithError("no scratch folder");
    return;
  }
  char title[64];
  std::snprintf(title, sizeof title, "zelvo-d3d-public-bench-%d", static_cast<int>(getpid()));
  SwitchWindowMode(1);
  SetWindowTitleText(title);
  SetLogFileEnabled(0);
  pf::testing::SetDirect3DProfile(software ? 'B' : 'A');
  if (StartUpLibrary() != 0) {
    state.SkipWithError("the library did not start");
    return;
  }
  SelectDrawTarget(ZELVO_BACK_BUFFER);
  const int opaque = LoadGraphFile("opaque.bmp", 0), alpha = LoadGraphFile("alpha.bmp", 0);
  const int sprite = LoadGraphFile("sprite.bmp", 0);
  const std::vector<Place> places = SpritePlaces();
  const unsigned white = PackColor(255, 255, 255), black = PackColor(0, 0, 0);
  auto frame = [&] {
    switch (scene) {
      case kCopy: SetBlendMode(0, 0); BlitGraph(0, 0, opaque, 0); break;
      case kAlphaSprite: SetBlendMode(0, 0); BlitGraph(0, 0, alpha, 1); break;
      case kAlphaAt160: SetBlendMode(1, 160); BlitGraph(0, 0, alpha, 1); break;
      case kConstantAlpha160: SetBlendMode(1, 160); BlitGraph(0, 0, opaque, 0); break;
      case kAdd: SetBlendMode(2, 255); BlitGraph(0, 0, opaque, 0); break;
      case kFade: SetBlendMode(1, 128); DrawRectangle(0, 0, kW, kH, black, 1); break;
      case kThousandSprites:
        SetBlendMode(0, 0);
        for (const Place& p : places) BlitGraph(p.x, p.y, sprite, 1);
        break;
      case kTextPage:
        SetBlendMode(0, 0);
        for (int line = 0; line < kTextLines; ++line) DrawTextDefaultFont(0, line * 17, TextLine().c_str(), white, black);
        break;
    }
    // Every queued vertex reaches the back buffer inside the frame.
    zelvo::LibraryLockGuard lock;
    zelvo::EndDirect3DScene();
  };
  frame();  // textures and the glyph cache
  for (auto _ : state) frame();
  zelvo_bench::SetMpxRate(state, PixelsOf(scene));
  ShutDownLibrary();
}
BENCHMARK(BM_Library)->ArgsProduct({benchmark::CreateDenseRange(0, kScenes - 1, 1), {0, 1}})->ArgNames({"scene", "software"});

#ifdef ZELVO_BENCH_PEERS
// pixman over the same pixels: the source picture as 8:8:8:8 (the alpha picture's alpha in the top
// byte) or X8:8:8, the target X8:8:8.
struct PixmanPicture {
  std::vector<std::uint32_t> pixels;
  pixman_image_t* image;
  PixmanPicture(int w, int h, std::uint32_t seed, bool withAlpha) : pixels(static_cast<std::size_t>(w) * h) {
    for (int y = 0; y < h; ++y) {
      for (int x = 0; x < w; ++x) {
        pixels[static_cast<std::size_t>(y) * w + x] = Colour(x, y, seed) | (withAlpha ? Alpha(x, y) : 255) << 24;
      }
    }
    image = pixman_image_create_bits(withAlpha ? PIXMAN_a8r8g8b8 : PIXMAN_x8r8g8b8, w, h, pixels.data(), w * 4);
  }
  ~PixmanPicture() { pixman_image_unref(image); }
  PixmanPicture(const PixmanPicture&) = delete;
  PixmanPicture& operator=(const PixmanPicture&) = delete;
};

pixman_image_t* SolidAlpha(int alpha) {
  const pixman_color_t colour{0, 0, 0, static_cast<std::uint16_t>(alpha * 257)};
  return pixman_image_create_solid_fill(&colour);
}

void BM_Pixman(benchmark::State& state) {
  const int scene = static_cast<int>(state.range(0));
  PixmanPicture target(kW, kH, 9, false), opaque(kW, kH, 1, false), alpha(kW, kH, 2, true);
  PixmanPicture sprite(kSprite, kSprite, 3, true);
  pixman_image_t* mask160 = SolidAlpha(160);
  pixman_image_t* fade = SolidAlpha(128);
  const std::vector<Place> places = SpritePlaces();
  auto full = [&](pixman_op_t op, pixman_image_t* source, pixman_image_t* mask) {
    pixman_image_composite32(op, source, mask, target.image, 0, 0, 0, 0, 0, 0, kW, kH);
  };
  for (auto _ : state) {
    switch (scene) {
      case kCopy: full(PIXMAN_OP_SRC, opaque.image, nullptr); break;
      case kAlphaSprite: full(PIXMAN_OP_OVER, alpha.image, nullptr); break;
      case kAlphaAt160: full(PIXMAN_OP_OVER, alpha.image, mask160); break;
      case kConstantAlpha160: full(PIXMAN_OP_OVER, opaque.image, mask160); break;
      case kAdd: full(PIXMAN_OP_ADD, opaque.image, nullptr); break;
      case kFade: full(PIXMAN_OP_OVER, fade, nullptr); break;
      case kThousandSprites:
        for (const Place& p : places) {
          pixman_image_composite32(PIXMAN_OP_OVER, sprite.image, nullptr, target.image, 0, 0, 0, 0, p.x, p.y, kSprite,
                                   kSprite);
        }
        break;
      default: break;
    }
    benchmark::ClobberMemory();
  }
  zelvo_bench::SetMpxRate(state, PixelsOf(scene));
  pixman_image_unref(mask160);
  pixman_image_unref(fade);
}
BENCHMARK(BM_Pixman)->DenseRange(0, kThousandSprites, 1)->ArgName("scene");
#endif

std::string LibraryRow(int scene, int software) {
  return "BM_Library/scene:" + std::to_string(scene) + "/software:" + std::to_string(software);
}

void PrintTables(const std::map<std::string, double>& rates) {
  const auto rate = [&](const std::string& name) {
    auto it = rates.find(name);
    return it != rates.end() ? it->second : 0.0;
  };
  std::printf("\n%-14s %10s %10s %10s %8s %8s %8s\n", "scene", "A Mpx/s", "B Mpx/s", "pixman", "A / B", "A / px",
              "B / px");
  for (int scene = 0; scene < kScenes; ++scene) {
    const double a = rate(LibraryRow(scene, 0)), b = rate(LibraryRow(scene, 1));
    const double peer = rate("BM_Pixman/scene:" + std::to_string(scene));
    if (a <= 0 || b <= 0) continue;
    std::printf("%-14s %10.0f %10.0f %10.0f %8.2f", kSceneNames[scene], a, b, peer, a / b);
    if (peer > 0) std::printf(" %8.2f %8.2f\n", a / peer, b / peer);
    else std::printf(" %8s %8s\n", "-", "-");
  }
  for (int software = 0; software < 2; ++software) {
    std::map<std::string, double> named = rates;
    const std::string copy = software ? "B: copy" : "A: copy", add = software ? "B: add" : "A: add";
    named[copy] = rate(LibraryRow(kCopy, software));
    named[add] = rate(LibraryRow(kAdd, software));
    zelvo_bench::PrintCeilingTable(software ? "profile B against the ceiling" : "profile A against the ceiling", named,
                                   "ceiling/640x480", {copy.c_str(), add.c_str()});
  }
}

}  // namespace

int main(int argc, char** argv) {
  zelvo_bench::RegisterCeiling("ceiling/640x480", kScreenPixels, 4);
  const int result = zelvo_bench::RunBenchmarks(argc, argv, PrintTables);
  if (!Folder().empty()) {
    std::error_code error;
    std::filesystem::remove_all(Folder(), error);
  }
  return result;
}
