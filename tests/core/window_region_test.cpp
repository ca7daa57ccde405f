// The window's shape from a picture.
#include <vector>

#include "support/library_fixture.h"
#include "media/core/library_lock.h"
#include "media/core/window_mode.h"
#include "media/core/window_region.h"
#include "media/graphics/screens/window_shape.h"
#include "support/picture_writers.h"
#include "support/zva_writer.h"

namespace zelvo_test {
namespace {

using WindowRegion = LibraryTest;

bool SameRects(const std::vector<pf::Rect>& a, const std::vector<pf::Rect>& b) {
  if (a.size() != b.size()) return false;
  for (std::size_t i = 0; i < a.size(); ++i) {
    if (a[i].left != b[i].left || a[i].top != b[i].top || a[i].right != b[i].right || a[i].bottom != b[i].bottom) {
      return false;
    }
  }
  return true;
}

TEST_F(WindowRegion, EveryPixelWithANonZeroByteBelongsToTheShape) {
  BmpLayout layout;
  layout.width = 4;
  layout.height = -2;   // top row first
  // Blue, green, red per pixel: green alone or blue alone is not empty.
  layout.pixels = PadRows({{0, 0, 0, 0, 1, 0, 0, 0, 0, 1, 0, 0}, {0, 0, 1, 0, 0, 0, 0, 0, 0, 0, 0, 0}});
  WriteFileBytes(folder_ + "/shape.bmp", WriteBmp(layout));
  ASSERT_EQ(StartUpLibrary(), 0);
  {
    zelvo::LibraryLockGuard lock;
    ASSERT_EQ(zelvo::SetWindowRegionFromPicture("shape.bmp"), 0);
    EXPECT_EQ(zelvo::HasWindowRegion(), 1);
    std::vector<pf::Rect> rects;
    ASSERT_TRUE(pf::GetWindowRegionRects(zelvo::QueryMainWindow(), &rects));
    EXPECT_TRUE(SameRects(rects, {{1, 0, 2, 1}, {3, 0, 4, 1}, {0, 1, 1, 2}}));
    EXPECT_EQ(zelvo::SetWindowRegionFromPicture("missing.bmp"), -1);
    EXPECT_EQ(zelvo::HasWindowRegion(), 1);   // a failed picture keeps the old shape
    EXPECT_EQ(zelvo::SetWindowRegionFromPicture(nullptr), 0);
    EXPECT_EQ(zelvo::HasWindowRegion(), 0);
    EXPECT_FALSE(pf::GetWindowRegionRects(zelvo::QueryMainWindow(), nullptr));
  }
  EXPECT_EQ(ShutDownLibrary(), 0);
}

}  // namespace
}  // namespace zelvo_test
