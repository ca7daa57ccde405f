// Handle values and the slot rules of the handle tables, graph records, cells and derived graphs,
// and surface-data records, with the library started.
#include <gtest/gtest.h>

#include <cstring>
#include <vector>

#include "support/library_fixture.h"
#include "media/display/screen_state.h"
#include "media/graphics/graphs/surface2d.h"
#include "media/graphics/graphs/draw_state.h"
#include "media/graphics/text/font_table.h"
#include "media/graphics/graphs/graph_record.h"
#include "media/graphics/manager/graphics_manager.h"
#include "media/core/handle_table.h"
#include "media/pixels/pixel_format.h"
#include "media/graphics/graphs/surface_data.h"
#include "support/picture_writers.h"
#include "support/zva_writer.h"
#include "platform/testing.h"

namespace zelvo_test {
namespace {

using namespace zelvo;

struct SmallRecord {
  std::int32_t check;
  int* lostFlag;
};
using SmallTable = HandleTable<SmallRecord, kHandleSound, 4, kHighWaterSlot>;
using SmallFirstEmpty = HandleTable<SmallRecord, kHandleFont, 4, kFirstEmptySlot>;

template <typename Table>
int Create(Table& table) {
  const int slot = table.FreeSlot();
  return slot < 0 ? -1 : table.Occupy(slot, nullptr);
}

TEST(HandleTable, SlotsFollowTheHighWaterIndexAndComeBackFromTheTop) {
  static SmallTable table;
  table.Reset();
  const int a = Create(table), b = Create(table), c = Create(table);
  EXPECT_EQ(a, 0x10000000);
  EXPECT_EQ(b, 0x10010001);
  EXPECT_EQ(c, 0x10020002);
  table.Free(b);
  EXPECT_EQ(table.highWater, 3);   // a middle slot leaves the index
  const int d = Create(table);
  EXPECT_EQ(d & 0xFFFF, 3);        // the index goes on while below the size
  const int e = Create(table);
  EXPECT_EQ(e, 0x10040001);        // at the size: the first empty slot
  EXPECT_EQ(Create(table), -1);    // full
  table.Free(e);
  table.Free(c);
  EXPECT_EQ(table.highWater, 4);
  table.Free(d);
  EXPECT_EQ(table.highWater, 1);   // past every empty slot below
  table.Free(a);
  EXPECT_EQ(table.highWater, 0);
  EXPECT_EQ(table.count, 0);
}

TEST(HandleTable, StaleAndForgedHandlesFindNothing) {
  static SmallTable table;
  table.Reset();
  const int a = Create(table);
  EXPECT_NE(table.Find(a), nullptr);
  EXPECT_EQ(table.Find(a | (1 << 31)), nullptr);
  EXPECT_EQ(table.Find((a & ~0x78000000) | (kHandleGraph << 27)), nullptr);
  EXPECT_EQ(table.Find(a + 4), nullptr);   // slot out of range
  table.Free(a);
  const int again = Create(table);
  EXPECT_EQ(again & 0xFFFF, a & 0xFFFF);
  EXPECT_EQ(table.Find(a), nullptr);
  int lost = 0;
  table.slots[0]->lostFlag = &lost;
  table.Free(again);
  EXPECT_EQ(lost, 1);
}

TEST(HandleTable, FirstEmptyRuleAlwaysScansFromSlotZero) {
  static SmallFirstEmpty table;
  table.Reset();
  const int a = Create(table), b = Create(table);
  table.Free(a);
  EXPECT_EQ(Create(table) & 0xFFFF, 0);
  EXPECT_EQ(b & 0xFFFF, 1);
}

TEST(HandleTable, CheckNumbersWrapAfter2048Creations) {
  static SmallTable table;
  table.Reset();
  int last = 0;
  for (int i = 0; i < 2049; ++i) {
    last = Create(table);
    if (i < 2048) table.Free(last);
  }
  EXPECT_EQ(last, 0x10000000);
}

class GraphRecords : public LibraryTest {
 protected:
  void SetUp() override {
    LibraryTest::SetUp();
    // Graphs of these tests are 2D surfaces: drawing with DirectDraw alone.
    zelvo::SetDirect3DOffFlag(1);
    ASSERT_EQ(::StartUpLibrary(), 0);
    // A fresh manager: empty tables, counters at 0.
    EndGraphicsManager();
    StartGraphicsManager();
    // The default font's work surface holds surface slots of its own: the tests start without it.
    EndFonts();
    g_surface2D.Reset();
    g_surfaceData.Reset();
  }
  void TearDown() override {
    EXPECT_EQ(::ShutDownLibrary(), 0);
    zelvo::SetDirect3DOffFlag(0);
    LibraryTest::TearDown();
  }
};

TEST_F(GraphRecords, FirstGraphIsSlotZeroCheckZeroAndGraphSlotsStopAtBit15) {
  const int graph = CreateBlankGraph(16, 16, 0);
  EXPECT_EQ(graph, 0x08000000);
  EXPECT_EQ(GetGraphRecord(graph | 0x8000), nullptr);
  // Surface-data handles use all 16 slot bits; the first one is 0x38000000.
  const Surface2DEntry* entry = GetSurface2D(GetGraphRecord(graph)->backEnds[0]);
  ASSERT_NE(entry, nullptr);
  EXPECT_EQ(entry->record, 0x38000000);
  EXPECT_EQ(GetGraphRecord(graph)->backEnds[0], 0x28000000);
  EXPECT_EQ(DeleteGraph(graph, 0), 0);
  EXPECT_EQ(DeleteGraph(graph, 0), -1);
  EXPECT_EQ(g_surfaceData.count, 0);
}

TEST_F(GraphRecords, WithoutDirect3DEveryGraphIs2D) {
  const int graph = CreateBlankGraph(8, 8, 0);
  ASSERT_GE(graph, 0);
  EXPECT_EQ(GetGraphRecord(graph)->flags.isTexture, 0);
  EXPECT_EQ(GetGraphRecord(graph)->backEndCount, 1);
}

TEST_F(GraphRecords, DerivedGraphsAreCutAtTheParentsEdgeAndShareItsRecord) {
  const int parent = CreateBlankGraph(256, 256, 0);
  const int derived = DeriveGraph(200, 0, 100, 100, parent);
  ASSERT_GE(derived, 0);
  EXPECT_EQ(GetGraphRecord(derived)->width, 56);
  EXPECT_EQ(GetGraphRecord(derived)->height, 100);
  EXPECT_EQ(DeriveGraph(256, 0, 10, 10, parent), -1);
  const int record = GetSurface2D(GetGraphRecord(parent)->backEnds[0])->record;
  EXPECT_EQ(GetSurface2D(GetGraphRecord(derived)->backEnds[0])->record, record);
  EXPECT_EQ(GetSurface2D(GetGraphRecord(derived)->backEnds[0])->originX, 200);
  // Deleting the parent keeps the record alive for the cell.
  EXPECT_EQ(DeleteGraph(parent, 0), 0);
  EXPECT_NE(GetSurfaceRecord(record), nullptr);
  EXPECT_EQ(DeleteGraph(derived, 0), 0);
  EXPECT_EQ(GetSurfaceRecord(record), nullptr);
}

TEST_F(GraphRecords, DeletingEveryCellEmptiesTheTable) {
  GraphImage picture{};
  ASSERT_EQ(AllocGraphImageArgb32(32, 16, &picture), 0);
  FillGraphImage(&picture, 10, 20, 30, 255);
  std::vector<int> cells(8, -1);
  ASSERT_EQ(CreateDivGraphFromGraphImage(&picture, nullptr, 8, 4, 2, 8, 8, cells.data(), 1, 0, 0), 0);
  zelvo::FreeGraphImage(&picture);
  EXPECT_EQ(g_graphs.count, 8);
  for (int cell : cells) EXPECT_EQ(DeleteGraph(cell, 0), 0);
  EXPECT_EQ(g_graphs.count, 0);
  EXPECT_EQ(g_graphs.highWater, 0);
  EXPECT_EQ(g_surfaceData.count, 0);
  EXPECT_EQ(g_surface2D.highWater, 0);
}

TEST_F(GraphRecords, LockingALockedRecordNestsWithTheSamePointer) {
  const int graph = CreateBlankGraph(8, 8, 0);
  const int record = GetSurface2D(GetGraphRecord(graph)->backEnds[0])->record;
  int pitch1 = 0, pitch2 = 0;
  void* p1 = nullptr;
  void* p2 = nullptr;
  EXPECT_EQ(LockSurfaceRecord(record, &pitch1, &p1, 0, nullptr, nullptr), 0);
  EXPECT_EQ(LockSurfaceRecord(record, &pitch2, &p2, 0, nullptr, nullptr), -2);
  EXPECT_EQ(p1, p2);
  EXPECT_EQ(pitch1, pitch2);
  EXPECT_EQ(UnlockSurfaceRecord(record, nullptr), 0);
  EXPECT_EQ(UnlockSurfaceRecord(record, nullptr), 0);
  EXPECT_EQ(UnlockSurfaceRecord(record, nullptr), -1);
}

TEST_F(GraphRecords, ADepthBufferNeedsADrawableRecord) {
  const int graph = CreateBlankGraph(8, 8, 0);
  const int record = GetSurface2D(GetGraphRecord(graph)->backEnds[0])->record;
  // A 2D record is made drawable at creation.
  EXPECT_EQ(GetSurfaceRecord(record)->flags.drawValid, 1);
  EXPECT_EQ(GetSurfaceRecord(record)->flags.alphaTest, 0);
  EXPECT_EQ(SetSurfaceDepthBuffer(record, 1), 0);
  GetSurfaceRecord(record)->flags.drawValid = 0;
  EXPECT_EQ(SetSurfaceDepthBuffer(record, 0), -1);
}

}  // namespace
}  // namespace zelvo_test

namespace zelvo_test {
namespace {

using namespace zelvo;

TEST_F(GraphRecords, AfterADisplayChangeCellsOfOneFileAreRefilledFromOneLoad) {
  BmpLayout layout;
  layout.width = 8;
  layout.height = 4;
  std::vector<Bytes> lines(4, Bytes{});
  for (auto& line : lines) {
    for (int x = 0; x < 8; ++x) line.insert(line.end(), {0, static_cast<std::uint8_t>(x < 4 ? 200 : 0), 200});
  }
  layout.pixels = PadRows(lines);
  WriteFileBytes(folder_ + "/cells.bmp", WriteBmp(layout));
  int cells[2] = {-1, -1};
  ASSERT_EQ(zelvo::LoadDivGraph("cells.bmp", 2, 2, 1, 4, 4, cells, 0), 0);
  const int record = GetSurface2D(GetGraphRecord(cells[0])->backEnds[0])->record;
  ASSERT_EQ(FillSurfaceRecord(record, 0, 0, 0, 255), 0);
  EXPECT_EQ(RefillAllGraphs(), 0);
  const std::string log = ReadLog();
  const std::size_t at = log.find("グラフィックを復帰します");
  EXPECT_NE(at, std::string::npos);
  EXPECT_EQ(GetGraphRecord(cells[0])->restorePending, 0);
  EXPECT_EQ(GetGraphRecord(cells[1])->restorePending, 0);
  SurfaceRecord* surface = GetSurfaceRecord(record);
  ASSERT_NE(surface, nullptr);
  int pitch = 0;
  void* pixels = nullptr;
  const PixelFormat* format = nullptr;
  ASSERT_EQ(LockSurfaceRecord(record, &pitch, &pixels, 0, nullptr, &format), 0);
  int r = 0, g = 0, b = 0, a = 0;
  std::uint32_t left = 0, right = 0;
  std::memcpy(&left, pixels, format->BytesPerPixel);
  std::memcpy(&right, static_cast<std::uint8_t*>(pixels) + 5 * format->BytesPerPixel, format->BytesPerPixel);
  UnlockSurfaceRecord(record, nullptr);
  ColorValueToRgba(format, left, &r, &g, &b, &a);
  EXPECT_EQ(r, 200);
  EXPECT_EQ(g, 200);
  ColorValueToRgba(format, right, &r, &g, &b, &a);
  EXPECT_EQ(r, 200);
  EXPECT_EQ(g, 0);
}

}  // namespace
}  // namespace zelvo_test

namespace zelvo_test {
namespace {

using namespace zelvo;

TEST_F(GraphRecords, GraphsLostWithVideoMemoryAreRestoredAndRefilled) {
  BmpLayout layout;
  layout.width = 4;
  layout.height = 1;
  layout.pixels = PadRows({Bytes{10, 20, 30, 10, 20, 30, 10, 20, 30, 10, 20, 30}});
  WriteFileBytes(folder_ + "/one.bmp", WriteBmp(layout));
  const int graph = zelvo::LoadGraph("one.bmp", 0);
  ASSERT_GE(graph, 0);
  const int record = GetSurface2D(GetGraphRecord(graph)->backEnds[0])->record;
  SurfaceRecord* surface = GetSurfaceRecord(record);
  ASSERT_NE(surface->surface, nullptr);   // a DirectDraw surface in video memory
  pf::testing::LoseVideoMemory();
  EXPECT_EQ(RestoreAllGraphSurfaces(), 0);
  EXPECT_EQ(pf::testing::SurfacePixel(surface->surface, 3, 0), 0x1E140Au);
}

}  // namespace
}  // namespace zelvo_test
