// Every frame the window shows while the library starts is black: no frame of surface memory that
// nothing has drawn yet is ever presented. The host writes each presented frame to a folder.
#include <dirent.h>
#include <sys/stat.h>

#include <cstdlib>
#include <string>
#include <vector>

#include <zelvo/zelvo.h>

#include "media/graphics/graphs/graph_image.h"
#include "media/graphics/graphs/picture_codecs.h"
#include "platform/testing.h"
#include "support/library_fixture.h"
#include "support/picture_writers.h"

namespace zelvo_test {
namespace {

enum Rendering { kDirectDraw, kSoftware, kFullScreen };

class StartUpFrames : public LibraryTest, public ::testing::WithParamInterface<Rendering> {};

TEST_P(StartUpFrames, AreBlack) {
  const std::string dump = folder_ + "/frames";
  ASSERT_EQ(mkdir(dump.c_str(), 0777), 0);
  setenv("ZELVO_FRAME_DUMP", dump.c_str(), 1);
  if (GetParam() == kSoftware) pf::testing::FailNextCalls("AddAttachedSurface", 1);
  if (GetParam() == kFullScreen) SwitchWindowMode(0);
  ASSERT_EQ(StartUpLibrary(), 0);
  ASSERT_EQ(ShutDownLibrary(), 0);
  std::vector<std::string> names;
  if (DIR* dir = opendir(dump.c_str())) {
    while (dirent* entry = readdir(dir)) {
      if (entry->d_name[0] != '.') names.push_back(entry->d_name);
    }
    closedir(dir);
  }
  ASSERT_FALSE(names.empty());
  for (const std::string& name : names) {
    SCOPED_TRACE(name);
    zelvo::GraphImage image{};
    ASSERT_EQ(DecodeBytes(zelvo::LoadPngFromStream, ReadFileBytes(dump + "/" + name), &image), 0);
    int coloured = 0, firstX = -1, firstY = -1;
    for (int y = 0; y < image.height; ++y) {
      for (int x = 0; x < image.width; ++x) {
        int r = 0, g = 0, b = 0, a = 0;
        zelvo::GetGraphImagePixel(&image, x, y, &r, &g, &b, &a);
        if (r == 0 && g == 0 && b == 0) continue;
        if (coloured++ == 0) {
          firstX = x;
          firstY = y;
        }
      }
    }
    int r0 = 0, g0 = 0, b0 = 0, a0 = 0;
    if (firstX >= 0) zelvo::GetGraphImagePixel(&image, firstX, firstY, &r0, &g0, &b0, &a0);
    EXPECT_EQ(coloured, 0) << "first at (" << firstX << ", " << firstY << "): " << r0 << " " << g0 << " " << b0;
    zelvo::FreeGraphImage(&image);
  }
}

std::string RenderingName(const ::testing::TestParamInfo<Rendering>& info) {
  static const char* const kNames[] = {"DirectDraw", "Software", "FullScreen"};
  return kNames[info.param];
}

INSTANTIATE_TEST_SUITE_P(Modes, StartUpFrames, ::testing::Values(kDirectDraw, kSoftware, kFullScreen), RenderingName);

}  // namespace
}  // namespace zelvo_test
