// Graphs and DIB sections made from pictures: the keyed-alpha and top-left-key options, filling a
// graph (or a cell sharing its parent's storage) from a picture rectangle, load option 1, the lost
// flag of 2D surfaces, and CreateDIBGraph with its formats, mirror and failures.
#include <gtest/gtest.h>

#include <cstdint>
#include <cstring>
#include <vector>

#include "media/graphics/graphs/dib_graph.h"
#include "media/graphics/graphs/draw_state.h"
#include "media/graphics/graphs/graph_image.h"
#include "media/graphics/graphs/graph_record.h"
#include "media/graphics/graphs/surface2d.h"
#include "media/graphics/graphs/surface_data.h"
#include "media/pixels/pixel_format.h"
#include "platform/testing.h"
#include "support/library_fixture.h"
#include "support/picture_writers.h"
#include "support/zva_writer.h"

namespace zelvo_test {
namespace {

using namespace zelvo;

constexpr std::uint32_t kMagenta = 0xF800F8, kRed = 0xC80000, kGreen = 0x00C800, kBlue = 0x0000C8;

// A top-down 24-bit BMP of the given 0x00RRGGBB pixels.
Bytes Bmp24(int width, int height, const std::vector<std::uint32_t>& pixels) {
  std::vector<Bytes> rows;
  for (int y = 0; y < height; ++y) {
    Bytes row;
    for (int x = 0; x < width; ++x) {
      const std::uint32_t c = pixels[static_cast<std::size_t>(y * width + x)];
      row.insert(row.end(), {static_cast<std::uint8_t>(c), static_cast<std::uint8_t>(c >> 8),
                             static_cast<std::uint8_t>(c >> 16)});
    }
    rows.push_back(row);
  }
  BmpLayout layout;
  layout.width = width;
  layout.height = -height;
  layout.pixels = PadRows(rows);
  return WriteBmp(layout);
}

GraphImage LoadPicture(const Bytes& file, int loadOption = 0) {
  GraphImage image{};
  EXPECT_EQ(LoadGraphImage(nullptr, file.data(), static_cast<int>(file.size()), 1, &image, loadOption), 0);
  return image;
}

class PictureGraphs : public LibraryTest {
 protected:
  void SetUp() override {
    LibraryTest::SetUp();
    // Software rendering: every graph keeps its pixels in a MEMIMG the test can read.
    pf::testing::FailNextCalls("AddAttachedSurface", 1);
    ASSERT_EQ(StartUpLibrary(), 0);
  }
  void TearDown() override {
    EXPECT_EQ(ShutDownLibrary(), 0);
    LibraryTest::TearDown();
  }

  static const Surface2DEntry* Entry(int graph) { return GetSurface2D(GetGraphRecord(graph)->backEnds[0]); }
  static MEMIMG* Image(int graph) { return &GetSurfaceRecord(Entry(graph)->record)->image; }
  // The graph's pixel as stored, and a colour packed the way the graph stores it.
  static std::uint32_t Stored(int graph, int x, int y) {
    const MEMIMG* image = Image(graph);
    const int bytes = MemImgBytesPerPixel(image);
    std::uint32_t value = 0;
    std::memcpy(&value,
                image->pixels + (Entry(graph)->originY + y) * image->pitch + (Entry(graph)->originX + x) * bytes,
                static_cast<std::size_t>(bytes));
    return bytes == 2 ? value & 0xFFFF : value;
  }
  static std::uint32_t Packed(int graph, std::uint32_t rgb, int alpha = 255) {
    const std::uint32_t value =
        RgbaToColorValue(Image(graph)->format, (rgb >> 16) & 0xFF, (rgb >> 8) & 0xFF, rgb & 0xFF, alpha);
    return MemImgBytesPerPixel(Image(graph)) == 2 ? value & 0xFFFF : value;
  }
};

TEST_F(PictureGraphs, KeyedAlphaGivesSeeThroughPixelsTheColourOfTheFigureBesideThem) {
  // Row 0: red, key, key, blue. Row 1: key, key, key, key (no visible neighbour on the left).
  GraphImage picture = LoadPicture(Bmp24(4, 2, {kRed, kMagenta, kMagenta, kBlue, kMagenta, kMagenta, kMagenta, kMagenta}));
  GraphImage keyed{};
  ASSERT_EQ(MakeKeyedAlphaPicture(&picture, kMagenta, &keyed), 0);
  const struct {
    int x, y;
    std::uint32_t argb;
  } expected[] = {
      {0, 0, 0xFF000000 | kRed}, {1, 0, kRed},     {2, 0, kBlue},     {3, 0, 0xFF000000 | kBlue},
      {0, 1, kRed},              {1, 1, kMagenta}, {2, 1, kMagenta},  {3, 1, kBlue},
  };
  for (const auto& e : expected) {
    std::uint32_t got = 0;
    std::memcpy(&got, static_cast<std::uint8_t*>(keyed.pixels) + e.y * keyed.pitch + e.x * 4, 4);
    EXPECT_EQ(got, e.argb) << e.x << "," << e.y;
  }
  FreeGraphImage(&keyed);

  // With the option on, the graph made from the picture carries that alpha.
  g_draw.transparentToAlpha = 1;
  g_draw.transparentColor = kMagenta;
  const int graph = CreateGraphFromGraphImage(&picture, nullptr, 1, 0, 0);
  ASSERT_GE(graph, 0);
  EXPECT_EQ(GetGraphRecord(graph)->flags.alphaCh, 1);
  EXPECT_EQ(Stored(graph, 1, 0), Packed(graph, kRed, 0));
  EXPECT_EQ(Stored(graph, 0, 0), Packed(graph, kRed, 255));
  FreeGraphImage(&picture);
}

TEST_F(PictureGraphs, TheTopLeftOptionKeysEachGraphByItsOwnCornerOnly) {
  g_draw.transparentFromTopLeft = 1;
  GraphImage picture = LoadPicture(Bmp24(2, 1, {kGreen, kRed}));
  const int graph = CreateGraphFromGraphImage(&picture, nullptr, 1, 0, 0);
  ASSERT_GE(graph, 0);
  EXPECT_EQ(GetSurfaceRecord(Entry(graph)->record)->colorKey, kGreen);
  EXPECT_EQ(Image(graph)->transparentColor & 0xFFFFFF, Packed(graph, kGreen) & 0xFFFFFF);
  EXPECT_EQ(g_draw.transparentColor, 0u);   // the library's own colour is kept
  FreeGraphImage(&picture);
}

// A palette graph is keyed by the palette entry that holds the transparent colour as it stands when
// a picture comes in, not as it stood when the graph was made.
TEST_F(PictureGraphs, APaletteGraphTakesItsKeyFromTheTransparentColourOfEachTransfer) {
  BmpLayout layout;
  layout.width = 3;
  layout.height = -1;
  layout.bits = 8;
  layout.palette = {kRed, kGreen, kBlue};
  layout.pixels = PadRows({{2, 0, 1}});
  GraphImage picture = LoadPicture(WriteBmp(layout));
  g_draw.transparentColor = kGreen;
  const int graph = CreateGraphFromGraphImage(&picture, nullptr, 1, 0, 0);
  ASSERT_GE(graph, 0);
  ASSERT_EQ(GetGraphRecord(graph)->flags.palette, 1);
  EXPECT_EQ(Image(graph)->transparentColor, 1u);
  g_draw.transparentColor = kBlue;
  ASSERT_EQ(TransferImageToGraph(&picture, nullptr, 0, 0, GetGraphRecord(graph)), 0);
  EXPECT_EQ(Image(graph)->transparentColor, 2u);
  g_draw.transparentColor = 0x123456;   // in no entry: index 0
  ASSERT_EQ(TransferImageToGraph(&picture, nullptr, 0, 0, GetGraphRecord(graph)), 0);
  EXPECT_EQ(Image(graph)->transparentColor, 0u);
  g_draw.transparentColor = 0;
  FreeGraphImage(&picture);
}

TEST_F(PictureGraphs, APictureRectangleFillsTheGraphOrTheCellItLandsOn) {
  std::vector<std::uint32_t> pixels(8 * 8);
  for (int i = 0; i < 64; ++i) pixels[static_cast<std::size_t>(i)] = static_cast<std::uint32_t>(i * 4) << 16 | 0x80;
  GraphImage picture = LoadPicture(Bmp24(8, 8, pixels));
  auto colourAt = [&](int x, int y) { return pixels[static_cast<std::size_t>(y * 8 + x)]; };

  const int blank = CreateBlankGraph(4, 4, 1);
  ASSERT_GE(blank, 0);
  const IntRect rect{5, 6, 8, 8};   // 3 x 2, placed at (1, 2): its last row falls off the graph
  ASSERT_EQ(FillGraphFromImageRect(blank, "pic.bmp", &picture, nullptr, &rect, 1, 2, 0), 0);
  EXPECT_EQ(Stored(blank, 1, 2), Packed(blank, colourAt(5, 6)));
  EXPECT_EQ(Stored(blank, 3, 3), Packed(blank, colourAt(7, 7)));
  EXPECT_EQ(GetGraphRecord(blank)->sourceX, 4);   // the picture position the graph's corner shows
  EXPECT_EQ(GetGraphRecord(blank)->sourceY, 4);

  // A cell shares its parent's storage at an origin: the rectangle lands there.
  int cells[4] = {-1, -1, -1, -1};
  ASSERT_EQ(CreateDivGraphFromGraphImage(&picture, nullptr, 4, 2, 2, 4, 4, cells, 1, 0, 0), 0);
  const IntRect corner{0, 0, 2, 2};
  ASSERT_EQ(FillGraphFromImageRect(cells[3], nullptr, &picture, nullptr, &corner, 2, 2, 0), 0);
  EXPECT_EQ(Stored(cells[3], 2, 2), Packed(cells[3], colourAt(0, 0)));
  EXPECT_EQ(Stored(cells[3], 1, 1), Packed(cells[3], colourAt(5, 5)));
  EXPECT_EQ(Stored(cells[2], 2, 2), Packed(cells[2], colourAt(2, 6)));   // the neighbour cell is untouched
  EXPECT_EQ(FillGraphFromImageRect(blank + 1, nullptr, &picture, nullptr, &corner, 0, 0, 0), -1);
  FreeGraphImage(&picture);
}

TEST_F(PictureGraphs, LoadOptionOneGoesThroughTheConverterAndKeepsEveryPixel) {
  BmpLayout palette;
  palette.width = 3;
  palette.height = -1;
  palette.bits = 8;
  palette.palette = {kRed, kGreen, kBlue};
  palette.pixels = PadRows({{2, 0, 1}});
  for (const Bytes& file : {Bmp24(3, 2, {kRed, kGreen, kBlue, kMagenta, 0x123456, 0xFFFFFF}), WriteBmp(palette)}) {
    const std::size_t live = TrackedAllocatorTotals().liveBytes;
    GraphImage plain = LoadPicture(file, 0);
    GraphImage converted = LoadPicture(file, 1);
    ASSERT_EQ(converted.width, plain.width);
    ASSERT_EQ(converted.pitch, plain.pitch);
    EXPECT_NE(converted.pixels, nullptr);
    const int rowBytes = plain.width * plain.format.BytesPerPixel;
    for (int y = 0; y < plain.height; ++y) {
      EXPECT_EQ(std::memcmp(static_cast<std::uint8_t*>(converted.pixels) + y * plain.pitch,
                            static_cast<std::uint8_t*>(plain.pixels) + y * plain.pitch, static_cast<std::size_t>(rowBytes)),
                0);
    }
    EXPECT_EQ(std::memcmp(&converted.format, &plain.format, sizeof plain.format), 0);
    FreeGraphImage(&plain);
    FreeGraphImage(&converted);
    EXPECT_EQ(TrackedAllocatorTotals().liveBytes, live);
  }
}

TEST_F(PictureGraphs, TheLostFlagOfA2DSurfaceIsClearedWhenSetAndRaisedWhenTheSurfaceGoes) {
  const int graph = CreateBlankGraph(4, 4, 1);
  ASSERT_GE(graph, 0);
  const int surface = GetGraphRecord(graph)->backEnds[0];
  int flag = 7;
  EXPECT_EQ(SetSurface2DLostFlag(surface, &flag), 0);
  EXPECT_EQ(flag, 0);
  EXPECT_EQ(GetSurface2D(surface)->lostFlag, &flag);
  EXPECT_EQ(DeleteGraph(graph, 0), 0);
  EXPECT_EQ(flag, 1);
  EXPECT_EQ(SetSurface2DLostFlag(surface, &flag), -1);
}

struct Section {
  pf::BitmapDescription description{};
  std::vector<std::uint8_t> row0;
};

Section Describe(pf::GdiObject section) {
  Section out;
  EXPECT_GT(pf::GetObject(section, sizeof out.description, &out.description), 0);
  const auto* bits = static_cast<const std::uint8_t*>(out.description.bits);
  if (bits != nullptr) out.row0.assign(bits, bits + out.description.widthBytes);
  return out;
}

TEST_F(PictureGraphs, DibSectionsKeepPalettesMirrorAndTakeTheWantedFormat) {
  BmpLayout indexed;
  indexed.width = 3;
  indexed.height = -1;
  indexed.bits = 8;
  indexed.palette = {kRed, kGreen, kBlue};
  indexed.pixels = PadRows({{2, 0, 1}});
  WriteFileBytes(folder_ + "/indexed.bmp", WriteBmp(indexed));
  WriteFileBytes(folder_ + "/rgb.bmp", Bmp24(2, 1, {kRed, kBlue}));

  pf::GdiObject section = CreateDIBGraph("indexed.bmp", 0, nullptr);
  ASSERT_NE(section, nullptr);
  Section s = Describe(section);
  EXPECT_EQ(s.description.bitsPerPixel, 8);
  EXPECT_EQ(s.row0[0], 2);
  EXPECT_EQ(s.row0[2], 1);
  pf::DeleteObject(section);

  section = CreateDIBGraph("rgb.bmp", 1, nullptr);   // mirrored: blue, red
  ASSERT_NE(section, nullptr);
  s = Describe(section);
  EXPECT_EQ(s.description.bitsPerPixel, 24);
  EXPECT_EQ((Bytes{s.row0[0], s.row0[1], s.row0[2], s.row0[3], s.row0[4], s.row0[5]}),
            (Bytes{0xC8, 0, 0, 0, 0, 0xC8}));
  pf::DeleteObject(section);

  PixelFormat rgb565{};
  zelvo::SetupPixelFormatFromMasks(&rgb565, 16, 0xF800, 0x7E0, 0x1F, 0);
  section = CreateDIBGraph("rgb.bmp", 0, &rgb565);
  ASSERT_NE(section, nullptr);
  s = Describe(section);
  EXPECT_EQ(s.description.bitsPerPixel, 16);
  EXPECT_EQ(s.row0[0] | s.row0[1] << 8, 0xC8 >> 3 << 11);
  pf::DeleteObject(section);

  PixelFormat xrgb32{};
  zelvo::SetupPixelFormatFromMasks(&xrgb32, 32, 0xFF0000, 0xFF00, 0xFF, 0);
  section = CreateDIBGraph("rgb.bmp", 0, &xrgb32);   // a 24-bit picture stays 24-bit
  ASSERT_NE(section, nullptr);
  EXPECT_EQ(Describe(section).description.bitsPerPixel, 24);
  EXPECT_EQ(xrgb32.ColorBitDepth, 24);
  pf::DeleteObject(section);
}

TEST_F(PictureGraphs, DibSectionsThatCannotBeMadeAreLoggedAndLeaveNothing) {
  WriteFileBytes(folder_ + "/rgb.bmp", Bmp24(2, 1, {kRed, kBlue}));
  EXPECT_EQ(CreateDIBGraph("missing.bmp", 0, nullptr), nullptr);
  const std::size_t live = TrackedAllocatorTotals().liveBytes;
  pf::testing::FailNextCalls("CreateDIBSection", 1);
  EXPECT_EQ(CreateDIBGraph("rgb.bmp", 0, nullptr), nullptr);
  EXPECT_NE(ReadLog().find("ＤＩＢの作成に失敗しました3"), std::string::npos);
  EXPECT_EQ(TrackedAllocatorTotals().liveBytes, live);
}

}  // namespace
}  // namespace zelvo_test
