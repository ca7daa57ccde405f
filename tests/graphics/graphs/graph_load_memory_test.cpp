// The memory a graph load may take: tiny files that declare huge pictures are refused before their
// pixels or the graph storage made from them are allocated; pictures that fit still load.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <string>

#include <zelvo/zelvo.h>

#include "media/core/library_lock.h"
#include "media/core/log.h"
#include "support/library_fixture.h"
#include "support/picture_writers.h"
#include "support/zva_writer.h"

namespace zelvo_test {
namespace {

// An RLE8 picture of width x height whose data is one short run and the end code.
Bytes RleBmp(int width, int height) {
  BmpLayout layout;
  layout.width = width;
  layout.height = height;
  layout.bits = 8;
  layout.compression = 1;
  layout.palette = {0x000000, 0xFF0000};
  layout.pixels = {4, 1, 0, 0, 0, 1};
  return WriteBmp(layout);
}

// A small JPEG whose frame header is made to declare width x height, cut short after the scan
// header: the decoder fills the missing data.
Bytes CutJpeg(int width, int height) {
  Bytes file = WriteJpeg(16, 16, 3, Bytes(16 * 16 * 3, 90), 80);
  for (std::size_t i = 0; i + 9 < file.size(); ++i) {
    if (file[i] == 0xFF && file[i + 1] == 0xC0) {
      file[i + 5] = static_cast<std::uint8_t>(height >> 8);
      file[i + 6] = static_cast<std::uint8_t>(height);
      file[i + 7] = static_cast<std::uint8_t>(width >> 8);
      file[i + 8] = static_cast<std::uint8_t>(width);
      break;
    }
  }
  for (std::size_t i = 0; i + 3 < file.size(); ++i) {
    if (file[i] == 0xFF && file[i + 1] == 0xDA) {
      const std::size_t header = static_cast<std::size_t>(file[i + 2]) << 8 | file[i + 3];
      file.resize(std::min(file.size(), i + 2 + header + 16));
      break;
    }
  }
  return file;
}

class GraphLoadMemory : public StartedLibraryTest {
 protected:

  // Loads the file with the allocator's totals in the log and returns the most live bytes seen.
  long long PeakBytesOfLoad(const std::string& name, int* handle) {
    const std::size_t logStart = ReadLog().size();
    {
      zelvo::LibraryLockGuard lock;
      zelvo::SetTrackedAllocOptions(zelvo::TrackedAllocOptions{0, 0, 1, 0});
    }
    *handle = LoadGraphFile(name.c_str(), 0);
    {
      zelvo::LibraryLockGuard lock;
      zelvo::SetTrackedAllocOptions(zelvo::TrackedAllocOptions{});
    }
    const std::string log = ReadLog().substr(logStart);
    long long peak = 0;
    const std::string key = "Total size:";
    for (std::size_t at = log.find(key); at != std::string::npos; at = log.find(key, at + 1)) {
      peak = std::max(peak, std::atoll(log.c_str() + at + key.size()));
    }
    return peak;
  }
};

TEST_F(GraphLoadMemory, HugeDeclaredPicturesAreRefusedBeforeAllocatingAndSmallOnesLoad) {
  const struct {
    const char* name;
    Bytes file;
    bool loads;
  } cases[] = {
      // Its pixels alone are exactly the cap; the graph storage would take four times that again.
      {"rle16384.bmp", RleBmp(16384, 16384), false},
      {"cut8000.jpg", CutJpeg(8000, 8000), false},
      {"rle512.bmp", RleBmp(512, 512), true},
      {"cut640.jpg", CutJpeg(640, 480), true},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    WriteFileBytes(folder_ + "/" + c.name, c.file);
    const std::size_t liveBefore = zelvo::TrackedAllocatorTotals().liveBytes;
    int handle = -1;
    const long long peak = PeakBytesOfLoad(c.name, &handle);
    if (c.loads) {
      EXPECT_GE(handle, 0);
      EXPECT_EQ(ReleaseGraph(handle, 0), 0);
    } else {
      EXPECT_EQ(handle, -1);
      EXPECT_LT(peak, 16LL << 20);
    }
    EXPECT_EQ(zelvo::TrackedAllocatorTotals().liveBytes, liveBefore);
  }
  EXPECT_LT(RleBmp(16384, 16384).size(), 128u);   // a file of a few dozen bytes
}

}  // namespace
}  // namespace zelvo_test
