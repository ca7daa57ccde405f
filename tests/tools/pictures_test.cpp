// Every generated picture decodes with the library's own picture loader, at the sizes and cell
// layouts the game divides them by, and every alpha picture matches its picture.
#include <gtest/gtest.h>

#include <string>

#include "media/core/archive_files.h"
#include "media/core/file_ops.h"
#include "media/graphics/graphs/graph_image.h"
#include "platform/kernel/kernel.h"
#include "tools/generated_set.h"

namespace zelvo_test {
namespace {

class GeneratedPictures : public ::testing::Test {
 protected:
  void SetUp() override {
    zelvo::FillStreamOpsTables();
    ASSERT_TRUE(pf::SetCurrentDirectory(pf::HostPathToWindows(GeneratedLooseRoot()).c_str()));
  }
  void TearDown() override { zelvo::ResetArchiveState(); }

  // Width and height as the loader sees them; -1, -1 when it refuses the file.
  static std::pair<int, int> Decode(const std::string& path) {
    zelvo::GraphImage image{};
    if (zelvo::LoadGraphImage(path.c_str(), nullptr, 0, 0, &image, 0) != 0) return {-1, -1};
    std::pair<int, int> size{image.width, image.height};
    zelvo::FreeGraphImage(&image);
    return size;
  }
};

bool IsPicture(const std::string& path) { return path.size() > 4 && path.compare(path.size() - 4, 4, ".bmp") == 0; }

TEST_F(GeneratedPictures, EveryPictureDecodes) {
  int count = 0;
  for (const auto& [path, bytes] : GeneratedFiles()) {
    if (!IsPicture(path)) continue;
    ++count;
    auto [width, height] = Decode(path);
    EXPECT_GT(width, 0) << path;
    EXPECT_GT(height, 0) << path;
    std::size_t dot = path.rfind('.');
    if (path.compare(dot - 2, 2, "_a") == 0) {
      std::string picture = path.substr(0, dot - 2) + path.substr(dot);
      EXPECT_EQ(Decode(picture), std::make_pair(width, height)) << path;
    }
  }
  EXPECT_GT(count, 200);
}

TEST_F(GeneratedPictures, SheetsAndScreensHaveTheirStatedSizes) {
  struct Case {
    const char* path;
    int width, height;
  };
  const Case cases[] = {
      {"bmp\\system\\number.bmp", 14 * 30, 40},     // 14 cells of 30 x 40 in one row
      {"bmp\\object\\object.bmp", 5 * 128, 3 * 128},  // 11 cells of 128 x 128, 5 a row
      {"bmp\\effect\\expload1.bmp", 6 * 64, 64},     // 6 cells of 64 x 64 in one row
      {"bmp\\effect\\light_b.bmp", 8 * 64, 64},      // 8 cells of 64 x 64
      {"bmp\\effect\\light_r.bmp", 8 * 64, 64},
      {"bmp\\effect\\emotion1.bmp", 3 * 40, 40},     // 3 cells of 40 x 40
      {"bmp\\system\\hpbar.bmp", 40, 20},            // one 40-pixel HP gauge of the 20-pixel bar
      {"bmp\\system\\flame00.bmp", 20, 20},          // frame pieces on the 20-pixel grid
      {"bmp\\system\\flame07.bmp", 20, 20},
      {"bmp\\system\\sback.bmp", 200, 200},          // the tiled menu background
      {"bmp\\back\\back00.bmp", 640, 480},           // backgrounds tile side by side at 640
      {"bmp\\back\\back06.bmp", 640, 480},
      {"bmp\\cg\\cg00.bmp", 640, 480},
      {"bmp\\cg\\cg04.bmp", 640, 480},
      {"bmp\\cg\\cgh00.bmp", 1280, 960},             // the large export
      {"bmp\\cg\\cgh04.bmp", 1280, 960},
      {"bmp\\cg\\cgt00.bmp", 80, 60},                // thumbnails drawn 80 x 60
      {"bmp\\cg\\cgtclose.bmp", 80, 60},
  };
  for (const Case& c : cases) EXPECT_EQ(Decode(c.path), std::make_pair(c.width, c.height)) << c.path;
}

}  // namespace
}  // namespace zelvo_test
