// The mask screen: while the mask is active a masked pixel keeps what it held, in software
// rendering, with DirectDraw alone and on the Direct3D device; the steps keep to the draw region;
// the mask survives a display rebuild and shut-down frees it.
#include <gtest/gtest.h>

#include <cstdint>
#include <cstring>
#include <functional>
#include <string>
#include <vector>

#include <zelvo/zelvo.h>

#include "media/core/handle_table.h"
#include "media/core/library_lock.h"
#include "media/core/log.h"
#include "media/display/screen_state.h"
#include "media/graphics/graphs/d3d_graph_draw.h"
#include "media/graphics/graphs/draw_state.h"
#include "media/graphics/graphs/graph_record.h"
#include "media/graphics/manager/graph_restore.h"
#include "media/graphics/graphs/mask_screen.h"
#include "media/graphics/graphs/soft_target.h"
#include "platform/testing.h"
#include "support/library_fixture.h"
#include "support/picture_writers.h"
#include "support/zva_writer.h"

namespace zelvo_test {
namespace {

enum MaskScreenMode : int { kSoftwareOnly, kDirectDrawOnly, kDirect3DUsable };

std::string ModeName(const ::testing::TestParamInfo<MaskScreenMode>& info) {
  static const char* const names[] = {"Software", "DirectDrawOnly", "Direct3D"};
  return names[info.param];
}

// The part of the back buffer every test draws in.
constexpr int kWidth = 320, kHeight = 240;

int MaskedAt(int x, int y) { return ((x >> 3) + (y >> 3)) & 1; }

class MaskScreen : public LibraryTest, public ::testing::WithParamInterface<MaskScreenMode> {
 protected:
  void SetUp() override {
    LibraryTest::SetUp();
    // 32 x 32 in four coloured quarters.
    std::vector<Bytes> rows(32);
    for (int y = 0; y < 32; ++y) {
      for (int x = 0; x < 32; ++x) {
        const int quarter = (x < 16 ? 0 : 1) + (y < 16 ? 0 : 2);
        static const std::uint8_t bgr[4][3] = {{0, 0, 200}, {0, 200, 0}, {200, 0, 0}, {200, 200, 200}};
        rows[y].insert(rows[y].end(), {bgr[quarter][0], bgr[quarter][1], bgr[quarter][2]});
      }
    }
    BmpLayout layout;
    layout.width = 32;
    layout.height = 32;
    layout.pixels = PadRows(rows);
    WriteFileBytes(folder_ + "/quarters.bmp", WriteBmp(layout));
    if (GetParam() == kSoftwareOnly) pf::testing::FailNextCalls("AddAttachedSurface", 1);
    if (GetParam() == kDirectDrawOnly) zelvo::SetDirect3DOffFlag(1);
    baseline_ = zelvo::TrackedAllocatorTotals();
    ASSERT_EQ(StartUpLibrary(), 0);
    started_ = true;
    ASSERT_EQ(zelvo::IsSoftwareRenderMode(), GetParam() == kSoftwareOnly ? 1 : 0);
    ASSERT_EQ(zelvo::g_graphics.direct3DUsable, GetParam() == kDirect3DUsable ? 1 : 0);
    ASSERT_EQ(SelectDrawTarget(ZELVO_BACK_BUFFER), 0);
    graph_ = LoadGraphFile("quarters.bmp", 0);
    ASSERT_GE(graph_, 0);
    ASSERT_EQ(zelvo::GetGraphRecord(graph_)->flags.isTexture, GetParam() == kDirect3DUsable ? 1 : 0);
  }
  void TearDown() override {
    pf::testing::ClearFaults();
    if (started_) {
      EXPECT_EQ(ShutDownLibrary(), 0);
    }
    zelvo::SetDirect3DOffFlag(0);
    LibraryTest::TearDown();
  }

  // A background that is not one colour, so that "kept" and "drawn" differ everywhere.
  static void DrawBackground() {
    for (int i = 0; i < 8; ++i) {
      ASSERT_EQ(DrawRectangle(i * 40, 0, i * 40 + 40, kHeight, PackColor(30 * i, 100, 250 - 30 * i), 1), 0);
    }
  }

  // The back buffer's pixels as stored.
  static std::vector<std::uint32_t> Frame() {
    zelvo::LibraryLockGuard lock;
    zelvo::EndDirect3DScene();
    std::vector<std::uint32_t> pixels(kWidth * kHeight);
    for (int y = 0; y < kHeight; ++y) {
      for (int x = 0; x < kWidth; ++x) pixels[y * kWidth + x] = Pixel(x, y);
    }
    return pixels;
  }

  static std::uint32_t Pixel(int x, int y) {
    if (!zelvo::IsSoftwareRenderMode()) return pf::testing::SurfacePixel(zelvo::GetBackSurface(), x, y);
    const zelvo::MEMIMG& image = zelvo::SoftBackScreen;
    const std::uint8_t* at = image.pixels + y * image.pitch + x * image.format->BytesPerPixel;
    std::uint32_t value = 0;
    std::memcpy(&value, at, image.format->BytesPerPixel);
    return value;
  }

  static std::uint32_t MaskScreenPixel(int x, int y) {
    if (zelvo::GetMaskImage() == nullptr) return pf::testing::SurfacePixel(zelvo::GetMaskSurface(), x, y);
    const zelvo::MEMIMG& image = *zelvo::GetMaskImage();
    std::uint32_t value = 0;
    std::memcpy(&value, image.pixels + y * image.pitch + x * image.format->BytesPerPixel,
                image.format->BytesPerPixel);
    return value;
  }

  // The mask screen made and switched on, with the checkerboard pattern (or all zero).
  static void MaskOn(bool pattern) {
    zelvo::LibraryLockGuard lock;
    ASSERT_EQ(zelvo::CreateMaskScreen(1, 1), 0);
    for (int y = 0; y < zelvo::g_mask.height; ++y) {
      for (int x = 0; x < zelvo::g_mask.width; ++x) {
        zelvo::g_mask.data[y * zelvo::g_mask.pitch + x] = pattern && MaskedAt(x, y) ? 0xFF : 0;
      }
    }
    ASSERT_EQ(zelvo::EnableMask(1), 0);
    ASSERT_EQ(zelvo::IsMaskActive(), 1);
  }
  static void MaskOff() {
    zelvo::LibraryLockGuard lock;
    ASSERT_EQ(zelvo::EnableMask(0), 0);
  }

  // `draw` on the background without the mask, then with it: with the pattern every masked pixel
  // shows the background and every other one the unmasked drawing; with zero data, the drawing.
  void ExpectConfined(const std::function<void()>& draw, bool pattern, const char* what) {
    SCOPED_TRACE(what);
    DrawBackground();
    const std::vector<std::uint32_t> background = Frame();
    draw();
    const std::vector<std::uint32_t> drawn = Frame();
    DrawBackground();
    MaskOn(pattern);
    draw();
    const std::vector<std::uint32_t> masked = Frame();
    MaskOff();
    int keptWhereDrawn = 0, drawnThrough = 0, wrong = 0;
    for (int y = 0; y < kHeight; ++y) {
      for (int x = 0; x < kWidth; ++x) {
        const int i = y * kWidth + x;
        const bool keeps = pattern && MaskedAt(x, y);
        if (drawn[i] != background[i]) (keeps ? keptWhereDrawn : drawnThrough) += 1;
        if (masked[i] != (keeps ? background[i] : drawn[i]) && wrong++ < 5) {
          ADD_FAILURE() << "pixel " << x << ", " << y << ": " << std::hex << masked[i] << " drawn " << drawn[i]
                        << " background " << background[i];
        }
      }
    }
    EXPECT_EQ(wrong, 0);
    EXPECT_GT(drawnThrough, 0);
    if (pattern) {
      EXPECT_GT(keptWhereDrawn, 0);
    }
  }

  void ExpectEveryDrawingConfined(bool pattern) {
    ExpectConfined([&] { ASSERT_EQ(BlitGraph(20, 20, graph_, 0), 0); }, pattern, "plain blit");
    ExpectConfined(
        [&] {
          ASSERT_EQ(SetBlendMode(1, 128), 0);
          ASSERT_EQ(BlitGraph(60, 30, graph_, 1), 0);
          ASSERT_EQ(BlitGraphRotated(150, 60, 1.5, 0.6, graph_, 1, 0), 0);
          ASSERT_EQ(SetBlendMode(0, 0), 0);
        },
        pattern, "blended and rotated");
    ExpectConfined([&] { ASSERT_EQ(DrawCircleShape(120, 150, 30, PackColor(250, 250, 0), 1), 0); }, pattern,
                   "shape");
    ExpectConfined([&] { ASSERT_EQ(DrawTextDefaultFont(10, 200, "MASK 123", PackColor(255, 255, 255), 0), 0); },
                   pattern, "text");
  }

  zelvo::TrackedTotals baseline_{};
  bool started_ = false;
  int graph_ = -1;
};

TEST_P(MaskScreen, WithZeroMaskDataDrawingWithTheMaskEqualsDrawingWithout) {
  ExpectEveryDrawingConfined(false);
}

TEST_P(MaskScreen, MaskedPixelsKeepWhatTheyHeld) {
  ExpectEveryDrawingConfined(true);
  // A clear is confined as well.
  ExpectConfined([] { ASSERT_EQ(ClearDrawTarget(), 0); }, true, "clear");
}

TEST_P(MaskScreen, TheStepsLeaveARectangleOutsideTheDrawRegionAlone) {
  ASSERT_EQ(DrawRectangle(0, 0, 640, 480, PackColor(200, 40, 40), 1), 0);
  MaskOn(false);
  zelvo::LibraryLockGuard lock;
  const std::uint32_t target = Pixel(210, 210), untouched = MaskScreenPixel(210, 210);
  ASSERT_NE(target, untouched);
  ASSERT_EQ(zelvo::SetDrawRegion(0, 0, 100, 100), 0);
  const zelvo::IntRect outside{200, 200, 220, 220};
  EXPECT_EQ(zelvo::MaskSaveRect(&outside, zelvo::g_softTarget.surface, zelvo::g_softTarget.image), 0);
  EXPECT_EQ(MaskScreenPixel(210, 210), untouched);
  EXPECT_EQ(zelvo::MaskRestoreRect(&outside, zelvo::g_softTarget.surface, zelvo::g_softTarget.image), 0);
  EXPECT_EQ(Pixel(210, 210), target);
  // Inside the region the same rectangle is saved.
  ASSERT_EQ(zelvo::SetDrawRegion(0, 0, 640, 480), 0);
  EXPECT_EQ(zelvo::MaskSaveRect(&outside, zelvo::g_softTarget.surface, zelvo::g_softTarget.image), 0);
  EXPECT_EQ(MaskScreenPixel(210, 210), target);
}

TEST_P(MaskScreen, SwitchingTheTargetKeepsTheMaskOn) {
  MaskOn(true);
  ASSERT_EQ(SelectDrawTarget(ZELVO_FRONT_BUFFER), 0);
  EXPECT_EQ(zelvo::IsMaskActive(), 1);
  ASSERT_EQ(SelectDrawTarget(12345), -1);
  EXPECT_EQ(zelvo::IsMaskEnabled(), 1);
  EXPECT_EQ(zelvo::IsMaskActive(), 1);
  ASSERT_EQ(SelectDrawTarget(ZELVO_BACK_BUFFER), 0);
  MaskOff();
  ExpectConfined([&] { ASSERT_EQ(BlitGraph(20, 20, graph_, 0), 0); }, true, "after the switches");
}

TEST_P(MaskScreen, ADisplayRebuildKeepsTheMask) {
  MaskOn(true);
  {
    zelvo::LibraryLockGuard lock;
    ASSERT_EQ(zelvo::RebuildGraphicsAfterDisplayChange(), 0);
    EXPECT_EQ(zelvo::IsMaskActive(), 1);
    EXPECT_TRUE(zelvo::GetMaskSurface() != nullptr || zelvo::GetMaskImage() != nullptr);
    EXPECT_EQ(zelvo::g_mask.data[8], 0xFF);   // the pattern is still there
    EXPECT_EQ(zelvo::g_mask.data[0], 0);
  }
  MaskOff();
  ExpectConfined([&] { ASSERT_EQ(BlitGraph(20, 20, graph_, 0), 0); }, true, "after the rebuild");
}

TEST_P(MaskScreen, ShutDownFreesTheMaskAndEveryMaskRecord) {
  MaskOn(true);
  ASSERT_EQ(BlitGraph(20, 20, graph_, 0), 0);
  {
    zelvo::LibraryLockGuard lock;
    zelvo::g_mask.records[3] = zelvo::MaskRecord{9, static_cast<std::uint8_t*>(ZELVO_ALLOC_ZEROED(64)), 8, 8, 8, 1};
  }
  started_ = false;
  ASSERT_EQ(ShutDownLibrary(), 0);
  EXPECT_EQ(zelvo::g_mask.data, nullptr);
  EXPECT_EQ(zelvo::g_mask.records[3].inUse, 0);
  EXPECT_EQ(zelvo::GetMaskSurface(), nullptr);
  EXPECT_EQ(zelvo::GetMaskImage(), nullptr);
  EXPECT_EQ(pf::testing::LiveSurfaceCount(), 0);
  EXPECT_EQ(zelvo::TrackedAllocatorTotals().liveCount, baseline_.liveCount);
  EXPECT_EQ(zelvo::TrackedAllocatorTotals().liveBytes, baseline_.liveBytes);
}

INSTANTIATE_TEST_SUITE_P(Modes, MaskScreen, ::testing::Values(kSoftwareOnly, kDirectDrawOnly, kDirect3DUsable), ModeName);

class MaskState : public StartedLibraryTest {};

TEST_F(MaskState, EnableWithoutMaskDataFailsAndChangesNothing) {
  zelvo::LibraryLockGuard lock;
  EXPECT_EQ(zelvo::IsMaskEnabled(), 1);   // requested from the graphics start on
  EXPECT_EQ(zelvo::IsMaskActive(), 0);    // but nothing made
  EXPECT_EQ(zelvo::EnableMask(0), -1);
  EXPECT_EQ(zelvo::IsMaskEnabled(), 1);
  EXPECT_EQ(zelvo::EnableMask(1), -1);
  EXPECT_EQ(zelvo::IsMaskActive(), 0);
  // Data without a mask screen: the request is stored, but nothing is masked.
  ASSERT_EQ(zelvo::CreateMaskScreen(1, 0), 0);
  EXPECT_EQ(zelvo::EnableMask(0), 0);
  EXPECT_EQ(zelvo::IsMaskEnabled(), 0);
  EXPECT_EQ(zelvo::EnableMask(1), 0);
  EXPECT_EQ(zelvo::IsMaskActive(), 0);
  EXPECT_EQ(zelvo::EndMaskScreen(), 0);
}

TEST_F(MaskState, MaskRowsAreTheScreenWidthRoundedUpToFourBytes) {
  zelvo::LibraryLockGuard lock;
  const int savedWidth = zelvo::g_screen.width;
  zelvo::g_screen.width = 642;
  ASSERT_EQ(zelvo::CreateMaskScreen(1, 0), 0);
  zelvo::g_screen.width = savedWidth;
  EXPECT_EQ(zelvo::g_mask.width, 642);
  EXPECT_EQ(zelvo::g_mask.pitch, 644);
  EXPECT_EQ(zelvo::g_mask.data[644 * 480 - 1], 0);
  EXPECT_EQ(zelvo::EndMaskScreen(), 0);
}

TEST_F(MaskState, DeleteMaskRefusesEveryHandleThatIsNotALiveMask) {
  zelvo::LibraryLockGuard lock;
  const zelvo::TrackedTotals before = zelvo::TrackedAllocatorTotals();
  auto put = [](int slot, int check) {
    zelvo::g_mask.records[slot] =
        zelvo::MaskRecord{check, static_cast<std::uint8_t*>(ZELVO_ALLOC_ZEROED(16)), 4, 4, 4, 1};
    return zelvo::MakeHandle(slot, zelvo::kHandleMask, check);
  };
  const int handle = put(5, 7);
  EXPECT_EQ(handle, 5 | 7 << 16 | 0x40000000);
  const struct {
    int handle;
    const char* why;
  } refused[] = {
      {-1, "negative"},
      {zelvo::MakeHandle(5, zelvo::kHandleGraph, 7), "another type"},
      {zelvo::MakeHandle(512, zelvo::kHandleMask, 7), "slot past the table"},
      {zelvo::MakeHandle(6, zelvo::kHandleMask, 7), "empty slot"},
      {zelvo::MakeHandle(5, zelvo::kHandleMask, 8), "check number"},
  };
  for (const auto& c : refused) {
    EXPECT_EQ(zelvo::DeleteMask(c.handle), -1) << c.why;
    EXPECT_EQ(zelvo::g_mask.records[5].inUse, 1) << c.why;
  }
  EXPECT_EQ(zelvo::DeleteMask(handle), 0);
  EXPECT_EQ(zelvo::g_mask.records[5].data, nullptr);
  EXPECT_EQ(zelvo::DeleteMask(handle), -1);
  put(0, 1);
  put(511, 2);
  EXPECT_EQ(zelvo::DeleteAllMasks(), 0);
  EXPECT_EQ(zelvo::g_mask.records[0].inUse + zelvo::g_mask.records[511].inUse, 0);
  EXPECT_EQ(zelvo::TrackedAllocatorTotals().liveCount, before.liveCount);
}

}  // namespace
}  // namespace zelvo_test
